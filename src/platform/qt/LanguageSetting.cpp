#include "platform/qt/LanguageSetting.h"

#include <QSettings>

namespace corvane {

std::uint16_t LanguageFromText(const QString& text)
{
    return text == QLatin1String("german") ? kLanguageGerman : kLanguageEnglish;
}

std::uint16_t LanguageOfLocale()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString locale = qEnvironmentVariable(variable);
        if (locale.isEmpty()) continue;
        const bool german = locale == QLatin1String("de") || locale.startsWith(QLatin1String("de_")) ||
                            locale.startsWith(QLatin1String("de.")) ||
                            locale.startsWith(QLatin1String("de@"));
        return german ? kLanguageGerman : kLanguageEnglish;
    }
    return kLanguageEnglish;
}

std::uint16_t ReadLanguageSetting()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("QT302"));
    const QString key = QStringLiteral("Language");
    if (!settings.contains(key)) return LanguageOfLocale();
    return LanguageFromText(settings.value(key).toString());
}

std::optional<std::uint16_t> LanguageFromOption(const QString& option)
{
    if (option == QLatin1String("german")) return kLanguageGerman;
    if (option == QLatin1String("english")) return kLanguageEnglish;
    return std::nullopt;
}

} // namespace corvane
