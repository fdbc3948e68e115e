// A key assignment from the key click to the keyboard: the real key dialog opened from the
// keyboard picture, its choice applied to the settings, sent by Apply, and kept in keymap.bin
// over a restart; and what deleting a macro in the real macro dialog does to the keys on it.

#include "MainWindowFixture.h"

#include "../keys/ui/KeyDialogFixture.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyEnableMap.h"
#include "keys/ui/CKeyMap.h"
#include "macros/ui/CMacroRecordDlg.h"
#include "skin/TransparentListBox.h"
#include "skin/VividTree.h"
#include "store/SettingsFiles.h"

#include <QListWidget>
#include <QTimer>
#include <functional>

namespace corvane::apptest {
namespace {

using keytest::ClickFocus;
using keytest::FakeHook;
using keytest::ScriptedChooser;

constexpr std::uint8_t kSlotF1 = 1;
constexpr std::uint8_t kSlotQ = 42;
constexpr std::uint8_t kSlotA = 63;
constexpr std::uint8_t kSlotZ = 79;
constexpr std::uint8_t kSlotM = 85;
constexpr std::uint8_t kSlotNumPlus = 61;
constexpr std::uint8_t kLCtrl = 162;

class KeyAssignmentEndToEndTest : public MainWindowTest
{
protected:
    void StartWithDialog()
    {
        Start();
        (*macros)[0].SetName(u"Macro_001");
        (*macros)[1].SetName(u"Macro_002");
        dialog = std::make_unique<CKeyMap>(*state, *macros, StandardKeyCodeTable(), prompt, &hook,
                                           kLanguageEnglish);
        dialog->SetLaunchChooser(&chooser);
        window->SetKeyAssignmentWindow(dialog.get());
    }
    void TearDown() override
    {
        if (window) window->SetKeyAssignmentWindow(nullptr);
        dialog.reset();
        MainWindowTest::TearDown();
    }

    // Clicks the key in the main window and, once the modal dialog shows, does what the user does
    // in it. Returns whether the dialog was seen.
    bool AssignThroughDialog(std::uint8_t slot, const std::function<void(CKeyMap&)>& inDialog)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (seen || !dialog->isVisible()) return;
            seen = true;
            poll.stop();
            inDialog(*dialog);
        });
        poll.start();
        ClickKey(slot);
        return seen;
    }
    void DialogClick(CKeyMap& d, int x, int y) { QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(x, y)); }
    void Save(CKeyMap& d) { DialogClick(d, 345, 357); }
    void Reset(CKeyMap& d) { DialogClick(d, 165, 357); }
    // A focus event the window system delivers to an edit after the dialog has ended.
    static void LateFocus(QLineEdit* edit)
    {
        QFocusEvent focus(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(edit, &focus);
    }

    // What the keyboard should hold: the state as it was, with the same choices encoded directly.
    void Expect(const AssignmentResult& r) { AssignKey(*expected, r, StandardKeyCodeTable(), *macros); }
    AssignmentResult Result(std::uint8_t slot, KeyFunctionKind kind)
    {
        AssignmentResult r;
        r.selectedKeySlot = slot;
        r.selectedKeyCode = DefaultKeyOrder[slot];
        r.kind = kind;
        return r;
    }

    FakeHook hook;
    ScriptedChooser chooser;
    std::unique_ptr<CKeyMap> dialog;
    std::unique_ptr<SettingsState> expected = std::make_unique<SettingsState>();
};

