// The key dialog driven at its own coordinates: what it shows for each stored assignment, what
// key capture, the pages' Save, Reset and Close leave in the result, and its hit areas.

#include "KeyDialogFixture.h"

#include "skin/SkinDraw.h"
#include "skin/VividTree.h"
#include "skin/WindowMessage.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>

namespace corvane::keytest {
namespace {

bool Shows(const QImage& frame, const QRect& area, QColor colour);

QTreeWidgetItem* FindItem(VividTree* tree, const QString& text)
{
    const QList<QTreeWidgetItem*> items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

// ---- Opening on a stored assignment, and Save without touching anything ----------------------

struct StoredCase
{
    const char* name;
    std::function<void(KeyDialogTest&)> store;
    int page;
    QString singleText;
    QString combinationText;
    // What Save at once leaves.
    KeyFunctionKind savedKind;
    std::int32_t savedCount;
    std::vector<std::uint8_t> savedKeys;
};

class OpeningTest : public KeyDialogTest, public ::testing::WithParamInterface<StoredCase>
{
};

TEST_P(OpeningTest, ShowsTheStoredChoiceAndSaveKeepsIt)
{
    const StoredCase& c = GetParam();
    c.store(*this);
    Open();
    EXPECT_EQ(dialog->Page(), c.page);
    EXPECT_EQ(dialog->SingleEdit()->text(), c.singleText);
    EXPECT_EQ(dialog->CombinationEdit()->text(), c.combinationText);
    // Loaded keys wait behind a count of 0 until Save counts them.
    EXPECT_EQ(result.count, 0);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, c.savedKind);
    EXPECT_EQ(result.count, c.savedCount);
    EXPECT_EQ(Keys(), c.savedKeys);
    EXPECT_TRUE(result.keyEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    StoredAssignments, OpeningTest,
    ::testing::Values(
        StoredCase{"Nothing", [](KeyDialogTest&) {}, 0, "", "", KeyFunctionKind::kDefault, 0, {}},
        StoredCase{"SingleKey",
                   [](KeyDialogTest& t) { t.StoreKeys(KeyFunctionKind::kSingleKey, {kF5}); },
                   0,
                   "F5 ",
                   "",
                   KeyFunctionKind::kSingleKey,
                   1,
                   {kF5}},
        StoredCase{"ThreeKeyCombination",
                   [](KeyDialogTest& t) {
                       t.StoreKeys(KeyFunctionKind::kCombination, {kLCtrl, kLShift, kQ});
                   },
                   0,
                   "",
                   "LCtrl + LShift + Q ",
                   KeyFunctionKind::kCombination,
                   3,
                   {kLCtrl, kLShift, kQ}},
        StoredCase{"MacroFormWithoutItsMark",
                   [](KeyDialogTest& t) {
                       t.StoreKeys(KeyFunctionKind::kMacro, {});
                       t.Record()[rec::kData] = 3; // not the macro form: the first page
                   },
                   0,
                   "",
                   "",
                   KeyFunctionKind::kDefault,
                   0,
                   {}}),
    [](const ::testing::TestParamInfo<StoredCase>& info) { return std::string(info.param.name); });

TEST_F(KeyDialogTest, OpensOnTheStoredMacroFunctionAndLaunch)
{
    NameMacros({u"Macro_001", u"Macro_002", u"Macro_003"});
    StoreKeys(KeyFunctionKind::kMacro, {4, 1, 2, 0});
    Open();
    EXPECT_EQ(dialog->Page(), 1);
    EXPECT_EQ(dialog->MacroList()->count(), 3);
    EXPECT_EQ(dialog->MacroList()->currentRow(), 2);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kMacro);
    EXPECT_EQ(result.macroNumber, 2);

    Record().ClearData();
    StoreKeys(KeyFunctionKind::kNamedFunction, {0x03, 0x00, 0xE9, 0x00}); // Volume Up
    Open();
    EXPECT_EQ(dialog->Page(), 2);
    QTreeWidgetItem* current = dialog->FunctionTree()->currentItem();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current->text(0), "Volume Up");
    EXPECT_TRUE(current->parent()->isExpanded());
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kNamedFunction);
    EXPECT_EQ(result.functionName, "Volume Up");

