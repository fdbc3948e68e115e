#pragma once
// CKeyMap: the key assignment dialog. It shows what one key of the keyboard does and lets the user
// choose another key or a combination of up to three keys (captured through the keyboard hook), a
// stored macro, a named function, or a launch action, disable the key, or give it back its own
// function. Its choice is left in the AssignmentResult for the main window to apply.

#include "keys/ApplyKeyAssignment.h"
#include "keys/KeyboardHook.h"
#include "platform/qt/KeyboardHooks.h"
#include "skin/SkinnedWindow.h"
#include "uikit/OtherWindows.h"

#include <QPoint>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QLineEdit;
class QListWidget;

namespace corvane {

class LaunchChooser;
class Prompt;
class VividTree;
struct MacroStore;
struct NamedFunction;

class CKeyMap : public SkinnedDialog, public KeyAssignmentWindow
{
    Q_OBJECT
public:
    static constexpr std::uint8_t kNone = 255;

    // hook may be null (keys are then not captured); the file dialogs are used unless a chooser is set.
    CKeyMap(const SettingsState& state, const MacroStore& macros, const KeyCodeTable& codes, Prompt& prompt,
            KeyboardHook* hook, std::uint16_t language, QWidget* parent = nullptr);
    ~CKeyMap() override;

    void SetLaunchChooser(LaunchChooser* chooser) { chooser_ = chooser; }

    // Runs the dialog modally for the key named in result; true on OK.
    bool Open(AssignmentResult& result) override;
    // The opening without the modal loop, for tests: initialises from the key's stored assignment
    // and shows the dialog, not modal. It ends (hidden, result() set) on OK or Cancel.
    void Begin(AssignmentResult& result);

    // State, for the main window and for tests.
    int Page() const { return page_; }
    bool HookInstalled() const { return hookInstalled_; }
    bool DisableTicked() const { return disableTicked_; }
    bool HoverFlag(int entry) const { return hover_[static_cast<std::size_t>(entry)] != 0; }
    std::uint8_t SelectedRow() const { return selectedRow_; }
    std::uint8_t MarkedOption() const { return markedOption_; }
    const QString& FunctionName() const { return functionName_; }
    QLineEdit* SingleEdit() const { return single_; }
    QLineEdit* CombinationEdit() const { return combination_; }
    QListWidget* MacroList() const { return macroList_; }
    VividTree* FunctionTree() const { return tree_; }
    // The button-table entry at a point (the check box first, with its margin), or kNone.
    static std::uint8_t ButtonAt(int x, int y);
    // The launch-row element at a point (4 x row + part), or kNone.
    static std::uint8_t LaunchElementAt(int x, int y);
    // What a row shows of a launch path: a long one from its last folder separator on.
    static QString ShortenedPath(const QString& path);
    // Where a launch row writes its path: the row's path box.
    static QRect LaunchPathPlace(int row);

protected:
    DrawnControlList ListControls() const override;
    void SettleBeforePaint() override;
    void PaintElements(QPainter& painter) override;
    std::intptr_t WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void done(int code) override;

signals:
    // A frame of the dialog has reached the window.
    void Painted();

private:
    void Prepare(AssignmentResult& result);
    void Initialise();
    void FillTree(const QString& selected);
    void PreparePage(const KeyRecord& record);
    void ClearCapturedKeys();
    // Says under line that a key without a code cannot be taken; nullptr takes the note away.
    void ShowRefused(QLineEdit* line);
    void EditFocused(QLineEdit* edit, Qt::FocusReason reason);
    bool CaptureKey(std::uint8_t key);

    // The keyboard in the capture lines. A line reached with Tab is only visited: it keeps what
    // it shows, Tab moves on and Space starts capturing there; any other key is captured and picks
    // the line. While a line captures every key is taken, Tab and Space too, until the line holds
    // its key (single) or three keys, or a key it holds is pressed again; then Tab moves on.
    // Modifier keys pressed just before a Tab that moves on are taken back: Shift+Tab is a move.
    enum class KeyUse { kCapture, kDialog };
    enum class KeyKind { kTab, kSpace, kOther };
    KeyUse UseOfKey(KeyKind key) const;
    QLineEdit* FocusedLine() const;
    bool TabLeaves(QLineEdit* line) const;
    void ChooseLine(QLineEdit* edit);
    void TakeLineKey(QLineEdit* line, std::uint8_t key);
    bool LineKeyPress(QLineEdit* line, QKeyEvent* event);
    bool LineHolds(QLineEdit* line, std::uint8_t key) const;
    void ForgetModifiers();
    void RestoreBeforeModifiers();
    void NameControls();
    QString MacroSlotNote() const;
    void Click(std::uint8_t entry);
    void Save();
    void LaunchAfterClick(int x, int y);
    std::optional<QString> ChooseLaunchTarget(int row);
    void DrawPage(QPainter& painter);
    void DrawLaunchPage(QPainter& painter);
    void DrawDisableBox(QPainter& painter);
    void BrowseHover(int x, int y);
    void Tell(const char* german, const char* english);
    QString Label(std::uint8_t key) const;
    static QString FunctionText(const NamedFunction& function);
    QString CombinationText(const std::uint8_t* keys) const;
    QString Text(const char* german, const char* english) const;

    const SettingsState& state_;
    const MacroStore& macros_;
    const KeyCodeTable& codes_;
    Prompt& prompt_;
    KeyboardHook* hook_;
    std::uint16_t language_;
    QtHookWindow hookWindow_;
    std::unique_ptr<LaunchChooser> fileDialogs_;
    LaunchChooser* chooser_ = nullptr;

    VividTree* tree_ = nullptr;
    QLineEdit* single_ = nullptr;
    QLineEdit* combination_ = nullptr;
    QListWidget* macroList_ = nullptr;

    AssignmentResult* result_ = nullptr;
    AssignmentResult unused_; // stands in before the first opening
    int page_ = 0;
    bool hookInstalled_ = false;
    bool initialFocusGuard_ = false;
    bool disableTicked_ = false;
    std::array<std::uint8_t, 10> hover_{};
    std::uint8_t lastHover_ = kNone; // kept across openings
    QString functionName_;           // kept across openings
    std::uint8_t selectedRow_ = kNone;
    std::uint8_t markedOption_ = kNone;
    int browseHover_ = -1;
    QLineEdit* lastFocusedEdit_ = nullptr; // the edit that had the focus last
    QLineEdit* refusedIn_ = nullptr;       // the line under which a key without a code is told

    struct CaptureProgress
    {
        int taken = 0;         // keys the line took since it began capturing
        bool armed = false;    // begun by a click or Space: Tab is a key from the first
        bool finished = false; // a key the line holds was pressed again
    };
    struct LineSnapshot
    {
        std::array<std::uint8_t, kCapturedKeyCapacity> keys{};
        std::int32_t count = 0;
        KeyFunctionKind kind = KeyFunctionKind::kDefault;
        QString single;
        QString combination;
        CaptureProgress progress;
        QLineEdit* visited = nullptr;
    };
    CaptureProgress progress_;
    QLineEdit* visited_ = nullptr;                // a line reached with Tab and not picked yet
    std::optional<LineSnapshot> beforeModifiers_; // the lines before the modifier keys just taken
    bool swallowTab_ = false;                     // the hook took a Tab the window will also see

    bool leftHeld_ = false;
    QPoint pressGlobal_;
    QPoint windowAtPress_;
};

} // namespace corvane
