#include "keys/ui/CKeyMap.h"

#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "keys/KeyCapture.h"
#include "keys/NamedFunctionTable.h"
#include "keys/ui/LaunchChooser.h"
#include "macros/MacroStore.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/VividTree.h"
#include "uikit/Prompt.h"
#include "uikit/Texts.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <span>

namespace corvane {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kGrey = 0xC0C0C0;
constexpr std::uint32_t kRed = 0x0000FF;
constexpr int kPageTextHeight = 15;
constexpr int kPageCount = 4;
constexpr int kLaunchRows = layout::kLaunchRowCount;
// Launch paths hold 255 units and a terminator.
constexpr qsizetype kLaunchPathLimit = static_cast<qsizetype>(rec::kLaunchPathUnits - 1);
// A path shown in a row is cut to its file name from this length on.
constexpr qsizetype kShortenFrom = 14;

// Where the one line about focused capture stands on the first page.
constexpr layout::Point kFocusNote{13, 228};
// Under the line a key could not be captured into.
constexpr int kRefusedNoteX = 13;
constexpr int kRefusedNoteGap = 4;
// Under the macro list, for macros the keyboard has no slot for.
constexpr layout::Point kMacroSlotNote{12, 316};

const char* const kCaptionsEnglish[kPageCount] = {"Single/Combine", "Macro", "Basic", "Advance"};
const char* const kCaptionsGerman[kPageCount] = {"Single/Combine", "Macro", "Einfach", "Fortgeschritten"};
constexpr int kCaptionXEnglish[kPageCount] = {2, 123, 220, 314};
constexpr int kCaptionXGerman[kPageCount] = {2, 123, 220, 295};

struct LaunchRowText
{
    const char* german;
    const char* english;
};
constexpr LaunchRowText kLaunchCaptions[kLaunchRows] = {
    {"Spiel Musik", "Play music"},
    {"Autostart", "Startup"},
    {"Datei öffnen", "Open file"},
    {"Ordner öffnen", "Open folder"},
};

struct TreeEntry
{
    const char* text;
    bool category;
};

// Each button caption with its x and cell height: "Rücksetzen" one step smaller than the others
// and a little further left, so that it stays on its button.
struct ButtonCaption
{
    const char* text;
    int x;
    int height;
};
constexpr ButtonCaption kButtonCaptionsEnglish[3] = {
    {"Reset", 151, 15}, {"Close", 241, 15}, {"Save", 331, 15}};
constexpr ButtonCaption kButtonCaptionsGerman[3] = {
    {"Rücksetzen", 134, 13}, {"Schließen", 228, 14}, {"Speichern", 318, 14}};
// The check box caption ends before the Reset button; the German one a step smaller to fit.
constexpr int kDisableCaptionHeightEnglish = 14;
constexpr int kDisableCaptionHeightGerman = 12;
// Row captions of the launch page end before the path box: the German ones a step smaller.
constexpr int kLaunchCaptionHeightGerman = 12;
constexpr int kLaunchCaptionGap = 2;
// The path is written inside its box, whose right edge is a 3-pixel rim.
constexpr int kLaunchPathRight = layout::kLaunchPathBoxOrigin.x + 226;
constexpr int kLaunchPathHeight = 25;
// The title strip ends at the close mark.
constexpr int kTitleStripHeight = 28;
constexpr int kCaptionHeight = 18;
constexpr int kCaptionGap = 2;
constexpr int kPageLabelHeight = 16;
constexpr int kNoteHeight = 20;
constexpr char kRefusedGerman[] = "Diese Taste kann hier nicht zugewiesen werden.";
constexpr char kRefusedEnglish[] = "This key cannot be assigned here.";

const QString kControlStyle = QStringLiteral("background: black; color: white; border: none;");

constexpr std::uint8_t kTabKey = 0x09;
constexpr std::uint8_t kSpaceKey = 0x20;

bool IsModifierKey(std::uint8_t key)
{
    return (key >= 0x10 && key <= 0x12) || (key >= 0xA0 && key <= 0xA5) || key == 0x5B || key == 0x5C;
}

// Ids of the drawn controls: stable while the dialog is open.
enum ControlId : int {
    kCaptionId = 1,
    kFirstTabId = 10,
    kRefusedNoteId = 20,
    kFocusNoteId = 21,
    kMacroNoteId = 30,
    kFirstLaunchId = 40, // + 4 x row + part: mark, path text, browse
    kDisableId = 60,
    kResetId = 70,
    kCloseId = 71,
    kSaveId = 72,
    kCloseMarkId = 80,
};
// The page tabs and the launch options are each one Tab stop, walked with the arrows; the buttons
// are stops of their own.
enum ControlGroup : int { kNoGroup = 0, kTabGroup = 1, kLaunchMarkGroup = 2 };

} // namespace

CKeyMap::CKeyMap(const SettingsState& state, const MacroStore& macros, const KeyCodeTable& codes,
                 Prompt& prompt, KeyboardHook* hook, std::uint16_t language, QWidget* parent)
    : SkinnedDialog(parent), state_(state), macros_(macros), codes_(codes), prompt_(prompt), hook_(hook),
      language_(language), hookWindow_(this), fileDialogs_(std::make_unique<LaunchFileDialogs>()),
      chooser_(fileDialogs_.get())
{
    setWindowTitle(QStringLiteral("Corvane Keyboard: key"));
    setMouseTracking(true);

    tree_ = new VividTree(this);
    tree_->setObjectName(QStringLiteral("functionTree"));
    single_ = new QLineEdit(this);
    single_->setObjectName(QStringLiteral("singleKeyEdit"));
    combination_ = new QLineEdit(this);
    combination_->setObjectName(QStringLiteral("combinationEdit"));
    for (QLineEdit* edit : {single_, combination_}) {
        edit->setAlignment(Qt::AlignCenter);
        edit->setFrame(false);
        edit->setStyleSheet(kControlStyle);
        edit->installEventFilter(this);
    }
    macroList_ = new QListWidget(this);
    macroList_->setObjectName(QStringLiteral("macroList"));
    macroList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    macroList_->setSelectionMode(QAbstractItemView::SingleSelection);
    macroList_->setStyleSheet(QStringLiteral("QListWidget { %1 }").arg(kControlStyle));
    macroList_->installEventFilter(this);
    tree_->installEventFilter(this);
    NameControls();
    // Where the hook takes only this window's own keys, those that work the window pass.
    hookWindow_.SetPassing([this](const QKeyEvent& key) {
        const KeyKind kind = key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab ? KeyKind::kTab
                             : key.key() == Qt::Key_Space                             ? KeyKind::kSpace
                                                                                      : KeyKind::kOther;
        return UseOfKey(kind) == KeyUse::kDialog;
    });
    unused_.selectedKeySlot = 0;
    result_ = &unused_;
}

