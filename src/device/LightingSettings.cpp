#include "device/LightingSettings.h"

namespace corvane {

namespace {

constexpr std::uint8_t kFirstCustomProfile = kLastPaletteMode + 1;

std::size_t FieldOffset(SliderField field)
{
    switch (field) {
    case SliderField::kSpeed:
        return img::kSpeed;
    case SliderField::kBrightness:
        return img::kBrightness;
    case SliderField::kReportRate:
        return img::kReportRate;
    case SliderField::kResponseTime:
        return img::kResponseTime;
    }
    return img::kResponseTime;
}

void StoreBoth(SettingsImage& image, SettingsShadow& shadow, std::size_t offset, std::uint8_t value)
{
    image[offset] = value;
    shadow[offset] = value;
}

} // namespace

std::optional<std::size_t> CustomLightMapOf(std::uint8_t mode)
{
    if (mode < kFirstCustomProfile || mode >= kFirstCustomProfile + img::kCustomLightMapCount)
        return std::nullopt;
    return static_cast<std::size_t>(mode - kFirstCustomProfile);
}

int SliderPositionOf(const SettingsImage& image, SliderField field)
{
    return image[FieldOffset(field)];
}

void StoreSliderPosition(SettingsImage& image, SliderField field, int position)
{
    image[FieldOffset(field)] = static_cast<std::uint8_t>(position);
}

std::optional<SliderField> ApplyKeyboardSetting(SettingsImage& image, SettingsShadow& shadow,
                                                KeyboardSetting setting, std::uint8_t value)
{
    switch (setting) {
    case KeyboardSetting::kMode:
        StoreBoth(image, shadow, img::kLightingMode, value);
        return std::nullopt;
    case KeyboardSetting::kSpeed:
        // The keyboard counts speed the other way round.
        StoreBoth(image, shadow, img::kSpeed, static_cast<std::uint8_t>(10 - value));
        return SliderField::kSpeed;
    case KeyboardSetting::kBrightness:
        StoreBoth(image, shadow, img::kBrightness, value);
        return SliderField::kBrightness;
    case KeyboardSetting::kColour:
        StoreBoth(image, shadow, img::kColour, value);
        return std::nullopt;
    case KeyboardSetting::kDirection:
        StoreBoth(image, shadow, img::kDirection, value);
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Direction> LightingView::GetDirection() const
{
    const std::uint8_t value = DirectionValue();
    if (value < static_cast<std::uint8_t>(Direction::kLeft) ||
        value > static_cast<std::uint8_t>(Direction::kBottom))
        return std::nullopt;
    return static_cast<Direction>(value);
}

std::uint32_t LightingView::PaletteColour(std::size_t entry) const
{
    const std::uint8_t* rgb = image_->PaletteEntry(entry);
    return static_cast<std::uint32_t>(rgb[0] | rgb[1] << 8 | rgb[2] << 16);
}

const std::uint8_t* LightingView::ActiveLightMap() const
{
    const std::optional<std::size_t> map = CustomLightMapOf(Mode());
    return map ? image_->CustomLightMap(*map) : nullptr;
}

std::uint32_t LightingView::KeyColour(const std::uint8_t* map, std::size_t deviceIndex)
{
    const std::uint8_t* rgb = map + 4 * deviceIndex + 1;
    return static_cast<std::uint32_t>(rgb[0] | rgb[1] << 8 | rgb[2] << 16);
}

void LightingSettings::ToggleGameMode()
{
    std::uint8_t& field = (*edit_)[img::kGameMode];
    field = (field & 1) == 0 ? 1 : 0;
}

void LightingSettings::ToggleWindowsKeyLock()
{
    std::uint8_t& field = (*edit_)[img::kWindowsKeyLock];
    field = (field & 1) == 0 ? 1 : 0;
}

void LightingSettings::SetPaletteColour(std::size_t entry, std::uint32_t bgr)
{
    std::uint8_t* rgb = edit_->PaletteEntry(entry);
    rgb[0] = static_cast<std::uint8_t>(bgr & 0xFF);
    rgb[1] = static_cast<std::uint8_t>(bgr >> 8 & 0xFF);
    rgb[2] = static_cast<std::uint8_t>(bgr >> 16 & 0xFF);
}

std::uint8_t* LightingSettings::ActiveLightMap()
{
    const std::optional<std::size_t> map = CustomLightMapOf(Mode());
    return map ? edit_->CustomLightMap(*map) : nullptr;
}

void LightingSettings::SetKeyColour(std::uint8_t* map, std::size_t deviceIndex, std::uint32_t bgr)
{
    std::uint8_t* rgb = map + 4 * deviceIndex + 1;
    rgb[0] = static_cast<std::uint8_t>(bgr & 0xFF);
    rgb[1] = static_cast<std::uint8_t>(bgr >> 8 & 0xFF);
    rgb[2] = static_cast<std::uint8_t>(bgr >> 16 & 0xFF);
}

std::uint8_t LightingView::SettledColourSlot() const
{
    std::uint8_t slot = ColourSlot();
    if (slot == 0) slot = 1;
    if (slot > kMultiColourSlot) slot = kMultiColourSlot;
    if (UsesAllColours(Mode())) slot = kMultiColourSlot;
    return slot;
}

std::uint8_t LightingSettings::SettleColourSlot()
{
    const std::uint8_t slot = SettledColourSlot();
    SetColourSlot(slot);
    return slot;
}

bool LightingSettings::ChooseEffect(std::uint8_t code)
{
    SetMode(code);
    if (code == kModeStatic && ColourSlot() == kMultiColourSlot) SetColourSlot(1);
    if (UsesAllColours(code)) SetColourSlot(kMultiColourSlot);
    return corvane::IsCustomProfile(code);
}

bool LightingSettings::ColourSquareOpensDialog(int square) const
{
    const std::uint8_t mode = Mode();
    if (corvane::IsCustomProfile(mode) || UsesAllColours(mode)) return false;
    return square >= 0 && square < static_cast<int>(img::kPaletteEntries) && ColourSlot() == square + 1;
}

ColourSquareAnswer LightingSettings::ClickColourSquare(int square)
{
    const std::uint8_t mode = Mode();
    const int multi = kMultiColourSlot - 1;
    if (square < 0 || square > multi) return ColourSquareAnswer::kNoSquare;
    if (corvane::IsCustomProfile(mode)) return ColourSquareAnswer::kCustomProfile;
    if (UsesAllColours(mode)) {
        if (square != multi) return ColourSquareAnswer::kAllColoursOnly;
        SetColourSlot(kMultiColourSlot);
        return ColourSquareAnswer::kSelected;
    }
    if (square == multi) {
        if (mode == kModeStatic) return ColourSquareAnswer::kNoMultiColour;
        SetColourSlot(kMultiColourSlot);
        return ColourSquareAnswer::kSelected;
    }
    SetColourSlot(static_cast<std::uint8_t>(square + 1));
    return ColourSquareAnswer::kSelected;
}

} // namespace corvane
