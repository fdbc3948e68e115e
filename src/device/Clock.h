#pragma once
// Protocol pauses go through this so tests can run in virtual time.

#include <chrono>

namespace corvane {

class Clock
{
public:
    virtual ~Clock() = default;
    // Pause(0) is a yield.
    virtual void Pause(std::chrono::milliseconds duration) = 0;
    virtual std::chrono::steady_clock::time_point Now() const = 0;
};

} // namespace corvane
