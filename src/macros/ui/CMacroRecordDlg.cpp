#include "macros/ui/CMacroRecordDlg.h"

#include "keys/KeyNames.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TransparentListBox.h"
#include "uikit/Prompt.h"
#include "uikit/Texts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace corvane {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kSelectedText = 0xFFFF00;
constexpr int kListTextHeight = 16;
constexpr int kListShadowOffset = 2;
constexpr int kLoopCountDigits = 3;
const char* const kTitle = "Macro Management";
// The virtual-key code of the Space bar.
constexpr std::uint8_t kSpaceKey = 0x20;

struct MouseCommand
{
    int command;
    MouseButton button;
    MouseAction action;
};
constexpr MouseCommand kMouseCommands[] = {
    {kCmdLeftDown, MouseButton::kLeft, MouseAction::kDown},
    {kCmdLeftUp, MouseButton::kLeft, MouseAction::kUp},
    {kCmdLeftClick, MouseButton::kLeft, MouseAction::kClick},
    {kCmdRightDown, MouseButton::kRight, MouseAction::kDown},
    {kCmdRightUp, MouseButton::kRight, MouseAction::kUp},
    {kCmdRightClick, MouseButton::kRight, MouseAction::kClick},
    {kCmdMiddleDown, MouseButton::kMiddle, MouseAction::kDown},
    {kCmdMiddleUp, MouseButton::kMiddle, MouseAction::kUp},
    {kCmdMiddleClick, MouseButton::kMiddle, MouseAction::kClick},
};

// A text of the window and its place: the button it is written on, or its line of an option group.
struct TextAt
{
    const char* english;
    const char* german;
    int xEnglish;
    int xGerman;
    int y;
    int heightEnglish;
    int heightGerman;
    layout::Rect place;
};
// The option lines end before the delay tick box beside "between"; the group's card ends at 379.
constexpr int kOptionLeft = 254;
constexpr int kOptionRight = 378;
constexpr int kDelayBoxGap = 2;
constexpr int kOptionLineHeight = 15;
constexpr layout::Rect OptionLine(int y, int right)
{
    return {kOptionLeft, y, right, y + kOptionLineHeight};
}
const int kDelayBoxLeft = layout::kMacroButtons[layout::kMacroButtonDelay].rect.left;
const TextAt kDelayTexts[] = {
    {"Delay", "Verzögerung", 260, 260, 153, 15, 15, OptionLine(153, kDelayBoxLeft - kDelayBoxGap)},
    {"between", "zwischen", 260, 260, 168, 15, 15, OptionLine(168, kDelayBoxLeft - kDelayBoxGap)},
    {"keystrokes", "Tastenanschläge", 260, 260, 183, 15, 14, OptionLine(183, kOptionRight)},
};
const TextAt kLoopText{"Loop", "Schleife", 265, 265, 300, 15, 15, OptionLine(300, kOptionRight)};
// "Abbrechen" one step smaller and a pixel further left than the other German captions, to stay on
// its button.
const TextAt kBottomTexts[] = {
    {"New", "Neu", 35, 35, 372, 15, 14, layout::kMacroButtons[layout::kMacroButtonNew].rect},
    {"Delete", "Löschen", 95, 85, 372, 15, 14, layout::kMacroButtons[layout::kMacroButtonDelete].rect},
    {"OK", "OK", 270, 270, 372, 15, 14, layout::kMacroButtons[layout::kMacroButtonOk].rect},
    {"Cancel", "Abbrechen", 320, 312, 372, 15, 12, layout::kMacroButtons[layout::kMacroButtonCancel].rect},
};
// The Record caption is written as large as the button's width allows (the German ones smaller).
constexpr int kRecordTextRightGap = 2;
// Under the editing hint of the option column, above the Loop group.
const QRect kFocusNoteBox(254, 250, 124, 40);
constexpr std::uint32_t kFocusNoteColour = 0xC0C0C0;
constexpr int kFocusNoteHeight = 12;

} // namespace

