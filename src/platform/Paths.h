#pragma once
// Where the program finds its files. The data folder holds what the program writes (keymap.bin,
// MacroDefine.bin, the profile folder); the program folder holds what it ships with (skins,
// VER.bin, the updater).

#include <filesystem>
#include <optional>
#include <vector>

namespace corvane {

// $XDG_DATA_HOME/corvane-keyboard, or ~/.local/share/corvane-keyboard when XDG_DATA_HOME is not
// set to an absolute path.
std::filesystem::path DefaultDataFolder();

// $XDG_STATE_HOME/corvane-keyboard, or ~/.local/state/corvane-keyboard when XDG_STATE_HOME is not
// set to an absolute path: what the program keeps between runs that is not the user's data.
std::filesystem::path DefaultStateFolder();

// The given folder, or the default one; created when missing. Creation failures are left to the
// file operations that follow, which report or skip them.
std::filesystem::path DataFolder(const std::optional<std::filesystem::path>& overrideFolder = std::nullopt);

// The running executable and its folder; empty when they cannot be found.
std::filesystem::path ExecutableFile();
std::filesystem::path ExecutableFolder();

// The folders that may hold png/, in the order they are tried: the executable's own folder (a
// build tree or an unpacked copy) and the share folder beside the executable's bin/ (an installed
// tree, wherever it was installed or moved to). No folder is fixed at build time, so a moved
// tree never picks up another installation's files.
std::vector<std::filesystem::path> ProgramFolderCandidates(const std::filesystem::path& executableFolder);

// The first candidate that holds png/ (matched without regard to case); nothing when none does.
std::optional<std::filesystem::path> FindProgramFolder(const std::vector<std::filesystem::path>& candidates);

// The program folder of this executable; the share folder beside bin/ when none holds png/.
std::filesystem::path ProgramFolder();

} // namespace corvane
