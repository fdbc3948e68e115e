#pragma once
// Checks that several commands make on settings before they send them.

#include "ctl/Commands.h"
#include "device/SettingsState.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace corvane {
struct MacroStore;
}

namespace corvane::ctl {

// A file whose keys play macros beyond the keyboard's slots would make the keyboard play whatever
// lies there: says which keys and returns false.
bool KeysFitMacroSlots(CommandContext& context, const std::filesystem::path& file,
                       const SettingsState& state);

// The number of the one macro named exactly `name`; says why and gives nothing when no macro or
// more than one has that name.
std::optional<std::size_t> FindMacro(CommandContext& context, const MacroStore& store,
                                     const std::string& name);

} // namespace corvane::ctl