CKeyMap::~CKeyMap()
{
    if (hookInstalled_ && hook_ != nullptr) hook_->removehook();
}

QString CKeyMap::Text(const char* german, const char* english) const
{
    return PickText(language_, german, english);
}

QString CKeyMap::Label(std::uint8_t key) const
{
    return QString::fromStdString(codes_.Label(key));
}

bool CKeyMap::Open(AssignmentResult& result)
{
    // A second opening would take the running one's result over and leave it pointing at the
    // caller's finished one.
    if (isVisible()) return false;
    Prepare(result);
    // The template asks for no place: stand over the window the user clicked in.
    if (QWidget* owner = QApplication::activeWindow(); owner != nullptr && owner != this)
        move(owner->geometry().center() - QPoint(width() / 2, height() / 2));
    // Shown by exec itself: a window shown before exec is not modal, and the main window would
    // go on taking clicks.
    const bool accepted = exec() == QDialog::Accepted;
    // The caller's result ends with this call; nothing may reach it afterwards.
    result_ = &unused_;
    return accepted;
}

void CKeyMap::Begin(AssignmentResult& result)
{
    Prepare(result);
    show();
}

void CKeyMap::Prepare(AssignmentResult& result)
{
    result_ = &result;
    setResult(0);
    Initialise();
}

void CKeyMap::done(int code)
{
    if (hookInstalled_) {
        if (hook_ != nullptr) hook_->removehook();
        hookInstalled_ = false;
    }
    leftHeld_ = false;
    SkinnedDialog::done(code);
}

void CKeyMap::Initialise()
{
    AssignmentResult& result = *result_;
    SetSkin(SkinFolderPath(SkinWindow::KeyAssignment, language_),
            SkinBackgroundName(SkinWindow::KeyAssignment));
    setFixedSize(BackgroundSize());

    hover_.fill(0);
    auto place = [](QWidget* control, const layout::Placement& at) {
        control->setGeometry(at.x, at.y, at.width, at.height);
    };
    place(tree_, layout::kKeyFunctionTree);
    place(single_, layout::kKeySingleEdit);
    place(combination_, layout::kKeyCombinationEdit);
    place(macroList_, layout::kKeyMacroList);
    tree_->LoadTreeImages();

    const std::size_t slot = std::min<std::size_t>(result.selectedKeySlot, kKeySlotCount - 1);
    const KeyRecord& record = state_.records[slot];
    // The tree shows the key's own function, or none: a function chosen for another key would
    // otherwise stand selected, and Save would give it to this one.
    QString ownFunction;
    if (record.Kind() == KeyFunctionKind::kNamedFunction) {
        const std::span<const std::uint8_t, 4> code(record.Data(), 4);
        const NamedFunction* function = FindNamedFunction(code);
        functionName_ = function != nullptr ? FunctionText(*function) : QString();
        ownFunction = functionName_;
    }
    FillTree(ownFunction);

    macroList_->hide();
    macroList_->clear();
    // A key can play only a macro that the keyboard holds in one of its slots.
    const std::vector<std::u16string> names = macros_.Names();
    for (std::size_t i = 0; i < MacrosWithSlots(macros_); ++i)
        macroList_->addItem(QString::fromStdU16String(names[i]));

    single_->clear();
    combination_->clear();
    ClearCapturedKeys();
    selectedRow_ = kNone;
    markedOption_ = kNone;
    initialFocusGuard_ = false;
    lastFocusedEdit_ = nullptr;
    visited_ = nullptr;
    progress_ = {};
    ForgetModifiers();
    browseHover_ = -1;
    leftHeld_ = false;

    result.kind = record.Kind();
    result.count = record.Count();
    PreparePage(record);

    const bool enabled = IsKeyEnabled(state_.image, DeviceKeyIndex(slot));
    disableTicked_ = !enabled;
    result.keyEnabled = enabled;

    hookInstalled_ = hook_ != nullptr && hook_->installhook(hookWindow_, kHookModeKeyStroke);
    // Captured keys are never typed: a caret would only blink, waking the program twice a second.
    single_->setReadOnly(hookInstalled_);
    combination_->setReadOnly(hookInstalled_);
    FullPaint();
}

void CKeyMap::FillTree(const QString& selected)
{
    tree_->clear();
    QTreeWidgetItem* category = nullptr;
    for (const NamedFunction& function : NamedFunctionTable) {
        const QString name = FunctionText(function);
        QTreeWidgetItem* parent = nullptr;
        if (!function.category.empty()) {
            const QString categoryName =
                QString::fromUtf8(function.category.data(), static_cast<qsizetype>(function.category.size()));
            if (category == nullptr || category->text(0) != categoryName)
                category = new QTreeWidgetItem(tree_, QStringList{categoryName});
            parent = category;
        } else {
            category = nullptr;
        }
        auto* item = parent != nullptr ? new QTreeWidgetItem(parent, QStringList{name})
                                       : new QTreeWidgetItem(tree_, QStringList{name});
        if (!selected.isEmpty() && name == selected) {
            if (parent != nullptr) parent->setExpanded(true);
            tree_->setCurrentItem(item);
        }
    }
}

