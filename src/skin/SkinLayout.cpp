#include "skin/SkinLayout.h"

#include <cctype>
#include <iterator>

namespace corvane::layout {

const SkinFolder kSkinFolders[6] = {
    {Window::Main, "png\\german\\", "png\\english\\", "main.png"},
    {Window::Profile, "png\\GERMAN\\Config\\", "png\\english\\Config\\", "Profile_BK.png"},
    {Window::KeyAssignment, "png\\GERMAN\\Custom\\", "png\\english\\Custom\\", "Custom_BK.png"},
    {Window::Macro, "png\\GERMAN\\MacroManagement\\", "png\\english\\MacroManagement\\",
     "MacroManagement.png"},
    {Window::Colour, "png\\GERMAN\\", "png\\English\\", "Color_BK.png"},
    {Window::FirmwareUpdate, "png\\help\\", "png\\help\\", "UpdateWindow.png"},
};

const SkinFolder& FolderOf(Window window)
{
    for (const SkinFolder& folder : kSkinFolders)
        if (folder.window == window) return folder;
    return kSkinFolders[0];
}

std::string FolderOnDisk(Window window, bool german)
{
    const SkinFolder& folder = FolderOf(window);
    std::string path = german ? folder.german : folder.english;
    std::size_t component = 0;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
            ++component;
        } else if (component == 1) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return path;
}

// Sizes follow the click areas: a picture covers its inclusive hit rectangle.
const SkinImage kSkinImages[] = {
    // Main window
    {Window::Main, "main.png", kMainWindowSize},
    {Window::Main, "button-help-normal.png", {17, 16}},
    {Window::Main, "button-min-normal.png", {17, 16}},
    {Window::Main, "button-close-normal.png", {17, 16}},
    {Window::Main, "HelpWindow.png", {167, 78}},
    {Window::Main, "kb_BK.png", kKeyboardPictureSize},
    {Window::Main, "kb_hl.png", kKeyboardPictureSize},
    {Window::Main, "apply.png", {59, 24}},
    {Window::Main, "Config.png", {59, 24}},
    {Window::Main, "MacroButton3.png", {58, 23}},
    {Window::Main, "Light_Item.png", {221, 16}},
    {Window::Main, "8.png", {20, 20}},
    {Window::Main, "Direction-T-Disable.png", {36, 16}},
    {Window::Main, "Direction-B-Disable.png", {36, 16}},
    {Window::Main, "Direction-R-Disable.png", {36, 16}},
    {Window::Main, "Direction-L-Disable.png", {36, 16}},
    {Window::Main, "Direction-T-Enable.png", {36, 16}},
    {Window::Main, "Direction-B-Enable.png", {36, 16}},
    {Window::Main, "Direction-R-Enable.png", {36, 16}},
    {Window::Main, "Direction-L-Enable.png", {36, 16}},
    {Window::Main, "Enable.png", {16, 16}},
    {Window::Main, "Disable.png", {16, 16}},
    {Window::Main, "Thumb.png", kSliderThumbSize},
    {Window::Main, "responsetime_txt.png", {222, 20}},
    {Window::Main, "reportRate_txt.png", {222, 20}},
    // Profile panel
    {Window::Profile, "Profile_BK.png", kProfileWindowSize},
    {Window::Profile, "button-close-normal.png", {6, 7}},
    // Key assignment dialog
    {Window::KeyAssignment, "Custom_BK.png", kKeyDialogSize},
    {Window::KeyAssignment, "button-close-normal.png", {7, 8}},
    {Window::KeyAssignment, "button-close-over.png", {7, 8}},
    {Window::KeyAssignment, "large_button.png", {95, 28}},
    {Window::KeyAssignment, "single_combine_option.png", {326, 7}},
    {Window::KeyAssignment, "Disable.png", {11, 10}},
    {Window::KeyAssignment, "Enable.png", {11, 10}},
    {Window::KeyAssignment, "button-cancel-normal.png", {71, 23}},
    {Window::KeyAssignment, "button-cancel-over.png", {71, 23}},
    {Window::KeyAssignment, "button-save-normal.png", {71, 23}},
    {Window::KeyAssignment, "button-save-over.png", {71, 23}},
    {Window::KeyAssignment, "Advanced.png", {229, 25}},
    {Window::KeyAssignment, "view.png", {61, 26}},
    {Window::KeyAssignment, "view02.png", {61, 26}},
    // Macro dialog
    {Window::Macro, "MacroManagement.png", kMacroDialogSize},
    {Window::Macro, "Record-normal.png", {95, 25}},
    {Window::Macro, "Record-over.png", {95, 25}},
    {Window::Macro, "Record-leave.png", {95, 25}},
    {Window::Macro, "Pane.png", {15, 15}},
    {Window::Macro, "PaneMakingTick.png", {15, 15}},
    {Window::Macro, "button-new-normal.png", {58, 25}},
    {Window::Macro, "button-new-over.png", {58, 25}},
    {Window::Macro, "button-new-leave.png", {58, 25}},
    // Colour dialog
    {Window::Colour, "Color_BK.png", kColourDialogSize},
    // Firmware update window
    {Window::FirmwareUpdate, "UpdateWindow.png", kUpdateWindowSize},
};
const std::size_t kSkinImageCount = std::size(kSkinImages);

