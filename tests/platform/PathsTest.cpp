#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "corvane-paths-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

TEST(DataFolder, FollowsXdgDataHomeAndFallsBackToHome)
{
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
        EXPECT_EQ(DefaultDataFolder(), fs::path("/srv/data/corvane-keyboard"));
    }
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(DefaultDataFolder(), fs::path("/home/someone/.local/share/corvane-keyboard"));
    }
    {
        // A relative XDG_DATA_HOME is invalid and ignored.
        ScopedEnv xdg("XDG_DATA_HOME", "relative/dir");
        EXPECT_EQ(DefaultDataFolder(), fs::path("/home/someone/.local/share/corvane-keyboard"));
    }
}

TEST(DataFolder, IsCreatedOnDemandAndCanBeOverridden)
{
    TempDir temp;
    ScopedEnv xdg("XDG_DATA_HOME", temp.path.c_str());
    const fs::path folder = DataFolder();
    EXPECT_EQ(folder, temp.path / "corvane-keyboard");
    EXPECT_TRUE(fs::is_directory(folder));
    const fs::path chosen = temp.path / "a" / "b";
    EXPECT_EQ(DataFolder(chosen), chosen);
    EXPECT_TRUE(fs::is_directory(chosen));
}

TEST(ProgramFolder, IsTheExecutablesFolderOnlyWhenItHoldsTheSkins)
{
    TempDir temp;
    const fs::path exeDir = temp.path / "bin";
    fs::create_directories(exeDir);
    EXPECT_EQ(ProgramFolderFor(exeDir, "/usr/share/corvane-keyboard"),
              fs::path("/usr/share/corvane-keyboard"));
    fs::create_directories(exeDir / "PNG");
    EXPECT_EQ(ProgramFolderFor(exeDir, "/usr/share/corvane-keyboard"), exeDir);
    EXPECT_EQ(ProgramFolderFor({}, "/opt/x"), fs::path("/opt/x"));
}

TEST(ProgramFolder, ExecutableFolderIsWhereThisTestRuns)
{
    const fs::path folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::exists(folder / "corvane_platform_tests"));
    EXPECT_FALSE(InstalledProgramFolder().empty());
}

} // namespace
} // namespace corvane
