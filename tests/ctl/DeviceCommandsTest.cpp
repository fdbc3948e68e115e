// corvanectl's keyboard commands, run as a program against the emulated keyboard.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct CtlRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class DeviceCommands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("corvanectl-device-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    CtlRun Ctl(const std::string& arguments)
    {
        const fs::path out = dir_ / "out.txt";
        const fs::path err = dir_ / "err.txt";
        const std::string command = std::string(CORVANECTL_PATH) + " --data-dir '" + dir_.string() + "' " +
                                    arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        CtlRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Slurp(out);
        run.err = Slurp(err);
        return run;
    }
    static std::vector<std::string> Lines(const std::string& text, const std::string& prefix)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        return lines;
    }
    fs::path dir_;
};

TEST_F(DeviceCommands, InfoShowsIdsAndFirmware)
{
    const CtlRun run = Ctl("--emulate=fresh info");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("keyboard: 3f1c:0101\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("firmware: "), std::string::npos);
    // Options may also follow the command, and extra ID pairs do not disturb the built-in ones.
    EXPECT_EQ(Ctl("info --emulate=fresh --device-ids 1234:abcd,0001:0002").exitCode, 0);
    EXPECT_EQ(Ctl("info --version").out, "corvanectl " CORVANE_VERSION "\n");
}

TEST_F(DeviceCommands, ReadTracesTheWholeSequenceAndDescribesTheSettings)
{
    const CtlRun run = Ctl("--emulate=fresh --trace read");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Brightness: 50\n"), std::string::npos) << run.out;
    const auto frames = Lines(run.err, "set-feature ");
    // The start-up read and the lighting read of the read-complete step.
    ASSERT_EQ(frames.size(), 53u);
    EXPECT_EQ(frames[0], "set-feature 00 09 01 00 00 00 00 00 f5 +0ms");
    EXPECT_EQ(frames[1], "set-feature 00 80 00 00 00 00 00 00 7f +20ms");
    EXPECT_EQ(Lines(run.err, "read ").size(), 145u);
    EXPECT_EQ(Lines(run.err, "get-feature ").size(), 52u);
    EXPECT_TRUE(Lines(run.err, "write ").empty());
}

TEST_F(DeviceCommands, ApplySendsTheFilesDifferences)
{
    std::vector<char> profile(206920, 0);
    profile[7452] = 12; // brightness
    const fs::path file = dir_ / "profile.bin";
    std::ofstream(file, std::ios::binary).write(profile.data(), static_cast<std::streamsize>(profile.size()));

    const CtlRun run = Ctl("--emulate=fresh --trace apply '" + file.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "applied " + file.string() + "\n");
    const auto frames = Lines(run.err, "set-feature 00 08 02 ");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].substr(0, 35), "set-feature 00 08 02 00 0a 0c 00 00");
    EXPECT_FALSE(Lines(run.err, "write ").empty());
}

TEST_F(DeviceCommands, ResetSendsTheFactoryResetAfterTheRead)
{
    const CtlRun run = Ctl("--emulate=fresh --trace reset");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "keyboard reset to factory settings\n");
    const auto frames = Lines(run.err, "set-feature ");
    ASSERT_GT(frames.size(), 53u);
    EXPECT_EQ(frames[53], "set-feature 00 13 ff 00 00 00 00 00 ed +0ms");
    EXPECT_EQ(frames.size(), 53u + 3u + 51u);
}

// Ten scripts change the one emulated keyboard at once: they take turns, so every one succeeds,
// and the keyboard and keymap.bin end with the same one of their values.
TEST_F(DeviceCommands, CommandsStartedTogetherTakeTurns)
{
    const fs::path script = dir_ / "ten.sh";
    std::ofstream(script) << "fail=0\nfor n in 11 12 13 14 15 16 17 18 19 20; do\n  '" << CORVANECTL_PATH
                          << "' --data-dir '" << dir_.string()
                          << "' --emulate set brightness=$n >/dev/null 2>>'" << (dir_ / "ten.err").string()
                          << "' &\ndone\n"
                          << "for job in $(jobs -p); do wait $job || fail=1; done\nexit $fail\n";
    const int status = std::system(("bash '" + script.string() + "'").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << Slurp(dir_ / "ten.err");
    const CtlRun read = Ctl("--emulate read");
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const auto brightness = Lines(read.out, "Brightness: ");
    ASSERT_EQ(brightness.size(), 1u);
    const int value = std::stoi(brightness[0].substr(12));
    EXPECT_GE(value, 11);
    EXPECT_LE(value, 20);
    EXPECT_EQ(static_cast<unsigned char>(Slurp(dir_ / "keymap.bin").at(7452)), value);
}

TEST_F(DeviceCommands, FailuresSayWhatWentWrong)
{
    CtlRun run = Ctl("--emulate=fresh apply '" + (dir_ / "missing.bin").string() + "'");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("missing.bin does not exist"), std::string::npos) << run.err;

    run = Ctl("--emulate=fresh --device-ids 12345 info");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("bad --device-ids value '12345'"), std::string::npos) << run.err;

    run = Ctl("--emulate=fresh read extra");
    EXPECT_EQ(run.exitCode, 2);

    // No device nodes exist here: the real backend finds nothing.
    run = Ctl("info");
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err, "corvanectl: no keyboard found\n");
}

} // namespace
