#include "emulator/EmulatedDeviceMonitor.h"

#include "emulator/KeyboardEmulator.h"

#include <cstdint>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corvane {

// Shared with the emulator's callback, which may still run on another thread while the monitor
// goes away; the descriptor closes only when both have let go.
struct EmulatedDeviceMonitor::Queue
{
    Queue() : fd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Queue()
    {
        if (fd >= 0) close(fd);
    }

    void Push(const DeviceEvent& event)
    {
        std::lock_guard lock(mutex);
        events.push_back(event);
        if (fd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = write(fd, &one, sizeof one);
        }
    }

    std::vector<DeviceEvent> Take()
    {
        std::lock_guard lock(mutex);
        if (fd >= 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto got = read(fd, &count, sizeof count);
        }
        std::vector<DeviceEvent> taken;
        taken.swap(events);
        return taken;
    }

    int fd;
    std::mutex mutex;
    std::vector<DeviceEvent> events;
};

EmulatedDeviceMonitor::EmulatedDeviceMonitor(KeyboardEmulator& emulator)
    : emulator_(emulator), queue_(std::make_shared<Queue>())
{
    emulator_.SetHotplugCallback([queue = queue_](const HotplugEvent& event) {
        queue->Push(DeviceEvent{event.arrived ? DeviceChange::kArrival : DeviceChange::kRemoval, event.ids});
    });
}

EmulatedDeviceMonitor::~EmulatedDeviceMonitor()
{
    emulator_.SetHotplugCallback(nullptr);
}

int EmulatedDeviceMonitor::FileDescriptor() const
{
    return queue_->fd;
}

std::vector<DeviceEvent> EmulatedDeviceMonitor::Drain()
{
    return queue_->Take();
}

} // namespace corvane
