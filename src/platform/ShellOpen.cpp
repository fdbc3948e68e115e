#include "platform/ShellOpen.h"

#include "keys/DesktopEntry.h"
#include "keys/LaunchKeyAction.h"
#include "platform/ProgramStarter.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane {

namespace {

std::vector<char*> ArgvOf(std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

} // namespace

bool SpawnDetached(const std::vector<std::string>& argv, const std::string& workingDir,
                   const std::vector<std::string>& fallback)
{
    if (argv.empty()) return false;
    // Everything the child needs is prepared here: between fork and exec only async-signal-safe
    // calls are allowed, since the program has other threads.
    std::vector<std::string> first = argv;
    std::vector<std::string> second = fallback;
    std::vector<char*> firstArgv = ArgvOf(first);
    std::vector<char*> secondArgv = ArgvOf(second);
    const char* dir = workingDir.empty() ? nullptr : workingDir.c_str();

    // The grandchild reports a failed exec through this pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // The intermediate child only forks again and ends, so the started program is adopted by
        // init (or a subreaper) and never becomes our zombie.
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        ::setsid();
        sigset_t all;
        sigemptyset(&all);
        ::sigprocmask(SIG_SETMASK, &all, nullptr);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            if (devNull != STDIN_FILENO) ::close(devNull);
        }
        ::close_range(3, ~0u, CLOSE_RANGE_CLOEXEC);
        // A folder that cannot be entered leaves the opener where it is; it still opens the path.
        if (dir != nullptr && ::chdir(dir) != 0) {
        }
        ::execvp(firstArgv[0], firstArgv.data());
        if (secondArgv[0] != nullptr) ::execvp(secondArgv[0], secondArgv.data());
        const int error = errno;
        // Nothing is left to do if the report cannot be written: the parent then sees no error.
        if (::write(report[1], &error, sizeof error) != static_cast<ssize_t>(sizeof error)) {
        }
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    bool started = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (n != 0) started = false;
    ::close(report[0]);
    return started;
}

namespace {

constexpr off_t kDesktopEntryLimit = 64 * 1024;

// The whole of a small regular file; nothing for anything else. Opened without blocking, so a FIFO
// in its place cannot hold the caller.
std::optional<std::string> ReadSmallFile(const std::string& path, off_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat info
    {
    };
    std::optional<std::string> text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= limit) {
        text.emplace(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        while (done < text->size()) {
            const ssize_t n = ::read(fd, text->data() + done, text->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        text->resize(done);
    }
    ::close(fd);
    return text;
}

// Handlers resolve relative names against their own folder, which is not always the one they are
// started in; an absolute path leaves no doubt.
std::string AbsoluteTarget(const std::string& path, const std::string& workingDir)
{
    if (path.empty()) return {};
    if (path.front() == '/') return path;
    if (workingDir.empty() || workingDir.front() != '/') return {};
    return workingDir + (workingDir.back() == '/' ? "" : "/") + path;
}

std::vector<std::string> WithUrl(std::vector<std::string> command, const std::string& path,
                                 const std::string& workingDir)
{
    const std::string target = AbsoluteTarget(path, workingDir);
    if (target.empty() || command.empty()) return {};
    command.push_back(FileUrl(target));
    return command;
}

} // namespace

std::vector<std::string> XdgShellOpener::CommandFor(const std::string& path,
                                                    const std::string& workingDir) const
{
    return WithUrl(handler_, path, workingDir);
}

std::vector<std::string> XdgShellOpener::FallbackFor(const std::string& path,
                                                     const std::string& workingDir) const
{
    return WithUrl(fallback_, path, workingDir);
}

bool XdgShellOpener::Open(const std::string& path, const std::string& workingDir)
{
    const std::vector<std::string> argv = CommandFor(path, workingDir);
    if (argv.empty()) return false;
    return SpawnDetached(argv, workingDir, FallbackFor(path, workingDir));
}

bool XdgShellOpener::CanRun(const std::string& path)
{
    return CheckRunnable(path).outcome == ProgramStartOutcome::kStarted;
}

bool XdgShellOpener::Run(const std::string& path, const std::string& workingDir)
{
    return DetachedProgramStarter().Start(path, workingDir).outcome == ProgramStartOutcome::kStarted;
}

bool XdgShellOpener::StartDesktopEntry(const std::string& path)
{
    const std::optional<std::string> text = ReadSmallFile(path, kDesktopEntryLimit);
    if (!text) return false;
    const std::optional<DesktopCommand> command = DesktopEntryCommand(*text, path);
    return command && SpawnDetached(command->argv, command->workingFolder);
}

} // namespace corvane