    Record().ClearData();
    Record().SetKind(KeyFunctionKind::kOpenFolder);
    Record().SetLaunchPath(u"/home/user/Documents/Letters");
    Open();
    EXPECT_EQ(dialog->Page(), 3);
    EXPECT_EQ(dialog->SelectedRow(), 3);
    EXPECT_EQ(dialog->MarkedOption(), 12);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kOpenFolder);
    EXPECT_EQ(result.launchPath, u"/home/user/Documents/Letters");
}

// ---- Key capture ------------------------------------------------------------------------------

struct CaptureCase
{
    const char* name;
    std::vector<std::uint8_t> stored; // a stored combination, or none
    bool combination;                 // the edit the user picks
    std::vector<std::uint8_t> pressed;
    QString shown;
    KeyFunctionKind savedKind;
    std::int32_t savedCount;
    std::vector<std::uint8_t> savedKeys;
};

class CaptureTest : public KeyDialogTest, public ::testing::WithParamInterface<CaptureCase>
{
};

TEST_P(CaptureTest, CapturedKeysAreShownAndSaved)
{
    const CaptureCase& c = GetParam();
    if (c.stored.size() > 0) StoreKeys(KeyFunctionKind::kCombination, c.stored);
    Open();
    // Opening on a stored combination already focuses its edit; any other start picks the edit.
    if (c.stored.size() == 0) FocusEdit(c.combination ? dialog->CombinationEdit() : dialog->SingleEdit());
    for (std::uint8_t key : c.pressed)
        hook.Press(key);
    EXPECT_EQ((c.combination ? dialog->CombinationEdit() : dialog->SingleEdit())->text(), c.shown);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, c.savedKind);
    EXPECT_EQ(result.count, c.savedCount);
    EXPECT_EQ(Keys(), c.savedKeys);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CaptureTest,
    ::testing::Values(
        CaptureCase{"SingleKey", {}, false, {kQ}, "Q ", KeyFunctionKind::kSingleKey, 1, {kQ}},
        CaptureCase{"SingleKeyTakesTheLastPressed",
                    {},
                    false,
                    {kQ, kF5},
                    "F5 ",
                    KeyFunctionKind::kSingleKey,
                    1,
                    {kF5}},
        CaptureCase{"TwoKeyCombination",
                    {},
                    true,
                    {kLCtrl, kA},
                    "LCtrl + A ",
                    KeyFunctionKind::kCombination,
                    2,
                    {kLCtrl, kA}},
        CaptureCase{"FourthKeyStartsANewCombination",
                    {},
                    true,
                    {kLCtrl, kLShift, kA, kB},
                    "B ",
                    KeyFunctionKind::kCombination,
                    1,
                    {kB}},
        CaptureCase{"OneKeyReplacesAStoredCombination",
                    {kLCtrl, kLShift, kQ},
                    true,
                    {kB},
                    "B ",
                    KeyFunctionKind::kCombination,
                    1,
                    {kB}},
        CaptureCase{"NothingPressedGivesTheOwnFunction", {}, true, {}, "", KeyFunctionKind::kDefault, 0, {}}),
    [](const ::testing::TestParamInfo<CaptureCase>& info) { return std::string(info.param.name); });

