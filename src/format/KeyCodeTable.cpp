#include "format/KeyCodeTable.h"

namespace corvane {

namespace {

struct NamedKey
{
    std::uint8_t code;
    std::uint8_t usage;
    const char* label;
};

// Keys named one by one. Codes 174, 175, 179 and 181 carry the low byte of a consumer-control
// usage; 240-249 are the program's own codes for mouse actions, their usage being the code.
constexpr NamedKey kNamedKeys[] = {
    {8, 0x2A, "Back "},
    {9, 0x2B, "Tab "},
    {13, 0x28, "Enter "},
    {19, 0x48, "Pause "},
    {20, 0x39, "Caps "},
    {27, 0x29, "Esc "},
    {32, 0x2C, "Space "},
    {33, 0x4B, "PgUp "},
    {34, 0x4E, "PgDn "},
    {35, 0x4D, "End "},
    {36, 0x4A, "Home "},
    {37, 0x50, "Left "},
    {38, 0x52, "Up "},
    {39, 0x4F, "Right "},
    {40, 0x51, "Down "},
    {44, 0x46, "Prscr "},
    {45, 0x49, "Inst "},
    {46, 0x4C, "Del "},
    {91, 0xE3, "LWin "},
    {92, 0xE7, "RWin "},
    {93, 0x65, "Apps "},
    {106, 0x55, "* "},
    {107, 0x57, "+ "},
    {108, 0x58, "Enter-num "}, // the keypad's Enter, named as the keypad digits are
    {109, 0x56, "- "},
    {110, 0x63, ". "},
    {111, 0x54, "/ "},
    {144, 0x53, "Num "},
    {145, 0x47, "Scrol "},
    {160, 0xE1, "LShift "},
    {161, 0xE5, "RShift "},
    {162, 0xE0, "LCtrl "},
    {163, 0xE4, "RCtrl "},
    {164, 0xE2, "LAlt "},
    {165, 0xE6, "RAlt "},
    {174, 0xEA, "Volume DOWN "},
    {175, 0xE9, "Volume UP "},
    {179, 0xCD, "Play/Pause"},
    {181, 0x83, "Media "},
    {186, 0x33, "; "},
    {187, 0x2E, "= "},
    {188, 0x36, ", "},
    {189, 0x2D, "- "},
    {190, 0x37, ". "},
    {191, 0x38, "/ "},
    {192, 0x35, "` "},
    {219, 0x2F, "[ "},
    {220, 0x32, "\\ "},
    {221, 0x30, "] "},
    {222, 0x34, "' "},
    {240, 0xF0, "MsLB"},
    {241, 0xF1, "MsRB"},
    {242, 0xF2, "MsMB"},
    {243, 0xF3, ""},
    {244, 0xF4, ""},
    {245, 0xF5, "Mouse Pointer Right"},
    {246, 0xF6, "Mouse Pointer Up"},
    {247, 0xF7, "Mouse pointer Down"},
    {248, 0xF8, "Mouse Wheel Up"},
    {249, 0xF9, "Mouse Wheel Down"},
};

} // namespace

KeyCodeTable::KeyCodeTable()
{
    for (int code = 0; code < 256; ++code)
        entries_[code].code = static_cast<std::uint8_t>(code);

    auto set = [this](int code, int usage, std::string label) {
        entries_[code].usage = static_cast<std::uint8_t>(usage);
        entries_[code].label = std::move(label);
    };
    for (int code = 'A'; code <= 'Z'; ++code)
        set(code, code - 61, {static_cast<char>(code), ' '});
    set('0', 0x27, "0");
    for (int code = '1'; code <= '9'; ++code)
        set(code, code - 19, {static_cast<char>(code), ' '});
    // Appended rather than "F" + ...: GCC 12 at -O3 warns falsely (-Wrestrict) on literal + string.
    for (int code = 112; code <= 123; ++code) {
        std::string label = "F";
        label += std::to_string(code - 111);
        label += ' ';
        set(code, code - 54, label);
    }
    // Keypad digits: keypad 0 comes last in the keyboard's usage order.
    set(96, 0x62, "0-num ");
    for (int code = 97; code <= 105; ++code)
        set(code, 0x59 + (code - 97), std::to_string(code - 96) + "-num ");
    for (const NamedKey& key : kNamedKeys)
        set(key.code, key.usage, key.label);
}

const KeyCodeTable& StandardKeyCodeTable()
{
    static const KeyCodeTable table;
    return table;
}

} // namespace corvane
