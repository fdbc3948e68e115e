// The listener on the event channel and what the window does with what it posts.

#include "DeviceLinkTestSupport.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace corvane::testing;
using std::chrono::milliseconds;

struct Listener : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(f.StartAndSync());
        ASSERT_TRUE(f.DrainEvents());
        f.sink.Clear();
    }
    int Repaints()
    {
        int n = 0;
        for (int tick = 0; tick < 10; ++tick)
            n += f.link->RepaintTick() ? 1 : 0;
        return n;
    }
    EmulatedLink f;
};

TEST_F(Listener, SpeedKeyUpdatesImageShadowAndSliderOnTheWindowThread)
{
    const SettingsImage before = f.state().image;
    f.emulator.PressLightingKey(3, 3);
    const auto posted = f.sink.Take<KeyboardSettingChanged>();
    ASSERT_TRUE(posted);
    EXPECT_EQ(*posted, (KeyboardSettingChanged{KeyboardSetting::kSpeed, 3}));
    // The listener itself wrote nothing.
    EXPECT_EQ(f.state().image, before);

    EXPECT_EQ(f.link->OnKeyboardSetting(f.state(), *posted), SliderField::kSpeed);
    EXPECT_EQ(SliderPositionOf(f.state().image, SliderField::kSpeed), 7);
    EXPECT_EQ(f.state().image[img::kSpeed], 7);
    EXPECT_EQ(f.state().shadow[img::kSpeed], 7);
    EXPECT_EQ(Repaints(), 4);
    EXPECT_FALSE(f.link->RepaintPending());

    // A keyboard-side change is not sent back at the next apply.
    f.trace.Clear();
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.trace.Commands().size(), 2u);
}

TEST_F(Listener, EachSubTypeLandsInItsField)
{
    struct Case
    {
        KeyboardSetting setting;
        std::size_t offset;
        std::optional<SliderField> slider;
    };
    for (const Case c : {Case{KeyboardSetting::kMode, img::kLightingMode, std::nullopt},
                         Case{KeyboardSetting::kBrightness, img::kBrightness, SliderField::kBrightness},
                         Case{KeyboardSetting::kColour, img::kColour, std::nullopt},
                         Case{KeyboardSetting::kDirection, img::kDirection, std::nullopt}}) {
        const auto slider = f.link->OnKeyboardSetting(f.state(), {c.setting, 0x21});
        EXPECT_EQ(f.state().image[c.offset], 0x21) << int(c.setting);
        EXPECT_EQ(f.state().shadow[c.offset], 0x21) << int(c.setting);
        EXPECT_EQ(slider, c.slider) << int(c.setting);
    }
}

TEST_F(Listener, UnknownSubTypeChangesNothingButStillRepaints)
{
    f.emulator.PressLightingKey(9, 5);
    const auto posted = f.sink.Take<KeyboardSettingChanged>();
    ASSERT_TRUE(posted);
    const SettingsState before = f.state();
    EXPECT_EQ(f.link->OnKeyboardSetting(f.state(), *posted), std::nullopt);
    EXPECT_EQ(f.state().image, before.image);
    EXPECT_EQ(f.state().shadow, before.shadow);
    EXPECT_EQ(Repaints(), 4);
}

TEST_F(Listener, AcknowledgementOnlySetsTheFlag)
{
    f.link->ClearAck();
    f.emulator.QueueInputReport({4, 4, 0, 0});
    EXPECT_TRUE(f.link->WaitForAck(milliseconds(2000)));
    ASSERT_TRUE(f.DrainEvents());
    EXPECT_TRUE(f.sink.All().empty());
    EXPECT_FALSE(f.link->RepaintPending());
}

TEST_F(Listener, KeyEventsArePostedWithTheirCode)
{
    f.emulator.SendKeyEvent(0x1B);
    const auto posted = f.sink.Take<HostKeyPressed>();
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->keyCode, 0x1B);
}

TEST_F(Listener, ReportsWithOtherIdsAreIgnoredAndReadingGoesOn)
{
    f.emulator.InjectGarbageReports(20);
    f.emulator.QueueInputReport({3, 2, 0x41, 0});
    f.emulator.QueueInputReport({4}); // too short to carry a kind
    f.emulator.SendKeyEvent(0x42);
    const auto posted = f.sink.Take<HostKeyPressed>();
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->keyCode, 0x42);
    EXPECT_TRUE(f.sink.All().empty());
}

TEST_F(Listener, ApplyCompletesWhileTheKeyboardSendsEvents)
{
    // Posting never waits for the window, which is busy in the apply.
    for (int i = 0; i < 50; ++i)
        f.emulator.SendKeyEvent(static_cast<std::uint8_t>(0x30 + i % 10));
    f.state().image[img::kBrightness] = 5;
    f.emulator.PressLightingKey(2, 4);
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.emulator.State().brightness, 5);
}

TEST_F(Listener, StopEndsTheWaitingReadAtOnce)
{
    EXPECT_TRUE(f.link->ListenerRunning());
    // The read waits without a time limit: only the stop can end it (a hang is the test's time-out).
    f.link->Shutdown();
    EXPECT_FALSE(f.link->ListenerRunning());
    EXPECT_FALSE(f.link->EventChannelOpen());
    f.emulator.SendKeyEvent(0x20);
    EXPECT_FALSE(f.sink.Take<HostKeyPressed>(milliseconds(20)));
}

TEST(RepaintTimer, FourRepaintsPerChangeAndARestartedCount)
{
    EmulatedLink f;
    SettingsState& state = f.state();
    DeviceLink& link = f.Link();
    EXPECT_FALSE(link.RepaintTick());
    link.OnKeyboardSetting(state, {KeyboardSetting::kBrightness, 10});
    EXPECT_TRUE(link.RepaintTick());
    EXPECT_TRUE(link.RepaintTick());
    // A second change before the first is done starts the count again.
    link.OnKeyboardSetting(state, {KeyboardSetting::kBrightness, 11});
    int n = 0;
    while (link.RepaintTick())
        ++n;
    EXPECT_EQ(n, 4);
    EXPECT_FALSE(link.RepaintPending());
    EXPECT_FALSE(link.RepaintTick());
}

} // namespace
} // namespace corvane
