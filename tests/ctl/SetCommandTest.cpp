// corvanectl set: what the keyboard and keymap.bin hold afterwards is what the panel's clicks
// leave, and a refused line changes neither.

#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "device/LightingSettings.h"
#include "emulator/KeyboardEmulator.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>

namespace corvane {
namespace {

using Clicks = std::function<void(SettingsImage&, LightingSettings&)>;

struct Case
{
    std::vector<std::string> before; // a set run first, so the keyboard is not factory-fresh
    std::vector<std::string> args;
    int exitCode;
    const char* says; // in the output (done) or the error (refused)
    Clicks clicks;    // the panel's clicks that give the same settings
};

// The panel's fields: slider positions, the lighting block, the palette and the two switches.
std::vector<std::uint8_t> PanelFields(const SettingsImage& image)
{
    std::vector<std::uint8_t> bytes{image[img::kReportRate], image[img::kResponseTime], image[img::kGameMode],
                                    image[img::kWindowsKeyLock]};
    const auto field = [&](std::size_t offset, std::size_t size) {
        bytes.insert(bytes.end(), image.data() + offset, image.data() + offset + size);
    };
    field(img::kLightingBlock, img::kLightingBlockSize);
    field(img::kPalette, img::kPaletteSize);
    return bytes;
}

TEST(CtlSet, KeyboardEndsAsThePanelLeavesItAndRefusalsChangeNothing)
{
    const Case cases[] = {
        {{}, {"brightness=20", "effect=Wave"}, 0, "set brightness=20 effect=Wave\n",
         [](SettingsImage& i, LightingSettings& l) {
             l.ChooseEffect(kModeWave);
             StoreSliderPosition(i, SliderField::kBrightness, 20);
         }},
        {{}, {"effect=Welle"}, 0, "effect=Wave", [](SettingsImage&, LightingSettings& l) { l.ChooseEffect(kModeWave); }},
        {{}, {"effect=lighting profile 2"}, 0, "Lighting Profile 2", [](SettingsImage&, LightingSettings& l) { l.ChooseEffect(52); }},
        {{}, {"EFFECT=BELEUCHTUNGS PROFIL 5"}, 0, "", [](SettingsImage&, LightingSettings& l) { l.ChooseEffect(55); }},
        {{}, {"direction=up", "effect=13"}, 0, "effect=Radar",
         [](SettingsImage&, LightingSettings& l) {
             l.ChooseEffect(kModeRadar);
             l.SetDirection(Direction::kTop);
         }},
        // Static has no multi-colour: the slot falls back to the first square.
        {{"effect=breathing", "colour=multi"}, {"effect=static"}, 0, "", [](SettingsImage&, LightingSettings& l) { l.ChooseEffect(kModeStatic); }},
        {{"effect=breathing"}, {"palette.5=#102030", "colour=5"}, 0, "palette.5=#102030 colour=5",
         [](SettingsImage&, LightingSettings& l) {
             l.SetPaletteColour(4, 0x302010);
             l.ClickColourSquare(4);
         }},
        {{}, {"effect=spectrum", "colour=multi"}, 0, "", [](SettingsImage&, LightingSettings& l) { l.ChooseEffect(kModeSpectrum); }},
        {{}, {"speed=9", "response-time=10", "report-rate=1000", "game-mode=on", "win-lock=on"}, 0, "",
         [](SettingsImage& i, LightingSettings& l) {
             StoreSliderPosition(i, SliderField::kSpeed, 9);
             StoreSliderPosition(i, SliderField::kResponseTime, 9);
             StoreSliderPosition(i, SliderField::kReportRate, 3);
             if (!l.GameMode()) l.ToggleGameMode();
             if (!l.WindowsKeyLocked()) l.ToggleWindowsKeyLock();
         }},
        {{"game-mode=on", "win-lock=on"}, {"response-time=1", "report-rate=125", "game-mode=off", "win-lock=off"}, 0, "",
         [](SettingsImage& i, LightingSettings& l) {
             StoreSliderPosition(i, SliderField::kResponseTime, 0);
             StoreSliderPosition(i, SliderField::kReportRate, 0);
             l.ToggleGameMode();
             l.ToggleWindowsKeyLock();
         }},
        {{}, {}, ctl::kExitUsage, "usage", {}},
        {{}, {"brightness=51"}, ctl::kExitUsage, "brightness=51", {}},
        {{}, {"speed=-1"}, ctl::kExitUsage, "speed=-1", {}},
        {{}, {"effect=7"}, ctl::kExitUsage, "does not offer", {}},
        {{}, {"effect=9"}, ctl::kExitUsage, "does not offer", {}},
        {{}, {"effect=sparkle"}, ctl::kExitUsage, "no effect", {}},
        {{}, {"colour=8"}, ctl::kExitUsage, "colour=8", {}},
        {{}, {"palette.8=#000000"}, ctl::kExitUsage, "palette.8", {}},
        {{}, {"palette.1=#12345"}, ctl::kExitUsage, "#RRGGBB", {}},
        {{}, {"direction=diagonal"}, ctl::kExitUsage, "direction", {}},
        {{}, {"game-mode=yes"}, ctl::kExitUsage, "game-mode", {}},
        {{}, {"response-time=0"}, ctl::kExitUsage, "response-time", {}},
        {{}, {"report-rate=300"}, ctl::kExitUsage, "report-rate", {}},
        {{}, {"brightness"}, ctl::kExitUsage, "NAME=VALUE", {}},
        // A good value does not go out beside a bad one.
        {{}, {"brightness=20", "volume=3"}, ctl::kExitUsage, "unknown setting 'volume'", {}},
        {{}, {"brightness=1", "brightness=2"}, ctl::kExitUsage, "twice", {}},
        // The colour squares' rules, for the effect the keyboard is about to have.
        {{}, {"effect=static", "colour=multi", "brightness=5"}, ctl::kExitUsage, "Static", {}},
        {{}, {"effect=wave", "colour=2"}, ctl::kExitUsage, "only colour=multi", {}},
        {{}, {"effect=lighting profile 1", "colour=1"}, ctl::kExitUsage, "one by one", {}},
        {{"effect=spectrum"}, {"colour=2"}, ctl::kExitUsage, "Spectrum", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        testing::TempFolder folder;
        VirtualClock clock;
        KeyboardEmulator emulator(clock);
        const auto run = [&](std::vector<std::string> args, std::ostream& out, std::ostream& err) {
            args.insert(args.begin(), {"--data-dir", folder.path().string(), "set"});
            return ctl::RunCorvanectl(args, out, err, &emulator, &clock);
        };
        std::ostringstream out;
        std::ostringstream err;
        // keymap.bin is there from the first run on.
        ASSERT_EQ(run(c.before.empty() ? std::vector<std::string>{"brightness=30"} : c.before, out, err), 0)
            << err.str();
        const auto keymap = folder.path() / kKeymapFileName;
        auto expected = std::make_unique<SettingsState>();
        ASSERT_TRUE(LoadKeymap(keymap, *expected, KeymapLoadMode::kFull).state == FileState::kLoaded);
        const std::vector<std::uint8_t> keymapBefore = testing::ReadAll(keymap);
        const EmulatedDeviceState keyboardBefore = emulator.State();
        out.str("");
        err.str("");

        EXPECT_EQ(run(c.args, out, err), c.exitCode) << err.str();
        EXPECT_NE((c.exitCode == 0 ? out : err).str().find(c.says), std::string::npos) << out.str() << err.str();
        if (c.exitCode != 0) {
            EXPECT_EQ(testing::ReadAll(keymap), keymapBefore);
            EXPECT_EQ(emulator.State(), keyboardBefore);
            continue;
        }
        LightingSettings lighting(expected->image);
        c.clicks(expected->image, lighting);
        if (!lighting.IsCustomProfile()) lighting.SettleColourSlot();
        auto saved = std::make_unique<SettingsState>();
        ASSERT_TRUE(LoadKeymap(keymap, *saved, KeymapLoadMode::kFull).state == FileState::kLoaded);
        EXPECT_EQ(PanelFields(saved->image), PanelFields(expected->image));
        // The keyboard holds the same, in its own counting.
        const EmulatedDeviceState keyboard = emulator.State();
        const LightingView view(saved->image);
        EXPECT_EQ(keyboard.lightingMode, view.Mode());
        EXPECT_EQ(keyboard.speed, 10 - view.Speed());
        EXPECT_EQ(keyboard.brightness, view.Brightness());
        EXPECT_EQ(keyboard.colour, view.ColourSlot());
        EXPECT_EQ(keyboard.direction, view.DirectionValue());
        EXPECT_TRUE(std::ranges::equal(keyboard.palette, std::span(saved->image.data() + img::kPalette, img::kPaletteSize)));
        EXPECT_EQ(keyboard.gameMode, view.GameModeValue());
        EXPECT_EQ(keyboard.reportRate, view.ReportRate());
        EXPECT_EQ(keyboard.responseTime, view.ResponseTime() + 1);
        // The Windows key works unless locked.
        EXPECT_EQ(keyboard.keyEnableMap[1] & 1, view.WindowsKeyLocked() ? 0 : 1);
    }
}

} // namespace
} // namespace corvane
