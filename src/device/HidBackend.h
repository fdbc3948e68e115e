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

class KeyboardLock;

struct HidInterfaceInfo
{
    std::string path; // what Open() takes
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    // Carries the parts of the Windows interface path that the substring rules test:
    // "mi_NN" from the USB interface number and "colNN" from the top-level collection.
    std::string matchText;
};

// One open HID interface. All calls are synchronous; none throws. Results are reported so a
// caller may use them, though the protocol layer stores replies as they come.
class HidChannel
{
public:
    virtual ~HidChannel() = default;
    // 9-byte feature reports, byte 0 the report ID.
    virtual bool SetFeature(std::span<const std::uint8_t, 9> report) = 0;
    virtual bool GetFeature(std::span<std::uint8_t, 9> report) = 0;
    // 65-byte reports on the interrupt pipe, byte 0 the report ID (0).
    virtual bool Write(std::span<const std::uint8_t, 65> packet) = 0;
    virtual bool Read(std::span<std::uint8_t, 65> packet) = 0;
    // Input report of the event interface; returns the number of bytes read, 0 on time-out or
    // when InterruptRead was called, -1 when the device is gone. kWaitForInput waits without a
    // time limit.
    virtual int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) = 0;
    // Ends a ReadInput in progress at once, or the next one if none is; safe from any thread.
    virtual void InterruptRead() = 0;
};

inline constexpr std::chrono::milliseconds kWaitForInput{-1};

// Why an interface could not be opened.
enum class OpenError : std::uint8_t {
    kNone,
    kGone,         // the node is not there (any more)
    kNoPermission, // the node exists but this user may not open it
    kBusy,
    kFailed, // anything else; see the system error
};

struct OpenFailure
{
    OpenError error = OpenError::kNone;
    int systemError = 0; // errno, where one is known
    std::string detail;  // the backend's own words, for the user
};

class HidBackend
{
public:
    virtual ~HidBackend() = default;
    virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
    // Null on failure, with the reason in failure.
    virtual std::unique_ptr<HidChannel> Open(const std::string& path, OpenFailure& failure) = 0;
    std::unique_ptr<HidChannel> Open(const std::string& path)
    {
        OpenFailure ignored;
        return Open(path, ignored);
    }
    // The lock of the keyboard behind an interface path, shared by everything in this process
    // that talks to it; null where there is nothing to lock with. The backend owns it.
    virtual KeyboardLock* LockFor(const std::string& path)
    {
        (void)path;
        return nullptr;
    }
};

// The failure that an errno value from opening a device node stands for.
OpenError OpenErrorOfErrno(int systemError);

} // namespace corvane