void CKeyMap::PreparePage(const KeyRecord& record)
{
    AssignmentResult& result = *result_;
    const std::uint8_t* data = record.Data();
    switch (record.Kind()) {
    case KeyFunctionKind::kSingleKey:
    case KeyFunctionKind::kCombination: {
        const bool single = record.Kind() == KeyFunctionKind::kSingleKey;
        QLineEdit* edit = single ? single_ : combination_;
        const QString text = single ? Label(data[0]) : CombinationText(data);
        page_ = 0;
        edit->setText(text);
        // The focus arrives while the guard is still clear, so it empties the list first.
        EditFocused(edit, Qt::OtherFocusReason);
        edit->setFocus(Qt::OtherFocusReason);
        edit->setCursorPosition(static_cast<int>(edit->text().size()));
        std::copy(data, data + rec::kDataSize, result.keys.begin());
        initialFocusGuard_ = true;
        break;
    }
    case KeyFunctionKind::kMacro:
        if (data[0] == 4) {
            page_ = 1;
            macroList_->show();
            macroList_->setFocus(Qt::OtherFocusReason);
            if (data[2] < macroList_->count())
                macroList_->setCurrentRow(data[2]);
            else
                macroList_->setCurrentRow(-1);
        } else {
            page_ = 0;
        }
        break;
    case KeyFunctionKind::kNamedFunction:
        page_ = 2;
        break;
    case KeyFunctionKind::kPlayMusic:
    case KeyFunctionKind::kStartProgram:
    case KeyFunctionKind::kOpenFile:
    case KeyFunctionKind::kOpenFolder:
        page_ = 3;
        result.launchPath = record.LaunchPath();
        selectedRow_ = static_cast<std::uint8_t>(static_cast<int>(record.Kind()) - 4);
        markedOption_ = static_cast<std::uint8_t>(selectedRow_ * 4);
        break;
    default:
        page_ = 0;
        break;
    }
}

void CKeyMap::ClearCapturedKeys()
{
    result_->keys.fill(0);
    result_->count = 0;
    ShowRefused(nullptr);
}

void CKeyMap::ShowRefused(QLineEdit* line)
{
    if (refusedIn_ == line) return;
    refusedIn_ = line;
    FullPaint();
}

void CKeyMap::EditFocused(QLineEdit* edit, Qt::FocusReason reason)
{
    const bool single = edit == single_;
    const KeyFunctionKind kind = single ? KeyFunctionKind::kSingleKey : KeyFunctionKind::kCombination;
    if (page_ != 0) return;
    // The window coming back to the front gives the edit its focus again; that is not the user
    // picking the edit, and must not throw away keys captured while another window was in front.
    if ((reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) &&
        edit == lastFocusedEdit_) {
        initialFocusGuard_ = false;
        return;
    }
    lastFocusedEdit_ = edit;
    ForgetModifiers();
    progress_ = {};
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
        // Passing through with Tab picks nothing: what the lines hold stays until a key is typed.
        visited_ = edit;
        initialFocusGuard_ = false;
        return;
    }
    visited_ = nullptr;
    // A click picks the line to capture in: Tab is a key there from the first.
    progress_.armed = reason == Qt::MouseFocusReason;
    if (initialFocusGuard_ && result_->kind == kind) {
        initialFocusGuard_ = false;
        return;
    }
    ChooseLine(edit);
}

void CKeyMap::ChooseLine(QLineEdit* edit)
{
    const bool single = edit == single_;
    visited_ = nullptr;
    lastFocusedEdit_ = edit;
    result_->kind = single ? KeyFunctionKind::kSingleKey : KeyFunctionKind::kCombination;
    ClearCapturedKeys();
    (single ? combination_ : single_)->clear();
}

QLineEdit* CKeyMap::FocusedLine() const
{
    QWidget* focused = focusWidget();
    if (page_ == 0 && (focused == single_ || focused == combination_))
        return static_cast<QLineEdit*>(focused);
    return nullptr;
}

CKeyMap::KeyUse CKeyMap::UseOfKey(KeyKind key) const
{
    if (!hookInstalled_) return KeyUse::kDialog;
    // Keys typed in another window are captured, as the hook is there for.
    if (!isActiveWindow()) return KeyUse::kCapture;
    if (QLineEdit* line = FocusedLine()) {
        if (key == KeyKind::kTab && TabLeaves(line)) return KeyUse::kDialog;
        if (key == KeyKind::kSpace && line == visited_) return KeyUse::kDialog;
        return KeyUse::kCapture;
    }
    // A tab, the check box, a button, the list or the tree: the keys work them.
    QWidget* focused = focusWidget();
    if (FocusedControl() || (focused != nullptr && focused != this)) return KeyUse::kDialog;
    return key == KeyKind::kTab ? KeyUse::kDialog : KeyUse::kCapture;
}

bool CKeyMap::LineHolds(QLineEdit* line, std::uint8_t key) const
{
    const AssignmentResult& result = *result_;
    if (line == single_) return result.count > 0 && result.keys[0] == key;
    const int count = std::clamp<int>(result.count, 0, 3);
    return std::find(result.keys.begin(), result.keys.begin() + count, key) != result.keys.begin() + count;
}

bool CKeyMap::TabLeaves(QLineEdit* line) const
{
    // Judged by what the line held before the modifier keys just pressed, so Shift+Tab is a move.
    const CaptureProgress& progress = beforeModifiers_ ? beforeModifiers_->progress : progress_;
    if (progress.taken == 0 && !progress.armed) return true;
    if (progress.finished) return true;
    const std::int32_t count = beforeModifiers_ ? beforeModifiers_->count : result_->count;
    const auto& keys = beforeModifiers_ ? beforeModifiers_->keys : result_->keys;
    if (line == single_) return progress.taken > 0;
    const auto held = keys.begin() + std::clamp<int>(count, 0, 3);
    return count >= 3 || std::find(keys.begin(), held, kTabKey) != held;
}

void CKeyMap::ForgetModifiers()
{
    beforeModifiers_.reset();
    swallowTab_ = false;
}

