#pragma once
// The link to the keyboard: which interfaces are the keyboard's, the two open channels, the
// start-up read on its own thread, the listener on the event channel, and what happens when
// devices come and go. One instance, owned by the application; tests and corvanectl build their
// own over the emulator.
//
// Threads: every public function runs on the owner's (window) thread unless it says otherwise.
// The read-all thread and the listener never touch a SettingsState: they raise typed events, and
// the owner's thread applies what they carry (OnReadComplete, OnKeyboardSetting). A mutex keeps
// any two command sequences (start-up read, apply, factory reset, arrival reread) off the command
// channel at the same time.

#include "device/Clock.h"
#include "device/DeviceIds.h"
#include "device/Firmware.h"
#include "device/HidBackend.h"
#include "device/KeyboardLock.h"
#include "device/LinkEvents.h"
#include "device/Protocol.h"
#include "device/Synchronisation.h"
#include "format/SettingsImage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace corvane {

struct SettingsState;

// Interface parts of the match text that pick the channels.
inline constexpr std::string_view kCommandInterface = "mi_03";
inline constexpr std::string_view kEventInterface = "ol04";
inline constexpr std::string_view kUpdateModeInterface = "mi_02";

inline constexpr std::chrono::milliseconds kDefaultAckTimeout{1000};
// How long the window waits after an arrival notification before calling OnDeviceArrival.
inline constexpr std::chrono::milliseconds kArrivalSettleDelay{2000};
// Paths longer than this (in characters, terminator excluded) are not taken.
inline constexpr std::size_t kMaxDevicePathLength = 254;

struct DeviceLinkOptions
{
    // Further (vendor, product) pairs accepted besides the built-in ones.
    std::vector<UsbIdPair> extraDeviceIds;
    // Bound on each wait for the keyboard's acknowledgement during an apply.
    std::chrono::milliseconds ackTimeout = kDefaultAckTimeout;
    // Sees every report on both channels; called from the thread that moved the report, one call
    // at a time.
    TraceSink trace;
    // Writes keymap.bin from the state (image and key records); false when it could not be
    // written. Unset: nothing is written, and writing counts as done.
    std::function<bool(const SettingsState&)> writeKeymap;
    // Told once when a command sequence has to wait for another program to finish with the
    // keyboard; called on the thread of the sequence.
    std::function<void()> waitingForKeyboard;
    // The version VER.bin names (ReadFileVersion); all zero offers no update.
    FirmwareVersion fileVersion;
};

struct StartResult
{
    bool commandChannelOpen = false; // the window hides itself when either is false
    bool eventChannelOpen = false;
    bool readAllStarted = false;
    bool listenerStarted = false;
};

// Whether the keyboard can be used, and if not, why not: what the user is told.
enum class KeyboardAccess : std::uint8_t {
    kReady,
    kNoKeyboard,    // no interface of the keyboard is listed
    kNotAccessible, // listed, but this user may not open it (the udev rule is missing)
    kUpdateMode,    // only the firmware-update identity is there
    kOpenFailed,    // listed, but opening failed for another reason (see detail)
};
struct AccessProblem
{
    KeyboardAccess access = KeyboardAccess::kReady;
    std::string detail; // the node and the system's words, where an open failed
};
// Short texts for the window's notice and the first line of corvanectl's message.
struct AccessText
{
    const char* german;
    const char* english;
};
AccessText AccessNotice(KeyboardAccess access);
// How to install the udev rule, with the commands, for a keyboard that is not accessible.
AccessText UdevRuleHelp();

// The device link's search, usable on its own (the application asks it before choosing a
// backend): the first interface with an accepted ID pair whose match text contains the
// substring and whose path is short enough to keep.
std::optional<HidInterfaceInfo> FindKeyboardInterfaceIn(HidBackend& backend,
                                                        const std::vector<UsbIdPair>& extraIds,
                                                        std::string_view substring);

struct ReadCompleteResult
{
    bool offerFirmwareUpdate = false; // ask "Update new firmware？" and launch the updater on OK
    bool settingsTaken = false;       // a complete start-up read replaced the image and shadow
    bool readFailed = false;          // the start-up read did not get through: nothing was taken
};

struct ArrivalResult
{
    bool alreadyOpen = false; // the command channel was open: nothing was done
    bool commandChannelOpened = false;
    bool updateModeSeen = false; // the keyboard is in update mode: reset at its next return
    bool factoryReset = false;   // a pending reset-on-reconnect ran (clear per-key colour editing)
    SyncResult reread = SyncResult::kNoKeyboard;
    bool eventChannelOpened = false;
    bool listenerStarted = false; // ReadFinished was raised
};

class DeviceLink
{
public:
    DeviceLink(HidBackend& backend, Clock& clock, LinkEventSink& events, DeviceLinkOptions options = {});
    ~DeviceLink(); // shuts down
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Discovery. The first enumerated interface with an accepted ID pair whose match text
    // contains the substring (case-sensitive) becomes DevicePath / DeviceIds; without a match
    // both keep their previous values and false is returned.
    bool FindKeyboardInterface(std::string_view substring);
    const std::string& DevicePath() const { return devicePath_; }
    UsbIdPair DeviceIds() const { return deviceIds_; }
    bool IsAcceptedPair(UsbIdPair ids) const;
    // Open DevicePath as the channel when it is not open yet. The link itself opens a channel only
    // right after a search that found its interface, so a stale path is never opened.
    bool OpenCommandChannel();
    bool OpenEventChannel();
    bool CommandChannelOpen() const { return commandChannel_ != nullptr; }
    bool EventChannelOpen() const { return eventChannel_ != nullptr; }

