#pragma once
// Permission checks mean nothing to root, and tests run as root in CI. This runs a check as the
// user nobody (65534) in a child process when the test runs as root, and in-process otherwise, so
// the unprivileged path always runs. The check returns its failures as text; empty means passed.

#include <functional>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::testing {

inline constexpr uid_t kNobody = 65534;

inline std::string RunUnprivileged(const std::function<std::string()>& check)
{
    if (::geteuid() != 0) return check();
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child < 0) return "fork failed";
    if (child == 0) {
        ::close(pipeFds[0]);
        // Groups first: once the user id is dropped they can no longer be changed.
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0 || ::geteuid() != kNobody)
            ::_exit(2);
        const std::string failures = check();
        (void)!::write(pipeFds[1], failures.data(), failures.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string failures;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0) {
        if (n > 0)
            failures.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        failures += "the unprivileged check did not finish (status " + std::to_string(status) + ")";
    return failures;
}

} // namespace corvane::testing