CMacroRecordDlg::CMacroRecordDlg(const SettingsState& state, MacroStore& macros, const KeyCodeTable& codes,
                                 Prompt& prompt, KeyboardHook* hook, std::uint16_t language, QWidget* parent)
    : SkinnedDialog(parent), state_(state), macros_(macros), codes_(codes), prompt_(prompt), hook_(hook),
      language_(language), hookWindow_(this), working_(std::make_unique<MacroStore>()), session_(codes)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setMouseTracking(true);
    macroList_ = new CTransparentListBox(this);
    macroList_->setObjectName(QStringLiteral("macroList"));
    eventList_ = new CTransparentListBox(this);
    eventList_->setObjectName(QStringLiteral("eventList"));
    for (CTransparentListBox* list : {macroList_, eventList_}) {
        list->SetMessageTarget(this);
        list->SetSorted(false);
        list->installEventFilter(this);
    }
    eventList_->viewport()->installEventFilter(this);
    loopCount_ = new QLineEdit(this);
    loopCount_->setObjectName(QStringLiteral("loopCount"));
    loopCount_->setMaxLength(kLoopCountDigits);
    loopCount_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
    loopCount_->setFrame(false);
    loopCount_->setStyleSheet(QStringLiteral("background: black; color: white; border: none;"));
    loopCount_->installEventFilter(this);
    macroList_->setAccessibleName(Text("Makros", "Macros"));
    eventList_->setAccessibleName(Text("Ablauf", "Events"));
    loopCount_->setAccessibleName(Text("Anzahl der Wiederholungen", "Loop count"));
    connect(macroList_, &QListWidget::currentRowChanged, this, &CMacroRecordDlg::SelectionChanged);
    connect(loopCount_, &QLineEdit::textChanged, this, &CMacroRecordDlg::LoopCountChanged);
}

CMacroRecordDlg::~CMacroRecordDlg()
{
    if (hookInstalled_ && hook_ != nullptr) hook_->removehook();
}

QString CMacroRecordDlg::Text(const char* german, const char* english) const
{
    return PickText(language_, german, english);
}

void CMacroRecordDlg::Tell(const char* german, const char* english)
{
    prompt_.Tell(this, QString::fromLatin1(kTitle), Text(german, english));
}

bool CMacroRecordDlg::Open()
{
    // A second opening would start the working copy afresh and lose every edit made so far.
    if (isVisible()) return false;
    setResult(0);
    Initialise();
    if (QWidget* owner = QApplication::activeWindow(); owner != nullptr && owner != this)
        move(owner->geometry().center() - QPoint(width() / 2, height() / 2));
    // Shown by exec itself: a window shown before exec is not modal, and the main window would
    // go on taking clicks.
    return exec() == QDialog::Accepted;
}

void CMacroRecordDlg::Begin()
{
    setResult(0);
    Initialise();
    show();
}

void CMacroRecordDlg::Initialise()
{
    auto place = [](QWidget* control, const layout::Placement& at) {
        control->setGeometry(at.x, at.y, at.width, at.height);
    };
    place(macroList_, layout::kMacroNameList);
    place(eventList_, layout::kMacroEventList);
    place(loopCount_, layout::kMacroLoopCount);
    for (CTransparentListBox* list : {macroList_, eventList_}) {
        list->EndEditing(false);
        list->SetFontAndColours(kListTextHeight, QStringLiteral("Arial"), kWhite, kSelectedText, true, 0,
                                kListShadowOffset);
    }
    eventList_->SetMode(CTransparentListBox::kModeDelay);
    macroList_->SetMode(CTransparentListBox::kModeName);
    SetSkin(SkinFolderPath(SkinWindow::Macro, language_), SkinBackgroundName(SkinWindow::Macro));
    setFixedSize(BackgroundSize());

    states_.fill(0);
    *working_ = macros_;
    numbering_ = MacroNumbering(working_->CountInUse());
    committed_ = numbering_;
    hookInstalled_ = false;
    session_.StopRecording();
    session_.EndCapture();
    session_.SetDelayOption(false);
    session_.Clear();
    loop_ = false;
    leftHeld_ = false;

    {
        const QSignalBlocker block(macroList_);
        macroList_->clear();
        for (const std::u16string& name : working_->Names())
            macroList_->AddItem(QString::fromStdU16String(name), 0);
    }
    eventList_->clear();
    loopCount_->setEnabled(false);
    if (macroList_->count() > 0) {
        macroList_->setCurrentRow(0);
        // A row already current sends no change.
        SelectionChanged(0);
    } else {
        const QSignalBlocker block(loopCount_);
        loopCount_->setText(QStringLiteral("1"));
    }
    FullPaint();
}

void CMacroRecordDlg::done(int code)
{
    RemoveHook();
    session_.StopRecording();
    session_.EndCapture();
    if (menu_ != nullptr) menu_->close();
    for (CTransparentListBox* list : {macroList_, eventList_})
        list->EndEditing(false);
    leftHeld_ = false;
    stopKeyHeld_ = false;
    SkinnedDialog::done(code);
}

