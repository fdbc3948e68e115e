#include "emulator/KeyboardEmulator.h"

#include "device/LightingSettings.h"

#include "format/KeyLayout.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <random>

namespace corvane {

namespace {

using Frame = std::array<std::uint8_t, 9>;
using PacketData = std::array<std::uint8_t, 64>;
using RealClock = std::chrono::steady_clock;

constexpr std::size_t kFrameSize = 9;
constexpr std::size_t kPacketSize = 65;
// How much of a spoiled short transfer still arrives.
constexpr std::size_t kShortReplyBytes = 4;
constexpr std::size_t kShortPacketBytes = 17;

std::uint8_t Checksum(const std::uint8_t* frame)
{
    unsigned sum = 0;
    for (std::size_t i = 1; i <= 7; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(0xFF - sum);
}

// The frame bytes (2-7) each command reads; every other argument byte must be zero.
struct CommandRule
{
    std::uint8_t code;
    std::uint8_t usedBytes; // bit n set: frame byte n is an argument
};

constexpr std::uint8_t Bytes(std::initializer_list<int> positions)
{
    std::uint8_t mask = 0;
    for (int p : positions)
        mask = static_cast<std::uint8_t>(mask | (1u << p));
    return mask;
}

constexpr std::array<CommandRule, 21> kCommandRules{{
    {0x80, 0},
    {0x81, 0},
    {0x01, Bytes({2})},
    {0x84, 0},
    {0x04, Bytes({2})},
    {0x88, 0},
    {0x08, Bytes({2, 3, 4, 5, 6, 7})},
    {0x89, 0},
    {0x09, Bytes({2})},
    {0x8D, 0},
    {0x0D, Bytes({4})},
    {0x8E, Bytes({4})},
    {0x0E, Bytes({4})},
    {0x91, Bytes({3})},
    {0x11, Bytes({3, 4})},
    {0x92, Bytes({3, 4})},
    {0x12, Bytes({3, 4})},
    {0x94, Bytes({3})},
    {0x14, Bytes({3, 4, 5, 6})},
    {0x13, Bytes({2})},
    {0x18, Bytes({2})},
}};

const CommandRule* FindRule(std::uint8_t code)
{
    for (const CommandRule& rule : kCommandRules)
        if (rule.code == code) return &rule;
    return nullptr;
}

std::string MatchPrefix(UsbIdPair ids)
{
    char text[32];
    std::snprintf(text, sizeof text, "vid_%04x&pid_%04x", ids.vendorId, ids.productId);
    return text;
}

} // namespace

struct KeyboardEmulator::Core
{
    struct PendingReport
    {
        std::vector<std::uint8_t> bytes;
        RealClock::time_point readyAt;
    };
    // Each open event channel receives its own copy of every input report, as a HID handle does.
    struct InputQueue
    {
        std::deque<PendingReport> reports;
    };
    struct BulkWrite
    {
        std::uint8_t code = 0;
        std::uint8_t index = 0;
        std::size_t expected = 0;
        std::vector<std::uint8_t> data;
    };

    explicit Core(Clock& c) : clock(c) {}

    Clock& clock;
    mutable std::mutex mutex;
    std::condition_variable inputArrived;

    bool alive = true;
    bool plugged = true;
    PlugMode mode = PlugMode::Normal;
    std::uint64_t generation = 0;
    UsbIdPair ids = kAcceptedDeviceIds[0];
    std::uint8_t firmwareMajor = 1;
    std::uint8_t firmwareMinor = 0;

    EmulatedDeviceState state = KeyboardEmulator::FactoryState();
    bool updateOpen = false;
    std::array<bool, 0x80> acknowledges = [] {
        std::array<bool, 0x80> all{};
        all.fill(true);
        return all;
    }();

    std::optional<Frame> reply;
    std::deque<PacketData> packetsIn;
    std::optional<BulkWrite> bulkWrite;
    std::vector<std::shared_ptr<InputQueue>> inputQueues;

