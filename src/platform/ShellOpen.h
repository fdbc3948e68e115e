#pragma once
// Opening files and folders with the desktop's default handler (xdg-open, or gio open where
// xdg-open is missing). Neither takes "--" to end its options, so targets go as file:// URLs.
// Programs and desktop entries are started directly, never through a shell or the opener.

#include "keys/ShellOpener.h"

#include <string>
#include <vector>

namespace corvane {

// Starts argv[0] (looked up in PATH) with its arguments in workingDir (the current folder when
// empty or not usable) as a process of its own: not waited for, never left as a zombie, no
// terminal or open descriptors of ours. When argv[0] cannot be run, fallback is tried the same
// way. Returns whether one of them was started.
bool SpawnDetached(const std::vector<std::string>& argv, const std::string& workingDir,
                   const std::vector<std::string>& fallback = {});

class XdgShellOpener final : public ShellOpener
{
public:
    XdgShellOpener() = default;
    // For tests and unusual desktops: the handler to run, the target path being appended.
    XdgShellOpener(std::vector<std::string> handler, std::vector<std::string> fallback)
        : handler_(std::move(handler)), fallback_(std::move(fallback))
    {
    }

    // Hands the handler an absolute file:// URL: never an option, never another scheme. A
    // relative path is taken inside workingDir; without an absolute folder nothing is started.
    bool Open(const std::string& path, const std::string& workingDir) override;

    // The command line Open starts (handler and fallback), empty when the path cannot be made
    // absolute.
    std::vector<std::string> CommandFor(const std::string& path, const std::string& workingDir) const;
    std::vector<std::string> FallbackFor(const std::string& path, const std::string& workingDir) const;

    // A program or script CheckRunnable accepts.
    bool CanRun(const std::string& path) override;
    // Through the detached program starter.
    bool Run(const std::string& path, const std::string& workingDir) override;
    // Reads the entry (a regular file of at most 64 KiB, read without blocking) and starts its
    // command, detached, in its working folder.
    bool StartDesktopEntry(const std::string& path) override;

private:
    std::vector<std::string> handler_{"xdg-open"};
    std::vector<std::string> fallback_{"gio", "open"};
};

} // namespace corvane
