// The window's own files when they cannot be used, and launch keys that point nowhere: the window
// starts all the same, tells the user which file or key and why, and never writes over the file.

#include "MainWindowFixture.h"

#include "../store/SmallDisk.h"
#include "keys/MacroKeys.h"
#include "store/SettingsFiles.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>
#include <fstream>
#include <iterator>

namespace corvane::apptest {
namespace {

// A key dialog the test answers: each opening takes the next result (Save), or cancels when none
// is left.
class ScriptedKeyWindow : public KeyAssignmentWindow
{
public:
    bool Open(AssignmentResult& result) override
    {
        ++openings;
        if (results.empty()) return false;
        const AssignmentResult next = results.front();
        results.pop_front();
        result.kind = next.kind;
        result.launchPath = next.launchPath;
        return true;
    }
    std::deque<AssignmentResult> results;
    int openings = 0;
};

class OkMacroWindow : public MacroWindow
{
public:
    bool Open() override { return true; }
    const MacroNumbering& Numbering() const override { return numbering; }
    MacroNumbering numbering;
};

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Siblings(const std::filesystem::path& file, const std::string& part)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().find(part) != std::string::npos)
            found.push_back(entry.path().filename().string());
    return found;
}

// Runs with the effective user nobody, keeping root as the saved user to return to; every thread
// of the process changes with it. Nothing happens when the test is not root.
class AsNobody
{
public:
    AsNobody()
    {
        if (::geteuid() != 0) return;
        attempted_ = true;
        const int count = ::getgroups(0, nullptr);
        groups_.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count > 0 && ::getgroups(count, groups_.data()) != count) return;
        active_ = ::setgroups(0, nullptr) == 0 && ::setresgid(65534, 65534, 0) == 0 &&
                  ::setresuid(65534, 65534, 0) == 0;
    }
    ~AsNobody()
    {
        if (!attempted_) return;
        (void)!::setresuid(0, 0, 0);
        (void)!::setresgid(0, 0, 0);
        (void)!::setgroups(groups_.size(), groups_.data());
    }
    bool Active() const { return active_; }

private:
    bool attempted_ = false;
    bool active_ = false;
    std::vector<gid_t> groups_;
};

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
    void ClickApply() { Click(890, 572); }
    void ClickClose() { Click(985, 12); }
    void ClickMacro() { Click(110, 565); }
    std::filesystem::path Keymap() const { return dataFolder / "keymap.bin"; }
    std::filesystem::path MacroFile() const { return dataFolder / "MacroDefine.bin"; }
    // Ends the window and starts anew on the same folder, as a restart of the program would.
    void Restart(bool keyboard)
    {
        window.reset();
        state = std::make_unique<SettingsState>();
        macros = std::make_unique<MacroStore>();
        if (keyboard) {
            Start();
        } else {
            Start(kLanguageEnglish, false);
            window->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        }
        window->SetKeyAssignmentWindow(&keys);
        window->SetMacroWindow(&macroOk);
    }
    void SetBrightness(int value)
    {
        window->Slider(layout::kSliderBrightness)->setValue(value);
        QCoreApplication::processEvents();
        window->ComposeFrame();
    }
    const PromptCall* LastCall() const { return prompt.calls.empty() ? nullptr : &prompt.calls.back(); }

    ScriptedKeyWindow keys;
    OkMacroWindow macroOk;
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

// ---- the key records in memory