    std::size_t acksToDrop = 0;
    std::chrono::milliseconds ackDelay{0};
    std::optional<ReplyFault> replyFault;
    std::size_t replyFaultCount = 0;
    std::optional<ReplyFault> packetFault;
    std::size_t packetFaultCount = 0;
    std::optional<std::size_t> transfersBeforeUnplug;
    std::mt19937 random{0xC0FFEE};

    std::vector<TraceEntry> trace;
    std::size_t badChecksums = 0;
    std::size_t acknowledgementsSent = 0;

    std::function<void(const HotplugEvent&)> hotplugCallback;
    std::vector<HotplugEvent> pendingHotplug;
    std::function<void()> changeCallback;
    EmulatedDeviceState told; // the settings as the change callback last heard of them

    UsbIdPair CurrentIds() const { return mode == PlugMode::Update ? kUpdateModeIds : ids; }

    bool Present(EmulatedInterface which) const
    {
        if (!alive || !plugged) return false;
        return mode == PlugMode::Normal || which == EmulatedInterface::Keys;
    }

    void Record(EmulatedInterface which, TraceOp op, bool fromHost, const std::uint8_t* bytes,
                std::size_t size, TraceNote note)
    {
        if (!alive) return; // the clock may be gone with the emulator
        trace.push_back(TraceEntry{clock.Now(), which, op, fromHost,
                                   std::vector<std::uint8_t>(bytes, bytes + size), note});
    }

    void Broadcast(std::vector<std::uint8_t> report, RealClock::time_point readyAt)
    {
        if (!alive || !plugged) return;
        for (auto& queue : inputQueues)
            queue->reports.push_back(PendingReport{report, readyAt});
        inputArrived.notify_all();
    }

    void SendReport(std::vector<std::uint8_t> report) { Broadcast(std::move(report), RealClock::now()); }

    void Acknowledge(std::uint8_t code)
    {
        if (code >= 0x80 || !acknowledges[code]) return;
        if (acksToDrop > 0) {
            --acksToDrop;
            return;
        }
        ++acknowledgementsSent;
        Broadcast({kEventReportId, kKindAcknowledgement, 0, 0}, RealClock::now() + ackDelay);
    }

    void DoUnplug()
    {
        if (!plugged) return;
        const UsbIdPair gone = CurrentIds();
        plugged = false;
        ++generation;
        inputQueues.clear();
        reply.reset();
        packetsIn.clear();
        bulkWrite.reset();
        updateOpen = false;
        transfersBeforeUnplug.reset();
        inputArrived.notify_all();
        pendingHotplug.push_back(HotplugEvent{false, gone});
    }

    void DoPlug(PlugMode newMode)
    {
        DoUnplug();
        mode = newMode;
        plugged = true;
        pendingHotplug.push_back(HotplugEvent{true, CurrentIds()});
    }

    // Counts one command-interface transfer; false when the keyboard went away before it.
    bool CountTransfer()
    {
        if (!transfersBeforeUnplug) return true;
        if (*transfersBeforeUnplug == 0) {
            DoUnplug();
            return false;
        }
        --*transfersBeforeUnplug;
        return true;
    }

    std::uint8_t RandomByte() { return static_cast<std::uint8_t>(random() & 0xFF); }

    // The caller must hold no lock: the callback may call back into the emulator.
    static void Notify(const std::shared_ptr<Core>& core)
    {
        std::vector<HotplugEvent> events;
        std::function<void(const HotplugEvent&)> callback;
        std::function<void()> changeCallback;
        {
            std::lock_guard lock(core->mutex);
            events.swap(core->pendingHotplug);
            callback = core->hotplugCallback;
            if (core->changeCallback && !core->updateOpen && core->state != core->told) {
                core->told = core->state;
                changeCallback = core->changeCallback;
            }
        }
        if (callback)
            for (const HotplugEvent& event : events)
                callback(event);
        if (changeCallback) changeCallback();
    }

