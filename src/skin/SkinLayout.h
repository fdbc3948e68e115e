#pragma once
// The fixed geometry of every skinned window: window sizes, button and key rectangles, the places
// of panel elements, and the size of every picture the windows load. The windows hit-test with
// these tables and the artwork generator draws from them, so art and click areas cannot drift
// apart. Plain data, no toolkit types: the generator, the windows and the tests all read it.
//
// All coordinates are client pixels of the window concerned, x to the right, y downward.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::layout {

// A rectangle given by its edges. Hit tests treat all four edges as inside (inclusive bounds);
// pictures cover left..right-1 and top..bottom-1, so a key's picture is (right - left) wide.
struct Rect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    // Never hit: left beyond right (unused slots of a button table).
    constexpr bool IsEmpty() const { return left > right || top > bottom; }
    constexpr Rect Shifted(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

// A rectangle given by origin and size, as controls are placed.
struct Placement
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct Point
{
    int x = 0;
    int y = 0;
};

struct Size
{
    int width = 0;
    int height = 0;
};

// ---------------------------------------------------------------------------------------------
// Skin folders and pictures

enum class Window { Main, Profile, KeyAssignment, Macro, Colour, FirmwareUpdate };

// The one list of skinned windows: each window's folder under the program folder, per language,
// and its background picture. Folders are spelled as the windows ask for them
// ("png\GERMAN\Config\"); the loader resolves them without regard to case or separator, so one
// folder per language on disk serves every spelling.
struct SkinFolder
{
    Window window;
    const char* german; // relative folder, '\'-separated, ends with '\'
    const char* english;
    const char* background;
};
extern const SkinFolder kSkinFolders[6];
const SkinFolder& FolderOf(Window window);
// The folder as the artwork lies on disk: '/'-separated, ending with '/', the language folder
// under "png" in lower case ("png/german/Config/").
std::string FolderOnDisk(Window window, bool german);

// One picture a window loads, with the size the layout needs.
struct SkinImage
{
    Window window;
    const char* name; // spelled as the windows ask for it
    Size size;
};
extern const SkinImage kSkinImages[];
extern const std::size_t kSkinImageCount;
// The entry for a picture of a window, or nullptr. Names compare without regard to case.
const SkinImage* FindSkinImage(Window window, const char* name);

// Program bitmaps that do not depend on the language: "png/res/<id>.png".
inline constexpr const char* kResourceFolder = "png/res/";
struct ResourceImage
{
    int id;
    Size size;
};
extern const ResourceImage kResourceImages[9];
inline constexpr int kResourceListKeyDown = 131;
inline constexpr int kResourceTreeCollapsed = 133;
inline constexpr int kResourceTreeExpanded = 134;
inline constexpr int kResourceListDelay = 137;
inline constexpr int kResourceListKeyUp = 138;
inline constexpr int kResourceTrackEmpty = 139;
inline constexpr int kResourceTrackFilled = 140;
inline constexpr int kResourceSliderThumb = 141;
inline constexpr int kResourceAppIcon = 153;

// ---------------------------------------------------------------------------------------------
// Main window

inline constexpr Size kMainWindowSize{1000, 600};
// Pressing and dragging here (over no button and no key) moves the window.
inline constexpr int kDragStripTop = 2;
inline constexpr int kDragStripBottom = 30;

// The keyboard picture "kb_BK.png" (and its lit twin "kb_hl.png") and where it is drawn.
inline constexpr Point kKeyboardOrigin{335, 129};
inline constexpr Size kKeyboardPictureSize{588, 250};

inline constexpr std::size_t kKeyCount = 108;
struct KeyEntry
{
    const char* label; // shown in the per-key colour view; empty for the keys the picture lacks
    Rect rect;         // in keyboard-picture coordinates; all zero for the absent keys
    Point labelPoint;  // in keyboard-picture coordinates
};
extern const KeyEntry kKeyTable[kKeyCount];
// The four media keys the picture does not show.
inline constexpr int kFirstAbsentKey = 16;
inline constexpr int kLastAbsentKey = 19;
constexpr bool IsAbsentKey(int slot)
{
    return slot >= kFirstAbsentKey && slot <= kLastAbsentKey;
}
// A key's rectangle in main-window coordinates.
Rect KeyWindowRect(int slot);

// The main window's button table. Index = button number; entries 20 and 21 are never hit.
inline constexpr int kMainButtonCount = 23;
enum MainButton : int {
    kButtonHelp = 0,
    kButtonMinimise = 1,
    kButtonClose = 2,
    kButtonEffectSelector = 3,
    kButtonDirectionTop = 4,
    kButtonDirectionBottom = 5,
    kButtonDirectionRight = 6,
    kButtonDirectionLeft = 7,
    kButtonFirstColourSquare = 8, // 8..14 palette squares, 15 the multi-colour square
    kButtonMultiColour = 15,
    kButtonGameMode = 16,
    kButtonWindowsLock = 17,
    kButtonProfile = 18,
    kButtonMacro = 19,
    kButtonApply = 22,
    // Zones tested before the table while a custom lighting profile is chosen.
    kZoneKeymapView = 23,
    kZoneColourView = 24,
};
struct MainButtonEntry
{
    Rect rect;
    const char* image; // picture drawn at the rectangle's top-left, or nullptr
};
extern const MainButtonEntry kMainButtons[kMainButtonCount];
inline constexpr Rect kKeymapViewZone{28, 200, 42, 214};
inline constexpr Rect kColourViewZone{130, 200, 144, 214};

// Title strip pictures.
inline constexpr Point kHelpButtonOrigin{936, 5};
inline constexpr Point kMinimiseButtonOrigin{957, 5};
inline constexpr Point kCloseButtonOrigin{978, 5};

// Help window: "HelpWindow.png" with three rows of text; a click outside its area closes it.
inline constexpr Point kHelpWindowOrigin{830, 22};
inline constexpr Rect kHelpWindowArea{830, 22, 996, 99};
inline constexpr int kHelpRowHeight = 25;
inline constexpr int kHelpTextX = 850;
inline constexpr int kHelpTextY[3] = {25, 50, 75};
inline constexpr int kHelpTextHeight = 15;

// Bottom buttons (texts are written over them at run time).
inline constexpr Point kApplyButtonOrigin{868, 562};
inline constexpr Point kProfileButtonOrigin{25, 560};
inline constexpr Point kMacroButtonOrigin{107, 560};

// Lighting and performance panel.
inline constexpr Point kLightingHeading{19, 110};
inline constexpr Point kLightEffectsLabel{28, 137};
inline constexpr Point kLightItemOrigin{28, 158}; // "Light_Item.png"; the effect name is written on it
inline constexpr Point kLightDirectionLabel{29, 177};
// Direction pictures in drawing order top, bottom, right, left.
inline constexpr int kDirectionX[4] = {29, 79, 129, 179};
inline constexpr int kDirectionY = 197;
inline constexpr Point kKeymapSwitchOrigin{28, 199};
inline constexpr Point kColourViewSwitchOrigin{130, 199};
inline constexpr Point kKeymapSwitchLabel{45, 197};
inline constexpr Point kColourViewSwitchLabel{147, 197};
// Colour squares: square i (0..6) at x = kColourSquareX + i * kColourSquarePitch.
inline constexpr int kColourSquareX = 28;
inline constexpr int kColourSquarePitch = 25;
inline constexpr int kColourSquareTop = 223;
inline constexpr int kColourSquareSize = 20;
inline constexpr Point kMultiColourSquareOrigin{203, 223};
inline constexpr int kColourFrameX = 26; // + pitch * (slot - 1)
inline constexpr int kColourFrameY = 221;
inline constexpr int kColourFrameSize = 23;
inline constexpr Point kGameModeSwitchOrigin{105, 466};
inline constexpr Point kWindowsLockSwitchOrigin{156, 502};

// Sliders by control id, placed at their origins; each is the size of its track strips.
inline constexpr int kSliderSpeed = 1007;
inline constexpr int kSliderReportRate = 1010;
inline constexpr int kSliderBrightness = 1017;
inline constexpr int kSliderResponseTime = 1018;
inline constexpr Size kSliderTrackSize{220, 17};
inline constexpr Size kSliderThumbSize{15, 14};
// The trackbar under each slider picture: the thumb's centre travels from kSliderChannelInset to
// the strip width less kSliderChannelInset, and the trackbar's own thumb is this wide. The value
// scales under two of the sliders are drawn to match.
inline constexpr int kSliderChannelInset = 11;
inline constexpr int kSliderTrackbarThumbWidth = 11;
struct SliderPlace
{
    int id;
    Point origin;
    int maximum; // range 0..maximum
};
extern const SliderPlace kSliders[4];
const SliderPlace* FindSlider(int id);
// The value scales under the response time and report rate sliders.
inline constexpr Point kResponseScaleOrigin{25, 380};
inline constexpr Point kReportRateScaleOrigin{25, 429};

// The open effect list: 16 rows of 20 pixels from y 173 over x 28..248.
inline constexpr int kEffectRowCount = 16;
inline constexpr int kEffectRowHeight = 20;
inline constexpr Rect kEffectListArea{28, 173, 248, 492};
constexpr Rect EffectRowRect(int row)
{
    return {28, 173 + kEffectRowHeight * row, 248, 193 + kEffectRowHeight * row};
}

// ---------------------------------------------------------------------------------------------
// Profile panel

inline constexpr Size kProfileWindowSize{388, 394};
inline constexpr Placement kProfileList{16, 50, 243, 283};
inline constexpr Point kProfileCloseImageOrigin{373, 9};
inline constexpr Rect kProfileCloseMark{374, 10, 377, 14};
inline constexpr Rect kProfileCloseButton{17, 367, 62, 383};
inline constexpr Rect kProfileImportArea{273, 51, 373, 90};
inline constexpr Rect kProfileExportArea{273, 98, 373, 137};
// The column of areas at x 273..373 where a press does not move the panel.
inline constexpr Rect kProfileButtonColumn[5] = {{273, 51, 373, 90},
                                                 {273, 98, 373, 137},
                                                 {273, 146, 373, 185},
                                                 {273, 193, 373, 232},
                                                 {273, 241, 373, 280}};
inline constexpr int kProfileHeadingX = 293;
inline constexpr int kProfileImportHeadingY = 62;
inline constexpr int kProfileExportHeadingY = 110;
inline constexpr int kProfileHeadingHeight = 20;

// ---------------------------------------------------------------------------------------------
// Key assignment dialog

inline constexpr Size kKeyDialogSize{390, 380};
inline constexpr Placement kKeyFunctionTree{10, 60, 360, 250};
inline constexpr Placement kKeySingleEdit{12, 97, 362, 15};
inline constexpr Placement kKeyCombinationEdit{12, 186, 362, 15};
inline constexpr Placement kKeyMacroList{10, 60, 360, 250};

inline constexpr int kKeyButtonCount = 10;
enum KeyDialogButton : int {
    kKeyButtonCloseMark = 0,
    kKeyButtonFirstTab = 1, // 1..4: pages 0..3
    kKeyButtonTabStrip = 5,
    kKeyButtonDisable = 6,
    kKeyButtonReset = 7,
    kKeyButtonClose = 8,
    kKeyButtonSave = 9,
};
struct ImageButton
{
    Rect rect;
    const char* normalImage; // nullptr when none
    const char* hoverImage;
    const char* thirdImage; // named by the table, never shown
    bool drawn;             // drawn by the window (else part of the background)
};
extern const ImageButton kKeyButtons[kKeyButtonCount];
inline constexpr int kKeyDisableHitMargin = 5;
inline constexpr Point kKeyDisableBoxOrigin{19, 351};
inline constexpr Point kKeyDisableCaption{34, 349};
// Repainted with this colour (0x00BBGGRR) under the caption when the box is toggled; filled as
// left..right-1, so it ends before the Reset button.
inline constexpr Rect kKeyDisableCaptionStrip{34, 349, 128, 369};
inline constexpr std::uint32_t kKeyDisableCaptionStripColour = 0xA0A0A0;
inline constexpr int kKeyButtonCaptionY = 350;
inline constexpr int kKeyCaptionY = 5;
inline constexpr int kKeyCaptionXEnglish = 180;
inline constexpr int kKeyCaptionXGerman = 132;
inline constexpr int kKeyTabCaptionY = 32;
inline constexpr Point kKeySingleLabel{13, 81};
inline constexpr Point kKeyCombineLabel{13, 166};

// Launch page: rows 60 pixels apart, drawn and hit alike.
inline constexpr int kLaunchRowCount = 4;
inline constexpr int kLaunchRowPitch = 60;
inline constexpr Point kLaunchOptionOrigin{1, 85};   // "disable.png" / "enable.png"
inline constexpr Point kLaunchPathBoxOrigin{86, 79}; // "Advanced.png"
inline constexpr Point kLaunchBrowseOrigin{317, 79}; // "view.png" / "view02.png"
inline constexpr Point kLaunchPathText{85, 85};
inline constexpr int kLaunchCaptionXEnglish = 15;
inline constexpr int kLaunchCaptionXGerman = 12;
inline constexpr int kLaunchCaptionY = 81;
// Hit rectangles of row 0, in index order within a row: option mark, caption, path box, browse.
inline constexpr Rect kLaunchRowHits[4] = {
    {1, 85, 11, 94}, {15, 81, 246, 106}, {83, 79, 314, 104}, {317, 79, 377, 104}};
constexpr Rect LaunchHitRect(int index)
{
    return kLaunchRowHits[index % 4].Shifted(0, kLaunchRowPitch * (index / 4));
}

// ---------------------------------------------------------------------------------------------
// Macro dialog

inline constexpr Size kMacroDialogSize{388, 404};
inline constexpr Placement kMacroNameList{19, 63, 107, 297};
inline constexpr Placement kMacroEventList{137, 63, 107, 297};
inline constexpr Placement kMacroLoopCount{265, 331, 84, 18};
inline constexpr int kMacroButtonCount = 8;
enum MacroDialogButton : int {
    kMacroButtonRecord = 0,
    kMacroButtonDelay = 1,
    kMacroButtonLoop = 2,
    kMacroButtonNew = 3,
    kMacroButtonDelete = 4,
    kMacroButtonOk = 5,
    kMacroButtonCancel = 6,
    kMacroButtonCloseBox = 7,
};
extern const ImageButton kMacroButtons[kMacroButtonCount];
inline constexpr Point kMacroRecordTextInImage{2, 3};

// ---------------------------------------------------------------------------------------------
// Colour dialog

inline constexpr Size kColourDialogSize{338, 210};
inline constexpr int kColourCellCount = 64;
inline constexpr int kColourBasicCellCount = 48;
inline constexpr Size kColourCellSize{13, 12};
inline constexpr int kColourCellX = 13;
inline constexpr int kColourCellPitch = 19;
inline constexpr int kColourCellRowY[8] = {41, 57, 73, 89, 105, 122, 162, 178};
struct ColourCell
{
    Point origin;
    std::uint8_t red, green, blue;
};
extern const ColourCell kColourCells[kColourCellCount];
// A cell is hit at x..x+13, y..y+12 (one pixel beyond its picture on each far side).
constexpr Rect ColourCellHitRect(const ColourCell& cell)
{
    return {cell.origin.x, cell.origin.y, cell.origin.x + 13, cell.origin.y + 12};
}
inline constexpr Rect kColourCloseMark{322, 8, 327, 14};
inline constexpr Rect kColourSwatch{14, 150, 59, 195}; // filled as left..right-1, top..bottom-1
inline constexpr Placement kColourSpectrum{171, 27, 160, 140};
inline constexpr Placement kColourOkButton{218, 187, 47, 15};
// Wider than OK, so that "Abbrechen" is whole on it.
inline constexpr Placement kColourCancelButton{270, 187, 53, 15};
inline constexpr Placement kColourDefineButton{10, 200, 151, 15}; // hidden
inline constexpr Placement kColourAddButton{171, 218, 155, 17};   // hidden
// Value fields: red, green, blue, hue, saturation, luminosity.
inline constexpr Placement kColourRedField{128, 150, 30, 15};
inline constexpr Placement kColourGreenField{128, 165, 30, 15};
inline constexpr Placement kColourBlueField{128, 180, 30, 15};
inline constexpr Placement kColourHueField{80, 150, 30, 15};
inline constexpr Placement kColourSaturationField{80, 165, 30, 15};
inline constexpr Placement kColourLuminosityField{80, 180, 30, 15};

// ---------------------------------------------------------------------------------------------
// Firmware update window (only its background is named)

inline constexpr Size kUpdateWindowSize{360, 150};

} // namespace corvane::layout
