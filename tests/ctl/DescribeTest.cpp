#include "../store/TempFolder.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "keys/ApplyKeyAssignment.h"
#include "macros/MacroEvents.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace corvane {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::TempFolder;

struct CtlRun
{
    int exitCode = -1;
    std::vector<std::string> lines; // standard output
    std::string err;
};

CtlRun Corvanectl(const std::string& args, const TempFolder& folder)
{
    const auto errFile = folder / "stderr.txt";
    const std::string command =
        std::string("timeout 30 '") + CORVANECTL_PATH + "' " + args + " 2>'" + errFile.string() + "'";
    CtlRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    const auto errBytes = testing::ReadAll(errFile);
    run.err.assign(errBytes.begin(), errBytes.end());
    return run;
}

std::string Quoted(const std::filesystem::path& p)
{
    return "'" + p.string() + "'";
}

AssignmentResult Choice(std::uint8_t slot, KeyFunctionKind kind)
{
    AssignmentResult r;
    r.selectedKeySlot = slot;
    r.kind = kind;
    return r;
}

class DescribeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (std::size_t k = 0; k < 128; ++k)
            PutDeviceKeyEntry(state->image, k, DefaultDeviceKeyTable()[k]);
        for (std::size_t i = 0; i < img::kKeyEnableMapSize; ++i)
            state->image[img::kKeyEnableMap + i] = 0xFF;
        state->image[img::kLightingMode] = kModeWave;
        state->image[img::kSpeed] = 4;
        state->image[img::kBrightness] = 35;
        state->image[img::kColour] = 2;
        state->image[img::kDirection] = 3;
        state->image[img::kPalette + 3] = 0xFF; // entry 2: red 0xFF, green 0x80, blue 0
        state->image[img::kPalette + 4] = 0x80;
        state->image[img::kGameMode] = 1;
        state->image[img::kWindowsKeyLock] = 1;
        state->image[img::kResponseTime] = 4;
        state->image[img::kReportRate] = 2;
        RestampDefaultKeyOrder(state->records);

        (*macros)[0].SetName(u"Boss");
        (*macros)[0].SetRepeatCount(3);
        MacroEvents events;
        std::size_t at = WriteEvent(events, 0, false, 1, 0x04, 'A');
        WriteEvent(events, at, true, 250, 0x04, 'A');
        (*macros)[0].SetEvents(events);
        (*macros)[1].SetName(u"Second");

        const KeyCodeTable& codes = StandardKeyCodeTable();
        AssignmentResult combination = Choice(3, KeyFunctionKind::kCombination); // F3
        combination.keys[0] = 162;
        combination.keys[1] = 'A';
        combination.count = 2;
        AssignKey(*state, combination, codes, *macros);
        AssignmentResult macro = Choice(4, KeyFunctionKind::kMacro); // F4
        macro.macroNumber = 0;
        AssignKey(*state, macro, codes, *macros);
        AssignmentResult function = Choice(5, KeyFunctionKind::kNamedFunction); // F5
        function.functionName = "Media Player";
        AssignKey(*state, function, codes, *macros);
        AssignmentResult launch = Choice(6, KeyFunctionKind::kOpenFolder); // F6
        launch.launchPath = u"/home/u/Music";
        AssignKey(*state, launch, codes, *macros);
        AssignmentResult single = Choice(63, KeyFunctionKind::kSingleKey); // A becomes B
        single.keys[0] = 'B';
        single.count = 1;
        AssignKey(*state, single, codes, *macros);
        AssignmentResult disabled = Choice(55, KeyFunctionKind::kDefault); // Del
        disabled.keyEnabled = false;
        AssignKey(*state, disabled, codes, *macros);
    }

    TempFolder folder;
    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<MacroStore> macros = std::make_unique<MacroStore>();
};

