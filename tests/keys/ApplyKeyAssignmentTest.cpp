#include "keys/ApplyKeyAssignment.h"

#include "FactoryKeys.h"

#include "device/KeyMarks.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvane {
namespace {

constexpr std::uint8_t kF3Slot = 3; // key code 114, device index 29
constexpr std::uint8_t kA = 'A', kLCtrl = 162, kPlayPause = 179, kMedia = 181;

class ApplyKeyAssignmentTest : public ::testing::Test
{
protected:
    void SetUp() override { testing::SetFactoryKeys(*state); }

    AssignmentResult Result(KeyFunctionKind kind, std::initializer_list<std::uint8_t> keys = {},
                            std::uint8_t slot = kF3Slot)
    {
        AssignmentResult r;
        r.selectedKeySlot = slot;
        r.selectedKeyCode = slot < kLayoutKeyCount ? DefaultKeyOrder[slot] : 0;
        r.kind = kind;
        std::copy(keys.begin(), keys.end(), r.keys.begin());
        r.count = static_cast<std::int32_t>(keys.size());
        return r;
    }

    bool Apply(const AssignmentResult& r) { return ApplyKeyAssignment(*state, r, codes, *macros); }
    DeviceKeyEntry Entry(std::size_t slot = kF3Slot) const
    {
        return GetDeviceKeyEntry(state->image, DeviceKeyIndex(slot));
    }
    const KeyRecord& Record(std::size_t slot = kF3Slot) const { return state->records[slot]; }

    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<MacroStore> macros = std::make_unique<MacroStore>();
    const KeyCodeTable& codes = StandardKeyCodeTable();
};

TEST_F(ApplyKeyAssignmentTest, SingleKeyRemapsAndMarks)
{
    EXPECT_TRUE(Apply(Result(KeyFunctionKind::kSingleKey, {kA})));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0x00, 0x04, 0x00}));
    EXPECT_EQ(Record()[rec::kKind], 0);
    EXPECT_EQ(Record()[rec::kData], kA);
    EXPECT_EQ(Record()[rec::kCount], 1);
    EXPECT_EQ(state->marks[kF3Slot], 1);
}

TEST_F(ApplyKeyAssignmentTest, CapturingTheKeysOwnCodeEmptiesTheRecord)
{
    Apply(Result(KeyFunctionKind::kSingleKey, {kA}));
    state->marks[kF3Slot] = 0; // the caller clears the mark before every assignment
    Apply(Result(KeyFunctionKind::kSingleKey, {114}));
    EXPECT_EQ(Record()[rec::kKind], 0);
    EXPECT_EQ(Record()[rec::kCount], 0);
    EXPECT_EQ(Record()[rec::kData], 0);
    EXPECT_EQ(state->marks[kF3Slot], 0);
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0x00, 0x3C, 0x00}));
}

TEST_F(ApplyKeyAssignmentTest, MediaKeysAsSingleKeysGoOutInConsumerFormButNotInCombinations)
{
    Apply(Result(KeyFunctionKind::kSingleKey, {kPlayPause}));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x03, 0x00, 0xCD, 0x00}));
    Apply(Result(KeyFunctionKind::kSingleKey, {kMedia}));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x03, 0x00, 0x83, 0x01}));
    Apply(Result(KeyFunctionKind::kSingleKey, {174}));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x03, 0x00, 0xEA, 0x00}));
    Apply(Result(KeyFunctionKind::kCombination, {kPlayPause}));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0xCD, 0x00, 0x00}));
}

TEST_F(ApplyKeyAssignmentTest, SingleKeyWithAnotherCountKeepsTheEntry)
{
    Apply(Result(KeyFunctionKind::kSingleKey, {kA}));
    Apply(Result(KeyFunctionKind::kSingleKey, {'B', 'C'}));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0x00, 0x04, 0x00}));
    EXPECT_EQ(Record()[rec::kCount], 2);
    EXPECT_EQ(state->marks[kF3Slot], 1) << "the key still sends A";
}

TEST_F(ApplyKeyAssignmentTest, CombinationFillsBytesOneToThree)
{
    Apply(Result(KeyFunctionKind::kCombination, {kLCtrl, kA}));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0xE0, 0x04, 0x00})) << "same bytes as Select All";
    EXPECT_EQ(Record()[rec::kKind], 1);
    EXPECT_EQ(Record()[rec::kCount], 2);
    EXPECT_EQ(state->marks[kF3Slot], 1);
    Apply(Result(KeyFunctionKind::kCombination, {kLCtrl, 164, 46}));
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0xE0, 0xE2, 0x4C}));
}

