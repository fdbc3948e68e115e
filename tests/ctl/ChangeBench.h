#pragma once
// A changing command run against an emulated keyboard and a data folder: a first run leaves both
// as a user's would be, then the line under test; a refused line must leave both as they were.

#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace corvane::testing {

struct ChangeBench
{
    explicit ChangeBench(std::string name) : command(std::move(name))
    {
        std::filesystem::create_directories(data);
    }

    int Run(std::vector<std::string> args)
    {
        std::ostringstream o, e;
        args.insert(args.begin(), {"--data-dir", data.string(), command});
        const int code = ctl::RunCorvanectl(args, o, e, &emulator, &clock);
        out = o.str();
        err = e.str();
        return code;
    }
    // The first run; `before` then holds keymap.bin's settings, and the test's expectation.
    void Prepare(const std::vector<std::string>& args)
    {
        ASSERT_EQ(Run(args), 0) << err;
        keymapBefore = ReadAll(data / kKeymapFileName);
        keyboardBefore = emulator.State();
        ASSERT_EQ(LoadKeymap(data / kKeymapFileName, *before, KeymapLoadMode::kFull).state,
                  FileState::kLoaded);
    }
    // The line under test, with keymap.bin as it is then in `saved`; true when it was done.
    bool Done(const std::vector<std::string>& args, int exitCode, const char* says)
    {
        EXPECT_EQ(Run(args), exitCode) << err;
        EXPECT_NE((exitCode == 0 ? out : err).find(says), std::string::npos) << out << err;
        EXPECT_TRUE(exitCode == 0 ||
                    (ReadAll(data / kKeymapFileName) == keymapBefore && emulator.State() == keyboardBefore));
        return exitCode == 0 &&
               LoadKeymap(data / kKeymapFileName, *saved, KeymapLoadMode::kFull).state == FileState::kLoaded;
    }

    std::string command;
    TempFolder folder;
    std::filesystem::path data = folder.path() / "data";
    VirtualClock clock;
    KeyboardEmulator emulator{clock};
    std::string out, err;
    std::unique_ptr<SettingsState> before = std::make_unique<SettingsState>();
    std::unique_ptr<SettingsState> saved = std::make_unique<SettingsState>();
    std::vector<std::uint8_t> keymapBefore;
    EmulatedDeviceState keyboardBefore;
};

} // namespace corvane::testing