namespace {
bool SameNameIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}
} // namespace

const SkinImage* FindSkinImage(Window window, const char* name)
{
    for (const SkinImage& image : kSkinImages)
        if (image.window == window && SameNameIgnoringCase(image.name, name)) return &image;
    return nullptr;
}

const ResourceImage kResourceImages[9] = {
    {kResourceListKeyDown, {10, 14}},         {kResourceTreeCollapsed, {9, 9}},
    {kResourceTreeExpanded, {9, 9}},          {kResourceListDelay, {14, 14}},
    {kResourceListKeyUp, {10, 14}},           {kResourceTrackEmpty, kSliderTrackSize},
    {kResourceTrackFilled, kSliderTrackSize}, {kResourceSliderThumb, kSliderThumbSize},
    {kResourceAppIcon, {128, 128}},
};

const KeyEntry kKeyTable[kKeyCount] = {
    {"Esc", {22, 78, 45, 101}, {25, 83}},         // 0
    {"F1", {69, 78, 92, 101}, {76, 83}},          // 1
    {"F2", {93, 78, 116, 101}, {100, 83}},        // 2
    {"F3", {117, 78, 140, 101}, {124, 83}},       // 3
    {"F4", {141, 78, 164, 101}, {148, 83}},       // 4
    {"F5", {178, 78, 201, 101}, {185, 83}},       // 5
    {"F6", {202, 78, 225, 101}, {209, 83}},       // 6
    {"F7", {226, 78, 249, 101}, {233, 83}},       // 7
    {"F8", {250, 78, 273, 101}, {257, 83}},       // 8
    {"F9", {287, 78, 310, 101}, {294, 83}},       // 9
    {"F10", {311, 78, 334, 101}, {318, 83}},      // 10
    {"F11", {335, 78, 358, 101}, {342, 83}},      // 11
    {"F12", {359, 78, 382, 101}, {366, 83}},      // 12
    {"Prnt", {390, 78, 413, 101}, {394, 83}},     // 13
    {"Scrl", {414, 78, 437, 101}, {420, 83}},     // 14
    {"Pause", {438, 78, 461, 101}, {440, 83}},    // 15
    {"", {0, 0, 0, 0}, {0, 0}},                   // 16
    {"", {0, 0, 0, 0}, {0, 0}},                   // 17
    {"", {0, 0, 0, 0}, {0, 0}},                   // 18
    {"", {0, 0, 0, 0}, {0, 0}},                   // 19
    {"~", {22, 109, 45, 132}, {30, 114}},         // 20
    {"1", {46, 109, 69, 132}, {54, 114}},         // 21
    {"2", {70, 109, 93, 132}, {78, 114}},         // 22
    {"3", {94, 109, 117, 132}, {102, 114}},       // 23
    {"4", {118, 109, 141, 132}, {126, 114}},      // 24
    {"5", {142, 109, 165, 132}, {150, 114}},      // 25
    {"6", {166, 109, 189, 132}, {174, 114}},      // 26
    {"7", {190, 109, 213, 132}, {198, 114}},      // 27
    {"8", {214, 109, 237, 132}, {222, 114}},      // 28
    {"9", {238, 109, 261, 132}, {246, 114}},      // 29
    {"0", {262, 109, 285, 132}, {270, 114}},      // 30
    {"-", {287, 109, 310, 132}, {295, 114}},      // 31
    {"=", {311, 109, 334, 132}, {319, 114}},      // 32
    {"Back", {335, 109, 382, 132}, {346, 114}},   // 33
    {"Ins", {390, 109, 413, 132}, {393, 114}},    // 34
    {"Home", {414, 109, 437, 132}, {417, 114}},   // 35
    {"PgUp", {438, 109, 461, 132}, {441, 114}},   // 36
    {"Num", {469, 109, 492, 132}, {472, 114}},    // 37
    {"/", {493, 109, 516, 132}, {501, 114}},      // 38
    {"*", {517, 109, 540, 132}, {525, 114}},      // 39
    {"-", {541, 109, 564, 132}, {549, 114}},      // 40
    {"Tab", {22, 133, 57, 156}, {28, 138}},       // 41
    {"Q", {58, 133, 81, 156}, {66, 138}},         // 42
    {"W", {82, 133, 105, 156}, {90, 138}},        // 43
    {"E", {106, 133, 129, 156}, {114, 138}},      // 44
    {"R", {130, 133, 153, 156}, {138, 138}},      // 45
    {"T", {154, 133, 177, 156}, {162, 138}},      // 46
    {"Y", {178, 133, 201, 156}, {186, 138}},      // 47
    {"U", {202, 133, 225, 156}, {210, 138}},      // 48
    {"I", {226, 133, 249, 156}, {234, 138}},      // 49
    {"O", {250, 133, 273, 156}, {258, 138}},      // 50
    {"P", {274, 133, 297, 156}, {282, 138}},      // 51
    {"[", {299, 133, 322, 156}, {307, 138}},      // 52
    {"]", {323, 133, 346, 156}, {331, 138}},      // 53
    {"\\", {347, 133, 382, 156}, {353, 138}},     // 54
    {"Del", {390, 133, 413, 156}, {393, 138}},    // 55
    {"End", {414, 133, 437, 156}, {417, 138}},    // 56
    {"PgDn", {438, 133, 461, 156}, {441, 138}},   // 57
    {"7", {469, 133, 492, 156}, {477, 138}},      // 58
    {"8", {493, 133, 516, 156}, {501, 138}},      // 59
    {"9", {517, 133, 540, 156}, {525, 138}},      // 60
    {"+", {541, 133, 564, 180}, {550, 152}},      // 61
    {"Caps Lock", {22, 157, 63, 180}, {25, 162}}, // 62
    {"A", {64, 157, 87, 180}, {72, 162}},         // 63
    {"S", {88, 157, 111, 180}, {96, 162}},        // 64
    {"D", {112, 157, 135, 180}, {120, 162}},      // 65
    {"F", {136, 157, 159, 180}, {144, 162}},      // 66
    {"G", {160, 157, 183, 180}, {168, 162}},      // 67
    {"H", {184, 157, 207, 180}, {192, 162}},      // 68
    {"J", {208, 157, 231, 180}, {216, 162}},      // 69
    {"K", {232, 157, 255, 180}, {240, 162}},      // 70
    {"L", {256, 157, 279, 180}, {264, 162}},      // 71
    {";", {280, 157, 303, 180}, {288, 162}},      // 72
    {"'", {305, 157, 328, 180}, {313, 162}},      // 73
    {"Ent", {329, 157, 382, 180}, {342, 162}},    // 74
    {"4", {469, 157, 492, 180}, {477, 162}},      // 75
    {"5", {493, 157, 516, 180}, {501, 162}},      // 76
    {"6", {517, 157, 540, 180}, {525, 162}},      // 77
    {"Shift", {22, 181, 75, 204}, {33, 186}},     // 78
    {"Z", {76, 181, 99, 204}, {84, 186}},         // 79
    {"X", {100, 181, 123, 204}, {108, 186}},      // 80
    {"C", {124, 181, 147, 204}, {132, 186}},      // 81
    {"V", {148, 181, 171, 204}, {156, 186}},      // 82
    {"B", {172, 181, 195, 204}, {180, 186}},      // 83
    {"N", {197, 181, 220, 204}, {205, 186}},      // 84
    {"M", {221, 181, 244, 204}, {229, 186}},      // 85
    {",", {245, 181, 268, 204}, {253, 186}},      // 86
    {".", {269, 181, 292, 204}, {277, 186}},      // 87
    {"/", {293, 181, 316, 204}, {301, 186}},      // 88
    {"Shift", {317, 181, 382, 204}, {331, 186}},  // 89
    {"Up", {414, 181, 437, 204}, {422, 186}},     // 90
    {"1", {469, 181, 492, 204}, {477, 186}},      // 91
    {"2", {493, 181, 516, 204}, {501, 186}},      // 92
    {"3", {517, 181, 540, 204}, {525, 186}},      // 93
    {"Ent", {541, 181, 564, 228}, {546, 198}},    // 94
    {"Ctrl", {22, 205, 51, 228}, {25, 210}},      // 95
    {"Win", {52, 205, 81, 228}, {56, 210}},       // 96
    {"Alt", {82, 205, 111, 228}, {86, 210}},      // 97
    {"Space", {112, 205, 262, 228}, {161, 210}},  // 98
    {"Alt", {263, 205, 292, 228}, {267, 210}},    // 99
    {"Fn", {293, 205, 322, 228}, {297, 210}},     // 100
    {"App", {323, 205, 352, 228}, {327, 210}},    // 101
    {"Ctrl", {353, 205, 382, 228}, {357, 210}},   // 102
    {"Left", {390, 205, 413, 228}, {393, 210}},   // 103
    {"Down", {414, 205, 437, 228}, {417, 210}},   // 104
    {"Right", {438, 205, 461, 228}, {441, 210}},  // 105
    {"0", {469, 205, 516, 228}, {488, 210}},      // 106
    {".", {517, 205, 540, 228}, {525, 210}},      // 107
};

