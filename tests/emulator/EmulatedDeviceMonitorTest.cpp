#include "emulator/EmulatedDeviceMonitor.h"

#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <thread>

namespace corvane {
namespace {

bool Readable(int fd)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, 0) == 1 && (entry.revents & POLLIN);
}

TEST(EmulatedDeviceMonitorTest, SignalsUnplugAndReplugThroughItsDescriptor)
{
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    EmulatedDeviceMonitor monitor(emulator);
    ASSERT_GE(monitor.FileDescriptor(), 0);
    EXPECT_FALSE(Readable(monitor.FileDescriptor()));
    EXPECT_TRUE(monitor.Drain().empty());

    emulator.Unplug();
    EXPECT_TRUE(Readable(monitor.FileDescriptor()));
    emulator.Replug(PlugMode::Update);
    const auto events = monitor.Drain();
    EXPECT_EQ(events, (std::vector<DeviceEvent>{{DeviceChange::kRemoval, kAcceptedDeviceIds[0]},
                                                {DeviceChange::kArrival, kUpdateModeIds}}));
    EXPECT_FALSE(Readable(monitor.FileDescriptor()));

    // Events raised from another thread arrive the same way.
    std::thread([&] { emulator.Replug(); }).join();
    EXPECT_TRUE(Readable(monitor.FileDescriptor()));
    EXPECT_EQ(monitor.Drain(), (std::vector<DeviceEvent>{{DeviceChange::kRemoval, kUpdateModeIds},
                                                         {DeviceChange::kArrival, kAcceptedDeviceIds[0]}}));
}

TEST(EmulatedDeviceMonitorTest, StopsListeningWhenGone)
{
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    {
        EmulatedDeviceMonitor monitor(emulator);
    }
    emulator.Unplug(); // must not reach the destroyed monitor
    EmulatedDeviceMonitor second(emulator);
    emulator.Replug();
    EXPECT_EQ(second.Drain().size(), 1u);
}

} // namespace
} // namespace corvane
