#include "colour/ColourSpace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace corvane {
namespace {

struct RgbHslCase
{
    const char* name;
    int red, green, blue;
    Hsl hsl;
};

TEST(RgbToHsl, KnownColours)
{
    const RgbHslCase cases[] = {
        {"red", 255, 0, 0, {0, 240, 120}},
        {"green", 0, 255, 0, {80, 240, 120}},
        {"blue", 0, 0, 255, {160, 240, 120}},
        {"yellow: red and green both highest, red decides", 255, 255, 0, {40, 240, 120}},
        {"cyan: green and blue both highest, green decides", 0, 255, 255, {120, 240, 120}},
        {"magenta: negative hue wraps", 255, 0, 255, {200, 240, 120}},
        {"just short of a full turn stays 239, not 240", 255, 0, 1, {239, 240, 120}},
        {"black", 0, 0, 0, {0, 0, 0}},
        {"white", 255, 255, 255, {0, 0, 240}},
        {"grey has no hue or saturation", 128, 128, 128, {0, 0, 120}},
        {"dark side uses d / (max + min)", 128, 0, 0, {0, 240, 60}},
        {"light side uses d / (2 - max - min)", 255, 128, 128, {0, 240, 180}},
        {"near black 0x0C0C0C", 12, 12, 12, {0, 0, 11}},
    };
    for (const RgbHslCase& c : cases) {
        const Hsl hsl = RgbToHsl(ColourRef(c.red, c.green, c.blue));
        EXPECT_EQ(hsl.hue, c.hsl.hue) << c.name;
        EXPECT_EQ(hsl.saturation, c.hsl.saturation) << c.name;
        EXPECT_EQ(hsl.luminosity, c.hsl.luminosity) << c.name;
    }
    // The top byte is no part of the colour.
    EXPECT_EQ(RgbToHsl(0xFF0000FFu), RgbToHsl(0x000000FFu));
}

struct HslRgbCase
{
    const char* name;
    int hue, saturation, luminosity;
    int red, green, blue;
};

TEST(HslToRgb, KnownColoursAndEdges)
{
    const HslRgbCase cases[] = {
        {"red", 0, 240, 120, 255, 0, 0},
        {"hue 240 is hue 0", 240, 240, 120, 255, 0, 0},
        {"green", 80, 240, 120, 0, 255, 0},
        {"blue", 160, 240, 120, 0, 0, 255},
        {"grey is truncated, not rounded", 0, 0, 120, 127, 127, 127},
        {"grey ignores hue", 77, 0, 120, 127, 127, 127},
        {"luminosity 0 is black whatever the hue", 33, 240, 0, 0, 0, 0},
        {"luminosity 240 is white whatever the hue", 200, 240, 240, 255, 255, 255},
        {"half saturation, dark side", 0, 120, 60, 95, 31, 31},
        {"half saturation, light side", 0, 120, 180, 223, 159, 159},
    };
    for (const HslRgbCase& c : cases) {
        const std::uint32_t colour = HslToRgb(c.hue, c.saturation, c.luminosity);
        EXPECT_EQ(RedOf(colour), c.red) << c.name;
        EXPECT_EQ(GreenOf(colour), c.green) << c.name;
        EXPECT_EQ(BlueOf(colour), c.blue) << c.name;
        EXPECT_EQ(colour >> 24, 0u) << c.name;
    }
    // Saturation 0: every channel is truncate(L x 255 / 240), over the whole range.
    for (int l = 0; l <= 240; ++l) {
        const int grey = l * 255 / 240;
        EXPECT_EQ(HslToRgb(100, 0, l), ColourRef(grey, grey, grey)) << "luminosity " << l;
    }
}

// A hue step is 6 x 255 / 240 = 6.4 channel units at full saturation, so rounding the hue costs
// at most 3.2, and truncating each channel at most 1 more.
constexpr int kRoundTripTolerance = 5;

TEST(ColourRoundTrip, RgbThroughHslComesBackClose)
{
    int worst = 0;
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) {
                const Hsl hsl = RgbToHsl(ColourRef(r, g, b));
                ASSERT_GE(hsl.hue, 0);
                ASSERT_LE(hsl.hue, kHueMax);
                ASSERT_LE(hsl.saturation, kSaturationMax);
                ASSERT_LE(hsl.luminosity, kLuminosityMax);
                const std::uint32_t back = HslToRgb(hsl.hue, hsl.saturation, hsl.luminosity);
                const int error = std::max(
                    {std::abs(RedOf(back) - r), std::abs(GreenOf(back) - g), std::abs(BlueOf(back) - b)});
                worst = std::max(worst, error);
                ASSERT_LE(error, kRoundTripTolerance) << r << "," << g << "," << b;
            }
    // Greys and pure colours have nothing to lose.
    for (int v : {0, 51, 128, 255}) {
        const Hsl hsl = RgbToHsl(ColourRef(v, v, v));
        const std::uint32_t back = HslToRgb(hsl.hue, hsl.saturation, hsl.luminosity);
        EXPECT_LE(std::abs(RedOf(back) - v), 1) << v;
    }
    for (std::uint32_t pure : {ColourRef(255, 0, 0), ColourRef(0, 255, 0), ColourRef(0, 0, 255)}) {
        const Hsl hsl = RgbToHsl(pure);
        EXPECT_EQ(HslToRgb(hsl.hue, hsl.saturation, hsl.luminosity), pure);
    }
}

