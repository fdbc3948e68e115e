// The launch page of the key dialog: entering it, the option marks, the browse buttons with their
// file and folder choices, and what Save leaves in the result.

#include "KeyDialogFixture.h"

namespace corvane::keytest {
namespace {

class LaunchPageTest : public KeyDialogTest
{
protected:
    void OpenOnLaunchPage()
    {
        Open();
        ClickTab(3);
        ASSERT_EQ(dialog->Page(), 3);
    }
};

TEST_F(LaunchPageTest, EnteringAndSavingAtOnceGivesTheOwnFunction)
{
    Open();
    FocusEdit(dialog->SingleEdit());
    hook.Press(kQ);
    ClickTab(3);
    EXPECT_EQ(result.kind, KeyFunctionKind::kDefault);
    EXPECT_TRUE(Keys().empty()) << "entering the page drops captured keys";
    EXPECT_EQ(dialog->SelectedRow(), CKeyMap::kNone);
    EXPECT_EQ(dialog->MarkedOption(), CKeyMap::kNone);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kDefault);
}

TEST_F(LaunchPageTest, BrowseOutcomesPerRow)
{
    struct Case
    {
        int row;
        QString answer; // null: cancelled
        // After the click:
        KeyFunctionKind kind;
        std::uint8_t selectedRow;
        std::uint8_t markedOption;
        std::u16string path;
        const char* told;
    };
    const QString longPath = "/" + QString(260, QLatin1Char('x'));
    const Case cases[] = {
        // Cancelled: the music and program rows still take the mark; nothing else changes.
        {0, QString(), KeyFunctionKind::kDefault, CKeyMap::kNone, 0, u"", nullptr},
        {1, QString(), KeyFunctionKind::kDefault, CKeyMap::kNone, 4, u"", nullptr},
        {2, QString(), KeyFunctionKind::kDefault, CKeyMap::kNone, CKeyMap::kNone, u"", nullptr},
        {3, QString(), KeyFunctionKind::kDefault, CKeyMap::kNone, CKeyMap::kNone, u"", nullptr},
        // Chosen.
        {0, "/home/u/Music/song.mp3", KeyFunctionKind::kPlayMusic, 0, 0, u"/home/u/Music/song.mp3", nullptr},
        {1, "/usr/local/bin/tool", KeyFunctionKind::kStartProgram, 1, 4, u"/usr/local/bin/tool", nullptr},
        {2, "/home/u/notes.txt", KeyFunctionKind::kOpenFile, 2, 8, u"/home/u/notes.txt", nullptr},
        {3, "/home/u/Documents", KeyFunctionKind::kOpenFolder, 3, 12, u"/home/u/Documents", nullptr},
        // A folder without a place in the file system.
        {3, QStringLiteral(""), KeyFunctionKind::kDefault, CKeyMap::kNone, CKeyMap::kNone, u"",
         "Please select a folder"},
        // Too long to store: refused whole, never cut.
        {2, longPath, KeyFunctionKind::kDefault, CKeyMap::kNone, CKeyMap::kNone, u"",
         "The path is too long: at most 255 characters can be stored."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        prompt.texts.clear();
        chooser.asked.clear();
        chooser.answers = {c.answer};
        OpenOnLaunchPage();
        ClickBrowse(c.row);
        EXPECT_EQ(chooser.asked, (std::vector<int>{c.row}));
        EXPECT_EQ(result.kind, c.kind);
        EXPECT_EQ(dialog->SelectedRow(), c.selectedRow);
        EXPECT_EQ(dialog->MarkedOption(), c.markedOption);
        EXPECT_EQ(result.launchPath, c.path);
        if (c.told != nullptr) {
            ASSERT_EQ(prompt.texts.size(), 1u);
            EXPECT_EQ(prompt.texts[0], c.told);
        } else {
            EXPECT_TRUE(prompt.texts.empty());
        }
        ClickSave();
        ASSERT_TRUE(Accepted());
        EXPECT_EQ(result.kind, c.kind);
    }
}

TEST_F(LaunchPageTest, PathOf255CharactersIsKept)
{
    const QString path = "/" + QString(254, QLatin1Char('y'));
    chooser.answers = {path};
    OpenOnLaunchPage();
    ClickBrowse(2);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kOpenFile);
    EXPECT_EQ(result.launchPath.size(), 255u);
}

TEST_F(LaunchPageTest, AnOptionMarkAloneChoosesNothing)
{
    OpenOnLaunchPage();
    ClickOption(2);
    EXPECT_EQ(dialog->SelectedRow(), 2);
    EXPECT_EQ(dialog->MarkedOption(), 8);
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kDefault);
}

TEST_F(LaunchPageTest, StoredLaunchWhoseMarkMovesLosesItsPathAndIsNotSavedEmpty)
{
    Record().SetKind(KeyFunctionKind::kStartProgram);
    Record().SetLaunchPath(u"/usr/bin/tool");
    Open();
    ClickOption(0);
    EXPECT_TRUE(result.launchPath.empty());
    EXPECT_EQ(result.kind, KeyFunctionKind::kStartProgram) << "the kind moves only with a browse";
    ClickSave();
    ASSERT_TRUE(Accepted());
    EXPECT_EQ(result.kind, KeyFunctionKind::kDefault);
}

TEST_F(LaunchPageTest, ClickingTheTabAgainKeepsTheChosenRow)
{
    chooser.answers = {QString("/home/u/Documents")};
    OpenOnLaunchPage();
    ClickBrowse(3);
    ClickTab(3);
    EXPECT_EQ(dialog->SelectedRow(), 3);
    EXPECT_EQ(dialog->MarkedOption(), CKeyMap::kNone);
    EXPECT_EQ(result.kind, KeyFunctionKind::kOpenFolder);
    ClickSave();
    EXPECT_EQ(result.kind, KeyFunctionKind::kOpenFolder);
    EXPECT_EQ(result.launchPath, u"/home/u/Documents");
}

TEST_F(LaunchPageTest, CaptionAndPathBoxTakeNoClicks)
{
    chooser.answers = {QString("/home/u/Documents")};
    OpenOnLaunchPage();
    ClickBrowse(3);
    Click(100, 90);  // row 0 caption
    Click(250, 152); // row 1 path box
    EXPECT_TRUE(chooser.answers.empty());
    EXPECT_EQ(dialog->SelectedRow(), 3);
    EXPECT_EQ(result.kind, KeyFunctionKind::kOpenFolder);
}

} // namespace
} // namespace corvane::keytest
