#pragma once
// Carrying out a launch key when the keyboard reports its press.

#include "files/FileStatus.h"
#include "format/KeyRecord.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

class ShellOpener;

// The first record (0-254) of a launch kind whose key code is keyCode, or nullptr.
const KeyRecord* FindLaunchRecord(const KeyRecordBuffer& records, std::uint8_t keyCode);

enum class LaunchOutcome {
    kLaunched,      // the handler was started with the path
    kNoLaunchKey,   // no record of a launch kind has this key code: nothing to do
    kNotAbsolute,   // the stored path is empty or relative (a Windows path, say): not opened
    kPathMissing,   // nothing exists at the path: not opened
    kHandlerFailed, // no handler could be started
    kStartFailed,   // the program or the desktop entry's application could not be started
};

// How a launch path is carried out. Only "Startup" runs anything, and only what is made to run:
// a desktop entry starts its application, a program or script for this system runs; everything
// else, and every path of the other launch kinds, is opened by the desktop's handler.
enum class LaunchMethod {
    kOpen,
    kRun,
    kStartDesktopEntry,
};

struct LaunchResult
{
    LaunchOutcome outcome = LaunchOutcome::kNoLaunchKey;
    std::uint8_t keyCode = 0;
    std::string path; // UTF-8, as stored
    LaunchMethod method = LaunchMethod::kOpen;
};

// A "file://" URL for an absolute path: every byte but letters, digits, "-._~" and "/" is
// percent-encoded, so the URL can be read neither as an option nor as another scheme.
std::string FileUrl(std::string_view absolutePath);

// Carries out the launch key with this code, in the path's own folder (see LaunchMethod). Only an
// absolute path that exists is handed on; the result tells the caller what happened, so a key that
// points nowhere can be reported by its code and path.
LaunchResult LaunchKeyAction(const KeyRecordBuffer& records, std::uint8_t keyCode, ShellOpener& shell);

// What to tell the user about a launch that did not happen, naming the key and the path; empty
// for kLaunched and kNoLaunchKey.
std::string LaunchResultText(const LaunchResult& result, TextLanguage language);

} // namespace corvane
