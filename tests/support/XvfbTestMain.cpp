// Tests of what happens on a real X display: a private Xvfb server is started for the run, and
// the program's Qt runs on it through xcb. Without Xvfb the tests are skipped, saying so.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t xvfb = -1;

// Starts Xvfb on a free display and returns its name, or "" when it cannot run.
std::string StartXvfb()
{
    int fds[2];
    if (pipe(fds) != 0) return {};
    xvfb = fork();
    if (xvfb < 0) return {};
    if (xvfb == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        // The server ends with the test, however the test ends, and holds none of its output
        // pipes: a server left behind would keep ctest waiting for the end of the output.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // Where /dev/null cannot be had the server writes into the test's output, harmlessly.
        if (std::freopen("/dev/null", "w", stdout) == nullptr ||
            std::freopen("/dev/null", "w", stderr) == nullptr) {
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number.push_back(c);
    close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
}

} // namespace

bool g_displayAvailable = false;

int main(int argc, char** argv)
{
    QTemporaryDir home;
    const QByteArray base = home.path().toLocal8Bit();
    // Windows follow the locale when no language is stored: the tests expect English ones.
    setenv("LC_ALL", "C.UTF-8", 1);
    setenv("XDG_RUNTIME_DIR", (base + "/run").constData(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    QDir().mkpath(home.path() + "/run");
    QFile::setPermissions(home.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const std::string display = StartXvfb();
    g_displayAvailable = !display.empty();
    int code = 0;
    {
        // The private server is a real X server, whatever session the tests were started from.
        unsetenv("WAYLAND_DISPLAY");
        if (g_displayAvailable) {
            setenv("DISPLAY", display.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
        } else {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        code = RUN_ALL_TESTS();
    }
    if (xvfb > 0) {
        kill(xvfb, SIGTERM);
        waitpid(xvfb, nullptr, 0);
    }
    return code;
}