Rect KeyWindowRect(int slot)
{
    if (slot < 0 || slot >= static_cast<int>(kKeyCount)) return {1, 1, 0, 0};
    return kKeyTable[slot].rect.Shifted(kKeyboardOrigin.x, kKeyboardOrigin.y);
}

const MainButtonEntry kMainButtons[kMainButtonCount] = {
    {{936, 5, 952, 20}, "button-help-normal.png"},
    {{957, 5, 973, 20}, "button-min-normal.png"},
    {{978, 5, 994, 20}, "button-close-normal.png"},
    {{28, 158, 248, 173}, "Light_Item.png"},
    {{29, 197, 64, 212}, "Direction-T-Disable.png"},
    {{79, 197, 114, 212}, "Direction-B-Disable.png"},
    {{129, 197, 164, 212}, "Direction-R-Disable.png"},
    {{179, 197, 214, 212}, "Direction-L-Disable.png"},
    {{28, 223, 48, 243}, nullptr},
    {{53, 223, 73, 243}, nullptr},
    {{78, 223, 98, 243}, nullptr},
    {{103, 223, 123, 243}, nullptr},
    {{128, 223, 148, 243}, nullptr},
    {{153, 223, 173, 243}, nullptr},
    {{178, 223, 198, 243}, nullptr},
    {{203, 223, 223, 243}, "8.png"},
    {{105, 466, 125, 486}, "Disable.png"},
    {{156, 502, 176, 522}, "Disable.png"},
    {{25, 560, 83, 583}, "Config.png"},
    {{107, 560, 164, 582}, "MacroButton3.png"},
    // 20 has no action and no known area; 21 is empty. Both stay unhittable.
    {{1, 1, 0, 0}, nullptr},
    {{1, 1, 0, 0}, nullptr},
    {{868, 562, 926, 585}, "apply.png"},
};

