#pragma once
// The keyboard's physical keys. Keys are numbered by layout position (slot) 0-107; the keyboard
// numbers them by device key index 0-127, which places each key's entry in the device key table
// and its bit in the key enable map.

#include <array>
#include <cstddef>
#include <cstdint>

namespace corvane {

inline constexpr std::size_t kLayoutKeyCount = 108;
// Entries of the device key table that the factory fills (device indexes 0-125).
inline constexpr std::size_t kFactoryKeyEntryCount = 126;

// Layout positions with rules of their own: Fn is never marked, Win and Fn can be picked only in
// the per-key colour view, and the main window ignores clicks on the two Ctrl keys.
inline constexpr std::uint8_t kLeftCtrlSlot = 95;
inline constexpr std::uint8_t kWinSlot = 96;
inline constexpr std::uint8_t kFnSlot = 100;
inline constexpr std::uint8_t kRightCtrlSlot = 102;

// The virtual-key code of each layout position. Positions 100 and 101 share code 0x5D.
extern const std::array<std::uint8_t, kLayoutKeyCount> DefaultKeyOrder;

// 4 x the device key index of each layout position: the byte offset of the position's entry in
// the device key table.
extern const std::array<std::uint16_t, kLayoutKeyCount> KeyIndexOffsets;

inline std::size_t DeviceKeyIndex(std::size_t slot)
{
    return KeyIndexOffsets[slot] / 4;
}

// The factory content of the device key table: entries 0-125 as the keyboard ships them,
// entries 126 and 127 zero.
using DeviceKeyBytes = std::array<std::uint8_t, 4>;
const std::array<DeviceKeyBytes, 128>& DefaultDeviceKeyTable();

} // namespace corvane
