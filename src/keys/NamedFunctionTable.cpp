#include "keys/NamedFunctionTable.h"

#include "text/Letters.h"

#include <algorithm>

namespace corvane {

// "Play / Stop" and "Pause" send Play/Pause and Stop, as the keyboard has always done.
extern const std::array<NamedFunction, kNamedFunctionCount> NamedFunctionTable = {{
    {"Search", "", {0x00, 0xE3, 0x09, 0x00}},
    {"Run", "", {0x00, 0xE3, 0x15, 0x00}},
    {"Media Player", "Media", {0x03, 0x00, 0x83, 0x01}},
    {"Previous", "Media", {0x03, 0x00, 0xB6, 0x00}},
    {"Next", "Media", {0x03, 0x00, 0xB5, 0x00}},
    {"Play / Stop", "Media", {0x03, 0x00, 0xCD, 0x00}},
    {"Pause", "Media", {0x03, 0x00, 0xB7, 0x00}},
    {"Volume Up", "Media", {0x03, 0x00, 0xE9, 0x00}},
    {"Volume Down", "Media", {0x03, 0x00, 0xEA, 0x00}},
    {"Mute", "Media", {0x03, 0x00, 0xE2, 0x00}},
    {"New", "Shortcut", {0x00, 0xE0, 0x11, 0x00}},
    {"Cut", "Shortcut", {0x00, 0xE0, 0x1B, 0x00}},
    {"Copy", "Shortcut", {0x00, 0xE0, 0x06, 0x00}},
    {"Paste", "Shortcut", {0x00, 0xE0, 0x19, 0x00}},
    {"Save", "Shortcut", {0x00, 0xE0, 0x16, 0x00}},
    {"Print", "Shortcut", {0x00, 0xE0, 0x13, 0x00}},
    {"Select All", "Shortcut", {0x00, 0xE0, 0x04, 0x00}},
    {"Maximize window", "Windows", {0x00, 0xE2, 0x2C, 0x1B}},
    {"Minimize window", "Windows", {0x00, 0xE2, 0x2C, 0x11}},
    {"Computer / My Computer", "", {0x03, 0x00, 0x94, 0x01}},
    {"Windows security screen", "", {0x00, 0xE0, 0xE2, 0x4C}},
    {"Internet browser", "", {0x03, 0x00, 0x23, 0x02}},
    {"Close window", "", {0x00, 0xE2, 0x3D, 0x00}},
}};

const NamedFunction* FindNamedFunction(std::string_view name)
{
    const auto it = std::find_if(NamedFunctionTable.begin(), NamedFunctionTable.end(),
                                 [&](const NamedFunction& f) { return f.name == name; });
    return it == NamedFunctionTable.end() ? nullptr : &*it;
}

const NamedFunction* FindNamedFunctionTyped(std::string_view name)
{
    const auto it = std::find_if(NamedFunctionTable.begin(), NamedFunctionTable.end(),
                                 [&](const NamedFunction& f) { return SameLetters(f.name, name); });
    return it == NamedFunctionTable.end() ? nullptr : &*it;
}

const NamedFunction* FindNamedFunction(std::span<const std::uint8_t, 4> code)
{
    const auto it =
        std::find_if(NamedFunctionTable.begin(), NamedFunctionTable.end(), [&](const NamedFunction& f) {
            return std::equal(f.code.begin(), f.code.end(), code.begin());
        });
    return it == NamedFunctionTable.end() ? nullptr : &*it;
}

} // namespace corvane
