// The lighting panel against the emulator: what each control changes in the settings image, what
// the panel then shows, and that nothing reaches the keyboard before Apply.

#include "MainWindowFixture.h"

#include "skin/BitSlider.h"
#include "skin/SkinImage.h"

namespace corvane::apptest {
namespace {

constexpr int kStaticRow = 0;
constexpr int kBreathingRow = 1;
constexpr int kWaveRow = 2;
constexpr int kSpectrumRow = 6;
constexpr int kRadarRow = 10;
constexpr int kProfile3Row = 13;

QRgb Pixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

QImage Area(const QImage& image, int x, int y, int w, int h)
{
    return image.copy(x, y, w, h);
}

class LightingPanelTest : public MainWindowTest
{
};

TEST_F(LightingPanelTest, StaticHidesSpeedAndMultiColourAndLeavesSlotEight)
{
    Start();
    ChooseEffect(kBreathingRow);
    Click(213, 233); // the multi-colour square
    ASSERT_EQ(Image(img::kColour), 8);
    const QImage breathing = Frame();
    EXPECT_TRUE(window->Slider(layout::kSliderSpeed)->isVisible());

    ChooseEffect(kStaticRow);
    EXPECT_EQ(Image(img::kLightingMode), 1);
    EXPECT_EQ(Image(img::kColour), 1);
    const QImage still = Frame();
    EXPECT_FALSE(window->Slider(layout::kSliderSpeed)->isVisible());
    EXPECT_NE(Area(breathing, 203, 223, 20, 20), Area(still, 203, 223, 20, 20));
    // Static has no multi-colour choice: its square does nothing.
    Click(213, 233);
    EXPECT_EQ(Image(img::kColour), 1);
}

TEST_F(LightingPanelTest, WaveAndSpectrumGreyTheSquaresAndOnlyWaveAndRadarShowDirections)
{
    Start();
    ChooseEffect(kBreathingRow);
    Click(38, 233); // first square: slot 1
    ASSERT_EQ(Image(img::kColour), 1);
    const QImage plain = Frame();
    EXPECT_NE(Pixel(plain, 30, 230), 0xC0C0C0u);

    ChooseEffect(kWaveRow);
    EXPECT_EQ(Image(img::kColour), 8);
    const QImage wave = Frame();
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Pixel(wave, 30 + 25 * i, 230), 0xC0C0C0u) << "square " << i;
    // In these modes only the multi-colour square reacts.
    Click(63, 233);
    EXPECT_EQ(Image(img::kColour), 8);

