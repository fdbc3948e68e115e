#pragma once
// The keyboard's settings mirrored byte for byte. The same 10060 bytes are the first block of
// keymap.bin and of every profile file, so every offset here is a file format and never moves.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvane {

inline constexpr std::size_t kSettingsImageSize = 10060;

namespace img {
// Offsets into the image, with the size of each field or region.
inline constexpr std::size_t kReportRate = 11;      // 0-3, report-rate slider position
inline constexpr std::size_t kDeviceKeyTable = 792; // 128 entries of 4 bytes
inline constexpr std::size_t kDeviceKeyTableSize = 512;
inline constexpr std::size_t kDeviceKeyEntrySize = 4;
inline constexpr std::size_t kDeviceKeyCount = 128;
inline constexpr std::size_t kMacroSlots = 1304; // 32 slots of 192 bytes
inline constexpr std::size_t kMacroSlotSize = 192;
inline constexpr std::size_t kMacroSlotCount = 32;
inline constexpr std::size_t kMacroSlotsSize = kMacroSlotSize * kMacroSlotCount;
inline constexpr std::size_t kResponseTime = 7449; // 0-9 slider position; the keyboard's value is one more
inline constexpr std::uint8_t kMaxResponseTime = 9;
inline constexpr std::size_t kLightingMode = 7450;
inline constexpr std::size_t kSpeed = 7451;      // 0-9; the keyboard's value is 10 - speed
inline constexpr std::size_t kBrightness = 7452; // 0-50
inline constexpr std::size_t kColour = 7453;     // 1-7 palette entry + 1, 8 multi-colour
inline constexpr std::size_t kDirection = 7454;  // 1 left, 2 right, 3 top, 4 bottom
inline constexpr std::size_t kLightingBlock = kLightingMode;
inline constexpr std::size_t kLightingBlockSize = 5;
inline constexpr std::size_t kPalette = 7455; // 7 x (red, green, blue)
inline constexpr std::size_t kPaletteEntries = 7;
inline constexpr std::size_t kPaletteSize = 21;
inline constexpr std::size_t kGameMode = 7476;
inline constexpr std::size_t kKeyEnableMap = 7477; // six bits per byte
inline constexpr std::size_t kKeyEnableMapSize = 21;
inline constexpr std::size_t kWindowsKeyLock = 7498;
inline constexpr std::size_t kCustomLightMaps = 7499; // 5 maps of 512 bytes
inline constexpr std::size_t kCustomLightMapSize = 512;
inline constexpr std::size_t kCustomLightMapCount = 5;
inline constexpr std::size_t kReserved = 10059;

static_assert(kDeviceKeyTable + kDeviceKeyTableSize == kMacroSlots);
static_assert(kMacroSlots + kMacroSlotsSize == 7448);
static_assert(kPalette + kPaletteSize == kGameMode);
static_assert(kKeyEnableMap + kKeyEnableMapSize == kWindowsKeyLock);
static_assert(kCustomLightMaps + kCustomLightMapCount * kCustomLightMapSize == kReserved);
static_assert(kReserved + 1 == kSettingsImageSize);
} // namespace img

// Lighting modes by value; 51-55 are the custom lighting profiles (see LightingSettings.h).
enum LightingMode : std::uint8_t {
    kModeStatic = 1,
    kModeBreathing = 2,
    kModeWave = 3,
    kModeReactive = 4,
    kModeSidewinder = 5,
    kModeRipple = 6,
    kModeSpectrum = 8,
    kModeRaindrop = 10,
    kModeVortex = 11,
    kModeSpotlight = 12,
    kModeRadar = 13,
};

struct SettingsImage
{
    std::array<std::uint8_t, kSettingsImageSize> bytes{};

    std::uint8_t& operator[](std::size_t offset) { return bytes[offset]; }
    std::uint8_t operator[](std::size_t offset) const { return bytes[offset]; }
    std::uint8_t* data() { return bytes.data(); }
    const std::uint8_t* data() const { return bytes.data(); }

    std::uint8_t* DeviceKeyEntry(std::size_t deviceIndex)
    {
        return data() + img::kDeviceKeyTable + 4 * deviceIndex;
    }
    const std::uint8_t* DeviceKeyEntry(std::size_t deviceIndex) const
    {
        return data() + img::kDeviceKeyTable + 4 * deviceIndex;
    }
    std::uint8_t* MacroSlot(std::size_t slot)
    {
        return data() + img::kMacroSlots + img::kMacroSlotSize * slot;
    }
    const std::uint8_t* MacroSlot(std::size_t slot) const
    {
        return data() + img::kMacroSlots + img::kMacroSlotSize * slot;
    }
    std::uint8_t* CustomLightMap(std::size_t map)
    {
        return data() + img::kCustomLightMaps + img::kCustomLightMapSize * map;
    }
    const std::uint8_t* CustomLightMap(std::size_t map) const
    {
        return data() + img::kCustomLightMaps + img::kCustomLightMapSize * map;
    }
    std::uint8_t* PaletteEntry(std::size_t index) { return data() + img::kPalette + 3 * index; }
    const std::uint8_t* PaletteEntry(std::size_t index) const { return data() + img::kPalette + 3 * index; }

    bool RegionEquals(const SettingsImage& other, std::size_t offset, std::size_t size) const
    {
        return std::memcmp(data() + offset, other.data() + offset, size) == 0;
    }
    bool operator==(const SettingsImage&) const = default;
};
static_assert(sizeof(SettingsImage) == kSettingsImageSize);

// The image and the copy last synchronised with the keyboard.
using SettingsShadow = SettingsImage;

} // namespace corvane
