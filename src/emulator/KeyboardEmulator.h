#pragma once
// The keyboard's firmware as a model behind the HID interface, so the device link, the tools and
// the tests run unchanged against it. It offers the keyboard's three interfaces, keeps every
// setting the protocol reaches, answers every command, plays the user at the keyboard (lighting
// keys, host-action keys, unplugging) and misbehaves on request. Every frame and packet that
// crosses it is traced with the time of the injected clock.
//
// All members are thread-safe: the host's command thread, its listener thread and a test may
// use one emulator at once. Channels stay valid after the emulator is gone; they then act as if
// the keyboard was unplugged.

#include "device/Clock.h"
#include "device/DeviceIds.h"
#include "device/HidBackend.h"
#include "format/SettingsImage.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// Everything the keyboard keeps, in the keyboard's own values: speed is 10 - slider position and
// response time slider position + 1, exactly as they travel in the frames.
struct EmulatedDeviceState
{
    std::uint8_t reportRate = 0;
    std::uint8_t responseTime = 0;
    std::uint8_t lightingMode = 0;
    std::uint8_t speed = 0;
    std::uint8_t brightness = 0;
    std::uint8_t colour = 0;
    std::uint8_t direction = 0;
    std::array<std::uint8_t, img::kPaletteSize> palette{};
    std::uint8_t gameMode = 0;
    std::array<std::uint8_t, img::kDeviceKeyTableSize> keyTable{};
    std::array<std::uint8_t, img::kKeyEnableMapSize> keyEnableMap{};
    std::array<std::array<std::uint8_t, img::kMacroSlotSize>, img::kMacroSlotCount> macroSlots{};
    std::array<std::array<std::uint8_t, img::kCustomLightMapSize>, img::kCustomLightMapCount> lightMaps{};

    bool operator==(const EmulatedDeviceState&) const = default;
};

// The keyboard's interfaces. Keys carries the ordinary keystrokes and is the only one left in
// update mode.
enum class EmulatedInterface : std::uint8_t { Event, Keys, Command };

enum class TraceOp : std::uint8_t {
    SetFeature, // host -> keyboard, 9 bytes
    GetFeature, // keyboard -> host, 9 bytes
    Write,      // host -> keyboard, 65 bytes
    Read,       // keyboard -> host, 65 bytes
    Input,      // keyboard -> host, an input report taken by ReadInput
};

// What the keyboard made of a transfer.
enum class TraceNote : std::uint8_t {
    Accepted,
    BadChecksum,    // frame ignored
    Malformed,      // right checksum, but an argument the command does not allow; ignored
    UnknownCommand, // ignored
    Unexpected,     // a packet with no transfer open, or a packet read with none pending
    Faulted,        // a reply or packet spoiled on request
    Failed,         // the call failed: keyboard unplugged, or the wrong interface for the call
};

struct TraceEntry
{
    std::chrono::steady_clock::time_point time; // of the injected clock
    EmulatedInterface interface = EmulatedInterface::Command;
    TraceOp op = TraceOp::SetFeature;
    bool fromHost = true;
    std::vector<std::uint8_t> bytes;
    TraceNote note = TraceNote::Accepted;
};

enum class ReplyFault : std::uint8_t {
    Short,   // only the first bytes arrive and the call fails, as a short transfer does
    Garbage, // random bytes; the call succeeds
};

enum class PlugMode : std::uint8_t {
    Normal, // all three interfaces, the configured ID pair
    Update, // firmware-update identity: the update-mode ID pair, only the Keys interface
};

struct HotplugEvent
{
    bool arrived = false;
    UsbIdPair ids;
};

class KeyboardEmulator final : public HidBackend
{
public:
    // Paths Open() accepts; each is listed by Enumerate() while the interface is present.
    static constexpr const char* kEventPath = "emulator:keyboard/if1";
    static constexpr const char* kKeysPath = "emulator:keyboard/if2";
    static constexpr const char* kCommandPath = "emulator:keyboard/if3";
    // Report IDs and kinds on the event interface.
    static constexpr std::uint8_t kEventReportId = 4;
    static constexpr std::uint8_t kKindSettingChanged = 1;
    static constexpr std::uint8_t kKindAcknowledgement = 4;
    static constexpr std::uint8_t kKindKeyEvent = 2;
    static constexpr std::uint8_t kHostActionEntryType = 0x0A;

