// corvanectl set: what the keyboard and keymap.bin hold afterwards is what the panel's clicks
// leave, and a refused line changes neither.

#include "ChangeBench.h"
#include "device/LightingSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace corvane {
namespace {

// The panel's controls over an image, chained.
struct Panel : LightingSettings
{
    explicit Panel(SettingsImage& image) : LightingSettings(image), image(image) {}
    Panel& Effect(std::uint8_t code) { return ChooseEffect(code), *this; }
    Panel& Slide(SliderField field, int position)
    {
        return StoreSliderPosition(image, field, position), *this;
    }
    Panel& Square(int square) { return ClickColourSquare(square), *this; }
    // Each switch is clicked when it does not show what is wanted.
    Panel& Switches(bool game, bool locked)
    {
        if (GameMode() != game) ToggleGameMode();
        if (WindowsKeyLocked() != locked) ToggleWindowsKeyLock();
        return *this;
    }
    SettingsImage& image;
};

struct Case
{
    std::vector<std::string> before; // a set run first, so the keyboard is not factory-fresh
    std::vector<std::string> args;
    int exitCode;
    const char* says;                     // in the output (done) or the error (refused)
    std::function<void(Panel&)> clicks{}; // the panel's clicks that give the same settings
};

TEST(CtlSet, KeyboardEndsAsThePanelLeavesItAndRefusalsChangeNothing)
{
    using enum SliderField;
    const Case cases[] = {
        {{},
         {"brightness=20", "effect=Wave"},
         0,
         "set brightness=20 effect=Wave\n",
         [](Panel& p) { p.Effect(kModeWave).Slide(kBrightness, 20); }},
        {{}, {"effect=Welle"}, 0, "effect=Wave", [](Panel& p) { p.Effect(kModeWave); }},
        {{}, {"effect=lighting profile 2"}, 0, "Lighting Profile 2", [](Panel& p) { p.Effect(52); }},
        {{}, {"EFFECT=BELEUCHTUNGS PROFIL 5"}, 0, "", [](Panel& p) { p.Effect(55); }},
        {{"effect=radar"}, {"direction=up"}, 0, "", [](Panel& p) { p.SetDirection(Direction::kTop); }},
        // Static has no multi-colour: the slot falls back to the first square.
        {{"effect=breathing", "colour=multi"},
         {"effect=static"},
         0,
         "",
         [](Panel& p) { p.Effect(kModeStatic); }},
        {{"effect=breathing"},
         {"palette.5=#102030", "colour=5"},
         0,
         "palette.5=#102030 colour=5",
         [](Panel& p) { p.Square(4).SetPaletteColour(4, 0x302010); }},
        {{}, {"effect=spectrum", "colour=multi"}, 0, "", [](Panel& p) { p.Effect(kModeSpectrum); }},
        {{},
         {"speed=9", "response-time=10", "report-rate=1000", "game-mode=on", "win-lock=on"},
         0,
         "",
         [](Panel& p) {
             p.Slide(kSpeed, 9).Slide(kResponseTime, 9).Slide(kReportRate, 3).Switches(true, true);
         }},
        {{"game-mode=on", "win-lock=on"},
         {"response-time=1", "report-rate=125", "game-mode=off", "win-lock=off"},
         0,
         "",
         [](Panel& p) { p.Slide(kResponseTime, 0).Slide(kReportRate, 0).Switches(false, false); }},
        {{}, {}, ctl::kExitUsage, "usage"},
        {{}, {"brightness=51"}, ctl::kExitUsage, "brightness=51"},
        {{}, {"effect=7"}, ctl::kExitUsage, "does not offer"},
        {{}, {"effect=sparkle"}, ctl::kExitUsage, "no effect"},
        {{}, {"colour=8"}, ctl::kExitUsage, "colour=8"},
        {{}, {"palette.8=#000000"}, ctl::kExitUsage, "palette.8"},
        {{}, {"palette.1=#12345"}, ctl::kExitUsage, "#RRGGBB"},
        {{}, {"direction=diagonal"}, ctl::kExitUsage, "direction"},
        {{}, {"game-mode=yes"}, ctl::kExitUsage, "game-mode"},
        {{}, {"response-time=0"}, ctl::kExitUsage, "response-time"},
        {{}, {"report-rate=300"}, ctl::kExitUsage, "report-rate"},
        {{}, {"brightness"}, ctl::kExitUsage, "NAME=VALUE"},
        // A good value does not go out beside a bad one.
        {{}, {"brightness=20", "volume=3"}, ctl::kExitUsage, "unknown setting 'volume'"},
        {{}, {"brightness=1", "brightness=2"}, ctl::kExitUsage, "twice"},
        // The colour squares' rules, for the effect the keyboard is about to have.
        {{}, {"effect=static", "colour=multi", "brightness=5"}, ctl::kExitUsage, "Static"},
        {{}, {"effect=wave", "colour=2"}, ctl::kExitUsage, "only colour=multi"},
        {{}, {"effect=lighting profile 1", "colour=1"}, ctl::kExitUsage, "one by one"},
        {{"effect=spectrum"}, {"colour=2"}, ctl::kExitUsage, "Spectrum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        testing::ChangeBench bench("set");
        bench.Prepare(c.before.empty() ? std::vector<std::string>{"brightness=30"} : c.before);
        if (!bench.Done(c.args, c.exitCode, c.says)) continue;
        Panel panel(bench.before->image);
        c.clicks(panel);
        if (!panel.IsCustomProfile()) panel.SettleColourSlot();
        // Apply carries the Windows-key lock into the enable map, which then goes out as it is saved.
        const std::uint8_t* enableMap = bench.saved->image.data() + img::kKeyEnableMap;
        std::copy_n(enableMap, img::kKeyEnableMapSize, panel.image.data() + img::kKeyEnableMap);
        EXPECT_TRUE(bench.saved->image == panel.image);
        // The keyboard holds the same, in its own counting.
        const EmulatedDeviceState k = bench.emulator.State();
        const LightingView v(panel.image);
        EXPECT_EQ(
            std::vector({k.lightingMode, k.speed, k.brightness, k.colour, k.direction, k.gameMode,
                         k.reportRate, k.responseTime}),
            std::vector<std::uint8_t>({v.Mode(), static_cast<std::uint8_t>(10 - v.Speed()), v.Brightness(),
                                       v.ColourSlot(), v.DirectionValue(), v.GameModeValue(), v.ReportRate(),
                                       static_cast<std::uint8_t>(v.ResponseTime() + 1)}));
        EXPECT_TRUE(std::equal(k.palette.begin(), k.palette.end(), panel.image.data() + img::kPalette));
        EXPECT_TRUE(std::equal(k.keyEnableMap.begin(), k.keyEnableMap.end(), enableMap));
        EXPECT_EQ(k.keyEnableMap[1] & 1, v.WindowsKeyLocked() ? 0 : 1);
    }
}

} // namespace
} // namespace corvane
