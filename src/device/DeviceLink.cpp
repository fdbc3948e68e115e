#include "device/DeviceLink.h"

#include "device/KeyMarks.h"
#include "store/SettingsState.h"

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

DeviceLink::DeviceLink(HidBackend& backend, Clock& clock, MessageSink& sink, DeviceLinkOptions options)
    : backend_(backend), clock_(clock), sink_(sink), options_(std::move(options))
{
}

DeviceLink::~DeviceLink()
{
    Shutdown();
}

bool DeviceLink::IsAcceptedPair(UsbIdPair ids) const
{
    return std::find(kAcceptedDeviceIds.begin(), kAcceptedDeviceIds.end(), ids) != kAcceptedDeviceIds.end() ||
           std::find(options_.extraDeviceIds.begin(), options_.extraDeviceIds.end(), ids) !=
               options_.extraDeviceIds.end();
}

bool DeviceLink::FindKeyboardInterface(std::string_view substring)
{
    for (const HidInterfaceInfo& info : backend_.Enumerate()) {
        const UsbIdPair ids{info.vendorId, info.productId};
        if (!IsAcceptedPair(ids)) continue;
        const std::string& text = info.matchText.empty() ? info.path : info.matchText;
        if (text.find(substring) == std::string::npos) continue;
        if (CharacterCount(info.path) > kMaxDevicePathLength) continue;
        devicePath_ = info.path;
        deviceIds_ = ids;
        return true;
    }
    return false;
}

bool DeviceLink::OpenCommandChannel()
{
    if (commandChannel_) return true;
    if (devicePath_.empty()) return false;
    commandChannel_ = backend_.Open(devicePath_);
    if (!commandChannel_) return false;
    commandPath_ = devicePath_;
    protocol_ = std::make_unique<CommandProtocol>(*commandChannel_, clock_,
                                                  [this](const TraceRecord& record) { Trace(record); });
    return true;
}

bool DeviceLink::OpenEventChannel()
{
    if (eventChannel_) return true;
    if (devicePath_.empty()) return false;
    eventChannel_ = backend_.Open(devicePath_);
    if (!eventChannel_) return false;
    eventPath_ = devicePath_;
    return true;
}

bool DeviceLink::FindAndOpen(std::string_view substring, bool command)
{
    // A path found by an earlier search may now belong to another device.
    if (!FindKeyboardInterface(substring)) return false;
    return command ? OpenCommandChannel() : OpenEventChannel();
}

void DeviceLink::CloseChannels()
{
    protocol_.reset();
    commandChannel_.reset();
    eventChannel_.reset();
    commandPath_.clear();
    eventPath_.clear();
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
    result.commandChannelOpen = FindAndOpen(kCommandInterface, true);
    if (result.commandChannelOpen && !readAllCreated_) {
        StartReadAll();
        result.readAllStarted = true;
    }
    result.eventChannelOpen = FindAndOpen(kEventInterface, false);
    if (result.eventChannelOpen && !listenerRunning_.load()) {
        StartListener();
        result.listenerStarted = true;
    }
    return result;
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
        result->complete =
            ReadAllSettingsAtStartup(*protocol_, result->image, result->version, cancelReadAll_);
    }
    const bool cancelled = cancelReadAll_.load();
    if (!cancelled) {
        std::lock_guard lock(mailboxMutex_);
        mailbox_ = std::move(result);
    }
    readAllRunning_ = false;
    if (!cancelled) sink_.Post(UM_READ_COMPLETE, 0, 0);
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

ReadCompleteResult DeviceLink::OnReadComplete(SettingsState& state, std::intptr_t lParam)
{
    ReadCompleteResult result;
    const bool fromDevice = lParam == 0;
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
            }
        }
    }
    RecomputeKeyMarks(state.image, state.records, state.marks);
    if (fromDevice && protocol_) {
        std::unique_lock lock(commandMutex_, std::try_to_lock);
        if (lock) protocol_->GetLighting(state.image);
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
        if (!lock)
            result = SyncResult::kBusy;
        else
            result =
                ApplySettingsChanges(protocol_.get(), ack_, state.image, state.shadow, options_.ackTimeout);
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
    listenerThread_ = std::thread(&DeviceLink::ListenerThread, this, std::ref(*eventChannel_));
}

void DeviceLink::StopListener()
{
    {
        std::lock_guard lock(stopMutex_);
        stopListener_ = true;
    }
    stopSignal_.notify_all();
    if (listenerThread_.joinable()) listenerThread_.join();
}

void DeviceLink::ListenerThread(HidChannel& channel)
{
    while (!stopListener_.load()) {
        std::array<std::uint8_t, 4> report{kEventReportId, 0, 0, 0};
        const int length = channel.ReadInput(report, kListenerReadTimeout);
        if (length < 0) {
            // The device is gone or failing; wait as long as a read would instead of spinning,
            // until the removal stops this loop.
            std::unique_lock lock(stopMutex_);
            stopSignal_.wait_for(lock, kListenerReadTimeout, [this] { return stopListener_.load(); });
            continue;
        }
        if (length == 0) continue;
        Trace(
            TraceRecord{TraceDirection::kEventIn,
                        std::vector<std::uint8_t>(report.begin(), report.begin() + std::min<int>(length, 4)),
                        milliseconds(0), true});
        if (report[0] != kEventReportId || length < 2) continue;
        switch (report[1]) {
        case kKindSettingChanged:
            // The window applies it to image and shadow; this thread touches neither.
            sink_.Post(UM_KEYBOARD_SETTING, report[2], report[3]);
            break;
        case kKindAcknowledgement:
            ack_.Set();
            break;
        default:
            sink_.Post(UM_DEVICE_KEY, report[2], 0);
            break;
        }
    }
    listenerRunning_ = false;
}

SliderMove DeviceLink::OnKeyboardSetting(SettingsState& state, std::uintptr_t subType, std::intptr_t value)
{
    const auto v = static_cast<std::uint8_t>(value);
    SliderMove move;
    const auto store = [&state](std::size_t offset, std::uint8_t byte) {
        state.image[offset] = byte;
        state.shadow[offset] = byte;
    };
    switch (subType) {
    case 2:
        store(img::kLightingMode, v);
        break;
    case 3:
        store(img::kSpeed, static_cast<std::uint8_t>(10 - v));
        move = {SliderId::kSpeed, state.image[img::kSpeed]};
        break;
    case 4:
        store(img::kBrightness, v);
        move = {SliderId::kBrightness, v};
        break;
    case 5:
        store(img::kColour, v);
        break;
    case 6:
        store(img::kDirection, v);
        break;
    default:
        break;
    }
    repaintCount_ = 0;
    repaintPending_ = true;
    return move;
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
    {
        std::lock_guard lock(commandMutex_);
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
        sink_.Post(UM_READ_COMPLETE, 0, 0);
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
    return true;
}

} // namespace corvane