    TraceNote HandleFrame(const Frame& frame);
    TraceNote Query(const Frame& frame);
    TraceNote Set(const Frame& frame);
    void CompleteBulkWrite();
    void QueuePacketsIn(const std::uint8_t* data, std::size_t size, std::size_t packets);
};

void KeyboardEmulator::Core::QueuePacketsIn(const std::uint8_t* data, std::size_t size, std::size_t packets)
{
    for (std::size_t i = 0; i < packets; ++i) {
        PacketData packet{};
        const std::size_t offset = 64 * i;
        if (offset < size)
            std::copy_n(data + offset, std::min<std::size_t>(64, size - offset), packet.begin());
        packetsIn.push_back(packet);
    }
}

TraceNote KeyboardEmulator::Core::HandleFrame(const Frame& frame)
{
    if (Checksum(frame.data()) != frame[8]) {
        ++badChecksums;
        return TraceNote::BadChecksum;
    }
    // Any new command ends what the previous one left behind; an unfinished bulk write is lost.
    reply.reset();
    packetsIn.clear();
    bulkWrite.reset();

    const CommandRule* rule = FindRule(frame[1]);
    if (rule == nullptr) return TraceNote::UnknownCommand;
    for (int position = 2; position <= 7; ++position)
        if (!(rule->usedBytes & (1u << position)) && frame[position] != 0) return TraceNote::Malformed;
    return frame[1] >= 0x80 ? Query(frame) : Set(frame);
}

TraceNote KeyboardEmulator::Core::Query(const Frame& frame)
{
    const std::uint8_t code = frame[1];
    const std::uint8_t index = frame[3];
    Frame answer{};
    answer[1] = code;
    switch (code) {
    case 0x80:
        answer[2] = firmwareMajor;
        answer[3] = firmwareMinor;
        break;
    case 0x81:
        answer[2] = state.reportRate;
        break;
    case 0x84:
        answer[2] = state.responseTime;
        break;
    case 0x88:
        answer[3] = state.lightingMode;
        answer[4] = state.speed;
        answer[5] = state.brightness;
        answer[6] = state.colour;
        answer[7] = state.direction;
        break;
    case 0x89:
        answer[2] = state.gameMode;
        break;
    case 0x8D:
        QueuePacketsIn(state.keyTable.data(), state.keyTable.size(), 8);
        break;
    case 0x8E:
        if (frame[4] != img::kKeyEnableMapSize) return TraceNote::Malformed;
        answer[4] = frame[4];
        QueuePacketsIn(state.keyEnableMap.data(), state.keyEnableMap.size(), 1);
        break;
    case 0x91:
        if (index >= img::kMacroSlotCount) return TraceNote::Malformed;
        answer[3] = index;
        QueuePacketsIn(state.macroSlots[index].data(), img::kMacroSlotSize, 3);
        break;
    case 0x92:
        if (index >= img::kCustomLightMapCount || frame[4] != 8) return TraceNote::Malformed;
        answer[3] = index;
        answer[4] = frame[4];
        QueuePacketsIn(state.lightMaps[index].data(), img::kCustomLightMapSize, 8);
        break;
    case 0x94:
        if (index >= img::kPaletteEntries) return TraceNote::Malformed;
        answer[3] = index;
        std::copy_n(state.palette.begin() + 3 * index, 3, answer.begin() + 4);
        break;
    default:
        return TraceNote::UnknownCommand;
    }
    answer[8] = Checksum(answer.data());
    reply = answer;
    return TraceNote::Accepted;
}

TraceNote KeyboardEmulator::Core::Set(const Frame& frame)
{
    const std::uint8_t code = frame[1];
    const std::uint8_t index = frame[3];
    auto startBulk = [&](std::size_t packets) {
        bulkWrite = BulkWrite{code, index, packets, {}};
        return TraceNote::Accepted;
    };
    switch (code) {
    case 0x01:
        state.reportRate = frame[2];
        break;
    case 0x04:
        state.responseTime = frame[2];
        break;
    case 0x08:
        if (frame[2] != 1 && frame[2] != 2) return TraceNote::Malformed;
        state.lightingMode = frame[3];
        state.speed = frame[4];
        state.brightness = frame[5];
        state.colour = frame[6];
        state.direction = frame[7];
        break;
    case 0x09:
        state.gameMode = frame[2];
        break;
    case 0x0D:
        if (frame[4] != 8) return TraceNote::Malformed;
        return startBulk(8);
    case 0x0E:
        if (frame[4] != img::kKeyEnableMapSize) return TraceNote::Malformed;
        return startBulk(1);
    case 0x11:
        if (index >= img::kMacroSlotCount || frame[4] != 3) return TraceNote::Malformed;
        return startBulk(3);
    case 0x12:
        if (index >= img::kCustomLightMapCount || frame[4] != 8) return TraceNote::Malformed;
        return startBulk(8);
    case 0x14:
        if (index >= img::kPaletteEntries) return TraceNote::Malformed;
        std::copy_n(frame.begin() + 4, 3, state.palette.begin() + 3 * index);
        break;
    case 0x13:
        if (frame[2] != 0xFF) return TraceNote::Malformed;
        state = KeyboardEmulator::FactoryState();
        break;
    case 0x18:
        if (frame[2] > 1) return TraceNote::Malformed;
        updateOpen = frame[2] == 1;
        break;
    default:
        return TraceNote::UnknownCommand;
    }
    Acknowledge(code);
    return TraceNote::Accepted;
}

void KeyboardEmulator::Core::CompleteBulkWrite()
{
    const BulkWrite& bulk = *bulkWrite;
    const std::uint8_t* data = bulk.data.data();
    switch (bulk.code) {
    case 0x0D:
        std::copy_n(data, img::kDeviceKeyTableSize, state.keyTable.begin());
        break;
    case 0x0E:
        std::copy_n(data, img::kKeyEnableMapSize, state.keyEnableMap.begin());
        break;
    case 0x11:
        std::copy_n(data, img::kMacroSlotSize, state.macroSlots[bulk.index].begin());
        break;
    case 0x12:
        std::copy_n(data, img::kCustomLightMapSize, state.lightMaps[bulk.index].begin());
        break;
    default:
        break;
    }
    const std::uint8_t code = bulk.code;
    bulkWrite.reset();
    Acknowledge(code);
}

namespace {

class EmulatedChannel final : public HidChannel
{
public:
    EmulatedChannel(std::shared_ptr<KeyboardEmulator::Core> core, EmulatedInterface which,
                    std::uint64_t generation)
        : core_(std::move(core)), which_(which), generation_(generation)
    {
        if (which_ == EmulatedInterface::Event) {
            queue_ = std::make_shared<KeyboardEmulator::Core::InputQueue>();
            core_->inputQueues.push_back(queue_);
        }
    }