TEST_F(DescribeTest, SettingsAndEveryKindOfCustomisedKey)
{
    const auto keymap = folder / "keymap.bin";
    ASSERT_TRUE(SaveKeymap(keymap, *state));
    ASSERT_TRUE(SaveMacroStore(folder / "MacroDefine.bin", *macros));
    const CtlRun run = Corvanectl("describe " + Quoted(keymap), folder);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    for (const char* line :
         {"Lighting mode: Wave", "Speed: 4", "Brightness: 35", "Colour: palette entry 2 (#FF8000)",
          "Direction: top", "Game mode: on", "Windows-key lock: locked", "Response time: 5 (slider 4)",
          "Report rate: 2", "Disabled keys: Del", "  F3: combination LCtrl + A", "  F4: macro 0 \"Boss\"",
          "  F5: function \"Media Player\"", "  F6: open folder /home/u/Music", "  A: single key B",
          "  Del: disabled"})
        EXPECT_THAT(run.lines, Contains(std::string(line)));
    EXPECT_THAT(run.lines, Contains(HasSubstr("Palette: 1 #000000 2 #FF8000 3 #000000")));
    // Keys that keep their own function are not listed.
    EXPECT_THAT(run.lines, Not(Contains(HasSubstr("  F7:"))));
    EXPECT_THAT(run.lines, Not(Contains(HasSubstr("  Fn:"))));
    EXPECT_THAT(run.lines, Not(Contains(HasSubstr("  Volume DOWN:"))));
}

TEST_F(DescribeTest, MacroKeysWithoutAMacroFileShowTheNumberOnly)
{
    const auto profile = folder / "profile.bin";
    ASSERT_TRUE(WriteProfile(profile, state->image, state->records));
    const CtlRun run = Corvanectl("describe " + Quoted(profile), folder);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.lines, Contains(std::string("  F4: macro 0")));
}

TEST_F(DescribeTest, MacroFileListsNamesRepeatCountsAndTheEditorsLines)
{
    const auto file = folder / "MacroDefine.bin";
    ASSERT_TRUE(SaveMacroStore(file, *macros));
    const CtlRun run = Corvanectl("describe " + Quoted(file), folder);
    EXPECT_EQ(run.exitCode, 0);
    const auto expected = RenderMacroLines((*macros)[0], StandardKeyCodeTable());
    ASSERT_EQ(expected.size(), 3u) << "press, delay, release";
    auto at = std::find(run.lines.begin(), run.lines.end(), "Macro 0 \"Boss\", repeat 3");
    ASSERT_NE(at, run.lines.end());
    for (const EventLine& line : expected) {
        ASSERT_NE(++at, run.lines.end());
        EXPECT_EQ(*at, "    " + line.text);
    }
    EXPECT_THAT(run.lines, Contains(std::string("    250 ms")));
    EXPECT_THAT(run.lines, Contains(std::string("Macro 1 \"Second\", repeat 0")));
}

TEST_F(DescribeTest, WrongSizeWarnsAndDescribesWhatIsThere)
{
    const auto keymap = folder / "keymap.bin";
    ASSERT_TRUE(SaveKeymap(keymap, *state));
    std::filesystem::resize_file(keymap, 10060 + 772 * 5);
    const CtlRun run = Corvanectl("describe " + Quoted(keymap), folder);
    // Not a settings file: described all the same, but a script sees the failure.
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err,
              "corvanectl: " + keymap.string() +
                  " is 13920 bytes, expected 206920: not a settings file; describing what is there\n");
    EXPECT_THAT(run.lines, Contains(std::string("Lighting mode: Wave")));
    EXPECT_THAT(run.lines, Contains(std::string("  F4: macro 0")));
    // Record 6 is beyond the end: what is left to tell is the keyboard's own entry.
    EXPECT_THAT(run.lines,
                Contains(std::string("  F6: reports key code 117 to the host, which has no launch for it")));
    EXPECT_THAT(run.lines, Contains(std::string("  A: sends B")));

    std::filesystem::resize_file(keymap, 100);
    const CtlRun tiny = Corvanectl("describe " + Quoted(keymap), folder);
    EXPECT_EQ(tiny.exitCode, 3);
    EXPECT_THAT(tiny.lines, Contains(std::string("Report rate: 2")));
    EXPECT_THAT(tiny.lines, Not(Contains(HasSubstr("Lighting mode"))));
}

