#pragma once
// Opening a file, program or folder with the desktop's default handler, the way a launch key does.

#include <string>

namespace corvane {

class ShellOpener
{
public:
    virtual ~ShellOpener() = default;
    // UTF-8 texts. Opens fileName (relative to workingDir unless absolute) in workingDir, without
    // waiting for what it starts. Failures are not reported: a launch key that points nowhere
    // simply does nothing.
    virtual void Open(const std::string& fileName, const std::string& workingDir) = 0;
};

} // namespace corvane
