#pragma once
// The named functions the key dialog offers in its tree: media keys, shortcuts and window
// functions, each with the four bytes that become the key's record data and device entry.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

struct NamedFunction
{
    std::string_view name;
    std::string_view category; // the tree item it sits under; empty at the top level
    std::array<std::uint8_t, 4> code;
};

inline constexpr std::size_t kNamedFunctionCount = 23;
// In tree order; the members of a category follow one another.
extern const std::array<NamedFunction, kNamedFunctionCount> NamedFunctionTable;
// The category items of the tree, in tree order.
inline constexpr std::array<std::string_view, 3> kNamedFunctionCategories = {"Media", "Shortcut", "Windows"};

// Exact, case-sensitive name; nullptr when there is none.
const NamedFunction* FindNamedFunction(std::string_view name);
// A name typed by a person, whatever the letter case; nullptr when there is none.
const NamedFunction* FindNamedFunctionTyped(std::string_view name);
// All four bytes must match; nullptr when no function has them.
const NamedFunction* FindNamedFunction(std::span<const std::uint8_t, 4> code);

} // namespace corvane