TEST_F(DataFilesTest, KeysAssignedSinceTheStartSurviveAKeymapThatWentAwayOrBad)
{
    enum Change { kDeleted, kShort, kPartOfTheRecords, kLong, kFolder };
    const Change changes[] = {kDeleted, kShort, kPartOfTheRecords, kLong, kFolder};
    constexpr std::uint8_t kSlotF1 = 1;
    constexpr std::uint8_t kSlotQ = 42;
    for (const Change change : changes) {
        SCOPED_TRACE(change);
        std::filesystem::remove_all(Keymap());
        Restart(true);
        AssignmentResult launch;
        launch.kind = KeyFunctionKind::kOpenFolder;
        launch.launchPath = dataFolder.u16string();
        keys.results = {launch};
        ClickKey(kSlotF1);
        ClickApply();
        ASSERT_EQ(state->records[kSlotF1].Kind(), KeyFunctionKind::kOpenFolder);

        switch (change) {
        case kDeleted:
            std::filesystem::remove(Keymap());
            break;
        case kShort:
            std::ofstream(Keymap(), std::ios::trunc) << "short";
            break;
        case kPartOfTheRecords:
            std::filesystem::resize_file(Keymap(), 0);
            std::filesystem::resize_file(Keymap(), kSettingsImageSize + 772 * 40);
            break;
        case kLong:
            std::filesystem::resize_file(Keymap(), 0);
            std::filesystem::resize_file(Keymap(), kSettingsFileSize + 1);
            break;
        case kFolder:
            std::filesystem::remove(Keymap());
            std::filesystem::create_directory(Keymap());
            break;
        }
        const int openings = keys.openings;
        ClickKey(kSlotQ); // the dialog opens and is cancelled
        ASSERT_EQ(keys.openings, openings + 1);
        EXPECT_EQ(state->records[kSlotF1].Kind(), KeyFunctionKind::kOpenFolder);
        EXPECT_EQ(state->records[kSlotF1].LaunchPath(), dataFolder.u16string());

        // The keyboard reports the key: the folder is opened.
        shell.opened.clear();
        emulator.SendKeyEvent(DefaultKeyOrder[kSlotF1]);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.opened.empty(); }, 2000));
        EXPECT_EQ(shell.opened[0].first, dataFolder.string());

        ClickClose();
        if (change == kDeleted) {
            auto saved = std::make_unique<SettingsState>();
            ASSERT_EQ(LoadKeymap(Keymap(), *saved, KeymapLoadMode::kFull).state, FileState::kLoaded);
            EXPECT_EQ(saved->records[kSlotF1].Kind(), KeyFunctionKind::kOpenFolder);
        }
        window.reset();
        std::filesystem::remove_all(Keymap());
        prompt.calls.clear();
    }
}

// ---- saves that fail or are refused

TEST_F(DataFilesTest, OnAFullDiskEverySaveTellsWhichFileAndWhy)
{
    testing::SmallDisk disk(2048);
    if (!disk.Ready()) GTEST_SKIP() << "no private file system to fill: " << disk.Error();
    const struct
    {
        std::uint16_t language;
        const char* why;
        const char* notSent;
    } cases[] = {
        {kLanguageEnglish, "could not be saved (no space left on the device); the file is left as it was.",
         "The settings were neither sent to the keyboard nor saved in keymap.bin."},
        {kLanguageGerman,
         "konnte nicht gespeichert werden (kein Platz auf dem Datenträger); die Datei bleibt, wie sie war.",
         "Die Einstellungen wurden weder an die Tastatur gesendet noch in keymap.bin gespeichert."},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        dataFolder = disk.path() / ("data" + std::to_string(n++));
        std::filesystem::create_directory(dataFolder);
        window.reset();
        state = std::make_unique<SettingsState>();
        Start(c.language);
        window->SetKeyAssignmentWindow(&keys);
        window->SetMacroWindow(&macroOk);
        ASSERT_TRUE(prompt.calls.empty());
        const auto keymapBefore = FileBytes(Keymap());
        const auto macrosBefore = FileBytes(MacroFile());
        ASSERT_EQ(keymapBefore.size(), kSettingsFileSize);
        const QString keymap = QString::fromStdString(Keymap().string());
        const QString macroFile = QString::fromStdString(MacroFile().string());
        const QString why = QString::fromUtf8(c.why);
        disk.Fill();

        SetBrightness(state->image[img::kBrightness] == 20 ? 21 : 20);
        ClickApply();
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_EQ(prompt.calls[0].text, keymap + QLatin1Char(' ') + why);
        ClickApply(); // the same problem again: the user knows
        EXPECT_EQ(prompt.calls.size(), 1u);

        (*macros)[0].SetName(u"Macro_001");
        ClickMacro();
        ASSERT_EQ(prompt.calls.size(), 2u);
        EXPECT_EQ(LastCall()->text, keymap + QLatin1Char(' ') + why + QStringLiteral("\n\n") + macroFile +
                                        QLatin1Char(' ') + why);

        keys.results = {AssignmentResult{}};
        ClickKey(42);
        ASSERT_EQ(prompt.calls.size(), 3u);
        EXPECT_EQ(LastCall()->text, keymap + QLatin1Char(' ') + why);

        // Without the keyboard Apply says that nothing was kept.
        emulator.Unplug();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Link()->CommandChannelOpen(); }, 2000));
        ClickApply();
        ASSERT_EQ(prompt.calls.size(), 4u);
        EXPECT_TRUE(LastCall()->text.endsWith(QString::fromUtf8(c.notSent)))
            << LastCall()->text.toStdString();
        emulator.Replug();

        EXPECT_EQ(FileBytes(Keymap()), keymapBefore);
        EXPECT_EQ(FileBytes(MacroFile()), macrosBefore);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dataFolder),
                                std::filesystem::directory_iterator()),
                  2)
            << "nothing left behind";

        // Room again: the next save goes through, and a new failure is told again.
        disk.Free();
        ClickClose();
        EXPECT_EQ(prompt.calls.size(), 4u);
        EXPECT_NE(FileBytes(Keymap()), keymapBefore);
        prompt.calls.clear();
        window.reset();
        std::filesystem::remove_all(dataFolder);
    }
}

