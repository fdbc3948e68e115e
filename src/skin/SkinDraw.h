#pragma once
// The drawing helpers every window's paint is built from. All draw on a QPainter given by the
// caller (the composition picture during a full paint, or the window's kept frame during a partial
// redraw) at window client pixels. Colours are 0x00BBGGRR values.

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

// A font whose cell (ascent + descent) is cellHeight pixels, as the original asked for fonts.
QFont CellHeightFont(const QString& face, int cellHeight, int weight);

// Copies the whole picture folder/fileName to (x, y) at its own size, opaque. Nothing when the
// file is missing or undecodable.
void DrawSkinImage(QPainter& painter, const QString& folder, const QString& fileName, int x, int y);

// Copies the rectangle (left, top)-(right, bottom) of the picture to (left + offsetX,
// top + offsetY), opaque.
void DrawSkinImagePart(QPainter& painter, const QString& folder, const QString& fileName, int left, int top,
                       int right, int bottom, int offsetX, int offsetY);

// One line of text in "Arial" (weight 300, cell height `height` pixels) with its top-left corner
// at (x, y), transparent background (backColour is accepted for the callers' sake and has no
// visible effect).
void DrawSkinText(QPainter& painter, const QString& text, int x, int y, std::uint32_t backColour,
                  std::uint32_t textColour, int height);

// Text in the same font, word-wrapped inside `box` from its top-left corner; what does not fit
// the box's height is cut.
void DrawSkinTextWrapped(QPainter& painter, const QString& text, const QRect& box, std::uint32_t textColour,
                         int height);

// The largest cell height up to `height` at which text is at most maxWidth pixels wide, for a
// label that must end before a control beside it.
int FittingTextHeight(const QString& text, int height, int maxWidth);

// A one-pixel white outline through (x, y) and (x + width, y + height), both corners included.
void DrawFrameRect(QPainter& painter, int x, int y, int width, int height);

// Fills rect (QRect: x, y, width, height) with the colour.
void FillColourRect(QPainter& painter, const QRect& rect, std::uint32_t colour);

} // namespace corvane