// Keys a line cannot take: a key without a code (the ISO key, Mute, F13-F24...; code 0) is left
// out and told under its line until the next key that can be taken; a media key works only alone,
// so it becomes the named function it stands for (as the function tree gives it), and the
// combination line says so.
TEST_F(KeyDialogTest, KeysALineCannotTakeAreSaid)
{
    constexpr std::uint8_t kPlayPause = 179, kVolumeUp = 175, kMedia = 181;
    struct Case
    {
        bool combination;
        std::uint16_t language;
        std::vector<std::uint8_t> pressed;
        QString shown;
        bool told; // the note under the line
        const char* function;
        std::vector<std::uint8_t> keys;
    };
    constexpr std::uint16_t en = kLanguageEnglish, de = kLanguageGerman;
    const QString alone = " (a media key works only alone)", allein = " (eine Medientaste wirkt nur allein)";
    const Case cases[] = {
        {false, en, {kQ, kUnnamedKey}, "Q ", true, nullptr, {kQ}},
        {true, de, {kQ, kUnnamedKey}, "Q ", true, nullptr, {kQ}},
        {true, en, {kQ, kUnnamedKey, kB}, "Q + B ", false, nullptr, {kQ, kB}},
        {true, en, {kPlayPause}, "Play / Stop" + alone, false, "Play / Stop", {kPlayPause}},
        {true, en, {kLCtrl, kVolumeUp}, "Volume Up" + alone, false, "Volume Up", {kVolumeUp}},
        {true, de, {kMedia}, "Media Player" + allein, false, "Media Player", {kMedia}},
        {true, en, {kPlayPause, kA}, "A ", false, nullptr, {kA}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString() + (c.told ? ", told" : ""));
        dialog.reset();
        Open(kSlotA, c.language);
        QLineEdit* line = c.combination ? dialog->CombinationEdit() : dialog->SingleEdit();
        FocusEdit(line);
        for (std::uint8_t key : c.pressed)
            hook.Press(key);
        EXPECT_EQ(line->text(), c.shown);
        EXPECT_LE(line->fontMetrics().horizontalAdvance(line->text()), line->width());
        const QRect below(13, line->geometry().bottom() + 4, 250, 12);
        EXPECT_EQ(Shows(dialog->ComposeFrame(), below, QColor(0xC0, 0xC0, 0xC0)), c.told);
        ClickSave();
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.functionName, c.function != nullptr ? c.function : "");
        EXPECT_EQ(result.kind, c.function != nullptr ? KeyFunctionKind::kNamedFunction
                                                     : KeyFunctionKind(c.combination ? 1 : 0));
        EXPECT_EQ(Keys(), c.keys);
    }
}

TEST_F(KeyDialogTest, PickingTheOtherEditEmptiesWhatWasCaptured)
{
    StoreKeys(KeyFunctionKind::kCombination, {kLCtrl, kQ});
    Open();
    // The focus the dialog gives its edit at opening keeps the stored keys.
    EXPECT_TRUE(dialog->CombinationEdit()->hasFocus() || !dialog->isActiveWindow());
    EXPECT_EQ(Keys(), (std::vector<std::uint8_t>{kLCtrl, kQ}));
    EXPECT_EQ(result.kind, KeyFunctionKind::kCombination);
    FocusEdit(dialog->SingleEdit());
    EXPECT_EQ(result.kind, KeyFunctionKind::kSingleKey);
    EXPECT_TRUE(Keys().empty());
    EXPECT_TRUE(dialog->CombinationEdit()->text().isEmpty());
    hook.Press(kB);
    FocusEdit(dialog->CombinationEdit());
    EXPECT_TRUE(dialog->SingleEdit()->text().isEmpty());
    EXPECT_TRUE(Keys().empty());
}

