#include "device/LightingSettings.h"

#include <gtest/gtest.h>

#include <memory>

namespace corvane {
namespace {

TEST(LightingModeRules, EachModeShowsWhatItsFamilyShows)
{
    struct Case
    {
        std::uint8_t mode;
        bool custom, speed, allColours, direction;
        std::optional<std::size_t> map;
    };
    const Case cases[] = {
        {kModeStatic, false, false, false, false, std::nullopt},
        {kModeBreathing, false, true, false, false, std::nullopt},
        {kModeWave, false, true, true, true, std::nullopt},
        {kModeSpectrum, false, true, true, false, std::nullopt},
        {kModeRadar, false, true, false, true, std::nullopt},
        {49, false, true, false, false, std::nullopt},
        // The edge: palette still shown, speed no longer.
        {50, false, false, false, false, std::nullopt},
        {51, true, false, false, false, 0},
        {55, true, false, false, false, 4},
        // Beyond the five maps: still a custom profile for the panel, but no map to index.
        {56, true, false, false, false, std::nullopt},
        {255, true, false, false, false, std::nullopt},
        {0, false, true, false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.mode});
        EXPECT_EQ(IsCustomProfile(c.mode), c.custom);
        EXPECT_EQ(ShowsSpeed(c.mode), c.speed);
        EXPECT_EQ(UsesAllColours(c.mode), c.allColours);
        EXPECT_EQ(ShowsDirection(c.mode), c.direction);
        EXPECT_EQ(CustomLightMapOf(c.mode), c.map);
    }
}

TEST(LightingSettings, SlidersReadAndStoreTheirFields)
{
    auto image = std::make_unique<SettingsImage>();
    (*image)[img::kResponseTime] = 5; // the slider position, after a read as after a paint
    (*image)[img::kSpeed] = 7;
    EXPECT_EQ(SliderPositionOf(*image, SliderField::kResponseTime), 5);
    EXPECT_EQ(SliderPositionOf(*image, SliderField::kSpeed), 7);
    StoreSliderPosition(*image, SliderField::kResponseTime, 4);
    StoreSliderPosition(*image, SliderField::kReportRate, 3);
    StoreSliderPosition(*image, SliderField::kBrightness, 50);
    EXPECT_EQ((*image)[img::kResponseTime], 4);
    EXPECT_EQ((*image)[img::kReportRate], 3);
    EXPECT_EQ((*image)[img::kBrightness], 50);
}

TEST(LightingSettings, KeyboardSideChangesReachImageAndShadowAlike)
{
    struct Case
    {
        std::uint8_t subType, value;
        std::size_t offset;
        std::uint8_t stored;
        std::optional<SliderField> slider;
    };
    const Case cases[] = {
        {2, 13, img::kLightingMode, 13, std::nullopt},
        {3, 3, img::kSpeed, 7, SliderField::kSpeed}, // the keyboard counts speed the other way
        {4, 40, img::kBrightness, 40, SliderField::kBrightness},
        {5, 8, img::kColour, 8, std::nullopt},
        {6, 2, img::kDirection, 2, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.subType});
        auto image = std::make_unique<SettingsImage>();
        auto shadow = std::make_unique<SettingsShadow>();
        EXPECT_EQ(ApplyKeyboardSetting(*image, *shadow, static_cast<KeyboardSetting>(c.subType), c.value),
                  c.slider);
        EXPECT_EQ((*image)[c.offset], c.stored);
        EXPECT_EQ((*shadow)[c.offset], c.stored);
    }
    auto image = std::make_unique<SettingsImage>();
    auto shadow = std::make_unique<SettingsShadow>();
    EXPECT_EQ(ApplyKeyboardSetting(*image, *shadow, static_cast<KeyboardSetting>(7), 9), std::nullopt);
    EXPECT_EQ(*image, SettingsImage{});
    EXPECT_EQ(*shadow, SettingsShadow{});
}

TEST(LightingSettings, ChoosingAnEffectFixesTheColourSlot)
{
    struct Case
    {
        std::uint8_t slotBefore, code, slotAfter;
        bool custom;
    };
    const Case cases[] = {
        {8, kModeStatic, 1, false},   {3, kModeStatic, 3, false},    {2, kModeWave, 8, false},
        {2, kModeSpectrum, 8, false}, {8, kModeBreathing, 8, false}, {4, 53, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.code});
        auto image = std::make_unique<SettingsImage>();
        LightingSettings lighting(*image);
        lighting.SetColourSlot(c.slotBefore);
        EXPECT_EQ(lighting.ChooseEffect(c.code), c.custom);
        EXPECT_EQ(lighting.Mode(), c.code);
        EXPECT_EQ(lighting.ColourSlot(), c.slotAfter);
    }
}

