#pragma once
// Every text shown in two languages is picked where it is used: German for language code 7,
// English otherwise.

#include "platform/qt/LanguageSetting.h"

#include <QString>
#include <cstdint>

namespace corvane {

inline QString PickText(std::uint16_t language, const char* german, const char* english)
{
    return QString::fromUtf8(language == kLanguageGerman ? german : english);
}

} // namespace corvane
