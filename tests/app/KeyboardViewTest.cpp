// The keyboard picture and the title strip: which keys react in which view, selection by drag and
// Ctrl, the help window with factory reset and updater, window dragging and key filtering.

#include "MainWindowFixture.h"

#include "format/KeyRecord.h"
#include "skin/BitSlider.h"
#include "skin/WindowMessage.h"
#include "store/SettingsFiles.h"

#include <QKeyEvent>

#include <fstream>

namespace corvane::apptest {
namespace {

constexpr int kEsc = 0;
constexpr int kLeftCtrl = 95;
constexpr int kWin = 96;
constexpr int kFn = 100;
constexpr int kRightCtrl = 102;
constexpr int kKeyA = 63;
constexpr int kKeyQ = 42;
constexpr int kKeyS = 64;
constexpr int kKeyW = 43;
constexpr int kProfile1Row = 11;

class KeyboardViewTest : public MainWindowTest
{
protected:
    void EnterColourView()
    {
        ChooseEffect(kProfile1Row);
        ASSERT_TRUE(window->CustomColourView());
    }
    std::array<std::uint8_t, 3> KeyColour(int slot) const
    {
        const std::uint8_t* map = state->image.CustomLightMap(0);
        const std::size_t k = DeviceKeyIndex(static_cast<std::size_t>(slot));
        return {map[4 * k + 1], map[4 * k + 2], map[4 * k + 3]};
    }
    void Drag(QPoint from, QPoint to)
    {
        QTest::mousePress(window.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(window.get(), (from + to) / 2);
        QTest::mouseMove(window.get(), to);
        QTest::mouseRelease(window.get(), Qt::LeftButton, {}, to);
        QCoreApplication::processEvents();
    }
};

TEST_F(KeyboardViewTest, KeyAssignmentViewOpensTheDialogExceptForWinFnAndCtrl)
{
    Start();
    FakeKeyWindow keys;
    window->SetKeyAssignmentWindow(&keys);
    for (int slot : {kWin, kFn, kLeftCtrl, kRightCtrl})
        ClickKey(slot);
    EXPECT_TRUE(keys.openedSlots.empty());
    EXPECT_EQ(window->KeyAtPoint(KeyCentre(kWin).x(), KeyCentre(kWin).y()), kNoKey);
    ClickKey(kKeyA);
    ClickKey(kEsc);
    EXPECT_EQ(keys.openedSlots, (std::vector<int>{kKeyA, kEsc}));
}

TEST_F(KeyboardViewTest, AcceptedAssignmentIsStoredInKeymapButNotSent)
{
    Start();
    struct DisablingWindow : KeyAssignmentWindow
    {
        bool Open(AssignmentResult& result) override
        {
            EXPECT_EQ(result.selectedKeyCode, 65); // the A key's own code
            result.kind = KeyFunctionKind::kDefault;
            result.keyEnabled = false;
            return true;
        }
    } disabling;
    window->SetKeyAssignmentWindow(&disabling);
    emulator.ClearTrace();
    ClickKey(kKeyA);
    EXPECT_EQ(state->marks[kKeyA], 1);
    EXPECT_TRUE(Commands().empty());
    SettingsState saved;
    ASSERT_EQ(LoadKeymap(dataFolder / "keymap.bin", saved, KeymapLoadMode::kFull).state, FileState::kLoaded);
    EXPECT_EQ(saved.image.bytes, state->image.bytes);
}

TEST_F(KeyboardViewTest, ColourViewColoursWinAndFnButNeverCtrl)
{
    Start();
    FakeColourWindow colours;
    colours.answer = 0x00102030;
    window->SetColourWindow(&colours);
    EnterColourView();
    ClickKey(kLeftCtrl);
    ClickKey(kRightCtrl);
    EXPECT_TRUE(colours.initialColours.empty());
    ClickKey(kWin);
    ClickKey(kFn);
    ASSERT_EQ(colours.initialColours.size(), 2u);
    EXPECT_EQ(KeyColour(kWin), (std::array<std::uint8_t, 3>{0x30, 0x20, 0x10}));
    EXPECT_EQ(KeyColour(kFn), (std::array<std::uint8_t, 3>{0x30, 0x20, 0x10}));
    EXPECT_EQ(window->SelectionState(), 0);
    // A cancelled dialog changes no colour and still clears the selection.
    colours.answer.reset();
    const auto before = KeyColour(kKeyA);
    ClickKey(kKeyA);
    EXPECT_EQ(KeyColour(kKeyA), before);
    EXPECT_FALSE(window->KeySelected(kKeyA));
}

TEST_F(KeyboardViewTest, CtrlHoverCausesNoRepaint)
{
    Start();
    Move(700, 500);
    QCoreApplication::processEvents();
    const int before = window->FullPaintCount();
    Move(KeyCentre(kLeftCtrl).x(), KeyCentre(kLeftCtrl).y());
    QCoreApplication::processEvents();
    EXPECT_EQ(window->FullPaintCount(), before);
    Move(KeyCentre(kKeyA).x(), KeyCentre(kKeyA).y());
    QCoreApplication::processEvents();
    EXPECT_EQ(window->FullPaintCount(), before + 1);
    EXPECT_EQ(window->KeyUnderPointer(), kKeyA);
}

TEST_F(KeyboardViewTest, DragDownRightSelectsEnclosedKeysAndUpLeftSelectsNone)
{
    Start();
    FakeColourWindow colours;
    colours.answer = 0x000000FF;
    window->SetColourWindow(&colours);
    EnterColourView();
    const layout::Rect q = layout::KeyWindowRect(kKeyQ);
    const layout::Rect s = layout::KeyWindowRect(kKeyS);
    // From just above-left of Q to just below-right of S: Q, W, A, S.
    Drag(QPoint(q.left - 1, q.top - 1), QPoint(s.right + 1, s.bottom + 1));
    for (int slot : {kKeyQ, kKeyW, kKeyA, kKeyS})
        EXPECT_TRUE(window->KeySelected(slot)) << slot;
    EXPECT_FALSE(window->KeySelected(kEsc));
    EXPECT_FALSE(window->KeySelected(44)); // E lies outside
    EXPECT_EQ(window->SelectionState(), 2);
    EXPECT_TRUE(colours.initialColours.empty());
    // The next key click colours the whole selection.
    ClickKey(kKeyQ);
    for (int slot : {kKeyQ, kKeyW, kKeyA, kKeyS})
        EXPECT_EQ(KeyColour(slot), (std::array<std::uint8_t, 3>{0xFF, 0, 0})) << slot;
    EXPECT_EQ(window->SelectionState(), 0);

    Drag(QPoint(s.right + 1, s.bottom + 1), QPoint(q.left - 1, q.top - 1));
    for (int slot = 0; slot < 108; ++slot)
        EXPECT_FALSE(window->KeySelected(slot)) << slot;
    EXPECT_EQ(window->SelectionState(), 0);
}

TEST_F(KeyboardViewTest, DragOverThePicturesCornerNeverSelectsTheKeysItLacks)
{
    Start();
    EnterColourView();
    // The four media keys have empty rectangles at the picture's corner (335, 129).
    Drag(QPoint(330, 120), QPoint(420, 240));
    for (int slot = 16; slot <= 19; ++slot)
        EXPECT_FALSE(window->KeySelected(slot)) << slot;
    EXPECT_TRUE(window->KeySelected(kEsc));
}

TEST_F(KeyboardViewTest, UnknownModeFromTheKeyboardLeavesTheColourView)
{
    Start();
    FakeColourWindow colours;
    colours.answer = 0x00FFFFFF;
    FakeKeyWindow keys;
    window->SetColourWindow(&colours);
    window->SetKeyAssignmentWindow(&keys);
    EnterColourView();
    const SettingsImage before = state->image;
    // A mode beyond the five custom maps names no map: nothing may be read or written for it.
    emulator.PressLightingKey(2, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->image[img::kLightingMode] == 200; }, 2000));
    const QImage frame = Frame();
    EXPECT_FALSE(frame.isNull());
    ClickKey(kKeyA);
    EXPECT_TRUE(colours.initialColours.empty());
    EXPECT_EQ(keys.openedSlots, (std::vector<int>{kKeyA}));
    EXPECT_EQ(state->image.bytes.size(), before.bytes.size());
    EXPECT_TRUE(state->image.RegionEquals(before, img::kCustomLightMaps,
                                          img::kCustomLightMapCount * img::kCustomLightMapSize));
}

TEST_F(KeyboardViewTest, CtrlClicksGatherKeysForOneColour)
{
    Start();
    FakeColourWindow colours;
    colours.answer = 0x0000FF00;
    window->SetColourWindow(&colours);
    EnterColourView();
    QTest::keyPress(window.get(), Qt::Key_Control);
    ASSERT_TRUE(window->CtrlHeld());
    ClickKey(kKeyQ);
    ClickKey(kKeyS);
    ClickKey(kKeyS); // toggled off again
    EXPECT_TRUE(window->KeySelected(kKeyQ));
    EXPECT_FALSE(window->KeySelected(kKeyS));
    EXPECT_TRUE(colours.initialColours.empty());
    QTest::keyRelease(window.get(), Qt::Key_Control);
    EXPECT_EQ(window->SelectionState(), 2);
    ClickKey(kKeyA);
    EXPECT_EQ(KeyColour(kKeyQ), (std::array<std::uint8_t, 3>{0, 0xFF, 0}));
    EXPECT_NE(KeyColour(kKeyA), (std::array<std::uint8_t, 3>{0, 0xFF, 0}));
}

TEST_F(KeyboardViewTest, HelpWindowClickOutsideOnlyClosesIt)
{
    Start();
    FakeKeyWindow keys;
    window->SetKeyAssignmentWindow(&keys);
    Click(944, 12);
    ASSERT_TRUE(window->HelpOpen());
    emulator.ClearTrace();
    Click(890, 572); // Apply, outside the help window
    EXPECT_FALSE(window->HelpOpen());
    EXPECT_TRUE(Commands().empty());
    Click(944, 12);
    ClickKey(kKeyA);
    EXPECT_FALSE(window->HelpOpen());
    EXPECT_TRUE(keys.openedSlots.empty());
    // Row 2 (the version line) just closes it.
    Click(944, 12);
    Click(900, 22 + 2 * 25 + 5);
    EXPECT_FALSE(window->HelpOpen());
    EXPECT_TRUE(prompt.calls.empty());
}

TEST_F(KeyboardViewTest, FactoryResetAskedAndCancelledChangesNothing)
{
    Start();
    const SettingsImage before = state->image;
    emulator.ClearTrace();
    prompt.answers = {false};
    Click(944, 12);
    Click(900, 30);
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_TRUE(prompt.calls[0].question);
    EXPECT_EQ(prompt.calls[0].caption, "Factory Setting");
    EXPECT_EQ(prompt.calls[0].text, "Confirm to return Factory Setting?");
    EXPECT_FALSE(window->HelpOpen());
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(state->image, before);
}

TEST_F(KeyboardViewTest, FactoryResetConfirmedResetsKeyboardAndHost)
{
    Start(kLanguageGerman);
    FakeColourWindow colours;
    window->SetColourWindow(&colours);
    // Some customisation on both sides first.
    state->image[img::kKeyEnableMap + 2] = 0x00;
    state->records[5][rec::kKind] = 3;
    EmulatedDeviceState changed = emulator.State();
    changed.brightness = 7;
    emulator.SetState(changed);
    EnterColourView();
    emulator.ClearTrace();
    prompt.answers = {true};
    Click(944, 12);
    Click(900, 30);
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].caption, "Werkseinstellungen");
    EXPECT_EQ(prompt.calls[0].text,
              QString::fromUtf8("Bitte bestätige das Zurücksetzen auf die Werkseinstellungen?"));
    ASSERT_FALSE(Commands().empty());
    EXPECT_EQ(Commands().front().first, kFactoryResetCommand);
    EXPECT_FALSE(window->HelpOpen());
    EXPECT_FALSE(window->CustomColourView());
    for (std::size_t i = 0; i < img::kKeyEnableMapSize; ++i)
        EXPECT_EQ(state->image[img::kKeyEnableMap + i], 0xFF);
    EXPECT_EQ(state->records[5][rec::kKind], 0);
    EXPECT_EQ(state->records[5][rec::kKeyCode], DefaultKeyOrder[5]);
    EXPECT_EQ(window->Slider(layout::kSliderBrightness)->value(), state->image[img::kBrightness]);
    // The shadow took the state read after the reset, and the panel's paint changed none of it.
    EXPECT_EQ(state->shadow, state->image);
}