void CKeyMap::RestoreBeforeModifiers()
{
    if (!beforeModifiers_) return;
    const LineSnapshot before = *beforeModifiers_;
    beforeModifiers_.reset();
    result_->keys = before.keys;
    result_->count = before.count;
    result_->kind = before.kind;
    single_->setText(before.single);
    combination_->setText(before.combination);
    progress_ = before.progress;
    visited_ = before.visited;
    ShowRefused(nullptr);
}

void CKeyMap::TakeLineKey(QLineEdit* line, std::uint8_t key)
{
    // Pressed again, a key the line holds ends the capture; twice in one combination means nothing.
    if (progress_.taken > 0 && key != kUnnamedKey && LineHolds(line, key)) {
        beforeModifiers_.reset();
        progress_.finished = true;
        return;
    }
    if (!IsModifierKey(key)) {
        beforeModifiers_.reset();
    } else if (!beforeModifiers_) {
        beforeModifiers_ = LineSnapshot{result_->keys,        result_->count, result_->kind, single_->text(),
                                        combination_->text(), progress_,      visited_};
    }
    if (line == visited_) ChooseLine(line);
    if (!CaptureKey(key)) return;
    ++progress_.taken;
    progress_.finished = false;
    // The window sees this Tab after the hook: it is a key here, not a move.
    if (key == kTabKey) swallowTab_ = isActiveWindow() && !hook_->CapturesOnlyWhenFocused();
}

bool CKeyMap::LineKeyPress(QLineEdit* line, QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        if (std::exchange(swallowTab_, false) || !TabLeaves(line)) return true;
        RestoreBeforeModifiers();
        focusNextPrevChild(key == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        return true;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Space && modifiers == Qt::NoModifier && line == visited_ && !event->isAutoRepeat()) {
        // Space starts capturing in a visited line, which begins empty: Tab and Space are keys there.
        ChooseLine(line);
        line->clear();
        progress_ = {};
        progress_.armed = true;
        ForgetModifiers();
    }
    return true;
}

bool CKeyMap::CaptureKey(std::uint8_t key)
{
    AssignmentResult& result = *result_;
    const bool single = result.kind == KeyFunctionKind::kSingleKey;
    if (!single && result.kind != KeyFunctionKind::kCombination) return false;
    // A key the keyboard has no code for is left out, and the line it was meant for says so.
    QLineEdit* const line = single ? single_ : combination_;
    const bool taken = corvane::CaptureKey(result, key, codes_);
    ShowRefused(taken ? nullptr : line);
    if (!taken) return false;
    const QString text = single ? Label(key) : CombinationText(result.keys.data());
    line->setText(text);
    line->setCursorPosition(static_cast<int>(text.size()));
    return true;
}

QString CKeyMap::FunctionText(const NamedFunction& function)
{
    return QString::fromUtf8(function.name.data(), static_cast<qsizetype>(function.name.size()));
}

QString CKeyMap::CombinationText(const std::uint8_t* keys) const
{
    if (const NamedFunction* media = CombinationMediaKey(keys, codes_))
        return FunctionText(*media) +
               Text(" (eine Medientaste wirkt nur allein)", " (a media key works only alone)");
    QString text;
    for (std::uint8_t key : CombinationKeys(keys)) {
        if (!text.isEmpty()) text += QStringLiteral("+ ");
        text += Label(key);
    }
    return text;
}

std::intptr_t CKeyMap::WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t)
{
    if (message != UM_HOOK_KEY || !hookInstalled_) return 0;
    const auto key = static_cast<std::uint8_t>(wParam & 0xFF);
    const KeyKind kind = key == kTabKey     ? KeyKind::kTab
                         : key == kSpaceKey ? KeyKind::kSpace
                                            : KeyKind::kOther;
    if (UseOfKey(kind) == KeyUse::kDialog) return 0;
    if (QLineEdit* line = FocusedLine())
        TakeLineKey(line, key);
    else
        CaptureKey(key);
    return 0;
}

std::uint8_t CKeyMap::ButtonAt(int x, int y)
{
    const layout::Rect box = layout::kKeyButtons[layout::kKeyButtonDisable].rect;
    const int m = layout::kKeyDisableHitMargin;
    if (layout::Rect{box.left - m, box.top - m, box.right + m, box.bottom + m}.Contains(x, y))
        return layout::kKeyButtonDisable;
    for (int entry = 0; entry < layout::kKeyButtonCount; ++entry)
        if (layout::kKeyButtons[entry].rect.Contains(x, y)) return static_cast<std::uint8_t>(entry);
    return kNone;
}

std::uint8_t CKeyMap::LaunchElementAt(int x, int y)
{
    for (int index = 0; index < 4 * kLaunchRows; ++index)
        if (layout::LaunchHitRect(index).Contains(x, y)) return static_cast<std::uint8_t>(index);
    return kNone;
}

QString CKeyMap::ShortenedPath(const QString& path)
{
    if (path.size() < kShortenFrom) return path;
    // Stored paths may come from either system, so either separator counts.
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return QStringLiteral("..") + (cut >= 0 ? path.mid(cut) : QString());
}

QRect CKeyMap::LaunchPathPlace(int row)
{
    const int top = layout::kLaunchPathBoxOrigin.y + layout::kLaunchRowPitch * row;
    return QRect(layout::kLaunchPathText.x, top, kLaunchPathRight - layout::kLaunchPathText.x,
                 kLaunchPathHeight);
}

bool CKeyMap::event(QEvent* event)
{
    // The whole launch path, which its row may show shortened, when the pointer rests on it.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const bool onPath = page_ == 3 && selectedRow_ != kNone && selectedRow_ < kLaunchRows &&
                            LaunchPathPlace(selectedRow_).contains(help->pos()) &&
                            !result_->launchPath.empty();
        if (onPath)
            QToolTip::showText(help->globalPos(), QString::fromStdU16String(result_->launchPath), this,
                               LaunchPathPlace(selectedRow_));
        else
            QToolTip::hideText();
        return true;
    }
    return SkinnedDialog::event(event);
}

void CKeyMap::paintEvent(QPaintEvent* event)
{
    SkinnedDialog::paintEvent(event);
    emit Painted();
}

