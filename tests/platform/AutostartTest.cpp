#include "platform/Autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class AutostartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "corvane-autostart-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, ec);
        fs::remove_all(root, ec);
    }
    fs::path root;
};

TEST(DesktopExecLine, QuotesAndEscapesWhatTheExecKeyReserves)
{
    struct Case
    {
        const char* program;
        const char* expected; // nullptr: cannot be written
    };
    const Case cases[] = {
        {"/usr/bin/corvane-keyboard", "/usr/bin/corvane-keyboard --minimized"},
        {"/home/a b/bin/corvane-keyboard", "\"/home/a b/bin/corvane-keyboard\" --minimized"},
        // Inside quotes " ` $ \ take a backslash; every backslash of the value is then doubled.
        {"/opt/$HOME/x", "\"/opt/\\\\$HOME/x\" --minimized"},
        {"/opt/say\"hi\"/x", "\"/opt/say\\\\\"hi\\\\\"/x\" --minimized"},
        {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\" --minimized"},
        {"/opt/`cmd`", "\"/opt/\\\\`cmd\\\\`\" --minimized"},
        // % would start a field code such as %f.
        {"/opt/100%/x", "/opt/100%%/x --minimized"},
        {"/opt/line\nbreak", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        const auto line = DesktopExecLine(c.program, {"--minimized"});
        if (c.expected == nullptr) {
            EXPECT_FALSE(line.has_value());
        } else {
            ASSERT_TRUE(line.has_value());
            EXPECT_EQ(*line, c.expected);
        }
    }
}

TEST_F(AutostartTest, OnWritesAnEntryThatStartsMinimizedAndOffRemovesIt)
{
    const fs::path file = root / "config" / "autostart" / "corvane-keyboard.desktop";
    const AutostartResult on = SetAutostart(true, "/opt/corvane keyboard/bin/corvane-keyboard", file);
    ASSERT_TRUE(on.ok) << on.problem;
    const std::string entry = ReadAll(file);
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nExec=\"/opt/corvane keyboard/bin/corvane-keyboard\" --minimized\n"),
              std::string::npos);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    // Gone with the program: the desktop skips an entry whose program is missing.
    EXPECT_NE(entry.find("\nTryExec=/opt/corvane keyboard/bin/corvane-keyboard\n"), std::string::npos);

    // Turning it on again replaces the entry rather than failing.
    ASSERT_TRUE(SetAutostart(true, "/usr/bin/corvane-keyboard", file).ok);
    EXPECT_NE(ReadAll(file).find("\nExec=/usr/bin/corvane-keyboard --minimized\n"), std::string::npos);

    // What an interrupted write left goes with the next one; the desktop's other entries stay.
    const fs::path leftover = file.parent_path() / ".corvane-keyboard.desktop.tmp-Ab12Cd";
    const fs::path others = file.parent_path() / ".other.desktop.tmp-Ab12Cd";
    std::ofstream(leftover) << "half";
    std::ofstream(others) << "theirs";
    ASSERT_TRUE(SetAutostart(true, "/usr/bin/corvane-keyboard", file).ok);
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_TRUE(fs::exists(others));

    ASSERT_TRUE(SetAutostart(false, "/usr/bin/corvane-keyboard", file).ok);
    EXPECT_FALSE(fs::exists(file));
    // Off when it is already off is no failure.
    EXPECT_TRUE(SetAutostart(false, "/usr/bin/corvane-keyboard", file).ok);
}

TEST_F(AutostartTest, FailuresAreReportedNotTakenForSuccess)
{
    // A plain file where the autostart folder should be.
    std::ofstream(root / "autostart") << "x";
    const AutostartResult blocked =
        SetAutostart(true, "/usr/bin/corvane-keyboard", root / "autostart" / "c.desktop");
    EXPECT_FALSE(blocked.ok);
    EXPECT_NE(blocked.problem.find((root / "autostart").string()), std::string::npos);

    // A path that no desktop entry can hold writes nothing.
    const fs::path file = root / "a" / "corvane-keyboard.desktop";
    EXPECT_FALSE(SetAutostart(true, "/opt/line\nbreak", file).ok);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(SetAutostart(true, fs::path(), file).ok);
}

TEST(AutostartFile, FollowsXdgConfigHome)
{
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", "/srv/conf", 1);
    EXPECT_EQ(AutostartFile(), fs::path("/srv/conf/autostart/corvane-keyboard.desktop"));
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        EXPECT_EQ(AutostartFile(), fs::path(home) / ".config/autostart/corvane-keyboard.desktop");
    }
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace corvane
