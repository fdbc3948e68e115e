#include "Paint.h"

#include "skin/DrawnText.h"

#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace corvane::skingen {

void Smooth(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

QImage NewCanvas(int width, int height, const QColor& fill)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QImage NewCanvas(layout::Size size, const QColor& fill)
{
    return NewCanvas(size.width, size.height, fill);
}

QImage CropAt(const QImage& background, layout::Point origin, layout::Size size)
{
    QImage crop = NewCanvas(size, palette::kPanel);
    QPainter p(&crop);
    p.drawImage(QPoint(0, 0), background, QRect(origin.x, origin.y, size.width, size.height));
    return crop;
}

void SavePng(const QImage& image, const QString& folder, const QString& name)
{
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name);
    // Opaque pixels only: the windows copy pictures without blending.
    if (!image.convertToFormat(QImage::Format_RGB32).save(path, "PNG")) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

QFont Font(int pixelSize, int weight, double letterSpacing)
{
    QFont font(kFontFamily);
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    if (letterSpacing != 0) font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

void Text(QPainter& p, const QRectF& box, int flags, const QString& text, int pixelSize, const QColor& colour,
          int weight, double letterSpacing)
{
    const QFont font = Font(pixelSize, weight, letterSpacing);
    // The box is the caption's place: the text-fit check holds the caption to it.
    DrawnTextLog::Note({text, font, box, flags, box});
    p.save();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, flags, text);
    p.restore();
}

QImage Blurred(const QImage& source, int radius)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radius <= 0) return image;
    const int w = image.width();
    const int h = image.height();
    std::vector<int> sum(4);
    // Three box passes in each direction approximate a Gaussian.
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            std::vector<QRgb> copy(row, row + w);
            for (int x = 0; x < w; ++x) {
                int a = 0, r = 0, g = 0, b = 0, n = 0;
                for (int k = std::max(0, x - radius); k <= std::min(w - 1, x + radius); ++k, ++n) {
                    a += qAlpha(copy[k]);
                    r += qRed(copy[k]);
                    g += qGreen(copy[k]);
                    b += qBlue(copy[k]);
                }
                const int span = 2 * radius + 1;
                row[x] = qRgba(r / span, g / span, b / span, a / span);
                (void)n;
            }
        }
        for (int x = 0; x < w; ++x) {
            std::vector<QRgb> copy(h);
            for (int y = 0; y < h; ++y)
                copy[y] = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
            for (int y = 0; y < h; ++y) {
                int a = 0, r = 0, g = 0, b = 0;
                for (int k = std::max(0, y - radius); k <= std::min(h - 1, y + radius); ++k) {
                    a += qAlpha(copy[k]);
                    r += qRed(copy[k]);
                    g += qGreen(copy[k]);
                    b += qBlue(copy[k]);
                }
                const int span = 2 * radius + 1;
                reinterpret_cast<QRgb*>(image.scanLine(y))[x] = qRgba(r / span, g / span, b / span, a / span);
            }
        }
    }
    return image;
}

void Glow(QPainter& p, const QPainterPath& shape, const QColor& colour, int radius, QSize canvas)
{
    QImage layer(canvas, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        lp.setTransform(p.transform());
        lp.fillPath(shape, colour);
    }
    p.save();
    p.resetTransform();
    p.drawImage(0, 0, Blurred(layer, radius));
    p.restore();
}

void RaisedPlate(QPainter& p, const QRectF& r, double radius, QColor top, QColor bottom)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(0x07, 0x08, 0x0a), 1));
    p.setBrush(g);
    p.drawRoundedRect(body, radius, radius);
    // Crisp top highlight just inside the outline.
    p.setPen(QPen(QColor(0xff, 0xff, 0xff, 0x24), 1));
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    p.restore();
}

void AccentPlate(QPainter& p, const QRectF& r, bool bright, double radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, bright ? QColor(0xff, 0x4a, 0x5e) : QColor(0xe8, 0x22, 0x3b));
    g.setColorAt(1, bright ? QColor(0xc8, 0x18, 0x30) : QColor(0x9c, 0x0e, 0x23));
    p.setPen(QPen(bright ? QColor(0xff, 0x9a, 0xa5) : QColor(0x5a, 0x06, 0x14), 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(QColor(0xff, 0xff, 0xff, bright ? 0x70 : 0x40), 1));
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    p.restore();
}

