#pragma once
// What the desktop does for a launch key: open a file or folder with its default handler, run a
// program, or start the application a desktop entry describes.

#include <string>

namespace corvane {

class ShellOpener
{
public:
    virtual ~ShellOpener() = default;
    // UTF-8 texts. Opens path (taken relative to workingDir unless absolute) in workingDir,
    // without waiting for what it starts. Returns whether a handler was started; whether it
    // managed to open the path is not known.
    virtual bool Open(const std::string& path, const std::string& workingDir) = 0;
    // Whether the file at path is a program or script this system runs as it is.
    virtual bool CanRun(const std::string& path) = 0;
    // Runs the program at path with no arguments in workingDir, directly: no shell, no opener.
    virtual bool Run(const std::string& path, const std::string& workingDir) = 0;
    // Starts the application of the desktop entry at path, without a shell.
    virtual bool StartDesktopEntry(const std::string& path) = 0;
};

} // namespace corvane
