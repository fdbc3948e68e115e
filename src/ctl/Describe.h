#pragma once
// Readable descriptions of the settings files: keymap.bin and profiles, and MacroDefine.bin.

#include "ctl/Json.h"
#include "format/KeyCodeTable.h"
#include "format/KeyRecord.h"
#include "format/SettingsImage.h"
#include "macros/MacroStore.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::ctl {

// Text from a file made safe for a terminal: C0 controls, DEL and C1 controls (U+0080-U+009F)
// appear as \xNN or \uNNNN, and a backslash as two, so the output is unambiguous. The input is
// UTF-8; other bytes pass unchanged.
std::string EscapeControls(std::string_view text);

// How a collected text is made fit for its output: EscapeControls for the terminal, KeepText for
// JSON (whose writer escapes on its own).
using TextFilter = std::string (*)(std::string_view);
std::string KeepText(std::string_view text);

// The settings of a file or of the keyboard, collected once for the text and for JSON. A field
// beyond the bytes available is left empty.
struct SettingsDescription
{
    struct Colour
    {
        const char* kind = "unknown"; // "palette", "multi" or "unknown"
        std::uint8_t value = 0;
        std::optional<std::string> rgb; // a palette entry's colour, when the palette is there
    };
    struct CustomisedKey
    {
        std::string key;
        std::string function;
    };

    std::optional<std::string> lightingMode;
    std::optional<int> lightingModeValue;
    std::optional<int> speed;
    std::optional<int> brightness;
    std::optional<Colour> colour;
    std::optional<std::string> direction;
    std::optional<int> directionValue;
    std::vector<std::string> palette; // "#RRGGBB" per entry; empty when not there
    std::optional<std::string> gameMode;
    std::optional<int> gameModeValue;
    std::optional<std::string> windowsKeyLock;
    std::optional<int> windowsKeyLockValue;
    std::optional<int> responseTimeStored;
    std::optional<int> reportRate;
    bool keysInFile = false;
    std::vector<std::string> disabledKeys;
    std::size_t recordsInFile = 0;
    std::vector<CustomisedKey> customisedKeys;

    // The slider position that stands for the stored response time.
    int ResponseTimeSlider() const
    {
        return std::min(responseTimeStored.value_or(0), static_cast<int>(img::kMaxResponseTime));
    }
};

// `available` is how many bytes of the file there were: fields beyond it are not described.
// `macros` (may be null) names the macros keys refer to; `filter` is applied to the texts taken
// from the files (macro names, launch paths).
SettingsDescription CollectSettings(const SettingsImage& image, const KeyRecordBuffer& records,
                                    std::size_t available, const MacroStore* macros,
                                    const KeyCodeTable& codes, TextFilter filter);
void PrintSettings(const SettingsDescription& description, std::ostream& out);
// Adds the description's members to the open JSON object.
void WriteSettingsJson(const SettingsDescription& description, JsonWriter& json);
void DescribeSettings(const SettingsImage& image, const KeyRecordBuffer& records, std::size_t available,
                      const MacroStore* macros, const KeyCodeTable& codes, std::ostream& out);

// A macro of the store as corvanectl shows it. The name is raw UTF-8.
struct MacroDescription
{
    std::size_t number = 0;
    std::string name;
    std::uint16_t repeat = 0;
    bool delays = false;
    std::size_t events = 0;
    bool slot = false; // the keyboard has a slot for it
    std::vector<std::string> lines;
};
// The macros in use among the records the first `available` bytes hold, in record order.
std::vector<MacroDescription> CollectMacros(const MacroStore& store, std::size_t available,
                                            const KeyCodeTable& codes);
// The macro's heading line and its event lines, as describe prints them.
void PrintMacro(const MacroDescription& macro, std::ostream& out);
void WriteMacroJson(const MacroDescription& macro, JsonWriter& json, bool withLines);
// What the key at a layout position does, as the list of customised keys says it; empty for a
// key that has its own function and is enabled.
std::string DescribeKey(std::size_t slot, const SettingsImage& image, const KeyRecordBuffer& records,
                        const MacroStore* macros, const KeyCodeTable& codes,
                        TextFilter filter = EscapeControls);
void DescribeMacros(const MacroStore& store, std::size_t available, const KeyCodeTable& codes,
                    std::ostream& out);

// Detects the kind of file by its size and name and describes it, as text or, given `json`, as
// one object of the open array. Returns the exit code: 0 when described, 3 when the file cannot
// be read or is not of a settings file's size (what is there is still described; err says so).
int DescribeFile(const std::filesystem::path& file, std::ostream& out, std::ostream& err,
                 JsonWriter* json = nullptr);

} // namespace corvane::ctl
