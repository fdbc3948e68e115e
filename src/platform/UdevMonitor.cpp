#include "platform/UdevMonitor.h"

#include <libudev.h>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace corvane {

namespace {

std::string Text(const char* value)
{
    return value ? value : "";
}

bool ParseHex(const std::string& text, unsigned long max, unsigned long& value)
{
    if (text.empty() || text.size() > 8) return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value = std::strtoul(text.c_str(), nullptr, 16);
    return value <= max;
}

std::optional<UsbIdPair> SplitIds(const std::string& text, char separator, std::size_t firstField)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    if (fields.size() < firstField + 2) return std::nullopt;
    unsigned long vendor = 0;
    unsigned long product = 0;
    if (!ParseHex(fields[firstField], 0xFFFF, vendor) || !ParseHex(fields[firstField + 1], 0xFFFF, product))
        return std::nullopt;
    return UsbIdPair{static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product)};
}

} // namespace

std::optional<UsbIdPair> ParseUsbProductProperty(const std::string& product)
{
    return SplitIds(product, '/', 0);
}

std::optional<UsbIdPair> ParseHidIdProperty(const std::string& hidId)
{
    return SplitIds(hidId, ':', 1);
}

std::optional<DeviceEvent> ClassifyUdevEvent(const UdevEventFields& fields)
{
    DeviceChange change;
    if (fields.action == "add")
        change = DeviceChange::kArrival;
    else if (fields.action == "remove")
        change = DeviceChange::kRemoval;
    else
        return std::nullopt;

    if (fields.subsystem == "usb" && fields.devtype == "usb_device")
        return DeviceEvent{change, ParseUsbProductProperty(fields.product).value_or(UsbIdPair{})};
    if (fields.subsystem == "hidraw" && change == DeviceChange::kArrival)
        return DeviceEvent{change, ParseHidIdProperty(fields.parentHidId).value_or(UsbIdPair{})};
    return std::nullopt;
}

UdevMonitor::UdevMonitor()
{
    udev_ = udev_new();
    if (!udev_) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return;
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device");
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

UdevMonitor::~UdevMonitor()
{
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

int UdevMonitor::FileDescriptor() const
{
    return monitor_ ? udev_monitor_get_fd(monitor_) : -1;
}

std::vector<DeviceEvent> UdevMonitor::Drain()
{
    std::vector<DeviceEvent> events;
    if (!monitor_) return events;
    // The monitor's socket is non-blocking, so this ends when nothing more waits.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        UdevEventFields fields;
        fields.action = Text(udev_device_get_action(device));
        fields.subsystem = Text(udev_device_get_subsystem(device));
        fields.devtype = Text(udev_device_get_devtype(device));
        fields.product = Text(udev_device_get_property_value(device, "PRODUCT"));
        if (fields.subsystem == "hidraw" && fields.action == "add") {
            if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr))
                fields.parentHidId = Text(udev_device_get_property_value(hid, "HID_ID"));
        }
        if (auto event = ClassifyUdevEvent(fields)) events.push_back(*event);
        udev_device_unref(device);
    }
    return events;
}

} // namespace corvane
