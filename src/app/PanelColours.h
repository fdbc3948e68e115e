#pragma once

#include <cstdint>

namespace corvane {

// Colours the main window paints its own texts and fills with (0xRRGGBB).
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kPanelBack = 0x353535;
// An entry that cannot be chosen here.
inline constexpr std::uint32_t kDimmed = 0x808080;
// What the colour dialog shows first when it opens from the main window.
inline constexpr std::uint32_t kInitialDialogColour = 0x0C0C0C;

} // namespace corvane
