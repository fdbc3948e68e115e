#include "keys/LaunchKeyAction.h"

#include "keys/ShellOpener.h"
#include "store/SettingsFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace corvane {
namespace {

class FakeShell : public ShellOpener
{
public:
    MOCK_METHOD(void, Open, (const std::string& fileName, const std::string& workingDir), (override));
};

void MakeLaunchKey(KeyRecordBuffer& records, std::size_t position, KeyFunctionKind kind, std::u16string path)
{
    records[position].SetKind(kind);
    records[position].SetLaunchPath(path);
}

TEST(SplitLaunchPath, CutsAtTheLastSeparator)
{
    auto split = [](std::u16string_view p) {
        const LaunchTarget t = SplitLaunchPath(p);
        return std::make_pair(t.directory, t.fileName);
    };
    EXPECT_EQ(split(u"C:\\Music\\song.mp3"),
              std::make_pair(std::u16string(u"C:\\Music"), std::u16string(u"song.mp3")));
    EXPECT_EQ(split(u"/home/u/Music"), std::make_pair(std::u16string(u"/home/u"), std::u16string(u"Music")));
    EXPECT_EQ(split(u"/home/u\\odd/x.txt"),
              std::make_pair(std::u16string(u"/home/u\\odd"), std::u16string(u"x.txt")));
    EXPECT_EQ(split(u"/song.mp3"), std::make_pair(std::u16string(u"/"), std::u16string(u"song.mp3")));
    EXPECT_EQ(split(u"song.mp3"), std::make_pair(std::u16string(u"song.mp3"), std::u16string()));
    EXPECT_EQ(split(u"C:\\Folder\\"), std::make_pair(std::u16string(u"C:\\Folder"), std::u16string()));
}

TEST(LaunchKeyAction, OpensTheFirstLaunchRecordWithTheCode)
{
    auto records = std::make_unique<KeyRecordBuffer>();
    RestampDefaultKeyOrder(*records);
    MakeLaunchKey(*records, 9, KeyFunctionKind::kPlayMusic, u"/music/a.mp3"); // code 120
    MakeLaunchKey(*records, 3, KeyFunctionKind::kOpenFolder, u"/home/u/Fol\u00e9der");
    (*records)[2][rec::kKind] = 3; // code 113 but not a launch kind
    (*records)[2].SetLaunchPath(u"/never");
    FakeShell shell;
    EXPECT_CALL(shell, Open("Fol\xC3\xA9"
                            "der",
                            "/home/u"));
    LaunchKeyAction(*records, 114, shell);
    EXPECT_CALL(shell, Open("a.mp3", "/music"));
    LaunchKeyAction(*records, 120, shell);
    LaunchKeyAction(*records, 113, shell);
    LaunchKeyAction(*records, 27, shell);
}

TEST(LaunchKeyAction, RecordsBeyondTheKeysAreSearchedToo)
{
    auto records = std::make_unique<KeyRecordBuffer>();
    (*records)[200][rec::kKeyCode] = 250;
    MakeLaunchKey(*records, 200, KeyFunctionKind::kStartProgram, u"/bin/tool");
    FakeShell shell;
    EXPECT_CALL(shell, Open("tool", "/bin"));
    LaunchKeyAction(*records, 250, shell);
}

TEST(LaunchKeyAction, APathWithoutSeparatorOpensNothing)
{
    auto records = std::make_unique<KeyRecordBuffer>();
    RestampDefaultKeyOrder(*records);
    MakeLaunchKey(*records, 3, KeyFunctionKind::kOpenFile, u"notes.txt");
    FakeShell shell;
    EXPECT_CALL(shell, Open).Times(0);
    LaunchKeyAction(*records, 114, shell);
}

} // namespace
} // namespace corvane
