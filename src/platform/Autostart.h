#pragma once
// Starting with the user's session: an XDG autostart entry that runs the program hidden behind
// its notification icon, so the keyboard's launch keys work from login on.

#include <filesystem>
#include <optional>
#include <string>

namespace corvane {

// $XDG_CONFIG_HOME/autostart/corvane-keyboard.desktop, or ~/.config/autostart/... when
// XDG_CONFIG_HOME is not set to an absolute path.
std::filesystem::path AutostartFile();

// The Exec= value that runs the program with the arguments, each quoted and escaped as desktop
// entries require; nothing when an argument cannot be written there (a line break, a NUL).
std::optional<std::string> DesktopExecLine(const std::filesystem::path& program,
                                           std::initializer_list<std::string> arguments);

// The whole entry that starts `program` with --minimized; nothing when its path cannot be written
// into a desktop entry.
std::optional<std::string> AutostartEntry(const std::filesystem::path& program);

struct AutostartResult
{
    bool ok = false;
    std::string problem; // why it failed, for the user
};

// on: writes the entry for `program` (creating the folder); off: removes it, an absent entry
// being no failure.
AutostartResult SetAutostart(bool on, const std::filesystem::path& program,
                             const std::filesystem::path& file = AutostartFile());

} // namespace corvane
