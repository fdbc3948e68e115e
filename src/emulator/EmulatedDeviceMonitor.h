#pragma once
// Hot-plug notifications of an emulated keyboard, offered the way the udev monitor offers real
// ones: a descriptor that is readable while events wait, and a non-blocking drain.

#include "device/DeviceMonitor.h"

#include <memory>

namespace corvane {

class KeyboardEmulator;

class EmulatedDeviceMonitor final : public DeviceMonitor
{
public:
    // Takes the emulator's hot-plug callback for as long as the monitor lives; the emulator must
    // outlive the monitor.
    explicit EmulatedDeviceMonitor(KeyboardEmulator& emulator);
    ~EmulatedDeviceMonitor() override;
    EmulatedDeviceMonitor(const EmulatedDeviceMonitor&) = delete;
    EmulatedDeviceMonitor& operator=(const EmulatedDeviceMonitor&) = delete;

    int FileDescriptor() const override;
    std::vector<DeviceEvent> Drain() override;

    struct Queue;

private:
    KeyboardEmulator& emulator_;
    std::shared_ptr<Queue> queue_;
};

} // namespace corvane
