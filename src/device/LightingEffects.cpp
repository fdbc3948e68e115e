#include "device/LightingEffects.h"

#include "text/Letters.h"

namespace corvane {

const std::array<LightingEffect, kEffectRowCount> kLightingEffects{{
    {1, "statisch", "Static"},
    {2, "Atmung", "Breathing"},
    {3, "Welle", "Wave"},
    {4, "Reaktiv", "Reactive"},
    {5, "Sidewinder", "Sidewinder"},
    {6, "Ripple", "Ripple"},
    {8, "Spektrum", "Spectrum"},
    {10, "Regentropfen", "Raindrop"},
    {11, "Wirbel", "Vortex"},
    {12, "Scheinwerfer", "Spotlight"},
    {13, "Radar", "Radar"},
    {51, "Beleuchtungs Profil 1", "Lighting Profile 1"},
    {52, "Beleuchtungs Profil 2", "Lighting Profile 2"},
    {53, "Beleuchtungs Profil 3", "Lighting Profile 3"},
    {54, "Beleuchtungs Profil 4", "Lighting Profile 4"},
    {55, "Beleuchtungs Profil 5", "Lighting Profile 5"},
}};

std::optional<std::size_t> EffectRowOfCode(std::uint8_t code)
{
    for (std::size_t row = 0; row < kLightingEffects.size(); ++row)
        if (kLightingEffects[row].code == code) return row;
    return std::nullopt;
}

std::optional<std::uint8_t> EffectCodeOfName(std::string_view name)
{
    for (const LightingEffect& effect : kLightingEffects)
        if (SameLetters(name, effect.english) || SameLetters(name, effect.german)) return effect.code;
    return std::nullopt;
}

} // namespace corvane