TEST_F(KeyboardViewTest, EnterEscapeAndF1NeitherCloseNorOpenHelp)
{
    Start();
    bool ended = false;
    QObject::connect(window.get(), &CTarvikDlg::Ended, [&] { ended = true; });
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_F1}) {
        QTest::keyClick(window.get(), key);
        QTest::keyClick(window->Slider(layout::kSliderBrightness), key);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ended);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->HelpOpen());
}

TEST_F(KeyboardViewTest, TitleStripDragsTheWindowOnlyBetweenRowsTwoAndThirty)
{
    Start();
    window->move(100, 100);
    QCoreApplication::processEvents();
    const QPoint start = window->pos();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(500, 31));
    QTest::mouseMove(window.get(), QPoint(540, 31));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(540, 31));
    EXPECT_EQ(window->pos(), start);
    QTest::mousePress(window.get(), Qt::LeftButton, {}, QPoint(500, 30));
    QTest::mouseMove(window.get(), QPoint(540, 30));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, QPoint(540, 30));
    EXPECT_EQ(window->pos(), start + QPoint(40, 0));
}

TEST_F(KeyboardViewTest, KeyboardKeyEventLaunchesTheKeysTarget)
{
    Start();
    KeyRecord& record = state->records[30];
    record[rec::kKeyCode] = 0x42;
    record.SetKind(KeyFunctionKind::kStartProgram);
    // Only a path that exists is handed on.
    const std::filesystem::path target = dataFolder / "run-me";
    std::ofstream(target).put('x');
    record.SetLaunchPath(target.u16string());
    emulator.SendKeyEvent(0x42);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.opened.empty(); }, 2000));
    EXPECT_EQ(shell.opened[0].first, target.string());
    EXPECT_EQ(shell.opened[0].second, dataFolder.string());
}

TEST_F(KeyboardViewTest, MinimiseWithoutNotificationAreaMinimisesInsteadOfHiding)
{
    Start();
    Click(965, 12);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window->ShowFromOutside();
    EXPECT_FALSE(window->isMinimized());
}

} // namespace
} // namespace corvane::apptest
