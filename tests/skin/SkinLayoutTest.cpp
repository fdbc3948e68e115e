// The layout tables are transcribed by hand; these checks catch slips: overlapping or misplaced
// rectangles, pictures whose size does not cover their click area, rows spaced wrongly.

#include "skin/SkinLayout.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace corvane::layout {
namespace {

bool Overlap(const Rect& a, const Rect& b)
{
    return !(a.right < b.left || b.right < a.left || a.bottom < b.top || b.bottom < a.top);
}

bool Inside(const Rect& inner, Size outer)
{
    return inner.left >= 0 && inner.top >= 0 && inner.right <= outer.width && inner.bottom <= outer.height;
}

bool Inside(const Placement& p, Size outer)
{
    return p.x >= 0 && p.y >= 0 && p.x + p.width <= outer.width && p.y + p.height <= outer.height;
}

Size InclusiveSize(const Rect& r)
{
    return {r.Width() + 1, r.Height() + 1};
}

TEST(KeyTable, HoldsTheShownKeysAndFourAbsentMediaKeys)
{
    int shown = 0;
    for (std::size_t slot = 0; slot < kKeyCount; ++slot) {
        const KeyEntry& key = kKeyTable[slot];
        if (IsAbsentKey(static_cast<int>(slot))) {
            EXPECT_STREQ(key.label, "") << slot;
            EXPECT_EQ(key.rect.left | key.rect.top | key.rect.right | key.rect.bottom, 0) << slot;
            continue;
        }
        ++shown;
        EXPECT_STRNE(key.label, "") << slot;
        EXPECT_GE(key.rect.Width(), 23) << slot;
        EXPECT_GE(key.rect.Height(), 23) << slot;
    }
    EXPECT_EQ(shown, 104);
}

TEST(KeyTable, KeysLieInsideThePictureOnItsRowsWithoutOverlapping)
{
    const std::set<int> rowTops = {78, 109, 133, 157, 181, 205};
    for (std::size_t a = 0; a < kKeyCount; ++a) {
        if (IsAbsentKey(static_cast<int>(a))) continue;
        const KeyEntry& key = kKeyTable[a];
        EXPECT_TRUE(Inside(key.rect, kKeyboardPictureSize)) << a;
        EXPECT_TRUE(rowTops.count(key.rect.top)) << a << " top " << key.rect.top;
        // Ordinary keys are one row high; the tall numpad keys span exactly two.
        EXPECT_TRUE(key.rect.Height() == 23 || key.rect.Height() == 47) << a;
        EXPECT_TRUE(key.rect.Contains(key.labelPoint.x, key.labelPoint.y)) << a << " label outside its key";
        for (std::size_t b = a + 1; b < kKeyCount; ++b) {
            if (IsAbsentKey(static_cast<int>(b))) continue;
            EXPECT_FALSE(Overlap(key.rect, kKeyTable[b].rect)) << a << " overlaps " << b;
        }
    }
}

TEST(KeyTable, SpotChecksAgainstTheKeyboardLayout)
{
    struct Expected
    {
        int slot;
        const char* label;
        Rect rect;
        Point labelPoint;
    };
    const Expected expected[] = {
        {0, "Esc", {22, 78, 45, 101}, {25, 83}},         {15, "Pause", {438, 78, 461, 101}, {440, 83}},
        {33, "Back", {335, 109, 382, 132}, {346, 114}},  {54, "\\", {347, 133, 382, 156}, {353, 138}},
        {61, "+", {541, 133, 564, 180}, {550, 152}},     {62, "Caps Lock", {22, 157, 63, 180}, {25, 162}},
        {73, "'", {305, 157, 328, 180}, {313, 162}},     {84, "N", {197, 181, 220, 204}, {205, 186}},
        {94, "Ent", {541, 181, 564, 228}, {546, 198}},   {98, "Space", {112, 205, 262, 228}, {161, 210}},
        {102, "Ctrl", {353, 205, 382, 228}, {357, 210}}, {107, ".", {517, 205, 540, 228}, {525, 210}},
    };
    for (const Expected& e : expected) {
        const KeyEntry& key = kKeyTable[e.slot];
        EXPECT_STREQ(key.label, e.label) << e.slot;
        EXPECT_EQ(key.rect.left, e.rect.left) << e.slot;
        EXPECT_EQ(key.rect.top, e.rect.top) << e.slot;
        EXPECT_EQ(key.rect.right, e.rect.right) << e.slot;
        EXPECT_EQ(key.rect.bottom, e.rect.bottom) << e.slot;
        EXPECT_EQ(key.labelPoint.x, e.labelPoint.x) << e.slot;
        EXPECT_EQ(key.labelPoint.y, e.labelPoint.y) << e.slot;
    }
    // Window rectangles are the picture rectangles moved by the picture's origin.
    const Rect esc = KeyWindowRect(0);
    EXPECT_EQ(esc.left, 357);
    EXPECT_EQ(esc.top, 207);
    EXPECT_TRUE(KeyWindowRect(108).IsEmpty());
    EXPECT_TRUE(KeyWindowRect(-1).IsEmpty());
}

TEST(MainWindowLayout, ButtonsLieInsideTheWindowApartFromEachOtherAndFromTheKeys)
{
    for (int i = 0; i < kMainButtonCount; ++i) {
        const Rect r = kMainButtons[i].rect;
        if (r.IsEmpty()) continue;
        EXPECT_TRUE(Inside(r, kMainWindowSize)) << i;
        for (int j = i + 1; j < kMainButtonCount; ++j)
            if (!kMainButtons[j].rect.IsEmpty()) {
                EXPECT_FALSE(Overlap(r, kMainButtons[j].rect)) << i << " and " << j;
            }
        for (std::size_t k = 0; k < kKeyCount; ++k)
            if (!IsAbsentKey(static_cast<int>(k))) {
                EXPECT_FALSE(Overlap(r, KeyWindowRect(static_cast<int>(k))))
                    << "button " << i << " key " << k;
            }
    }
    // Only 20 and 21 are never hit.
    for (int i = 0; i < kMainButtonCount; ++i)
        EXPECT_EQ(kMainButtons[i].rect.IsEmpty(), i == 20 || i == 21) << i;
    // The keyboard picture fits the window.
    EXPECT_LE(kKeyboardOrigin.x + kKeyboardPictureSize.width, kMainWindowSize.width);
    EXPECT_LE(kKeyboardOrigin.y + kKeyboardPictureSize.height, kMainWindowSize.height);
}

TEST(MainWindowLayout, SpotChecksOfTheButtonTable)
{
    EXPECT_TRUE(kMainButtons[kButtonHelp].rect.Contains(936, 5));
    EXPECT_TRUE(kMainButtons[kButtonHelp].rect.Contains(952, 20));
    EXPECT_FALSE(kMainButtons[kButtonHelp].rect.Contains(953, 20));
    EXPECT_TRUE(kMainButtons[kButtonClose].rect.Contains(994, 20));
    EXPECT_TRUE(kMainButtons[kButtonApply].rect.Contains(926, 585));
    EXPECT_TRUE(kMainButtons[kButtonProfile].rect.Contains(25, 560));
    EXPECT_TRUE(kMainButtons[kButtonMacro].rect.Contains(164, 582));
    EXPECT_TRUE(kMainButtons[kButtonWindowsLock].rect.Contains(176, 522));
    // A click at x 45 picks the first colour square, at x 60 the second; the gap belongs to none.
    EXPECT_TRUE(kMainButtons[kButtonFirstColourSquare].rect.Contains(45, 230));
    EXPECT_TRUE(kMainButtons[kButtonFirstColourSquare + 1].rect.Contains(60, 230));
    EXPECT_FALSE(kMainButtons[kButtonFirstColourSquare].rect.Contains(50, 230));
    for (int i = 0; i < 8; ++i) {
        const Rect r = kMainButtons[kButtonFirstColourSquare + i].rect;
        EXPECT_EQ(r.left, kColourSquareX + kColourSquarePitch * i);
        EXPECT_EQ(r.Width(), kColourSquareSize);
    }
    EXPECT_EQ(kMainButtons[kButtonMultiColour].rect.left, kMultiColourSquareOrigin.x);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(kMainButtons[kButtonDirectionTop + i].rect.left, kDirectionX[i]);
}

TEST(MainWindowLayout, PicturesOnButtonsCoverTheirClickAreas)
{
    for (int i = 0; i < kMainButtonCount; ++i) {
        const MainButtonEntry& b = kMainButtons[i];
        if (!b.image) continue;
        const SkinImage* image = FindSkinImage(Window::Main, b.image);
        ASSERT_NE(image, nullptr) << b.image;
        // The switches of game mode and Windows-key lock answer in a margin round the picture.
        if (i == kButtonGameMode || i == kButtonWindowsLock) {
            EXPECT_LE(image->size.width, InclusiveSize(b.rect).width) << b.image;
            continue;
        }
        // The multi-colour square is as large as the filled squares beside it (20 x 20).
        if (i == kButtonMultiColour) {
            EXPECT_EQ(image->size.width, kColourSquareSize);
            EXPECT_EQ(image->size.height, kColourSquareSize);
            continue;
        }
        EXPECT_EQ(image->size.width, InclusiveSize(b.rect).width) << b.image;
        EXPECT_EQ(image->size.height, InclusiveSize(b.rect).height) << b.image;
    }
    // The view switches cover their zones, drawn one pixel above them.
    const SkinImage* sw = FindSkinImage(Window::Main, "Enable.png");
    ASSERT_NE(sw, nullptr);
    EXPECT_GE(kKeymapSwitchOrigin.x + sw->size.width - 1, kKeymapViewZone.right);
    EXPECT_GE(kKeymapSwitchOrigin.y + sw->size.height - 1, kKeymapViewZone.bottom);
    EXPECT_GE(kColourViewSwitchOrigin.x + sw->size.width - 1, kColourViewZone.right);
}

TEST(MainWindowLayout, EffectRowsTileTheOpenList)
{
    for (int y = kEffectListArea.top; y <= kEffectListArea.bottom; ++y) {
        const int row = (y - kEffectListArea.top) / kEffectRowHeight;
        ASSERT_GE(row, 0);
        ASSERT_LT(row, kEffectRowCount) << y;
        EXPECT_TRUE(EffectRowRect(row).Contains(kEffectListArea.left, y)) << y;
    }
    EXPECT_EQ(EffectRowRect(kEffectRowCount - 1).bottom, kEffectListArea.bottom + 1);
}

TEST(MainWindowLayout, SlidersSitOnTheirPlacesWithTheirRanges)
{
    const SliderPlace* brightness = FindSlider(kSliderBrightness);
    ASSERT_NE(brightness, nullptr);
    EXPECT_EQ(brightness->origin.y, 260);
    EXPECT_EQ(brightness->maximum, 50);
    EXPECT_EQ(FindSlider(kSliderSpeed)->maximum, 9);
    EXPECT_EQ(FindSlider(kSliderResponseTime)->origin.x, 26);
    EXPECT_EQ(FindSlider(kSliderReportRate)->maximum, 3);
    EXPECT_EQ(FindSlider(1234), nullptr);
    for (const SliderPlace& s : kSliders) {
        const Rect track{s.origin.x, s.origin.y, s.origin.x + kSliderTrackSize.width,
                         s.origin.y + kSliderTrackSize.height};
        EXPECT_TRUE(Inside(track, kMainWindowSize)) << s.id;
        for (int i = 0; i < kMainButtonCount; ++i)
            if (!kMainButtons[i].rect.IsEmpty()) {
                EXPECT_FALSE(Overlap(track, kMainButtons[i].rect)) << s.id << " " << i;
            }
    }
}

TEST(DialogLayout, ControlsAndClickAreasLieInsideTheirWindows)
{
    for (const Placement& p : {kProfileList})
        EXPECT_TRUE(Inside(p, kProfileWindowSize));
    for (const Rect& r : {kProfileCloseMark, kProfileCloseButton, kProfileImportArea, kProfileExportArea})
        EXPECT_TRUE(Inside(r, kProfileWindowSize));
    for (const Placement& p : {kKeyFunctionTree, kKeySingleEdit, kKeyCombinationEdit, kKeyMacroList})
        EXPECT_TRUE(Inside(p, kKeyDialogSize));
    for (const ImageButton& b : kKeyButtons)
        EXPECT_TRUE(Inside(b.rect, kKeyDialogSize));
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(Inside(LaunchHitRect(i), kKeyDialogSize)) << i;
    for (const Placement& p : {kMacroNameList, kMacroEventList, kMacroLoopCount})
        EXPECT_TRUE(Inside(p, kMacroDialogSize));
    for (const ImageButton& b : kMacroButtons)
        EXPECT_TRUE(Inside(b.rect, kMacroDialogSize));
    for (const Placement& p :
         {kColourSpectrum, kColourOkButton, kColourCancelButton, kColourRedField, kColourGreenField,
          kColourBlueField, kColourHueField, kColourSaturationField, kColourLuminosityField})
        EXPECT_TRUE(Inside(p, kColourDialogSize));
    for (const ColourCell& c : kColourCells)
        EXPECT_TRUE(Inside(ColourCellHitRect(c), kColourDialogSize));
    EXPECT_TRUE(Inside(kColourCloseMark, kColourDialogSize));
}

TEST(DialogLayout, DrawnButtonPicturesMatchTheirClickAreas)
{
    for (const ImageButton& b : kKeyButtons) {
        if (!b.drawn) continue;
        for (const char* name : {b.normalImage, b.hoverImage}) {
            const SkinImage* image = FindSkinImage(Window::KeyAssignment, name);
            ASSERT_NE(image, nullptr) << name;
            EXPECT_EQ(image->size.width, InclusiveSize(b.rect).width) << name;
            EXPECT_EQ(image->size.height, InclusiveSize(b.rect).height) << name;
        }
    }
    for (const ImageButton& b : kMacroButtons) {
        for (const char* name : {b.normalImage, b.hoverImage, b.thirdImage}) {
            if (!name) continue;
            const SkinImage* image = FindSkinImage(Window::Macro, name);
            ASSERT_NE(image, nullptr) << name;
            EXPECT_EQ(image->size.width, InclusiveSize(b.rect).width) << name;
            EXPECT_EQ(image->size.height, InclusiveSize(b.rect).height) << name;
        }
    }
    // Launch page pictures cover the row's option mark, path box and browse button.
    const SkinImage* browse = FindSkinImage(Window::KeyAssignment, "view.png");
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(kLaunchBrowseOrigin.x + browse->size.width - 1, kLaunchRowHits[3].right);
    const SkinImage* mark = FindSkinImage(Window::KeyAssignment, "disable.png");
    ASSERT_NE(mark, nullptr) << "file names match without regard to case";
    EXPECT_EQ(mark->size.width, InclusiveSize(kLaunchRowHits[0]).width);
}

TEST(DialogLayout, KeyDialogTabsAndLaunchRows)
{
    // Four tabs side by side with 2-pixel gaps, the strip entry only showing in the gaps.
    for (int t = 0; t < 4; ++t) {
        const Rect r = kKeyButtons[kKeyButtonFirstTab + t].rect;
        EXPECT_EQ(r.left, 97 * t);
        EXPECT_EQ(r.Width(), 94);
    }
    // Each launch row is hit where its pictures are drawn, 60 pixels below the row before: the
    // option mark from (1, 85), the browse button from (317, 79) to its last row 104.
    for (int row = 0; row < 4; ++row) {
        const Rect mark = LaunchHitRect(4 * row);
        const Rect browse = LaunchHitRect(4 * row + 3);
        EXPECT_EQ(mark.left, 1) << row;
        EXPECT_EQ(mark.top, 85 + 60 * row) << row;
        EXPECT_EQ(browse.left, 317) << row;
        EXPECT_EQ(browse.top, 79 + 60 * row) << row;
        EXPECT_EQ(browse.bottom, 104 + 60 * row) << row;
    }
}

TEST(DialogLayout, ColourCellsFormTheGridWithTheirColours)
{
    std::set<std::pair<int, int>> places;
    for (int i = 0; i < kColourCellCount; ++i) {
        const ColourCell& c = kColourCells[i];
        EXPECT_EQ(c.origin.x, kColourCellX + kColourCellPitch * (i % 8)) << i;
        EXPECT_EQ(c.origin.y, kColourCellRowY[i / 8]) << i;
        places.insert({c.origin.x, c.origin.y});
    }
    EXPECT_EQ(places.size(), 64u);
    auto rgb = [](int i) {
        const ColourCell& c = kColourCells[i];
        return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
    };
    EXPECT_EQ(rgb(0), "255,128,128");
    EXPECT_EQ(rgb(4), "128,255,254");
    EXPECT_EQ(rgb(8), "255,0,0");
    EXPECT_EQ(rgb(29), "0,0,160");
    EXPECT_EQ(rgb(40), "0,0,0");
    EXPECT_EQ(rgb(45), "129,192,192");
    EXPECT_EQ(rgb(47), "255,255,255");
    for (int i = kColourBasicCellCount; i < kColourCellCount; ++i)
        EXPECT_EQ(rgb(i), "255,255,255") << i;
    // Neighbouring basic cells share no click pixel, so the first-hit rule never shadows a cell.
    for (int a = 0; a < kColourBasicCellCount; ++a)
        for (int b = a + 1; b < kColourBasicCellCount; ++b)
            EXPECT_FALSE(Overlap(ColourCellHitRect(kColourCells[a]), ColourCellHitRect(kColourCells[b])))
                << a << " " << b;
}

TEST(SkinFolders, EveryWindowHasAFolderPerLanguageAndPictureNamesMatchWithoutCase)
{
    for (Window w : {Window::Main, Window::Profile, Window::KeyAssignment, Window::Macro, Window::Colour,
                     Window::FirmwareUpdate}) {
        const SkinFolder& f = FolderOf(w);
        EXPECT_EQ(f.window, w);
        EXPECT_EQ(FolderOnDisk(w, true).back(), '/');
        ASSERT_NE(FindSkinImage(w, f.background), nullptr) << f.background;
    }
    // The spellings the windows ask for differ in case; on disk one folder per language serves them.
    const std::pair<Window, std::string> onDisk[] = {{Window::Main, "png/german/"},
                                                     {Window::Colour, "png/german/"},
                                                     {Window::Profile, "png/german/Config/"},
                                                     {Window::Macro, "png/german/MacroManagement/"},
                                                     {Window::FirmwareUpdate, "png/help/"}};
    for (const auto& [window, folder] : onDisk)
        EXPECT_EQ(FolderOnDisk(window, true), folder);
    EXPECT_STREQ(FolderOf(Window::Colour).german, "png\\GERMAN\\");
    EXPECT_EQ(FolderOnDisk(Window::Colour, false), FolderOnDisk(Window::Main, false));
    EXPECT_NE(FolderOnDisk(Window::Profile, true), FolderOnDisk(Window::Profile, false));
    EXPECT_EQ(FindSkinImage(Window::Main, "KB_BK.PNG"), FindSkinImage(Window::Main, "kb_BK.png"));
    EXPECT_EQ(FindSkinImage(Window::Main, "Custom_BK.png"), nullptr) << "pictures belong to one window";
    EXPECT_EQ(FindSkinImage(Window::Main, "kb_BK.pn"), nullptr);
    // Names are unique within a window.
    std::set<std::pair<int, std::string>> seen;
    for (std::size_t i = 0; i < kSkinImageCount; ++i) {
        std::string lower;
        for (const char* c = kSkinImages[i].name; *c; ++c)
            lower += static_cast<char>(std::tolower(*c));
        EXPECT_TRUE(seen.insert({static_cast<int>(kSkinImages[i].window), lower}).second)
            << kSkinImages[i].name;
    }
}

} // namespace
} // namespace corvane::layout