TEST_F(KeyDialogTest, ComingBackToTheWindowKeepsKeysCapturedMeanwhile)
{
    Open();
    FocusEdit(dialog->CombinationEdit());
    hook.Press(kLCtrl);
    hook.Press(kA);
    QFocusEvent back(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(dialog->CombinationEdit(), &back);
    EXPECT_EQ(Keys(), (std::vector<std::uint8_t>{kLCtrl, kA}));
    EXPECT_EQ(result.count, 2);
    // A click on the other edit while the window was behind arrives with the window's return,
    // and still picks that edit.
    QCoreApplication::sendEvent(dialog->SingleEdit(), &back);
    EXPECT_EQ(result.kind, KeyFunctionKind::kSingleKey);
    EXPECT_TRUE(Keys().empty());
}

// The window system may still hand an edit the focus after Save or Reset has ended the dialog
// (without a window manager the window is activated once more on its way out). The result stays
// what the dialog showed when it ended.
TEST_F(KeyDialogTest, FocusArrivingAfterTheEndChangesNothing)
{
    struct Case
    {
        const char* name;
        std::vector<std::uint8_t> stored;  // a stored combination, or none
        std::vector<std::uint8_t> pressed; // into the edit the dialog opened on
        bool reset;
        KeyFunctionKind kind;
        std::int32_t count;
        std::vector<std::uint8_t> keys;
    };
    const Case cases[] = {
        {"one key typed", {}, {kB}, false, KeyFunctionKind::kSingleKey, 1, {kB}},
        {"stored combination kept", {kLCtrl, kQ}, {}, false, KeyFunctionKind::kCombination, 2, {kLCtrl, kQ}},
        {"combination typed",
         {kLCtrl, kQ},
         {kLShift, kB},
         false,
         KeyFunctionKind::kCombination,
         2,
         {kLShift, kB}},
        {"reset after a stored combination",
         {kLCtrl, kQ},
         {},
         true,
         KeyFunctionKind::kCombination,
         kResetRequest,
         {kLCtrl, kQ}},
    };
    for (const Case& c : cases) {
        for (const bool lateOnSingle : {false, true}) {
            for (const Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::OtherFocusReason}) {
                SCOPED_TRACE(::testing::Message() << c.name << (lateOnSingle ? ", single" : ", combination")
                                                  << " edit, reason " << reason);
                Record().ClearData();
                Record().SetKind(KeyFunctionKind::kSingleKey);
                if (c.stored.size() > 0) StoreKeys(KeyFunctionKind::kCombination, c.stored);
                Open();
                for (std::uint8_t key : c.pressed)
                    hook.Press(key);
                c.reset ? ClickReset() : ClickSave();
                ASSERT_TRUE(Accepted());
                QFocusEvent late(QEvent::FocusIn, reason);
                QCoreApplication::sendEvent(lateOnSingle ? dialog->SingleEdit() : dialog->CombinationEdit(),
                                            &late);
                EXPECT_EQ(result.kind, c.kind);
                EXPECT_EQ(result.count, c.count);
                EXPECT_EQ(Keys(), c.keys);
            }
        }
    }
}

// While the hook captures, the Menu key and a right-click are the user's input to capture, not a
// call for the edit's menu; and an edit shows no blinking caret, since nothing can be typed there.
TEST_F(KeyDialogTest, CapturingEditsOpenNoMenuAndRunNoCaret)
{
    // The line edit's own text control runs the caret timer.
    auto caretTimers = [](QLineEdit* edit) {
        qsizetype timers = 0;
        for (QObject* child : edit->children())
            timers += QAbstractEventDispatcher::instance()->registeredTimers(child).size();
        return timers;
    };
    for (const bool capturing : {true, false}) {
        for (const bool combination : {false, true}) {
            SCOPED_TRACE(::testing::Message() << (capturing ? "hook" : "no hook") << ", "
                                              << (combination ? "combination" : "single") << " edit");
            hook.installs = capturing;
            Open();
            QLineEdit* edit = combination ? dialog->CombinationEdit() : dialog->SingleEdit();
            FocusEdit(edit);
            EXPECT_EQ(caretTimers(edit) != 0, !capturing);
            for (const auto reason : {QContextMenuEvent::Keyboard, QContextMenuEvent::Mouse}) {
                QContextMenuEvent menuCall(reason, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
                QCoreApplication::sendEvent(edit, &menuCall);
                QWidget* popup = QApplication::activePopupWidget();
                EXPECT_EQ(popup != nullptr, !capturing) << reason;
                if (popup != nullptr) popup->close();
            }
            ClickClose();
        }
    }
}

TEST_F(KeyDialogTest, WithoutTheHookKeysChangeNothing)
{
    hook.installs = false;
    Open();
    EXPECT_FALSE(dialog->HookInstalled());
    FocusEdit(dialog->SingleEdit());
    SendWindowMessage(dialog.get(), UM_HOOK_KEY, kQ, 0);
    QTest::keyClick(dialog->SingleEdit(), Qt::Key_Z);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kDefault);
    EXPECT_EQ(result.count, 0);
}

