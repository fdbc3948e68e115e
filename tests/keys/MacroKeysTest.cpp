// Deleting macros in the macro dialog, as the main window carries it over to the keys and the
// device slots after OK: which keys lose their macro, which follow it to its new number, and
// which slots Apply must clear on the keyboard.

#include "keys/MacroKeys.h"

#include "FactoryKeys.h"

#include "format/DeviceKeyEntry.h"
#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "keys/ApplyKeyAssignment.h"
#include "macros/MacroStore.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace corvane {
namespace {

constexpr std::uint8_t kQ = 42, kW = 43, kE = 44, kR = 45;
constexpr int kOwn = -1;      // the key's own function
constexpr int kCleared = -1;  // a slot of all zero bytes
constexpr int kNewMacro = -2; // a slot holding a macro made in the dialog
constexpr std::uint8_t kUntouched = 0xEE;

enum class Op { kDelete, kNew };
struct Edit
{
    Op op;
    std::size_t index;
};
enum class Via { kDialog, kDisabled, kEntryOnly };
struct KeyOn
{
    std::uint8_t slot;
    int macro;
    Via via = Via::kDialog;
};
struct KeyAfter
{
    std::uint8_t slot;
    int macro; // kOwn: the key's own function
};
struct SlotAfter
{
    std::size_t slot;
    int origin; // the macro number it had when the dialog opened, kCleared or kNewMacro
};
struct Case
{
    const char* name;
    std::size_t macros;
    std::vector<KeyOn> keys;
    std::vector<Edit> edits;
    std::vector<KeyAfter> after;
    std::vector<SlotAfter> slots;
};

class MacroKeysTest : public ::testing::Test
{
protected:
    void SetUp() override { testing::SetFactoryKeys(*state); }

    // Macro i plays one key and repeats 100 + i times, so every slot tells which macro it holds.
    void FillStore(std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            (*store)[i].SetName(u"M" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)));
            (*store)[i].SetRepeatCount(static_cast<std::uint16_t>(100 + i));
            (*store)[i].DeviceEvents()[0] = 0x01;
            (*store)[i].DeviceEvents()[1] = 0x04;
        }
        DeriveMacroSlots(*store, state->image);
        for (std::size_t i = count; i < img::kMacroSlotCount; ++i)
            std::fill_n(state->image.MacroSlot(i), img::kMacroSlotSize, kUntouched);
    }

    void Assign(const KeyOn& key)
    {
        if (key.via == Via::kEntryOnly) {
            PutDeviceKeyEntry(state->image, DeviceKeyIndex(key.slot),
                              MacroEntry(static_cast<std::uint8_t>(key.macro)));
            return;
        }
        AssignmentResult r;
        r.selectedKeySlot = key.slot;
        r.selectedKeyCode = DefaultKeyOrder[key.slot];
        // A key that launched a program before keeps the path in its record behind the macro.
        r.kind = KeyFunctionKind::kStartProgram;
        r.launchPath = u"/usr/bin/true";
        AssignKey(*state, r, StandardKeyCodeTable(), *store);
        r.kind = KeyFunctionKind::kMacro;
        r.macroNumber = key.macro;
        r.keyEnabled = key.via != Via::kDisabled;
        AssignKey(*state, r, StandardKeyCodeTable(), *store);
    }

    void Run(const Case& c)
    {
        FillStore(c.macros);
        for (const KeyOn& key : c.keys)
            Assign(key);
        const auto before = std::make_unique<SettingsState>(*state);
        MacroNumbering numbering(store->CountInUse());
        for (const Edit& edit : c.edits) {
            if (edit.op == Op::kDelete) {
                ASSERT_TRUE(DeleteRecord(*store, edit.index));
                numbering.Deleted(edit.index);
            } else {
                InsertEmptyRecord(*store, edit.index);
                (*store)[edit.index].SetName(u"new");
                (*store)[edit.index].SetRepeatCount(1);
                numbering.Inserted(edit.index);
            }
        }

        ApplyMacroEdits(*state, *store, numbering);

        for (const KeyAfter& key : c.after) {
            SCOPED_TRACE(int(key.slot));
            const std::size_t k = DeviceKeyIndex(key.slot);
            const KeyRecord& r = state->records[key.slot];
            if (key.macro == kOwn) {
                KeyRecord fresh;
                fresh[rec::kKeyCode] = DefaultKeyOrder[key.slot];
                EXPECT_EQ(r, fresh);
                EXPECT_EQ(GetDeviceKeyEntry(state->image, k), DefaultDeviceKeyTable()[k]);
                EXPECT_EQ(state->marks[key.slot], 0);
                EXPECT_TRUE(IsKeyEnabled(state->image, k));
                continue;
            }
            const auto n = static_cast<std::uint8_t>(key.macro);
            EXPECT_EQ(GetDeviceKeyEntry(state->image, k), MacroEntry(n));
            const KeyRecord& old = before->records[key.slot];
            if (old.Kind() == KeyFunctionKind::kMacro) {
                EXPECT_EQ(r.Kind(), KeyFunctionKind::kMacro);
                EXPECT_EQ(r.Data()[2], n);
            } else {
                EXPECT_EQ(r, old) << "a record that plays no macro stays as it was";
            }
            EXPECT_EQ(state->marks[key.slot], before->marks[key.slot]);
            EXPECT_EQ(IsKeyEnabled(state->image, k), IsKeyEnabled(before->image, k));
        }
        // Keys the table does not name are left alone.
        for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
            bool named = false;
            for (const KeyAfter& key : c.after)
                named = named || key.slot == slot;
            if (named) continue;
            EXPECT_EQ(state->records[slot], before->records[slot]) << slot;
            EXPECT_EQ(GetDeviceKeyEntry(state->image, DeviceKeyIndex(slot)),
                      GetDeviceKeyEntry(before->image, DeviceKeyIndex(slot)))
                << slot;
        }
        for (std::size_t i = 0; i < img::kMacroSlotCount; ++i) {
            SCOPED_TRACE("slot " + std::to_string(i));
            const std::uint8_t* slot = state->image.MacroSlot(i);
            const SlotAfter* expected = nullptr;
            for (const SlotAfter& s : c.slots)
                if (s.slot == i) expected = &s;
            if (expected == nullptr) {
                EXPECT_TRUE(std::equal(slot, slot + img::kMacroSlotSize, before->image.MacroSlot(i)));
            } else if (expected->origin == kCleared) {
                EXPECT_TRUE(
                    std::all_of(slot, slot + img::kMacroSlotSize, [](std::uint8_t b) { return b == 0; }));
            } else {
                const int count = expected->origin == kNewMacro ? 1 : 100 + expected->origin;
                EXPECT_EQ(slot[0] << 8 | slot[1], count);
            }
        }
    }

    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<MacroStore> store = std::make_unique<MacroStore>();
};

