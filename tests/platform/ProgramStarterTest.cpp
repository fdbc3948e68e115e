// Starting the firmware updater as a program: what counts as runnable here, and a real start in its
// own folder, detached from the program that started it.

#include "platform/ProgramStarter.h"
#include "../store/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace corvane {
namespace {

namespace fs = std::filesystem;

fs::path WriteFile(const fs::path& file, const std::string& content, mode_t mode)
{
    {
        std::ofstream out(file, std::ios::binary);
        out << content;
    }
    ::chmod(file.c_str(), mode);
    return file;
}

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Our own ELF header with another processor in e_machine.
std::string ForeignElf()
{
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::string header(64, '\0');
    self.read(header.data(), static_cast<std::streamsize>(header.size()));
    header[18] =
        static_cast<char>(static_cast<unsigned char>(header[18]) == 0xB7 ? 0x3E : 0xB7); // aarch64 or x86-64
    header[19] = 0;
    return header;
}

TEST(ProgramStarter, CheckTellsWhyAFileCannotRun)
{
    testing::TempFolder folder;
    fs::create_directory(folder / "Folder.exe");
    struct Case
    {
        fs::path file;
        ProgramStartOutcome outcome;
        ProgramProblem problem;
    };
    const Case cases[] = {
        {folder / "missing.exe", ProgramStartOutcome::kMissing, ProgramProblem::kNone},
        {folder / "Folder.exe", ProgramStartOutcome::kNotRunnable, ProgramProblem::kNotAFile},
        {WriteFile(folder / "plain.sh", "#!/bin/sh\nexit 0\n", 0644), ProgramStartOutcome::kNotRunnable,
         ProgramProblem::kNotExecutable},
        {WriteFile(folder / "windows.exe", std::string("MZ\x90\0\3\0\0\0", 8) + std::string(120, '\0'), 0755),
         ProgramStartOutcome::kNotRunnable, ProgramProblem::kForeignFormat},
        {WriteFile(folder / "foreign.elf", ForeignElf(), 0755), ProgramStartOutcome::kNotRunnable,
         ProgramProblem::kForeignFormat},
        {WriteFile(folder / "empty", "", 0755), ProgramStartOutcome::kNotRunnable,
         ProgramProblem::kForeignFormat},
        {WriteFile(folder / "orphan.sh", "#!/no/such/interpreter -x\n", 0755),
         ProgramStartOutcome::kNotRunnable, ProgramProblem::kInterpreterMissing},
        {WriteFile(folder / "script.sh", "#! /bin/sh -e\nexit 0\n", 0755), ProgramStartOutcome::kStarted,
         ProgramProblem::kNone},
        {"/proc/self/exe", ProgramStartOutcome::kStarted, ProgramProblem::kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.string());
        const ProgramStartResult result = CheckRunnable(c.file);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.problem, c.problem);
        // The real starter refuses the same files without running anything.
        if (c.outcome != ProgramStartOutcome::kStarted) {
            const ProgramStartResult started = DetachedProgramStarter().Start(c.file, folder.path());
            EXPECT_EQ(started.outcome, c.outcome);
            EXPECT_EQ(started.problem, c.problem);
        }
    }
}

TEST(ProgramStarter, StartsTheProgramInItsFolderDetached)
{
    testing::TempFolder folder;
    const fs::path program =
        WriteFile(folder / "Corvane Keyboard_Update.exe",
                  "#!/bin/sh\necho \"$(pwd) $PPID\" > started.tmp\nmv started.tmp started\n", 0755);
    const ProgramStartResult result = DetachedProgramStarter().Start(program, folder.path());
    ASSERT_EQ(result.outcome, ProgramStartOutcome::kStarted) << result.detail;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(folder / "started") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(folder / "started"));
    std::istringstream line(ReadText(folder / "started"));
    std::string workingFolder;
    long parent = 0;
    line >> workingFolder >> parent;
    EXPECT_EQ(fs::canonical(workingFolder), fs::canonical(folder.path()));
    // Nobody's child here: the test process never has to reap it.
    EXPECT_NE(parent, static_cast<long>(::getpid()));
}

TEST(ProgramStarter, AFolderThatCannotBeEnteredIsAFailedStart)
{
    testing::TempFolder folder;
    const fs::path program = WriteFile(folder / "updater", "#!/bin/sh\ntouch ran\n", 0755);
    const ProgramStartResult result = DetachedProgramStarter().Start(program, folder / "gone");
    EXPECT_EQ(result.outcome, ProgramStartOutcome::kFailed);
    EXPECT_FALSE(result.detail.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(folder / "ran"));
}

} // namespace
} // namespace corvane
