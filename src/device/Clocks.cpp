#include "device/Clocks.h"

#include <numeric>
#include <thread>

namespace corvane {

void SystemClock::Pause(std::chrono::milliseconds duration)
{
    if (duration.count() <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(duration);
}

std::chrono::steady_clock::time_point SystemClock::Now() const
{
    return std::chrono::steady_clock::now();
}

VirtualClock::VirtualClock() : start_(std::chrono::hours(1)), now_(start_) {}

void VirtualClock::Pause(std::chrono::milliseconds duration)
{
    {
        std::lock_guard lock(mutex_);
        if (duration.count() > 0) now_ += duration;
        pauses_.push_back(duration.count() > 0 ? duration : std::chrono::milliseconds(0));
    }
    // Another thread may be waiting for this one to let go, exactly as with real pauses.
    std::this_thread::yield();
}

std::chrono::steady_clock::time_point VirtualClock::Now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

void VirtualClock::Advance(std::chrono::milliseconds duration)
{
    std::lock_guard lock(mutex_);
    if (duration.count() > 0) now_ += duration;
}

std::vector<std::chrono::milliseconds> VirtualClock::Pauses() const
{
    std::lock_guard lock(mutex_);
    return pauses_;
}

std::size_t VirtualClock::YieldCount() const
{
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (auto pause : pauses_)
        if (pause.count() == 0) ++count;
    return count;
}

std::chrono::milliseconds VirtualClock::TotalPaused() const
{
    std::lock_guard lock(mutex_);
    return std::accumulate(pauses_.begin(), pauses_.end(), std::chrono::milliseconds(0));
}

std::chrono::milliseconds VirtualClock::Elapsed() const
{
    std::lock_guard lock(mutex_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(now_ - start_);
}

void VirtualClock::ClearPauses()
{
    std::lock_guard lock(mutex_);
    pauses_.clear();
}

} // namespace corvane
