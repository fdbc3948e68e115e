#pragma once
// One enable bit per device key index in the settings image. The keyboard packs only six keys
// into each byte (bits 6 and 7 are unused), so bit k lives in byte k / 6 at position k mod 6.

#include "format/SettingsImage.h"

#include <cstddef>
#include <cstdint>

namespace corvane {

inline constexpr std::size_t kEnableBitsPerByte = 6;
inline constexpr std::size_t kEnableMapKeyCount = img::kKeyEnableMapSize * kEnableBitsPerByte; // 126

inline constexpr std::size_t EnableMapByte(std::size_t deviceIndex)
{
    return deviceIndex / kEnableBitsPerByte;
}
inline constexpr std::uint8_t EnableMapMask(std::size_t deviceIndex)
{
    return static_cast<std::uint8_t>(1u << (deviceIndex % kEnableBitsPerByte));
}

// Indexes beyond the map (126, 127) have no bit; they count as enabled and cannot be disabled.
inline bool IsKeyEnabled(const SettingsImage& image, std::size_t deviceIndex)
{
    if (deviceIndex >= kEnableMapKeyCount) return true;
    return (image[img::kKeyEnableMap + EnableMapByte(deviceIndex)] & EnableMapMask(deviceIndex)) != 0;
}

inline void SetKeyEnabled(SettingsImage& image, std::size_t deviceIndex, bool enabled)
{
    if (deviceIndex >= kEnableMapKeyCount) return;
    std::uint8_t& byte = image[img::kKeyEnableMap + EnableMapByte(deviceIndex)];
    if (enabled)
        byte = static_cast<std::uint8_t>(byte | EnableMapMask(deviceIndex));
    else
        byte = static_cast<std::uint8_t>(byte & ~EnableMapMask(deviceIndex));
}

} // namespace corvane