void CKeyMap::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = true;
        pressGlobal_ = event->globalPosition().toPoint();
        windowAtPress_ = pos();
    }
    SkinnedDialog::mousePressEvent(event);
}

void CKeyMap::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const std::uint8_t entry = ButtonAt(point.x(), point.y());
    if (page_ == 3) BrowseHover(point.x(), point.y());
    if (entry != lastHover_) {
        if (entry == kNone) {
            for (std::size_t i = 0; i < hover_.size(); ++i)
                if (i != layout::kKeyButtonDisable) hover_[i] = 0;
        }
        lastHover_ = entry;
        if (entry != kNone && entry != layout::kKeyButtonDisable) hover_[entry] = 1;
    }
    // Pressing on an empty place and dragging moves the borderless window.
    if (entry != kNone || !leftHeld_ || !(event->buttons() & Qt::LeftButton)) return;
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        leftHeld_ = false;
    } else {
        move(windowAtPress_ + (event->globalPosition().toPoint() - pressGlobal_));
    }
}

void CKeyMap::BrowseHover(int x, int y)
{
    const std::uint8_t element = LaunchElementAt(x, y);
    const int row = element != kNone && element % 4 == 3 ? element / 4 : -1;
    if (row == browseHover_) return;
    browseHover_ = row;
    const QString folder = SkinFolder();
    const QRect area(layout::kLaunchBrowseOrigin.x, layout::kLaunchBrowseOrigin.y, 61,
                     layout::kLaunchRowPitch * (kLaunchRows - 1) + 26);
    PartialRedraw(area, [&](QPainter& painter) {
        for (int r = 0; r < kLaunchRows; ++r) {
            DrawSkinImage(
                painter, folder, r == row ? QStringLiteral("view02.png") : QStringLiteral("view.png"),
                layout::kLaunchBrowseOrigin.x, layout::kLaunchBrowseOrigin.y + layout::kLaunchRowPitch * r);
        }
    });
}

void CKeyMap::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        SkinnedDialog::mouseReleaseEvent(event);
        return;
    }
    leftHeld_ = false;
    const QPoint point = event->position().toPoint();
    const std::uint8_t entry = ButtonAt(point.x(), point.y());
    Click(entry);
    // The launch page sees every click, also the one that just opened it or ended the dialog.
    if (page_ == 3) {
        LaunchAfterClick(point.x(), point.y());
        // A launch without a target would launch nothing: saved so, the key gets its own function.
        if (entry == layout::kKeyButtonSave && IsLaunchKind(result_->kind) && result_->launchPath.empty())
            result_->kind = KeyFunctionKind::kDefault;
    }
}

void CKeyMap::Click(std::uint8_t entry)
{
    AssignmentResult& result = *result_;
    switch (entry) {
    case layout::kKeyButtonCloseMark:
        done(QDialog::Rejected);
        break;
    case layout::kKeyButtonFirstTab:
        markedOption_ = kNone;
        if (page_ != 0) {
            ClearCapturedKeys();
            single_->clear();
            combination_->clear();
            result.kind = KeyFunctionKind::kSingleKey;
            page_ = 0;
            SettleBeforePaint();
            single_->setFocus(Qt::OtherFocusReason);
        }
        page_ = 0;
        selectedRow_ = kNone;
        FullPaint();
        break;
    case layout::kKeyButtonFirstTab + 1:
    case layout::kKeyButtonFirstTab + 2:
        page_ = entry - layout::kKeyButtonFirstTab;
        // Replaced when Save is pressed on the page.
        result.kind = static_cast<KeyFunctionKind>(page_);
        markedOption_ = kNone;
        selectedRow_ = kNone;
        // The page's controls take Tab at once, not only once it is painted.
        SettleBeforePaint();
        FullPaint();
        break;
    case layout::kKeyButtonFirstTab + 3:
        markedOption_ = kNone;
        if (page_ != 3) {
            ClearCapturedKeys();
            single_->clear();
            combination_->clear();
            result.kind = KeyFunctionKind::kCleared;
            selectedRow_ = kNone;
        }
        page_ = 3;
        SettleBeforePaint();
        FullPaint();
        break;
    case layout::kKeyButtonDisable:
        disableTicked_ = !disableTicked_;
        PartialRedraw(QRect(layout::kKeyDisableBoxOrigin.x, layout::kKeyDisableCaptionStrip.top,
                            layout::kKeyDisableCaptionStrip.right - layout::kKeyDisableBoxOrigin.x,
                            layout::kKeyDisableCaptionStrip.Height()),
                      [this](QPainter& painter) {
                          const layout::Rect& strip = layout::kKeyDisableCaptionStrip;
                          FillColourRect(painter, QRect(strip.left, strip.top, strip.Width(), strip.Height()),
                                         layout::kKeyDisableCaptionStripColour);
                          DrawDisableBox(painter);
                      });
        break;
    case layout::kKeyButtonReset:
        result.count = kResetRequest;
        done(QDialog::Accepted);
        break;
    case layout::kKeyButtonClose:
        ClearCapturedKeys();
        done(QDialog::Rejected);
        break;
    case layout::kKeyButtonSave:
        Save();
        break;
    default:
        break;
    }
}

