#pragma once
// Starting a program (the firmware updater) as a program: directly, detached, in a given working
// folder, without a shell or a desktop opener in between. Whether a file can be run here is
// checked first, so that the user can be told why not before anything is offered.

#include <filesystem>
#include <string>

namespace corvane {

enum class ProgramStartOutcome {
    kStarted,     // started (for CheckRunnable: it could be)
    kMissing,     // no such file
    kNotRunnable, // there, but not a program this user can run on this system
    kFailed,      // looked runnable, but the system refused to start it (detail says why)
};

enum class ProgramProblem {
    kNone,
    kNotAFile,           // a folder, device or FIFO
    kNotExecutable,      // no permission to run it
    kForeignFormat,      // a program for another system (a Windows .exe, another processor)
    kInterpreterMissing, // a script whose interpreter is not installed
};

struct ProgramStartResult
{
    ProgramStartOutcome outcome = ProgramStartOutcome::kStarted;
    ProgramProblem problem = ProgramProblem::kNone;
    std::string detail; // the system's words for kFailed
};

struct ProgramProblemText
{
    const char* german;
    const char* english;
};
ProgramProblemText ProgramProblemTextOf(ProgramProblem problem);

// Whether the file could be started here: a regular file this user may execute, either an ELF
// program for this machine's processor or a script whose interpreter exists. Opens the file
// without blocking and reads only its first bytes.
ProgramStartResult CheckRunnable(const std::filesystem::path& program);

class ProgramStarter
{
public:
    virtual ~ProgramStarter() = default;
    // Starts program with no arguments in workingFolder and does not wait for it to end.
    virtual ProgramStartResult Start(const std::filesystem::path& program,
                                     const std::filesystem::path& workingFolder) = 0;
};

// The real one: checks, then forks twice (so the program is nobody's child to reap), changes to
// the working folder and executes the file; a failure of the exec itself is reported back.
class DetachedProgramStarter : public ProgramStarter
{
public:
    ProgramStartResult Start(const std::filesystem::path& program,
                             const std::filesystem::path& workingFolder) override;
};

} // namespace corvane
