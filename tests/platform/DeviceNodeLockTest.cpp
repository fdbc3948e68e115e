// Two programs, one keyboard: the second waits for the first's sequence to end and says so once;
// holds nest within a program; a node that cannot be opened is no lock.

#include "platform/DeviceNodeLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace corvane {
namespace {

TEST(DeviceNodeLockTest, ASecondProgramWaitsForTheWholeSequence)
{
    const std::filesystem::path node =
        std::filesystem::path(std::getenv("XDG_RUNTIME_DIR")) / "hidraw-standin";
    std::ofstream(node).put('\0');
    DeviceNodeLock window(node.string());
    DeviceNodeLock ctl(node.string()); // another open of the node, as another process has
    ASSERT_TRUE(window.Acquire({}));
    ASSERT_TRUE(window.Acquire({})); // a sequence inside the command's own hold
    window.Release();

    std::atomic<int> waits{0};
    std::atomic<bool> windowDone{false};
    std::atomic<bool> overlapped{false};
    std::thread other([&] {
        EXPECT_TRUE(ctl.Acquire([&] { ++waits; }));
        overlapped = !windowDone.load();
        ctl.Release();
    });
    while (waits.load() == 0)
        std::this_thread::yield();
    windowDone = true;
    window.Release(); // the last hold ends the lock
    other.join();
    EXPECT_EQ(waits.load(), 1);
    EXPECT_FALSE(overlapped.load());

    DeviceNodeLock gone((node.parent_path() / "no-such-node").string());
    EXPECT_FALSE(gone.Acquire({}));
}

} // namespace
} // namespace corvane
