// The profile panel beside a main window that runs against the emulator: export and import through
// the panel's areas, the refresh of the main window afterwards without a word to the keyboard, the
// size rule and the launch-key question on import, renaming in place, closing and dragging.

#include "../../app/MainWindowFixture.h"

#include "../../support/AccessibleLookup.h"
#include "colour/ui/CCustomColorDialog.h"
#include "skin/EditHelper.h"
#include "skin/TransparentListBox.h"
#include "store/SettingsFiles.h"
#include "store/ui/CConfigureDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <fstream>

namespace corvane::apptest {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class ScriptedChooser : public ProfileFileChooser
{
public:
    std::optional<fs::path> ChooseImport(QWidget*, const fs::path& folder) override
    {
        folders.push_back(folder);
        return importAnswer;
    }
    std::optional<fs::path> ChooseExport(QWidget*, const fs::path& folder) override
    {
        folders.push_back(folder);
        return exportAnswer;
    }
    std::optional<fs::path> importAnswer;
    std::optional<fs::path> exportAnswer;
    std::vector<fs::path> folders;
};

class ProfilePanelTest : public MainWindowTest
{
protected:
    void StartWithPanel(std::uint16_t language = kLanguageEnglish)
    {
        Start(language);
        panel = std::make_unique<CConfigureDlg>(*state, prompt, language, dataFolder, programFolder);
        panel->SetFileChooser(&chooser);
        window->SetProfileWindow(panel.get());
    }
    fs::path Keymap() const { return dataFolder / kKeymapFileName; }
    fs::path Profiles() const { return dataFolder / kProfileFolderName; }
    std::vector<std::uint8_t> Settings() const
    {
        std::vector<std::uint8_t> bytes(state->image.data(), state->image.data() + kSettingsImageSize);
        bytes.insert(bytes.end(), state->records.data(), state->records.data() + kKeyRecordBufferSize);
        return bytes;
    }
    void ClickPanel(int x, int y) { QTest::mouseClick(panel.get(), Qt::LeftButton, {}, QPoint(x, y)); }

    // Opens the panel with the main window's profile button, acts in it, closes it with its close
    // button, and waits for the main window to take the settings over.
    void WithPanel(const std::function<void()>& act)
    {
        bool acted = false;
        QTimer::singleShot(0, panel.get(), [&] {
            acted = true;
            act();
            ClickPanel(40, 375); // the panel's close button
        });
        Click(50, 572); // the main window's profile button
        EXPECT_TRUE(acted);
        EXPECT_FALSE(panel->isVisible());
        // The main window takes the settings over 50 ms after the panel has gone.
        QTest::qWait(200);
    }

