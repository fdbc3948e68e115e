#include "keys/LaunchKeyAction.h"

#include "../store/TempFolder.h"
#include "keys/ShellOpener.h"
#include "store/SettingsFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace corvane {
namespace {

using ::testing::Return;

class FakeShell : public ShellOpener
{
public:
    MOCK_METHOD(bool, Open, (const std::string& path, const std::string& workingDir), (override));
    MOCK_METHOD(bool, CanRun, (const std::string& path), (override));
    MOCK_METHOD(bool, Run, (const std::string& path, const std::string& workingDir), (override));
    MOCK_METHOD(bool, StartDesktopEntry, (const std::string& path), (override));
};

void MakeLaunchKey(KeyRecordBuffer& records, std::size_t position, KeyFunctionKind kind, std::u16string path)
{
    records[position].SetKind(kind);
    records[position].SetLaunchPath(path);
}

TEST(FileUrl, EncodesEverythingThatCouldMeanSomethingElse)
{
    const struct
    {
        const char* path;
        const char* url;
    } cases[] = {
        {"/home/u/Music/a.mp3", "file:///home/u/Music/a.mp3"},
        {"/home/u/-rf", "file:///home/u/-rf"},
        {"/x/mailto:me@host", "file:///x/mailto%3Ame%40host"},
        {"/x/https://evil", "file:///x/https%3A//evil"},
        {"/a b/c%20d", "file:///a%20b/c%2520d"},
        {"/q?x=1#frag", "file:///q%3Fx%3D1%23frag"},
        {"/line\nbreak", "file:///line%0Abreak"},
        {"/Fol\xC3\xA9"
         "der",
         "file:///Fol%C3%A9der"},
        {"/a\\b;c'd\"e$f", "file:///a%5Cb%3Bc%27d%22e%24f"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileUrl(c.path), c.url) << c.path;
}

class LaunchKeyActionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RestampDefaultKeyOrder(*records);
        std::ofstream(folder / "song.mp3").put('x');
        std::filesystem::create_directory(folder / "Fol\xC3\xA9"
                                                   "der");
    }
    std::u16string Path(const std::string& name) const { return (folder / name).u16string(); }

    testing::TempFolder folder;
    std::unique_ptr<KeyRecordBuffer> records = std::make_unique<KeyRecordBuffer>();
    FakeShell shell;
};

TEST_F(LaunchKeyActionTest, OpensOnlyAbsolutePathsThatExist)
{
    const std::string base = folder.path().string();
    const struct
    {
        std::u16string stored;
        LaunchOutcome outcome;
        std::string openedPath; // empty: the shell is not asked
    } cases[] = {
        {Path("song.mp3"), LaunchOutcome::kLaunched, base + "/song.mp3"},
        {Path("Fol\xC3\xA9"
              "der"),
         LaunchOutcome::kLaunched,
         base + "/Fol\xC3\xA9"
                "der"},
        {Path("missing.mp3"), LaunchOutcome::kPathMissing, ""},
        {u"song.mp3", LaunchOutcome::kNotAbsolute, ""},
        {u"-rf", LaunchOutcome::kNotAbsolute, ""},
        {u"mailto:me@example.org", LaunchOutcome::kNotAbsolute, ""},
        {u"C:\\Music\\song.mp3", LaunchOutcome::kNotAbsolute, ""},
        {u"", LaunchOutcome::kNotAbsolute, ""},
    };
    for (const auto& c : cases) {
        MakeLaunchKey(*records, 3, KeyFunctionKind::kOpenFile, c.stored); // F3, code 114
        if (c.openedPath.empty())
            EXPECT_CALL(shell, Open).Times(0);
        else
            EXPECT_CALL(shell, Open(c.openedPath, base)).WillOnce(Return(true));
        const LaunchResult result = LaunchKeyAction(*records, 114, shell);
        EXPECT_EQ(result.outcome, c.outcome) << c.openedPath;
        EXPECT_EQ(result.keyCode, 114);
        ::testing::Mock::VerifyAndClearExpectations(&shell);
    }
}

TEST_F(LaunchKeyActionTest, FindsTheFirstLaunchRecordWithTheCodeAnywhere)
{
    MakeLaunchKey(*records, 9, KeyFunctionKind::kPlayMusic, Path("song.mp3")); // code 120
    (*records)[2][rec::kKind] = 3; // code 113 but not a launch kind
    (*records)[2].SetLaunchPath(Path("song.mp3"));
    (*records)[200][rec::kKeyCode] = 250; // beyond the keys: searched all the same
    MakeLaunchKey(*records, 200, KeyFunctionKind::kStartProgram,
                  Path("Fol\xC3\xA9"
                       "der"));
    EXPECT_CALL(shell, Open(folder.path().string() + "/song.mp3", folder.path().string()))
        .WillOnce(Return(true));
    EXPECT_EQ(LaunchKeyAction(*records, 120, shell).outcome, LaunchOutcome::kLaunched);
    EXPECT_CALL(shell, Open(folder.path().string() + "/Fol\xC3\xA9"
                                                     "der",
                            folder.path().string()))
        .WillOnce(Return(true));
    EXPECT_EQ(LaunchKeyAction(*records, 250, shell).outcome, LaunchOutcome::kLaunched);
    EXPECT_EQ(LaunchKeyAction(*records, 113, shell).outcome, LaunchOutcome::kNoLaunchKey);
    EXPECT_EQ(LaunchKeyAction(*records, 27, shell).outcome, LaunchOutcome::kNoLaunchKey);
}

