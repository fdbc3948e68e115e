#include "keys/KeyNames.h"

#include "format/KeyLayout.h"

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

std::string SlotName(std::size_t slot, const KeyCodeTable& codes)
{
    if (slot == kFnSlot) return "Fn";
    const std::uint8_t code = DefaultKeyOrder[slot];
    if (code >= 106 && code <= 111) return "Num " + KeyCodeName(code, codes);
    return KeyCodeName(code, codes);
}

} // namespace corvane
