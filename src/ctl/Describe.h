#pragma once
// Readable descriptions of the settings files: keymap.bin and profiles, and MacroDefine.bin.

#include "format/KeyCodeTable.h"
#include "format/KeyRecord.h"
#include "format/SettingsImage.h"
#include "macros/MacroStore.h"

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

namespace corvane::ctl {

// Text from a file made safe for a terminal: C0 controls, DEL and C1 controls (U+0080-U+009F)
// appear as \xNN or \uNNNN, and a backslash as two, so the output is unambiguous. The input is
// UTF-8; other bytes pass unchanged.
std::string EscapeControls(std::string_view text);

// `available` is how many bytes of the file there were: fields beyond it are not described.
// `macros` (may be null) names the macros keys refer to.
void DescribeSettings(const SettingsImage& image, const KeyRecordBuffer& records, std::size_t available,
                      const MacroStore* macros, const KeyCodeTable& codes, std::ostream& out);
void DescribeMacros(const MacroStore& store, std::size_t available, const KeyCodeTable& codes,
                    std::ostream& out);

// Detects the kind of file by its size and name and describes it. Returns the exit code: 0 when
// described (a file of unexpected size gets a warning on err), 1 when it cannot be read.
int DescribeFile(const std::filesystem::path& file, std::ostream& out, std::ostream& err);

} // namespace corvane::ctl
