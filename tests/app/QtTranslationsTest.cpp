// Qt's own texts follow the program's language: the buttons of the message boxes the program
// shows, and the file dialogs.

#include "app/QtTranslations.h"
#include "platform/qt/LanguageSetting.h"
#include "uikit/Prompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace corvane {
namespace {

struct SeenButtons
{
    QString ok;
    QString cancel;
};

// Asks through the program's own prompt and reads the buttons of the box it opens.
SeenButtons ButtonsOfAQuestion()
{
    SeenButtons seen;
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) seen.ok = ok->text().remove(QLatin1Char('&'));
        if (QAbstractButton* cancel = box->button(QMessageBox::Cancel))
            seen.cancel = cancel->text().remove(QLatin1Char('&'));
        box->reject();
    });
    MessageBoxPrompt prompt;
    prompt.AskOkCancel(nullptr, QStringLiteral("Corvane Keyboard"), QStringLiteral("?"));
    return seen;
}

TEST(QtTranslations, MessageBoxButtonsSpeakTheProgramsLanguage)
{
    struct Case
    {
        std::uint16_t language;
        const char* ok;
        const char* cancel;
        const char* fileDialogTitle;
    };
    const Case cases[] = {
        {kLanguageGerman, "OK", "Abbrechen", "Öffnen"},
        {kLanguageEnglish, "OK", "Cancel", "Open"},
        {kLanguageGerman, "OK", "Abbrechen", "Öffnen"}, // again after English: nothing left over
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cancel);
        ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance(), c.language));
        const SeenButtons seen = ButtonsOfAQuestion();
        EXPECT_EQ(seen.ok, QString::fromUtf8(c.ok));
        EXPECT_EQ(seen.cancel, QString::fromUtf8(c.cancel));
        EXPECT_EQ(QFileDialog::tr("Open"), QString::fromUtf8(c.fileDialogTitle));
    }
    InstallQtTranslations(*QCoreApplication::instance(), kLanguageEnglish);
}

TEST(QtTranslations, AMissingCatalogueIsReported)
{
    EXPECT_FALSE(InstallQtTranslations(*QCoreApplication::instance(), kLanguageGerman,
                                       QStringLiteral("/nonexistent-translations")));
    const SeenButtons seen = ButtonsOfAQuestion();
    EXPECT_EQ(seen.cancel, QStringLiteral("Cancel"));
}

} // namespace
} // namespace corvane
