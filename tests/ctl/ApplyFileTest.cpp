// corvanectl apply sends only a whole settings file that the keyboard can carry out: anything else
// is refused before the keyboard is touched.

#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyLayout.h"
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

TEST(CtlApplyFile, KeysOnMacrosBeyondTheKeyboardsSlotsAreRefused)
{
    constexpr std::uint8_t kQ = 42, kW = 43;
    enum class On { kBoth, kEntry, kRecord };
    struct Key
    {
        std::uint8_t slot;
        std::uint8_t macro;
        On on;
    };
    struct Case
    {
        const char* name;
        std::vector<Key> keys;
        const char* says; // empty: applied
    };
    const Case cases[] = {
        {"the last slot", {{kQ, 31, On::kBoth}}, ""},
        {"as the key dialog saved it", {{kQ, 38, On::kBoth}}, "Q (macro 38)"},
        {"only the device entry", {{kW, 32, On::kEntry}}, "W (macro 32)"},
        {"only the record", {{kQ, 40, On::kRecord}}, "Q (macro 40)"},
        {"two keys", {{kQ, 3, On::kBoth}, {kW, 33, On::kBoth}}, "W (macro 33)"},
    };
    testing::TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto state = std::make_unique<SettingsState>();
        for (std::size_t k = 0; k < 128; ++k)
            PutDeviceKeyEntry(state->image, k, DefaultDeviceKeyTable()[k]);
        RestampDefaultKeyOrder(state->records);
        for (const Key& key : c.keys) {
            if (key.on != On::kRecord)
                PutDeviceKeyEntry(state->image, DeviceKeyIndex(key.slot), MacroEntry(key.macro));
            if (key.on != On::kEntry) {
                state->records[key.slot].SetKind(KeyFunctionKind::kMacro);
                const DeviceKeyEntry data = MacroEntry(key.macro);
                std::copy(data.begin(), data.end(), state->records[key.slot].Data());
            }
        }
        const std::filesystem::path file = folder.path() / "keymap.bin";
        ASSERT_TRUE(SaveKeymap(file, *state));
        VirtualClock clock;
        KeyboardEmulator emulator(clock);
        std::ostringstream out;
        std::ostringstream err;
        const int code = ctl::RunCorvanectl({"apply", file.string()}, out, err, &emulator, &clock);
        if (*c.says == 0) {
            EXPECT_EQ(code, 0) << err.str();
            EXPECT_EQ(emulator.State().keyTable[4 * DeviceKeyIndex(kQ)], kMacroForm);
            continue;
        }
        EXPECT_EQ(code, ctl::kExitFile);
        EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
        EXPECT_NE(err.str().find("32 macro slots"), std::string::npos) << err.str();
        EXPECT_TRUE(emulator.AcceptedFrames().empty());
    }
}

} // namespace
} // namespace corvane
