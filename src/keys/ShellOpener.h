#pragma once
// Opening a file, program or folder with the desktop's default handler, the way a launch key does.

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
};

} // namespace corvane