int CMacroRecordDlg::ButtonAt(int x, int y)
{
    for (int entry = 0; entry < layout::kMacroButtonCount; ++entry)
        if (layout::kMacroButtons[entry].rect.Contains(x, y)) return entry;
    return -1;
}

int CMacroRecordDlg::SelectedMacro() const
{
    const int row = macroList_->currentRow();
    if (row < 0 || row >= macroList_->count() || !macroList_->item(row)->isSelected()) return -1;
    return row;
}

int CMacroRecordDlg::SelectedLine() const
{
    const int row = eventList_->currentRow();
    if (row < 0 || row >= eventList_->count() || !eventList_->item(row)->isSelected()) return -1;
    return row;
}

int CMacroRecordDlg::LoopCountValue() const
{
    const QString text = loopCount_->text();
    int value = 0;
    for (QChar c : text) {
        if (!c.isDigit()) break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

void CMacroRecordDlg::ShowLines(int select, int reveal)
{
    const int top = eventList_->verticalScrollBar()->value();
    eventList_->EndEditing(false);
    eventList_->clear();
    for (const EventLine& line : session_.Lines()) {
        const QString text = QString::fromStdString(line.text);
        const int row = eventList_->AddItem(text, 0);
        // Read out as words, where the list shows "dn" and "up" as arrows.
        if (line.kind != EventLineKind::kDelay)
            eventList_->item(row)->setData(Qt::AccessibleTextRole,
                                           text.chopped(2).trimmed() + QLatin1Char(' ') +
                                               (line.kind == EventLineKind::kKeyDown
                                                    ? Text("gedrückt", "pressed")
                                                    : Text("losgelassen", "released")));
    }
    if (select >= 0 && select < eventList_->count()) {
        eventList_->setCurrentRow(select);
        eventList_->scrollToItem(eventList_->item(select));
    } else {
        eventList_->setCurrentRow(-1);
    }
    if (reveal >= 0 && reveal < eventList_->count()) {
        // The scroll range must count the new lines before the old place is taken back.
        eventList_->doItemsLayout();
        eventList_->verticalScrollBar()->setValue(top);
        eventList_->scrollToItem(eventList_->item(reveal));
    }
    eventList_->viewport()->update();
}

void CMacroRecordDlg::WriteBack()
{
    const int selected = SelectedMacro();
    if (selected < 0) return;
    WriteBackRecord(*working_, selected, macroList_->item(selected)->text().toStdU16String(), loop_,
                    static_cast<std::uint16_t>(LoopCountValue()), session_.DelayOption(), session_.Events());
}

void CMacroRecordDlg::InstallHook()
{
    if (hookInstalled_) return;
    hookInstalled_ = hook_ != nullptr && hook_->installhook(hookWindow_, kHookModePressAndRelease);
}

void CMacroRecordDlg::RemoveHook()
{
    if (!hookInstalled_) return;
    if (hook_ != nullptr) hook_->removehook();
    hookInstalled_ = false;
}

void CMacroRecordDlg::EndRecording()
{
    RemoveHook();
    session_.StopRecording();
    // However the recording ended, the Record button says so at once: still reading "Stop
    // Recording", a click on it would start a new recording and clear the macro.
    FullPaint();
}

// ---- Macro list and options

void CMacroRecordDlg::SelectionChanged(int row)
{
    if (row < 0 || row >= macroList_->count()) return;
    const MacroRecord& record = (*working_)[static_cast<std::size_t>(row)];
    session_.Load(record.Events());
    ShowLines(-1);
    session_.SetDelayOption(record.DelayOption());
    const std::uint16_t count = record.RepeatCount();
    loop_ = count > 1;
    {
        // Showing the count is no edit of it: a stored 0 reads 1 and stays 0, and a count written
        // by another program is shown whole, not cut to the three digits that can be typed.
        const QSignalBlocker block(loopCount_);
        const QString shown = QString::number(std::max<std::uint16_t>(count, 1));
        loopCount_->setMaxLength(std::max(kLoopCountDigits, static_cast<int>(shown.size())));
        loopCount_->setText(shown);
    }
    loopCount_->setEnabled(loop_);
    states_[layout::kMacroButtonDelay] = session_.DelayOption() ? 1 : 0;
    states_[layout::kMacroButtonLoop] = loop_ ? 1 : 0;
    FullPaint();
}

void CMacroRecordDlg::LoopCountChanged()
{
    // Once changed, the field takes typed counts again: three digits at most.
    loopCount_->setMaxLength(kLoopCountDigits);
    const int value = LoopCountValue();
    if (value == 0) {
        loopCount_->setText(QStringLiteral("1"));
        return;
    }
    const int selected = SelectedMacro();
    if (selected >= 0)
        (*working_)[static_cast<std::size_t>(selected)].SetRepeatCount(static_cast<std::uint16_t>(value));
}

void CMacroRecordDlg::SetLoop(bool on)
{
    loop_ = on;
    states_[layout::kMacroButtonLoop] = on ? 1 : 0;
    loopCount_->setEnabled(on);
    if (!on) loopCount_->setText(QStringLiteral("1"));
}

void CMacroRecordDlg::SynchroniseName(int row)
{
    if (row < 0 || row >= macroList_->count() || row >= static_cast<int>(kMacroRecordCount)) return;
    MacroRecord& record = (*working_)[static_cast<std::size_t>(row)];
    const QString text = macroList_->item(row)->text();
    // An unchanged name is left as stored, with whatever follows its end in the field.
    if (text.toStdU16String() == record.Name()) return;
    // An empty name would end the list of macros here: the list takes the old name back.
    if (!record.SetName(text.toStdU16String()) || text.size() > static_cast<qsizetype>(kMacroNameMaxLength))
        macroList_->item(row)->setText(QString::fromStdU16String(record.Name()));
}

void CMacroRecordDlg::NewMacro()
{
    if (macroList_->count() >= static_cast<int>(kMaxMacros)) return;
    std::vector<std::u16string> names;
    for (int i = 0; i < macroList_->count(); ++i)
        names.push_back(macroList_->item(i)->text().toStdU16String());
    const std::u16string name = NextFreeMacroName(names);
    int j = 0;
    {
        const QSignalBlocker block(macroList_);
        j = macroList_->AddItem(QString::fromStdU16String(name), 0);
        macroList_->setCurrentRow(j);
    }
    macroList_->viewport()->update();
    InsertEmptyRecord(*working_, static_cast<std::size_t>(j));
    numbering_.Inserted(static_cast<std::size_t>(j));
    session_.StopRecording();
    session_.EndCapture();
    session_.Clear();
    session_.SetDelayOption(false);
    ShowLines(-1);
    (*working_)[static_cast<std::size_t>(j)].SetName(name);
    loopCount_->setText(QStringLiteral("1"));
    LoopCountChanged(); // stores the count even when the text was already "1"
    RemoveHook();
    states_[layout::kMacroButtonDelay] = 0;
    SetLoop(false);
    FullPaint();
}

QString CMacroRecordDlg::KeysPlaying(int macro) const
{
    // A macro made in this opening has no keys yet.
    const std::optional<std::size_t> original = numbering_.OriginalAt(static_cast<std::size_t>(macro));
    if (!original) return {};
    QStringList names;
    for (std::size_t slot : KeysOnMacro(state_, *original))
        names << QString::fromStdString(SlotName(slot, codes_));
    return names.join(QStringLiteral(", "));
}

void CMacroRecordDlg::DeleteMacro()
{
    const int s = SelectedMacro();
    const QString keys = s >= 0 ? KeysPlaying(s) : QString();
    const QString question =
        keys.isEmpty() ? Text("Ausgewähltes Macro löschen?？", "Confirm to delete?")
                       : Text("Tasten mit diesem Macro: %1.\nTrotzdem löschen? Diese Tasten erhalten ihre "
                              "eigene Funktion zurück.",
                              "Keys playing this macro: %1.\nDelete it anyway? These keys get their own "
                              "function back.")
                             .arg(keys);
    if (!prompt_.AskOkCancel(this, QString::fromLatin1(kTitle), question)) return;
    if (s < 0) {
        Tell("Wähle ein Macro zum löschen aus\n", "Please select a Macro file to delete\n");
        return;
    }
    const int n = static_cast<int>(working_->CountInUse());
    const int last = n > 0 ? n - 1 : 0;
    macroList_->EndEditing(false);
    {
        const QSignalBlocker block(macroList_);
        delete macroList_->takeItem(s);
        macroList_->setCurrentRow(-1);
    }
    if (DeleteRecord(*working_, static_cast<std::size_t>(s))) numbering_.Deleted(static_cast<std::size_t>(s));
    RemoveHook();
    session_.StopRecording();
    session_.EndCapture();
    session_.Clear();
    ShowLines(-1);
    const int next = std::min(s, last - 1);
    if (next >= 0) {
        const QSignalBlocker block(macroList_);
        macroList_->setCurrentRow(next);
    }
    SelectionChanged(next);
    FullPaint();
}

void CMacroRecordDlg::Ok()
{
    RemoveHook();
    // A delay still being typed counts, as a rename does below.
    eventList_->EndEditing(true);
    const int selected = SelectedMacro();
    if (loop_ && selected >= 0)
        (*working_)[static_cast<std::size_t>(selected)].SetRepeatCount(
            static_cast<std::uint16_t>(LoopCountValue()));
    // A rename still being typed counts.
    macroList_->EndEditing(true);
    macros_ = *working_;
    committed_ = numbering_;
    done(QDialog::Accepted);
}

// ---- Recorder

void CMacroRecordDlg::RecordButton()
{
    const int selected = SelectedMacro();
    if (selected < 0) {
        Tell("Wähle ein Macro zum aufnehmen aus", "Select a Macro file to record \n");
        return;
    }
    if (!session_.Recording()) {
        InstallHook();
        session_.StartRecording();
        ShowLines(-1);
        (*working_)[static_cast<std::size_t>(selected)].SetEvents(MacroEvents{});
        FullPaint();
    } else {
        EndRecording();
    }
}

bool CMacroRecordDlg::StopsRecording(std::uint8_t key, bool release) const
{
    // Only a Space into this window, while the keyboard (not the mouse) is at the button.
    return key == kSpaceKey && !release && session_.Recording() && !session_.CapturePending() &&
           isActiveWindow() && FocusMarkShown() && FocusedControl() == ControlId(layout::kMacroButtonRecord);
}

void CMacroRecordDlg::HookKey(std::uint8_t key, bool release, std::optional<std::uint32_t> time)
{
    if (StopsRecording(key, release)) {
        // The key that presses Stop Recording is not part of the macro.
        stopKeyHeld_ = true;
        EndRecording();
        return;
    }
    if (session_.CapturePending()) {
        const auto at = static_cast<int>(session_.CaptureLine());
        const KeyOutcome outcome = session_.Capture(key, release);
        // A capture during a recording ends the recording's key intake with the hook.
        if (outcome == KeyOutcome::kCaptureEnded || outcome == KeyOutcome::kCaptureNoRoom) EndRecording();
        const bool inserted = outcome == KeyOutcome::kCaptured || outcome == KeyOutcome::kCaptureEnded;
        ShowLines(SelectedLine(), inserted ? at : -1);
        if (outcome == KeyOutcome::kCaptureNoRoom) {
            QTimer::singleShot(0, this, [this] {
                Tell("Das Macro ist voll: es passen keine weiteren Ereignisse hinein.",
                     "The macro is full: no more events fit into it.");
            });
        }
    } else if (hookInstalled_ && session_.Recording()) {
        if (session_.Record(key, release, time) == KeyOutcome::kAppended)
            ShowLines(static_cast<int>(session_.Lines().size()) - 1);
        if (session_.RecordingFull() && !session_.KeysDown()) {
            EndRecording();
            // Told after the key message, outside the hook's delivery.
            QTimer::singleShot(0, this, [this] {
                Tell("Das Macro ist voll: Aufnahme gestoppt.", "The macro is full: recording stopped.");
            });
        }
    }
    WriteBack();
}

// ---- Event list editing

void CMacroRecordDlg::ShowEditMenu(const QPoint& globalPos, bool byKeyboard)
{
    if (menu_ != nullptr) menu_->close();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("macroEditMenu"));
    auto add = [this](QMenu* to, const char* german, const char* english, int command) {
        QAction* action = to->addAction(Text(german, english));
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { Command(command); });
    };
    add(menu, "Vorher aufnehmen", "Insert Before", kCmdInsertBefore);
    add(menu, "Nachher aufnehmen", "Insert After", kCmdInsertAfter);
    QMenu* mouse = menu->addMenu(Text("Maus Funktion umdrehen", "Insert Mouse Key"));
    struct Button
    {
        const char* german;
        const char* english;
        int first;
    };
    const Button buttons[] = {
        {"Linksklick", "Left", 0}, {"Rechtsklick", "Right", 3}, {"mittlerer Klick", "Middle", 6}};
    for (const Button& button : buttons) {
        QMenu* sub = mouse->addMenu(Text(button.german, button.english));
        add(sub, "Unten", "Down", kMouseCommands[button.first].command);
        add(sub, "Oben", "Up", kMouseCommands[button.first + 1].command);
        add(sub, "klicken", "Click", kMouseCommands[button.first + 2].command);
    }
    add(menu, "Verzögerung einfügen", "Insert Delay", kCmdInsertDelay);
    add(menu, "Löschen", "Delete", kCmdDeleteLine);
    menu_ = menu;
    menu->popup(globalPos);
    if (byKeyboard) menu->setActiveAction(menu->actions().constFirst());
}

