#include "platform/RuntimeFolder.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane {
namespace fs = std::filesystem;
namespace {

std::string ErrnoText()
{
    return std::strerror(errno);
}

// Only a folder of this user that nobody else may write to keeps others out.
bool IsPrivateFolder(const fs::path& path, bool requireOwnerOnly, std::string* why)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0)) {
        *why = path.string() + ": " + ErrnoText();
        return false;
    }
    const mode_t forbidden = requireOwnerOnly ? 077 : 022;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & forbidden) != 0) {
        *why = path.string() + " is not a folder of this user alone";
        return false;
    }
    return true;
}

// Creates the folder 0700 when missing; one of ours with looser modes is tightened. Symbolic
// links are refused: they could point anywhere.
bool MakeOwnFolder(const fs::path& path, std::string* why)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        *why = "cannot create " + path.string() + ": " + ErrnoText();
        return false;
    }
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        *why = path.string() + " is not a folder of this user";
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
        *why = "cannot restrict " + path.string() + ": " + ErrnoText();
        return false;
    }
    return IsPrivateFolder(path, true, why);
}

fs::path CacheHome()
{
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && fs::path(xdg).is_absolute()) return xdg;
    fs::path home = std::getenv("HOME") != nullptr ? fs::path(std::getenv("HOME")) : fs::path();
    if (!home.is_absolute()) {
        if (const passwd* pw = ::getpwuid(::geteuid())) home = pw->pw_dir;
    }
    if (!home.is_absolute()) return {};
    return home / ".cache";
}

} // namespace

std::optional<fs::path> PrivateRuntimeFolder(std::string* problem)
{
    std::string why;
    const char* runtimeVariable = std::getenv("XDG_RUNTIME_DIR");
    const fs::path runtime = runtimeVariable != nullptr ? fs::path(runtimeVariable) : fs::path();
    if (runtime.is_absolute() && IsPrivateFolder(runtime, false, &why)) return runtime.lexically_normal();

    const fs::path cache = CacheHome();
    std::string fallbackWhy;
    std::error_code ec;
    if (cache.empty()) {
        fallbackWhy = "no home folder";
    } else if (fs::create_directories(cache, ec), ec) {
        fallbackWhy = "cannot create " + cache.string();
    } else {
        const fs::path app = cache / "corvane-keyboard";
        const fs::path run = app / "run";
        if (MakeOwnFolder(app, &fallbackWhy) && MakeOwnFolder(run, &fallbackWhy)) return run;
    }
    if (problem != nullptr)
        *problem =
            runtime.empty() ? fallbackWhy : (why.empty() ? runtime.string() : why) + "; " + fallbackWhy;
    return std::nullopt;
}

fs::path InstanceSocketPath(const fs::path& folder, std::string_view name)
{
    return folder / (std::string(name) + ".socket");
}

bool TellRunningWindow(std::string_view request, std::string_view name, int timeoutMs)
{
    const std::optional<fs::path> folder = PrivateRuntimeFolder();
    if (!folder) return false;
    const std::string socketPath = InstanceSocketPath(*folder, name).string();
    sockaddr_un address{};
    if (socketPath.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    bool answered = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string reply;
        while (reply.find('\n') == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd wait{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
            char buffer[16];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
        answered = reply.starts_with(kRequestReply);
    }
    ::close(fd);
    return answered;
}

} // namespace corvane