TEST_F(DescribeTest, MissingOrUnreadableFilesFailWithOneLine)
{
    const CtlRun missing = Corvanectl("describe " + Quoted(folder / "nothing.bin"), folder);
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_TRUE(missing.lines.empty());
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1);
    EXPECT_THAT(missing.err, HasSubstr("nothing.bin"));

    const CtlRun folderArg = Corvanectl("describe " + Quoted(folder.path()), folder);
    EXPECT_EQ(folderArg.exitCode, 3);
}

TEST_F(DescribeTest, WithoutAFileTheDataFoldersFilesAreDescribed)
{
    ASSERT_TRUE(SaveKeymap(folder / "keymap.bin", *state));
    ASSERT_TRUE(SaveMacroStore(folder / "MacroDefine.bin", *macros));
    const CtlRun run = Corvanectl("--data-dir " + Quoted(folder.path()) + " describe", folder);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.lines, Contains(std::string("  F4: macro 0 \"Boss\"")));
    EXPECT_THAT(run.lines, Contains(std::string("Macro 0 \"Boss\", repeat 3")));
}

TEST_F(DescribeTest, ControlCharactersFromTheFileReachTheTerminalOnlyAsEscapes)
{
    // Clear screen, carriage return, an OSC 8 hyperlink, a C1 CSI, DEL and a backslash.
    (*macros)[0].SetName(u"\x1b[2J\rBoss\x1b]8;;http://x\x07link\x1b]8;;\x07 \u009b31m a\\b\x7f");
    state->records[6].SetLaunchPath(u"/home/\x1b[31mred\r\n/\u0085x");
    const auto keymap = folder / "keymap.bin";
    ASSERT_TRUE(SaveKeymap(keymap, *state));
    ASSERT_TRUE(SaveMacroStore(folder / "MacroDefine.bin", *macros));
    for (const auto& file : {keymap, folder / "MacroDefine.bin"}) {
        const CtlRun run = Corvanectl("describe " + Quoted(file), folder);
        EXPECT_EQ(run.exitCode, 0);
        std::string out;
        for (const std::string& line : run.lines)
            out += line + "\n";
        for (std::size_t i = 0; i < out.size(); ++i) {
            const auto byte = static_cast<unsigned char>(out[i]);
            EXPECT_TRUE((byte >= 0x20 && byte != 0x7F) || byte == '\n')
                << "byte " << int(byte) << " at " << i;
            if (byte == 0xC2 && i + 1 < out.size()) {
                EXPECT_FALSE(static_cast<unsigned char>(out[i + 1]) >= 0x80 &&
                             static_cast<unsigned char>(out[i + 1]) <= 0x9F)
                    << "C1 control at " << i;
            }
        }
        const std::string name =
            "\\x1b[2J\\x0dBoss\\x1b]8;;http://x\\x07link\\x1b]8;;\\x07 \\u009b31m a\\\\b\\x7f";
        EXPECT_NE(out.find("\"" + name + "\""), std::string::npos) << out;
        if (file == keymap) {
            EXPECT_THAT(run.lines,
                        Contains(std::string("  F6: open folder /home/\\x1b[31mred\\x0d\\x0a/\\u0085x")));
        }
    }
}

TEST_F(DescribeTest, FifosAreRefusedWithoutWaitingForAWriter)
{
    const auto fifo = folder / "keymap.bin";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // timeout ends a run that would otherwise wait for a writer forever.
    const CtlRun run = Corvanectl("describe " + Quoted(fifo), folder);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_THAT(run.err, HasSubstr(fifo.string()));
    EXPECT_THAT(run.err, HasSubstr("not a regular file"));

    // A FIFO where the macro names would come from: the settings are described without them.
    std::filesystem::remove(fifo);
    ASSERT_TRUE(SaveKeymap(fifo, *state));
    ASSERT_EQ(::mkfifo((folder / "MacroDefine.bin").c_str(), 0600), 0);
    const CtlRun beside = Corvanectl("describe " + Quoted(fifo), folder);
    EXPECT_EQ(beside.exitCode, 0);
    EXPECT_THAT(beside.lines, Contains(std::string("  F4: macro 0")));
}

} // namespace
} // namespace corvane