void CMacroRecordDlg::Command(int command)
{
    switch (command) {
    case kCmdInsertBefore:
    case kCmdInsertAfter:
        StartCapture(command == kCmdInsertAfter);
        return;
    case kCmdInsertDelay: {
        const int line = SelectedLine();
        if (line < 0) return;
        const EditOutcome outcome = session_.InsertDelay(static_cast<std::size_t>(line));
        if (outcome == EditOutcome::kOnDelayLine) {
            Tell("Bitte editiere die ausgewählte Verzögerung", "Please edit current delay\n");
            return;
        }
        if (outcome != EditOutcome::kDone) return;
        WriteBack();
        ShowLines(-1);
        return;
    }
    case kCmdDeleteLine: {
        const int line = SelectedLine();
        if (SelectedMacro() < 0 || line < 0) return;
        if (session_.DeleteLine(static_cast<std::size_t>(line)) != EditOutcome::kDone) return;
        WriteBack();
        ShowLines(-1);
        return;
    }
    default:
        InsertMouse(command);
        return;
    }
}

void CMacroRecordDlg::StartCapture(bool after)
{
    const int line = SelectedLine();
    if (line < 0) return;
    const auto at = static_cast<std::size_t>(line);
    session_.StartCapture(after ? session_.InsertAfterLine(at) : session_.InsertBeforeLine(at));
    InstallHook();
}