// Save marks the key as a restart would (marks are then worked out from the loaded settings), and
// only a key that launches keeps a path, so that exported profiles carry no stale ones.
TEST_F(ApplyKeyAssignmentTest, SaveMarksAsARestartAndKeepsOnlyLaunchingPaths)
{
    AssignmentResult disabled = Result(KeyFunctionKind::kSingleKey, {114});
    disabled.keyEnabled = false;
    AssignmentResult reset = Result(KeyFunctionKind::kOpenFile);
    reset.count = kResetRequest;
    AssignmentResult folder = Result(KeyFunctionKind::kOpenFolder);
    folder.launchPath = u"/srv";
    const std::tuple<AssignmentResult, std::uint8_t, std::u16string> cases[] = {
        {Result(KeyFunctionKind::kCombination, {'B'}), 1, u""},
        {Result(KeyFunctionKind::kCombination, {114}), 1, u""}, // the own key, from byte 1
        {Result(KeyFunctionKind::kSingleKey, {114}), 0, u""},
        {disabled, 1, u""},
        {Result(KeyFunctionKind::kDefault), 0, u""},
        {reset, 0, u""},
        {folder, 1, u"/srv"},
        {Result(KeyFunctionKind::kCleared), 1, u"/song.mp3"}, // changes nothing
    };
    for (const auto& [result, mark, path] : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << int(result.kind) << ", count " << result.count);
        AssignmentResult music = Result(KeyFunctionKind::kPlayMusic);
        music.launchPath = u"/song.mp3";
        AssignKey(*state, music, codes, *macros);
        AssignKey(*state, result, codes, *macros);
        KeyMarks restarted;
        RecomputeKeyMarks(state->image, state->records, restarted);
        EXPECT_EQ(state->marks[kF3Slot], mark);
        EXPECT_EQ(restarted[kF3Slot], mark);
        EXPECT_EQ(Record().LaunchPath(), path);
    }
}

TEST_F(ApplyKeyAssignmentTest, MacroWritesRecordEntryAndRefreshesTheSlots)
{
    for (const char16_t* name : {u"first", u"second", u"third", u"fourth"})
        (*macros)[macros->CountInUse()].SetName(name);
    (*macros)[0].SetRepeatCount(5);
    (*macros)[0].DeviceEvents()[0] = 0x01;
    (*macros)[0].DeviceEvents()[1] = 0x04;
    AssignmentResult r = Result(KeyFunctionKind::kMacro);
    r.macroNumber = 3;
    Apply(r);
    EXPECT_EQ(Record()[1], 2);
    EXPECT_EQ(Record()[2], 4);
    EXPECT_EQ(Record()[3], 1);
    EXPECT_EQ(Record()[4], 3);
    EXPECT_EQ(Record()[5], 0);
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x04, 0x01, 0x03, 0x00}));
    EXPECT_EQ(state->marks[kF3Slot], 1);
    const std::uint8_t* slot0 = state->image.MacroSlot(0);
    EXPECT_EQ(slot0[0], 0x00);
    EXPECT_EQ(slot0[1], 0x05);
    EXPECT_EQ(slot0[3], 0x04);
}