TEST_F(LaunchKeyActionTest, OnlyStartupRunsAndOnlyWhatIsMadeToRun)
{
    std::ofstream(folder / "tool").put('x');
    std::ofstream(folder / "notes.txt").put('x');
    std::ofstream(folder / "app.desktop").put('x');
    std::filesystem::create_directory(folder / "tools.desktop");
    using K = KeyFunctionKind;
    const struct
    {
        K kind;
        const char* name;
        LaunchMethod method;
        bool started; // what the shell answers
        LaunchOutcome outcome;
    } cases[] = {
        {K::kStartProgram, "tool", LaunchMethod::kRun, true, LaunchOutcome::kLaunched},
        {K::kStartProgram, "tool", LaunchMethod::kRun, false, LaunchOutcome::kStartFailed},
        {K::kStartProgram, "app.desktop", LaunchMethod::kStartDesktopEntry, true, LaunchOutcome::kLaunched},
        {K::kStartProgram, "app.desktop", LaunchMethod::kStartDesktopEntry, false,
         LaunchOutcome::kStartFailed},
        {K::kStartProgram, "notes.txt", LaunchMethod::kOpen, true, LaunchOutcome::kLaunched},
        {K::kStartProgram, "tools.desktop", LaunchMethod::kOpen, true, LaunchOutcome::kLaunched},
        {K::kOpenFile, "tool", LaunchMethod::kOpen, true, LaunchOutcome::kLaunched},
        {K::kPlayMusic, "app.desktop", LaunchMethod::kOpen, true, LaunchOutcome::kLaunched},
        {K::kOpenFolder, "tools.desktop", LaunchMethod::kOpen, false, LaunchOutcome::kHandlerFailed},
    };
    const std::string base = folder.path().string();
    const std::string runnable = (folder / "tool").string();
    for (const auto& c : cases) {
        const std::string path = (folder / c.name).string();
        MakeLaunchKey(*records, 3, c.kind, Path(c.name));
        EXPECT_CALL(shell, CanRun).WillRepeatedly([&](const std::string& p) { return p == runnable; });
        EXPECT_CALL(shell, Open)
            .Times(c.method == LaunchMethod::kOpen ? 1 : 0)
            .WillRepeatedly(Return(c.started));
        EXPECT_CALL(shell, Run(path, base))
            .Times(c.method == LaunchMethod::kRun ? 1 : 0)
            .WillRepeatedly(Return(c.started));
        EXPECT_CALL(shell, StartDesktopEntry(path))
            .Times(c.method == LaunchMethod::kStartDesktopEntry ? 1 : 0)
            .WillRepeatedly(Return(c.started));
        const LaunchResult result = LaunchKeyAction(*records, 114, shell);
        EXPECT_EQ(result.method, c.method) << c.name;
        EXPECT_EQ(result.outcome, c.outcome) << c.name;
        ::testing::Mock::VerifyAndClearExpectations(&shell);
    }
}

TEST_F(LaunchKeyActionTest, AHandlerThatCannotStartIsReported)
{
    MakeLaunchKey(*records, 3, KeyFunctionKind::kOpenFile, Path("song.mp3"));
    EXPECT_CALL(shell, Open).WillOnce(Return(false));
    EXPECT_EQ(LaunchKeyAction(*records, 114, shell).outcome, LaunchOutcome::kHandlerFailed);
}

TEST_F(LaunchKeyActionTest, TheUserIsToldWhichKeyPointsWhere)
{
    MakeLaunchKey(*records, 3, KeyFunctionKind::kOpenFile, Path("gone.mp3"));
    const LaunchResult missing = LaunchKeyAction(*records, 114, shell);
    const std::string path = folder.path().string() + "/gone.mp3";
    EXPECT_EQ(LaunchResultText(missing, TextLanguage::kEnglish),
              "The launch key F3 points to " + path + ", which does not exist.");
    EXPECT_EQ(LaunchResultText(missing, TextLanguage::kGerman),
              "Die Starttaste F3 verweist auf " + path + ", das es nicht gibt.");

    MakeLaunchKey(*records, 3, KeyFunctionKind::kOpenFile, u"C:\\a.mp3");
    const std::string relative =
        LaunchResultText(LaunchKeyAction(*records, 114, shell), TextLanguage::kEnglish);
    EXPECT_NE(relative.find("F3"), std::string::npos);
    EXPECT_NE(relative.find("\"C:\\a.mp3\""), std::string::npos);

    EXPECT_EQ(LaunchResultText(LaunchKeyAction(*records, 27, shell), TextLanguage::kEnglish), "");
}

} // namespace
} // namespace corvane
