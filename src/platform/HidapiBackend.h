#pragma once
// The HID interfaces of this machine through hidapi's hidraw backend.
//
// How an interface's match text is built, so that the keyboard's interfaces answer to the same
// substrings as their interface paths would elsewhere:
//   - "vid_VVVV&pid_PPPP" from the USB IDs, then "&mi_NN" from the USB interface number (two
//     lowercase hex digits; omitted when the interface number is unknown);
//   - "&colNN" (decimal, from 01) when the interface has more than one top-level collection,
//     one entry per collection, numbered in the order of the report descriptor. The descriptor
//     is read from sysfs (.../hidrawN/device/report_descriptor), which needs no access to the
//     device node itself;
//   - when the descriptor cannot be read, the table of known collections below fills in the
//     keyboard's event collection, so its event interface still matches "ol04".
// All entries of one interface share the hidraw path; opening any of them opens the interface.

#include "device/DeviceIds.h"
#include "device/HidBackend.h"
#include "platform/DeviceNodeLock.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// Paths longer than this cannot be kept by the device link and are skipped.
inline constexpr std::size_t kMaxHidPathLength = 254;

// A collection known to exist even when the descriptor cannot be read.
struct KnownCollection
{
    UsbIdPair ids;
    int interfaceNumber = -1;
    int collection = 0; // 1-based
};

// The keyboard's event reports come from collection 4 of interface 1, under every accepted ID
// pair that has that interface.
inline constexpr std::array<KnownCollection, 2> kKnownEventCollections{{
    {kAcceptedDeviceIds[0], 1, 4},
    {kAcceptedDeviceIds[2], 1, 4},
}};

// Counts the top-level collections of a HID report descriptor; nullopt when it is malformed
// (an item runs past the end, or collections do not balance).
std::optional<int> CountTopLevelCollections(std::span<const std::uint8_t> descriptor);

// The match texts of one interface: one text, or one per top-level collection when there are
// several (collectionCount > 1). With no count known, kKnownEventCollections supplies one.
std::vector<std::string> BuildMatchTexts(UsbIdPair ids, int interfaceNumber,
                                         std::optional<int> collectionCount);

// The report descriptor of a hidraw node ("/dev/hidraw3") under the given sysfs root.
std::optional<std::vector<std::uint8_t>> ReadReportDescriptor(const std::filesystem::path& sysfsRoot,
                                                              const std::string& devicePath);

class HidapiBackend final : public HidBackend
{
public:
    // How long a bulk packet read may wait before it counts as failed.
    static constexpr int kPacketReadTimeoutMs = 1000;

    explicit HidapiBackend(std::filesystem::path sysfsRoot = "/sys");
    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidChannel> Open(const std::string& path, OpenFailure& failure) override;
    using HidBackend::Open;
    // The device node's own lock (DeviceNodeLock), one per node for the whole run.
    KeyboardLock* LockFor(const std::string& path) override;

private:
    std::filesystem::path sysfsRoot_;
    std::mutex locksMutex_;
    std::map<std::string, std::unique_ptr<DeviceNodeLock>> locks_;
};

} // namespace corvane