TEST_F(ApplyKeyAssignmentTest, MacroWithoutADeviceSlotIsRefused)
{
    struct Case
    {
        std::size_t macros; // in the store
        std::int32_t number;
        bool accepted;
    };
    const Case cases[] = {
        {2, 1, true},    {2, 2, false},   {0, 0, false},    {40, 31, true},
        {40, 32, false}, {40, 38, false}, {40, 255, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.macros) + " macros, number " + std::to_string(c.number));
        state = std::make_unique<SettingsState>();
        macros = std::make_unique<MacroStore>();
        SetUp();
        for (std::size_t i = 0; i < c.macros; ++i)
            (*macros)[i].SetName(u"m");
        AssignKey(*state, Result(KeyFunctionKind::kCombination, {kLCtrl, kA}), codes, *macros);
        SetKeyEnabledAfterAssignment(*state, kF3Slot, false);
        const auto before = std::make_unique<SettingsState>(*state);
        AssignmentResult r = Result(KeyFunctionKind::kMacro);
        r.macroNumber = c.number;
        AssignKey(*state, r, codes, *macros);
        if (c.accepted) {
            EXPECT_EQ(Entry(), MacroEntry(static_cast<std::uint8_t>(c.number)));
            EXPECT_EQ(Record()[rec::kKind], 2);
            EXPECT_TRUE(IsKeyEnabled(state->image, 29));
            continue;
        }
        // The key keeps its combination, its mark and its disabled state.
        EXPECT_EQ(state->records, before->records);
        EXPECT_EQ(state->image, before->image);
        EXPECT_EQ(state->marks, before->marks);
        ApplyKeyAssignment(*state, r, codes, *macros);
        EXPECT_EQ(state->records, before->records);
        EXPECT_EQ(state->image, before->image);
    }
}

TEST_F(ApplyKeyAssignmentTest, MacroWithoutNumberChangesOnlyTheRecord)
{
    (*macros)[0].SetName(u"first");
    AssignmentResult r = Result(KeyFunctionKind::kMacro);
    r.macroNumber = -1;
    Apply(r);
    EXPECT_EQ(Record()[rec::kKind], 2);
    EXPECT_EQ(Entry(), DefaultDeviceKeyTable()[29]);
    EXPECT_EQ(state->marks[kF3Slot], 1) << "its record holds a function";
    EXPECT_EQ(state->image.MacroSlot(0)[1], 0) << "slots are not derived";
}

TEST_F(ApplyKeyAssignmentTest, NamedFunctionByName)
{
    AssignmentResult r = Result(KeyFunctionKind::kNamedFunction);
    r.functionName = "Media Player";
    Apply(r);
    EXPECT_EQ(Record()[1], 3);
    EXPECT_EQ(Record()[2], 0x03);
    EXPECT_EQ(Record()[3], 0x00);
    EXPECT_EQ(Record()[4], 0x83);
    EXPECT_EQ(Record()[5], 0x01);
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x03, 0x00, 0x83, 0x01}));
    EXPECT_EQ(state->marks[kF3Slot], 1);
}

TEST_F(ApplyKeyAssignmentTest, UnknownFunctionNameKeepsOldBytes)
{
    AssignmentResult r = Result(KeyFunctionKind::kNamedFunction);
    r.functionName = "Copy";
    Apply(r);
    r.functionName = "Shortcut";
    Apply(r);
    EXPECT_EQ(Record()[rec::kKind], 3);
    EXPECT_EQ(Record()[3], 0xE0);
    EXPECT_EQ(Record()[4], 0x06);
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0xE0, 0x06, 0x00}));
}

TEST_F(ApplyKeyAssignmentTest, LaunchKindsUseTheHostActionForm)
{
    for (KeyFunctionKind kind : {KeyFunctionKind::kPlayMusic, KeyFunctionKind::kStartProgram,
                                 KeyFunctionKind::kOpenFile, KeyFunctionKind::kOpenFolder}) {
        state->records[kF3Slot][rec::kKeyCode] = 0; // restamped whatever it held
        AssignmentResult r = Result(kind);
        r.launchPath = u"/home/user/music/song.mp3";
        Apply(r);
        EXPECT_EQ(Entry(), (DeviceKeyEntry{0x0A, 0x00, 114, 0x00}));
        EXPECT_EQ(Record()[rec::kKeyCode], 114);
        EXPECT_EQ(Record()[rec::kKind], static_cast<std::uint8_t>(kind));
        EXPECT_EQ(Record()[2], 0x03);
        EXPECT_EQ(Record()[4], 0x23);
        EXPECT_EQ(Record()[5], 0x02);
        EXPECT_EQ(Record().LaunchPath(), u"/home/user/music/song.mp3");
        EXPECT_EQ(state->marks[kF3Slot], 1);
    }
}

