// Apply against the emulator: exactly the changed regions go out, a failed apply is told and kept
// for the next one, and keyboard-side changes come back as slider moves and four repaints.

#include "MainWindowFixture.h"

#include "skin/BitSlider.h"
#include "store/SettingsFiles.h"

namespace corvane::apptest {
namespace {

using Commands_ = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

class ApplyTest : public MainWindowTest
{
protected:
    void ClickApply() { Click(890, 572); }
    // Starts each test from an apply that has already gone through.
    void SettleAfterRead()
    {
        ClickApply();
        emulator.ClearTrace();
        prompt.calls.clear();
    }
    void SetBrightness(int value)
    {
        window->Slider(layout::kSliderBrightness)->setValue(value);
        QCoreApplication::processEvents();
        window->ComposeFrame();
    }
};

TEST_F(ApplyTest, BrightnessAloneSendsOnlyTheTwoLightingStages)
{
    Start();
    SettleAfterRead();
    SetBrightness(17);
    EXPECT_TRUE(Commands().empty());
    ClickApply();
    const Commands_ expected{
        {kUpdateCommand, 1}, {kSetLightingCommand, 1}, {kSetLightingCommand, 2}, {kUpdateCommand, 0}};
    EXPECT_EQ(Commands(), expected);
    EXPECT_EQ(emulator.State().brightness, 17);
    EXPECT_TRUE(prompt.calls.empty());
    // Nothing changed since: only the update brackets.
    emulator.ClearTrace();
    ClickApply();
    EXPECT_EQ(Commands(), (Commands_{{kUpdateCommand, 1}, {kUpdateCommand, 0}}));
}

TEST_F(ApplyTest, GameModeAndPaletteSendTheirRegions)
{
    Start();
    SettleAfterRead();
    FakeColourWindow colours;
    colours.answer = 0x000000FF;
    window->SetColourWindow(&colours);
    Click(115, 476); // game mode
    ChooseEffect(1); // Breathing: the lighting block changes too
    Click(63, 233);  // select square 2
    Click(63, 233);  // and give it a colour
    ClickApply();
    std::vector<std::uint8_t> codes;
    for (const auto& [code, arg] : Commands())
        codes.push_back(code);
    const std::vector<std::uint8_t> expected{kUpdateCommand,      kSetLightingCommand, kSetPaletteCommand,
                                             kSetPaletteCommand,  kSetPaletteCommand,  kSetPaletteCommand,
                                             kSetPaletteCommand,  kSetPaletteCommand,  kSetPaletteCommand,
                                             kSetGameModeCommand, kSetLightingCommand, kUpdateCommand};
    EXPECT_EQ(codes, expected);
    const EmulatedDeviceState device = emulator.State();
    EXPECT_EQ(device.lightingMode, 2);
    EXPECT_EQ(device.palette[3], 0xFF);
    EXPECT_EQ(device.gameMode, state->image[img::kGameMode]);
}

TEST_F(ApplyTest, FailedApplyIsToldAndSentAgainNextTime)
{
    Start();
    SettleAfterRead();
    SetBrightness(9);
    emulator.DropAcknowledgements(100);
    ClickApply();
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_FALSE(prompt.calls[0].question);
    EXPECT_EQ(prompt.calls[0].text,
              "The keyboard did not accept the settings. They will be sent again with the next Apply.");
    EXPECT_NE(state->shadow[img::kBrightness], 9);

    emulator.ClearFaults();
    emulator.ClearTrace();
    prompt.calls.clear();
    ClickApply();
    EXPECT_TRUE(prompt.calls.empty());
    EXPECT_EQ(emulator.State().brightness, 9);
    EXPECT_EQ(state->shadow[img::kBrightness], 9);
}

TEST_F(ApplyTest, FailureTextFollowsTheLanguage)
{
    Start(kLanguageGerman);
    SettleAfterRead();
    emulator.DropAcknowledgements(100);
    SetBrightness(3);
    ClickApply();
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].text,
              QString::fromUtf8("Die Tastatur hat die Einstellungen nicht übernommen. Sie "
                                "werden beim nächsten Anwenden erneut gesendet."));
}

TEST_F(ApplyTest, ApplyWaitsForTheStartUpRead)
{
    // The read is still to be taken over: Apply must not start a second sequence.
    Start(kLanguageEnglish, false);
    ASSERT_FALSE(window->DeviceActionsAllowed());
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, QPoint(890, 572));
    window->show();
    WaitForRead();
    // Neither sent (the read would have been interleaved) nor refused as busy (a failure told).
    for (const auto& [code, arg] : Commands())
        EXPECT_NE(code, kUpdateCommand);
    EXPECT_TRUE(prompt.calls.empty());
}

TEST_F(ApplyTest, KeyboardSideChangeMovesTheSliderAndRepaintsFourTimes)
{
    Start();
    QTest::qWait(100);
    EXPECT_FALSE(window->RepaintBurstRunning()); // idle: no timer ticking
    const int before = window->FullPaintCount();
    emulator.PressLightingKey(4, 23);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->Slider(layout::kSliderBrightness)->value() == 23; }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(window->FullPaintCount() - before, 4);
    EXPECT_FALSE(window->RepaintBurstRunning());
    EXPECT_EQ(state->image[img::kBrightness], 23);
    EXPECT_EQ(state->shadow[img::kBrightness], 23);

    // Speed arrives in the keyboard's own value, 10 - position; an unknown sub-type still repaints.
    const int second = window->FullPaintCount();
    emulator.PressLightingKey(3, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Slider(layout::kSliderSpeed)->value() == 7; }, 2000));
    QTest::qWait(300);
    EXPECT_EQ(window->FullPaintCount() - second, 4);
    const int third = window->FullPaintCount();
    emulator.PressLightingKey(9, 1);
    QTest::qWait(400);
    EXPECT_EQ(window->FullPaintCount() - third, 4);
}

TEST_F(ApplyTest, CloseButtonKeepsWhatWasAppliedAndExitWritesNothing)
{
    Start();
    SettleAfterRead();
    SetBrightness(11);
    ClickApply();
    SetBrightness(44); // never applied
    Click(985, 12);    // close
    SettingsState saved;
    ASSERT_EQ(LoadKeymap(dataFolder / "keymap.bin", saved, KeymapLoadMode::kFull).state, FileState::kLoaded);
    EXPECT_EQ(saved.image[img::kBrightness], 11);
}

TEST_F(ApplyTest, ExitFromTheIconMenuLeavesKeymapUntouched)
{
    Start();
    SettleAfterRead();
    QFile file(QString::fromStdString((dataFolder / "keymap.bin").string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    SetBrightness(44);
    bool ended = false;
    QObject::connect(window.get(), &CTarvikDlg::Ended, [&] { ended = true; });
    window->ExitWithoutSaving();
    EXPECT_TRUE(ended);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

} // namespace
} // namespace corvane::apptest