    ScriptedChooser chooser;
    std::unique_ptr<CConfigureDlg> panel;
};

TEST_F(ProfilePanelTest, ExportThenImportRoundTripsKeymapByteForByte)
{
    StartWithPanel();
    const fs::path exported = folder.path().toStdString() + "/my.saved.bin";
    chooser.exportAnswer = exported;
    WithPanel([&] { ClickPanel(320, 118); }); // Export
    ASSERT_TRUE(fs::exists(exported));
    const std::vector<std::uint8_t> saved = ReadBytes(exported);
    ASSERT_EQ(saved.size(), kSettingsFileSize);
    EXPECT_EQ(ReadBytes(Keymap()), saved) << "keymap.bin holds what was exported";
    EXPECT_EQ(ReadBytes(Profiles() / "my.bin"), saved) << "the current profile, named up to the first dot";
    EXPECT_EQ(chooser.folders.back(), CConfigureDlg::FileDialogFolder());
    EXPECT_NE(chooser.folders.back(), dataFolder) << "the file dialogs keep away from the data folder";

    // Change a palette colour in memory, then import the exported profile: the change is gone,
    // keymap.bin is the exported file again, and the keyboard has heard nothing of it.
    FakeColourWindow colours;
    colours.answer = 0x00123456;
    window->SetColourWindow(&colours);
    ChooseEffect(1);
    Click(63, 233);
    Click(63, 233);
    ASSERT_NE(Settings(), saved);
    const EmulatedDeviceState device = emulator.State();
    emulator.ClearTrace();
    chooser.importAnswer = exported;
    WithPanel([&] { ClickPanel(320, 70); }); // Import
    EXPECT_EQ(Settings(), saved);
    EXPECT_EQ(ReadBytes(Keymap()), saved) << "byte for byte";
    EXPECT_TRUE(Commands().empty()) << "nothing reaches the keyboard before Apply";
    EXPECT_EQ(emulator.State(), device);
    EXPECT_TRUE(prompt.calls.empty());
    ASSERT_EQ(panel->List()->count(), 1);
    EXPECT_EQ(panel->List()->ItemText(0), QStringLiteral("my"));
}

TEST_F(ProfilePanelTest, FileDialogsStartInTheUsersDocumentsElseHome)
{
    const QByteArray savedHome = qgetenv("HOME");
    const fs::path home = folder.path().toStdString() + "/home";
    fs::create_directories(home);
    qputenv("HOME", QByteArray::fromStdString(home.string()));
    StartWithPanel();
    struct Case
    {
        const char* name;
        bool documents;
        fs::path expected;
    };
    const Case cases[] = {
        {"no documents folder", false, home},
        {"a documents folder", true, home / "Documents"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.documents) fs::create_directories(home / "Documents");
        chooser.folders.clear();
        WithPanel([&] {
            ClickPanel(320, 70);  // Import (answered with Cancel)
            ClickPanel(320, 118); // Export (answered with Cancel)
        });
        EXPECT_EQ(chooser.folders, (std::vector<fs::path>{c.expected, c.expected}));
    }
    qputenv("HOME", savedHome);
}

TEST_F(ProfilePanelTest, ExportRefusesTheProgramsOwnFilesInEitherLanguage)
{
    struct Case
    {
        std::uint16_t language;
        const char* file; // in the data folder, or the program folder for VER.bin
        const char* says;
    };
    const Case cases[] = {
        {kLanguageEnglish, "MacroDefine.bin", "is one of the program's own files"},
        {kLanguageGerman, "keymap.bin", "ist eine Datei des Programms selbst"},
        {kLanguageEnglish, "VER.bin", "Please choose another file."},
    };
    WriteVersionFile('1', '2');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        StartWithPanel(c.language);
        const fs::path target = (std::string(c.file) == "VER.bin" ? programFolder : dataFolder) / c.file;
        ASSERT_TRUE(fs::exists(target));
        const std::vector<std::uint8_t> before = ReadBytes(target);
        chooser.exportAnswer = target;
        prompt.calls.clear();
        // Checked before the panel closes: the main window then saves keymap.bin as always.
        WithPanel([&] {
            ClickPanel(320, 118);
            EXPECT_EQ(ReadBytes(target), before) << "not one byte written";
        });
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromUtf8(c.says)))
            << prompt.calls[0].text.toStdString();
        EXPECT_FALSE(fs::exists(Profiles()) && !fs::is_empty(Profiles()))
            << "the profile folder is not touched";
        panel.reset();
        window.reset();
    }
}

TEST_F(ProfilePanelTest, FilesMovedAsideAreToldOnce)
{
    StartWithPanel(kLanguageGerman);
    fs::create_directories(Profiles());
    for (const char* name : {"alt.bin", "team.bin", "zz.bin"})
        WriteBytes(Profiles() / name, std::vector<std::uint8_t>(kSettingsFileSize, 0x33));
    chooser.exportAnswer = folder.path().toStdString() + "/neu.bin";
    WithPanel([&] { ClickPanel(320, 118); });
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_TRUE(prompt.calls[0].text.startsWith(QStringLiteral("3 Dateien im Profilordner")))
        << prompt.calls[0].text.toStdString();
    for (const char* name : {"alt.bin", "team.bin", "zz.bin"})
        EXPECT_EQ(ReadBytes(Profiles() / "earlier" / name).size(), kSettingsFileSize) << name;
    ASSERT_EQ(panel->List()->count(), 1);
    EXPECT_EQ(panel->List()->ItemText(0), QStringLiteral("neu"));

    prompt.calls.clear();
    chooser.exportAnswer = folder.path().toStdString() + "/noch.bin";
    WithPanel([&] { ClickPanel(320, 118); });
    EXPECT_TRUE(prompt.calls.empty()) << "the program's own copy simply goes";
}

