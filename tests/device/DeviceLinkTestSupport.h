#pragma once
// Shared pieces of the device link tests: a message sink that records what the link posts, a
// trace log, and a link running against the emulator in virtual time.

#include "device/Clocks.h"
#include "device/DeviceLink.h"
#include "emulator/KeyboardEmulator.h"
#include "store/SettingsState.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace corvane::testing {

struct Posted
{
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class RecordingSink final : public MessageSink
{
public:
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override
    {
        {
            std::lock_guard lock(mutex_);
            posted_.push_back({message, wParam, lParam});
        }
        signal_.notify_all();
    }
    // Removes and returns the first posted message of that kind, waiting for it up to the timeout.
    std::optional<Posted> Take(std::uint32_t message,
                               std::chrono::milliseconds timeout = std::chrono::seconds(2))
    {
        std::unique_lock lock(mutex_);
        std::optional<Posted> found;
        signal_.wait_for(lock, timeout, [&] {
            for (auto it = posted_.begin(); it != posted_.end(); ++it) {
                if (it->message != message) continue;
                found = *it;
                posted_.erase(it);
                return true;
            }
            return false;
        });
        return found;
    }
    std::vector<Posted> All()
    {
        std::lock_guard lock(mutex_);
        return posted_;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        posted_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable signal_;
    std::vector<Posted> posted_;
};

class TraceLog
{
public:
    TraceSink Sink()
    {
        return [this](const TraceRecord& record) {
            std::lock_guard lock(mutex_);
            records_.push_back(record);
        };
    }
    std::vector<TraceRecord> Records(bool commandChannelOnly = true)
    {
        std::lock_guard lock(mutex_);
        std::vector<TraceRecord> out;
        for (const TraceRecord& r : records_)
            if (!commandChannelOnly || r.direction != TraceDirection::kEventIn) out.push_back(r);
        return out;
    }
    // The command frames sent, as (code, byte 2) pairs.
    std::vector<std::pair<int, int>> Commands()
    {
        std::vector<std::pair<int, int>> out;
        for (const TraceRecord& r : Records())
            if (r.direction == TraceDirection::kFeatureOut) out.emplace_back(r.bytes[1], r.bytes[2]);
        return out;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        records_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<TraceRecord> records_;
};

// A link over the emulator. The emulator lives longer than the link so that the link's threads
// never outlive it.
struct EmulatedLink
{
    explicit EmulatedLink(std::chrono::milliseconds ackTimeout = std::chrono::milliseconds(300))
    {
        options.ackTimeout = ackTimeout;
        options.trace = trace.Sink();
        options.writeKeymap = [this](const SettingsState&) {
            ++keymapWrites;
            return keymapWritable;
        };
    }
    ~EmulatedLink() { link.reset(); }

    DeviceLink& Link()
    {
        if (!link) link = std::make_unique<DeviceLink>(emulator, clock, sink, options);
        return *link;
    }

    // Start-up as the window does it, up to the handled read-complete message.
    bool StartAndSync()
    {
        const StartResult started = Link().Start();
        if (!started.commandChannelOpen || !started.eventChannelOpen) return false;
        link->WaitForReadAll();
        if (!sink.Take(UM_READ_COMPLETE)) return false;
        link->OnReadComplete(state(), 0);
        return true;
    }

    // Waits until the listener has taken every report queued so far: a marker key event goes in
    // last, and the reports come out in order.
    bool DrainEvents()
    {
        emulator.QueueInputReport({KeyboardEmulator::kEventReportId, 9, 0x77, 0});
        const auto marker = sink.Take(UM_DEVICE_KEY);
        return marker && marker->wParam == 0x77;
    }

    SettingsState& state() { return *settings; }

    VirtualClock clock;
    KeyboardEmulator emulator{clock};
    RecordingSink sink;
    TraceLog trace;
    DeviceLinkOptions options;
    int keymapWrites = 0;
    bool keymapWritable = true;
    std::unique_ptr<SettingsState> settings = std::make_unique<SettingsState>();
    std::unique_ptr<DeviceLink> link;
};

} // namespace corvane::testing
