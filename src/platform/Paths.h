#pragma once
// Where the program finds its files. The data folder holds what the program writes (keymap.bin,
// MacroDefine.bin, the profile folder); the program folder holds what it ships with (skins,
// VER.bin, the updater).

#include <filesystem>
#include <optional>

namespace corvane {

// $XDG_DATA_HOME/corvane-keyboard, or ~/.local/share/corvane-keyboard when XDG_DATA_HOME is not
// set to an absolute path.
std::filesystem::path DefaultDataFolder();

// The given folder, or the default one; created when missing. Creation failures are left to the
// file operations that follow, which report or skip them.
std::filesystem::path DataFolder(const std::optional<std::filesystem::path>& overrideFolder = std::nullopt);

// The folder of the running executable; empty when it cannot be found.
std::filesystem::path ExecutableFolder();

// The folder that holds png/ (matched without regard to case): the executable's folder in a
// build tree or an unpacked copy, else the installed share folder.
std::filesystem::path ProgramFolder();
std::filesystem::path ProgramFolderFor(const std::filesystem::path& executableFolder,
                                       const std::filesystem::path& installedFolder);

// The installed share folder, fixed at build time.
std::filesystem::path InstalledProgramFolder();

} // namespace corvane