TEST_F(KeyAssignmentEndToEndTest, ChoicesReachTheKeyboardAndSurviveARestart)
{
    StartWithDialog();
    *expected = *state;
    const QString folder = QString::fromStdString(dataFolder.string());

    // Left Ctrl + Z on the Q key.
    ASSERT_TRUE(AssignThroughDialog(kSlotQ, [&](CKeyMap& d) {
        ClickFocus(d.CombinationEdit());
        hook.Press(kLCtrl);
        hook.Press('Z');
        Save(d);
    }));
    AssignmentResult combination = Result(kSlotQ, KeyFunctionKind::kCombination);
    combination.keys = {kLCtrl, 'Z'};
    combination.count = 2;
    Expect(combination);

    // The second macro on the A key.
    ASSERT_TRUE(AssignThroughDialog(kSlotA, [&](CKeyMap& d) {
        DialogClick(d, 144, 45);
        d.MacroList()->setCurrentRow(1);
        Save(d);
    }));
    AssignmentResult macro = Result(kSlotA, KeyFunctionKind::kMacro);
    macro.macroNumber = 1;
    Expect(macro);

    // "Volume Up" on F1.
    ASSERT_TRUE(AssignThroughDialog(kSlotF1, [&](CKeyMap& d) {
        DialogClick(d, 241, 45);
        const auto items = d.FunctionTree()->findItems("Volume Up", Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        d.FunctionTree()->setCurrentItem(items.first());
        Save(d);
    }));
    AssignmentResult function = Result(kSlotF1, KeyFunctionKind::kNamedFunction);
    function.functionName = "Volume Up";
    Expect(function);

    // A folder on Z.
    chooser.answers = {folder};
    ASSERT_TRUE(AssignThroughDialog(kSlotZ, [&](CKeyMap& d) {
        DialogClick(d, 338, 45);
        DialogClick(d, 347, 92 + 60 * 3);
        Save(d);
    }));
    AssignmentResult launch = Result(kSlotZ, KeyFunctionKind::kOpenFolder);
    launch.launchPath = folder.toStdU16String();
    Expect(launch);

    // M disabled.
    ASSERT_TRUE(AssignThroughDialog(kSlotM, [&](CKeyMap& d) {
        DialogClick(d, 24, 355);
        Save(d);
    }));
    AssignmentResult disabled = Result(kSlotM, KeyFunctionKind::kDefault);
    disabled.keyEnabled = false;
    Expect(disabled);

    EXPECT_EQ(state->image, expected->image);
    EXPECT_EQ(state->records, expected->records);
    EXPECT_EQ(state->marks, expected->marks);
    EXPECT_FALSE(IsKeyEnabled(state->image, DeviceKeyIndex(kSlotM)));

    // Apply sends the key table and the enable map as they now stand.
    Click(890, 572);
    const EmulatedDeviceState device = emulator.State();
    EXPECT_TRUE(std::equal(device.keyTable.begin(), device.keyTable.end(),
                           expected->image.data() + img::kDeviceKeyTable));
    EXPECT_TRUE(std::equal(device.keyEnableMap.begin(), device.keyEnableMap.end(),
                           expected->image.data() + img::kKeyEnableMap));
    EXPECT_EQ(std::vector<std::uint8_t>(
                  expected->image.data() + img::kDeviceKeyTable + 4 * DeviceKeyIndex(kSlotF1),
                  expected->image.data() + img::kDeviceKeyTable + 4 * DeviceKeyIndex(kSlotF1) + 4),
              (std::vector<std::uint8_t>{0x03, 0x00, 0xE9, 0x00}));

    // A new start reads keymap.bin: the same records and marks, the dialog opens on them.
    window->SetKeyAssignmentWindow(nullptr);
    dialog.reset();
    window.reset();
    state = std::make_unique<SettingsState>();
    StartWithDialog();
    EXPECT_EQ(state->records, expected->records);
    for (std::uint8_t slot : {kSlotQ, kSlotA, kSlotF1, kSlotZ, kSlotM})
        EXPECT_EQ(state->marks[slot], 1) << int(slot);
    EXPECT_EQ(state->marks[kSlotA + 1], 0);
    ASSERT_TRUE(AssignThroughDialog(kSlotQ, [&](CKeyMap& d) {
        EXPECT_EQ(d.CombinationEdit()->text(), "LCtrl + Z ");
        DialogClick(d, 255, 357); // Close
    }));
    ASSERT_TRUE(AssignThroughDialog(kSlotZ, [&](CKeyMap& d) {
        EXPECT_EQ(d.Page(), 3);
        EXPECT_EQ(d.SelectedRow(), 3);
        DialogClick(d, 255, 357);
    }));
}

// While the dialog runs, the main window opens no second one, whether the click comes through the
// window system (where the dialog's modality holds it back) or reaches the window straight.
TEST_F(KeyAssignmentEndToEndTest, ClicksOnTheMainWindowWhileTheDialogRunsOpenNothing)
{
    StartWithDialog();
    *expected = *state;
    struct Way
    {
        const char* name;
        std::function<void(const QPoint&)> click;
    };
    const Way ways[] = {
        {"through the window system",
         [&](const QPoint& p) { QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, p); }},
        {"straight to the window",
         [&](const QPoint& p) { QTest::mouseClick(window.get(), Qt::LeftButton, {}, p); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        hook.modes.clear();
        ASSERT_TRUE(AssignThroughDialog(kSlotF1, [&](CKeyMap& d) {
            way.click(KeyCentre(kSlotNumPlus));
            QCoreApplication::processEvents();
            EXPECT_TRUE(d.isVisible());
            hook.Press('B');
            EXPECT_EQ(d.SingleEdit()->text(), "B ");
            Save(d);
        }));
        EXPECT_EQ(hook.modes.size(), 1u) << "the dialog was opened once";
        AssignmentResult single = Result(kSlotF1, KeyFunctionKind::kSingleKey);
        single.keys = {'B'};
        single.count = 1;
        Expect(single);
        EXPECT_EQ(state->image, expected->image);
        EXPECT_EQ(state->records, expected->records);
        EXPECT_EQ(state->marks, expected->marks);
    }
}

// What the dialog showed when Save or Reset ended it is what the key gets, even when a focus
// event reaches one of its edits on the way out.
TEST_F(KeyAssignmentEndToEndTest, LateFocusChangesNothingStored)
{
    StartWithDialog();
    *expected = *state;
    // B typed into the single-key line of M.
    ASSERT_TRUE(AssignThroughDialog(kSlotM, [&](CKeyMap& d) {
        hook.Press('B');
        ASSERT_EQ(d.SingleEdit()->text(), "B ");
        Save(d);
        LateFocus(d.CombinationEdit());
    }));
    AssignmentResult single = Result(kSlotM, KeyFunctionKind::kSingleKey);
    single.keys = {'B'};
    single.count = 1;
    Expect(single);
    EXPECT_EQ(state->image, expected->image);
    EXPECT_EQ(state->records, expected->records);

    // A combination on M, then Reset: M's own entry comes back.
    ASSERT_TRUE(AssignThroughDialog(kSlotM, [&](CKeyMap& d) {
        ClickFocus(d.CombinationEdit());
        hook.Press(kLCtrl);
        hook.Press('Q');
        Save(d);
        LateFocus(d.SingleEdit());
    }));
    const std::size_t entry = img::kDeviceKeyTable + 4 * DeviceKeyIndex(kSlotM);
    ASSERT_NE(std::vector<std::uint8_t>(state->image.data() + entry, state->image.data() + entry + 4),
              std::vector<std::uint8_t>(expected->image.data() + entry, expected->image.data() + entry + 4));
    ASSERT_TRUE(AssignThroughDialog(kSlotM, [&](CKeyMap& d) {
        Reset(d);
        LateFocus(d.SingleEdit());
    }));
    AssignmentResult reset = Result(kSlotM, KeyFunctionKind::kCombination);
    reset.count = kResetRequest;
    Expect(reset);
    EXPECT_EQ(state->image, expected->image);
    EXPECT_EQ(state->records, expected->records);
    EXPECT_EQ(state->marks[kSlotM], 0);
    const DeviceKeyBytes own = DefaultDeviceKeyTable()[DeviceKeyIndex(kSlotM)];
    EXPECT_TRUE(std::equal(own.begin(), own.end(), state->image.data() + entry));
}

TEST_F(KeyAssignmentEndToEndTest, CancelLeavesEverythingAsItWas)
{
    StartWithDialog();
    const SettingsState before = *state;
    ASSERT_TRUE(AssignThroughDialog(kSlotQ, [&](CKeyMap& d) {
        ClickFocus(d.SingleEdit());
        hook.Press('Z');
        DialogClick(d, 24, 355);
        DialogClick(d, 255, 357);
    }));
    EXPECT_EQ(state->image, before.image);
    EXPECT_EQ(state->records, before.records);
    EXPECT_EQ(state->marks, before.marks);
}

struct MacroDeletionCase
{
    const char* name;
    bool confirm; // the answer to the question Delete asks
    int finish;   // how the macro dialog ends
    bool deleted; // whether the macro is gone afterwards
};

void PrintTo(const MacroDeletionCase& c, std::ostream* out)
{
    *out << c.name;
}

class MacroDeletionEndToEndTest : public KeyAssignmentEndToEndTest,
                                  public ::testing::WithParamInterface<MacroDeletionCase>
{
protected:
    void TearDown() override
    {
        if (window) window->SetMacroWindow(nullptr);
        macroDialog.reset();
        KeyAssignmentEndToEndTest::TearDown();
    }
    // Runs the macro dialog from the main window's Macro button; inDialog acts in it.
    bool InMacroDialog(const std::function<void(CMacroRecordDlg&)>& inDialog)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (seen || !macroDialog->isVisible()) return;
            seen = true;
            poll.stop();
            inDialog(*macroDialog);
        });
        poll.start();
        const layout::Rect& r = layout::kMainButtons[layout::kButtonMacro].rect;
        Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return seen;
    }
    void MacroDialogClick(CMacroRecordDlg& d, int entry)
    {
        const layout::Rect& r = layout::kMacroButtons[entry].rect;
        QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    }
    void Apply() { Click(890, 572); }

    std::unique_ptr<CMacroRecordDlg> macroDialog;
};

