#pragma once
// CConfigureDlg: the profile panel beside the main window. It lists the current profile (the one
// file of the profile folder), imports a profile file into the settings in memory and exports
// them to a file, and renames the current profile in place. Nothing reaches the keyboard here:
// the main window takes the settings over when the panel closes, and Apply sends them.

#include "skin/SkinnedWindow.h"
#include "store/ProfileFolder.h"
#include "uikit/OtherWindows.h"

#include <QPoint>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace corvane {

class CTransparentListBox;
class Prompt;
struct SettingsState;

// Where the user picks the file to import or export; tests answer for the user.
class ProfileFileChooser
{
public:
    virtual ~ProfileFileChooser() = default;
    virtual std::optional<std::filesystem::path> ChooseImport(QWidget* parent,
                                                              const std::filesystem::path& folder) = 0;
    virtual std::optional<std::filesystem::path> ChooseExport(QWidget* parent,
                                                              const std::filesystem::path& folder) = 0;
};

// The file dialogs: "*.bin" files, ".bin" added to a name without one.
class ProfileFileDialogs : public ProfileFileChooser
{
public:
    explicit ProfileFileDialogs(std::uint16_t language) : language_(language) {}
    std::optional<std::filesystem::path> ChooseImport(QWidget* parent,
                                                      const std::filesystem::path& folder) override;
    std::optional<std::filesystem::path> ChooseExport(QWidget* parent,
                                                      const std::filesystem::path& folder) override;

private:
    std::optional<std::filesystem::path> Choose(QWidget* parent, const std::filesystem::path& folder,
                                                bool save);
    std::uint16_t language_;
};

class CConfigureDlg : public SkinnedDialog, public ProfileWindow
{
    Q_OBJECT
public:
    static constexpr int kListId = 1016;
    // Ids of the drawn controls.
    static constexpr int kImportControl = 1;
    static constexpr int kExportControl = 2;
    static constexpr int kCloseControl = 3;

    // dataFolder holds keymap.bin, MacroDefine.bin and the profile folder, programFolder VER.bin:
    // an export never replaces them.
    CConfigureDlg(SettingsState& state, Prompt& prompt, std::uint16_t language,
                  const std::filesystem::path& dataFolder, const std::filesystem::path& programFolder,
                  QWidget* parent = nullptr);
    ~CConfigureDlg() override;

    // ProfileWindow: runs the panel beside the main window.
    void Open(const QRect& mainWindowRect) override;

    // The file dialogs; none: the program's own.
    void SetFileChooser(ProfileFileChooser* chooser);

    // Set-up as each run does it: skin, list place and style, the list filled from the folder.
    void Initialise();
    void Import();
    void Export();

    // Where the file dialogs start: the user's documents, else the home folder.
    static std::filesystem::path FileDialogFolder();

    CTransparentListBox* List() const { return list_; }
    const ProfileFolder& Folder() const { return folder_; }
    std::uint16_t Language() const { return language_; }
    // Where the panel goes beside a main window at mainWindowRect, kept on the screen.
    QPoint PlaceBeside(const QRect& mainWindowRect) const;

protected:
    DrawnControlList ListControls() const override;
    void PaintElements(QPainter& painter) override;
    std::intptr_t WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FillList();
    void Tell(const ProfileResult& result);
    QString Text(const char* german, const char* english) const;
    TextLanguage FileTextLanguage() const;

    SettingsState& state_;
    Prompt& prompt_;
    std::uint16_t language_;
    ProfileFolder folder_;
    ProfileFileDialogs ownChooser_;
    ProfileFileChooser* chooser_;
    CTransparentListBox* list_ = nullptr;

    bool dragging_ = false;
    QPoint pressGlobal_;
    QPoint windowAtPress_;
};

} // namespace corvane