TEST_F(KeyDialogTest, HookIsInstalledForKeyStrokesAndRemovedWhenTheDialogEnds)
{
    Open();
    EXPECT_EQ(hook.modes, (std::vector<std::int32_t>{kHookModeKeyStroke}));
    EXPECT_TRUE(dialog->HookInstalled());
    // While it is installed nothing is typed into the edits, and no key ends the dialog.
    FocusEdit(dialog->SingleEdit());
    QTest::keyClick(dialog->SingleEdit(), Qt::Key_Z);
    QTest::keyClick(dialog->SingleEdit(), Qt::Key_Escape);
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_TRUE(dialog->SingleEdit()->text().isEmpty());
    EXPECT_FALSE(Ended());
    ClickClose();
    EXPECT_TRUE(Ended());
    EXPECT_EQ(hook.removes, 1);
    EXPECT_FALSE(dialog->HookInstalled());
    // A failed install is never removed.
    hook.installs = false;
    Open();
    ClickClose();
    EXPECT_EQ(hook.removes, 1);
}

TEST_F(KeyDialogTest, EscapeAndEnterDoNotEndTheDialogWithoutTheHook)
{
    hook.installs = false;
    Open();
    QTest::keyClick(dialog->SingleEdit(), Qt::Key_Escape);
    QTest::keyClick(dialog->SingleEdit(), Qt::Key_Return);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(Ended());
}

// ---- Save, Reset and Close on each page ------------------------------------------------------

TEST_F(KeyDialogTest, ResetAsksForTheOwnFunctionOnEveryPage)
{
    for (int page = 0; page < 4; ++page) {
        Open();
        ClickTab(page);
        ClickReset();
        ASSERT_TRUE(Accepted()) << page;
        EXPECT_EQ(result.count, kResetRequest) << page;
    }
}

TEST_F(KeyDialogTest, CloseCancelsAndForgetsCapturedKeys)
{
    Open();
    FocusEdit(dialog->SingleEdit());
    hook.Press(kQ);
    ClickClose();
    ASSERT_TRUE(Ended());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(Keys().empty());
    EXPECT_EQ(result.count, 0);
    // The close mark in the corner cancels too.
    Open();
    Click(374, 11);
    EXPECT_TRUE(Ended());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(KeyDialogTest, MacroPageSave)
{
    NameMacros({u"Macro_001", u"Macro_002"});
    struct Case
    {
        int selectedRow; // -1: none
        bool tickDisable;
        KeyFunctionKind kind;
        std::int32_t macroNumber;
        bool enabled;
    };
    const Case cases[] = {
        {-1, true, KeyFunctionKind::kDefault, -1,
         true}, // no macro: own function, enabled whatever the box says
        {1, false, KeyFunctionKind::kMacro, 1, true},
        {0, true, KeyFunctionKind::kMacro, 0, false},
    };
    for (const Case& c : cases) {
        Open();
        ClickTab(1);
        EXPECT_EQ(result.kind, KeyFunctionKind::kCombination) << "replaced by Save";
        EXPECT_TRUE(dialog->MacroList()->isVisible());
        EXPECT_EQ(dialog->MacroList()->count(), 2);
        dialog->MacroList()->setCurrentRow(c.selectedRow);
        if (c.selectedRow < 0) dialog->MacroList()->clearSelection();
        if (c.tickDisable) ClickDisable();
        ClickSave();
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.kind, c.kind) << c.selectedRow;
        EXPECT_EQ(result.macroNumber, c.macroNumber);
        EXPECT_EQ(result.keyEnabled, c.enabled);
    }
}