void CMacroRecordDlg::InsertMouse(int command)
{
    const auto found = std::find_if(std::begin(kMouseCommands), std::end(kMouseCommands),
                                    [command](const MouseCommand& c) { return c.command == command; });
    if (found == std::end(kMouseCommands)) return;
    const int line = SelectedLine();
    if (SelectedMacro() < 0 || line < 0) return;
    const std::size_t linesBefore = session_.Lines().size();
    const EditOutcome outcome =
        session_.InsertMouse(static_cast<std::size_t>(line), found->button, found->action);
    if (outcome == EditOutcome::kNoRoom) {
        Tell("Das Macro ist voll: es passen keine weiteren Ereignisse hinein.",
             "The macro is full: no more events fit into it.");
        return;
    }
    WriteBack();
    // The last of the lines inserted after the selected line's event.
    const std::size_t last =
        session_.After(static_cast<std::size_t>(line)) + session_.Lines().size() - linesBefore - 1;
    ShowLines(line, static_cast<int>(last));
}

void CMacroRecordDlg::DelayEdited(std::size_t line, std::uint16_t pause)
{
    if (session_.Lines().empty()) return;
    const EditOutcome outcome = session_.EditDelay(line, pause);
    if (outcome == EditOutcome::kDone) {
        WriteBack();
        return;
    }
    // The list box puts the typed value in after this returns; the lines then show the macro
    // again as it is.
    QTimer::singleShot(0, this, [this, line] { ShowLines(static_cast<int>(line)); });
    if (outcome == EditOutcome::kNoRoom) {
        QTimer::singleShot(0, this, [this] {
            Tell("Das Macro ist voll: es passen keine weiteren Ereignisse hinein.",
                 "The macro is full: no more events fit into it.");
        });
    }
}

