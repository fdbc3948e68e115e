#include "keys/LinuxKeyMap.h"

#include <array>
#include <utility>

namespace corvane {
namespace {

// Kernel key codes (linux/input-event-codes.h) of the keys the keyboard has, with the virtual-key
// code the keyboard's own key in that place carries. The keypad keeps its own codes whatever the
// Num Lock state, as the keyboard does.
constexpr std::pair<std::uint16_t, std::uint8_t> kPlaces[] = {
    {1, 27}, // Esc
    {2, '1'},   {3, '2'},  {4, '3'},  {5, '4'},  {6, '5'},  {7, '6'},  {8, '7'},  {9, '8'},
    {10, '9'},  {11, '0'}, {12, 189}, // - _
    {13, 187},                        // = +
    {14, 8},                          // Backspace
    {15, 9},                          // Tab
    {16, 'Q'},  {17, 'W'}, {18, 'E'}, {19, 'R'}, {20, 'T'}, {21, 'Y'}, {22, 'U'}, {23, 'I'},
    {24, 'O'},  {25, 'P'}, {26, 219}, // [
    {27, 221},                        // ]
    {28, 13},                         // Enter
    {29, 162},                        // left Ctrl
    {30, 'A'},  {31, 'S'}, {32, 'D'}, {33, 'F'}, {34, 'G'}, {35, 'H'}, {36, 'J'}, {37, 'K'},
    {38, 'L'},  {39, 186},                                                                   // ;
    {40, 222},                                                                               // '
    {41, 192},                                                                               // `
    {42, 160},                                                                               // left Shift
    {43, 220},                                                                               // backslash
    {44, 'Z'},  {45, 'X'}, {46, 'C'}, {47, 'V'}, {48, 'B'}, {49, 'N'}, {50, 'M'}, {51, 188}, // ,
    {52, 190},                                                                               // .
    {53, 191},                                                                               // /
    {54, 161},                                                                               // right Shift
    {55, 106},                                                                               // keypad *
    {56, 164},                                                                               // left Alt
    {57, 32},                                                                                // Space
    {58, 20},                                                                                // Caps Lock
    {59, 112},  {60, 113}, {61, 114}, {62, 115}, {63, 116}, {64, 117}, {65, 118}, {66, 119},
    {67, 120},  {68, 121},            // F1-F10
    {69, 144},                        // Num Lock
    {70, 145},                        // Scroll Lock
    {71, 103},  {72, 104}, {73, 105}, // keypad 7 8 9
    {74, 109},                        // keypad -
    {75, 100},  {76, 101}, {77, 102}, // keypad 4 5 6
    {78, 107},                        // keypad +
    {79, 97},   {80, 98},  {81, 99},  // keypad 1 2 3
    {82, 96},                         // keypad 0
    {83, 110},                        // keypad .
    {87, 122},  {88, 123},            // F11 F12
    {96, 108},                        // keypad Enter
    {97, 163},                        // right Ctrl
    {98, 111},                        // keypad /
    {99, 44},                         // Print Screen
    {100, 165},                       // right Alt
    {102, 36},                        // Home
    {103, 38},                        // Up
    {104, 33},                        // Page Up
    {105, 37},                        // Left
    {106, 39},                        // Right
    {107, 35},                        // End
    {108, 40},                        // Down
    {109, 34},                        // Page Down
    {110, 45},                        // Insert
    {111, 46},                        // Delete
    {114, 174},                       // Volume Down
    {115, 175},                       // Volume Up
    {119, 19},                        // Pause
    {125, 91},                        // left Win
    {126, 92},                        // right Win
    {127, 93},                        // Menu (App)
    {164, 179},                       // Play/Pause
    {171, 181},                       // the media key: its consumer usage arrives as the configuration key
    {226, 181},                       // a keyboard's own "Media" key
};

constexpr std::array<std::uint8_t, 256> BuildTable()
{
    std::array<std::uint8_t, 256> table{};
    for (const auto& [code, key] : kPlaces)
        table[code] = key;
    return table;
}

constexpr std::array<std::uint8_t, 256> kTable = BuildTable();

} // namespace

std::optional<std::uint8_t> VirtualKeyFromLinuxKey(std::uint16_t linuxKey)
{
    if (linuxKey >= kTable.size() || kTable[linuxKey] == 0) return std::nullopt;
    return kTable[linuxKey];
}

} // namespace corvane
