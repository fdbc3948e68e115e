// corvanectl apply sends only a whole settings file: anything else is refused before the keyboard
// is touched.

#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>

namespace corvane {
namespace {

TEST(CtlApplyFile, OnlyAWholeSettingsFileReachesTheKeyboard)
{
    testing::TempFolder folder;
    const std::filesystem::path dir = folder.path();
    const auto write = [&](const char* name, std::size_t size) {
        std::ofstream out(dir / name, std::ios::binary);
        out << std::string(size, '\x01');
        return dir / name;
    };
    std::filesystem::create_directory(dir / "folder.bin");
    ASSERT_EQ(::mkfifo((dir / "fifo.bin").c_str(), 0600), 0);
    struct Case
    {
        std::filesystem::path file;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {write("empty.bin", 0), ctl::kExitFile, "empty.bin"},
        {write("short.bin", kSettingsFileSize - 1), ctl::kExitFile, "206919"},
        {write("long.bin", kSettingsFileSize + 1), ctl::kExitFile, "206921"},
        {dir / "folder.bin", ctl::kExitFile, "folder.bin"},
        {dir / "fifo.bin", ctl::kExitFile, "fifo.bin"},
        {dir / "missing.bin", ctl::kExitFile, "missing.bin"},
        {write("whole.bin", kSettingsFileSize), 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.filename().string());
        VirtualClock clock;
        KeyboardEmulator emulator(clock);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(ctl::RunCorvanectl({"apply", c.file.string()}, out, err, &emulator, &clock), c.exitCode)
            << err.str();
        EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
        // A refused file costs no trip to the keyboard at all.
        if (c.exitCode != 0) {
            EXPECT_TRUE(emulator.AcceptedFrames().empty());
        } else {
            EXPECT_FALSE(emulator.AcceptedFrames().empty());
        }
    }
}

} // namespace
} // namespace corvane
