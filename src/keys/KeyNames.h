#pragma once
// Names of keys for texts that list them: corvanectl's descriptions and the program's questions.

#include "format/KeyCodeTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// A key code as the key dialog shows it, without the label's trailing blank; its number when
// the table has no label.
std::string KeyCodeName(std::uint8_t code, const KeyCodeTable& codes);

// A key code's name that no other code shares: the keypad's operators carry "Num ", since their
// labels are those of main-block keys.
std::string DistinctKeyCodeName(std::uint8_t code, const KeyCodeTable& codes);

// The key code a typed name stands for, whatever the letter case: a DistinctKeyCodeName, or Ctrl,
// Shift, Alt or Win for the left one of the pair.
std::optional<std::uint8_t> KeyCodeOfName(std::string_view name, const KeyCodeTable& codes);

// A name for the physical key at a layout position: its DistinctKeyCodeName; position 100 is "Fn".
std::string SlotName(std::size_t slot, const KeyCodeTable& codes);

// The layout position SlotName gives this name, whatever the letter case.
std::optional<std::size_t> SlotOfName(std::string_view name, const KeyCodeTable& codes);

} // namespace corvane
