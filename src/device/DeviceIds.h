#pragma once
// The (vendor ID, product ID) pairs the program accepts as its keyboard. The second pair is the
// keyboard in firmware-update mode, where the command interface is missing.

#include <array>
#include <cstdint>

namespace corvane {

struct UsbIdPair
{
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool operator==(const UsbIdPair&) const = default;
};

inline constexpr std::array<UsbIdPair, 3> kAcceptedDeviceIds{{
    {0x3F1C, 0x0101}, // the keyboard
    {0x3F1C, 0x0102}, // the keyboard in update mode
    {0x3F2D, 0x0201}, // the keyboard under its second vendor
}};

inline constexpr UsbIdPair kUpdateModeIds = kAcceptedDeviceIds[1];

} // namespace corvane
