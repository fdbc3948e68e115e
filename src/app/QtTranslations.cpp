#include "app/QtTranslations.h"

#include "platform/qt/LanguageSetting.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace corvane {

bool InstallQtTranslations(QCoreApplication& app, std::uint16_t language, const QString& folder)
{
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    if (language != kLanguageGerman) return true;
    auto* translator = new QTranslator(&app);
    // "qt_de" gathers the catalogues of every Qt module (qtbase_de holds the buttons and dialogs).
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qt"),
                          QStringLiteral("_"), from)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

} // namespace corvane
