#include "device/KeyMarks.h"
#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "store/SettingsFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvane {
namespace {

// A keyboard as it leaves the factory: factory key table, every key enabled, plain records.
std::unique_ptr<SettingsState> FactoryState()
{
    auto state = std::make_unique<SettingsState>();
    for (std::size_t k = 0; k < 128; ++k)
        std::copy_n(DefaultDeviceKeyTable()[k].begin(), 4, state->image.DeviceKeyEntry(k));
    for (std::size_t i = 0; i < img::kKeyEnableMapSize; ++i)
        state->image[img::kKeyEnableMap + i] = 0xFF;
    RestampDefaultKeyOrder(state->records);
    return state;
}

TEST(KeyMarks, AFactoryKeyboardHasNoMarks)
{
    auto state = FactoryState();
    state->marks[3] = 1;
    ComputeKeyMarks(state->image, state->records, state->marks);
    for (std::size_t p = 0; p < kMarkedPositionCount; ++p)
        EXPECT_EQ(state->marks[p], 0) << p;
}

TEST(KeyMarks, EachReasonMarksTheKey)
{
    auto state = FactoryState();
    state->image.DeviceKeyEntry(DeviceKeyIndex(5))[2] = 0x04; // entry usage changed
    state->image.DeviceKeyEntry(DeviceKeyIndex(6))[0] = 0x03; // only the form changed: not compared
    state->records[7][rec::kKind] = 3;                        // host function
    state->records[8][rec::kData] = 'A';                      // a remapped single key
    state->records[8][rec::kCount] = 1;
    state->records[9][rec::kData] = 'A';                    // same, but count 0: not a remap
    SetKeyEnabled(state->image, DeviceKeyIndex(10), false); // disabled
    ComputeKeyMarks(state->image, state->records, state->marks);
    EXPECT_EQ(state->marks[5], 1);
    EXPECT_EQ(state->marks[6], 0);
    EXPECT_EQ(state->marks[7], 1);
    EXPECT_EQ(state->marks[8], 1);
    EXPECT_EQ(state->marks[9], 0);
    EXPECT_EQ(state->marks[10], 1);
    EXPECT_EQ(state->marks[11], 0);
}

TEST(KeyMarks, PositionsAbove107RepeatTheFirstKeysDeviceIndexes)
{
    auto state = FactoryState();
    SetKeyEnabled(state->image, DeviceKeyIndex(2), false);
    state->records[112][rec::kKind] = 5; // a record that belongs to no key
    state->marks[200] = 1;
    ComputeKeyMarks(state->image, state->records, state->marks);
    EXPECT_EQ(state->marks[2], 1);
    EXPECT_EQ(state->marks[110], 1) << "position 110 shares the device index of position 2";
    EXPECT_EQ(state->marks[112], 1);
    EXPECT_EQ(state->marks[111], 0);
    EXPECT_EQ(state->marks[200], 1) << "positions beyond 125 are left alone";
}

TEST(KeyMarks, RecomputeNeverMarksTheFnKey)
{
    auto state = FactoryState();
    state->image.DeviceKeyEntry(60)[2] = 0x65;
    ComputeKeyMarks(state->image, state->records, state->marks);
    EXPECT_EQ(state->marks[100], 1);
    RecomputeKeyMarks(state->image, state->records, state->marks);
    EXPECT_EQ(state->marks[100], 0);
}

} // namespace
} // namespace corvane