    ChooseEffect(kSpectrumRow);
    const QImage spectrum = Frame();
    EXPECT_EQ(Pixel(spectrum, 30, 230), 0xC0C0C0u);
    EXPECT_EQ(Image(img::kColour), 8);
    // The direction buttons are drawn for Wave (and Radar) only.
    EXPECT_NE(Area(wave, 29, 197, 200, 16), Area(spectrum, 29, 197, 200, 16));
    EXPECT_EQ(Area(plain, 29, 197, 200, 16), Area(spectrum, 29, 197, 200, 16));
    ChooseEffect(kRadarRow);
    EXPECT_EQ(Area(Frame(), 29, 197, 200, 16), Area(wave, 29, 197, 200, 16));
}

TEST_F(LightingPanelTest, CustomProfileSwitchesToColourViewShowingItsMap)
{
    Start();
    ASSERT_FALSE(window->CustomColourView());
    ChooseEffect(kProfile3Row);
    EXPECT_EQ(Image(img::kLightingMode), 53);
    EXPECT_TRUE(window->CustomColourView());
    // Every key takes its colour from map 2.
    const std::uint8_t* map = state->image.CustomLightMap(2);
    const std::size_t k = DeviceKeyIndex(63); // "A"
    const QRgb expected = qRgb(map[4 * k + 1], map[4 * k + 2], map[4 * k + 3]) & 0xFFFFFF;
    ASSERT_NE(expected, 0u);
    const layout::Rect r = layout::KeyWindowRect(63);
    EXPECT_EQ(Pixel(Frame(), r.left + 1, r.top + 1), expected);

    // The view switches move between the two views; a plain effect leaves the colour view.
    Click(35, 207);
    EXPECT_FALSE(window->CustomColourView());
    Click(137, 207);
    EXPECT_TRUE(window->CustomColourView());
    ChooseEffect(kBreathingRow);
    EXPECT_FALSE(window->CustomColourView());
}

TEST_F(LightingPanelTest, OpenListClosesWithoutChoosingBelowItsRows)
{
    Start();
    const std::uint8_t mode = Image(img::kLightingMode);
    Click(100, 165);
    ASSERT_TRUE(window->EffectListOpen());
    EXPECT_FALSE(window->Slider(layout::kSliderBrightness)->isVisible());
    EXPECT_FALSE(window->Slider(layout::kSliderResponseTime)->isVisible());
    // Row 12 lies over the report rate slider; the slider must not take its clicks.
    EXPECT_FALSE(window->Slider(layout::kSliderReportRate)->isVisible());
    Click(100, 493);
    EXPECT_FALSE(window->EffectListOpen());
    EXPECT_EQ(Image(img::kLightingMode), mode);
    EXPECT_TRUE(window->Slider(layout::kSliderBrightness)->isVisible());
    EXPECT_TRUE(window->Slider(layout::kSliderReportRate)->isVisible());

    Click(100, 165);
    Click(100, 492); // the last pixel row still chooses row 15
    EXPECT_EQ(Image(img::kLightingMode), 55);
}

TEST_F(LightingPanelTest, HoverMarksTheRowUnderThePointer)
{
    Start();
    Click(100, 165);
    Move(100, 173 + 20 * 4 + 5);
    EXPECT_EQ(window->MarkedEffectRow(), 4);
    const QImage marked = Frame();
    EXPECT_EQ(Pixel(marked, 240, 173 + 20 * 4 + 2), 0x500000u); // 0x000050 as 0x00BBGGRR
    Move(300, 300);
    EXPECT_EQ(window->MarkedEffectRow(), 255);
}

TEST_F(LightingPanelTest, ColourSquareOpensTheDialogOnlyWhenAlreadySelected)
{
    Start();
    FakeColourWindow colours;
    colours.answer = 0x00332211;
    window->SetColourWindow(&colours);
    ChooseEffect(kBreathingRow);
    Click(38, 233);
    ASSERT_EQ(Image(img::kColour), 1);
    colours.initialColours.clear();
    Click(88, 233); // square 3 selects only
    EXPECT_EQ(Image(img::kColour), 3);
    EXPECT_TRUE(colours.initialColours.empty());
    Click(88, 233); // again: the dialog, and the colour goes into palette entry 2
    ASSERT_EQ(colours.initialColours.size(), 1u);
    EXPECT_EQ(colours.initialColours[0], 0x0C0C0Cu);
    const std::uint8_t* entry = state->image.PaletteEntry(2);
    EXPECT_EQ(entry[0], 0x11);
    EXPECT_EQ(entry[1], 0x22);
    EXPECT_EQ(entry[2], 0x33);
    // The square after x = 45 is the second one.
    Click(45, 233);
    EXPECT_EQ(Image(img::kColour), 1);
    Click(60, 233);
    EXPECT_EQ(Image(img::kColour), 2);
}

TEST_F(LightingPanelTest, DirectionsAndSwitchesEditTheImageOnly)
{
    Start();
    const EmulatedDeviceState before = emulator.State();
    emulator.ClearTrace();
    Click(40, 205);
    EXPECT_EQ(Image(img::kDirection), 3);
    Click(90, 205);
    EXPECT_EQ(Image(img::kDirection), 4);
    Click(140, 205);
    EXPECT_EQ(Image(img::kDirection), 2);
    Click(190, 205);
    EXPECT_EQ(Image(img::kDirection), 1);
    const std::uint8_t game = Image(img::kGameMode);
    Click(115, 476);
    EXPECT_EQ(Image(img::kGameMode), game & 1 ? 0 : 1);
    Click(166, 512);
    EXPECT_EQ(Image(img::kWindowsKeyLock), 1);
    Click(166, 512);
    EXPECT_EQ(Image(img::kWindowsKeyLock), 0);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(emulator.State(), before);
}

TEST_F(LightingPanelTest, SliderMovesChangeTheImageButNotTheKeyboard)
{
    Start();
    const EmulatedDeviceState before = emulator.State();
    emulator.ClearTrace();
    CBitSlider* brightness = window->Slider(layout::kSliderBrightness);
    QTest::mouseClick(brightness, Qt::LeftButton, {}, QPoint(2, 8));
    QCoreApplication::processEvents();
    EXPECT_EQ(brightness->value(), 0);
    EXPECT_EQ(Image(img::kBrightness), 0);
    CBitSlider* rate = window->Slider(layout::kSliderReportRate);
    QTest::mouseClick(rate, Qt::LeftButton, {}, QPoint(rate->width() / 2 - 20, 8));
    QCoreApplication::processEvents();
    EXPECT_EQ(Image(img::kReportRate), rate->value());
    EXPECT_LT(rate->value(), 3);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(emulator.State(), before);
}

TEST_F(LightingPanelTest, ThumbOfZeroedScaleSlidersSitsTwoPixelsFurther)
{
    Start();
    const QImage thumb = LoadSkinImage(SkinFolderPath(SkinWindow::Main, kLanguageEnglish) + "Thumb.png")
                             .convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(thumb.isNull());
    auto thumbAt = [&](CBitSlider* slider, int extraX) {
        slider->RefreshThumb();
        const QImage frame = Frame().convertToFormat(QImage::Format_RGB32);
        return Area(frame, slider->x() + slider->ThumbOffsetX() + extraX,
                    slider->y() + slider->ThumbOffsetY() + 1, thumb.width(), thumb.height());
    };
    CBitSlider* rate = window->Slider(layout::kSliderReportRate);
    rate->setValue(0);
    EXPECT_EQ(thumbAt(rate, 2), thumb);
    rate->setValue(2);
    EXPECT_EQ(thumbAt(rate, 0), thumb);
    CBitSlider* response = window->Slider(layout::kSliderResponseTime);
    response->setValue(0);
    EXPECT_EQ(thumbAt(response, 3), thumb);
    response->setValue(5);
    EXPECT_EQ(thumbAt(response, 1), thumb);
}

} // namespace
} // namespace corvane::apptest
