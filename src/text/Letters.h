#pragma once
// Names typed by people (effects, keys, functions) are matched without regard to letter case;
// they are all ASCII.

#include <algorithm>
#include <cctype>
#include <string_view>

namespace corvane {

inline bool SameLetters(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace corvane