TEST_F(MacroKeysTest, DeletedMacrosGiveKeysTheirOwnFunctionAndLaterOnesFollowTheirNumbers)
{
    // With more macros than slots every slot takes the macro behind it.
    std::vector<SlotAfter> shifted;
    for (std::size_t i = 0; i < img::kMacroSlotCount; ++i)
        shifted.push_back({i, static_cast<int>(i) + 1});
    const Case cases[] = {
        {"delete the middle one",
         3,
         {{kQ, 0}, {kW, 1}, {kE, 2}, {kR, 1, Via::kDisabled}},
         {{Op::kDelete, 1}},
         {{kQ, 0}, {kW, kOwn}, {kE, 1}, {kR, kOwn}},
         {{0, 0}, {1, 2}, {2, kCleared}}},
        {"delete the first one",
         3,
         {{kQ, 0}, {kW, 1}, {kE, 2}},
         {{Op::kDelete, 0}},
         {{kQ, kOwn}, {kW, 0}, {kE, 1}},
         {{0, 1}, {1, 2}, {2, kCleared}}},
        {"delete the last one",
         3,
         {{kQ, 0}, {kE, 2}},
         {{Op::kDelete, 2}},
         {{kQ, 0}, {kE, kOwn}},
         {{0, 0}, {1, 1}, {2, kCleared}}},
        {"delete the only one", 1, {{kQ, 0}}, {{Op::kDelete, 0}}, {{kQ, kOwn}}, {{0, kCleared}}},
        {"delete two in a row",
         4,
         {{kQ, 0}, {kW, 1}, {kE, 2}, {kR, 3}},
         {{Op::kDelete, 1}, {Op::kDelete, 1}},
         {{kQ, 0}, {kW, kOwn}, {kE, kOwn}, {kR, 1}},
         {{0, 0}, {1, 3}, {2, kCleared}, {3, kCleared}}},
        {"a new macro, then a deletion",
         3,
         {{kQ, 0}, {kW, 2}},
         {{Op::kNew, 3}, {Op::kDelete, 0}},
         {{kQ, kOwn}, {kW, 1}},
         {{0, 1}, {1, 2}, {2, kNewMacro}}},
        {"keys the keyboard alone plays a macro on",
         3,
         {{kW, 1, Via::kEntryOnly}, {kE, 2, Via::kEntryOnly}},
         {{Op::kDelete, 1}},
         {{kW, kOwn}, {kE, 1}},
         {{0, 0}, {1, 2}, {2, kCleared}}},
        {"no deletion", 3, {{kQ, 1}, {kW, 2}}, {}, {{kQ, 1}, {kW, 2}}, {{0, 0}, {1, 1}, {2, 2}}},
        {"more macros than slots",
         34,
         {{kQ, 31}, {kW, 0}},
         {{Op::kDelete, 0}},
         {{kQ, 30}, {kW, kOwn}},
         shifted},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state = std::make_unique<SettingsState>();
        store = std::make_unique<MacroStore>();
        SetUp();
        Run(c);
    }
}

} // namespace
} // namespace corvane
