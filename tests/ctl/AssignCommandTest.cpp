// corvanectl assign: the keyboard and keymap.bin end as the key dialog's Save leaves them, and a
// refused line changes neither.

#include "ChangeBench.h"
#include "format/KeyLayout.h"
#include "keys/KeyCapture.h"
#include "keys/KeyNames.h"
#include "macros/MacroStore.h"
#include "text/Utf16.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace corvane {
namespace {

// What the dialog's pages put into the result for the same choice: captured keys go through the
// key page's rules.
struct Dialog
{
    KeyFunctionKind kind = KeyFunctionKind::kDefault;
    std::vector<std::uint8_t> keys = {};
    const char* text = ""; // the function name, or the launch path under the test folder
    std::int32_t macro = -1;
    bool enabled = true;
    std::int32_t count = 0;

    AssignmentResult Result(std::uint8_t slot, const std::string& folder) const
    {
        AssignmentResult r;
        r.selectedKeySlot = slot;
        r.kind = kind;
        for (std::uint8_t key : keys)
            CaptureKey(r, key, StandardKeyCodeTable());
        if (!keys.empty()) SaveKeyPage(r, StandardKeyCodeTable());
        if (kind == KeyFunctionKind::kNamedFunction) r.functionName = text;
        if (IsLaunchKind(kind)) r.launchPath = Utf8ToUtf16(folder + text);
        r.macroNumber = macro;
        r.keyEnabled = enabled;
        if (count != 0) r.count = count;
        return r;
    }
};

struct Case
{
    std::vector<std::string> before; // an assign run first
    std::vector<std::string> args;   // "@" stands for the test folder
    int exitCode;
    const char* says;
    std::uint8_t slot = 0;
    Dialog dialog{};
};

TEST(CtlAssign, KeyEndsAsTheKeyDialogLeavesItAndRefusalsChangeNothing)
{
    constexpr std::uint8_t kF1 = 1, kF5 = 5, kA = 63, kQ = 42;
    constexpr int kRefused = ctl::kExitUsage;
    const std::string longPath = "@/" + std::string(200, 'a') + "/" + std::string(60, 'b');
    using enum KeyFunctionKind;
    const Case cases[] = {
        {{}, {"F1", "key", "B"}, 0, "F1: single key B\n", kF1, {kSingleKey, {'B'}}},
        // A media key alone goes out in consumer form.
        {{}, {"f1", "KEY", "volume", "up"}, 0, "F1: single key Volume UP", kF1, {kSingleKey, {175}}},
        {{}, {"F1", "key", "F1"}, 0, "F1: own function", kF1, {kSingleKey, {112}}},
        {{}, {"F1", "combo", "Ctrl+Shift+K"}, 0, "LCtrl + LShift + K", kF1, {kCombination, {162, 160, 'K'}}},
        {{}, {"Q", "combo", "lctrl+num", "+"}, 0, "LCtrl + Num +", kQ, {kCombination, {162, 107}}},
        {{},
         {"F1", "function", "volume up"},
         0,
         "function \"Volume Up\"",
         kF1,
         {kNamedFunction, {}, "Volume Up"}},
        {{}, {"F5", "macro", "Boss"}, 0, "F5: macro 0 \"Boss\"", kF5, {kMacro, {}, "", 0}},
        {{}, {"F5", "launch", "folder", "@/music"}, 0, "F5: open folder", kF5, {kOpenFolder, {}, "/music"}},
        {{},
         {"F5", "launch", "music", "@/song.mp3"},
         0,
         "F5: play music",
         kF5,
         {kPlayMusic, {}, "/song.mp3"}},
        {{"A", "key", "B"}, {"A", "disable"}, 0, "A: disabled", kA, {kDefault, {}, "", -1, false}},
        {{"A", "disable"}, {"a", "default"}, 0, "A: own function", kA, {.count = kResetRequest}},
        // Keypad keys are told apart from the main block's by "Num".
        {{}, {"num -", "key", "-"}, 0, "Num -: single key -\n", 40, {kSingleKey, {189}}},
        {{}, {"-", "key", "Num -"}, 0, "-: single key Num -\n", 31, {kSingleKey, {109}}},
        {{}, {"--list-keys"}, 0, "Esc\nF1\n"},
        {{}, {"--list-functions"}, 0, "\nVolume Up\nVolume Down\n"},
        {{}, {"F1"}, kRefused, "usage"},
        {{}, {"Nokey", "key", "B"}, kRefused, "unknown key 'Nokey'"},
        {{}, {"LCtrl", "key", "B"}, kRefused, "LCtrl cannot be assigned"},
        {{}, {"Volume UP", "key", "B"}, kRefused, "cannot be assigned"},
        {{}, {"F1", "key"}, kRefused, "key name"},
        {{}, {"F1", "key", "Nonesuch"}, kRefused, "unknown key 'Nonesuch'"},
        {{}, {"F1", "key", "key 0x07"}, kRefused, "no code"},
        {{}, {"F1", "combo", "A+B+C+D"}, kRefused, "has 4"},
        {{}, {"F1", "combo", "Ctrl+Nope"}, kRefused, "unknown key 'Nope'"},
        {{}, {"F1", "combo", "Ctrl+Volume UP"}, kRefused, "media key"},
        {{}, {"F1", "function", "Media"}, kRefused, "unknown function"},
        {{}, {"F1", "macro", "Nope"}, kRefused, "no macro named \"Nope\""},
        {{}, {"F1", "macro", "M32"}, kRefused, "no slot"},
        {{}, {"F1", "launch", "file", "song.mp3"}, kRefused, "not absolute"},
        {{}, {"F1", "launch", "file", "@/missing.txt"}, kRefused, "does not exist"},
        {{}, {"F1", "launch", "folder", "@/song.mp3"}, kRefused, "not a folder"},
        {{}, {"F1", "launch", "program", "@/music"}, kRefused, "not a file"},
        {{}, {"F1", "launch", "file", longPath}, kRefused, "at most 255"},
        {{}, {"F1", "launch", "video", "@/song.mp3"}, kRefused, "'video'"},
        {{}, {"F1", "disable", "now"}, kRefused, "nothing after"},
        {{}, {"F1", "frobnicate"}, kRefused, "'frobnicate'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        testing::ChangeBench bench("assign");
        const std::filesystem::path at = bench.folder.path();
        std::filesystem::create_directories(at / "music");
        std::filesystem::create_directory(at / std::string(200, 'a'));
        std::ofstream(at / "song.mp3") << "x";
        std::ofstream(at / std::string(200, 'a') / std::string(60, 'b')) << "x";
        // Macro 0 "Boss", and one more than the keyboard has slots for.
        auto macros = std::make_unique<MacroStore>();
        for (std::size_t i = 0; i <= img::kMacroSlotCount; ++i)
            (*macros)[i].SetName(i == 0 ? u"Boss" : u"M" + Utf8ToUtf16(std::to_string(i)));
        ASSERT_TRUE(SaveMacroStore(bench.data / kMacroFileName, *macros).Saved());
        std::vector<std::string> args = c.args;
        for (std::string& arg : args)
            if (arg.starts_with("@")) arg = at.string() + arg.substr(1);

        bench.Prepare(c.before.empty() ? std::vector<std::string>{"A", "default"} : c.before);
        if (!bench.Done(args, c.exitCode, c.says)) continue;
        SettingsState& expected = *bench.before;
        AssignKey(expected, c.dialog.Result(c.slot, at.string()), StandardKeyCodeTable(), *macros);
        EXPECT_TRUE(bench.saved->image == expected.image);
        EXPECT_TRUE(bench.saved->records == expected.records);
        // What was saved went out: the key table, the enable map and the macro slots.
        const EmulatedDeviceState keyboard = bench.emulator.State();
        EXPECT_TRUE(std::ranges::equal(
            keyboard.keyTable, std::span(expected.image.DeviceKeyEntry(0), img::kDeviceKeyTableSize)));
        EXPECT_TRUE(
            std::ranges::equal(keyboard.keyEnableMap, std::span(expected.image.data() + img::kKeyEnableMap,
                                                                img::kKeyEnableMapSize)));
        EXPECT_TRUE(std::ranges::equal(keyboard.macroSlots[0],
                                       std::span(expected.image.MacroSlot(0), img::kMacroSlotSize)));
    }
}

} // namespace
} // namespace corvane
