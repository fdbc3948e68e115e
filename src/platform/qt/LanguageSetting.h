#pragma once
// The interface language comes from one user setting, "Language" of the "QT302" settings
// (~/.config/QT302.conf): exactly "german" selects German, any other value English. Without the
// setting the window speaks the user's locale: German for a German one, English otherwise.

#include <QString>
#include <cstdint>
#include <optional>

namespace corvane {

inline constexpr std::uint16_t kLanguageGerman = 7;
inline constexpr std::uint16_t kLanguageEnglish = 9;

// Maps the stored text to a language code; only the exact lower-case "german" is German.
std::uint16_t LanguageFromText(const QString& text);

// The locale's language: German when the first of LC_ALL, LC_MESSAGES and LANG that is set names
// German ("de", "de_DE.UTF-8", "de_AT@euro"), English otherwise.
std::uint16_t LanguageOfLocale();

// Reads the user's setting; the locale's language when there is none.
std::uint16_t ReadLanguageSetting();

// A command-line choice, "german" or "english"; nothing for any other word.
std::optional<std::uint16_t> LanguageFromOption(const QString& option);

} // namespace corvane