TEST(LightingSettings, ColourSquaresSelectOpenAndSettleByMode)
{
    struct Case
    {
        std::uint8_t mode, slotBefore;
        int square;
        bool opensDialog;
        std::uint8_t slotAfter;
    };
    const Case cases[] = {
        {kModeBreathing, 3, 2, true, 3},  // the selected square opens the dialog
        {kModeBreathing, 3, 4, false, 5}, // another square only selects
        {kModeBreathing, 3, 7, false, 8}, // multi-colour
        {kModeStatic, 3, 7, false, 3},    // Static has no multi-colour square
        {kModeWave, 8, 0, false, 8},      // all-colour modes take only the multi-colour square
        {kModeSpectrum, 8, 7, false, 8},  {52, 2, 1, false, 2}, // custom profiles ignore the squares
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int{c.mode} << "/" << c.square);
        auto image = std::make_unique<SettingsImage>();
        LightingSettings lighting(*image);
        lighting.SetMode(c.mode);
        lighting.SetColourSlot(c.slotBefore);
        EXPECT_EQ(lighting.ColourSquareOpensDialog(c.square), c.opensDialog);
        lighting.ClickColourSquare(c.square);
        EXPECT_EQ(lighting.ColourSlot(), c.slotAfter);
    }

    const std::pair<std::uint8_t, std::uint8_t> settles[] = {{0, 1}, {9, 8}, {200, 8}, {4, 4}};
    for (const auto& [before, after] : settles) {
        auto image = std::make_unique<SettingsImage>();
        LightingSettings lighting(*image);
        lighting.SetMode(kModeBreathing);
        lighting.SetColourSlot(before);
        // Reading what the squares show leaves the field alone; settling stores it.
        EXPECT_EQ(lighting.SettledColourSlot(), after);
        EXPECT_EQ(lighting.ColourSlot(), before);
        EXPECT_EQ(lighting.SettleColourSlot(), after);
        EXPECT_EQ(lighting.ColourSlot(), after);
        lighting.SetMode(kModeWave);
        EXPECT_EQ(lighting.SettleColourSlot(), kMultiColourSlot);
    }
}

TEST(LightingSettings, ColoursAndSwitchesRoundTrip)
{
    auto image = std::make_unique<SettingsImage>();
    LightingSettings lighting(*image);
    lighting.SetPaletteColour(6, 0x00332211);
    EXPECT_EQ(image->PaletteEntry(6)[0], 0x11); // red first in the image
    EXPECT_EQ(image->PaletteEntry(6)[2], 0x33);
    EXPECT_EQ(lighting.PaletteColour(6), 0x00332211u);

    EXPECT_EQ(lighting.ActiveLightMap(), nullptr);
    lighting.SetMode(55);
    std::uint8_t* map = lighting.ActiveLightMap();
    ASSERT_EQ(map, image->CustomLightMap(4));
    LightingSettings::SetKeyColour(map, 127, 0x00CCBBAA);
    EXPECT_EQ(map[4 * 127], 0); // the byte before the colour is not used
    EXPECT_EQ(map[4 * 127 + 1], 0xAA);
    EXPECT_EQ(LightingView::KeyColour(map, 127), 0x00CCBBAAu);

    const std::pair<std::uint8_t, std::uint8_t> toggles[] = {{0, 1}, {1, 0}, {2, 1}, {3, 0}};
    for (const auto& [before, after] : toggles) {
        (*image)[img::kGameMode] = before;
        (*image)[img::kWindowsKeyLock] = before;
        lighting.ToggleGameMode();
        lighting.ToggleWindowsKeyLock();
        EXPECT_EQ(lighting.GameModeValue(), after);
        EXPECT_EQ(lighting.WindowsKeyLockValue(), after);
    }

    (*image)[img::kDirection] = 0;
    EXPECT_EQ(lighting.GetDirection(), std::nullopt);
    lighting.SetDirection(Direction::kBottom);
    EXPECT_EQ((*image)[img::kDirection], 4);
    EXPECT_EQ(lighting.GetDirection(), Direction::kBottom);
}

} // namespace
} // namespace corvane