TEST_F(ApplyKeyAssignmentTest, ResetWinsOverAnyKindAndEnablesTheKey)
{
    Apply(Result(KeyFunctionKind::kCombination, {kLCtrl, kA}));
    AssignmentResult r = Result(KeyFunctionKind::kNamedFunction);
    r.functionName = "Copy";
    r.count = kResetRequest;
    r.keyEnabled = false;
    EXPECT_TRUE(Apply(r));
    EXPECT_EQ(Record()[rec::kKind], 0);
    EXPECT_EQ(Record()[rec::kCount], 0);
    EXPECT_EQ(Record()[rec::kData], 0);
    EXPECT_EQ(Record()[rec::kData + 1], 0);
    EXPECT_EQ(Record()[rec::kKeyCode], 114);
    EXPECT_EQ(Entry(), (DeviceKeyEntry{0x00, 0x00, 0x3C, 0x00}));
}

TEST_F(ApplyKeyAssignmentTest, ResetOnADisabledKeyEnablesIt)
{
    AssignmentResult disable = Result(KeyFunctionKind::kDefault);
    disable.keyEnabled = false;
    AssignKey(*state, disable, codes, *macros);
    EXPECT_FALSE(IsKeyEnabled(state->image, 29));
    EXPECT_EQ(state->marks[kF3Slot], 1);
    AssignmentResult reset = Result(KeyFunctionKind::kDefault);
    reset.count = kResetRequest;
    reset.keyEnabled = false;
    AssignKey(*state, reset, codes, *macros);
    EXPECT_TRUE(IsKeyEnabled(state->image, 29));
    EXPECT_EQ(state->marks[kF3Slot], 0);
}

TEST_F(ApplyKeyAssignmentTest, DefaultRestoresTheFactoryEntryEvenForSpecialKeys)
{
    // Volume down (slot 16), backslash (54) and Fn (100) do not ship with their plain usage;
    // giving them back their own function must give back what they shipped with.
    for (std::uint8_t slot : {16, 17, 54, 100, 101}) {
        Apply(Result(KeyFunctionKind::kCombination, {kLCtrl, kA}, slot));
        Apply(Result(KeyFunctionKind::kDefault, {}, slot));
        EXPECT_EQ(Entry(slot), DefaultDeviceKeyTable()[DeviceKeyIndex(slot)]) << int(slot);
        EXPECT_EQ(Record(slot)[rec::kKind], 0);
        AssignmentResult reset = Result(KeyFunctionKind::kCombination, {kLCtrl, kA}, slot);
        Apply(reset);
        reset.count = kResetRequest;
        Apply(reset);
        EXPECT_EQ(Entry(slot), DefaultDeviceKeyTable()[DeviceKeyIndex(slot)]) << int(slot);
    }
}

TEST_F(ApplyKeyAssignmentTest, ClearedKindAndSlotsOutsideTheLayoutChangeNothing)
{
    Apply(Result(KeyFunctionKind::kCombination, {kLCtrl, kA}));
    const auto before = std::make_unique<SettingsState>(*state);
    Apply(Result(KeyFunctionKind::kCleared, {'B'}));
    EXPECT_EQ(state->records, before->records);
    EXPECT_EQ(state->image, before->image);
    AssignKey(*state, Result(KeyFunctionKind::kSingleKey, {'B'}, 108), codes, *macros);
    AssignKey(*state, Result(KeyFunctionKind::kSingleKey, {'B'}, 255), codes, *macros);
    EXPECT_EQ(state->records, before->records);
    EXPECT_EQ(state->image, before->image);
    EXPECT_EQ(state->marks, before->marks);
}

TEST_F(ApplyKeyAssignmentTest, AssignKeyClearsTheOldMarkAndSetsTheEnableBit)
{
    AssignKey(*state, Result(KeyFunctionKind::kCombination, {kLCtrl, kA}), codes, *macros);
    EXPECT_EQ(state->marks[kF3Slot], 1);
    AssignmentResult disabled = Result(KeyFunctionKind::kSingleKey, {114});
    disabled.keyEnabled = false;
    AssignKey(*state, disabled, codes, *macros);
    EXPECT_EQ(state->marks[kF3Slot], 1) << "a disabled key is marked";
    EXPECT_FALSE(IsKeyEnabled(state->image, 29));
    AssignKey(*state, Result(KeyFunctionKind::kSingleKey, {114}), codes, *macros);
    EXPECT_EQ(state->marks[kF3Slot], 0);
    EXPECT_TRUE(IsKeyEnabled(state->image, 29));
    EXPECT_TRUE(IsKeyEnabled(state->image, 28));
}

} // namespace
} // namespace corvane
