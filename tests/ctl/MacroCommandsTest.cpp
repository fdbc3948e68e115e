// corvanectl macro against the emulated keyboard: what each line does to MacroDefine.bin, keymap.bin
// and the keyboard, and what it refuses.

#include "../keys/FactoryKeys.h"
#include "../store/TempFolder.h"
#include "ctl/Commands.h"
#include "device/Clocks.h"
#include "emulator/KeyboardEmulator.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyLayout.h"
#include "keys/ApplyKeyAssignment.h"
#include "keys/MacroKeys.h"
#include "macros/MacroEvents.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"
#include "text/Utf16.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

namespace corvane {
namespace {

constexpr std::size_t kF4 = 4, kF5 = 5;

struct Outcome
{
    int code;
    std::string out, err;
    std::unique_ptr<MacroStore> macros = std::make_unique<MacroStore>();
    std::unique_ptr<SettingsState> files = std::make_unique<SettingsState>(); // keymap.bin after
    EmulatedDeviceState keyboard;
    bool keyboardTouched = false; // any frame beyond the setup's
    int windowTold = 0;
};

// Three macros; F4 plays "Boss" (0) and F5 "Third" (2), on the keyboard and in keymap.bin.
Outcome RunMacroLine(std::vector<std::string> args,
                     const std::function<void(const std::filesystem::path&)>& prepare = {})
{
    testing::TempFolder dir;
    auto macros = std::make_unique<MacroStore>();
    const char16_t* names[] = {u"Boss", u"Second", u"Third"};
    for (std::size_t i = 0; i < 3; ++i) {
        (*macros)[i].SetName(names[i]);
        (*macros)[i].SetRepeatCount(static_cast<std::uint16_t>(i + 1));
    }
    MacroEvents events;
    WriteEvent(events, WriteEvent(events, 0, false, 1, 0x04, 'A'), true, 250, 0x04, 'A');
    (*macros)[0].SetEvents(events);
    auto state = std::make_unique<SettingsState>();
    testing::SetFactoryKeys(*state);
    for (auto [slot, number] : {std::pair{kF4, 0}, std::pair{kF5, 2}}) {
        AssignmentResult r;
        r.selectedKeySlot = static_cast<std::uint8_t>(slot);
        r.kind = KeyFunctionKind::kMacro;
        r.macroNumber = static_cast<std::uint8_t>(number);
        AssignKey(*state, r, StandardKeyCodeTable(), *macros);
    }
    EXPECT_TRUE(SaveMacroStore(dir / "MacroDefine.bin", *macros));
    EXPECT_TRUE(SaveKeymap(dir / "keymap.bin", *state));
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    std::ostringstream ignored;
    const std::vector<std::string> data = {"--data-dir", dir.path().string()};
    EXPECT_EQ(ctl::RunCorvanectl({"--data-dir", dir.path().string(), "apply", (dir / "keymap.bin").string()},
                                 ignored, ignored, &emulator, &clock),
              0);
    if (prepare) prepare(dir.path());
    const std::size_t frames = emulator.AcceptedFrames().size();

    Outcome o;
    ctl::CtlEnvironment environment{&emulator, &clock, {}, [&o] { ++o.windowTold; }};
    args.insert(args.begin(), data.begin(), data.end());
    std::ostringstream out, err;
    o.code = ctl::RunCorvanectl(args, out, err, environment);
    o.out = out.str();
    o.err = err.str();
    LoadMacroStore(dir / "MacroDefine.bin", *o.macros);
    LoadKeymap(dir / "keymap.bin", *o.files, KeymapLoadMode::kFull);
    o.keyboard = emulator.State();
    o.keyboardTouched = emulator.AcceptedFrames().size() != frames;
    return o;
}

std::string Names(const MacroStore& store)
{
    std::string names;
    for (const std::u16string& name : store.Names())
        names += Utf16ToUtf8(name) + ";";
    return names;
}

std::uint8_t KeyboardEntryByte0(const Outcome& o, std::size_t slot)
{
    return o.keyboard.keyTable[4 * DeviceKeyIndex(slot)];
}

TEST(CtlMacroCommands, EachLineChangesWhatItSaysAndNothingElse)
{
    const std::string longName(kMacroNameMaxLength + 1, 'x');
    const auto damage = [](const std::filesystem::path& dir) {
        std::filesystem::resize_file(dir / "MacroDefine.bin", kMacroRecordSize);
    };
    struct Case
    {
        std::vector<std::string> args;
        int code;
        const char* says;  // in out or err
        const char* names; // MacroDefine.bin's macros afterwards
        bool keyboard;     // the keyboard is read (and maybe written)
        std::function<void(const std::filesystem::path&)> prepare = {};
        std::function<void(const Outcome&)> check = {};
    };
    const Case cases[] = {
        {{"macro", "list"}, 0, "0\tBoss\t1\t2\tslot\n1\tSecond\t2\t0\tslot\n", "Boss;Second;Third;", false},
        {{"macro", "show", "Boss"},
         0,
         "Macro 0 \"Boss\", repeat 1\n    A  dn\n    250 ms\n    A  up\n",
         "Boss;Second;Third;",
         false},
        {{"macro", "show", "boss"}, 2, "no macro named \"boss\"", "Boss;Second;Third;", false},
        {{"macro"}, 2, "usage", "Boss;Second;Third;", false},
        {{"macro", "delete", "Nobody"}, 2, "no macro named", "Boss;Second;Third;", false},
        // F4 plays Boss: listed, and nothing changes without --yes.
        {{"macro", "delete", "Boss"},
         2,
         "keys playing macro \"Boss\": F4",
         "Boss;Second;Third;",
         true,
         {},
         [](const Outcome& o) { EXPECT_EQ(KeyboardEntryByte0(o, kF4), kMacroForm); }},
        {{"macro", "delete", "Boss", "--yes"},
         0,
         "deleted",
         "Second;Third;",
         true,
         {},
         [](const Outcome& o) {
             EXPECT_FALSE(MacroNumbersOfKey(*o.files, kF4).record);
             EXPECT_NE(KeyboardEntryByte0(o, kF4), kMacroForm);
             // Third moved to number 1, and F5 with it, in the file and on the keyboard.
             EXPECT_EQ(MacroNumbersOfKey(*o.files, kF5).record, 1);
             EXPECT_EQ(o.keyboard.keyTable[4 * DeviceKeyIndex(kF5) + 2], 1);
             EXPECT_EQ(o.keyboard.macroSlots[1][1], 3) << "Third's repeat count";
             EXPECT_EQ(o.keyboard.macroSlots[2], (std::array<std::uint8_t, img::kMacroSlotSize>{}))
                 << "cleared";
             EXPECT_EQ(o.windowTold, 1);
         }},
        // No key plays Second: no question; F5 follows Third to number 1.
        {{"macro", "delete", "Second"},
         0,
         "deleted",
         "Boss;Third;",
         true,
         {},
         [](const Outcome& o) { EXPECT_EQ(o.keyboard.keyTable[4 * DeviceKeyIndex(kF5) + 2], 1); }},
        {{"macro", "rename", "Second", "Zweite"},
         0,
         "renamed",
         "Boss;Zweite;Third;",
         false,
         {},
         [](const Outcome& o) { EXPECT_EQ(o.windowTold, 1); }},
        {{"macro", "rename", "Second", ""}, 2, "1 to 254", "Boss;Second;Third;", false},
        {{"macro", "rename", "Second", longName}, 2, "1 to 254", "Boss;Second;Third;", false},
        {{"macro", "rename", "Second", "bad\xff"}, 2, "UTF-8", "Boss;Second;Third;", false},
        {{"macro", "rename", "Second", "Third"},
         2,
         "macro 2 is named \"Third\" already",
         "Boss;Second;Third;",
         false},
        // A damaged MacroDefine.bin is the window's to decide about: it stays as it is.
        {{"macro", "rename", "Boss", "Chef"},
         3,
         "894 bytes",
         "Boss;",
         false,
         damage,
         [](const Outcome& o) { EXPECT_EQ(o.windowTold, 0); }},
        {{"macro", "list"}, 3, "0\tBoss\t1\t2\tslot\n", "Boss;", false, damage},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const Outcome o = RunMacroLine(c.args, c.prepare);
        EXPECT_EQ(o.code, c.code) << o.err;
        EXPECT_NE((o.out + o.err).find(c.says), std::string::npos) << o.out << o.err;
        EXPECT_EQ(Names(*o.macros), c.names);
        EXPECT_EQ(o.keyboardTouched, c.keyboard);
        if (c.check) c.check(o);
    }
}

} // namespace
} // namespace corvane
