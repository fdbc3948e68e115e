#include "format/KeyLayout.h"
#include "format/KeyCodeTable.h"

#include <gtest/gtest.h>

#include <set>

namespace corvane {
namespace {

TEST(KeyLayout, EveryPositionHasItsOwnDeviceIndexBelow126)
{
    std::set<std::size_t> seen;
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        EXPECT_EQ(KeyIndexOffsets[slot] % 4, 0u) << slot;
        EXPECT_LT(DeviceKeyIndex(slot), kFactoryKeyEntryCount) << slot;
        EXPECT_TRUE(seen.insert(DeviceKeyIndex(slot)).second) << "index reused at slot " << slot;
    }
    for (std::size_t unused : {11u, 18u, 48u, 79u})
        EXPECT_EQ(seen.count(unused), 0u) << unused;
}

TEST(KeyLayout, OnlyPositions100And101ShareAKeyCode)
{
    std::multiset<int> codes(DefaultKeyOrder.begin(), DefaultKeyOrder.end());
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        const auto n = codes.count(DefaultKeyOrder[slot]);
        EXPECT_EQ(n, DefaultKeyOrder[slot] == 93 ? 2u : 1u) << slot;
    }
    EXPECT_EQ(DefaultKeyOrder[100], 93);
    EXPECT_EQ(DefaultKeyOrder[101], 93);
}

TEST(KeyLayout, SpotChecksAcrossTheRows)
{
    struct Row
    {
        std::size_t slot;
        int code;
        std::size_t index;
    };
    for (const Row& r : {Row{0, 27, 5}, Row{3, 114, 29}, Row{19, 175, 125}, Row{33, 8, 82}, Row{54, 220, 81},
                         Row{62, 20, 2}, Row{74, 13, 80}, Row{89, 161, 73}, Row{95, 162, 0}, Row{100, 93, 60},
                         Row{101, 93, 66}, Row{107, 110, 114}}) {
        EXPECT_EQ(DefaultKeyOrder[r.slot], r.code) << r.slot;
        EXPECT_EQ(DeviceKeyIndex(r.slot), r.index) << r.slot;
        EXPECT_EQ(KeyIndexOffsets[r.slot], 4 * r.index) << r.slot;
    }
}

TEST(KeyLayout, FactoryTableCarriesEachKeysUsage)
{
    const auto& table = DefaultDeviceKeyTable();
    const KeyCodeTable& codes = StandardKeyCodeTable();
    const std::set<std::size_t> special = {16, 17, 18, 19, 54, 100};
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        if (special.count(slot)) continue;
        const DeviceKeyBytes expected = {0, 0, codes.Usage(DefaultKeyOrder[slot]), 0};
        EXPECT_EQ(table[DeviceKeyIndex(slot)], expected) << slot;
    }
    EXPECT_EQ(table[DeviceKeyIndex(41)], (DeviceKeyBytes{0, 0, 0x2B, 0})); // Tab
}

TEST(KeyLayout, FactoryTableExceptions)
{
    const auto& table = DefaultDeviceKeyTable();
    EXPECT_EQ(table[81], (DeviceKeyBytes{0, 0, 0x31, 0})) << "backslash";
    EXPECT_EQ(table[107], (DeviceKeyBytes{3, 0, 0xEA, 0x00}));
    EXPECT_EQ(table[113], (DeviceKeyBytes{3, 0, 0x83, 0x01}));
    EXPECT_EQ(table[119], (DeviceKeyBytes{3, 0, 0xCD, 0x00}));
    EXPECT_EQ(table[125], (DeviceKeyBytes{3, 0, 0xE9, 0x00}));
    EXPECT_EQ(table[60], (DeviceKeyBytes{2, 0, 0, 0})) << "Fn";
    EXPECT_EQ(table[66], (DeviceKeyBytes{0, 0, 0x65, 0})) << "application key";
    EXPECT_EQ(table[11], (DeviceKeyBytes{0, 0, 0x32, 0}));
    EXPECT_EQ(table[18], (DeviceKeyBytes{0, 0, 0x91, 0}));
    EXPECT_EQ(table[48], (DeviceKeyBytes{0, 0, 0x90, 0}));
    EXPECT_EQ(table[79], (DeviceKeyBytes{0, 0, 0x28, 0}));
    for (std::size_t unused :
         {24u, 36u, 42u, 67u, 72u, 74u, 85u, 86u, 92u, 97u, 98u, 108u, 121u, 123u, 126u, 127u})
        EXPECT_EQ(table[unused], (DeviceKeyBytes{0, 0, 0, 0})) << unused;
}

} // namespace
} // namespace corvane