    // The clock only stamps the trace; the emulator never pauses on it. It must outlive the
    // emulator.
    explicit KeyboardEmulator(Clock& clock);
    ~KeyboardEmulator() override;
    KeyboardEmulator(const KeyboardEmulator&) = delete;
    KeyboardEmulator& operator=(const KeyboardEmulator&) = delete;

    // HidBackend. Open() fails (nullptr) for an interface that is not present.
    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidChannel> Open(const std::string& path, OpenFailure& failure) override;
    using HidBackend::Open;
    // The lock set with SetKeyboardLock, for every path.
    KeyboardLock* LockFor(const std::string& path) override;
    // What keeps other programs off this keyboard (the shared memory file); null: nothing.
    void SetKeyboardLock(KeyboardLock* lock) { lock_ = lock; }

    // --- Identity -------------------------------------------------------------------------
    // The ID pair shown in normal mode (default: the first accepted pair).
    void SetIds(UsbIdPair ids);
    void SetFirmwareVersion(std::uint8_t major, std::uint8_t minor);
    // Major in the high byte, minor in the low one.
    std::uint16_t FirmwareVersion() const;

    // --- Settings -------------------------------------------------------------------------
    static EmulatedDeviceState FactoryState();
    EmulatedDeviceState State() const;
    void SetState(const EmulatedDeviceState& state);
    // True between BeginUpdate and EndUpdate.
    bool UpdateOpen() const;
    // Which set commands (code below 0x80) answer with an acknowledgement once complete;
    // by default all of them do.
    void SetAcknowledges(std::uint8_t code, bool acknowledges);

    // --- The user at the keyboard ---------------------------------------------------------
    // A lighting key: changes the setting (sub-types 2 mode, 3 speed in the keyboard's value,
    // 4 brightness, 5 colour, 6 direction; others change nothing) and reports it as kind 1.
    void PressLightingKey(std::uint8_t subType, std::uint8_t value);
    // A physical key by device index: when its key-table entry has the host-action form, the
    // press is reported with the entry's key code and true is returned; other keys act locally.
    bool PressKey(std::size_t deviceIndex);
    // A key event with any code, whatever the key table says.
    void SendKeyEvent(std::uint8_t code);
    // Any bytes as one input report, exactly as given.
    void QueueInputReport(std::vector<std::uint8_t> report);

    // Open channels fail from now on (ReadInput returns -1) and stay failed after a replug;
    // Enumerate() lists nothing until Replug().
    void Unplug();
    void Replug(PlugMode mode = PlugMode::Normal);
    bool IsPlugged() const;
    PlugMode Mode() const;
    // Told of every unplug and replug, on the thread that caused it, after the change took
    // effect. Pass an empty function to stop.
    void SetHotplugCallback(std::function<void(const HotplugEvent&)> callback);
    // Told after the keyboard's settings changed through the protocol or a lighting key, once the
    // change is whole: never while an update is open, and not for a command that leaves the
    // settings as they were. SetState is no change. Called on the thread that made the change,
    // with no lock held.
    void SetChangeCallback(std::function<void()> callback);

    // --- Faults on request ----------------------------------------------------------------
    // The next `count` acknowledgements are never sent.
    void DropAcknowledgements(std::size_t count);
    // Acknowledgements reach the event interface only after this much real time (0: at once).
    void DelayAcknowledgements(std::chrono::milliseconds delay);
    // Queues input reports of random length whose report ID is never the event report's.
    void InjectGarbageReports(std::size_t count);
    // The next `count` feature replies (GetFeature) or bulk packets read (Read) are spoiled.
    void FaultReplies(ReplyFault fault, std::size_t count = 1);
    void FaultPackets(ReplyFault fault, std::size_t count = 1);
    // After `transfers` more calls on the command interface (frames and packets, either way)
    // have gone through, the keyboard is unplugged before the next one is handled.
    void UnplugAfterTransfers(std::size_t transfers);
    // Clears every pending fault.
    void ClearFaults();

    // --- Trace ----------------------------------------------------------------------------
    std::vector<TraceEntry> Trace() const;
    void ClearTrace();
    // The frames the keyboard accepted, in order (convenience over Trace()).
    std::vector<std::array<std::uint8_t, 9>> AcceptedFrames() const;
    // Frames ignored because of their checksum, since construction.
    std::size_t BadChecksumCount() const;
    // Acknowledgements queued (not dropped), since construction.
    std::size_t AcknowledgementCount() const;

    struct Core;

private:
    void ChangeByLightingKey(std::uint8_t subType, std::uint8_t value);

    std::shared_ptr<Core> core_;
    KeyboardLock* lock_ = nullptr;
};

} // namespace corvane