// ---- Messages, mouse and painting

std::intptr_t CMacroRecordDlg::WindowMessage(std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam)
{
    switch (message) {
    case UM_HOOK_KEY:
        HookKey(static_cast<std::uint8_t>(wParam & 0xFF),
                (static_cast<std::uint32_t>(lParam) & kHookKeyReleased) != 0, MessageTime());
        return 0;
    case UM_LIST_EDIT_BEGIN:
        EndRecording();
        session_.EndCapture();
        return 0;
    case UM_LIST_ITEM_EDITED:
        if (eventList_->EditingIndex() >= 0)
            DelayEdited(wParam, static_cast<std::uint16_t>(std::clamp<std::intptr_t>(lParam, 0, kMaxPause)));
        else if (macroList_->EditingIndex() >= 0)
            SynchroniseName(static_cast<int>(lParam)); // a rename: the new index
        return 0;
    default:
        return SkinnedDialog::WindowMessage(message, wParam, lParam);
    }
}

void CMacroRecordDlg::Click(int entry)
{
    switch (entry) {
    case layout::kMacroButtonRecord:
        RecordButton();
        break;
    case layout::kMacroButtonDelay:
        session_.SetDelayOption(!session_.DelayOption());
        states_[layout::kMacroButtonDelay] = session_.DelayOption() ? 1 : 0;
        FullPaint();
        break;
    case layout::kMacroButtonLoop:
        SetLoop(!loop_);
        FullPaint();
        break;
    case layout::kMacroButtonNew:
        NewMacro();
        break;
    case layout::kMacroButtonDelete:
        DeleteMacro();
        break;
    case layout::kMacroButtonOk:
        Ok();
        break;
    case layout::kMacroButtonCancel:
        done(QDialog::Rejected);
        break;
    case layout::kMacroButtonCloseBox:
        // The caller is told OK but the store stays as it was.
        done(QDialog::Accepted);
        break;
    default:
        break;
    }
}

void CMacroRecordDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = true;
        pressGlobal_ = event->globalPosition().toPoint();
        windowAtPress_ = pos();
    }
    SkinnedDialog::mousePressEvent(event);
}

void CMacroRecordDlg::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const int h = ButtonAt(point.x(), point.y());
    if (h != hover_) {
        hover_ = h;
        const bool hoverButton = h == layout::kMacroButtonRecord ||
                                 (h >= layout::kMacroButtonNew && h <= layout::kMacroButtonCancel);
        if (h == -1 || hoverButton) {
            for (int entry : {0, 3, 4, 5, 6})
                states_[static_cast<std::size_t>(entry)] = entry == h ? 1 : 0;
            FullPaint();
        }
        return;
    }
    // Pressing on an empty place and dragging moves the borderless window.
    if (h != -1 || !leftHeld_ || !(event->buttons() & Qt::LeftButton)) return;
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        leftHeld_ = false;
    } else {
        move(windowAtPress_ + (event->globalPosition().toPoint() - pressGlobal_));
    }
}

void CMacroRecordDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        SkinnedDialog::mouseReleaseEvent(event);
        return;
    }
    leftHeld_ = false;
    const QPoint point = event->position().toPoint();
    hover_ = ButtonAt(point.x(), point.y());
    Click(hover_);
}

void CMacroRecordDlg::keyPressEvent(QKeyEvent* event)
{
    if (!IgnoreEndingKey(event)) SkinnedDialog::keyPressEvent(event);
}

bool CMacroRecordDlg::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool stopKey = stopKeyHeld_ && key->key() == Qt::Key_Space;
        if (stopKey && event->type() == QEvent::KeyRelease && !key->isAutoRepeat()) stopKeyHeld_ = false;
        // While recording, typed keys belong to the macro: no Tab, Space or arrow moves or presses
        // a control of the window.
        if (event->type() == QEvent::KeyPress && (hookInstalled_ || stopKey)) {
            event->accept();
            return true;
        }
    }
    return SkinnedDialog::event(event);
}

bool CMacroRecordDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && watched == eventList_->viewport()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The menu's commands act on the selected line: the line under the pointer becomes
            // it. Below the last line the selection stays as it is.
            eventList_->EndEditing(true);
            if (QListWidgetItem* line = eventList_->itemAt(mouse->position().toPoint()))
                eventList_->setCurrentItem(line);
            ShowEditMenu(mouse->globalPosition().toPoint());
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        // While recording, typed keys belong to the macro, not to the dialog's controls.
        if (hookInstalled_) return true;
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        // The menu key, or Shift+F10, opens the event list's menu at the selected line.
        const bool menuKey =
            key == Qt::Key_Menu || (key == Qt::Key_F10 && keyEvent->modifiers() == Qt::ShiftModifier);
        if (watched == eventList_ && menuKey && eventList_->EditingIndex() < 0) {
            const int line = SelectedLine();
            const QRect rect = line >= 0 ? eventList_->visualItemRect(eventList_->item(line)) : QRect();
            const QPoint at = line >= 0 && eventList_->viewport()->rect().intersects(rect) ? rect.bottomLeft()
                                                                                           : QPoint(0, 0);
            ShowEditMenu(eventList_->viewport()->mapToGlobal(at), true);
            return true;
        }
        const bool editing = macroList_->EditingIndex() >= 0 || eventList_->EditingIndex() >= 0;
        if (!editing && EndsDialog(key)) return true;
    }
    return SkinnedDialog::eventFilter(watched, event);
}