TEST_P(MacroDeletionEndToEndTest, KeysOnADeletedMacroPlayTheirOwnKeyAgainAndItsSlotIsCleared)
{
    const MacroDeletionCase& c = GetParam();
    // Three macros, told apart by their repeat counts 11, 12, 13.
    for (std::size_t i = 0; i < 3; ++i) {
        (*macros)[i].SetName(u"Macro_00" + std::u16string(1, static_cast<char16_t>(u'1' + i)));
        (*macros)[i].SetRepeatCount(static_cast<std::uint16_t>(11 + i));
        (*macros)[i].DeviceEvents()[0] = 0x01;
        (*macros)[i].DeviceEvents()[1] = 0x04;
    }
    ASSERT_TRUE(SaveMacroStore(dataFolder / kMacroFileName, *macros));
    Start();
    dialog =
        std::make_unique<CKeyMap>(*state, *macros, StandardKeyCodeTable(), prompt, &hook, kLanguageEnglish);
    window->SetKeyAssignmentWindow(dialog.get());
    macroDialog = std::make_unique<CMacroRecordDlg>(*state, *macros, StandardKeyCodeTable(), prompt, &hook,
                                                    kLanguageEnglish);
    window->SetMacroWindow(macroDialog.get());

    // Macro_002 on Q, Macro_003 on A, and both on the keyboard.
    for (auto [slot, row] : {std::pair{kSlotQ, 1}, std::pair{kSlotA, 2}}) {
        ASSERT_TRUE(AssignThroughDialog(slot, [&, row = row](CKeyMap& d) {
            DialogClick(d, 144, 45);
            d.MacroList()->setCurrentRow(row);
            Save(d);
        }));
    }
    Apply();
    const EmulatedDeviceState applied = emulator.State();
    ASSERT_EQ(GetDeviceKeyEntry(state->image, DeviceKeyIndex(kSlotQ)), MacroEntry(1));
    ASSERT_EQ(applied.macroSlots[2][1], 13);

    // Macro_002 deleted in the macro dialog.
    prompt.calls.clear();
    prompt.answers = {c.confirm};
    ASSERT_TRUE(InMacroDialog([&](CMacroRecordDlg& d) {
        d.MacroList()->setCurrentRow(1);
        MacroDialogClick(d, layout::kMacroButtonDelete);
        MacroDialogClick(d, c.finish);
    }));
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].text,
              QStringLiteral(
                  "Keys playing this macro: Q.\nDelete it anyway? These keys get their own function back."));
    Apply();

    auto file = std::make_unique<SettingsState>();
    ASSERT_EQ(ReadSettingsFileExact(window->KeymapPath(), file->image, file->records).state,
              FileState::kLoaded);
    const EmulatedDeviceState device = emulator.State();
    auto deviceEntry = [&](std::uint8_t slot) {
        const std::size_t at = 4 * DeviceKeyIndex(slot);
        return DeviceKeyEntry{device.keyTable[at], device.keyTable[at + 1], device.keyTable[at + 2],
                              device.keyTable[at + 3]};
    };
    if (!c.deleted) {
        EXPECT_EQ(macros->CountInUse(), 3u);
        EXPECT_EQ(file->records[kSlotQ], state->records[kSlotQ]);
        EXPECT_EQ(file->records[kSlotQ].Data()[2], 1);
        EXPECT_EQ(deviceEntry(kSlotQ), MacroEntry(1));
        EXPECT_EQ(deviceEntry(kSlotA), MacroEntry(2));
        EXPECT_EQ(device.macroSlots, applied.macroSlots);
        return;
    }
    EXPECT_EQ(macros->CountInUse(), 2u);
    // Q is a plain key again: in keymap.bin, on the keyboard, and not marked.
    KeyRecord plain;
    plain[rec::kKeyCode] = DefaultKeyOrder[kSlotQ];
    EXPECT_EQ(file->records[kSlotQ], plain);
    const DeviceKeyEntry own = DefaultDeviceKeyTable()[DeviceKeyIndex(kSlotQ)];
    EXPECT_EQ(GetDeviceKeyEntry(file->image, DeviceKeyIndex(kSlotQ)), own);
    EXPECT_EQ(deviceEntry(kSlotQ), own);
    EXPECT_EQ(state->marks[kSlotQ], 0);
    // A follows Macro_003 to its new number 1.
    EXPECT_EQ(file->records[kSlotA].Data()[2], 1);
    EXPECT_EQ(deviceEntry(kSlotA), MacroEntry(1));
    EXPECT_EQ(device.macroSlots[1][1], 13);
    // The keyboard no longer holds the deleted macro anywhere.
    EXPECT_EQ(device.macroSlots[0][1], 11);
    EXPECT_TRUE(std::all_of(device.macroSlots[2].begin(), device.macroSlots[2].end(),
                            [](std::uint8_t b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Endings, MacroDeletionEndToEndTest,
    ::testing::Values(MacroDeletionCase{"QuestionCancelled", false, layout::kMacroButtonOk, false},
                      MacroDeletionCase{"DialogCancelled", true, layout::kMacroButtonCancel, false},
                      MacroDeletionCase{"CloseBox", true, layout::kMacroButtonCloseBox, false},
                      MacroDeletionCase{"Ok", true, layout::kMacroButtonOk, true}),
    [](const ::testing::TestParamInfo<MacroDeletionCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace corvane::apptest
