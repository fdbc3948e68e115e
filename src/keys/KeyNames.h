#pragma once
// Names of keys for texts that list them: corvanectl's descriptions and the program's questions.

#include "format/KeyCodeTable.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// A key code as the key dialog shows it, without the label's trailing blank; its number when
// the table has no label.
std::string KeyCodeName(std::uint8_t code, const KeyCodeTable& codes);

// A name for the physical key at a layout position: keypad operators carry "Num ", since their
// labels are those of main-block keys, and position 100 is "Fn".
std::string SlotName(std::size_t slot, const KeyCodeTable& codes);

} // namespace corvane