DrawnControlList CMacroRecordDlg::ListControls() const
{
    DrawnControlList controls;
    auto widget = [&](QWidget* w) { controls.emplace_back().widget = w; };
    auto entry = [&](int index, QAccessible::Role role, const QString& name) -> DrawnControl& {
        const layout::Rect& r = layout::kMacroButtons[index].rect;
        DrawnControl& control = controls.emplace_back();
        control.id = ControlId(index);
        control.role = role;
        control.name = name;
        control.rect = QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
        return control;
    };
    widget(macroList_);
    widget(eventList_);
    entry(layout::kMacroButtonRecord, QAccessible::Button,
          session_.Recording() ? Text("Aufnahme stoppen", "Stop Recording")
                               : Text("Aufnahme starten", "Start Recording"));
    DrawnControl& delay = entry(layout::kMacroButtonDelay, QAccessible::CheckBox,
                                Text("Verzögerung zwischen Tastenanschlägen", "Delay between keystrokes"));
    delay.checked = session_.DelayOption();
    if (hook_ != nullptr && hook_->CapturesOnlyWhenFocused()) {
        DrawnControl& note = controls.emplace_back();
        note.id = kFocusNoteControl;
        note.role = QAccessible::StaticText;
        note.name = QString::fromUtf8(FocusCaptureNote(language_ == kLanguageGerman));
        note.rect = kFocusNoteBox;
        note.focusable = false;
    }
    entry(layout::kMacroButtonLoop, QAccessible::CheckBox, Text("Schleife", "Loop")).checked = loop_;
    widget(loopCount_);
    entry(layout::kMacroButtonNew, QAccessible::Button, Text("Neu", "New"));
    entry(layout::kMacroButtonDelete, QAccessible::Button, Text("Löschen", "Delete"));
    entry(layout::kMacroButtonOk, QAccessible::Button, QStringLiteral("OK"));
    entry(layout::kMacroButtonCancel, QAccessible::Button, Text("Abbrechen", "Cancel"));
    entry(layout::kMacroButtonCloseBox, QAccessible::Button, Text("Schließen", "Close"));
    return controls;
}

void CMacroRecordDlg::PaintElements(QPainter& painter)
{
    const QString folder = SkinFolder();
    const bool german = language_ == kLanguageGerman;
    auto image = [&](int entry) {
        const layout::ImageButton& button = layout::kMacroButtons[entry];
        const char* name =
            states_[static_cast<std::size_t>(entry)] != 0 ? button.hoverImage : button.normalImage;
        DrawSkinImage(painter, folder, QString::fromLatin1(name), button.rect.left, button.rect.top);
    };
    auto text = [&](const TextAt& t, bool shrinkToFit = false) {
        const QString line = QString::fromUtf8(german ? t.german : t.english);
        const int x = german ? t.xGerman : t.xEnglish;
        int height = german ? t.heightGerman : t.heightEnglish;
        if (shrinkToFit)
            height = FittingTextHeight(line, height, t.place.right + 1 - kRecordTextRightGap - x);
        DrawSkinText(painter, line, x, t.y, 0, kWhite, height, AreaOf(t.place));
    };
    image(layout::kMacroButtonRecord);
    const bool recording = session_.Recording();
    const layout::Rect record = layout::kMacroButtons[layout::kMacroButtonRecord].rect;
    text(recording ? TextAt{"Stop Recording", "Aufnahme stoppen", 257, 258, 103, 15, 14, record}
                   : TextAt{"Start Recording", "Aufnahme starten", 257, 258, 103, 15, 14, record},
         true);
    for (const TextAt& t : kDelayTexts)
        text(t);
    states_[layout::kMacroButtonLoop] = loop_ ? 1 : 0;
    image(layout::kMacroButtonLoop);
    text(kLoopText);
    for (int entry = layout::kMacroButtonNew; entry <= layout::kMacroButtonCancel; ++entry)
        image(entry);
    for (const TextAt& t : kBottomTexts)
        text(t);
    states_[layout::kMacroButtonDelay] = session_.DelayOption() ? 1 : 0;
    image(layout::kMacroButtonDelay);
    // Said before a recording starts, so nobody types into another window for nothing.
    if (hook_ != nullptr && hook_->CapturesOnlyWhenFocused())
        DrawSkinTextWrapped(painter, QString::fromUtf8(FocusCaptureNote(german)), kFocusNoteBox,
                            kFocusNoteColour, kFocusNoteHeight);
}

} // namespace corvane
