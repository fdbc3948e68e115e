#pragma once
// The two clocks the program runs on: the real one, and a virtual one for tests, which records
// every pause instead of sleeping so a protocol sequence runs in microseconds yet can be checked
// pause by pause.

#include "device/Clock.h"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <vector>

namespace corvane {

class SystemClock final : public Clock
{
public:
    void Pause(std::chrono::milliseconds duration) override;
    std::chrono::steady_clock::time_point Now() const override;
};

// Thread-safe: the device threads and a test may share one.
class VirtualClock final : public Clock
{
public:
    // Virtual time starts at an arbitrary fixed point, not at the real clock.
    VirtualClock();

    // Advances the virtual now by the duration and records it; a zero pause counts as a yield
    // and also gives up the processor, as the real one would.
    void Pause(std::chrono::milliseconds duration) override;
    std::chrono::steady_clock::time_point Now() const override;

    // Moves the virtual now without recording a pause (time that passes outside the host).
    void Advance(std::chrono::milliseconds duration);

    // Every pause in order, yields included as zero.
    std::vector<std::chrono::milliseconds> Pauses() const;
    std::size_t YieldCount() const;
    // Sum of all recorded pauses.
    std::chrono::milliseconds TotalPaused() const;
    // Virtual time since construction (pauses plus advances).
    std::chrono::milliseconds Elapsed() const;
    void ClearPauses();

private:
    mutable std::mutex mutex_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point now_;
    std::vector<std::chrono::milliseconds> pauses_;
};

} // namespace corvane
