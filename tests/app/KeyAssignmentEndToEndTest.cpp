// A key assignment from the key click to the keyboard: the real key dialog opened from the
// keyboard picture, its choice applied to the settings, sent by Apply, and kept in keymap.bin
// over a restart.

#include "MainWindowFixture.h"

#include "../keys/ui/KeyDialogFixture.h"
#include "device/KeyEnableMap.h"
#include "keys/ui/CKeyMap.h"
#include "skin/VividTree.h"

#include <QListWidget>
#include <QTimer>
#include <functional>

namespace corvane::apptest {
namespace {

using keytest::FakeHook;
using keytest::ScriptedChooser;

constexpr std::uint8_t kSlotF1 = 1;
constexpr std::uint8_t kSlotQ = 42;
constexpr std::uint8_t kSlotA = 63;
constexpr std::uint8_t kSlotZ = 79;
constexpr std::uint8_t kSlotM = 85;
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
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(d.CombinationEdit(), &focus);
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
        DialogClick(d, 347, 92 + 62 * 3);
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

TEST_F(KeyAssignmentEndToEndTest, CancelLeavesEverythingAsItWas)
{
    StartWithDialog();
    const SettingsState before = *state;
    ASSERT_TRUE(AssignThroughDialog(kSlotQ, [&](CKeyMap& d) {
        QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(d.SingleEdit(), &focus);
        hook.Press('Z');
        DialogClick(d, 24, 355);
        DialogClick(d, 255, 357);
    }));
    EXPECT_EQ(state->image, before.image);
    EXPECT_EQ(state->records, before.records);
    EXPECT_EQ(state->marks, before.marks);
}

} // namespace
} // namespace corvane::apptest
