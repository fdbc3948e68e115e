#pragma once
// The drawing helpers every window's paint is built from. All draw on a QPainter given by the
// caller (the composition picture during a full paint, or the window's kept frame during a partial
// redraw) at window client pixels. Colours are 0x00BBGGRR values.

#include "skin/SkinLayout.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;

namespace corvane {

QColor ColourFromRef(std::uint32_t colourRef);
std::uint32_t RefFromColour(const QColor& colour);

// A Windows-style rectangle (right and bottom exclusive) as a QRect.
inline QRect RectFromEdges(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

// The area of a layout rectangle, all four edges included (as hit tests and pictures have it).
inline QRect AreaOf(const layout::Rect& r)
{
    return QRect(r.left, r.top, r.Width() + 1, r.Height() + 1);
}

// A font whose cell (ascent + descent) is cellHeight pixels, as the original asked for fonts.
QFont CellHeightFont(const QString& face, int cellHeight, int weight);

// Copies the whole picture folder/fileName to (x, y) at its own size, opaque. Nothing when the
// file is missing or undecodable.
void DrawSkinImage(QPainter& painter, const QString& folder, const QString& fileName, int x, int y);

// Copies the rectangle (left, top)-(right, bottom) of the picture to (left + offsetX,
// top + offsetY), opaque.
void DrawSkinImagePart(QPainter& painter, const QString& folder, const QString& fileName, int left, int top,
                       int right, int bottom, int offsetX, int offsetY);

// The font of the skin texts: "Arial", weight 300, cell height `height` pixels.
QFont SkinTextFont(int height);

// One line of text in the skin font with its top-left corner at (x, y), transparent background
// (backColour is accepted for the callers' sake and has no visible effect). `place` is the button,
// field or strip the text belongs to; the text-fit check holds every text to its place, and a
// text drawn without one fails it.
void DrawSkinText(QPainter& painter, const QString& text, int x, int y, std::uint32_t backColour,
                  std::uint32_t textColour, int height, const QRect& place = QRect());

// Text in the same font, word-wrapped inside `box` from its top-left corner; what does not fit
// the box's height is cut (and fails the text-fit check).
void DrawSkinTextWrapped(QPainter& painter, const QString& text, const QRect& box, std::uint32_t textColour,
                         int height);

// The largest cell height up to `height` at which text is at most maxWidth pixels wide, for a
// label that must end before a control beside it.
int FittingTextHeight(const QString& text, int height, int maxWidth);

// The text as it fits in width pixels at the cell height: whole when it fits, else with its middle
// left out (a path keeps its start and its file name).
QString ElidedSkinText(const QString& text, int height, int width);

// A one-pixel white outline through (x, y) and (x + width, y + height), both corners included.
void DrawFrameRect(QPainter& painter, int x, int y, int width, int height);

// Fills rect (QRect: x, y, width, height) with the colour.
void FillColourRect(QPainter& painter, const QRect& rect, std::uint32_t colour);

} // namespace corvane