void CKeyMap::Save()
{
    AssignmentResult& result = *result_;
    switch (page_) {
    case 0: {
        result.keyEnabled = !disableTicked_;
        SaveKeyPage(result, codes_);
        if (result.kind == KeyFunctionKind::kNamedFunction)
            functionName_ = QString::fromStdString(result.functionName);
        done(QDialog::Accepted);
        break;
    }
    case 1: {
        result.kind = KeyFunctionKind::kMacro;
        const QList<QListWidgetItem*> chosen = macroList_->selectedItems();
        result.macroNumber = chosen.isEmpty() ? -1 : macroList_->row(chosen.first());
        if (result.macroNumber == -1) {
            result.keyEnabled = true;
            result.kind = KeyFunctionKind::kDefault;
        } else {
            result.keyEnabled = !disableTicked_;
        }
        done(QDialog::Accepted);
        break;
    }
    case 2: {
        result.kind = KeyFunctionKind::kNamedFunction;
        QTreeWidgetItem* item = tree_->currentItem();
        bool leaf = item != nullptr && item->isSelected();
        for (std::string_view category : kNamedFunctionCategories)
            if (leaf &&
                item->text(0) == QString::fromUtf8(category.data(), static_cast<qsizetype>(category.size())))
                leaf = false;
        if (!leaf) {
            Tell("Bitte wähle einen Unterpunkt aus", "Please select Sub item");
            return;
        }
        functionName_ = item->text(0);
        result.keyEnabled = !disableTicked_;
        done(QDialog::Accepted);
        break;
    }
    default:
        result.keyEnabled = !disableTicked_;
        done(QDialog::Accepted);
        break;
    }
    result.functionName = functionName_.toStdString();
}

void CKeyMap::LaunchAfterClick(int x, int y)
{
    AssignmentResult& result = *result_;
    const std::uint8_t element = LaunchElementAt(x, y);
    if (element == kNone) {
        if (selectedRow_ == kNone) {
            markedOption_ = kNone;
            result.kind = KeyFunctionKind::kDefault;
        }
        FullPaint();
        return;
    }
    const int row = element / 4;
    switch (element % 4) {
    case 0:
        markedOption_ = static_cast<std::uint8_t>(4 * row);
        selectedRow_ = static_cast<std::uint8_t>(row);
        result.launchPath.clear();
        FullPaint();
        return;
    case 3: {
        // The music and program rows take the mark even when the choice is cancelled.
        if (row < 2) markedOption_ = static_cast<std::uint8_t>(4 * row);
        const std::optional<QString> path = ChooseLaunchTarget(row);
        if (!path) return;
        selectedRow_ = static_cast<std::uint8_t>(row);
        markedOption_ = static_cast<std::uint8_t>(4 * row);
        result.kind = static_cast<KeyFunctionKind>(static_cast<int>(KeyFunctionKind::kPlayMusic) + row);
        result.launchPath = path->toStdU16String();
        FullPaint();
        return;
    }
    default:
        return;
    }
}

std::optional<QString> CKeyMap::ChooseLaunchTarget(int row)
{
    if (chooser_ == nullptr) return std::nullopt;
    std::optional<QString> path =
        row < 3 ? chooser_->ChooseFile(this, row, language_) : chooser_->ChooseFolder(this, language_);
    if (!path) return std::nullopt;
    if (path->isEmpty()) {
        if (row == 3) Tell("Bitte wähle einen Ordner aus", "Please select a folder");
        return std::nullopt;
    }
    // Cut, the path would name something else, and the key would launch that.
    if (path->size() > kLaunchPathLimit) {
        Tell("Der Pfad ist zu lang: höchstens 255 Zeichen können gespeichert werden.",
             "The path is too long: at most 255 characters can be stored.");
        return std::nullopt;
    }
    return path;
}

void CKeyMap::Tell(const char* german, const char* english)
{
    prompt_.Tell(this, QStringLiteral("Corvane Keyboard"), Text(german, english));
}

void CKeyMap::keyPressEvent(QKeyEvent* event)
{
    if (!IgnoreEndingKey(event)) SkinnedDialog::keyPressEvent(event);
}

bool CKeyMap::eventFilter(QObject* watched, QEvent* event)
{
    // The Menu key and a right-click are captured keys and clicks, not a call for an edit menu.
    if (event->type() == QEvent::ContextMenu && hookInstalled_) return true;
    // In the lines the hook has the keys; those that move on or start a capture are the line's.
    if (event->type() == QEvent::KeyPress && hookInstalled_ &&
        (watched == single_ || watched == combination_))
        return LineKeyPress(static_cast<QLineEdit*>(watched), static_cast<QKeyEvent*>(event));
    // A focus event can arrive after the dialog has ended (the window system's own, late): the
    // result is then what the user saw, and stays so.
    if (event->type() == QEvent::FocusIn && isVisible() && (watched == single_ || watched == combination_))
        EditFocused(static_cast<QLineEdit*>(watched), static_cast<QFocusEvent*>(event)->reason());
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (EndsDialog(key)) return true;
    }
    return SkinnedDialog::eventFilter(watched, event);
}

void CKeyMap::NameControls()
{
    single_->setAccessibleName(Text("Einzeln", "Single"));
    combination_->setAccessibleName(Text("Kombiniere", "Combine"));
    const QString keys = Text("Tab geht weiter, Leertaste beginnt die Aufnahme; jede andere Taste wird "
                              "aufgenommen. Eine Taste erneut drücken beendet die Aufnahme.",
                              "Tab moves on, Space starts capturing; any other key is captured. Press a "
                              "key again to end the capture.");
    single_->setAccessibleDescription(keys);
    combination_->setAccessibleDescription(keys);
    macroList_->setAccessibleName(QStringLiteral("Macro"));
    tree_->setAccessibleName(Text("Einfach", "Basic"));
}

