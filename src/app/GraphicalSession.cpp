#include "app/GraphicalSession.h"

#include <QDir>
#include <QLibraryInfo>

#include <X11/Xlib.h>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane {
namespace {

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A compositor listens on the socket WAYLAND_DISPLAY names, in the runtime folder unless the name
// is a path. A connect never blocks on a stale name (no socket, or a file that is none).
bool WaylandReachable(const std::string& name)
{
    std::string path = name;
    if (!name.starts_with('/')) {
        const std::string runtime = Variable("XDG_RUNTIME_DIR");
        if (runtime.empty()) return false;
        path = runtime + "/" + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const bool reached = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return reached;
}

bool WaylandPlatformInstalled()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("libqwayland-*.so")}, QDir::Files).isEmpty();
}

bool XReachable()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    XCloseDisplay(display);
    return true;
}

std::string Line(const std::string& what)
{
    return "corvane-keyboard needs a graphical session (" + what + "); corvanectl works without one.";
}

} // namespace

SessionChoice ChooseGraphicalSession(const DisplayProbe& probe)
{
    const bool wayland =
        !probe.waylandDisplay.empty() && probe.waylandReachable && probe.waylandPlatformInstalled;
    const bool x = !probe.xDisplay.empty() && probe.xReachable;
    if (wayland && x) return {};
    if (wayland) return {std::nullopt, "wayland"};
    if (x) return {std::nullopt, "xcb"};
    if (probe.waylandDisplay.empty() && probe.xDisplay.empty())
        return {Line("neither DISPLAY nor WAYLAND_DISPLAY is set"), std::nullopt};
    std::string why;
    auto add = [&why](const std::string& part) { why += (why.empty() ? "" : ", and ") + part; };
    if (!probe.waylandDisplay.empty()) {
        if (!probe.waylandReachable)
            add("the Wayland display " + probe.waylandDisplay + " cannot be reached");
        else
            add("Qt's Wayland platform is not installed (package qt6-wayland)");
    }
    if (!probe.xDisplay.empty()) add("the X display " + probe.xDisplay + " cannot be reached");
    return {Line(why), std::nullopt};
}

SessionChoice ChooseGraphicalSession()
{
    if (!Variable("QT_QPA_PLATFORM").empty()) return {};
    DisplayProbe probe;
    probe.waylandDisplay = Variable("WAYLAND_DISPLAY");
    if (!probe.waylandDisplay.empty()) {
        probe.waylandReachable = WaylandReachable(probe.waylandDisplay);
        probe.waylandPlatformInstalled = WaylandPlatformInstalled();
    }
    probe.xDisplay = Variable("DISPLAY");
    // An X display that is set but cannot be reached (a stale DISPLAY over ssh) aborts Qt too.
    if (!probe.xDisplay.empty()) probe.xReachable = XReachable();
    return ChooseGraphicalSession(probe);
}

} // namespace corvane
