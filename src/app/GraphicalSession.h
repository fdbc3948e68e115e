#pragma once
// The configurator needs a graphical session. Without one, Qt would abort inside the platform
// plugin with a core dump; the program says so in one line and ends instead.

#include <optional>
#include <string>

namespace corvane {

inline constexpr int kExitNoGraphicalSession = 1;

// What could be found of the window systems before Qt is started.
struct DisplayProbe
{
    std::string waylandDisplay; // WAYLAND_DISPLAY, empty when not set
    bool waylandReachable = false;
    bool waylandPlatformInstalled = false; // Qt's Wayland platform plugin (qt6-wayland)
    std::string xDisplay;                  // DISPLAY, empty when not set
    bool xReachable = false;
};

struct SessionChoice
{
    // The one line to print when no window system can be used.
    std::optional<std::string> missing;
    // The Qt platform to start on when only one of them can be used; otherwise Qt chooses.
    std::optional<std::string> platform;
};

SessionChoice ChooseGraphicalSession(const DisplayProbe& probe);

// Probes this session and chooses; nothing to do when a Qt platform was chosen explicitly (as the
// tests' offscreen one).
SessionChoice ChooseGraphicalSession();

} // namespace corvane
