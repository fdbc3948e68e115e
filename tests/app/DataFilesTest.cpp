// The window's own files when they cannot be used, and launch keys that point nowhere: the window
// starts all the same, tells the user which file or key and why, and never writes over the file.

#include "MainWindowFixture.h"

#include "store/SettingsFiles.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

namespace corvane::apptest {
namespace {

class DataFilesTest : public MainWindowTest
{
protected:
    QString Told() const
    {
        QString all;
        for (const PromptCall& call : prompt.calls)
            all += call.text + QLatin1Char('\n');
        return all;
    }
    // The start-up read, the apply and the close button all write keymap.bin where they may.
    void StartApplyAndClose()
    {
        Start();
        QTest::qWait(20);
        Click(890, 572); // apply
        Click(985, 12);  // close
    }
};

TEST_F(DataFilesTest, AFileTheProgramCannotUseIsToldOnceAndKeptAsItIs)
{
    struct Case
    {
        const char* name;
        const char* file;
        std::function<void(const std::filesystem::path&)> make;
        const char* says;
    };
    const Case cases[] = {
        {"short keymap", "keymap.bin", [](const std::filesystem::path& p) { std::ofstream(p) << "short"; },
         "keymap.bin"},
        {"keymap as a FIFO", "keymap.bin", [](const std::filesystem::path& p) { ::mkfifo(p.c_str(), 0600); },
         "keymap.bin"},
        {"keymap as a folder", "keymap.bin",
         [](const std::filesystem::path& p) { std::filesystem::create_directory(p); }, "keymap.bin"},
        {"macro file as a FIFO", "MacroDefine.bin",
         [](const std::filesystem::path& p) { ::mkfifo(p.c_str(), 0600); }, "MacroDefine.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dataFolder / c.file;
        c.make(file);
        struct stat before
        {
        };
        ASSERT_EQ(::lstat(file.c_str(), &before), 0);
        prompt.calls.clear();
        StartApplyAndClose();
        QTest::qWait(20);
        // Told once, naming the file.
        ASSERT_EQ(prompt.calls.size(), 1u) << Told().toStdString();
        EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromLatin1(c.says))) << Told().toStdString();
        // Nothing was written over it: same kind, size and inode.
        struct stat after
        {
        };
        ASSERT_EQ(::lstat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_size, before.st_size);
        window.reset();
        std::filesystem::remove_all(file);
        std::filesystem::remove(dataFolder / "keymap.bin");
        std::filesystem::remove(dataFolder / "MacroDefine.bin");
    }
}

TEST_F(DataFilesTest, LeftoversOfAnInterruptedSaveGoAtTheNextStart)
{
    std::ofstream(dataFolder / ".keymap.bin.tmp-AbC123") << "half";
    std::ofstream(dataFolder / "keymap.bin.backup") << "mine";
    Start();
    EXPECT_FALSE(std::filesystem::exists(dataFolder / ".keymap.bin.tmp-AbC123"));
    EXPECT_TRUE(std::filesystem::exists(dataFolder / "keymap.bin.backup"));
    EXPECT_TRUE(prompt.calls.empty());
}

TEST_F(DataFilesTest, ALaunchKeyThatPointsNowhereIsToldWithKeyAndPath)
{
    Start();
    KeyRecord& record = state->records[30];
    record[rec::kKeyCode] = 0x42;
    record.SetKind(KeyFunctionKind::kOpenFile);
    record.SetLaunchPath(u"/nonexistent/corvane/song.mp3");
    emulator.SendKeyEvent(0x42);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompt.calls.empty(); }, 2000));
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(prompt.calls[0].text.contains(QStringLiteral("/nonexistent/corvane/song.mp3")));
    EXPECT_TRUE(prompt.calls[0].text.contains(QStringLiteral("launch key B ")))
        << prompt.calls[0].text.toStdString();
}

} // namespace
} // namespace corvane::apptest
