#include "platform/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <strings.h>
#include <system_error>
#include <unistd.h>

#ifndef CORVANE_INSTALL_DATADIR
#define CORVANE_INSTALL_DATADIR "/usr/local/share/corvane-keyboard"
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

fs::path DataFolder(const std::optional<fs::path>& overrideFolder)
{
    const fs::path folder = overrideFolder ? *overrideFolder : DefaultDataFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

fs::path ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path();
}

fs::path InstalledProgramFolder()
{
    return CORVANE_INSTALL_DATADIR;
}

fs::path ProgramFolderFor(const fs::path& executableFolder, const fs::path& installedFolder)
{
    if (!executableFolder.empty() && HoldsSkinFolder(executableFolder)) return executableFolder;
    return installedFolder;
}

fs::path ProgramFolder()
{
    return ProgramFolderFor(ExecutableFolder(), InstalledProgramFolder());
}

} // namespace corvane
