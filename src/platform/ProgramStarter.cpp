#include "platform/ProgramStarter.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace corvane {
namespace {

constexpr std::size_t kHeaderBytes = 256;

// The first bytes of a file, read without blocking (a FIFO is refused before this).
std::string ReadHeader(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {};
    std::array<char, kHeaderBytes> buffer{};
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

// ELF class, byte order and processor: what decides whether this kernel runs the program.
std::string ElfIdentity(const std::string& header)
{
    if (header.size() < 20 || header.compare(0, 4,
                                             "\x7f"
                                             "ELF") != 0)
        return {};
    return header.substr(4, 2) + header.substr(18, 2);
}

ProgramStartResult NotRunnable(ProgramProblem problem)
{
    return {ProgramStartOutcome::kNotRunnable, problem, {}};
}

} // namespace

ProgramProblemText ProgramProblemTextOf(ProgramProblem problem)
{
    switch (problem) {
    case ProgramProblem::kNone:
        return {"", ""};
    case ProgramProblem::kNotAFile:
        return {"es ist keine Datei", "it is not a file"};
    case ProgramProblem::kNotExecutable:
        return {"die Datei darf nicht ausgeführt werden", "the file may not be executed"};
    case ProgramProblem::kForeignFormat:
        return {"es ist ein Programm für ein anderes System", "it is a program for another system"};
    case ProgramProblem::kInterpreterMissing:
        return {"der Interpreter des Skripts fehlt", "the script's interpreter is missing"};
    }
    return {"", ""};
}

ProgramStartResult CheckRunnable(const std::filesystem::path& program)
{
    const std::string path = program.string();
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {ProgramStartOutcome::kMissing, ProgramProblem::kNone, {}};
        return {ProgramStartOutcome::kFailed, ProgramProblem::kNone, std::strerror(errno)};
    }
    if (!S_ISREG(info.st_mode)) return NotRunnable(ProgramProblem::kNotAFile);
    if (::access(path.c_str(), X_OK) != 0) return NotRunnable(ProgramProblem::kNotExecutable);

    const std::string header = ReadHeader(path.c_str());
    if (header.compare(0, 2, "#!") == 0) {
        std::string_view line(header);
        line.remove_prefix(2);
        line = line.substr(0, line.find('\n'));
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos) return NotRunnable(ProgramProblem::kInterpreterMissing);
        line.remove_prefix(start);
        const std::string interpreter(line.substr(0, line.find_first_of(" \t\r")));
        if (::access(interpreter.c_str(), X_OK) != 0) return NotRunnable(ProgramProblem::kInterpreterMissing);
        return {};
    }
    const std::string identity = ElfIdentity(header);
    if (identity.empty() || identity != ElfIdentity(ReadHeader("/proc/self/exe")))
        return NotRunnable(ProgramProblem::kForeignFormat);
    return {};
}

ProgramStartResult DetachedProgramStarter::Start(const std::filesystem::path& program,
                                                 const std::filesystem::path& workingFolder)
{
    ProgramStartResult checked = CheckRunnable(program);
    if (checked.outcome != ProgramStartOutcome::kStarted) return checked;

    // Everything the children use is prepared here: between fork and exec only async-signal-safe
    // calls are allowed (the device threads may hold locks).
    const std::string path = program.string();
    const std::string folder = workingFolder.string();
    std::vector<char*> argv{const_cast<char*>(path.c_str()), nullptr};

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return {ProgramStartOutcome::kFailed, {}, std::strerror(errno)};
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return {ProgramStartOutcome::kFailed, {}, std::strerror(error)};
    }
    if (middle == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t child = ::fork();
        if (child < 0) {
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(1);
        }
        if (child == 0) {
            // The program gets standard input and output but none of our devices or sockets.
            if (::dup2(report[1], 3) < 0) ::_exit(1);
            ::fcntl(3, F_SETFD, FD_CLOEXEC);
            ::close_range(4, ~0U, 0);
            int error = 0;
            if (::chdir(folder.c_str()) != 0) {
                error = errno;
            } else {
                ::execv(path.c_str(), argv.data());
                error = errno;
            }
            (void)!::write(3, &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    // End of file: the exec went through (the descriptor closed with it).
    int error = 0;
    ssize_t n = 0;
    do {
        n = ::read(report[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == static_cast<ssize_t>(sizeof error)) {
        if (error == ENOEXEC) return NotRunnable(ProgramProblem::kForeignFormat);
        return {ProgramStartOutcome::kFailed, {}, std::strerror(error)};
    }
    return {};
}

} // namespace corvane
