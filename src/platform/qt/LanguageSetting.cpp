#include "platform/qt/LanguageSetting.h"

#include <QSettings>

namespace corvane {

std::uint16_t LanguageFromText(const QString& text)
{
    return text == QLatin1String("german") ? kLanguageGerman : kLanguageEnglish;
}

std::uint16_t ReadLanguageSetting()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("QT302"));
    return LanguageFromText(settings.value(QStringLiteral("Language")).toString());
}

std::optional<std::uint16_t> LanguageFromOption(const QString& option)
{
    if (option == QLatin1String("german")) return kLanguageGerman;
    if (option == QLatin1String("english")) return kLanguageEnglish;
    return std::nullopt;
}

} // namespace corvane
