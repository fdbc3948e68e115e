#pragma once
// Colours as the colour dialog handles them: 0x00BBGGRR values, and hue, saturation and
// luminosity on the 0-240 scale of the dialog's fields (hue 0-239, since 240 would equal 0).
// Also the geometry of the spectrum control, so that the mapping between a point and a colour
// can be checked without a window.

#include <cstdint>

namespace corvane {

inline constexpr int kHueMax = 239;
inline constexpr int kSaturationMax = 240;
inline constexpr int kLuminosityMax = 240;

struct Hsl
{
    int hue = 0;
    int saturation = 0;
    int luminosity = 0;

    bool operator==(const Hsl&) const = default;
};

constexpr std::uint32_t ColourRef(int red, int green, int blue)
{
    return static_cast<std::uint32_t>(red & 0xFF) | static_cast<std::uint32_t>(green & 0xFF) << 8 |
           static_cast<std::uint32_t>(blue & 0xFF) << 16;
}
constexpr int RedOf(std::uint32_t colour)
{
    return static_cast<int>(colour & 0xFF);
}
constexpr int GreenOf(std::uint32_t colour)
{
    return static_cast<int>(colour >> 8 & 0xFF);
}
constexpr int BlueOf(std::uint32_t colour)
{
    return static_cast<int>(colour >> 16 & 0xFF);
}

// The top byte is ignored.
Hsl RgbToHsl(std::uint32_t colour);
// Hue, saturation and luminosity on the 0-240 scale (a hue of 240 wraps to red); the channels
// are truncated, not rounded.
std::uint32_t HslToRgb(int hue, int saturation, int luminosity);
// Hue limited to 0-239, saturation and luminosity to 0-240.
Hsl ClampHsl(int hue, int saturation, int luminosity);

// The spectrum control's client area of width x height: hue runs left to right and saturation
// bottom to top in the spectrum rectangle (0, 10, width - 35, height - 10); luminosity runs bottom
// to top in the bar (width - 29, 2, width - 2, height - 2). Rectangles exclude right and bottom.
struct SpectrumGeometry
{
    int width = 0;
    int height = 0;

    static constexpr int kTop = 10;
    int Top() const { return kTop; }
    int Bottom() const { return height - 10; }
    int Depth() const { return Bottom() - kTop; }    // D: rows of the spectrum and of the bar
    int SpectrumWidth() const { return width - 35; } // W
    int BarLeft() const { return width - 29; }
    int BarRight() const { return width - 2; }
    int BarTop() const { return 2; }
    int BarBottom() const { return height - 2; }
    // The column of the bar that shows colour (the rest of the bar rectangle holds the arrow).
    int BarColourLeft() const { return width - 29; }
    int BarColourRight() const { return width - 15; } // exclusive
    int ArrowLeft() const { return width - 12; }

    bool InSpectrum(int x, int y) const { return x >= 0 && x < SpectrumWidth() && y >= kTop && y < Bottom(); }
    bool InBar(int x, int y) const
    {
        return x >= BarLeft() && x < BarRight() && y >= BarTop() && y < BarBottom();
    }

    // Where the cross-hair sits for a hue and saturation.
    int CrosshairX(int hue) const;
    int CrosshairY(int saturation) const;
    // Hue and saturation under a point of the spectrum.
    int HueAt(int x) const;
    int SaturationAt(int y) const;
    // The arrow's offset from the top of the bar for a luminosity, and the luminosity under a
    // point of the bar.
    int ArrowOffset(int luminosity) const;
    int LuminosityAt(int y) const;
};

} // namespace corvane