TEST_F(ProfilePanelTest, ImportRefusesAnythingButAWholeProfileInEitherLanguage)
{
    struct Case
    {
        std::uint16_t language;
        std::size_t size;
        const char* says;
    };
    const Case cases[] = {
        {kLanguageEnglish, 1000, "1000 bytes instead of 206920"},
        {kLanguageGerman, kSettingsFileSize - 1, "206919 Bytes groß statt 206920"},
        {kLanguageEnglish, kSettingsFileSize + 10, "206930 bytes instead of 206920"},
    };
    for (const Case& c : cases) {
        StartWithPanel(c.language);
        const fs::path foreign = folder.path().toStdString() + "/foreign.bin";
        WriteBytes(foreign, std::vector<std::uint8_t>(c.size, 0x5A));
        const std::vector<std::uint8_t> before = Settings();
        chooser.importAnswer = foreign;
        prompt.calls.clear();
        WithPanel([&] { ClickPanel(300, 60); });
        EXPECT_EQ(Settings(), before) << c.size << ": not one byte is taken";
        ASSERT_EQ(prompt.calls.size(), 1u) << c.size;
        EXPECT_FALSE(prompt.calls[0].question);
        EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromUtf8(c.says)))
            << prompt.calls[0].text.toStdString();
        EXPECT_FALSE(fs::exists(Profiles()) && !fs::is_empty(Profiles()))
            << "the profile folder is not touched";
        panel.reset();
        window.reset();
    }
}

TEST_F(ProfilePanelTest, AProfileWithLaunchKeysIsTakenOnlyWhenTheUserAgrees)
{
    StartWithPanel();
    auto other = std::make_unique<SettingsState>(*state);
    other->records[5].SetKind(KeyFunctionKind::kStartProgram);
    other->records[5].SetLaunchPath(u"/usr/bin/xterm");
    other->records[9].SetKind(KeyFunctionKind::kOpenFolder);
    other->records[9].SetLaunchPath(u"/home/someone");
    other->image[img::kPalette] ^= 0xFF;
    const fs::path shared = folder.path().toStdString() + "/shared.bin";
    ASSERT_TRUE(WriteProfile(shared, other->image, other->records));
    chooser.importAnswer = shared;
    const std::vector<std::uint8_t> before = Settings();

    prompt.answers = {false};
    WithPanel([&] { ClickPanel(300, 60); });
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_TRUE(prompt.calls[0].question);
    EXPECT_TRUE(prompt.calls[0].text.contains(QStringLiteral("Startup: /usr/bin/xterm")));
    EXPECT_TRUE(prompt.calls[0].text.contains(QStringLiteral("Open folder: /home/someone")));
    EXPECT_EQ(Settings(), before) << "Cancel keeps the current settings";
    EXPECT_TRUE(panel->Folder().LastProfilePath().empty());

    prompt.calls.clear();
    prompt.answers = {true};
    WithPanel([&] { ClickPanel(300, 60); });
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(Settings(), ReadBytes(shared));
    EXPECT_EQ(ReadBytes(Keymap()), ReadBytes(shared));
}

TEST_F(ProfilePanelTest, RenamingInPlaceRenamesTheCurrentProfile)
{
    StartWithPanel();
    fs::create_directories(Profiles());
    const std::vector<std::uint8_t> current(kSettingsFileSize, 0x42);
    WriteBytes(Profiles() / "cur.bin", current);
    panel->Initialise();
    panel->show();
    CTransparentListBox* list = panel->List();
    ASSERT_EQ(list->count(), 1);

    struct Case
    {
        const char* typed;
        const char* listed;
        const char* file;
        bool told;
    };
    const Case cases[] = {
        {"renamed", "renamed", "renamed.bin", false},
        {"../outside", "renamed", "renamed.bin", true},
        {"again.bin", "again", "again.bin", false},
    };
    for (const Case& c : cases) {
        prompt.calls.clear();
        list->setCurrentRow(0);
        list->BeginEditAt(list->visualItemRect(list->item(0)).center());
        ASSERT_NE(list->Editor(), nullptr);
        list->Editor()->setText(QString::fromUtf8(c.typed));
        list->EndEditing(true);
        QCoreApplication::processEvents();
        EXPECT_EQ(prompt.calls.size(), c.told ? 1u : 0u) << c.typed;
        ASSERT_EQ(list->count(), 1) << c.typed;
        EXPECT_EQ(list->ItemText(0), QString::fromUtf8(c.listed)) << c.typed;
        std::vector<std::string> files;
        for (const auto& e : fs::directory_iterator(Profiles()))
            if (e.path().filename() != kProfileRecordName) files.push_back(e.path().filename().string());
        EXPECT_EQ(files, std::vector<std::string>{c.file}) << c.typed;
        EXPECT_EQ(ReadBytes(Profiles() / c.file), current) << c.typed;
    }
    EXPECT_FALSE(fs::exists(dataFolder / "outside.bin"));
    panel->hide();
}

