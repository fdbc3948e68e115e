// Every text the user can see, laid out in its place with the font it is drawn in, in both
// languages: the windows' own texts as their paints draw them (each drawing helper call names the
// button, field or strip the text belongs to), the captions the artwork generator bakes into the
// pictures, the push buttons' captions and the message boxes. The table is collected from the
// drawing itself, so it cannot drift from what is drawn.

#include "../keys/ui/KeyDialogFixture.h"
#include "MainWindowFixture.h"

#include "Artwork.h"
#include "colour/ui/CCustomColorDialog.h"
#include "macros/ui/CMacroRecordDlg.h"
#include "skin/DrawnText.h"
#include "store/ProfileFolder.h"
#include "store/ui/CConfigureDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <cerrno>
#include <set>

namespace corvane::apptest {
namespace {

struct TextRow
{
    std::string window;
    std::string language;
    DrawnText text;
};

std::string Describe(const QRectF& r)
{
    return QStringLiteral("(%1, %2) %3 x %4")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

class TextFitTest : public MainWindowTest
{
protected:
    void Take(const std::string& window, DrawnTextLog& log)
    {
        for (DrawnText& text : log.Take())
            rows.push_back({window, language, std::move(text)});
    }
    // Push buttons lay their captions out in their contents rectangle.
    void TakeButtons(const std::string& window, QWidget* parent)
    {
        for (QPushButton* button : parent->findChildren<QPushButton*>()) {
            if (!button->isVisibleTo(parent)) continue;
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRectF contents(
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button));
            rows.push_back(
                {window, language, {button->text(), button->font(), contents, Qt::AlignCenter, contents}});
        }
    }

    void MainWindowTexts(std::uint16_t lang)
    {
        DrawnTextLog log;
        window.reset();
        Start(lang);
        // Wave: speed, colours and directions; a lighting profile: the view switches; the effect
        // list open; the help window open.
        ChooseEffect(2);
        Frame();
        ChooseEffect(11);
        Frame();
        Click(100, 165);
        Frame();
        Click(600, 500);
        Click(944, 12);
        Frame();
        Take("main window", log);

        emulator.Unplug();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->ShowsNoKeyboardNotice(); }, 2000));
        Frame();
        Take("main window without keyboard", log);
        window.reset();
        emulator.Replug();
    }

    // The profile panel and the colour dialog show the same texts whatever they hold.
    void PanelAndColourDialogTexts(std::uint16_t lang)
    {
        DrawnTextLog log;
        CConfigureDlg panel(*state, prompt, lang, dataFolder, programFolder);
        panel.Initialise();
        panel.ComposeFrame();
        Take("profile panel", log);
        CCustomColorDialog dialog(lang);
        dialog.Initialise();
        dialog.show();
        dialog.ComposeFrame();
        Take("colour dialog", log);
        TakeButtons("colour dialog", &dialog);
    }

    void KeyDialogTexts(std::uint16_t lang)
    {
        DrawnTextLog log;
        keytest::FakeHook hook;
        hook.focusedOnly = true; // the page's note about focused capture shows
        keytest::ScriptedChooser chooser;
        keytest::RecordingPrompt keyPrompt;
        // More macros than the keyboard has slots for: the macro page says so.
        for (std::size_t i = 0; i < 40; ++i)
            (*macros)[i].SetName(
                (u"Macro_" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26))).c_str());
        CKeyMap dialog(*state, *macros, StandardKeyCodeTable(), keyPrompt, &hook, lang);
        dialog.SetLaunchChooser(&chooser);
        // The key whose name is longest heads the window.
        AssignmentResult result;
        result.selectedKeyCode = *std::max_element(
            DefaultKeyOrder.begin(), DefaultKeyOrder.end(), [](std::uint8_t a, std::uint8_t b) {
                return StandardKeyCodeTable().Label(a).size() < StandardKeyCodeTable().Label(b).size();
            });
        dialog.Begin(result);
        QCoreApplication::processEvents();
        hook.Press(kUnnamedKey); // the first page says the key cannot be taken
        for (int page = 0; page < 4; ++page) {
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(47 + 97 * page, 45));
            dialog.ComposeFrame();
        }
        // A chosen file with a long name, in a long folder.
        chooser.answers.push_back(
            QStringLiteral("/home/somebody/Music/") + QString(120, QLatin1Char('x')) +
            QStringLiteral("/a-very-long-file-name-of-a-song-nobody-can-read-whole.mp3"));
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(347, 92));
        QCoreApplication::processEvents();
        dialog.ComposeFrame();
        QTest::mouseClick(&dialog, Qt::LeftButton, {}, QPoint(24, 355)); // the check box
        dialog.ComposeFrame();
        Take("key dialog", log);
        dialog.close();
        macros = std::make_unique<MacroStore>();
    }

    void MacroDialogTexts(std::uint16_t lang)
    {
        DrawnTextLog log;
        keytest::FakeHook hook;
        hook.focusedOnly = true; // the note about focused capture shows
        keytest::RecordingPrompt macroPrompt;
        CMacroRecordDlg dialog(*state, *macros, StandardKeyCodeTable(), macroPrompt, &hook, lang);
        dialog.Begin();
        QCoreApplication::processEvents();
        const auto click = [&](int entry) {
            const layout::Rect r = layout::kMacroButtons[entry].rect;
            QTest::mouseClick(&dialog, Qt::LeftButton, {},
                              QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
            QCoreApplication::processEvents();
        };
        click(layout::kMacroButtonNew);
        dialog.ComposeFrame();
        click(layout::kMacroButtonRecord);
        ASSERT_TRUE(dialog.Recording());
        dialog.ComposeFrame();
        click(layout::kMacroButtonRecord);
        Take("macro dialog", log);
        dialog.close();
    }

    // The longest message: a profile named with 300 characters that cannot be renamed.
    void MessageBoxTexts(std::uint16_t lang)
    {
        ProfileResult result;
        result.outcome = ProfileOutcome::kRenameFailed;
        result.file = dataFolder / "Configure" / "Tournament.bin";
        result.other = dataFolder / "Configure" / (std::string(300, 'n') + ".bin");
        result.error = ENAMETOOLONG;
        const QString text = QString::fromStdString(ProfileResultText(
            result, lang == kLanguageGerman ? TextLanguage::kGerman : TextLanguage::kEnglish));
        ASSERT_GT(text.size(), 300);

        const auto box =
            MakeMessageBox(QMessageBox::Information, nullptr, "Corvane Keyboard", text, QMessageBox::Ok);
        box->show();
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        const QRectF area(label->contentsRect());
        const int flags = static_cast<int>(label->alignment()) | Qt::TextWordWrap;
        rows.push_back({"message box", language, {label->text(), label->font(), area, flags, area}});
        // The box itself is no wider than the main window, and stays on the screen.
        EXPECT_LE(box->frameGeometry().width(), layout::kMainWindowSize.width) << language;
        EXPECT_TRUE(box->screen()->availableGeometry().contains(box->frameGeometry())) << language;
    }

    void ArtworkTexts()
    {
        QTemporaryDir art;
        ASSERT_TRUE(art.isValid());
        DrawnTextLog log;
        language = "both";
        skingen::DrawAllArtwork(art.path());
        Take("artwork", log);
    }

    std::string language;
    std::vector<TextRow> rows;
};