    // Start-up: opens the command channel and starts the read-all thread (once per link), then
    // opens the event channel and starts the listener. The read ends with ReadFinished raised;
    // the owner then calls OnReadComplete.
    StartResult Start();
    // Finds and opens only the command channel, for single queries (corvanectl info); Access()
    // says why when it fails.
    bool OpenForQueries();
    // Why the last attempt to open the keyboard failed; kReady once both channels are open.
    const AccessProblem& Access() const { return access_; }
    // The command line's whole start: Start, wait for the read, take it over. kNoKeyboard (with
    // Access() saying why) when the keyboard could not be opened.
    SyncResult ReadSettings(SettingsState& state);
    // Stops and joins both threads, then closes both channels.
    void Shutdown();
    bool ReadAllRunning() const { return readAllRunning_.load(); }
    // Reads every setting again on the read-all thread, as at start-up (another program changed
    // the keyboard); ReadFinished follows. False when no keyboard is open or a read still runs.
    bool StartReread();
    // Blocks until the read-all thread has ended (for corvanectl and tests).
    void WaitForReadAll();
    bool ListenerRunning() const { return listenerRunning_.load(); }

    // A read has finished (ReadFinished). Takes over the read-all thread's result if one waits,
    // recomputes the key marks, rereads the lighting (device reads only) and writes keymap.bin.
    // The caller then sets the four sliders from the image and repaints.
    ReadCompleteResult OnReadComplete(SettingsState& state, ReadSource source);

    // The apply button: sends what differs from the shadow; on success the shadows take the
    // edited state. keymap.bin is written either way. Blocks for at most the protocol's pauses
    // plus one acknowledgement bound per region.
    SyncResult Apply(SettingsState& state);
    // Factory reset without the question: the keyboard's reset, a full read, the host side back to
    // its defaults, keymap.bin written and the shadows taken. The caller clears its per-key colour
    // editing and sets the sliders from the image.
    SyncResult FactoryReset(SettingsState& state);
    // GetFirmwareVersion on its own (corvanectl info).
    SyncResult QueryFirmwareVersion(FirmwareVersion& version);
    FirmwareVersion DeviceVersion() const { return deviceVersion_; }
    FirmwareVersion FileVersion() const { return options_.fileVersion; }

    // A setting changed on the keyboard (KeyboardSettingChanged): stores it in image and shadow,
    // asks for the four repaints and says which slider follows.
    std::optional<SliderField> OnKeyboardSetting(SettingsState& state, const KeyboardSettingChanged& change);
    // The window's 20 ms timer: true when this tick repaints the whole window.
    bool RepaintTick();
    bool RepaintPending() const { return repaintPending_.load(); }

    // Hot-plug. OnDeviceArrival runs once the settle delay after an arrival notification has
    // passed; OnDeviceRemoval closes the channels only when the keyboard itself has gone. Returns
    // true when it closed them.
    ArrivalResult OnDeviceArrival(SettingsState& state);
    bool OnDeviceRemoval(UsbIdPair ids);
    bool ResetOnReconnect() const { return resetOnReconnect_; }

    // Acknowledgements, set by the listener (any thread).
    void ClearAck();
    void SignalAck();
    bool WaitForAck(std::chrono::milliseconds timeout);

private:
    struct ReadAllResult;

    bool FindAndOpen(std::string_view substring, bool command);
    void NoteChannelMissing();
    void CloseChannels();
    void StartReadAll();
    void StartListener();
    void StopListener();
    void CancelReadAll();
    void ReadAllThread();
    void ListenerThread(HidChannel& channel);
    bool KeyboardStillPresent();
    void Trace(const TraceRecord& record);
    // Every command sequence holds the keyboard against other programs (inside commandMutex_).
    KeyboardLockHold HoldKeyboard();
    SyncResult FactoryResetLocked(SettingsState& state);

    HidBackend& backend_;
    Clock& clock_;
    LinkEventSink& events_;
    DeviceLinkOptions options_;

    std::string devicePath_;
    UsbIdPair deviceIds_;
    std::string commandPath_;
    std::string eventPath_;
    std::unique_ptr<HidChannel> commandChannel_;
    std::unique_ptr<HidChannel> eventChannel_;
    std::unique_ptr<CommandProtocol> protocol_;
    std::mutex commandMutex_; // held for a whole command sequence
    std::atomic<KeyboardLock*> keyboardLock_{nullptr};
    std::mutex traceMutex_;

    FirmwareVersion deviceVersion_;
    AccessProblem access_;
    OpenFailure lastOpenFailure_;
    bool resetOnReconnect_ = false;

    std::thread readAllThread_;
    bool readAllCreated_ = false;
    std::atomic<bool> readAllRunning_{false};
    std::atomic<bool> cancelReadAll_{false};
    std::mutex mailboxMutex_;
    std::unique_ptr<ReadAllResult> mailbox_;

    std::thread listenerThread_;
    std::atomic<bool> stopListener_{false};
    std::atomic<bool> listenerRunning_{false};
    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    HidChannel* listenedChannel_ = nullptr; // the channel the running listener reads

    AckLatch ack_;

    std::atomic<bool> repaintPending_{false};
    std::atomic<int> repaintCount_{0};
};

} // namespace corvane
