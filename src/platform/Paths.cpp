#include "platform/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <strings.h>
#include <system_error>
#include <unistd.h>

#ifndef CORVANE_DATADIR_FROM_BINDIR
#define CORVANE_DATADIR_FROM_BINDIR "../share/corvane-keyboard"
#endif

namespace corvane {

namespace fs = std::filesystem;

namespace {

constexpr char kFolderName[] = "corvane-keyboard";

fs::path HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return {};
}

bool HoldsSkinFolder(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (::strcasecmp(it->path().filename().c_str(), "png") == 0 && it->is_directory(ec)) return true;
    }
    return false;
}

} // namespace

fs::path DefaultDataFolder()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
        return fs::path(xdg) / kFolderName;
    return HomeFolder() / ".local" / "share" / kFolderName;
}

fs::path DefaultStateFolder()
{
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && xdg[0] == '/')
        return fs::path(xdg) / kFolderName;
    return HomeFolder() / ".local" / "state" / kFolderName;
}

fs::path DataFolder(const std::optional<fs::path>& overrideFolder)
{
    const fs::path folder = overrideFolder ? *overrideFolder : DefaultDataFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

fs::path ExecutableFile()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe;
}

fs::path ExecutableFolder()
{
    return ExecutableFile().parent_path();
}

std::vector<fs::path> ProgramFolderCandidates(const fs::path& executableFolder)
{
    std::vector<fs::path> folders;
    if (executableFolder.empty()) return folders;
    const auto add = [&folders](const fs::path& folder) {
        const fs::path normal = folder.lexically_normal();
        for (const fs::path& known : folders)
            if (known == normal) return;
        folders.push_back(normal);
    };
    add(executableFolder);
    add(executableFolder / CORVANE_DATADIR_FROM_BINDIR);
    return folders;
}

std::optional<fs::path> FindProgramFolder(const std::vector<fs::path>& candidates)
{
    for (const fs::path& folder : candidates)
        if (HoldsSkinFolder(folder)) return folder;
    return std::nullopt;
}

fs::path ProgramFolder()
{
    const std::vector<fs::path> candidates = ProgramFolderCandidates(ExecutableFolder());
    if (auto found = FindProgramFolder(candidates)) return *found;
    return candidates.empty() ? fs::path() : candidates.back();
}

} // namespace corvane