TEST(ColourRoundTrip, HslThroughRgbKeepsLuminosity)
{
    // Hue and saturation are lost where the colour is black, white or grey; luminosity never is.
    for (int h = 0; h <= kHueMax; h += 7)
        for (int s = 0; s <= kSaturationMax; s += 8)
            for (int l = 0; l <= kLuminosityMax; l += 5) {
                const Hsl back = RgbToHsl(HslToRgb(h, s, l));
                ASSERT_LE(std::abs(back.luminosity - l), 1) << h << "," << s << "," << l;
                if (s >= 60 && l >= 60 && l <= 180) {
                    // Where the colour is clearly coloured, the hue survives (modulo a full turn).
                    const int dh = std::abs(back.hue - h);
                    ASSERT_LE(std::min(dh, 240 - dh), 2) << h << "," << s << "," << l;
                }
            }
}

TEST(ClampHsl, LimitsEachComponent)
{
    EXPECT_EQ(ClampHsl(20000, 20000, 20000), (Hsl{239, 240, 240}));
    EXPECT_EQ(ClampHsl(-20000, -5, -1), (Hsl{0, 0, 0}));
    EXPECT_EQ(ClampHsl(12, 34, 56), (Hsl{12, 34, 56}));
}

// The colour dialog's control is 160 x 140: spectrum (0, 10)-(125, 130), bar (131, 2)-(158, 138).
constexpr SpectrumGeometry kDialogSpectrum{160, 140};

TEST(SpectrumGeometry, RectanglesOfTheDialogsControl)
{
    EXPECT_EQ(kDialogSpectrum.SpectrumWidth(), 125);
    EXPECT_EQ(kDialogSpectrum.Depth(), 120);
    EXPECT_TRUE(kDialogSpectrum.InSpectrum(0, 10));
    EXPECT_TRUE(kDialogSpectrum.InSpectrum(124, 129));
    EXPECT_FALSE(kDialogSpectrum.InSpectrum(125, 50));
    EXPECT_FALSE(kDialogSpectrum.InSpectrum(50, 9));
    EXPECT_FALSE(kDialogSpectrum.InSpectrum(50, 130));
    EXPECT_TRUE(kDialogSpectrum.InBar(131, 2));
    EXPECT_TRUE(kDialogSpectrum.InBar(157, 137));
    EXPECT_FALSE(kDialogSpectrum.InBar(130, 50));
    EXPECT_FALSE(kDialogSpectrum.InBar(158, 50));
}

TEST(SpectrumGeometry, PointsAndColoursMeetAtTheEdges)
{
    const SpectrumGeometry& g = kDialogSpectrum;
    // Hue left to right, saturation bottom to top.
    EXPECT_EQ(g.HueAt(0), 0);
    EXPECT_EQ(g.HueAt(124), 239);
    EXPECT_EQ(g.SaturationAt(10), 240);
    EXPECT_EQ(g.SaturationAt(129), 0);
    EXPECT_EQ(g.CrosshairX(0), 0);
    EXPECT_EQ(g.CrosshairX(239), 124) << "kept inside the spectrum";
    EXPECT_EQ(g.CrosshairY(240), 10) << "full saturation is the top row";
    EXPECT_EQ(g.CrosshairY(0), 129) << "kept inside the spectrum";
    // Luminosity bottom to top; the arrow's offset counts from the bar's top.
    EXPECT_EQ(g.LuminosityAt(10), 240);
    EXPECT_EQ(g.LuminosityAt(129), 0);
    EXPECT_EQ(g.LuminosityAt(0), 240) << "above the colour rows: the top row";
    EXPECT_EQ(g.LuminosityAt(137), 0) << "below the colour rows: the bottom row";
    EXPECT_EQ(g.ArrowOffset(240), 0);
    EXPECT_EQ(g.ArrowOffset(0), 119);
    EXPECT_EQ(g.ArrowOffset(120), 60);
}

TEST(SpectrumGeometry, PointToColourInvertsColourToPoint)
{
    for (const SpectrumGeometry g : {kDialogSpectrum, SpectrumGeometry{300, 200}}) {
        for (int h = 0; h <= kHueMax; ++h)
            ASSERT_LE(std::abs(g.HueAt(g.CrosshairX(h)) - h), 2) << g.width << " hue " << h;
        for (int s = 0; s <= kSaturationMax; ++s)
            ASSERT_LE(std::abs(g.SaturationAt(g.CrosshairY(s)) - s), 3) << g.width << " sat " << s;
        for (int l = 0; l <= kLuminosityMax; ++l) {
            const int y = g.Top() + g.ArrowOffset(l);
            ASSERT_LE(std::abs(g.LuminosityAt(y) - l), 3) << g.width << " lum " << l;
        }
    }
}

} // namespace
} // namespace corvane