const SliderPlace kSliders[4] = {
    {kSliderBrightness, {28, 260}, 50},
    {kSliderSpeed, {28, 303}, 9},
    {kSliderResponseTime, {26, 363}, 9},
    {kSliderReportRate, {26, 414}, 3},
};

const SliderPlace* FindSlider(int id)
{
    for (const SliderPlace& slider : kSliders)
        if (slider.id == id) return &slider;
    return nullptr;
}

const ImageButton kKeyButtons[kKeyButtonCount] = {
    {{371, 8, 377, 15}, "button-close-normal.png", "button-close-over.png", nullptr, false},
    {{0, 28, 94, 55}, "large_button.png", "large_button.png", nullptr, false},
    {{97, 28, 191, 55}, "large_button.png", "large_button.png", nullptr, false},
    {{194, 28, 288, 55}, "large_button.png", "large_button.png", nullptr, false},
    {{291, 28, 385, 55}, "large_button.png", "large_button.png", nullptr, false},
    {{0, 30, 325, 36}, "single_combine_option.png", "single_combine_option.png", nullptr, false},
    {{19, 351, 29, 360}, "Disable.png", "Enable.png", nullptr, true},
    {{130, 346, 200, 368}, "button-cancel-normal.png", "button-cancel-over.png", nullptr, true},
    {{220, 346, 290, 368}, "button-cancel-normal.png", "button-cancel-over.png", nullptr, true},
    {{310, 346, 380, 368}, "button-save-normal.png", "button-save-over.png", nullptr, true},
};

