#pragma once
// Shared pieces of the device link tests: a sink that records the events the link raises, a
// trace log, and a link running against the emulator in virtual time.

#include "device/Clocks.h"
#include "device/DeviceLink.h"
#include "device/SettingsState.h"
#include "emulator/KeyboardEmulator.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace corvane::testing {

// Records the link's events in the order they were raised.
class RecordingSink final : public LinkEventSink
{
public:
    void Raise(const LinkEvent& event) override
    {
        {
            std::lock_guard lock(mutex_);
            raised_.push_back(event);
        }
        signal_.notify_all();
    }
    // Removes and returns the first event of that kind, waiting for it up to the timeout.
    template <typename Event>
    std::optional<Event> Take(std::chrono::milliseconds timeout = std::chrono::seconds(2))
    {
        std::unique_lock lock(mutex_);
        std::optional<Event> found;
        signal_.wait_for(lock, timeout, [&] {
            for (auto it = raised_.begin(); it != raised_.end(); ++it) {
                if (const Event* event = std::get_if<Event>(&*it)) {
                    found = *event;
                    raised_.erase(it);
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    std::vector<LinkEvent> All()
    {
        std::lock_guard lock(mutex_);
        return raised_;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        raised_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable signal_;
    std::vector<LinkEvent> raised_;
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

    // Start-up as the window does it, up to the handled end of the read.
    bool StartAndSync()
    {
        const StartResult started = Link().Start();
        if (!started.commandChannelOpen || !started.eventChannelOpen) return false;
        link->WaitForReadAll();
        if (!sink.Take<ReadFinished>()) return false;
        link->OnReadComplete(state(), ReadSource::kDevice);
        return true;
    }

    // Waits until the listener has taken every report queued so far: a marker key event goes in
    // last, and the reports come out in order.
    bool DrainEvents()
    {
        emulator.QueueInputReport({KeyboardEmulator::kEventReportId, 9, 0x77, 0});
        const auto marker = sink.Take<HostKeyPressed>();
        return marker && marker->keyCode == 0x77;
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
