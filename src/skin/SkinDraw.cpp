#include "skin/SkinDraw.h"

#include "skin/DrawnText.h"
#include "skin/SkinImage.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <cmath>

namespace corvane {

namespace {

// Fonts are asked for by cell height (ascent + descent), Qt sizes them by em; the ratio depends
// only on the face and weight, so it is measured once per pair.
double CellToEmRatio(const QString& face, int weight)
{
    static QHash<QString, double> ratios;
    const QString key = face + QLatin1Char('/') + QString::number(weight);
    auto it = ratios.constFind(key);
    if (it != ratios.constEnd()) return *it;
    QFont probe(face);
    probe.setWeight(static_cast<QFont::Weight>(weight));
    probe.setPixelSize(200);
    const QFontMetricsF metrics(probe);
    double ratio = (metrics.ascent() + metrics.descent()) / 200.0;
    if (ratio <= 0.0) ratio = 1.0;
    ratios.insert(key, ratio);
    return ratio;
}

struct TextFont
{
    QFont font;
    int ascent = 0;
};

const TextFont& CachedTextFont(int height)
{
    static QHash<int, TextFont> fonts;
    auto it = fonts.find(height);
    if (it == fonts.end()) {
        TextFont f;
        f.font = CellHeightFont(QStringLiteral("Arial"), height, 300);
        f.ascent = QFontMetrics(f.font).ascent();
        it = fonts.insert(height, f);
    }
    return *it;
}

void OpaqueCopy(QPainter& painter, const QPoint& to, const QImage& image, const QRect& source)
{
    const QPainter::CompositionMode old = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(to, image, source);
    painter.setCompositionMode(old);
}

} // namespace

QColor ColourFromRef(std::uint32_t colourRef)
{
    return QColor(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
}

std::uint32_t RefFromColour(const QColor& colour)
{
    return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

QFont CellHeightFont(const QString& face, int cellHeight, int weight)
{
    QFont font(face);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    if (cellHeight < 0) {
        font.setPixelSize(-cellHeight); // a negative height names the em size itself
    } else if (cellHeight > 0) {
        const int em = static_cast<int>(std::lround(cellHeight / CellToEmRatio(face, weight)));
        font.setPixelSize(em > 0 ? em : 1);
    }
    return font;
}

void DrawSkinImage(QPainter& painter, const QString& folder, const QString& fileName, int x, int y)
{
    const QImage image = SkinImageCache::Instance().Image(JoinSkinPath(folder, fileName));
    if (image.isNull()) return;
    OpaqueCopy(painter, QPoint(x, y), image, image.rect());
}

void DrawSkinImagePart(QPainter& painter, const QString& folder, const QString& fileName, int left, int top,
                       int right, int bottom, int offsetX, int offsetY)
{
    if (right <= left || bottom <= top) return;
    const QImage image = SkinImageCache::Instance().Image(JoinSkinPath(folder, fileName));
    if (image.isNull()) return;
    // Only the part that lies inside the picture is copied, each pixel to its own place.
    const QRect source = RectFromEdges(left, top, right, bottom).intersected(image.rect());
    if (source.isEmpty()) return;
    OpaqueCopy(painter, source.topLeft() + QPoint(offsetX, offsetY), image, source);
}

QFont SkinTextFont(int height)
{
    return CachedTextFont(height).font;
}

void DrawSkinText(QPainter& painter, const QString& text, int x, int y, std::uint32_t backColour,
                  std::uint32_t textColour, int height, const QRect& place)
{
    const TextFont& f = CachedTextFont(height);
    DrawnTextLog::Note(
        {text, f.font, QRectF(x, y, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QRectF(place)});
    painter.save();
    painter.setFont(f.font);
    painter.setPen(ColourFromRef(textColour));
    painter.setBackground(ColourFromRef(backColour));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(QPoint(x, y + f.ascent), text);
    painter.restore();
}

void DrawSkinTextWrapped(QPainter& painter, const QString& text, const QRect& box, std::uint32_t textColour,
                         int height)
{
    const QFont& font = CachedTextFont(height).font;
    DrawnTextLog::Note(
        {text, font, QRectF(box), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, QRectF(box)});
    painter.save();
    painter.setFont(font);
    painter.setPen(ColourFromRef(textColour));
    painter.setClipRect(box);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    painter.restore();
}

int FittingTextHeight(const QString& text, int height, int maxWidth)
{
    int fitting = height;
    while (fitting > 1 && QFontMetrics(CachedTextFont(fitting).font).horizontalAdvance(text) > maxWidth)
        --fitting;
    return fitting;
}

QString ElidedSkinText(const QString& text, int height, int width)
{
    return QFontMetrics(CachedTextFont(height).font).elidedText(text, Qt::ElideMiddle, width);
}

void DrawFrameRect(QPainter& painter, int x, int y, int width, int height)
{
    const int x0 = std::min(x, x + width);
    const int x1 = std::max(x, x + width);
    const int y0 = std::min(y, y + height);
    const int y1 = std::max(y, y + height);
    const QColor white(255, 255, 255);
    painter.fillRect(QRect(x0, y0, x1 - x0 + 1, 1), white);
    painter.fillRect(QRect(x0, y1, x1 - x0 + 1, 1), white);
    painter.fillRect(QRect(x0, y0, 1, y1 - y0 + 1), white);
    painter.fillRect(QRect(x1, y0, 1, y1 - y0 + 1), white);
}

void FillColourRect(QPainter& painter, const QRect& rect, std::uint32_t colour)
{
    painter.fillRect(rect, ColourFromRef(colour));
}

} // namespace corvane
