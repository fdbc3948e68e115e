#include "format/KeyEnableMap.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvane {
namespace {

TEST(KeyEnableMap, SixBitsPerByte)
{
    auto image = std::make_unique<SettingsImage>();
    SetKeyEnabled(*image, 6, true); // the left Windows key: byte 1, bit 0
    EXPECT_EQ((*image)[img::kKeyEnableMap + 1], 0x01);
    SetKeyEnabled(*image, 5, true);
    EXPECT_EQ((*image)[img::kKeyEnableMap], 0x20);
    SetKeyEnabled(*image, 125, true);
    EXPECT_EQ((*image)[img::kKeyEnableMap + 20], 0x20);
    SetKeyEnabled(*image, 60, true);
    EXPECT_EQ((*image)[img::kKeyEnableMap + 10], 0x01);
}

TEST(KeyEnableMap, ClearingOneKeyLeavesItsNeighboursAndUnusedBits)
{
    auto image = std::make_unique<SettingsImage>();
    for (std::size_t i = 0; i < img::kKeyEnableMapSize; ++i)
        (*image)[img::kKeyEnableMap + i] = 0xFF;
    SetKeyEnabled(*image, 14, false);
    EXPECT_EQ((*image)[img::kKeyEnableMap + 2], 0xFB);
    EXPECT_FALSE(IsKeyEnabled(*image, 14));
    EXPECT_TRUE(IsKeyEnabled(*image, 13));
    EXPECT_TRUE(IsKeyEnabled(*image, 15));
    SetKeyEnabled(*image, 14, true);
    EXPECT_EQ((*image)[img::kKeyEnableMap + 2], 0xFF);
}

TEST(KeyEnableMap, IndexesBeyondTheMapTouchNothing)
{
    auto image = std::make_unique<SettingsImage>();
    auto before = *image;
    SetKeyEnabled(*image, 126, true);
    SetKeyEnabled(*image, 127, false);
    EXPECT_EQ(*image, before);
    EXPECT_TRUE(IsKeyEnabled(*image, 127));
}

} // namespace
} // namespace corvane
