#pragma once
// The keyboard's HID interfaces as the device link sees them. The Linux implementation is
// hidapi (hidraw); the emulator offers the same interface, so everything above it runs unchanged
// against either.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace corvane {

struct HidInterfaceInfo {
    std::string path;      // what Open() takes
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    // Carries the parts of the Windows interface path that the substring rules test:
    // "mi_NN" from the USB interface number and "colNN" from the top-level collection.
    std::string matchText;
};

// One open HID interface. All calls are synchronous; none throws. Results are reported so a
// caller may use them, though the protocol layer stores replies as they come.
class HidChannel {
public:
    virtual ~HidChannel() = default;
    // 9-byte feature reports, byte 0 the report ID.
    virtual bool SetFeature(std::span<const std::uint8_t, 9> report) = 0;
    virtual bool GetFeature(std::span<std::uint8_t, 9> report) = 0;
    // 65-byte reports on the interrupt pipe, byte 0 the report ID (0).
    virtual bool Write(std::span<const std::uint8_t, 65> packet) = 0;
    virtual bool Read(std::span<std::uint8_t, 65> packet) = 0;
    // Input report of the event interface; returns the number of bytes read, 0 on time-out,
    // -1 when the device is gone.
    virtual int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    virtual std::unique_ptr<HidChannel> Open(const std::string& path) = 0;
};

} // namespace corvane
