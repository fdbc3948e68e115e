#include "keys/KeyNames.h"

#include "format/KeyLayout.h"
#include "text/Letters.h"

#include <array>
#include <utility>

#include <cstdio>

namespace corvane {

std::string KeyCodeName(std::uint8_t code, const KeyCodeTable& codes)
{
    std::string label = codes.Label(code);
    while (!label.empty() && label.back() == ' ')
        label.pop_back();
    if (!label.empty()) return label;
    char text[16];
    std::snprintf(text, sizeof text, "key 0x%02X", code);
    return text;
}

std::string DistinctKeyCodeName(std::uint8_t code, const KeyCodeTable& codes)
{
    // The keypad's Enter has a label of its own.
    if (code >= 106 && code <= 111 && code != 108) return "Num " + KeyCodeName(code, codes);
    return KeyCodeName(code, codes);
}

std::optional<std::uint8_t> KeyCodeOfName(std::string_view name, const KeyCodeTable& codes)
{
    // The key dialog captures the left and right keys of a pair apart; the plain name is the left.
    static constexpr std::array<std::pair<std::string_view, std::uint8_t>, 4> kPairs{
        {{"Ctrl", 162}, {"Shift", 160}, {"Alt", 164}, {"Win", 91}}};
    for (const auto& [pair, code] : kPairs)
        if (SameLetters(name, pair)) return code;
    for (int code = 1; code < 256; ++code)
        if (SameLetters(name, DistinctKeyCodeName(static_cast<std::uint8_t>(code), codes)))
            return static_cast<std::uint8_t>(code);
    return std::nullopt;
}

std::string SlotName(std::size_t slot, const KeyCodeTable& codes)
{
    if (slot == kFnSlot) return "Fn";
    return DistinctKeyCodeName(DefaultKeyOrder[slot], codes);
}

std::optional<std::size_t> SlotOfName(std::string_view name, const KeyCodeTable& codes)
{
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot)
        if (SameLetters(name, SlotName(slot, codes))) return slot;
    return std::nullopt;
}

} // namespace corvane