TEST_F(KeyDialogTest, FunctionPageNeedsASubItem)
{
    struct Case
    {
        const char* item; // nullptr: nothing selected
        std::uint16_t language;
        bool ends;
        const char* told;
    };
    const Case cases[] = {
        {"Media", kLanguageEnglish, false, "Please select Sub item"},
        {"Windows", kLanguageGerman, false, "Bitte wähle einen Unterpunkt aus"},
        {nullptr, kLanguageEnglish, false, "Please select Sub item"},
        {"Volume Up", kLanguageEnglish, true, nullptr},
        {"Run", kLanguageEnglish, true, nullptr},
    };
    for (const Case& c : cases) {
        dialog.reset();
        prompt.texts.clear();
        MakeDialog(c.language);
        Open(kSlotA, c.language);
        ClickTab(2);
        EXPECT_TRUE(dialog->FunctionTree()->isVisible());
        if (c.item != nullptr) {
            QTreeWidgetItem* item = FindItem(dialog->FunctionTree(), QString::fromUtf8(c.item));
            ASSERT_NE(item, nullptr) << c.item;
            dialog->FunctionTree()->setCurrentItem(item);
        }
        ClickSave();
        EXPECT_EQ(Ended(), c.ends) << (c.item ? c.item : "none");
        EXPECT_EQ(result.kind, KeyFunctionKind::kNamedFunction);
        if (c.ends) {
            EXPECT_TRUE(prompt.texts.empty());
            EXPECT_EQ(result.functionName, c.item);
        } else {
            ASSERT_EQ(prompt.texts.size(), 1u);
            EXPECT_EQ(prompt.texts[0], QString::fromUtf8(c.told));
            ClickClose();
        }
    }
}

TEST_F(KeyDialogTest, FunctionNameOutlivesTheOpening)
{
    Open();
    ClickTab(2);
    dialog->FunctionTree()->setCurrentItem(FindItem(dialog->FunctionTree(), "Copy"));
    ClickSave();
    ASSERT_TRUE(Accepted());
    // Another key, another page: the name chosen last is still handed over.
    Open(kSlotA + 1);
    FocusEdit(dialog->SingleEdit());
    hook.Press(kQ);
    ClickSave();
    EXPECT_EQ(result.functionName, "Copy");
}

// A function chosen for one key is not offered to the next: the tree opens on the key's own
// function, or on nothing, and Save without a choice asks for one.
TEST_F(KeyDialogTest, FunctionTreeOpensOnTheKeysOwnFunctionOnly)
{
    Open();
    ClickTab(2);
    dialog->FunctionTree()->setCurrentItem(FindItem(dialog->FunctionTree(), "Volume Up"));
    ClickSave();
    ASSERT_TRUE(Accepted());
    Open(kSlotA + 1); // a plain key
    ClickTab(2);
    QTreeWidgetItem* current = dialog->FunctionTree()->currentItem();
    EXPECT_TRUE(current == nullptr || !current->isSelected());
    EXPECT_FALSE(FindItem(dialog->FunctionTree(), "Media")->isExpanded());
    ClickSave();
    EXPECT_FALSE(Ended());
    EXPECT_EQ(prompt.texts, std::vector<QString>{"Please select Sub item"});
}

TEST_F(KeyDialogTest, DisableBoxStartsFromTheEnableBitAndDecidesKeyEnabled)
{
    SetKeyEnabled(state->image, DeviceKeyIndex(kSlotA), false);
    Open();
    EXPECT_TRUE(dialog->DisableTicked());
    EXPECT_FALSE(result.keyEnabled);
    ClickDisable();
    EXPECT_FALSE(dialog->DisableTicked());
    ClickSave();
    EXPECT_TRUE(result.keyEnabled);
    // The margin round the box counts as the box.
    SetKeyEnabled(state->image, DeviceKeyIndex(kSlotA), true);
    Open();
    Click(15, 348);
    EXPECT_TRUE(dialog->DisableTicked());
    FocusEdit(dialog->SingleEdit());
    hook.Press(kQ);
    ClickSave();
    EXPECT_FALSE(result.keyEnabled);
    EXPECT_EQ(result.kind, KeyFunctionKind::kSingleKey);
}