DrawnControlList CKeyMap::ListControls() const
{
    DrawnControlList controls;
    const bool german = language_ == kLanguageGerman;
    const auto text = [&](int id, const QString& name, const QRect& rect) {
        DrawnControl control;
        control.id = id;
        control.role = QAccessible::StaticText;
        control.name = name;
        control.rect = rect;
        control.focusable = false;
        controls.push_back(control);
    };
    const auto button = [&](int id, QAccessible::Role role, const QString& name, const layout::Rect& rect,
                            int group) -> DrawnControl& {
        DrawnControl control;
        control.id = id;
        control.role = role;
        control.name = name;
        control.rect = AreaOf(rect);
        control.group = group;
        controls.push_back(control);
        return controls.back();
    };
    const auto widget = [&](QWidget* child) {
        DrawnControl control;
        control.widget = child;
        controls.push_back(control);
    };

    text(kCaptionId, Text("Ausgewählte Taste:", "Selected key:") + Label(result_->selectedKeyCode).trimmed(),
         QRect(0, 0, width(), kTitleStripHeight));
    for (int page = 0; page < kPageCount; ++page) {
        DrawnControl& tab = button(kFirstTabId + page, QAccessible::PageTab,
                                   QString::fromUtf8(german ? kCaptionsGerman[page] : kCaptionsEnglish[page]),
                                   layout::kKeyButtons[layout::kKeyButtonFirstTab + page].rect, kTabGroup);
        tab.checkable = true;
        tab.checked = tab.selected = page == page_;
    }
    const auto note = [&](int id, const QString& said, int x, int y) {
        text(id, said, QRect(x, y, layout::kKeyDialogSize.width - 2 * x, kNoteHeight));
    };
    switch (page_) {
    case 0:
        widget(single_);
        if (refusedIn_ == single_)
            note(kRefusedNoteId, Text(kRefusedGerman, kRefusedEnglish), kRefusedNoteX,
                 single_->geometry().bottom() + kRefusedNoteGap);
        widget(combination_);
        if (refusedIn_ == combination_)
            note(kRefusedNoteId, Text(kRefusedGerman, kRefusedEnglish), kRefusedNoteX,
                 combination_->geometry().bottom() + kRefusedNoteGap);
        if (hookInstalled_ && hook_->CapturesOnlyWhenFocused())
            note(kFocusNoteId, QString::fromUtf8(FocusCaptureNote(german)), kFocusNote.x, kFocusNote.y);
        break;
    case 1:
        widget(macroList_);
        if (macros_.CountInUse() > MacrosWithSlots(macros_))
            note(kMacroNoteId, MacroSlotNote(), kMacroSlotNote.x, kMacroSlotNote.y);
        break;
    case 2:
        widget(tree_);
        break;
    default:
        for (int row = 0; row < kLaunchRows; ++row) {
            const QString caption = Text(kLaunchCaptions[row].german, kLaunchCaptions[row].english);
            DrawnControl& mark = button(kFirstLaunchId + 4 * row, QAccessible::RadioButton, caption,
                                        layout::LaunchHitRect(4 * row), kLaunchMarkGroup);
            mark.checkable = true;
            mark.checked = markedOption_ == 4 * row;
            if (selectedRow_ == row && !result_->launchPath.empty())
                text(kFirstLaunchId + 4 * row + 1, QString::fromStdU16String(result_->launchPath),
                     LaunchPathPlace(row));
            button(kFirstLaunchId + 4 * row + 2, QAccessible::Button,
                   Text("Durchsuchen: %1", "Browse: %1").arg(caption), layout::LaunchHitRect(4 * row + 3),
                   kNoGroup);
        }
        break;
    }
    DrawnControl& box = button(kDisableId, QAccessible::CheckBox, Text("Deaktivieren Taste", "Disable key"),
                               layout::kKeyButtons[layout::kKeyButtonDisable].rect, kNoGroup);
    box.checkable = true;
    box.checked = disableTicked_;
    const ButtonCaption* captions = german ? kButtonCaptionsGerman : kButtonCaptionsEnglish;
    for (int i = 0; i < 3; ++i)
        button(kResetId + i, QAccessible::Button, QString::fromUtf8(captions[i].text),
               layout::kKeyButtons[layout::kKeyButtonReset + i].rect, kNoGroup);
    button(kCloseMarkId, QAccessible::Button, Text("Abbrechen", "Cancel"),
           layout::kKeyButtons[layout::kKeyButtonCloseMark].rect, kNoGroup);
    return controls;
}

QString CKeyMap::MacroSlotNote() const
{
    return Text("Nur die ersten %1 Macros passen auf die Tastatur.",
                "Only the first %1 macros fit on the keyboard.")
        .arg(kMaxMacros);
}

void CKeyMap::SettleBeforePaint()
{
    // A hidden control's focus would pass to the next one, and an edit taking it picks its line.
    if (QWidget* focused = focusWidget(); focused != nullptr && focused != this) {
        const bool stays = ((focused == single_ || focused == combination_) && page_ == 0) ||
                           (focused == macroList_ && page_ == 1) || (focused == tree_ && page_ == 2);
        if (!stays) focused->clearFocus();
        if (!stays && focused != macroList_ && focused != tree_) lastFocusedEdit_ = nullptr;
    }
    single_->setVisible(page_ == 0);
    combination_->setVisible(page_ == 0);
    macroList_->setVisible(page_ == 1);
    tree_->setVisible(page_ == 2);
    browseHover_ = -1;
}

void CKeyMap::PaintElements(QPainter& painter)
{
    const QString folder = SkinFolder();
    const bool german = language_ == kLanguageGerman;
    const QString selected = Label(result_->selectedKeyCode);
    const int captionX = german ? layout::kKeyCaptionXGerman : layout::kKeyCaptionXEnglish;
    // A long key name makes the caption smaller rather than run under the close mark.
    const QString caption = Text("Ausgewählte Taste:", "Selected key:") + selected;
    const QRect captionPlace(captionX, 0,
                             layout::kKeyButtons[layout::kKeyButtonCloseMark].rect.left - captionX,
                             kTitleStripHeight);
    DrawSkinText(painter, caption, captionX, layout::kKeyCaptionY, 0, kWhite,
                 FittingTextHeight(caption, kCaptionHeight, captionPlace.width() - kCaptionGap),
                 captionPlace);

    DrawPage(painter);
    DrawDisableBox(painter);

    for (int entry = layout::kKeyButtonReset; entry <= layout::kKeyButtonSave; ++entry) {
        const layout::ImageButton& button = layout::kKeyButtons[entry];
        DrawSkinImage(painter, folder,
                      QString::fromLatin1(hover_[static_cast<std::size_t>(entry)] != 0 ? button.hoverImage
                                                                                       : button.normalImage),
                      button.rect.left, button.rect.top);
    }
    const ButtonCaption* captions = german ? kButtonCaptionsGerman : kButtonCaptionsEnglish;
    for (int i = 0; i < 3; ++i)
        DrawSkinText(painter, QString::fromUtf8(captions[i].text), captions[i].x, layout::kKeyButtonCaptionY,
                     0, kWhite, captions[i].height,
                     AreaOf(layout::kKeyButtons[layout::kKeyButtonReset + i].rect));
}

