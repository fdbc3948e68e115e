#include "app/GraphicalSession.h"

#include <X11/Xlib.h>
#include <cstdlib>

namespace corvane {
namespace {

bool Set(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

std::string Line(const std::string& what)
{
    return "corvane-keyboard needs a graphical session (" + what + "); corvanectl works without one.";
}

} // namespace

std::optional<std::string> MissingGraphicalSession()
{
    if (Set("QT_QPA_PLATFORM")) return std::nullopt;
    if (Set("WAYLAND_DISPLAY")) return std::nullopt;
    if (!Set("DISPLAY")) return Line("neither DISPLAY nor WAYLAND_DISPLAY is set");
    // An X display that is set but cannot be reached (a stale DISPLAY over ssh) aborts Qt too.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return Line(std::string("the X display ") + std::getenv("DISPLAY") + " cannot be reached");
    XCloseDisplay(display);
    return std::nullopt;
}

} // namespace corvane