TEST_F(KeyDialogTest, BackToTheFirstPageStartsASingleKeyAfresh)
{
    StoreKeys(KeyFunctionKind::kCombination, {kLCtrl, kQ});
    Open();
    ClickTab(2);
    ClickTab(0);
    EXPECT_EQ(dialog->Page(), 0);
    EXPECT_EQ(result.kind, KeyFunctionKind::kSingleKey);
    EXPECT_TRUE(Keys().empty());
    EXPECT_TRUE(dialog->CombinationEdit()->text().isEmpty());
    hook.Press(kF5);
    ClickSave();
    EXPECT_EQ(result.kind, KeyFunctionKind::kSingleKey);
    EXPECT_EQ(Keys(), (std::vector<std::uint8_t>{kF5}));
}

// ---- Hit areas, hover and drawing ------------------------------------------------------------

TEST(KeyDialogHitTest, ButtonTableAndLaunchRows)
{
    struct Point
    {
        int x, y;
        std::uint8_t entry;
    };
    const Point buttons[] = {
        {371, 8, 0},    {377, 15, 0},  {0, 28, 1},    {94, 55, 1},   {97, 40, 2},     {200, 40, 3},
        {385, 55, 4},   {95, 33, 5},   {95, 40, 255}, {24, 355, 6},  {14, 346, 6},    {34, 365, 6},
        {13, 355, 255}, {130, 346, 7}, {290, 368, 8}, {310, 346, 9}, {381, 357, 255},
    };
    for (const Point& p : buttons)
        EXPECT_EQ(CKeyMap::ButtonAt(p.x, p.y), p.entry) << p.x << "," << p.y;

    const Point launch[] = {
        {1, 85, 0},  {11, 94, 0},   {100, 90, 1},   {250, 90, 2},  {317, 79, 3},    {377, 104, 3},
        {6, 145, 4}, {6, 144, 255}, {347, 259, 15}, {12, 90, 255}, {347, 110, 255},
    };
    for (const Point& p : launch)
        EXPECT_EQ(CKeyMap::LaunchElementAt(p.x, p.y), p.entry) << p.x << "," << p.y;
}

TEST(KeyDialogPathTest, LongPathsShowTheirLastPart)
{
    const std::pair<QString, QString> cases[] = {
        {"/bin/true", "/bin/true"},
        {"/usr/bin/gimp", "/usr/bin/gimp"}, // 13 characters: whole
        {"/usr/bin/gedit", "../gedit"},
        {"C:\\Music\\song.mp3", "..\\song.mp3"},
        {"/media/C:\\x\\y/file.txt", "../file.txt"},
        {"D:\\share\\a/b\\last", "..\\last"},
        {"no-separator-at-all", ".."},
    };
    for (const auto& [path, shown] : cases)
        EXPECT_EQ(CKeyMap::ShortenedPath(path), shown) << path.toStdString();
}

TEST_F(KeyDialogTest, HoverFlagsFollowThePointerButSpareTheBox)
{
    Open();
    ClickDisable();
    Move(345, 357);
    EXPECT_TRUE(dialog->HoverFlag(layout::kKeyButtonSave));
    Move(165, 357);
    EXPECT_TRUE(dialog->HoverFlag(layout::kKeyButtonReset));
    Move(200, 250);
    for (int entry : {0, 1, 7, 8, 9})
        EXPECT_FALSE(dialog->HoverFlag(entry)) << entry;
    Move(24, 355);
    EXPECT_FALSE(dialog->HoverFlag(layout::kKeyButtonDisable)) << "the box keeps its own state";
    EXPECT_TRUE(dialog->DisableTicked());
}

