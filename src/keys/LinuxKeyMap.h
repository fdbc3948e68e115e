#pragma once
// Linux key codes (as the kernel numbers keys; X key codes are these plus 8) to Windows
// virtual-key codes, by the key's place on the keyboard, not by what the desktop's layout types:
// the key the user presses is the key the keyboard is told to send.

#include <cstdint>
#include <optional>

namespace corvane {

// X servers number keys from 8; the kernel's codes are 8 less.
inline constexpr int kXKeyCodeOffset = 8;

// The virtual-key code of the key with this Linux code; nothing for keys the keyboard cannot send.
std::optional<std::uint8_t> VirtualKeyFromLinuxKey(std::uint16_t linuxKey);

} // namespace corvane