TEST_F(TextFitTest, EveryVisibleTextStaysInItsPlaceInBothLanguages)
{
    for (const std::uint16_t lang : {kLanguageGerman, kLanguageEnglish}) {
        language = lang == kLanguageGerman ? "German" : "English";
        MainWindowTexts(lang);
        PanelAndColourDialogTexts(lang);
        KeyDialogTexts(lang);
        MacroDialogTexts(lang);
        MessageBoxTexts(lang);
    }
    ArtworkTexts();

    std::set<std::string> told;    // each text once, however many frames drew it
    std::set<std::string> windows; // every window took part, in both languages
    for (const TextRow& row : rows) {
        windows.insert(row.window + ", " + row.language);
        const DrawnText& t = row.text;
        const std::string said = row.window + row.language + t.text.toStdString() + Describe(t.place);
        if (!told.insert(said).second) continue;
        EXPECT_TRUE(StaysInPlace(t)) << row.window << ", " << row.language << ": \"" << t.text.toStdString()
                                     << "\" in " << t.font.family().toStdString() << " " << t.font.pixelSize()
                                     << " px covers " << Describe(DrawnArea(t)) << ", its place is "
                                     << Describe(t.place);
    }
    EXPECT_EQ(windows.size(), 15u); // 7 windows in 2 languages, and the artwork
}

} // namespace
} // namespace corvane::apptest
