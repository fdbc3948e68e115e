#pragma once
// Checks that several commands make on settings before they send them.

#include "ctl/Commands.h"
#include "device/SettingsState.h"

#include <filesystem>

namespace corvane::ctl {

// A file whose keys play macros beyond the keyboard's slots would make the keyboard play whatever
// lies there: says which keys and returns false.
bool KeysFitMacroSlots(CommandContext& context, const std::filesystem::path& file,
                       const SettingsState& state);

} // namespace corvane::ctl
