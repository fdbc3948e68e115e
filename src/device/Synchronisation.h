#pragma once
// Moving the whole settings image between the keyboard and the host: the full read, the apply of
// what changed since the last synchronisation, and the host side of a factory reset.

#include "device/Protocol.h"
#include "format/SettingsImage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace corvane {

struct SettingsState;

enum class SyncResult : std::uint8_t {
    kOk,
    kNoKeyboard,      // command channel not open
    kBusy,            // another command sequence (the start-up read) holds the channel
    kNotAcknowledged, // the keyboard did not acknowledge in time
    kTransferFailed,  // a report could not be sent or read
};
// "no keyboard found", "keyboard did not acknowledge the change", ...
const char* SyncResultText(SyncResult result);

// The keyboard's acknowledgement of a set command, handed from the listener to the apply.
class AckLatch
{
public:
    void Clear();
    void Set();
    // True as soon as the latch is set; false when the timeout passes first.
    bool Wait(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable signal_;
    bool set_ = false;
};

// Every device region, as the window reads it. Returns false when any transfer failed; the
// sequence runs to its end either way.
bool ReadAllSettings(CommandProtocol& protocol, SettingsImage& image);

// The start-up form on the read-all thread: the firmware version after the first command, no
// pause before the lighting, a yield after every macro slot. Stops early (returning false) once
// cancel is set.
bool ReadAllSettingsAtStartup(CommandProtocol& protocol, SettingsImage& image, FirmwareVersion& deviceVersion,
                              const std::atomic<bool>& cancel);

// Copies every region the keyboard holds, leaving the bytes it does not hold alone.
void CopyDeviceRegions(const SettingsImage& from, SettingsImage& to);

// Sends every region where image and shadow differ, each awaited with the keyboard's
// acknowledgement, within BeginUpdate / EndUpdate. The shadow takes each region as the keyboard
// confirms it, and the whole image when everything went through; a region not confirmed stays
// different and goes out again with the next apply. protocol null: no keyboard, nothing sent.
SyncResult ApplySettingsChanges(CommandProtocol* protocol, AckLatch& ack, SettingsImage& image,
                                SettingsShadow& shadow, std::chrono::milliseconds ackTimeout);

// The host side of a factory reset after the keyboard's settings were read back: no key marked,
// every key enabled, every key record cleared to its own key code.
void ResetHostSideToFactory(SettingsState& state);

} // namespace corvane
