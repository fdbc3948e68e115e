// corvanectl assign: the keyboard and keymap.bin end as the key dialog's Save leaves them, and a
// refused line changes neither.

#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "format/KeyLayout.h"
#include "keys/KeyCapture.h"
#include "keys/KeyNames.h"
#include "keys/NamedFunctionTable.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"
#include "text/Utf16.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>

namespace corvane {
namespace {

namespace fs = std::filesystem;

// What the dialog's pages put into the result for the same choice.
using Dialog = std::function<void(AssignmentResult&)>;

struct Case
{
    std::vector<std::string> before; // an assign run first
    std::vector<std::string> args;   // "@" stands for the test folder
    int exitCode;
    const char* says;
    std::uint8_t slot = 0;
    Dialog dialog = {};
};

Dialog Captured(KeyFunctionKind kind, std::vector<std::uint8_t> keys)
{
    return [=](AssignmentResult& r) {
        r.kind = kind;
        for (std::uint8_t key : keys)
            CaptureKey(r, key, StandardKeyCodeTable());
        SaveKeyPage(r, StandardKeyCodeTable());
    };
}

TEST(CtlAssign, KeyEndsAsTheKeyDialogLeavesItAndRefusalsChangeNothing)
{
    constexpr std::uint8_t kF1 = 1, kF5 = 5, kA = 63, kQ = 42;
    const auto launch = [](KeyFunctionKind kind, std::u16string path) {
        return [=](AssignmentResult& r) {
            r.kind = kind;
            r.launchPath = path;
        };
    };
    const Case cases[] = {
        {{}, {"F1", "key", "B"}, 0, "F1: single key B\n", kF1, Captured(KeyFunctionKind::kSingleKey, {'B'})},
        // A media key alone goes out in consumer form.
        {{}, {"f1", "KEY", "volume", "up"}, 0, "F1: single key Volume UP", kF1, Captured(KeyFunctionKind::kSingleKey, {175})},
        {{}, {"F1", "key", "F1"}, 0, "F1: own function", kF1, Captured(KeyFunctionKind::kSingleKey, {112})},
        {{}, {"F1", "combo", "Ctrl+Shift+K"}, 0, "F1: combination LCtrl + LShift + K", kF1,
         Captured(KeyFunctionKind::kCombination, {162, 160, 'K'})},
        {{}, {"Q", "combo", "lctrl+num", "+"}, 0, "Q: combination LCtrl + Num +", kQ,
         Captured(KeyFunctionKind::kCombination, {162, 107})},
        {{}, {"F1", "function", "volume up"}, 0, "F1: function \"Volume Up\"", kF1,
         [](AssignmentResult& r) {
             r.kind = KeyFunctionKind::kNamedFunction;
             r.functionName = "Volume Up";
         }},
        {{}, {"F5", "macro", "Boss"}, 0, "F5: macro 0 \"Boss\"", kF5,
         [](AssignmentResult& r) {
             r.kind = KeyFunctionKind::kMacro;
             r.macroNumber = 0;
         }},
        {{}, {"F5", "launch", "folder", "@/music"}, 0, "F5: open folder", kF5, launch(KeyFunctionKind::kOpenFolder, u"@/music")},
        {{}, {"F5", "launch", "music", "@/song.mp3"}, 0, "F5: play music", kF5, launch(KeyFunctionKind::kPlayMusic, u"@/song.mp3")},
        {{"A", "key", "B"}, {"A", "disable"}, 0, "A: disabled", kA,
         [](AssignmentResult& r) {
             r.kind = KeyFunctionKind::kDefault;
             r.keyEnabled = false;
         }},
        {{"A", "disable"}, {"a", "default"}, 0, "A: own function", kA, [](AssignmentResult& r) { r.count = kResetRequest; }},
        {{}, {}, ctl::kExitUsage, "usage", 0},
        {{}, {"F1"}, ctl::kExitUsage, "usage", 0},
        {{}, {"Nokey", "key", "B"}, ctl::kExitUsage, "unknown key 'Nokey'", 0},
        {{}, {"LCtrl", "key", "B"}, ctl::kExitUsage, "LCtrl cannot be assigned", 0},
        {{}, {"Fn", "key", "B"}, ctl::kExitUsage, "Fn cannot be assigned", 0},
        {{}, {"Volume UP", "key", "B"}, ctl::kExitUsage, "cannot be assigned", 0},
        {{}, {"F1", "key"}, ctl::kExitUsage, "key name", 0},
        {{}, {"F1", "key", "Nonesuch"}, ctl::kExitUsage, "unknown key 'Nonesuch'", 0},
        {{}, {"F1", "key", "key 0x07"}, ctl::kExitUsage, "no code", 0},
        {{}, {"F1", "combo", "A+B+C+D"}, ctl::kExitUsage, "has 4", 0},
        {{}, {"F1", "combo", "A"}, ctl::kExitUsage, "has 1", 0},
        {{}, {"F1", "combo", "Ctrl+Nope"}, ctl::kExitUsage, "unknown key 'Nope'", 0},
        {{}, {"F1", "combo", "Ctrl+Volume UP"}, ctl::kExitUsage, "media key", 0},
        {{}, {"F1", "function", "Media"}, ctl::kExitUsage, "unknown function", 0},
        {{}, {"F1", "macro", "Nope"}, ctl::kExitUsage, "no macro named 'Nope'", 0},
        {{}, {"F1", "macro", "M32"}, ctl::kExitUsage, "no slot", 0},
        {{}, {"F1", "launch", "file", "song.mp3"}, ctl::kExitUsage, "not absolute", 0},
        {{}, {"F1", "launch", "file", "@/missing.txt"}, ctl::kExitUsage, "does not exist", 0},
        {{}, {"F1", "launch", "folder", "@/song.mp3"}, ctl::kExitUsage, "not a folder", 0},
        {{}, {"F1", "launch", "program", "@/music"}, ctl::kExitUsage, "not a file", 0},
        {{}, {"F1", "launch", "file", "@/" + std::string(200, 'a') + "/" + std::string(60, 'b')}, ctl::kExitUsage,
         "at most 255", 0},
        {{}, {"F1", "launch", "video", "@/song.mp3"}, ctl::kExitUsage, "'video'", 0},
        {{}, {"F1", "disable", "now"}, ctl::kExitUsage, "nothing after", 0},
        {{}, {"F1", "frobnicate"}, ctl::kExitUsage, "'frobnicate'", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        testing::TempFolder folder;
        const std::string at = folder.path().string();
        fs::create_directories(folder.path() / "music");
        fs::create_directories(folder.path() / std::string(200, 'a'));
        std::ofstream(folder.path() / "song.mp3") << "x";
        std::ofstream(folder.path() / std::string(200, 'a') / std::string(60, 'b')) << "x";
        // Macro 0 "Boss", and one more than the keyboard has slots for.
        auto macros = std::make_unique<MacroStore>();
        for (std::size_t i = 0; i <= img::kMacroSlotCount; ++i)
            (*macros)[i].SetName(i == 0 ? u"Boss" : u"M" + Utf8ToUtf16(std::to_string(i)));
        const fs::path data = folder.path() / "data";
        fs::create_directories(data);
        ASSERT_TRUE(SaveMacroStore(data / kMacroFileName, *macros).Saved());

        VirtualClock clock;
        KeyboardEmulator emulator(clock);
        const auto run = [&](std::vector<std::string> args, std::ostream& out, std::ostream& err) {
            for (std::string& arg : args)
                if (arg.starts_with("@")) arg = at + arg.substr(1);
            args.insert(args.begin(), {"--data-dir", data.string(), "assign"});
            return ctl::RunCorvanectl(args, out, err, &emulator, &clock);
        };
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(run(c.before.empty() ? std::vector<std::string>{"A", "default"} : c.before, out, err), 0) << err.str();
        const fs::path keymap = data / kKeymapFileName;
        auto expected = std::make_unique<SettingsState>();
        ASSERT_EQ(LoadKeymap(keymap, *expected, KeymapLoadMode::kFull).state, FileState::kLoaded);
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
        AssignmentResult result;
        result.selectedKeySlot = c.slot;
        result.selectedKeyCode = DefaultKeyOrder[c.slot];
        c.dialog(result);
        if (result.launchPath.starts_with(u"@")) result.launchPath = Utf8ToUtf16(at) + result.launchPath.substr(1);
        AssignKey(*expected, result, StandardKeyCodeTable(), *macros);

        auto saved = std::make_unique<SettingsState>();
        ASSERT_EQ(LoadKeymap(keymap, *saved, KeymapLoadMode::kFull).state, FileState::kLoaded);
        EXPECT_EQ(saved->records[c.slot], expected->records[c.slot]);
        const EmulatedDeviceState keyboard = emulator.State();
        EXPECT_TRUE(std::equal(keyboard.keyTable.begin(), keyboard.keyTable.end(),
                               expected->image.data() + img::kDeviceKeyTable));
        EXPECT_TRUE(std::equal(keyboard.keyEnableMap.begin(), keyboard.keyEnableMap.end(),
                               expected->image.data() + img::kKeyEnableMap));
        EXPECT_TRUE(std::equal(keyboard.macroSlots[0].begin(), keyboard.macroSlots[0].end(),
                               expected->image.MacroSlot(0)));
    }
}

TEST(CtlAssign, ListsNameWhatTheCommandTakes)
{
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    const auto lines = [&](const char* option) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(ctl::RunCorvanectl({"assign", option}, out, err, &emulator, &clock), 0) << err.str();
        std::vector<std::string> result;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    };
    // Every key the key dialog opens for, once, by a name that finds it again.
    std::set<std::size_t> slots;
    for (const std::string& name : lines("--list-keys")) {
        const auto slot = SlotOfName(name, StandardKeyCodeTable());
        ASSERT_TRUE(slot.has_value()) << name;
        EXPECT_TRUE(IsAssignableKey(*slot)) << name;
        EXPECT_TRUE(slots.insert(*slot).second) << name;
    }
    EXPECT_EQ(slots.size(), kLayoutKeyCount - 8);
    EXPECT_EQ(lines("--list-functions").size(), kNamedFunctionCount);
    // Every key code the table names is found by its name, also where two labels are alike.
    for (int code = 1; code < 256; ++code) {
        const std::string name = DistinctKeyCodeName(static_cast<std::uint8_t>(code), StandardKeyCodeTable());
        EXPECT_EQ(KeyCodeOfName(name, StandardKeyCodeTable()), code) << name;
    }
}

} // namespace
} // namespace corvane
