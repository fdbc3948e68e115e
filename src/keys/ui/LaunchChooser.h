#pragma once
// The file and folder choice behind the browse buttons of the key dialog's launch page. The dialog
// asks through this interface so that tests can answer for the user.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class QWidget;

namespace corvane {

class LaunchChooser
{
public:
    virtual ~LaunchChooser() = default;
    // An existing file for launch row 0 (music), 1 (program) or 2 (file); nothing when cancelled.
    virtual std::optional<QString> ChooseFile(QWidget* dialog, int row, std::uint16_t language) = 0;
    // A folder; an empty text when what was chosen is no folder of the file system; nothing when
    // cancelled.
    virtual std::optional<QString> ChooseFolder(QWidget* dialog, std::uint16_t language) = 0;
};

// The toolkit's file dialogs. Row 0 starts in the user's music folder, rows 1 and 2 in the home
// folder; each row remembers the filter the user last picked for the rest of the run.
class LaunchFileDialogs : public LaunchChooser
{
public:
    std::optional<QString> ChooseFile(QWidget* dialog, int row, std::uint16_t language) override;
    std::optional<QString> ChooseFolder(QWidget* dialog, std::uint16_t language) override;

private:
    std::array<QString, 3> chosenFilter_;
};

} // namespace corvane
