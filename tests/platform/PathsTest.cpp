#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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
        ScopedEnv state("XDG_STATE_HOME", "/srv/state");
        EXPECT_EQ(DefaultDataFolder(), fs::path("/srv/data/corvane-keyboard"));
        EXPECT_EQ(DefaultStateFolder(), fs::path("/srv/state/corvane-keyboard"));
    }
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv state("XDG_STATE_HOME", nullptr);
        EXPECT_EQ(DefaultDataFolder(), fs::path("/home/someone/.local/share/corvane-keyboard"));
        EXPECT_EQ(DefaultStateFolder(), fs::path("/home/someone/.local/state/corvane-keyboard"));
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

TEST(ProgramFolder, FirstFolderHoldingTheSkinsWins)
{
    struct Case
    {
        const char* name;
        std::vector<const char*> skinFolders; // relative to the temporary root
        const char* expected;                 // nullptr: none found
        const char* plainFile = nullptr;      // a file, not a folder, made at this path
    };
    const Case cases[] = {
        {"build tree: png beside the executable", {"bin/png"}, "bin"},
        {"installed tree: share beside bin", {"share/corvane-keyboard/png"}, "share/corvane-keyboard"},
        {"name matched without regard to case", {"share/corvane-keyboard/PNG"}, "share/corvane-keyboard"},
        {"executable folder before share", {"bin/png", "share/corvane-keyboard/png"}, "bin"},
        {"no folder fixed at build time is tried", {"fixed/png"}, nullptr},
        {"a file named png is no skin folder", {}, nullptr, "share/corvane-keyboard/png"},
        {"nothing anywhere", {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir temp;
        fs::create_directories(temp.path / "bin");
        for (const char* folder : c.skinFolders)
            fs::create_directories(temp.path / folder);
        if (c.plainFile != nullptr) {
            const fs::path file = temp.path / c.plainFile;
            fs::create_directories(file.parent_path());
            std::FILE* f = std::fopen(file.c_str(), "w");
            ASSERT_NE(f, nullptr);
            std::fclose(f);
        }
        const auto candidates = ProgramFolderCandidates(temp.path / "bin");
        const auto found = FindProgramFolder(candidates);
        if (c.expected == nullptr) {
            EXPECT_FALSE(found.has_value());
        } else {
            ASSERT_TRUE(found.has_value());
            EXPECT_EQ(*found, (temp.path / c.expected).lexically_normal());
        }
    }
}

TEST(ProgramFolder, CandidatesAreNormalised)
{
    EXPECT_EQ(ProgramFolderCandidates("/opt/corvane/bin"),
              (std::vector<fs::path>{"/opt/corvane/bin", "/opt/corvane/share/corvane-keyboard"}));
    EXPECT_EQ(ProgramFolderCandidates("/opt/corvane/bin/"),
              (std::vector<fs::path>{"/opt/corvane/bin/", "/opt/corvane/share/corvane-keyboard"}));
    EXPECT_TRUE(ProgramFolderCandidates({}).empty());
}

TEST(ProgramFolder, ExecutableFolderIsWhereThisTestRuns)
{
    const fs::path folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::exists(folder / "corvane_platform_tests"));
}

} // namespace
} // namespace corvane
