// Device sequences against the emulator with real sleeps, each printed as a ratio to its floor:
// the sum of the pauses the same sequence records in virtual time. The protocol's own pauses are
// the physical limit, so anything above 1.0 is overhead of ours.

#include "device/Clocks.h"
#include "device/DeviceLink.h"
#include "device/Protocol.h"
#include "device/SettingsState.h"
#include "device/Synchronisation.h"
#include "emulator/KeyboardEmulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace corvane;
using namespace std::chrono;

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The window-thread read: one command sequence on the command channel.
double ReadAll(Clock& clock)
{
    KeyboardEmulator emulator(clock);
    auto channel = emulator.Open(KeyboardEmulator::kCommandPath);
    CommandProtocol protocol(*channel, clock);
    SettingsImage image;
    const auto start = steady_clock::now();
    if (auto* virtualClock = dynamic_cast<VirtualClock*>(&clock)) virtualClock->ClearPauses();
    ReadAllSettings(protocol, image);
    return duration<double, std::milli>(steady_clock::now() - start).count();
}

// A lighting-only apply through the whole link, listener and acknowledgements included.
double LightingApply(Clock& clock)
{
    KeyboardEmulator emulator(clock);
    IgnoreLinkEvents sink;
    DeviceLink link(emulator, clock, sink);
    link.Start();
    link.WaitForReadAll();
    auto state = std::make_unique<SettingsState>();
    link.OnReadComplete(*state, ReadSource::kDevice);
    state->image[img::kBrightness] = static_cast<std::uint8_t>((state->image[img::kBrightness] + 7) % 51);
    // Only the apply counts towards the floor, not the start-up read before it.
    if (auto* virtualClock = dynamic_cast<VirtualClock*>(&clock)) virtualClock->ClearPauses();
    const auto start = steady_clock::now();
    const SyncResult result = link.Apply(*state);
    const double ms = duration<double, std::milli>(steady_clock::now() - start).count();
    if (result != SyncResult::kOk) std::fprintf(stderr, "apply failed: %s\n", SyncResultText(result));
    return ms;
}

template <typename Run> void Report(const char* name, Run run, int repeats)
{
    VirtualClock virtualClock;
    run(virtualClock);
    const double floorMs = static_cast<double>(virtualClock.TotalPaused().count());

    SystemClock systemClock;
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i)
        times.push_back(run(systemClock));
    const double median = Median(times);
    std::printf("%-26s floor %7.1f ms   real median %8.2f ms   ratio %.3f   (%d runs)\n", name, floorMs,
                median, median / floorMs, repeats);
}

} // namespace

int main()
{
    Report("ReadAllSettings", ReadAll, 7);
    Report("apply (lighting only)", LightingApply, 15);
    return 0;
}