void Well(QPainter& p, const QRectF& r, double radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x05, 0x06, 0x07), 1));
    p.setBrush(palette::kWell);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    // Light catches the lower lip of a sunken field.
    p.setPen(QPen(QColor(0xff, 0xff, 0xff, 0x14), 1));
    p.drawLine(QPointF(r.left() + radius, r.bottom() + 0.5), QPointF(r.right() - radius, r.bottom() + 0.5));
    p.restore();
}

void Card(QPainter& p, const QRectF& r, double radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette::kBorder, 1));
    p.setBrush(palette::kPanel);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(palette::kHighlight, 1));
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    p.restore();
}

void WindowFrame(QPainter& p, layout::Size windowSize, int titleHeight)
{
    const QSize size(windowSize.width, windowSize.height);
    p.save();
    QLinearGradient base(0, 0, 0, size.height());
    base.setColorAt(0, palette::kBaseTop);
    base.setColorAt(1, palette::kBaseBottom);
    p.fillRect(QRect(QPoint(0, 0), size), base);
    if (titleHeight > 0) {
        QLinearGradient title(0, 0, 0, titleHeight);
        title.setColorAt(0, QColor(0x20, 0x24, 0x2b));
        title.setColorAt(1, QColor(0x15, 0x18, 0x1c));
        p.fillRect(QRect(0, 0, size.width(), titleHeight), title);
        HLine(p, 0, size.width(), titleHeight - 1, QColor(0x05, 0x06, 0x08));
        // A short accent stroke under the title, fading to the right.
        QLinearGradient accent(0, 0, size.width() * 0.6, 0);
        accent.setColorAt(0, palette::kAccent);
        accent.setColorAt(1, QColor(0xff, 0x2d, 0x44, 0));
        p.fillRect(QRectF(0, titleHeight - 2, size.width() * 0.6, 1), accent);
    }
    p.setPen(QPen(palette::kBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
    p.restore();
}

void HLine(QPainter& p, double x1, double x2, double y, const QColor& colour)
{
    p.fillRect(QRectF(x1, y, x2 - x1, 1), colour);
}

void CloseCross(QPainter& p, const QRectF& r, const QColor& colour, double width)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
    p.restore();
}

void BrandMark(QPainter& p, const QRectF& box)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double w = box.width();
    const double h = box.height();
    auto at = [&](double fx, double fy) { return QPointF(box.left() + fx * w, box.top() + fy * h); };
    // Two swept blades, like a bird's wing, forming a chevron.
    QPainterPath upper;
    upper.moveTo(at(0.0, 0.15));
    upper.lineTo(at(0.62, 0.15));
    upper.lineTo(at(1.0, 0.5));
    upper.lineTo(at(0.72, 0.5));
    upper.lineTo(at(0.48, 0.32));
    upper.lineTo(at(0.16, 0.32));
    upper.closeSubpath();
    QPainterPath lower;
    lower.moveTo(at(0.16, 0.68));
    lower.lineTo(at(0.48, 0.68));
    lower.lineTo(at(0.72, 0.5));
    lower.lineTo(at(1.0, 0.5));
    lower.lineTo(at(0.62, 0.85));
    lower.lineTo(at(0.0, 0.85));
    lower.closeSubpath();
    QLinearGradient g(box.topLeft(), box.bottomRight());
    g.setColorAt(0, palette::kAccentBright);
    g.setColorAt(1, palette::kAccentDeep);
    p.fillPath(upper, g);
    p.fillPath(lower, palette::kAccent);
    p.restore();
}

void DialogTitle(QPainter& p, const QString& title)
{
    BrandMark(p, QRectF(10, 7, 18, 16));
    Text(p, QRectF(34, 5, 300, 20), Qt::AlignLeft | Qt::AlignVCenter, title, 13, palette::kText, QFont::Bold,
         2.0);
}

} // namespace corvane::skingen
