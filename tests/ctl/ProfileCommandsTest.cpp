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
    struct Case
    {
        const char* name;
        std::function<std::vector<std::string>(ProfileSetup&)> args;
        int code;
        const char* says;   // in out or err
        int keyboard;       // the keyboard's brightness afterwards
        int keymap;         // keymap.bin's brightness afterwards
        const char* listed; // `profile list` afterwards
        std::function<void(ProfileSetup&)> check = {};
        bool trip = true; // the keyboard is reached at all
    };
    const Case cases[] = {
        {"empty folder",
         [](ProfileSetup&) {
             return std::vector<std::string>{"profile", "list"};
         },
         0, "", 30, 20, ""},
        {"export takes the keyboard's settings over keymap.bin",
         [](ProfileSetup& s) {
             return std::vector<std::string>{"profile", "export", (s.dir / "game.v2.bin").string()};
         },
         0, "exported", 30, 20, "* game\n",
         [](ProfileSetup& s) {
             auto state = std::make_unique<SettingsState>();
             ASSERT_TRUE(ReadProfile(s.dir / "game.v2.bin", state->image, state->records));
             EXPECT_EQ(state->image[img::kBrightness], 30);
         }},
        {"export without a keyboard writes keymap.bin's",
         [](ProfileSetup& s) {
             s.emulator.Unplug();
             return std::vector<std::string>{"profile", "export", (s.dir / "out.bin").string()};
         },
         0, "no keyboard found: exporting keymap.bin", 30, 20, "* out\n",
         [](ProfileSetup& s) {
             auto state = std::make_unique<SettingsState>();
             ASSERT_TRUE(ReadProfile(s.dir / "out.bin", state->image, state->records));
             EXPECT_EQ(state->image[img::kBrightness], 20);
         }},
        {"export over keymap.bin",
         [](ProfileSetup& s) {
             return std::vector<std::string>{"profile", "export", (s.dir / "keymap.bin").string()};
         },
         3, "keymap.bin", 30, 20, ""},
        {"import applies and saves",
         [](ProfileSetup& s) {
             return std::vector<std::string>{"profile", "import", s.Profile("night.bin").string()};
         },
         0, "imported", 40, 40, "* night\n"},
        {"import of a short file",
         [](ProfileSetup& s) {
             fs::resize_file(s.Profile("short.bin"), kSettingsFileSize - 1);
             return std::vector<std::string>{"profile", "import", (s.dir / "short.bin").string()};
         },
         3,
         "206919",
         30,
         20,
         "",
         {},
         false},
        {"import of launch keys asks",
         [&](ProfileSetup& s) {
             return std::vector<std::string>{"profile", "import", s.Profile("run.bin", launchKey).string()};
         },
         2,
         "Key F6 - ",
         30,
         20,
         "",
         {},
         false},
        {"import of launch keys with --yes",
         [&](ProfileSetup& s) {
             return std::vector<std::string>{"--yes", "profile", "import",
                                             s.Profile("run.bin", launchKey).string()};
         },
         0, "imported", 40, 40, "* run\n"},
        {"import of a key beyond the macro slots",
         [&](ProfileSetup& s) {
             return std::vector<std::string>{"profile", "import", s.Profile("m.bin", macroKey).string()};
         },
         3,
         "F5 (macro 40)",
         30,
         20,
         "",
         {},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileSetup s;
        std::vector<std::string> args = c.args(s);
        args.insert(args.begin(), {"--data-dir", s.dir.path().string()});
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
        if (c.check) c.check(s);
    }
}

} // namespace
} // namespace corvane