TEST_F(DataFilesTest, ADamagedFileIsReplacedOnlyWhenTheUserChoosesItAndItsBytesAreKept)
{
    enum Moment { kStartNotice, kMacroOk, kKeySave };
    const struct
    {
        const char* file;
        Moment moment;
        bool replace;
        std::uint16_t language;
    } cases[] = {
        {"MacroDefine.bin", kMacroOk, true, kLanguageEnglish},
        {"MacroDefine.bin", kMacroOk, false, kLanguageEnglish},
        {"keymap.bin", kStartNotice, true, kLanguageGerman},
        {"keymap.bin", kStartNotice, false, kLanguageEnglish},
        {"keymap.bin", kKeySave, true, kLanguageEnglish},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.moment) +
                     (c.replace ? " replace" : " keep"));
        std::filesystem::remove_all(dataFolder);
        std::filesystem::create_directories(dataFolder);
        const std::filesystem::path file = dataFolder / c.file;
        const std::vector<std::uint8_t> damaged(1000, 0x5A);
        if (c.moment != kKeySave) std::ofstream(file, std::ios::binary) << std::string(1000, '\x5A');
        // Kept at start, so that the moment of the test is the first offer taken.
        prompt.answers =
            c.moment == kMacroOk ? std::deque<bool>{false, c.replace} : std::deque<bool>{c.replace};
        window.reset();
        state = std::make_unique<SettingsState>();
        macros = std::make_unique<MacroStore>();
        Start(c.language);
        window->SetKeyAssignmentWindow(&keys);
        window->SetMacroWindow(&macroOk);
        QTest::qWait(20);
        if (c.moment == kKeySave) {
            std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(1000, '\x5A');
            keys.results = {AssignmentResult{}};
            ClickKey(42);
        } else if (c.moment == kMacroOk) {
            (*macros)[0].SetName(u"Macro_001");
            ClickMacro();
        }
        const PromptCall* offer = nullptr;
        for (const PromptCall& call : prompt.calls)
            if (call.question) offer = &call;
        ASSERT_NE(offer, nullptr);
        EXPECT_TRUE(offer->text.contains(QString::fromStdString(file.string()))) << offer->text.toStdString();
        EXPECT_TRUE(offer->text.contains(c.language == kLanguageGerman
                                             ? QStringLiteral("1000 Bytes groß")
                                             : QStringLiteral("1000 bytes instead of")));
        EXPECT_EQ(offer->accept, c.language == kLanguageGerman ? QStringLiteral("Beschädigte Datei ersetzen")
                                                               : QStringLiteral("Replace the damaged file"));
        const std::vector<std::string> kept = Siblings(file, ".damaged-");
        if (c.replace) {
            ASSERT_EQ(kept.size(), 1u);
            EXPECT_TRUE(offer->text.contains(QString::fromStdString(kept[0])))
                << "the name shown is the name used";
            EXPECT_EQ(FileBytes(dataFolder / kept[0]), damaged);
            const std::uintmax_t size =
                std::string(c.file) == "keymap.bin" ? kSettingsFileSize : kMacroStoreSize;
            EXPECT_EQ(std::filesystem::file_size(file), size);
        } else {
            EXPECT_TRUE(kept.empty());
            EXPECT_EQ(FileBytes(file), damaged);
        }
        if (c.moment == kMacroOk && c.replace) {
            auto reloaded = std::make_unique<MacroStore>();
            EXPECT_EQ(LoadMacroStore(file, *reloaded).state, FileState::kLoaded);
            EXPECT_EQ((*reloaded)[0].Name(), u"Macro_001");
        }
        window.reset();
        prompt.calls.clear();
    }
}