TEST_F(ProfilePanelTest, ClosesOnlyAtItsCloseAreasAndMovesWhenDragged)
{
    StartWithPanel();
    panel->Initialise();
    EXPECT_EQ(panel->size(), QSize(388, 394));
    EXPECT_EQ(panel->List()->geometry(), QRect(16, 50, 243, 283));
    EXPECT_EQ(panel->List()->Mode(), CTransparentListBox::kModeName);

    struct Case
    {
        const char* name;
        std::function<void()> act;
        bool closes;
    };
    const Case cases[] = {
        {"close mark", [&] { ClickPanel(375, 12); }, true},
        {"close button", [&] { ClickPanel(17, 367); }, true},
        {"Enter", [&] { QTest::keyClick(panel.get(), Qt::Key_Return); }, false},
        {"background", [&] { ClickPanel(150, 20); }, false},
        {"third area of the column", [&] { ClickPanel(300, 160); }, false},
    };
    for (const Case& c : cases) {
        bool stillOpen = false;
        QTimer::singleShot(0, panel.get(), [&] {
            c.act();
            QCoreApplication::processEvents();
            stillOpen = panel->isVisible();
            if (stillOpen) panel->reject();
        });
        panel->Open(QRect(0, 0, 300, 200));
        EXPECT_EQ(stillOpen, !c.closes) << c.name;
    }
    EXPECT_TRUE(chooser.folders.empty()) << "no file dialog was opened";

    panel->show();
    struct Drag
    {
        QPoint from;
        bool moves;
    };
    for (const Drag& d : {Drag{{150, 20}, true}, Drag{{300, 60}, false}, Drag{{375, 12}, false}}) {
        panel->move(100, 100);
        QTest::mousePress(panel.get(), Qt::LeftButton, {}, d.from);
        QMouseEvent move(QEvent::MouseMove, QPointF(d.from + QPoint(30, 40)),
                         panel->mapToGlobal(QPointF(d.from + QPoint(30, 40))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(panel.get(), &move);
        EXPECT_EQ(panel->pos() != QPoint(100, 100), d.moves) << d.from.x() << "," << d.from.y();
        panel->move(100, 100);
        QTest::mouseRelease(panel.get(), Qt::LeftButton, {}, d.from);
    }
    EXPECT_EQ(chooser.folders.size(), 1u) << "a press and release in the import area is a click, not a drag";
    panel->hide();

    // Beside the main window: to its right, or to its left when the screen has no room there.
    EXPECT_EQ(panel->PlaceBeside(QRect(0, 0, 300, 200)), QPoint(300, 0));
    const QPoint left = panel->PlaceBeside(QRect(500, 50, 300, 200));
    EXPECT_LT(left.x(), 500);
}

TEST_F(ProfilePanelTest, TabVisitsListAndButtonsNamedInBothLanguages)
{
    Start();
    struct Case
    {
        std::uint16_t language;
        std::vector<std::string> names; // from the list on: the three buttons, then the list again
    };
    const Case cases[] = {
        {kLanguageEnglish, {"IMPORT", "EXPORT", "OK", "Current profile"}},
        {kLanguageGerman, {"Importieren", "Export", "OK", "Aktuelles Profil"}},
    };
    for (const Case& c : cases) {
        panel = std::make_unique<CConfigureDlg>(*state, prompt, c.language, dataFolder, programFolder);
        panel->show();
        panel->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
        panel->List()->setFocus();
        EXPECT_EQ(test::FocusedName(panel.get()), c.names.back());
        EXPECT_EQ(test::TabWalk(panel.get(), 4), c.names);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_NE(
                test::FindAccessible(panel.get(), QAccessible::Button, QString::fromStdString(c.names[i])),
                nullptr)
                << c.names[i];
        EXPECT_NE(test::FindAccessible(panel.get(), QAccessible::List, QString::fromStdString(c.names[3])),
                  nullptr);
        panel->hide();
    }
}

TEST_F(ProfilePanelTest, TheKeyboardAloneExportsRenamesAndCloses)
{
    StartWithPanel();
    const fs::path exported = folder.path().toStdString() + "/keys.bin";
    chooser.exportAnswer = exported;
    bool acted = false;
    QTimer::singleShot(0, panel.get(), [&] {
        acted = true;
        ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
        panel->List()->setFocus();
        EXPECT_EQ(test::TabWalk(panel.get(), 2).back(), "EXPORT");
        QTest::keyClick(panel.get(), Qt::Key_Space);
        ASSERT_EQ(panel->List()->count(), 1);
        EXPECT_EQ(panel->List()->ItemText(0), QStringLiteral("keys"));
        // Back to the list: Space chooses the profile, F2 edits its name, Enter keeps it.
        EXPECT_EQ(test::TabWalk(panel.get(), 2).back(), "Current profile");
        QTest::keyClick(panel->List(), Qt::Key_Space);
        QTest::keyClick(panel->List(), Qt::Key_F2);
        ASSERT_NE(panel->List()->Editor(), nullptr);
        panel->List()->Editor()->selectAll();
        QTest::keyClicks(panel->List()->Editor(), QStringLiteral("typed"));
        QTest::keyClick(panel->List()->Editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(panel->List()->ItemText(0), QStringLiteral("typed"));
        EXPECT_EQ(test::FocusedName(panel.get()), "Current profile") << "the list has the focus again";
        EXPECT_EQ(test::TabWalk(panel.get(), 3).back(), "OK");
        QTest::keyClick(panel.get(), Qt::Key_Space);
    });
    panel->Open(QRect(0, 0, 300, 200));
    EXPECT_TRUE(acted);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->result(), QDialog::Accepted);
    ASSERT_TRUE(fs::exists(exported));
    EXPECT_TRUE(fs::exists(Profiles() / "typed.bin"));
    EXPECT_FALSE(fs::exists(Profiles() / "keys.bin"));
    EXPECT_EQ(ReadBytes(Profiles() / "typed.bin"), ReadBytes(exported));
}

TEST_F(ProfilePanelTest, APaletteSquareChangedInTheColourDialogReachesTheKeyboardOnApply)
{
    Start();
    CCustomColorDialog colours(kLanguageEnglish, window.get());
    window->SetColourWindow(&colours);
    ChooseEffect(1);
    Click(890, 572); // a first apply settles what the read left
    emulator.ClearTrace();
    const EmulatedDeviceState before = emulator.State();
    Click(88, 233);                                             // select square 3
    const layout::Point cell = layout::kColourCells[10].origin; // (128, 255, 0)
    bool acted = false;
    QTimer::singleShot(0, &colours, [&] {
        acted = true;
        EXPECT_EQ(colours.ChosenColour(), 0x0C0C0Cu);
        QTest::mouseClick(&colours, Qt::LeftButton, {}, QPoint(cell.x + 4, cell.y + 4));
        colours.Button(CCustomColorDialog::kOkId)->click();
    });
    Click(88, 233); // again: the dialog
    ASSERT_TRUE(acted);
    const std::uint8_t* entry = state->image.PaletteEntry(2);
    EXPECT_EQ(entry[0], 128);
    EXPECT_EQ(entry[1], 255);
    EXPECT_EQ(entry[2], 0);
    EXPECT_TRUE(Commands().empty()) << "nothing before Apply";
    EXPECT_EQ(emulator.State(), before);
    Click(890, 572);
    const EmulatedDeviceState after = emulator.State();
    EXPECT_EQ(after.palette[6], 128);
    EXPECT_EQ(after.palette[7], 255);
    EXPECT_EQ(after.palette[8], 0);

    // Cancel leaves the square's colour as it was.
    QTimer::singleShot(0, &colours, [&] {
        QTest::mouseClick(&colours, Qt::LeftButton, {}, QPoint(13 + 5, 41 + 5));
        colours.Button(CCustomColorDialog::kCancelId)->click();
    });
    Click(88, 233);
    EXPECT_EQ(state->image.PaletteEntry(2)[0], 128);
}

} // namespace
} // namespace corvane::apptest