// Whether any pixel of the area is close to the colour.
bool Shows(const QImage& frame, const QRect& area, QColor colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = frame.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 40 && std::abs(c.green() - colour.green()) < 40 &&
                std::abs(c.blue() - colour.blue()) < 40)
                return true;
        }
    return false;
}

TEST_F(KeyDialogTest, CaptionStartsWhereEachLanguageHasIt)
{
    const QColor white(255, 255, 255);
    Open(kSlotA, kLanguageGerman);
    QImage frame = dialog->ComposeFrame();
    ASSERT_FALSE(frame.isNull());
    EXPECT_TRUE(Shows(frame, QRect(132, 5, 8, 16), white));
    EXPECT_FALSE(Shows(frame, QRect(100, 5, 31, 16), white));
    ClickClose();
    dialog.reset();
    Open(kSlotA, kLanguageEnglish);
    frame = dialog->ComposeFrame();
    EXPECT_TRUE(Shows(frame, QRect(180, 5, 8, 16), white));
    EXPECT_FALSE(Shows(frame, QRect(132, 5, 47, 16), white));
}

TEST_F(KeyDialogTest, CurrentTabCaptionIsRed)
{
    const QColor red(255, 0, 0);
    Open();
    for (int page = 0; page < 4; ++page) {
        ClickTab(page);
        const QImage frame = dialog->ComposeFrame();
        for (int tab = 0; tab < 4; ++tab)
            EXPECT_EQ(Shows(frame, QRect(2 + 97 * tab, 33, 80, 15), red), tab == page) << page << " " << tab;
    }
}

TEST_F(KeyDialogTest, FocusedCaptureIsSaidOnTheFirstPage)
{
    const QColor grey(0xC0, 0xC0, 0xC0);
    const QRect note(13, 230, 300, 12);
    Open();
    EXPECT_FALSE(Shows(dialog->ComposeFrame(), note, grey));
    ClickClose();
    hook.focusedOnly = true;
    Open();
    EXPECT_TRUE(Shows(dialog->ComposeFrame(), note, grey));
}

TEST_F(KeyDialogTest, MacroPageOffersOnlyMacrosTheKeyboardHasSlotsFor)
{
    const QColor grey(0xC0, 0xC0, 0xC0);
    const QRect note(12, 318, 300, 12);
    struct Case
    {
        std::size_t macros;
        std::uint16_t language;
        int listed;
        bool noteShown;
    };
    const Case cases[] = {
        {3, kLanguageEnglish, 3, false},  {32, kLanguageEnglish, 32, false}, {33, kLanguageEnglish, 32, true},
        {40, kLanguageEnglish, 32, true}, {40, kLanguageGerman, 32, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.macros) + " macros, language " + std::to_string(c.language));
        *macros = MacroStore{};
        for (std::size_t i = 0; i < c.macros; ++i)
            (*macros)[i].SetName(u"m" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
        // A key saved on a macro beyond the slots opens with nothing chosen.
        StoreKeys(KeyFunctionKind::kMacro, {4, 1, 38, 0});
        dialog.reset();
        Open(kSlotA, c.language);
        EXPECT_EQ(dialog->Page(), 1);
        EXPECT_EQ(dialog->MacroList()->count(), c.listed);
        EXPECT_TRUE(dialog->MacroList()->selectedItems().isEmpty());
        EXPECT_EQ(Shows(dialog->ComposeFrame(), note, grey), c.noteShown);
        // Only the macro page says it.
        ClickTab(2);
        EXPECT_FALSE(Shows(dialog->ComposeFrame(), note, grey));
        ClickTab(1);
        dialog->MacroList()->setCurrentRow(c.listed - 1);
        ClickSave();
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.macroNumber, c.listed - 1);
    }
}

} // namespace
} // namespace corvane::keytest