TEST_F(DataFilesTest, AKeymapTheUserProtectedIsToldOnceAndLeftAsItIs)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    const struct
    {
        const char* name;
        unsigned mode;
        uid_t owner;
        const char* says;
    } cases[] = {
        {"read-only", 0444, 65534, "cannot be written (no write permission)"},
        {"root's", 0644, 0, "cannot be written (no write permission)"},
        {"root's, writable by all", 0666, 0, "cannot be written (owned by another user)"},
    };
    // nobody must reach the folders.
    ::chmod(folder.path().toStdString().c_str(), 0755);
    ::chmod(dataFolder.c_str(), 0777);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto saved = std::make_unique<SettingsState>();
        saved->image[img::kBrightness] = 33;
        ASSERT_TRUE(SaveKeymap(Keymap(), *saved));
        ASSERT_EQ(::chown(Keymap().c_str(), c.owner, c.owner), 0);
        ASSERT_EQ(::chmod(Keymap().c_str(), c.mode), 0);
        const auto before = FileBytes(Keymap());
        struct stat was
        {
        };
        ASSERT_EQ(::stat(Keymap().c_str(), &was), 0);
        {
            AsNobody nobody;
            ASSERT_TRUE(nobody.Active());
            state = std::make_unique<SettingsState>();
            StartApplyAndClose();
            QTest::qWait(20);
            window.reset();
        }
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromStdString(Keymap().string())));
        EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromLatin1(c.says)))
            << prompt.calls[0].text.toStdString();
        struct stat is
        {
        };
        ASSERT_EQ(::stat(Keymap().c_str(), &is), 0);
        EXPECT_EQ(is.st_ino, was.st_ino);
        EXPECT_EQ(is.st_uid, c.owner);
        EXPECT_EQ(FileBytes(Keymap()), before);
        prompt.calls.clear();
        std::filesystem::remove(Keymap());
        std::filesystem::remove(MacroFile());
    }
}

// ---- the response time

TEST_F(DataFilesTest, TheResponseTimeSurvivesStartSaveAndRestart)
{
    for (const bool keyboard : {false, true}) {
        SCOPED_TRACE(keyboard ? "with the keyboard" : "without a keyboard");
        std::filesystem::remove(Keymap());
        if (keyboard) {
            emulator.Replug();
            EmulatedDeviceState device = emulator.State();
            device.responseTime = 4; // slider 3
            emulator.SetState(device);
        } else {
            emulator.Unplug();
            auto saved = std::make_unique<SettingsState>();
            saved->image[img::kResponseTime] = 3;
            ASSERT_TRUE(SaveKeymap(Keymap(), *saved));
        }
        for (int round = 0; round < 5; ++round) {
            SCOPED_TRACE(round);
            Restart(keyboard);
            window->ComposeFrame(); // the paint writes the slider back
            EXPECT_EQ(window->Slider(layout::kSliderResponseTime)->value(), 3);
            EXPECT_EQ(FileBytes(Keymap()).at(img::kResponseTime), 3);
            keys.results = {AssignmentResult{}};
            ClickKey(42); // a key dialog's Save writes keymap.bin
            EXPECT_EQ(FileBytes(Keymap()).at(img::kResponseTime), 3);
            ClickClose();
            EXPECT_EQ(FileBytes(Keymap()).at(img::kResponseTime), 3);
        }
        if (keyboard) {
            EXPECT_EQ(emulator.State().responseTime, 4);
        }
    }
}

} // namespace
} // namespace corvane::apptest
