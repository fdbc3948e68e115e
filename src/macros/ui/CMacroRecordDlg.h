#pragma once
// CMacroRecordDlg: the "Macro Management" dialog. It works on a copy of the macro store: lists the
// macros, creates, renames and deletes them, shows the selected macro's events as lines, records
// keys typed anywhere through the keyboard hook (presses and releases, with or without their
// pauses), lets the user edit the lines through a context menu and in place, and copies the store
// back on OK. It reads the key assignments only to say which keys a deletion takes a macro from.

#include "device/SettingsState.h"
#include "keys/KeyboardHook.h"
#include "keys/MacroKeys.h"
#include "macros/MacroSession.h"
#include "macros/MacroStore.h"
#include "platform/qt/KeyboardHooks.h"
#include "skin/SkinnedWindow.h"
#include "uikit/OtherWindows.h"

#include <QMenu>
#include <QPointer>
#include <array>
#include <memory>

class QLineEdit;

namespace corvane {

class CTransparentListBox;
class Prompt;

// The event list's menu commands.
enum MacroCommand : int {
    kCmdInsertBefore = 32790,
    kCmdInsertAfter = 32791,
    kCmdInsertDelay = 32793,
    kCmdLeftDown = 32800,
    kCmdLeftUp = 32801,
    kCmdLeftClick = 32802,
    kCmdRightDown = 32804,
    kCmdRightUp = 32806,
    kCmdRightClick = 32807,
    kCmdMiddleDown = 32811,
    kCmdMiddleUp = 32812,
    kCmdMiddleClick = 32813,
    kCmdDeleteLine = 32815,
};

class CMacroRecordDlg : public SkinnedDialog, public MacroWindow
{
    Q_OBJECT
public:
    // hook may be null: nothing is recorded then.
    CMacroRecordDlg(const SettingsState& state, MacroStore& macros, const KeyCodeTable& codes, Prompt& prompt,
                    KeyboardHook* hook, std::uint16_t language, QWidget* parent = nullptr);
    ~CMacroRecordDlg() override;

    // Runs the dialog modally; true on OK (and on the close box, which keeps the old store).
    bool Open() override;
    const MacroNumbering& Numbering() const override { return committed_; }
    // The opening without the modal loop, for tests: shown, not modal.
    void Begin();

    // The button-table entry at a point, or -1.
    static int ButtonAt(int x, int y);
    // The id of a button-table entry as a drawn control; the focus note is read, not visited.
    static constexpr int ControlId(int entry) { return entry + 1; }
    static constexpr int kFocusNoteControl = 100;
    void Command(int command);

    // State, for tests.
    const MacroStore& WorkingStore() const { return *working_; }
    const MacroSession& Session() const { return session_; }
    bool HookInstalled() const { return hookInstalled_; }
    bool Recording() const { return session_.Recording(); }
    bool LoopOption() const { return loop_; }
    int HoverIndex() const { return hover_; }
    CTransparentListBox* MacroList() const { return macroList_; }
    CTransparentListBox* EventList() const { return eventList_; }
    QLineEdit* LoopCountEdit() const { return loopCount_; }
    // The event list's menu while it is shown.
    QMenu* EditMenu() const { return menu_; }

protected:
    DrawnControlList ListControls() const override;
    void PaintElements(QPainter& painter) override;
    std::intptr_t WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void done(int code) override;

private:
    void Initialise();
    void Click(int entry);
    void RecordButton();
    void NewMacro();
    void DeleteMacro();
    // The keys that play a macro of the working store, named for the user; empty when none.
    QString KeysPlaying(int macro) const;
    void Ok();
    void SelectionChanged(int row);
    void LoopCountChanged();
    void HookKey(std::uint8_t key, bool release, std::optional<std::uint32_t> time);
    void DelayEdited(std::size_t line, std::uint16_t pause);
    // byKeyboard: the first entry is active, so the arrows and Enter work at once.
    void ShowEditMenu(const QPoint& globalPos, bool byKeyboard = false);
    // Whether a Space seen by the hook is the press of the focused Stop Recording button.
    bool StopsRecording(std::uint8_t key, bool release) const;
    void StartCapture(bool after);
    void InsertMouse(int command);
    void InstallHook();
    void RemoveHook();
    // Every way a recording ends: the hook goes and the Record button shows it.
    void EndRecording();
    void WriteBack();
    // A renamed item of the macro list gives its record the name, or takes back one refused.
    void SynchroniseName(int row);
    // The event list shows the session's lines; `select` is the line to select, -1 none.
    // `reveal` is a line just inserted: the list then stays where it was and scrolls only as far
    // as needed to show that line.
    void ShowLines(int select, int reveal = -1);
    int SelectedMacro() const;
    int SelectedLine() const;
    int LoopCountValue() const;
    void SetLoop(bool on);
    void Tell(const char* german, const char* english);
    QString Text(const char* german, const char* english) const;

    const SettingsState& state_;
    MacroStore& macros_;
    const KeyCodeTable& codes_;
    Prompt& prompt_;
    KeyboardHook* hook_;
    std::uint16_t language_;
    QtHookWindow hookWindow_;
    std::unique_ptr<MacroStore> working_;
    MacroSession session_;
    // The working store's numbering against the store as opened, and the one OK last kept.
    MacroNumbering numbering_;
    MacroNumbering committed_;

    CTransparentListBox* macroList_ = nullptr;
    CTransparentListBox* eventList_ = nullptr;
    QLineEdit* loopCount_ = nullptr;
    QPointer<QMenu> menu_;

    bool hookInstalled_ = false;
    bool loop_ = false;
    int hover_ = -1; // kept across openings
    std::array<int, 8> states_{};
    bool leftHeld_ = false;
    // The Space that stopped a recording is held: its press, reaching the window after the
    // hook, must not press the button again.
    bool stopKeyHeld_ = false;
    QPoint pressGlobal_;
    QPoint windowAtPress_;
};

} // namespace corvane
