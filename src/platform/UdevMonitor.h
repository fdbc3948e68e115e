#pragma once
// Hot-plug notifications from udev: USB devices and hidraw nodes coming and going. The
// descriptor goes on the window's socket notifier; Drain() never blocks.
//
// One plug produces several events (the USB device, then each of its hidraw nodes); receivers
// settle before acting, so they are passed on as they come. A removal carries the USB IDs from
// the event itself, so the removal of an unrelated device can be told apart; a hidraw node's
// removal carries none (its parents are gone by then) and is not reported, the USB device's
// removal covering it.

#include "device/DeviceMonitor.h"

#include <optional>
#include <string>

struct udev;
struct udev_monitor;

namespace corvane {

// The fields of one udev event that matter here.
struct UdevEventFields
{
    std::string action;      // "add", "remove", ...
    std::string subsystem;   // "usb", "hidraw"
    std::string devtype;     // "usb_device" for a whole USB device
    std::string product;     // property PRODUCT of a USB device: "3f1c/101/100"
    std::string parentHidId; // property HID_ID of a hidraw node's HID parent: "0003:00003F1C:00000101"
};

// "vvvv/pppp/rrrr" in lowercase hex without padding, as the kernel writes it.
std::optional<UsbIdPair> ParseUsbProductProperty(const std::string& product);
// "bus:VVVVVVVV:PPPPPPPP" in hex.
std::optional<UsbIdPair> ParseHidIdProperty(const std::string& hidId);
// The event to report for a udev event, if any.
std::optional<DeviceEvent> ClassifyUdevEvent(const UdevEventFields& fields);

class UdevMonitor final : public DeviceMonitor
{
public:
    UdevMonitor();
    ~UdevMonitor() override;
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int FileDescriptor() const override;
    std::vector<DeviceEvent> Drain() override;

private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

} // namespace corvane
