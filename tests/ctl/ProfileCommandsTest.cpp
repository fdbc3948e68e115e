// corvanectl profile against the emulated keyboard: the profile folder, the exported and imported
// files, keymap.bin and the keyboard after each line.

#include "../keys/FactoryKeys.h"
#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyLayout.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

namespace corvane {
namespace {

namespace fs = std::filesystem;

// keymap.bin says brightness 20, the keyboard 30; every profile file written says 40.
struct ProfileSetup
{
    testing::TempFolder dir;
    VirtualClock clock;
    KeyboardEmulator emulator{clock};
    std::unique_ptr<SettingsState> settings = std::make_unique<SettingsState>();

    ProfileSetup()
    {
        testing::SetFactoryKeys(*settings);
        settings->image[img::kBrightness] = 20;
        EXPECT_TRUE(SaveKeymap(dir / "keymap.bin", *settings));
        EmulatedDeviceState keyboard = KeyboardEmulator::FactoryState();
        keyboard.brightness = 30;
        emulator.SetState(keyboard);
        settings->image[img::kBrightness] = 40;
    }
    fs::path Profile(const char* name, const std::function<void(SettingsState&)>& change = {})
    {
        auto state = std::make_unique<SettingsState>(*settings);
        if (change) change(*state);
        EXPECT_TRUE(WriteProfile(dir / name, state->image, state->records));
        return dir / name;
    }
    std::uint8_t KeymapBrightness() const
    {
        auto state = std::make_unique<SettingsState>();
        LoadKeymap(dir / "keymap.bin", *state, KeymapLoadMode::kFull);
        return state->image[img::kBrightness];
    }
};

TEST(CtlProfileCommands, ExportImportAndListThroughTheProfileFolder)
{
    const auto launchKey = [](SettingsState& s) {
        s.records[6].SetKind(KeyFunctionKind::kStartProgram);
        s.records[6].SetLaunchPath(u"/usr/bin/xterm");
    };
    const auto macroKey = [](SettingsState& s) {
        PutDeviceKeyEntry(s.image, DeviceKeyIndex(5), MacroEntry(40));
    };
    using Prepare = std::function<void(ProfileSetup&)>;
    struct Case
    {
        const char* name;
        std::vector<std::string> args; // "@" stands for the data folder
        Prepare prepare;
        int code;
        const char* says;   // in out or err
        int keyboard;       // the keyboard's brightness afterwards
        int keymap;         // keymap.bin's brightness afterwards
        const char* listed; // `profile list` afterwards
        int exported = 0;   // the brightness in the file written by export, where one is
        bool trip = true;   // the keyboard is reached at all
    };
    const Prepare none;
    const Case cases[] = {
        {"empty folder", {"profile", "list"}, none, 0, "", 30, 20, ""},
        {"export takes the keyboard's settings over keymap.bin",
         {"profile", "export", "@/game.v2.bin"},
         none,
         0,
         "exported",
         30,
         20,
         "* game\n",
         30},
        {"export without a keyboard writes keymap.bin's",
         {"profile", "export", "@/out.bin"},
         [](ProfileSetup& s) { s.emulator.Unplug(); },
         0,
         "no keyboard found: exporting keymap.bin",
         30,
         20,
         "* out\n",
         20},
        {"export over keymap.bin", {"profile", "export", "@/keymap.bin"}, none, 3, "keymap.bin", 30, 20, ""},
        {"import applies and saves",
         {"profile", "import", "@/night.bin"},
         [](ProfileSetup& s) { s.Profile("night.bin"); },
         0,
         "imported",
         40,
         40,
         "* night\n"},
        {"import of a short file",
         {"profile", "import", "@/short.bin"},
         [](ProfileSetup& s) { fs::resize_file(s.Profile("short.bin"), kSettingsFileSize - 1); },
         3,
         "206919",
         30,
         20,
         "",
         0,
         false},
        {"import of launch keys asks",
         {"profile", "import", "@/run.bin"},
         [&](ProfileSetup& s) { s.Profile("run.bin", launchKey); },
         2,
         "Key F6 - ",
         30,
         20,
         "",
         0,
         false},
        {"import of launch keys with --yes",
         {"--yes", "profile", "import", "@/run.bin"},
         [&](ProfileSetup& s) { s.Profile("run.bin", launchKey); },
         0,
         "imported",
         40,
         40,
         "* run\n"},
        {"import of a key beyond the macro slots",
         {"profile", "import", "@/m.bin"},
         [&](ProfileSetup& s) { s.Profile("m.bin", macroKey); },
         3,
         "F5 (macro 40)",
         30,
         20,
         "",
         0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileSetup s;
        if (c.prepare) c.prepare(s);
        std::vector<std::string> args{"--data-dir", s.dir.path().string()};
        for (const std::string& arg : c.args)
            args.push_back(arg.starts_with("@") ? s.dir.path().string() + arg.substr(1) : arg);
        std::ostringstream out, err;
        const std::size_t frames = s.emulator.AcceptedFrames().size();
        EXPECT_EQ(ctl::RunCorvanectl(args, out, err, &s.emulator, &s.clock), c.code) << err.str();
        EXPECT_NE((out.str() + err.str()).find(c.says), std::string::npos) << out.str() << err.str();
        if (!c.trip) {
            EXPECT_EQ(s.emulator.AcceptedFrames().size(), frames);
        }
        if (!s.emulator.IsPlugged()) s.emulator.Replug();
        EXPECT_EQ(s.emulator.State().brightness, c.keyboard);
        EXPECT_EQ(s.KeymapBrightness(), c.keymap);
        std::ostringstream listed;
        EXPECT_EQ(ctl::RunCorvanectl({"--data-dir", s.dir.path().string(), "profile", "list"}, listed, err,
                                     &s.emulator, &s.clock),
                  0);
        EXPECT_EQ(listed.str(), c.listed);
        if (c.exported != 0) {
            auto state = std::make_unique<SettingsState>();
            ASSERT_TRUE(ReadProfile(args.back(), state->image, state->records));
            EXPECT_EQ(state->image[img::kBrightness], c.exported);
        }
    }
}

} // namespace
} // namespace corvane
