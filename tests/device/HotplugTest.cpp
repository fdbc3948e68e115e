// Unplugging and plugging the keyboard back, with and without update mode.

#include "DeviceLinkTestSupport.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace corvane::testing;
using std::chrono::milliseconds;

struct Hotplug : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(f.StartAndSync());
        f.sink.Clear();
        f.trace.Clear();
    }
    EmulatedLink f;
    const UsbIdPair keyboard = kAcceptedDeviceIds[0];
};

TEST_F(Hotplug, UnplugClosesAndReplugReopensRereadsAndRestarts)
{
    f.emulator.Unplug();
    EXPECT_TRUE(f.link->OnDeviceRemoval(keyboard));
    EXPECT_FALSE(f.link->CommandChannelOpen());
    EXPECT_FALSE(f.link->EventChannelOpen());
    EXPECT_FALSE(f.link->ListenerRunning());
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kNoKeyboard);

    EmulatedDeviceState changed = f.emulator.State();
    changed.brightness = 17;
    changed.lightMaps[2][9] = 0x66;
    f.emulator.SetState(changed);
    f.emulator.SetFirmwareVersion(3, 1);
    f.emulator.Replug();
    f.trace.Clear();
    const ArrivalResult arrival = f.link->OnDeviceArrival(f.state());
    EXPECT_TRUE(arrival.commandChannelOpened);
    EXPECT_EQ(arrival.reread, SyncResult::kOk);
    EXPECT_TRUE(arrival.eventChannelOpened);
    EXPECT_TRUE(arrival.listenerStarted);
    EXPECT_FALSE(arrival.factoryReset);
    EXPECT_TRUE(f.sink.Take<ReadFinished>(milliseconds(0)));

    // The window's full read, the light maps once more and the firmware version.
    const auto commands = f.trace.Commands();
    ASSERT_EQ(commands.size(), 51u + 5u + 1u);
    for (std::size_t i = 51; i < 56; ++i)
        EXPECT_EQ(commands[i].first, 0x92);
    EXPECT_EQ(commands.back().first, 0x80);
    EXPECT_EQ(f.state().image[img::kBrightness], 17);
    EXPECT_EQ(f.state().image.CustomLightMap(2)[9], 0x66);
    EXPECT_EQ(f.link->DeviceVersion(), (FirmwareVersion{3, 1, 0, 0}));

    f.emulator.SendKeyEvent(0x1B);
    const auto key = f.sink.Take<HostKeyPressed>();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->keyCode, 0x1Bu);
}

TEST_F(Hotplug, RemovalOfAnotherDeviceKeepsTheChannels)
{
    EXPECT_FALSE(f.link->OnDeviceRemoval(UsbIdPair{0x046D, 0xC52B}));
    // Our IDs or none at all, but the keyboard is still there.
    EXPECT_FALSE(f.link->OnDeviceRemoval(keyboard));
    EXPECT_FALSE(f.link->OnDeviceRemoval(UsbIdPair{}));
    EXPECT_TRUE(f.link->CommandChannelOpen());
    EXPECT_TRUE(f.link->ListenerRunning());
    f.state().image[img::kBrightness] = 4;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
}

TEST_F(Hotplug, ArrivalWithTheChannelOpenDoesNothing)
{
    const ArrivalResult arrival = f.link->OnDeviceArrival(f.state());
    EXPECT_TRUE(arrival.alreadyOpen);
    EXPECT_TRUE(f.trace.Records().empty());
    EXPECT_FALSE(f.sink.Take<ReadFinished>(milliseconds(0)));
}

TEST_F(Hotplug, UpdateModeThenReturnRunsTheFactoryReset)
{
    EmulatedDeviceState custom = f.emulator.State();
    custom.keyEnableMap[0] = 0x0F;
    f.emulator.SetState(custom);
    f.state().records[5][rec::kKind] = 5;

    f.emulator.Unplug();
    EXPECT_TRUE(f.link->OnDeviceRemoval(keyboard));
    f.emulator.Replug(PlugMode::Update);
    ArrivalResult arrival = f.link->OnDeviceArrival(f.state());
    EXPECT_FALSE(arrival.commandChannelOpened);
    EXPECT_TRUE(arrival.updateModeSeen);
    EXPECT_TRUE(f.link->ResetOnReconnect());
    EXPECT_EQ(f.link->DeviceIds(), kUpdateModeIds);
    EXPECT_FALSE(f.link->CommandChannelOpen());

    f.emulator.Unplug();
    EXPECT_FALSE(f.link->OnDeviceRemoval(kUpdateModeIds)); // nothing was open
    f.emulator.Replug();
    f.trace.Clear();
    arrival = f.link->OnDeviceArrival(f.state());
    EXPECT_TRUE(arrival.factoryReset);
    EXPECT_FALSE(f.link->ResetOnReconnect());
    const auto commands = f.trace.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), std::make_pair(0x13, 0xFF));
    EXPECT_EQ(commands.size(), 3u + 51u + 51u + 5u + 1u);
    EXPECT_EQ(f.emulator.State().keyEnableMap[0], 0xFF);
    EXPECT_EQ(f.state().records[5][rec::kKind], 0);

    // Only once.
    f.emulator.Unplug();
    EXPECT_TRUE(f.link->OnDeviceRemoval(keyboard));
    f.emulator.Replug();
    EXPECT_FALSE(f.link->OnDeviceArrival(f.state()).factoryReset);
}

TEST(HotplugStart, NothingAtStartThenArrivalOpensBoth)
{
    EmulatedLink f;
    f.emulator.Unplug();
    const StartResult started = f.Link().Start();
    EXPECT_FALSE(started.commandChannelOpen);
    EXPECT_FALSE(started.eventChannelOpen);
    EXPECT_FALSE(started.readAllStarted);
    EXPECT_FALSE(f.link->ListenerRunning());

    f.emulator.Replug();
    const ArrivalResult arrival = f.link->OnDeviceArrival(f.state());
    EXPECT_TRUE(arrival.commandChannelOpened);
    EXPECT_TRUE(arrival.listenerStarted);
    EXPECT_TRUE(f.sink.Take<ReadFinished>(milliseconds(0)));
    EXPECT_FALSE(f.link->ReadAllRunning());
    EXPECT_EQ(f.state().image[img::kBrightness], KeyboardEmulator::FactoryState().brightness);
}

TEST(HotplugStart, UnplugDuringTheStartupReadHandsNothingOver)
{
    EmulatedLink f;
    f.emulator.UnplugAfterTransfers(40);
    f.Link().Start();
    f.link->WaitForReadAll();
    EXPECT_TRUE(f.link->OnDeviceRemoval(kAcceptedDeviceIds[0]));
    if (const auto posted = f.sink.Take<ReadFinished>(milliseconds(0))) {
        f.link->OnReadComplete(f.state(), posted->source);
    }
    // A read that broke off replaces nothing and is not taken as synchronised.
    EXPECT_EQ(f.state().image, SettingsImage{});
    EXPECT_EQ(f.state().shadow, SettingsImage{});
}

} // namespace
} // namespace corvane
