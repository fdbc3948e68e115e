#pragma once
// The drawing vocabulary of the artwork: one palette, one corner radius, raised plates, wells,
// glows and text, so every window is drawn in the same hand.

#include "skin/SkinLayout.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace corvane::skingen {

namespace palette {
inline const QColor kBaseTop{0x14, 0x16, 0x1b};
inline const QColor kBaseBottom{0x0b, 0x0c, 0x0f};
inline const QColor kPanel{0x17, 0x1a, 0x1f}; // flat: pictures drawn on it are composed against it
inline const QColor kBorder{0x2a, 0x2f, 0x38};
inline const QColor kHighlight{0xff, 0xff, 0xff, 0x16};
inline const QColor kRaisedTop{0x2b, 0x30, 0x38};
inline const QColor kRaisedBottom{0x1f, 0x23, 0x29};
inline const QColor kWell{0x0c, 0x0e, 0x11};
inline const QColor kText{0xe8, 0xea, 0xee};
inline const QColor kTextDim{0x8a, 0x92, 0x9e};
inline const QColor kAccent{0xff, 0x2d, 0x44};
inline const QColor kAccentBright{0xff, 0x6a, 0x7a};
inline const QColor kAccentDeep{0xa8, 0x10, 0x26};
} // namespace palette

inline constexpr double kRadius = 4.0;
inline const char* const kFontFamily = "Liberation Sans";

// Every picture is drawn antialiased, shapes and text alike.
void Smooth(QPainter& p);

QImage NewCanvas(int width, int height, const QColor& fill = Qt::transparent);
QImage NewCanvas(layout::Size size, const QColor& fill = Qt::transparent);
// The part of a finished background where a picture will be drawn: pictures are copied opaque,
// so each one is composed over exactly what lies under it.
QImage CropAt(const QImage& background, layout::Point origin, layout::Size size);
// Writes folder/name as an opaque PNG, creating folders.
void SavePng(const QImage& image, const QString& folder, const QString& name);

QFont Font(int pixelSize, int weight = QFont::Normal, double letterSpacing = 0);
void Text(QPainter& p, const QRectF& box, int flags, const QString& text, int pixelSize, const QColor& colour,
          int weight = QFont::Normal, double letterSpacing = 0);

// Box blur of a premultiplied ARGB picture, for glows and soft shadows.
QImage Blurred(const QImage& image, int radius);
// Paints a soft coloured glow of the given shape path around its place.
void Glow(QPainter& p, const QPainterPath& shape, const QColor& colour, int radius, QSize canvas);

// A raised plate (button body): vertical gradient, dark outline, 1px top highlight.
void RaisedPlate(QPainter& p, const QRectF& r, double radius = kRadius, QColor top = palette::kRaisedTop,
                 QColor bottom = palette::kRaisedBottom);
// The accent plate of primary buttons.
void AccentPlate(QPainter& p, const QRectF& r, bool bright, double radius = kRadius);
// A sunken well (lists, fields).
void Well(QPainter& p, const QRectF& r, double radius = kRadius);
// The card every group of controls sits on.
void Card(QPainter& p, const QRectF& r, double radius = 6.0);
// The background shared by every window: gradient base, border and a title strip.
void WindowFrame(QPainter& p, layout::Size size, int titleHeight);
// A one-pixel line.
void HLine(QPainter& p, double x1, double x2, double y, const QColor& colour);
// The close cross drawn into title strips.
void CloseCross(QPainter& p, const QRectF& r, const QColor& colour, double width = 1.6);
// The brand mark (a red chevron wing) in a square box.
void BrandMark(QPainter& p, const QRectF& box);
// A dialog's title strip: the brand mark and the title in capitals.
void DialogTitle(QPainter& p, const QString& title);

} // namespace corvane::skingen
