#include "platform/UdevMonitor.h"

#include <gtest/gtest.h>

#include <chrono>

namespace corvane {
namespace {

TEST(UdevPropertyTest, ParsesUsbAndHidIds)
{
    EXPECT_EQ(ParseUsbProductProperty("3f1c/101/100"), (UsbIdPair{0x3F1C, 0x0101}));
    EXPECT_EQ(ParseUsbProductProperty("3F2D/0201/0"), (UsbIdPair{0x3F2D, 0x0201}));
    EXPECT_EQ(ParseHidIdProperty("0003:00003F1C:00000102"), (UsbIdPair{0x3F1C, 0x0102}));
    for (const char* bad : {"", "3f1c", "3f1c/", "/101/1", "xyz/101/1", "13f1c/101/1", "3f1c/-1/1"})
        EXPECT_EQ(ParseUsbProductProperty(bad), std::nullopt) << bad;
    EXPECT_EQ(ParseHidIdProperty("0003:00013F1C:00000101"), std::nullopt); // too wide for a USB ID
    EXPECT_EQ(ParseHidIdProperty("0003"), std::nullopt);
}

TEST(UdevPropertyTest, ReportsDevicesComingAndGoingWithTheirIds)
{
    UdevEventFields usb{"remove", "usb", "usb_device", "3f1c/101/100", ""};
    EXPECT_EQ(ClassifyUdevEvent(usb), (DeviceEvent{DeviceChange::kRemoval, {0x3F1C, 0x0101}}));
    usb.action = "add";
    usb.product = "46d/c52b/1211"; // some other device: reported, with its own IDs
    EXPECT_EQ(ClassifyUdevEvent(usb), (DeviceEvent{DeviceChange::kArrival, {0x046D, 0xC52B}}));
    usb.action = "bind";
    EXPECT_EQ(ClassifyUdevEvent(usb), std::nullopt);
    // USB interfaces are part of their device's event, not events of their own.
    EXPECT_EQ(ClassifyUdevEvent({"add", "usb", "usb_interface", "3f1c/101/100", ""}), std::nullopt);

    const UdevEventFields node{"add", "hidraw", "", "", "0003:00003F1C:00000101"};
    EXPECT_EQ(ClassifyUdevEvent(node), (DeviceEvent{DeviceChange::kArrival, {0x3F1C, 0x0101}}));
    EXPECT_EQ(ClassifyUdevEvent({"remove", "hidraw", "", "", ""}), std::nullopt);
}

TEST(UdevMonitorTest, DrainsWithoutBlocking)
{
    UdevMonitor monitor;
    if (monitor.FileDescriptor() < 0) GTEST_SKIP() << "no udev netlink socket here";
    // With nothing queued a blocking read would never return: the test's time-out tells.
    monitor.Drain();
}

} // namespace
} // namespace corvane
