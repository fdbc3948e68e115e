#include "colour/ColourSpace.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

int Scale240(double value)
{
    return static_cast<int>(std::floor(value * 240.0 + 0.5));
}

double HueToChannel(double p, double q, double t)
{
    if (t < 0.0) t += 1.0;
    if (t > 1.0) t -= 1.0;
    if (6.0 * t < 1.0) return p + (q - p) * 6.0 * t;
    if (2.0 * t < 1.0) return q;
    if (3.0 * t < 2.0) return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

int Channel(double value)
{
    return std::clamp(static_cast<int>(value * 255.0), 0, 255);
}

} // namespace

Hsl RgbToHsl(std::uint32_t colour)
{
    const double r = RedOf(colour) / 255.0;
    const double g = GreenOf(colour) / 255.0;
    const double b = BlueOf(colour) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double l = (max + min) / 2.0;
    double h = 0.0;
    double s = 0.0;
    if (max != min) {
        const double d = max - min;
        s = l < 0.5 ? d / (max + min) : d / (2.0 - max - min);
        if (max == r)
            h = (g - b) / d;
        else if (max == g)
            h = (b - r) / d + 2.0;
        else
            h = (r - g) / d + 4.0;
        h /= 6.0;
        if (h < 0.0) h += 1.0;
    }
    Hsl hsl{Scale240(h), Scale240(s), Scale240(l)};
    if (hsl.hue >= 240) hsl.hue = kHueMax;
    hsl.saturation = std::min(hsl.saturation, kSaturationMax);
    hsl.luminosity = std::min(hsl.luminosity, kLuminosityMax);
    return hsl;
}

std::uint32_t HslToRgb(int hue, int saturation, int luminosity)
{
    const double s = saturation / 240.0;
    const double l = luminosity / 240.0;
    const double h = hue / 240.0;
    if (s == 0.0) {
        const int grey = Channel(l);
        return ColourRef(grey, grey, grey);
    }
    const double q = l <= 0.5 ? l * (1.0 + s) : l + s - l * s;
    const double p = 2.0 * l - q;
    return ColourRef(Channel(HueToChannel(p, q, h + 1.0 / 3.0)), Channel(HueToChannel(p, q, h)),
                     Channel(HueToChannel(p, q, h - 1.0 / 3.0)));
}

Hsl ClampHsl(int hue, int saturation, int luminosity)
{
    return {std::clamp(hue, 0, kHueMax), std::clamp(saturation, 0, kSaturationMax),
            std::clamp(luminosity, 0, kLuminosityMax)};
}

int SpectrumGeometry::CrosshairX(int hue) const
{
    return std::min(SpectrumWidth() * hue / kHueMax, SpectrumWidth() - 1);
}

int SpectrumGeometry::CrosshairY(int saturation) const
{
    return std::min(Bottom() - saturation * Depth() / kSaturationMax, Bottom() - 1);
}

int SpectrumGeometry::HueAt(int x) const
{
    if (SpectrumWidth() <= 1) return 0;
    return std::clamp(x * kHueMax / (SpectrumWidth() - 1), 0, kHueMax);
}

int SpectrumGeometry::SaturationAt(int y) const
{
    if (Depth() <= 1) return 0;
    return std::clamp((Depth() - y + 9) * kSaturationMax / (Depth() - 1), 0, kSaturationMax);
}

int SpectrumGeometry::ArrowOffset(int luminosity) const
{
    return std::clamp(Depth() - Depth() * luminosity / kLuminosityMax, 0, std::max(Depth() - 1, 0));
}

int SpectrumGeometry::LuminosityAt(int y) const
{
    if (Depth() <= 1) return 0;
    const int offset = std::clamp(y - kTop, 0, Depth() - 1);
    return std::clamp(((Depth() - offset) * kLuminosityMax - kLuminosityMax) / (Depth() - 1), 0,
                      kLuminosityMax);
}

} // namespace corvane
