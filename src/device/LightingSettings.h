#pragma once
// The lighting and performance settings as named values over the settings image. Every rule about
// what a lighting mode shows or how a control changes a field lives here, so the windows, the
// command line and the tools read and write the image only through these names.

#include "format/SettingsImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace corvane {

// Stored in the direction field.
enum class Direction : std::uint8_t {
    kLeft = 1,
    kRight = 2,
    kTop = 3,
    kBottom = 4,
};

// The colour slot of the multi-colour square, which has no palette entry.
inline constexpr std::uint8_t kMultiColourSlot = 8;

// Modes above this colour the keys from a custom light map; this mode itself shows the palette
// but no speed.
inline constexpr std::uint8_t kLastPaletteMode = 50;

// Modes 51 and above are the custom lighting profiles.
constexpr bool IsCustomProfile(std::uint8_t mode)
{
    return mode > kLastPaletteMode;
}
// The speed slider belongs to the animated effects below the custom profiles.
constexpr bool ShowsSpeed(std::uint8_t mode)
{
    return mode != kModeStatic && mode < kLastPaletteMode;
}
// Wave and Spectrum run through every colour: the palette does not apply.
constexpr bool UsesAllColours(std::uint8_t mode)
{
    return mode == kModeWave || mode == kModeSpectrum;
}
// Only the moving effects have a direction.
constexpr bool ShowsDirection(std::uint8_t mode)
{
    return mode == kModeWave || mode == kModeRadar;
}
// The custom light map a mode selects: 51-55 name maps 0-4, every other value none.
std::optional<std::size_t> CustomLightMapOf(std::uint8_t mode);

// The four sliders of the panel and the field each stands for.
enum class SliderField : std::uint8_t {
    kSpeed,
    kBrightness,
    kReportRate,
    kResponseTime,
};
// Where a slider stands for what the image holds: every field holds its slider's position (the
// keyboard's response time is one more, added when it is sent).
int SliderPositionOf(const SettingsImage& image, SliderField field);
// The paint step's capture of a slider: its position becomes the field's byte, as it is.
void StoreSliderPosition(SettingsImage& image, SliderField field, int position);

// Settings the user changes with the keyboard's own lighting keys, by their wire sub-type.
enum class KeyboardSetting : std::uint8_t {
    kMode = 2,
    kSpeed = 3,
    kBrightness = 4,
    kColour = 5,
    kDirection = 6,
};
// Stores a keyboard-side change in image and shadow alike (so it is not sent back on the next
// apply); the slider that follows it, if any. Other sub-types change nothing.
std::optional<SliderField> ApplyKeyboardSetting(SettingsImage& image, SettingsShadow& shadow,
                                                KeyboardSetting setting, std::uint8_t value);

// What a click on a colour square did.
enum class ColourSquareAnswer : std::uint8_t {
    kSelected,
    kNoSquare,       // not a square
    kCustomProfile,  // the keys are coloured one by one: no square applies
    kAllColoursOnly, // the mode runs through every colour: only the multi-colour square
    kNoMultiColour,  // a static lighting has one colour
};

// Reading the settings.
class LightingView
{
public:
    explicit LightingView(const SettingsImage& image) : image_(&image) {}

    std::uint8_t Mode() const { return (*image_)[img::kLightingMode]; }
    std::uint8_t Speed() const { return (*image_)[img::kSpeed]; }
    std::uint8_t Brightness() const { return (*image_)[img::kBrightness]; }
    std::uint8_t ColourSlot() const { return (*image_)[img::kColour]; }
    // Nothing for a value outside 1-4.
    std::optional<Direction> GetDirection() const;
    std::uint8_t DirectionValue() const { return (*image_)[img::kDirection]; }
    std::uint8_t GameModeValue() const { return (*image_)[img::kGameMode]; }
    bool GameMode() const { return GameModeValue() != 0; }
    std::uint8_t WindowsKeyLockValue() const { return (*image_)[img::kWindowsKeyLock]; }
    bool WindowsKeyLocked() const { return WindowsKeyLockValue() != 0; }
    std::uint8_t ReportRate() const { return (*image_)[img::kReportRate]; }
    // The slider position 0-9; the keyboard's value is one more.
    std::uint8_t ResponseTime() const { return (*image_)[img::kResponseTime]; }
    // Palette entry 0-6 as 0x00BBGGRR.
    std::uint32_t PaletteColour(std::size_t entry) const;
    bool IsCustomProfile() const { return corvane::IsCustomProfile(Mode()); }
    // The colour slot the squares show: clamped into 1-8, and the multi-colour slot while the
    // mode runs through every colour.
    std::uint8_t SettledColourSlot() const;
    // The map the mode selects, or null when it selects none.
    const std::uint8_t* ActiveLightMap() const;
    // A key's colour in a light map, 0x00BBGGRR.
    static std::uint32_t KeyColour(const std::uint8_t* map, std::size_t deviceIndex);

protected:
    const SettingsImage* image_;
};

// Changing them, as the panel's controls do.
class LightingSettings : public LightingView
{
public:
    explicit LightingSettings(SettingsImage& image) : LightingView(image), edit_(&image) {}

    void SetMode(std::uint8_t mode) { (*edit_)[img::kLightingMode] = mode; }
    void SetColourSlot(std::uint8_t slot) { (*edit_)[img::kColour] = slot; }
    void SetDirection(Direction direction)
    {
        (*edit_)[img::kDirection] = static_cast<std::uint8_t>(direction);
    }
    // A switch turns on when bit 0 was clear, else off.
    void ToggleGameMode();
    void ToggleWindowsKeyLock();
    void SetPaletteColour(std::size_t entry, std::uint32_t bgr);
    std::uint8_t* ActiveLightMap();
    static void SetKeyColour(std::uint8_t* map, std::size_t deviceIndex, std::uint32_t bgr);

    // Stores SettledColourSlot() before the squares are shown. Returns the slot.
    std::uint8_t SettleColourSlot();
    // A row of the effect list chosen: the mode, and the colour slot the effect can show. True
    // when the effect is a custom profile, whose per-key colours are then shown.
    bool ChooseEffect(std::uint8_t code);
    // A click on colour square 0-6 opens the colour dialog when that square is already selected.
    bool ColourSquareOpensDialog(int square) const;
    // A click on colour square 0-7 (7 the multi-colour square) selects it where the mode allows;
    // the answer says why it did not.
    ColourSquareAnswer ClickColourSquare(int square);

private:
    SettingsImage* edit_;
};

} // namespace corvane
