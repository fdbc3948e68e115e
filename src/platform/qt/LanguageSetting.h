#pragma once
// The interface language comes from one user setting, "Language" of the "QT302" settings:
// exactly "german" selects German, anything else (or nothing) English.

#include <QString>
#include <cstdint>
#include <optional>

namespace corvane {

inline constexpr std::uint16_t kLanguageGerman = 7;
inline constexpr std::uint16_t kLanguageEnglish = 9;

// Maps the stored text to a language code; only the exact lower-case "german" is German.
std::uint16_t LanguageFromText(const QString& text);

// Reads the user's setting.
std::uint16_t ReadLanguageSetting();

// A command-line choice, "german" or "english"; nothing for any other word.
std::optional<std::uint16_t> LanguageFromOption(const QString& option);

} // namespace corvane