    ~EmulatedChannel() override
    {
        if (!queue_) return;
        std::lock_guard lock(core_->mutex);
        std::erase(core_->inputQueues, queue_);
    }

    bool SetFeature(std::span<const std::uint8_t, 9> report) override
    {
        bool ok = false;
        {
            std::lock_guard lock(core_->mutex);
            ok = SetFeatureLocked(report);
        }
        KeyboardEmulator::Core::Notify(core_);
        return ok;
    }

    bool GetFeature(std::span<std::uint8_t, 9> report) override
    {
        bool ok = false;
        {
            std::lock_guard lock(core_->mutex);
            ok = GetFeatureLocked(report);
        }
        KeyboardEmulator::Core::Notify(core_);
        return ok;
    }

    bool Write(std::span<const std::uint8_t, 65> packet) override
    {
        bool ok = false;
        {
            std::lock_guard lock(core_->mutex);
            ok = WriteLocked(packet);
        }
        KeyboardEmulator::Core::Notify(core_);
        return ok;
    }

    bool Read(std::span<std::uint8_t, 65> packet) override
    {
        bool ok = false;
        {
            std::lock_guard lock(core_->mutex);
            ok = ReadLocked(packet);
        }
        KeyboardEmulator::Core::Notify(core_);
        return ok;
    }

