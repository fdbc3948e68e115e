#pragma once
// Carrying out a launch key when the keyboard reports its press.

#include "keys/KeyRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

class ShellOpener;

// The launch path of the first record (0-254) of a launch kind whose key code is keyCode.
std::optional<std::u16string> FindLaunchPath(const KeyRecordBuffer& records, std::uint8_t keyCode);

struct LaunchTarget
{
    std::u16string directory;
    std::u16string fileName;
};

// Splits at the last separator: the folder before it, the name after it. Windows paths use a
// backslash, ours a slash; both count. Without a separator the name is empty and the whole
// path is the folder. A path directly under the root keeps "/" as its folder.
LaunchTarget SplitLaunchPath(std::u16string_view path);

// Opens the stored path of the launch key with this code. Nothing happens when no launch key has
// the code or the path names no file.
void LaunchKeyAction(const KeyRecordBuffer& records, std::uint8_t keyCode, ShellOpener& shell);

} // namespace corvane
