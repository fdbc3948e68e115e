#pragma once
// Hot-plug notifications. The Linux implementation watches udev; the emulator raises the same
// events when its keyboard is unplugged or plugged in. The window watches the descriptor and
// drains the events when it becomes readable.

#include "device/DeviceIds.h"

#include <cstdint>
#include <vector>

namespace corvane {

enum class DeviceChange : std::uint8_t {
    kArrival,
    kRemoval,
};

struct DeviceEvent
{
    DeviceChange change = DeviceChange::kArrival;
    // The USB IDs of the device that came or went; 0:0 when the notification did not carry them.
    UsbIdPair ids;
    bool operator==(const DeviceEvent&) const = default;
};

class DeviceMonitor
{
public:
    virtual ~DeviceMonitor() = default;
    // Readable while events are waiting; -1 when the monitor could not be set up.
    virtual int FileDescriptor() const = 0;
    // The waiting events in the order they happened; never blocks.
    virtual std::vector<DeviceEvent> Drain() = 0;
};

} // namespace corvane