    int ReadInput(std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override
    {
        Core& core = *core_;
        std::unique_lock lock(core.mutex);
        const bool forever = timeout < std::chrono::milliseconds(0);
        const auto deadline = RealClock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
        for (;;) {
            if (interrupted_) {
                interrupted_ = false;
                return 0;
            }
            if (!Usable()) return -1;
            const auto now = RealClock::now();
            if (queue_ && !queue_->reports.empty() && queue_->reports.front().readyAt <= now) {
                Core::PendingReport report = std::move(queue_->reports.front());
                queue_->reports.pop_front();
                const std::size_t size = std::min(report.bytes.size(), buffer.size());
                std::copy_n(report.bytes.begin(), size, buffer.begin());
                core.Record(which_, TraceOp::Input, false, report.bytes.data(), report.bytes.size(),
                            TraceNote::Accepted);
                return static_cast<int>(size);
            }
            if (!forever && now >= deadline) return 0;
            // Sleep until a report is due, the timeout passes, or something wakes the queue.
            std::optional<RealClock::time_point> wake;
            if (!forever) wake = deadline;
            if (queue_ && !queue_->reports.empty())
                wake =
                    wake ? std::min(*wake, queue_->reports.front().readyAt) : queue_->reports.front().readyAt;
            if (wake)
                core.inputArrived.wait_until(lock, *wake);
            else
                core.inputArrived.wait(lock);
        }
    }

    void InterruptRead() override
    {
        {
            std::lock_guard lock(core_->mutex);
            interrupted_ = true;
        }
        core_->inputArrived.notify_all();
    }

private:
    using Core = KeyboardEmulator::Core;

    bool Usable() const { return core_->Present(which_) && core_->generation == generation_; }

    // Common entry of the command-interface calls: false when the call must fail.
    bool Admit(TraceOp op, bool fromHost, const std::uint8_t* bytes, std::size_t size)
    {
        if (Usable() && which_ == EmulatedInterface::Command && core_->CountTransfer()) return true;
        core_->Record(which_, op, fromHost, bytes, size, TraceNote::Failed);
        return false;
    }

    bool SetFeatureLocked(std::span<const std::uint8_t, 9> report)
    {
        if (!Admit(TraceOp::SetFeature, true, report.data(), report.size())) return false;
        Frame frame;
        std::copy(report.begin(), report.end(), frame.begin());
        if (frame[0] != 0) {
            // No feature report with another ID exists; the transfer itself fails.
            core_->Record(which_, TraceOp::SetFeature, true, frame.data(), kFrameSize, TraceNote::Malformed);
            return false;
        }
        const TraceNote note = core_->HandleFrame(frame);
        core_->Record(which_, TraceOp::SetFeature, true, frame.data(), kFrameSize, note);
        return true;
    }

    bool GetFeatureLocked(std::span<std::uint8_t, 9> report)
    {
        if (!Admit(TraceOp::GetFeature, false, report.data(), 0)) return false;
        Frame answer{};
        TraceNote note = TraceNote::Accepted;
        if (core_->reply)
            answer = *core_->reply;
        else
            note = TraceNote::Unexpected;
        bool ok = true;
        if (core_->replyFaultCount > 0) {
            --core_->replyFaultCount;
            note = TraceNote::Faulted;
            if (*core_->replyFault == ReplyFault::Short) {
                std::copy_n(answer.begin(), kShortReplyBytes, report.begin());
                core_->Record(which_, TraceOp::GetFeature, false, answer.data(), kShortReplyBytes, note);
                return false;
            }
            for (std::size_t i = 1; i < kFrameSize; ++i)
                answer[i] = core_->RandomByte();
        }
        std::copy(answer.begin(), answer.end(), report.begin());
        core_->Record(which_, TraceOp::GetFeature, false, answer.data(), kFrameSize, note);
        return ok;
    }

    bool WriteLocked(std::span<const std::uint8_t, 65> packet)
    {
        if (!Admit(TraceOp::Write, true, packet.data(), packet.size())) return false;
        if (packet[0] != 0) {
            core_->Record(which_, TraceOp::Write, true, packet.data(), kPacketSize, TraceNote::Malformed);
            return false;
        }
        if (!core_->bulkWrite) {
            core_->Record(which_, TraceOp::Write, true, packet.data(), kPacketSize, TraceNote::Unexpected);
            return true;
        }
        auto& data = core_->bulkWrite->data;
        data.insert(data.end(), packet.begin() + 1, packet.end());
        core_->Record(which_, TraceOp::Write, true, packet.data(), kPacketSize, TraceNote::Accepted);
        if (data.size() == 64 * core_->bulkWrite->expected) core_->CompleteBulkWrite();
        return true;
    }

    bool ReadLocked(std::span<std::uint8_t, 65> packet)
    {
        if (!Admit(TraceOp::Read, false, packet.data(), 0)) return false;
        std::array<std::uint8_t, kPacketSize> bytes{};
        if (core_->packetsIn.empty()) {
            std::copy(bytes.begin(), bytes.end(), packet.begin());
            core_->Record(which_, TraceOp::Read, false, bytes.data(), kPacketSize, TraceNote::Unexpected);
            return false;
        }
        std::copy(core_->packetsIn.front().begin(), core_->packetsIn.front().end(), bytes.begin() + 1);
        core_->packetsIn.pop_front();
        if (core_->packetFaultCount > 0) {
            --core_->packetFaultCount;
            if (*core_->packetFault == ReplyFault::Short) {
                std::copy_n(bytes.begin(), kShortPacketBytes, packet.begin());
                core_->Record(which_, TraceOp::Read, false, bytes.data(), kShortPacketBytes,
                              TraceNote::Faulted);
                return false;
            }
            for (std::size_t i = 1; i < kPacketSize; ++i)
                bytes[i] = core_->RandomByte();
            std::copy(bytes.begin(), bytes.end(), packet.begin());
            core_->Record(which_, TraceOp::Read, false, bytes.data(), kPacketSize, TraceNote::Faulted);
            return true;
        }
        std::copy(bytes.begin(), bytes.end(), packet.begin());
        core_->Record(which_, TraceOp::Read, false, bytes.data(), kPacketSize, TraceNote::Accepted);
        return true;
    }

    std::shared_ptr<Core> core_;
    EmulatedInterface which_;
    std::uint64_t generation_;
    std::shared_ptr<Core::InputQueue> queue_;
    bool interrupted_ = false; // guarded by the core's mutex
};

} // namespace

KeyboardEmulator::KeyboardEmulator(Clock& clock) : core_(std::make_shared<Core>(clock)) {}

KeyboardEmulator::~KeyboardEmulator()
{
    std::lock_guard lock(core_->mutex);
    core_->alive = false;
    core_->hotplugCallback = nullptr;
    core_->changeCallback = nullptr;
    core_->inputArrived.notify_all();
}

std::vector<HidInterfaceInfo> KeyboardEmulator::Enumerate()
{
    std::lock_guard lock(core_->mutex);
    std::vector<HidInterfaceInfo> list;
    const std::string prefix = MatchPrefix(core_->CurrentIds());
    const UsbIdPair ids = core_->CurrentIds();
    if (core_->Present(EmulatedInterface::Event))
        list.push_back({kEventPath, ids.vendorId, ids.productId, prefix + "&mi_01&col04"});
    if (core_->Present(EmulatedInterface::Keys))
        list.push_back({kKeysPath, ids.vendorId, ids.productId, prefix + "&mi_02"});
    if (core_->Present(EmulatedInterface::Command))
        list.push_back({kCommandPath, ids.vendorId, ids.productId, prefix + "&mi_03"});
    return list;
}

KeyboardLock* KeyboardEmulator::LockFor(const std::string& path)
{
    (void)path;
    return lock_;
}

std::unique_ptr<HidChannel> KeyboardEmulator::Open(const std::string& path, OpenFailure& failure)
{
    std::lock_guard lock(core_->mutex);
    failure = OpenFailure{OpenError::kGone, ENOENT, "no such interface"};
    EmulatedInterface which;
    if (path == kEventPath)
        which = EmulatedInterface::Event;
    else if (path == kKeysPath)
        which = EmulatedInterface::Keys;
    else if (path == kCommandPath)
        which = EmulatedInterface::Command;
    else
        return nullptr;
    if (!core_->Present(which)) return nullptr;
    failure = OpenFailure{};
    return std::make_unique<EmulatedChannel>(core_, which, core_->generation);
}

void KeyboardEmulator::SetIds(UsbIdPair ids)
{
    std::lock_guard lock(core_->mutex);
    core_->ids = ids;
}

void KeyboardEmulator::SetFirmwareVersion(std::uint8_t major, std::uint8_t minor)
{
    std::lock_guard lock(core_->mutex);
    core_->firmwareMajor = major;
    core_->firmwareMinor = minor;
}

std::uint16_t KeyboardEmulator::FirmwareVersion() const
{
    std::lock_guard lock(core_->mutex);
    return static_cast<std::uint16_t>(core_->firmwareMajor << 8 | core_->firmwareMinor);
}

EmulatedDeviceState KeyboardEmulator::FactoryState()
{
    EmulatedDeviceState state;
    state.reportRate = 3;
    state.responseTime = 1;
    state.lightingMode = kModeWave;
    state.speed = 5;
    state.brightness = 50;
    state.colour = 8;
    state.direction = 1;
    // Red, orange, yellow, green, cyan, blue, violet.
    state.palette = {255, 0, 0, 255, 128, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 255, 128, 0, 255};
    state.gameMode = 0;
    const auto& keys = DefaultDeviceKeyTable();
    for (std::size_t k = 0; k < keys.size(); ++k)
        std::copy(keys[k].begin(), keys[k].end(), state.keyTable.begin() + 4 * k);
    state.keyEnableMap.fill(0xFF);
    // Each custom map starts with every key in one palette colour, so the maps tell apart.
    for (std::size_t m = 0; m < img::kCustomLightMapCount; ++m)
        for (std::size_t k = 0; k < img::kDeviceKeyCount; ++k)
            std::copy_n(state.palette.begin() + 3 * m, 3, state.lightMaps[m].begin() + 4 * k + 1);
    return state;
}

EmulatedDeviceState KeyboardEmulator::State() const
{
    std::lock_guard lock(core_->mutex);
    return core_->state;
}

void KeyboardEmulator::SetState(const EmulatedDeviceState& state)
{
    std::lock_guard lock(core_->mutex);
    core_->state = state;
    core_->told = state; // put there, not changed through the protocol
}

bool KeyboardEmulator::UpdateOpen() const
{
    std::lock_guard lock(core_->mutex);
    return core_->updateOpen;
}

void KeyboardEmulator::SetAcknowledges(std::uint8_t code, bool acknowledges)
{
    std::lock_guard lock(core_->mutex);
    if (code < core_->acknowledges.size()) core_->acknowledges[code] = acknowledges;
}

void KeyboardEmulator::PressLightingKey(std::uint8_t subType, std::uint8_t value)
{
    ChangeByLightingKey(subType, value);
    Core::Notify(core_);
}

void KeyboardEmulator::ChangeByLightingKey(std::uint8_t subType, std::uint8_t value)
{
    std::lock_guard lock(core_->mutex);
    if (!core_->plugged) return;
    EmulatedDeviceState& state = core_->state;
    // The names are shared with the host; what each does to the keyboard's state is the
    // emulator's own.
    switch (static_cast<KeyboardSetting>(subType)) {
    case KeyboardSetting::kMode:
        state.lightingMode = value;
        break;
    case KeyboardSetting::kSpeed:
        state.speed = value;
        break;
    case KeyboardSetting::kBrightness:
        state.brightness = value;
        break;
    case KeyboardSetting::kColour:
        state.colour = value;
        break;
    case KeyboardSetting::kDirection:
        state.direction = value;
        break;
    }
    core_->SendReport({kEventReportId, kKindSettingChanged, subType, value});
}

bool KeyboardEmulator::PressKey(std::size_t deviceIndex)
{
    std::lock_guard lock(core_->mutex);
    if (!core_->plugged || deviceIndex >= img::kDeviceKeyCount) return false;
    const std::uint8_t* entry = core_->state.keyTable.data() + 4 * deviceIndex;
    if (entry[0] != kHostActionEntryType) return false;
    core_->SendReport({kEventReportId, kKindKeyEvent, entry[2], 0});
    return true;
}

void KeyboardEmulator::SendKeyEvent(std::uint8_t code)
{
    std::lock_guard lock(core_->mutex);
    core_->SendReport({kEventReportId, kKindKeyEvent, code, 0});
}

void KeyboardEmulator::QueueInputReport(std::vector<std::uint8_t> report)
{
    std::lock_guard lock(core_->mutex);
    core_->SendReport(std::move(report));
}

void KeyboardEmulator::Unplug()
{
    {
        std::lock_guard lock(core_->mutex);
        core_->DoUnplug();
    }
    Core::Notify(core_);
}

void KeyboardEmulator::Replug(PlugMode mode)
{
    {
        std::lock_guard lock(core_->mutex);
        core_->DoPlug(mode);
    }
    Core::Notify(core_);
}

bool KeyboardEmulator::IsPlugged() const
{
    std::lock_guard lock(core_->mutex);
    return core_->plugged;
}

PlugMode KeyboardEmulator::Mode() const
{
    std::lock_guard lock(core_->mutex);
    return core_->mode;
}

void KeyboardEmulator::SetHotplugCallback(std::function<void(const HotplugEvent&)> callback)
{
    std::lock_guard lock(core_->mutex);
    core_->hotplugCallback = std::move(callback);
}

void KeyboardEmulator::SetChangeCallback(std::function<void()> callback)
{
    std::lock_guard lock(core_->mutex);
    core_->changeCallback = std::move(callback);
    core_->told = core_->state;
}

void KeyboardEmulator::DropAcknowledgements(std::size_t count)
{
    std::lock_guard lock(core_->mutex);
    core_->acksToDrop = count;
}

void KeyboardEmulator::DelayAcknowledgements(std::chrono::milliseconds delay)
{
    std::lock_guard lock(core_->mutex);
    core_->ackDelay = std::max(delay, std::chrono::milliseconds(0));
}

void KeyboardEmulator::InjectGarbageReports(std::size_t count)
{
    std::lock_guard lock(core_->mutex);
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::uint8_t> report(1 + core_->random() % 16);
        for (auto& byte : report)
            byte = core_->RandomByte();
        if (report[0] == kEventReportId) report[0] = 0xFF;
        core_->SendReport(std::move(report));
    }
}

void KeyboardEmulator::FaultReplies(ReplyFault fault, std::size_t count)
{
    std::lock_guard lock(core_->mutex);
    core_->replyFault = fault;
    core_->replyFaultCount = count;
}

void KeyboardEmulator::FaultPackets(ReplyFault fault, std::size_t count)
{
    std::lock_guard lock(core_->mutex);
    core_->packetFault = fault;
    core_->packetFaultCount = count;
}

void KeyboardEmulator::UnplugAfterTransfers(std::size_t transfers)
{
    std::lock_guard lock(core_->mutex);
    core_->transfersBeforeUnplug = transfers;
}

void KeyboardEmulator::ClearFaults()
{
    std::lock_guard lock(core_->mutex);
    core_->acksToDrop = 0;
    core_->ackDelay = std::chrono::milliseconds(0);
    core_->replyFaultCount = 0;
    core_->packetFaultCount = 0;
    core_->transfersBeforeUnplug.reset();
}

std::vector<TraceEntry> KeyboardEmulator::Trace() const
{
    std::lock_guard lock(core_->mutex);
    return core_->trace;
}

void KeyboardEmulator::ClearTrace()
{
    std::lock_guard lock(core_->mutex);
    core_->trace.clear();
}

std::vector<std::array<std::uint8_t, 9>> KeyboardEmulator::AcceptedFrames() const
{
    std::lock_guard lock(core_->mutex);
    std::vector<std::array<std::uint8_t, 9>> frames;
    for (const TraceEntry& entry : core_->trace) {
        if (entry.op != TraceOp::SetFeature || entry.note != TraceNote::Accepted) continue;
        std::array<std::uint8_t, 9> frame{};
        std::copy_n(entry.bytes.begin(), kFrameSize, frame.begin());
        frames.push_back(frame);
    }
    return frames;
}

std::size_t KeyboardEmulator::BadChecksumCount() const
{
    std::lock_guard lock(core_->mutex);
    return core_->badChecksums;
}

std::size_t KeyboardEmulator::AcknowledgementCount() const
{
    std::lock_guard lock(core_->mutex);
    return core_->acknowledgementsSent;
}

} // namespace corvane
