#pragma once
// Reading the command line of a desktop entry (a ".desktop" file) so that a launch key can start
// the application it describes without a shell: the Exec line is split by its own quoting rules
// into the program and its arguments, which go to the program as they are.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct DesktopCommand
{
    std::vector<std::string> argv; // argv[0]: an absolute path, or a name looked up in PATH
    std::string workingFolder;
};

// The command of the entry's "[Desktop Entry]" group: Type=Application with an Exec line. No file
// is handed over, so %f, %F, %u and %U vanish; %i, %c and %k become the icon, name and entryPath.
// Terminal=true runs it in x-terminal-emulator. It runs in Path= when given, else in the entry's
// own folder. Nothing when the entry is no application, has no usable Exec line (unbalanced
// quotes, an unknown field code, a relative program path), or is hidden.
std::optional<DesktopCommand> DesktopEntryCommand(std::string_view text, const std::string& entryPath);

} // namespace corvane
