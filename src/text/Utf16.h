#pragma once
// Names in the settings files are UTF-16 (macro names, launch paths); labels, file names and
// terminal output are UTF-8. Unpaired surrogates and malformed bytes become U+FFFD.

#include <string>
#include <string_view>

namespace corvane {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

} // namespace corvane
