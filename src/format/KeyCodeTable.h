#pragma once
// Names keys by their Windows virtual-key code: for each code 0-255 the HID usage byte the
// keyboard understands and a short label for lists. Codes 240-249 stand for mouse buttons and
// pointer or wheel actions. Built once; read-only afterwards.

#include <array>
#include <cstdint>
#include <string>

namespace corvane {

class KeyCodeTable
{
public:
    struct Entry
    {
        std::uint8_t code = 0;  // equal to the entry's index
        std::uint8_t usage = 0; // 0 when the code is not named
        std::string label;      // UTF-8; most labels end in one blank, kept as they are
    };

    KeyCodeTable();

    const Entry& operator[](std::uint8_t code) const { return entries_[code]; }
    std::uint8_t Usage(std::uint8_t code) const { return entries_[code].usage; }
    const std::string& Label(std::uint8_t code) const { return entries_[code].label; }

private:
    std::array<Entry, 256> entries_;
};

// A table built on first use, for code that is not handed one.
const KeyCodeTable& StandardKeyCodeTable();

} // namespace corvane
