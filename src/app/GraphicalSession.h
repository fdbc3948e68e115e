#pragma once
// The configurator needs a graphical session. Without one, Qt would abort inside the platform
// plugin with a core dump; the program says so in one line and ends instead.

#include <optional>
#include <string>

namespace corvane {

inline constexpr int kExitNoGraphicalSession = 1;

// What is missing, as the one line to print; nothing when the window system can be reached (or a
// Qt platform was chosen explicitly, as the tests' offscreen one).
std::optional<std::string> MissingGraphicalSession();

} // namespace corvane
