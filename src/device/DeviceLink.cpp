#include "device/DeviceLink.h"

#include "device/KeyMarks.h"
#include "device/SettingsState.h"

#include <algorithm>

namespace corvane {

using std::chrono::milliseconds;

namespace {

// Characters, not bytes: the limit is the original's wide-character buffer.
std::size_t CharacterCount(const std::string& utf8)
{
    return static_cast<std::size_t>(std::count_if(
        utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

constexpr std::uint8_t kEventReportId = 4;
constexpr std::uint8_t kKindSettingChanged = 1;
constexpr std::uint8_t kKindAcknowledgement = 4;
constexpr int kRepaintsPerChange = 4;

} // namespace

struct DeviceLink::ReadAllResult
{
    SettingsImage image;
    FirmwareVersion version;
    bool complete = false;
};

DeviceLink::DeviceLink(HidBackend& backend, Clock& clock, LinkEventSink& events, DeviceLinkOptions options)
    : backend_(backend), clock_(clock), events_(events), options_(std::move(options))
{
}

DeviceLink::~DeviceLink()
{
    Shutdown();
}

namespace {

bool Accepted(UsbIdPair ids, const std::vector<UsbIdPair>& extraIds)
{
    return std::find(kAcceptedDeviceIds.begin(), kAcceptedDeviceIds.end(), ids) != kAcceptedDeviceIds.end() ||
           std::find(extraIds.begin(), extraIds.end(), ids) != extraIds.end();
}

} // namespace

std::optional<HidInterfaceInfo> FindKeyboardInterfaceIn(HidBackend& backend,
                                                        const std::vector<UsbIdPair>& extraIds,
                                                        std::string_view substring)
{
    for (HidInterfaceInfo& info : backend.Enumerate()) {
        if (!Accepted({info.vendorId, info.productId}, extraIds)) continue;
        const std::string& text = info.matchText.empty() ? info.path : info.matchText;
        if (text.find(substring) == std::string::npos) continue;
        if (CharacterCount(info.path) > kMaxDevicePathLength) continue;
        return std::move(info);
    }
    return std::nullopt;
}

AccessText AccessNotice(KeyboardAccess access)
{
    switch (access) {
    case KeyboardAccess::kReady:
        return {"", ""};
    case KeyboardAccess::kNoKeyboard:
        return {"Keine Gaming-Tastatur gefunden", "No Gaming Keyboard found"};
    case KeyboardAccess::kNotAccessible:
        return {"Tastatur gefunden, aber kein Zugriff: udev-Regel fehlt",
                "Keyboard found but not accessible: udev rule missing"};
    case KeyboardAccess::kUpdateMode:
        return {"Tastatur im Firmware-Aktualisierungsmodus", "Keyboard is in firmware update mode"};
    case KeyboardAccess::kOpenFailed:
        return {"Tastatur gefunden, kann aber nicht geöffnet werden", "Keyboard found but cannot be opened"};
    }
    return {"", ""};
}

AccessText UdevRuleHelp()
{
    return {"Die Tastatur ist angeschlossen, aber dieser Benutzer darf sie nicht öffnen. Installiere die "
            "udev-Regel 60-corvane-keyboard.rules (sie liegt dem Programm unter dist/linux bei und wird "
            "mit \"cmake --install\" nach lib/udev/rules.d installiert) und lade die Regeln neu:\n"
            "  sudo cp 60-corvane-keyboard.rules /etc/udev/rules.d/\n"
            "  sudo udevadm control --reload-rules && sudo udevadm trigger\n"
            "Danach die Tastatur aus- und wieder einstecken.",
            "The keyboard is plugged in, but this user may not open it. Install the udev rule "
            "60-corvane-keyboard.rules (it comes with the program in dist/linux and is installed to "
            "lib/udev/rules.d by \"cmake --install\") and reload the rules:\n"
            "  sudo cp 60-corvane-keyboard.rules /etc/udev/rules.d/\n"
            "  sudo udevadm control --reload-rules && sudo udevadm trigger\n"
            "Then unplug the keyboard and plug it in again."};
}

bool DeviceLink::IsAcceptedPair(UsbIdPair ids) const
{
    return Accepted(ids, options_.extraDeviceIds);
}

bool DeviceLink::FindKeyboardInterface(std::string_view substring)
{
    std::optional<HidInterfaceInfo> found =
        FindKeyboardInterfaceIn(backend_, options_.extraDeviceIds, substring);
    if (!found) return false;
    devicePath_ = std::move(found->path);
    deviceIds_ = {found->vendorId, found->productId};
    return true;
}

bool DeviceLink::OpenCommandChannel()
{
    if (commandChannel_) return true;
    if (devicePath_.empty()) return false;
    commandChannel_ = backend_.Open(devicePath_, lastOpenFailure_);
    if (!commandChannel_) return false;
    commandPath_ = devicePath_;
    keyboardLock_ = backend_.LockFor(commandPath_);
    protocol_ = std::make_unique<CommandProtocol>(*commandChannel_, clock_,
                                                  [this](const TraceRecord& record) { Trace(record); });
    return true;
}

bool DeviceLink::OpenEventChannel()
{
    if (eventChannel_) return true;
    if (devicePath_.empty()) return false;
    eventChannel_ = backend_.Open(devicePath_, lastOpenFailure_);
    if (!eventChannel_) return false;
    eventPath_ = devicePath_;
    return true;
}

bool DeviceLink::FindAndOpen(std::string_view substring, bool command)
{
    // A path found by an earlier search may now belong to another device.
    lastOpenFailure_ = OpenFailure{OpenError::kGone, 0, {}};
    if (!FindKeyboardInterface(substring)) return false;
    return command ? OpenCommandChannel() : OpenEventChannel();
}

void DeviceLink::NoteChannelMissing()
{
    access_.detail = lastOpenFailure_.detail;
    switch (lastOpenFailure_.error) {
    case OpenError::kNoPermission:
        access_.access = KeyboardAccess::kNotAccessible;
        return;
    case OpenError::kBusy:
    case OpenError::kFailed:
        access_.access = KeyboardAccess::kOpenFailed;
        return;
    case OpenError::kNone:
    case OpenError::kGone:
        break;
    }
    // The keyboard in update mode shows only its keys interface, under the second ID pair.
    const std::optional<HidInterfaceInfo> keys =
        FindKeyboardInterfaceIn(backend_, options_.extraDeviceIds, kUpdateModeInterface);
    access_.access = keys && UsbIdPair{keys->vendorId, keys->productId} == kUpdateModeIds
                         ? KeyboardAccess::kUpdateMode
                         : KeyboardAccess::kNoKeyboard;
}

void DeviceLink::CloseChannels()
{
    protocol_.reset();
    commandChannel_.reset();
    eventChannel_.reset();
    commandPath_.clear();
    eventPath_.clear();
    keyboardLock_ = nullptr;
}

KeyboardLockHold DeviceLink::HoldKeyboard()
{
    return KeyboardLockHold(keyboardLock_.load(), options_.waitingForKeyboard);
}

void DeviceLink::Trace(const TraceRecord& record)
{
    if (!options_.trace) return;
    std::lock_guard lock(traceMutex_);
    options_.trace(record);
}

StartResult DeviceLink::Start()
{
    StartResult result;
    access_ = AccessProblem{};
    result.commandChannelOpen = FindAndOpen(kCommandInterface, true);
    if (!result.commandChannelOpen) NoteChannelMissing();
    if (result.commandChannelOpen && !readAllCreated_) {
        StartReadAll();
        result.readAllStarted = true;
    }
    result.eventChannelOpen = FindAndOpen(kEventInterface, false);
    if (!result.eventChannelOpen && access_.access == KeyboardAccess::kReady) NoteChannelMissing();
    if (result.eventChannelOpen && !listenerRunning_.load()) {
        StartListener();
        result.listenerStarted = true;
    }
    return result;
}

bool DeviceLink::OpenForQueries()
{
    access_ = AccessProblem{};
    if (FindAndOpen(kCommandInterface, true)) return true;
    NoteChannelMissing();
    return false;
}

SyncResult DeviceLink::ReadSettings(SettingsState& state)
{
    const StartResult started = Start();
    if (!started.commandChannelOpen) return SyncResult::kNoKeyboard;
    WaitForReadAll();
    return OnReadComplete(state, ReadSource::kDevice).settingsTaken ? SyncResult::kOk
                                                                    : SyncResult::kTransferFailed;
}

void DeviceLink::Shutdown()
{
    StopListener();
    CancelReadAll();
    CloseChannels();
}

// ---- The start-up read ----------------------------------------------------------------------

void DeviceLink::StartReadAll()
{
    readAllCreated_ = true;
    cancelReadAll_ = false;
    readAllRunning_ = true;
    readAllThread_ = std::thread(&DeviceLink::ReadAllThread, this);
}

void DeviceLink::ReadAllThread()
{
    auto result = std::make_unique<ReadAllResult>();
    {
        std::lock_guard lock(commandMutex_);
        const KeyboardLockHold keyboard = HoldKeyboard();
        result->complete =
            ReadAllSettingsAtStartup(*protocol_, result->image, result->version, cancelReadAll_);
    }
    const bool cancelled = cancelReadAll_.load();
    if (!cancelled) {
        std::lock_guard lock(mailboxMutex_);
        mailbox_ = std::move(result);
    }
    readAllRunning_ = false;
    if (!cancelled) events_.Raise(ReadFinished{ReadSource::kDevice});
}

bool DeviceLink::StartReread()
{
    if (!commandChannel_ || readAllRunning_.load()) return false;
    WaitForReadAll();
    StartReadAll();
    return true;
}

void DeviceLink::WaitForReadAll()
{
    if (readAllThread_.joinable()) readAllThread_.join();
}

void DeviceLink::CancelReadAll()
{
    cancelReadAll_ = true;
    WaitForReadAll();
}

ReadCompleteResult DeviceLink::OnReadComplete(SettingsState& state, ReadSource source)
{
    ReadCompleteResult result;
    const bool fromDevice = source == ReadSource::kDevice;
    if (fromDevice) {
        std::unique_ptr<ReadAllResult> read;
        {
            std::lock_guard lock(mailboxMutex_);
            read = std::move(mailbox_);
        }
        if (read) {
            deviceVersion_ = read->version;
            // A read that did not get through replaces nothing; the file's settings stay.
            if (read->complete) {
                CopyDeviceRegions(read->image, state.image);
                state.shadow = state.image;
                result.settingsTaken = true;
            } else {
                result.readFailed = true;
            }
        }
    }
    RecomputeKeyMarks(state.image, state.records, state.marks);
    // After a failed read the keyboard is not asked again, and the file keeps what it holds.
    if (result.readFailed) return result;
    if (fromDevice && protocol_) {
        std::unique_lock lock(commandMutex_, std::try_to_lock);
        if (lock) {
            const KeyboardLockHold keyboard = HoldKeyboard();
            protocol_->GetLighting(state.image);
        }
    }
    if (options_.writeKeymap) options_.writeKeymap(state);
    if (fromDevice) result.offerFirmwareUpdate = FirmwareUpdateOffered(options_.fileVersion, deviceVersion_);
    return result;
}

// ---- Command sequences of the window ----------------------------------------------------

SyncResult DeviceLink::Apply(SettingsState& state)
{
    SyncResult result = SyncResult::kNoKeyboard;
    if (protocol_) {
        std::unique_lock lock(commandMutex_, std::try_to_lock);
        if (!lock) {
            result = SyncResult::kBusy;
        } else {
            const KeyboardLockHold keyboard = HoldKeyboard();
            result =
                ApplySettingsChanges(protocol_.get(), ack_, state.image, state.shadow, options_.ackTimeout);
        }
    }
    if (result == SyncResult::kOk) state.recordShadow = state.records;
    if (options_.writeKeymap) options_.writeKeymap(state);
    return result;
}

SyncResult DeviceLink::FactoryReset(SettingsState& state)
{
    if (!protocol_) return SyncResult::kNoKeyboard;
    std::unique_lock lock(commandMutex_, std::try_to_lock);
    if (!lock) return SyncResult::kBusy;
    const KeyboardLockHold keyboard = HoldKeyboard();
    return FactoryResetLocked(state);
}

SyncResult DeviceLink::FactoryResetLocked(SettingsState& state)
{
    // If the keyboard never got the reset, the host keeps its settings too.
    if (!protocol_->FactoryReset()) return SyncResult::kTransferFailed;
    const bool read = ReadAllSettings(*protocol_, state.image);
    ResetHostSideToFactory(state);
    const bool written = options_.writeKeymap ? options_.writeKeymap(state) : true;
    if (written) state.TakeShadows();
    return read ? SyncResult::kOk : SyncResult::kTransferFailed;
}

SyncResult DeviceLink::QueryFirmwareVersion(FirmwareVersion& version)
{
    if (!protocol_) return SyncResult::kNoKeyboard;
    std::unique_lock lock(commandMutex_, std::try_to_lock);
    if (!lock) return SyncResult::kBusy;
    const KeyboardLockHold keyboard = HoldKeyboard();
    if (!protocol_->GetFirmwareVersion(deviceVersion_)) return SyncResult::kTransferFailed;
    version = deviceVersion_;
    return SyncResult::kOk;
}

// ---- Listener -----------------------------------------------------------------------------

void DeviceLink::StartListener()
{
    if (listenerThread_.joinable()) listenerThread_.join();
    stopListener_ = false;
    listenerRunning_ = true;
    listenedChannel_ = eventChannel_.get();
    listenerThread_ = std::thread(&DeviceLink::ListenerThread, this, std::ref(*eventChannel_));
}

void DeviceLink::StopListener()
{
    {
        std::lock_guard lock(stopMutex_);
        stopListener_ = true;
    }
    stopSignal_.notify_all();
    // The read waits for a report without a time limit; this ends it at once.
    if (listenedChannel_ != nullptr) listenedChannel_->InterruptRead();
    if (listenerThread_.joinable()) listenerThread_.join();
    listenedChannel_ = nullptr;
}

void DeviceLink::ListenerThread(HidChannel& channel)
{
    while (!stopListener_.load()) {
        std::array<std::uint8_t, 4> report{kEventReportId, 0, 0, 0};
        const int length = channel.ReadInput(report, kWaitForInput);
        if (length < 0) {
            // The device is gone or failing and nothing more will come from this channel: sleep
            // until the removal (or shut-down) stops this loop instead of spinning.
            std::unique_lock lock(stopMutex_);
            stopSignal_.wait(lock, [this] { return stopListener_.load(); });
            break;
        }
        if (length == 0) continue;
        Trace(
            TraceRecord{TraceDirection::kEventIn,
                        std::vector<std::uint8_t>(report.begin(), report.begin() + std::min<int>(length, 4)),
                        milliseconds(0), true});
        if (report[0] != kEventReportId || length < 2) continue;
        switch (report[1]) {
        case kKindSettingChanged:
            // The owner applies it to image and shadow; this thread touches neither.
            events_.Raise(KeyboardSettingChanged{static_cast<KeyboardSetting>(report[2]), report[3]});
            break;
        case kKindAcknowledgement:
            ack_.Set();
            break;
        default:
            events_.Raise(HostKeyPressed{report[2]});
            break;
        }
    }
    listenerRunning_ = false;
}

std::optional<SliderField> DeviceLink::OnKeyboardSetting(SettingsState& state,
                                                         const KeyboardSettingChanged& change)
{
    const std::optional<SliderField> slider =
        ApplyKeyboardSetting(state.image, state.shadow, change.setting, change.value);
    repaintCount_ = 0;
    repaintPending_ = true;
    return slider;
}

bool DeviceLink::RepaintTick()
{
    if (!repaintPending_.load()) return false;
    if (repaintCount_.load() < kRepaintsPerChange) {
        ++repaintCount_;
        return true;
    }
    repaintPending_ = false;
    repaintCount_ = 0;
    return false;
}

void DeviceLink::ClearAck()
{
    ack_.Clear();
}

void DeviceLink::SignalAck()
{
    ack_.Set();
}

bool DeviceLink::WaitForAck(milliseconds timeout)
{
    return ack_.Wait(timeout);
}

// ---- Hot-plug -----------------------------------------------------------------------------

ArrivalResult DeviceLink::OnDeviceArrival(SettingsState& state)
{
    ArrivalResult result;
    if (commandChannel_) {
        result.alreadyOpen = true;
        return result;
    }
    if (!FindAndOpen(kCommandInterface, true)) {
        NoteChannelMissing();
        // The keyboard in update mode shows only its keys interface. The IDs of the last
        // successful search count when this one finds nothing.
        FindKeyboardInterface(kUpdateModeInterface);
        if (deviceIds_ == kUpdateModeIds) {
            resetOnReconnect_ = true;
            result.updateModeSeen = true;
        }
        return result;
    }
    result.commandChannelOpened = true;
    access_ = AccessProblem{};
    {
        std::lock_guard lock(commandMutex_);
        const KeyboardLockHold keyboard = HoldKeyboard();
        if (resetOnReconnect_) {
            FactoryResetLocked(state);
            result.factoryReset = true;
        }
        resetOnReconnect_ = false;
        bool ok = ReadAllSettings(*protocol_, state.image);
        for (int map = 0; map < static_cast<int>(img::kCustomLightMapCount); ++map)
            ok = protocol_->ReadCustomLightMap(state.image, map) && ok;
        ok = protocol_->GetFirmwareVersion(deviceVersion_) && ok;
        result.reread = ok ? SyncResult::kOk : SyncResult::kTransferFailed;
    }
    if (!eventChannel_ && FindAndOpen(kEventInterface, false)) {
        result.eventChannelOpened = true;
        if (!listenerRunning_.load()) {
            StartListener();
            result.listenerStarted = true;
        }
        events_.Raise(ReadFinished{ReadSource::kDevice});
    }
    return result;
}

bool DeviceLink::KeyboardStillPresent()
{
    const std::vector<HidInterfaceInfo> present = backend_.Enumerate();
    const auto listed = [&present](const std::string& path) {
        return std::any_of(present.begin(), present.end(),
                           [&path](const HidInterfaceInfo& info) { return info.path == path; });
    };
    if (commandChannel_ && !listed(commandPath_)) return false;
    if (eventChannel_ && !listed(eventPath_)) return false;
    return true;
}

bool DeviceLink::OnDeviceRemoval(UsbIdPair ids)
{
    if (!commandChannel_ && !eventChannel_) return false;
    // Another device went; the keyboard's channels stay open.
    if (ids != UsbIdPair{} && !IsAcceptedPair(ids)) return false;
    if (KeyboardStillPresent()) return false;
    StopListener();
    CancelReadAll();
    CloseChannels();
    access_ = AccessProblem{KeyboardAccess::kNoKeyboard, {}};
    return true;
}

} // namespace corvane