const ImageButton kMacroButtons[kMacroButtonCount] = {
    {{255, 100, 349, 124}, "Record-normal.png", "Record-over.png", "Record-leave.png", true},
    {{338, 168, 352, 182}, "Pane.png", "PaneMakingTick.png", nullptr, true},
    {{265, 315, 279, 329}, "Pane.png", "PaneMakingTick.png", nullptr, true},
    {{20, 368, 77, 392}, "button-new-normal.png", "button-new-over.png", "button-new-leave.png", true},
    {{80, 368, 137, 392}, "button-new-normal.png", "button-new-over.png", "button-new-leave.png", true},
    {{250, 368, 307, 392}, "button-new-normal.png", "button-new-over.png", "button-new-leave.png", true},
    {{310, 368, 367, 392}, "button-new-normal.png", "button-new-over.png", "button-new-leave.png", true},
    {{370, 8, 377, 15}, nullptr, nullptr, nullptr, false},
};

const ColourCell kColourCells[kColourCellCount] = {
    // row 1
    {{13, 41}, 255, 128, 128},
    {{32, 41}, 255, 255, 128},
    {{51, 41}, 128, 255, 128},
    {{70, 41}, 0, 255, 128},
    {{89, 41}, 128, 255, 254},
    {{108, 41}, 0, 128, 255},
    {{127, 41}, 254, 128, 192},
    {{146, 41}, 255, 128, 255},
    // row 2
    {{13, 57}, 255, 0, 0},
    {{32, 57}, 255, 255, 0},
    {{51, 57}, 128, 255, 0},
    {{70, 57}, 0, 255, 64},
    {{89, 57}, 0, 255, 255},
    {{108, 57}, 0, 128, 192},
    {{127, 57}, 128, 128, 255},
    {{146, 57}, 255, 0, 255},
    // row 3
    {{13, 73}, 128, 64, 64},
    {{32, 73}, 255, 128, 64},
    {{51, 73}, 0, 255, 0},
    {{70, 73}, 0, 128, 128},
    {{89, 73}, 0, 64, 128},
    {{108, 73}, 128, 128, 255},
    {{127, 73}, 128, 0, 64},
    {{146, 73}, 255, 0, 128},
    // row 4
    {{13, 89}, 128, 0, 0},
    {{32, 89}, 255, 128, 0},
    {{51, 89}, 0, 128, 0},
    {{70, 89}, 0, 128, 64},
    {{89, 89}, 0, 0, 255},
    {{108, 89}, 0, 0, 160},
    {{127, 89}, 128, 0, 128},
    {{146, 89}, 128, 0, 255},
    // row 5
    {{13, 105}, 64, 0, 0},
    {{32, 105}, 128, 64, 0},
    {{51, 105}, 0, 64, 0},
    {{70, 105}, 0, 64, 64},
    {{89, 105}, 0, 0, 128},
    {{108, 105}, 0, 0, 64},
    {{127, 105}, 64, 0, 64},
    {{146, 105}, 64, 0, 128},
    // row 6
    {{13, 122}, 0, 0, 0},
    {{32, 122}, 128, 128, 0},
    {{51, 122}, 128, 128, 64},
    {{70, 122}, 128, 128, 128},
    {{89, 122}, 64, 128, 128},
    {{108, 122}, 129, 192, 192},
    {{127, 122}, 64, 0, 64},
    {{146, 122}, 255, 255, 255},

    // custom row 1
    {{13, 162}, 255, 255, 255},
    {{32, 162}, 255, 255, 255},
    {{51, 162}, 255, 255, 255},
    {{70, 162}, 255, 255, 255},
    {{89, 162}, 255, 255, 255},
    {{108, 162}, 255, 255, 255},
    {{127, 162}, 255, 255, 255},
    {{146, 162}, 255, 255, 255},
    // custom row 2
    {{13, 178}, 255, 255, 255},
    {{32, 178}, 255, 255, 255},
    {{51, 178}, 255, 255, 255},
    {{70, 178}, 255, 255, 255},
    {{89, 178}, 255, 255, 255},
    {{108, 178}, 255, 255, 255},
    {{127, 178}, 255, 255, 255},
    {{146, 178}, 255, 255, 255},
};

} // namespace corvane::layout