void CKeyMap::DrawDisableBox(QPainter& painter)
{
    const layout::ImageButton& box = layout::kKeyButtons[layout::kKeyButtonDisable];
    DrawSkinImage(painter, SkinFolder(),
                  QString::fromLatin1(disableTicked_ ? box.hoverImage : box.normalImage),
                  layout::kKeyDisableBoxOrigin.x, layout::kKeyDisableBoxOrigin.y);
    const layout::Rect& strip = layout::kKeyDisableCaptionStrip;
    DrawSkinText(painter, Text("Deaktivieren Taste", "Disable key"), layout::kKeyDisableCaption.x,
                 layout::kKeyDisableCaption.y, 0, kWhite,
                 language_ == kLanguageGerman ? kDisableCaptionHeightGerman : kDisableCaptionHeightEnglish,
                 QRect(strip.left, strip.top, strip.Width(), strip.Height()));
}

void CKeyMap::DrawPage(QPainter& painter)
{
    const bool german = language_ == kLanguageGerman;
    for (int page = 0; page < kPageCount; ++page) {
        DrawSkinText(painter, QString::fromUtf8(german ? kCaptionsGerman[page] : kCaptionsEnglish[page]),
                     german ? kCaptionXGerman[page] : kCaptionXEnglish[page], layout::kKeyTabCaptionY, 0,
                     page == page_ ? kRed : kGrey, kPageTextHeight,
                     AreaOf(layout::kKeyButtons[layout::kKeyButtonFirstTab + page].rect));
    }
    if (page_ == 0) {
        // Each label stands above its edit.
        const auto labelPlace = [](layout::Point at, const layout::Placement& edit) {
            return QRect(at.x, at.y, edit.x + edit.width - at.x, edit.y - at.y);
        };
        DrawSkinText(painter, Text("Einzeln", "Single"), layout::kKeySingleLabel.x, layout::kKeySingleLabel.y,
                     0, kGrey, kPageTextHeight, labelPlace(layout::kKeySingleLabel, layout::kKeySingleEdit));
        DrawSkinText(painter, Text("Kombiniere", "Combine"), layout::kKeyCombineLabel.x,
                     layout::kKeyCombineLabel.y, 0, kGrey, kPageTextHeight,
                     labelPlace(layout::kKeyCombineLabel, layout::kKeyCombinationEdit));
        if (refusedIn_ != nullptr) {
            const int y = refusedIn_->geometry().bottom() + kRefusedNoteGap;
            DrawSkinText(
                painter, Text(kRefusedGerman, kRefusedEnglish), kRefusedNoteX, y, 0, kGrey, 14,
                QRect(kRefusedNoteX, y, layout::kKeyDialogSize.width - 2 * kRefusedNoteX, kNoteHeight));
        }
        if (hookInstalled_ && hook_->CapturesOnlyWhenFocused())
            DrawSkinText(painter, QString::fromUtf8(FocusCaptureNote(language_ == kLanguageGerman)),
                         kFocusNote.x, kFocusNote.y, 0, kGrey, 14,
                         QRect(kFocusNote.x, kFocusNote.y, layout::kKeyDialogSize.width - 2 * kFocusNote.x,
                               kNoteHeight));
    }
    if (page_ == 1 && macros_.CountInUse() > MacrosWithSlots(macros_))
        DrawSkinText(painter, MacroSlotNote(), kMacroSlotNote.x, kMacroSlotNote.y, 0, kGrey, 14,
                     QRect(kMacroSlotNote.x, kMacroSlotNote.y,
                           layout::kKeyDialogSize.width - 2 * kMacroSlotNote.x, kNoteHeight));
    if (page_ == 3) DrawLaunchPage(painter);
}

void CKeyMap::DrawLaunchPage(QPainter& painter)
{
    const QString folder = SkinFolder();
    const bool german = language_ == kLanguageGerman;
    const int pitch = layout::kLaunchRowPitch;
    for (int row = 0; row < kLaunchRows; ++row) {
        const int dy = pitch * row;
        const bool marked = markedOption_ != kNone && markedOption_ / 4 == row;
        DrawSkinImage(painter, folder, marked ? QStringLiteral("enable.png") : QStringLiteral("disable.png"),
                      layout::kLaunchOptionOrigin.x, layout::kLaunchOptionOrigin.y + dy);
        DrawSkinImage(painter, folder, QStringLiteral("Advanced.png"), layout::kLaunchPathBoxOrigin.x,
                      layout::kLaunchPathBoxOrigin.y + dy);
        DrawSkinImage(painter, folder, QStringLiteral("view.png"), layout::kLaunchBrowseOrigin.x,
                      layout::kLaunchBrowseOrigin.y + dy);
        const int captionX = german ? layout::kLaunchCaptionXGerman : layout::kLaunchCaptionXEnglish;
        DrawSkinText(painter, Text(kLaunchCaptions[row].german, kLaunchCaptions[row].english), captionX,
                     layout::kLaunchCaptionY + dy, 0, kRed,
                     german ? kLaunchCaptionHeightGerman : kPageTextHeight,
                     QRect(captionX, layout::kLaunchCaptionY + dy,
                           layout::kLaunchPathBoxOrigin.x - kLaunchCaptionGap - captionX, kPageLabelHeight));
    }
    if (selectedRow_ != kNone && selectedRow_ < kLaunchRows) {
        const QRect place = LaunchPathPlace(selectedRow_);
        DrawSkinText(painter,
                     ElidedSkinText(ShortenedPath(QString::fromStdU16String(result_->launchPath)),
                                    kPageTextHeight, place.right() + 1 - layout::kLaunchPathText.x),
                     layout::kLaunchPathText.x, layout::kLaunchPathText.y + pitch * selectedRow_, 0, kRed,
                     kPageTextHeight, place);
    }
}

} // namespace corvane
