#pragma once
// The lighting effects offered in the effect list, in list order, with the code each stores in
// the lighting mode field. Codes 7 and 9 exist in the keyboard but are not offered; 51-55 are
// the custom lighting profiles, coloured key by key.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {

struct LightingEffect
{
    std::uint8_t code;
    const char* german;
    const char* english;
};

inline constexpr std::size_t kEffectRowCount = 16;
extern const std::array<LightingEffect, kEffectRowCount> kLightingEffects;

// The list row showing the effect with this code; nothing for a code the list does not offer.
std::optional<std::size_t> EffectRowOfCode(std::uint8_t code);

// The code of the effect named so in either language, whatever the letter case; nothing for a
// name the list does not show.
std::optional<std::uint8_t> EffectCodeOfName(std::string_view name);

} // namespace corvane
