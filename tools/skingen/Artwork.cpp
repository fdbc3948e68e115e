#include "Artwork.h"

#include "Paint.h"
#include "skin/SkinLayout.h"

#include <QConicalGradient>
#include <QDir>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace corvane::skingen {

using namespace corvane::layout;

namespace {

struct Language
{
    bool german;
    QString Pick(const char* germanText, const char* englishText) const
    {
        return QString::fromUtf8(german ? germanText : englishText);
    }
};

QRectF RectOf(const Rect& r)
{
    return QRectF(r.left, r.top, r.Width(), r.Height());
}

Size SizeOf(Window window, const char* name)
{
    const SkinImage* image = FindSkinImage(window, name);
    if (!image) {
        std::fprintf(stderr, "skingen: %s has no size in the layout\n", name);
        std::exit(1);
    }
    return image->size;
}

// Draws a picture over the part of the background where the window will copy it.
QImage Compose(const QImage& background, Point origin, Size size,
               const std::function<void(QPainter&, QRectF)>& draw)
{
    QImage image = CropAt(background, origin, size);
    QPainter p(&image);
    Smooth(p);
    draw(p, QRectF(0, 0, size.width, size.height));
    return image;
}

QImage ComposeOn(const QColor& ground, Size size, const std::function<void(QPainter&, QRectF)>& draw)
{
    QImage image = NewCanvas(size, ground);
    QPainter p(&image);
    Smooth(p);
    draw(p, QRectF(0, 0, size.width, size.height));
    return image;
}

void Save(const QImage& image, const QString& folder, Window window, const char* name)
{
    const Size size = SizeOf(window, name);
    if (image.width() != size.width || image.height() != size.height) {
        std::fprintf(stderr, "skingen: %s drawn at %dx%d, layout says %dx%d\n", name, image.width(),
                     image.height(), size.width, size.height);
        std::exit(1);
    }
    SavePng(image, folder, QString::fromUtf8(name));
}

// ---------------------------------------------------------------------------------------------
// Small shared pieces

void Checkbox(QPainter& p, const QRectF& box, bool on, double radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = box.adjusted(0.5, 0.5, -0.5, -0.5);
    if (on) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(0xff, 0x4a, 0x5e));
        g.setColorAt(1, QColor(0xc0, 0x14, 0x2c));
        p.setPen(QPen(QColor(0xff, 0x8a, 0x96), 1));
        p.setBrush(g);
        p.drawRoundedRect(r, radius, radius);
        const double w = r.width();
        const double h = r.height();
        QPainterPath tick;
        tick.moveTo(r.left() + w * 0.24, r.top() + h * 0.52);
        tick.lineTo(r.left() + w * 0.43, r.top() + h * 0.72);
        tick.lineTo(r.left() + w * 0.78, r.top() + h * 0.28);
        p.setPen(QPen(Qt::white, std::max(1.3, w / 8.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    } else {
        p.setPen(QPen(QColor(0x4a, 0x52, 0x5e), 1));
        p.setBrush(palette::kWell);
        p.drawRoundedRect(r, radius, radius);
    }
    p.restore();
}

// A toolbar icon button of the title strip.
void TitleButton(QPainter& p, const QRectF& r, int kind)
{
    RaisedPlate(p, r, 3, QColor(0x2a, 0x2f, 0x37), QColor(0x1c, 0x20, 0x25));
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = r.center();
    const QColor ink(0xd0, 0xd4, 0xda);
    if (kind == 0) {
        Text(p, r.adjusted(0, 0, 0, -1), Qt::AlignCenter, "?", 11, ink, QFont::Bold);
    } else if (kind == 1) {
        p.fillRect(QRectF(c.x() - 4, c.y() + 2, 8, 1.6), ink);
    } else {
        CloseCross(p, QRectF(c.x() - 3.5, c.y() - 3.5, 7, 7), palette::kAccentBright, 1.5);
    }
    p.restore();
}

enum class Arrow { Up, Down, Right, Left };

void ArrowGlyph(QPainter& p, QPointF c, double size, Arrow arrow, const QColor& colour)
{
    QPainterPath path;
    const double s = size;
    switch (arrow) {
    case Arrow::Up:
        path.moveTo(c.x(), c.y() - s * 0.55);
        path.lineTo(c.x() + s * 0.6, c.y() + s * 0.35);
        path.lineTo(c.x() - s * 0.6, c.y() + s * 0.35);
        break;
    case Arrow::Down:
        path.moveTo(c.x(), c.y() + s * 0.55);
        path.lineTo(c.x() + s * 0.6, c.y() - s * 0.35);
        path.lineTo(c.x() - s * 0.6, c.y() - s * 0.35);
        break;
    case Arrow::Right:
        path.moveTo(c.x() + s * 0.55, c.y());
        path.lineTo(c.x() - s * 0.35, c.y() - s * 0.6);
        path.lineTo(c.x() - s * 0.35, c.y() + s * 0.6);
        break;
    case Arrow::Left:
        path.moveTo(c.x() - s * 0.55, c.y());
        path.lineTo(c.x() + s * 0.35, c.y() - s * 0.6);
        path.lineTo(c.x() + s * 0.35, c.y() + s * 0.6);
        break;
    }
    path.closeSubpath();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(path, colour);
    p.restore();
}

// ---------------------------------------------------------------------------------------------
// Keyboard pictures

QString Legend(const char* label)
{
    const QString text = QString::fromUtf8(label);
    if (text == "Up") return QString::fromUtf8("\u2191");
    if (text == "Down") return QString::fromUtf8("\u2193");
    if (text == "Left") return QString::fromUtf8("\u2190");
    if (text == "Right") return QString::fromUtf8("\u2192");
    if (text == "Caps Lock") return "Caps";
    return text;
}

// Three letters for the long names of the small navigation keys.
QString ShortLegend(const QString& legend)
{
    if (legend == "Pause") return "Pse";
    if (legend == "Home") return "Hm";
    if (legend == "PgUp") return "PU";
    if (legend == "PgDn") return "PD";
    if (legend == "Prnt") return "Prt";
    return legend.left(3);
}

void Keycap(QPainter& p, const QRectF& key, const QString& legend, bool lit)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = key.adjusted(0.5, 0.5, -0.5, -0.5);
    if (lit) {
        // Backlight spills round the cap and through the legend.
        QRadialGradient under(key.center(), std::max(key.width(), key.height()) * 0.75);
        under.setColorAt(0, QColor(0xff, 0x2d, 0x44, 0x90));
        under.setColorAt(1, QColor(0xff, 0x2d, 0x44, 0x20));
        p.fillRect(key, under);
        QLinearGradient g(body.topLeft(), body.bottomLeft());
        g.setColorAt(0, QColor(0x5a, 0x1c, 0x26));
        g.setColorAt(1, QColor(0x33, 0x0c, 0x14));
        p.setPen(QPen(QColor(0xff, 0x55, 0x68), 1));
        p.setBrush(g);
        p.drawRoundedRect(body, 3, 3);
    } else {
        QLinearGradient g(body.topLeft(), body.bottomLeft());
        g.setColorAt(0, QColor(0x2e, 0x33, 0x3b));
        g.setColorAt(1, QColor(0x1b, 0x1e, 0x23));
        p.setPen(QPen(QColor(0x06, 0x07, 0x09), 1));
        p.setBrush(g);
        p.drawRoundedRect(body, 3, 3);
    }
    // The cap's top face, slightly inset and lighter, with a dished lower lip.
    const QRectF face = key.adjusted(2.5, 1.5, -2.5, -4.0);
    QLinearGradient f(face.topLeft(), face.bottomLeft());
    if (lit) {
        f.setColorAt(0, QColor(0x6e, 0x22, 0x2e));
        f.setColorAt(1, QColor(0x4a, 0x14, 0x1e));
    } else {
        f.setColorAt(0, QColor(0x3b, 0x41, 0x4a));
        f.setColorAt(1, QColor(0x2c, 0x31, 0x38));
    }
    p.setPen(QPen(lit ? QColor(0xff, 0x8a, 0x96, 0x90) : QColor(0xff, 0xff, 0xff, 0x1c), 1));
    p.setBrush(f);
    p.drawRoundedRect(face, 2.5, 2.5);

    if (!legend.isEmpty()) {
        int px = legend.size() == 1 ? 10 : (legend.size() <= 3 ? 8 : 7);
        // The legend fits the cap's face: smaller, down to 6 pixels, then its short form.
        const auto fits = [&](const QString& text, int size) {
            return QFontMetricsF(Font(size, lit ? QFont::Bold : QFont::DemiBold)).horizontalAdvance(text) <=
                   face.width() - 1;
        };
        QString shown = legend;
        while (px > 6 && !fits(shown, px))
            --px;
        if (!fits(shown, px)) shown = ShortLegend(legend);
        const QString& legendText = shown;
        const QRectF textBox = face.adjusted(0, -1, 0, 0);
        if (lit) {
            QPainterPath glyphs;
            QFont font = Font(px, QFont::Bold);
            const QFontMetricsF metrics(font);
            const double width = metrics.horizontalAdvance(legendText);
            glyphs.addText(textBox.center().x() - width / 2,
                           textBox.center().y() + (metrics.ascent() - metrics.descent()) / 2, font,
                           legendText);
            p.fillPath(glyphs, QColor(0xff, 0x40, 0x58, 0x60));
            Text(p, textBox.translated(0, 0.5), Qt::AlignCenter, legendText, px, QColor(0xff, 0x9a, 0xa6),
                 QFont::Bold);
            Text(p, textBox, Qt::AlignCenter, legendText, px, QColor(0xff, 0xf2, 0xf4), QFont::Bold);
        } else {
            Text(p, textBox, Qt::AlignCenter, legendText, px, QColor(0xc8, 0xcd, 0xd4), QFont::DemiBold);
        }
    }
    p.restore();
}

QImage KeyboardPicture(const QImage& mainBackground, bool lit)
{
    return Compose(mainBackground, kKeyboardOrigin, kKeyboardPictureSize, [&](QPainter& p, QRectF all) {
        // Soft shadow under the case.
        QPainterPath caseShape;
        const QRectF caseRect(6, 54, all.width() - 12, all.height() - 62);
        caseShape.addRoundedRect(caseRect, 9, 9);
        Glow(p, caseShape.translated(0, 4), QColor(0, 0, 0, 0xc0), 5, all.size().toSize());
        if (lit) Glow(p, caseShape, QColor(0xff, 0x2d, 0x44, 0x50), 6, all.size().toSize());

        QLinearGradient caseFill(caseRect.topLeft(), caseRect.bottomLeft());
        caseFill.setColorAt(0, QColor(0x2a, 0x2e, 0x35));
        caseFill.setColorAt(0.08, QColor(0x20, 0x23, 0x29));
        caseFill.setColorAt(1, QColor(0x15, 0x17, 0x1b));
        p.setPen(QPen(QColor(0x3a, 0x40, 0x4a), 1));
        p.setBrush(caseFill);
        p.drawRoundedRect(caseRect.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);

        // The plate the keys sit in.
        const QRectF plate(15, 71, all.width() - 30, all.height() - 82);
        QLinearGradient plateFill(plate.topLeft(), plate.bottomLeft());
        plateFill.setColorAt(0, lit ? QColor(0x2a, 0x08, 0x0e) : QColor(0x0b, 0x0c, 0x0e));
        plateFill.setColorAt(1, lit ? QColor(0x1a, 0x05, 0x09) : QColor(0x10, 0x11, 0x14));
        p.setPen(QPen(QColor(0x05, 0x05, 0x06), 1));
        p.setBrush(plateFill);
        p.drawRoundedRect(plate.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

        // Name plate and lock lights on the top rim.
        BrandMark(p, QRectF(22, 58, 11, 11));
        Text(p, QRectF(37, 57, 120, 12), Qt::AlignLeft | Qt::AlignVCenter, "CORVANE", 8,
             QColor(0x9a, 0xa2, 0xad), QFont::Bold, 1.6);
        const char* lights[3] = {"1", "A", "S"};
        for (int i = 0; i < 3; ++i) {
            const QPointF c(490 + 22 * i, 63);
            p.setPen(Qt::NoPen);
            p.setBrush(lit ? palette::kAccent : QColor(0x3a, 0x3f, 0x47));
            p.drawEllipse(c, 2.2, 2.2);
            Text(p, QRectF(c.x() + 4, 57, 10, 12), Qt::AlignLeft | Qt::AlignVCenter, lights[i], 7,
                 QColor(0x7a, 0x82, 0x8d), QFont::Bold);
        }

        for (std::size_t slot = 0; slot < kKeyCount; ++slot) {
            if (IsAbsentKey(static_cast<int>(slot))) continue;
            const KeyEntry& key = kKeyTable[slot];
            Keycap(p, RectOf(key.rect), Legend(key.label), lit);
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Main window

// The x of the thumb picture's centre for a value, in the slider's own coordinates: the 15-pixel
// picture centred on the value's point of the channel, as the sliders place it; the main window
// moves the response time thumb 1 pixel right, and both performance thumbs 2 more at position 0.
int ThumbPictureCentre(int id, int value)
{
    const SliderPlace* place = FindSlider(id);
    const int span = kSliderTrackSize.width - 2 * kSliderChannelInset;
    const int centre = kSliderChannelInset + value * span / place->maximum;
    int pictureLeft = centre - kSliderThumbSize.width / 2;
    if (id == kSliderResponseTime) pictureLeft += 1;
    if ((id == kSliderResponseTime || id == kSliderReportRate) && value == 0) pictureLeft += 2;
    return pictureLeft + kSliderThumbSize.width / 2;
}

QImage ScalePicture(const QImage& background, Point origin, const QStringList& labels, int sliderId)
{
    const int sliderX = FindSlider(sliderId)->origin.x;
    const Size size = SizeOf(Window::Main, origin.y == kResponseScaleOrigin.y ? "responsetime_txt.png"
                                                                              : "reportRate_txt.png");
    return Compose(background, origin, size, [&](QPainter& p, QRectF) {
        const int maximum = static_cast<int>(labels.size()) - 1;
        for (int i = 0; i <= maximum; ++i) {
            // The tick sits under the thumb picture's middle column.
            const int x = sliderX - origin.x + ThumbPictureCentre(sliderId, i);
            p.fillRect(QRect(x, 0, 1, 3), QColor(0x6a, 0x72, 0x7e));
            const QRectF box(x - 19.5, 4, 40, 12);
            Text(p, box, Qt::AlignHCenter | Qt::AlignTop, labels[i], 9, palette::kTextDim, QFont::DemiBold);
        }
    });
}

void DrawMainWindow(const QString& folder, const Language& lang)
{
    QImage bg = NewCanvas(kMainWindowSize);
    {
        QPainter p(&bg);
        Smooth(p);
        WindowFrame(p, kMainWindowSize, 34);

        // Title strip: brand mark and name; the help, minimise and close buttons are drawn over it.
        BrandMark(p, QRectF(12, 6, 24, 22));
        Text(p, QRectF(44, 4, 200, 18), Qt::AlignLeft | Qt::AlignVCenter, "CORVANE", 16, palette::kText,
             QFont::Black, 2.5);
        Text(p, QRectF(45, 20, 200, 11), Qt::AlignLeft | Qt::AlignVCenter, "GAMING KEYBOARD", 8,
             palette::kTextDim, QFont::DemiBold, 2.2);

        // Information card above the panel.
        Card(p, QRectF(10, 44, 252, 46));
        p.fillRect(QRectF(13, 53, 3, 28), palette::kAccent);
        Text(p, QRectF(24, 50, 232, 16), Qt::AlignLeft | Qt::AlignVCenter,
             lang.Pick("Änderungen gelangen erst mit", "Changes reach the keyboard"), 11, palette::kTextDim);
        Text(p, QRectF(24, 66, 232, 16), Qt::AlignLeft | Qt::AlignVCenter,
             lang.Pick("„Anwenden“ zur Tastatur.", "when you press Apply."), 11, palette::kTextDim);

        // Lighting and performance card; the window writes its own headings and labels.
        Card(p, QRectF(10, 98, 252, 448));
        p.fillRect(QRectF(12, 111, 2, 14), palette::kAccent);
        Text(p, QRectF(150, 401, 98, 15), Qt::AlignRight | Qt::AlignVCenter, "Hz", 10, palette::kTextDim);
        HLine(p, 20, 252, 335, palette::kBorder);
        HLine(p, 20, 252, 455, palette::kBorder);

        // Keyboard stage with a red backlight haze behind the keyboard.
        const QRectF stage(274, 44, 716, 502);
        Card(p, stage);
        p.save();
        p.setClipRect(stage.adjusted(1, 2, -1, -1));
        QRadialGradient haze(QPointF(kKeyboardOrigin.x + kKeyboardPictureSize.width / 2.0,
                                     kKeyboardOrigin.y + kKeyboardPictureSize.height * 0.62),
                             360);
        haze.setColorAt(0, QColor(0xff, 0x2d, 0x44, 0x2c));
        haze.setColorAt(0.6, QColor(0xff, 0x2d, 0x44, 0x0a));
        haze.setColorAt(1, QColor(0xff, 0x2d, 0x44, 0));
        p.fillRect(stage, haze);
        // A faint diagonal weave gives the stage some texture.
        p.setPen(QPen(QColor(0xff, 0xff, 0xff, 0x05), 1));
        for (int x = static_cast<int>(stage.left()) - 600; x < stage.right(); x += 6)
            p.drawLine(QPointF(x, stage.bottom()), QPointF(x + stage.height(), stage.top()));
        p.restore();
        Text(p, QRectF(292, 56, 400, 16), Qt::AlignLeft | Qt::AlignVCenter, lang.Pick("TASTATUR", "KEYBOARD"),
             12, palette::kText, QFont::Bold, 2.0);
        p.fillRect(QRectF(292, 75, 28, 2), palette::kAccent);
        Text(p, QRectF(292, 82, 560, 14), Qt::AlignLeft | Qt::AlignVCenter,
             lang.Pick("Klicke auf eine Taste, um ihr eine neue Funktion zu geben.",
                       "Click a key to give it a new function."),
             11, palette::kTextDim);

        // Notes under the keyboard.
        const double noteY = 420;
        Keycap(p, QRectF(300, noteY, 23, 23), "", true);
        Text(p, QRectF(332, noteY, 600, 23), Qt::AlignLeft | Qt::AlignVCenter,
             lang.Pick("Leuchtende Tasten haben eine eigene Belegung oder sind deaktiviert.",
                       "Lit keys have their own assignment or are disabled."),
             11, palette::kTextDim);
        Keycap(p, QRectF(300, noteY + 32, 23, 23), "", false);
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(298.5, noteY + 30.5, 26, 26));
        Text(p, QRectF(332, noteY + 32, 640, 23), Qt::AlignLeft | Qt::AlignVCenter,
             lang.Pick("Beleuchtungsprofile: Tasten anklicken, aufziehen oder mit Strg+Klick wählen.",
                       "Lighting profiles: click, drag round or Ctrl+click keys to colour them."),
             11, palette::kTextDim);

        // Footer strip with the profile, macro and apply buttons drawn over it.
        QLinearGradient footer(0, 552, 0, kMainWindowSize.height);
        footer.setColorAt(0, QColor(0x18, 0x1b, 0x20));
        footer.setColorAt(1, QColor(0x10, 0x12, 0x15));
        p.fillRect(QRectF(1, 552, kMainWindowSize.width - 2, kMainWindowSize.height - 553), footer);
        HLine(p, 1, kMainWindowSize.width - 1, 552, QColor(0x05, 0x06, 0x08));
        HLine(p, 1, kMainWindowSize.width - 1, 553, palette::kHighlight);
        Text(p, QRectF(500, 562, 358, 24), Qt::AlignRight | Qt::AlignVCenter,
             lang.Pick("Alle Änderungen an die Tastatur senden", "Send every change to the keyboard"), 11,
             palette::kTextDim);
    }
    Save(bg, folder, Window::Main, "main.png");

    // Title strip buttons.
    const char* titleNames[3] = {"button-help-normal.png", "button-min-normal.png",
                                 "button-close-normal.png"};
    const Point titleOrigins[3] = {kHelpButtonOrigin, kMinimiseButtonOrigin, kCloseButtonOrigin};
    for (int i = 0; i < 3; ++i) {
        Save(Compose(bg, titleOrigins[i], SizeOf(Window::Main, titleNames[i]),
                     [&](QPainter& p, QRectF r) { TitleButton(p, r, i); }),
             folder, Window::Main, titleNames[i]);
    }

    // Help window: a drop-down card of three rows below the help button.
    const Size helpSize = SizeOf(Window::Main, "HelpWindow.png");
    Save(Compose(bg, kHelpWindowOrigin, helpSize,
                 [&](QPainter& p, QRectF r) {
                     p.fillRect(r, QColor(0x05, 0x06, 0x08));
                     QLinearGradient g(r.topLeft(), r.bottomLeft());
                     g.setColorAt(0, QColor(0x24, 0x28, 0x30));
                     g.setColorAt(1, QColor(0x1a, 0x1d, 0x22));
                     p.setPen(QPen(QColor(0x3a, 0x41, 0x4c), 1));
                     p.setBrush(g);
                     p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
                     p.fillRect(QRectF(1, 1, r.width() - 2, 1), palette::kAccent);
                     for (int row = 1; row < 3; ++row)
                         HLine(p, 6, r.width() - 6, kHelpRowHeight * row + 1, QColor(0x32, 0x38, 0x42));
                     // Row icons left of the texts the window writes.
                     const QColor ink = palette::kAccentBright;
                     p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
                     p.setBrush(Qt::NoBrush);
                     p.drawArc(QRectF(5, 6, 10, 10), 60 * 16, 290 * 16); // reset: circular arrow
                     ArrowGlyph(p, QPointF(13.5, 6.5), 4, Arrow::Right, ink);
                     p.drawRect(QRectF(5.5, 31.5, 9, 9)); // firmware: a chip
                     for (int i = 0; i < 3; ++i) {
                         p.drawLine(QPointF(7.5 + 3 * i, 29), QPointF(7.5 + 3 * i, 31));
                         p.drawLine(QPointF(7.5 + 3 * i, 41), QPointF(7.5 + 3 * i, 43));
                     }
                     p.drawEllipse(QRectF(5, 56, 10, 10)); // version: information
                     Text(p, QRectF(5, 56, 10, 10), Qt::AlignCenter, "i", 8, ink, QFont::Bold);
                 }),
         folder, Window::Main, "HelpWindow.png");

    Save(KeyboardPicture(bg, false), folder, Window::Main, "kb_BK.png");
    Save(KeyboardPicture(bg, true), folder, Window::Main, "kb_hl.png");

    // Bottom buttons; their captions are written by the window.
    Save(Compose(bg, kApplyButtonOrigin, SizeOf(Window::Main, "apply.png"),
                 [](QPainter& p, QRectF r) {
                     Glow(
                         p,
                         [&] {
                             QPainterPath s;
                             s.addRoundedRect(r.adjusted(2, 2, -2, -2), kRadius, kRadius);
                             return s;
                         }(),
                         QColor(0xff, 0x2d, 0x44, 0x90), 2, r.size().toSize());
                     AccentPlate(p, r.adjusted(1, 1, -1, -1), false);
                 }),
         folder, Window::Main, "apply.png");
    Save(Compose(bg, kProfileButtonOrigin, SizeOf(Window::Main, "Config.png"),
                 [](QPainter& p, QRectF r) { RaisedPlate(p, r.adjusted(1, 1, -1, -1)); }),
         folder, Window::Main, "Config.png");
    Save(Compose(bg, kMacroButtonOrigin, SizeOf(Window::Main, "MacroButton3.png"),
                 [](QPainter& p, QRectF r) { RaisedPlate(p, r.adjusted(1, 1, -1, -1)); }),
         folder, Window::Main, "MacroButton3.png");

    // The effect selector: a drop-down field; the effect name is written on its left part.
    Save(Compose(bg, kLightItemOrigin, SizeOf(Window::Main, "Light_Item.png"),
                 [](QPainter& p, QRectF r) {
                     Well(p, r, 3);
                     p.fillRect(QRectF(r.right() - 20, 3, 1, r.height() - 6), QColor(0x2e, 0x34, 0x3d));
                     ArrowGlyph(p, QPointF(r.right() - 10, r.center().y() + 0.5), 6, Arrow::Down,
                                palette::kAccent);
                 }),
         folder, Window::Main, "Light_Item.png");

    // The multi-colour square.
    Save(Compose(bg, kMultiColourSquareOrigin, SizeOf(Window::Main, "8.png"),
                 [](QPainter& p, QRectF r) {
                     QConicalGradient hues(r.center(), 90);
                     for (int i = 0; i <= 6; ++i)
                         hues.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 230, 255));
                     p.fillRect(r, hues);
                     QRadialGradient white(r.center(), r.width() * 0.55);
                     white.setColorAt(0, QColor(255, 255, 255, 0xc0));
                     white.setColorAt(1, QColor(255, 255, 255, 0));
                     p.fillRect(r, white);
                 }),
         folder, Window::Main, "8.png");

    // Direction buttons, in drawing order top, bottom, right, left.
    const char* dirs[4] = {"T", "B", "R", "L"};
    const Arrow arrows[4] = {Arrow::Up, Arrow::Down, Arrow::Right, Arrow::Left};
    for (int i = 0; i < 4; ++i) {
        for (bool on : {false, true}) {
            const QByteArray name =
                QString("Direction-%1-%2.png").arg(dirs[i], on ? "Enable" : "Disable").toUtf8();
            const Point origin{kDirectionX[i], kDirectionY};
            Save(Compose(bg, origin, SizeOf(Window::Main, name.constData()),
                         [&](QPainter& p, QRectF r) {
                             if (on)
                                 AccentPlate(p, r, false, 3);
                             else
                                 RaisedPlate(p, r, 3);
                             ArrowGlyph(p, r.center(), 8, arrows[i],
                                        on ? QColor(Qt::white) : QColor(0x9a, 0xa2, 0xad));
                         }),
                 folder, Window::Main, name.constData());
        }
    }

    // Switches (game mode, Windows-key lock, the two view switches).
    for (bool on : {false, true}) {
        const char* name = on ? "Enable.png" : "Disable.png";
        Save(Compose(bg, kGameModeSwitchOrigin, SizeOf(Window::Main, name),
                     [&](QPainter& p, QRectF r) { Checkbox(p, r, on, 3); }),
             folder, Window::Main, name);
    }

    // Thumb: a bright knob with a red core, over the empty track it rides on.
    Save(ComposeOn(palette::kPanel, kSliderThumbSize,
                   [](QPainter& p, QRectF r) {
                       p.fillRect(QRectF(0, 5, r.width(), 5), palette::kWell);
                       QLinearGradient g(r.topLeft(), r.bottomLeft());
                       g.setColorAt(0, QColor(0xf4, 0xf5, 0xf7));
                       g.setColorAt(1, QColor(0xa9, 0xae, 0xb6));
                       p.setPen(QPen(QColor(0x0a, 0x0b, 0x0d), 1));
                       p.setBrush(g);
                       p.drawRoundedRect(r.adjusted(1.5, 0.5, -1.5, -0.5), 3, 3);
                       p.fillRect(QRectF(6.5, 3, 2, r.height() - 6), palette::kAccent);
                   }),
         folder, Window::Main, "Thumb.png");

    // Value scales under the response time and report rate sliders.
    QStringList response;
    for (int i = 1; i <= 10; ++i)
        response << QString::number(i);
    Save(ScalePicture(bg, kResponseScaleOrigin, response, kSliderResponseTime), folder, Window::Main,
         "responsetime_txt.png");
    Save(ScalePicture(bg, kReportRateScaleOrigin, {"125", "250", "500", "1000"}, kSliderReportRate), folder,
         Window::Main, "reportRate_txt.png");
}

// ---------------------------------------------------------------------------------------------
// Profile panel

void DrawProfilePanel(const QString& folder, const Language& lang)
{
    QImage bg = NewCanvas(kProfileWindowSize);
    {
        QPainter p(&bg);
        Smooth(p);
        WindowFrame(p, kProfileWindowSize, 30);
        DialogTitle(p, lang.Pick("PROFILE", "PROFILES"));
        Text(p, QRectF(16, 33, 243, 14), Qt::AlignLeft | Qt::AlignVCenter,
             lang.Pick("Aktuelles Profil", "Current profile"), 10, palette::kTextDim, QFont::DemiBold, 0.6);
        const QRectF list(kProfileList.x - 2, kProfileList.y - 2, kProfileList.width + 4,
                          kProfileList.height + 4);
        Well(p, list);
        // Import and export plates; the window writes their captions from x 293.
        for (int i = 0; i < 2; ++i) {
            const Rect area = i == 0 ? kProfileImportArea : kProfileExportArea;
            const QRectF r(area.left, area.top, area.Width() + 1, area.Height() + 1);
            RaisedPlate(p, r);
            const QPointF c(r.left() + 10, r.center().y());
            p.setPen(QPen(palette::kAccent, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(c.x() - 5, c.y() + 7), QPointF(c.x() + 5, c.y() + 7)); // tray
            if (i == 0) {
                p.drawLine(QPointF(c.x(), c.y() - 7), QPointF(c.x(), c.y() + 1));
                ArrowGlyph(p, QPointF(c.x(), c.y() + 2), 7, Arrow::Down, palette::kAccent);
            } else {
                p.drawLine(QPointF(c.x(), c.y() - 1), QPointF(c.x(), c.y() + 5));
                ArrowGlyph(p, QPointF(c.x(), c.y() - 4), 7, Arrow::Up, palette::kAccent);
            }
        }
        Text(p, QRectF(273, 150, 104, 120), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
             lang.Pick("Der Import lädt alle Einstellungen; zur Tastatur gelangen sie mit „Anwenden“.",
                       "Importing loads every setting; press Apply in the main window to send them."),
             10, palette::kTextDim);
        // The bottom button that closes the panel.
        const QRectF ok(kProfileCloseButton.left, kProfileCloseButton.top, kProfileCloseButton.Width() + 1,
                        kProfileCloseButton.Height() + 1);
        AccentPlate(p, ok, false, 3);
        Text(p, ok, Qt::AlignCenter, "OK", 11, Qt::white, QFont::Bold);
    }
    Save(bg, folder, Window::Profile, "Profile_BK.png");
    Save(Compose(bg, kProfileCloseImageOrigin, SizeOf(Window::Profile, "button-close-normal.png"),
                 [](QPainter& p, QRectF r) {
                     CloseCross(p, r.adjusted(0.5, 1, -0.5, -1), palette::kAccentBright, 1.4);
                 }),
         folder, Window::Profile, "button-close-normal.png");
}

// ---------------------------------------------------------------------------------------------
// Key assignment dialog

void DrawKeyDialog(const QString& folder, const Language& lang)
{
    const int bodyTop = kKeyButtons[kKeyButtonFirstTab].rect.bottom + 1;
    const int footerTop = 338;
    QImage bg = NewCanvas(kKeyDialogSize);
    {
        QPainter p(&bg);
        Smooth(p);
        WindowFrame(p, kKeyDialogSize, 28);
        BrandMark(p, QRectF(8, 6, 18, 16));
        Text(p, QRectF(31, 5, 96, 18), Qt::AlignLeft | Qt::AlignVCenter, "CORVANE", 11, palette::kTextDim,
             QFont::Bold, 1.6);
        const Rect close = kKeyButtons[kKeyButtonCloseMark].rect;
        CloseCross(p, QRectF(close.left + 0.5, close.top + 1, close.Width(), close.Width()),
                   palette::kAccentBright);

        // Tab strip: four tabs over an accent rule; the window writes the captions.
        p.fillRect(QRectF(0, 28, kKeyDialogSize.width, bodyTop - 28), QColor(0x10, 0x12, 0x15));
        for (int tab = 0; tab < 4; ++tab) {
            const Rect r = kKeyButtons[kKeyButtonFirstTab + tab].rect;
            RaisedPlate(p, QRectF(r.left, r.top + 1, r.Width() + 1, r.Height() - 5), 3);
        }
        // Flat body: every page draws its pictures straight onto this colour.
        p.fillRect(QRectF(1, bodyTop, kKeyDialogSize.width - 2, kKeyDialogSize.height - bodyTop - 1),
                   palette::kPanel);
        p.fillRect(QRectF(0, bodyTop, kKeyDialogSize.width, 1), palette::kAccentDeep);
        HLine(p, 1, kKeyDialogSize.width - 1, footerTop, palette::kBorder);
        // Caption plate of the check box, in the colour the window repaints it with.
        const QColor plate(0xA0, 0xA0, 0xA0);
        p.fillRect(QRectF(kKeyDisableCaptionStrip.left, kKeyDisableCaptionStrip.top,
                          kKeyDisableCaptionStrip.Width(), kKeyDisableCaptionStrip.Height()),
                   plate);
        p.setPen(QPen(palette::kBorder, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(kKeyDisableCaptionStrip.left - 0.5, kKeyDisableCaptionStrip.top - 0.5,
                          kKeyDisableCaptionStrip.Width() + 1, kKeyDisableCaptionStrip.Height() + 1));
        p.setPen(palette::kBorder);
        p.drawRect(QRectF(0.5, 0.5, kKeyDialogSize.width - 1, kKeyDialogSize.height - 1));
    }
    Save(bg, folder, Window::KeyAssignment, "Custom_BK.png");

    const Rect close = kKeyButtons[kKeyButtonCloseMark].rect;
    for (bool over : {false, true}) {
        const char* name = over ? "button-close-over.png" : "button-close-normal.png";
        Save(Compose(bg, {close.left, close.top}, SizeOf(Window::KeyAssignment, name),
                     [&](QPainter& p, QRectF r) {
                         CloseCross(p, QRectF(0.5, 1, r.width() - 1, r.width() - 1),
                                    over ? QColor(Qt::white) : palette::kAccentBright);
                     }),
             folder, Window::KeyAssignment, name);
    }
    const Rect tab = kKeyButtons[kKeyButtonFirstTab].rect;
    Save(Compose(bg, {tab.left, tab.top}, SizeOf(Window::KeyAssignment, "large_button.png"),
                 [](QPainter& p, QRectF r) { RaisedPlate(p, r.adjusted(0, 1, 0, -5), 3); }),
         folder, Window::KeyAssignment, "large_button.png");
    const Rect strip = kKeyButtons[kKeyButtonTabStrip].rect;
    Save(Compose(bg, {strip.left, strip.top}, SizeOf(Window::KeyAssignment, "single_combine_option.png"),
                 [](QPainter& p, QRectF r) {
                     p.fillRect(QRectF(0, r.height() - 2, r.width(), 2), palette::kAccent);
                 }),
         folder, Window::KeyAssignment, "single_combine_option.png");

    for (bool on : {false, true}) {
        const char* name = on ? "Enable.png" : "Disable.png";
        Save(
            Compose(bg, kKeyDisableBoxOrigin, SizeOf(Window::KeyAssignment, name),
                    [&](QPainter& p, QRectF r) { Checkbox(p, QRectF(0, 0, r.height(), r.height()), on, 2); }),
            folder, Window::KeyAssignment, name);
    }
    for (bool over : {false, true}) {
        const char* cancel = over ? "button-cancel-over.png" : "button-cancel-normal.png";
        Save(Compose(bg, {kKeyButtons[kKeyButtonReset].rect.left, kKeyButtons[kKeyButtonReset].rect.top},
                     SizeOf(Window::KeyAssignment, cancel),
                     [&](QPainter& p, QRectF r) {
                         if (over)
                             RaisedPlate(p, r, kRadius, QColor(0x3a, 0x40, 0x4a), QColor(0x2a, 0x2f, 0x37));
                         else
                             RaisedPlate(p, r);
                     }),
             folder, Window::KeyAssignment, cancel);
        const char* save = over ? "button-save-over.png" : "button-save-normal.png";
        Save(Compose(bg, {kKeyButtons[kKeyButtonSave].rect.left, kKeyButtons[kKeyButtonSave].rect.top},
                     SizeOf(Window::KeyAssignment, save),
                     [&](QPainter& p, QRectF r) { AccentPlate(p, r, over); }),
             folder, Window::KeyAssignment, save);
    }
    // Launch page: the path field (the path is written from its left edge) and the browse button.
    Save(Compose(bg, kLaunchPathBoxOrigin, SizeOf(Window::KeyAssignment, "Advanced.png"),
                 [](QPainter& p, QRectF r) {
                     p.fillRect(QRectF(0, 1, r.width() - 3, r.height() - 3), palette::kWell);
                     p.fillRect(QRectF(0, r.height() - 3, r.width() - 3, 1), palette::kAccentDeep);
                     p.fillRect(QRectF(0, 1, r.width() - 3, 1), QColor(0x05, 0x06, 0x07));
                     p.fillRect(QRectF(r.width() - 4, 1, 1, r.height() - 3), QColor(0x05, 0x06, 0x07));
                 }),
         folder, Window::KeyAssignment, "Advanced.png");
    for (bool over : {false, true}) {
        const char* name = over ? "view02.png" : "view.png";
        Save(Compose(bg, kLaunchBrowseOrigin, SizeOf(Window::KeyAssignment, name),
                     [&](QPainter& p, QRectF r) {
                         const QRectF b = r.adjusted(0, 0, 0, -1);
                         if (over)
                             AccentPlate(p, b, true, 3);
                         else
                             RaisedPlate(p, b, 3);
                         Text(p, b, Qt::AlignCenter, lang.Pick("Wählen…", "Browse…"), 10,
                              over ? QColor(Qt::white) : palette::kText, QFont::DemiBold);
                     }),
             folder, Window::KeyAssignment, name);
    }
}

// ---------------------------------------------------------------------------------------------
// Macro dialog

void DrawMacroDialog(const QString& folder, const Language& lang)
{
    QImage bg = NewCanvas(kMacroDialogSize);
    {
        QPainter p(&bg);
        Smooth(p);
        WindowFrame(p, kMacroDialogSize, 30);
        DialogTitle(p, lang.Pick("MAKROVERWALTUNG", "MACRO MANAGEMENT"));
        const Rect close = kMacroButtons[kMacroButtonCloseBox].rect;
        CloseCross(p, QRectF(close.left + 0.5, close.top + 0.5, close.Width(), close.Width()),
                   palette::kAccentBright);

        // The two lists sit in wells with their headings above.
        const Placement lists[2] = {kMacroNameList, kMacroEventList};
        const QString headings[2] = {lang.Pick("MAKROS", "MACROS"), lang.Pick("ABLAUF", "EVENTS")};
        for (int i = 0; i < 2; ++i) {
            const Placement& l = lists[i];
            Text(p, QRectF(l.x, 42, l.width, 14), Qt::AlignLeft | Qt::AlignVCenter, headings[i], 10,
                 palette::kTextDim, QFont::Bold, 1.2);
            p.fillRect(QRectF(l.x, 57, 18, 2), palette::kAccent);
            Well(p, QRectF(l.x - 2, l.y - 2, l.width + 4, l.height + 4));
        }
        // Option groups on the right; the window writes their texts and draws the tick boxes.
        Card(p, QRectF(252, 90, 128, 45));
        Card(p, QRectF(252, 143, 128, 60));
        Card(p, QRectF(252, 292, 128, 66));
        Text(p, QRectF(254, 210, 124, 78), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
             lang.Pick("Rechtsklick in den Ablauf zum Bearbeiten; Doppelklick benennt um.",
                       "Right-click the events to edit them; double-click a name to rename it."),
             10, palette::kTextDim);
        HLine(p, 1, kMacroDialogSize.width - 1, 362, palette::kBorder);
    }
    Save(bg, folder, Window::Macro, "MacroManagement.png");

    const Rect record = kMacroButtons[kMacroButtonRecord].rect;
    const char* recordNames[3] = {"Record-normal.png", "Record-over.png", "Record-leave.png"};
    for (int state = 0; state < 3; ++state) {
        Save(Compose(bg, {record.left, record.top}, SizeOf(Window::Macro, recordNames[state]),
                     [&](QPainter& p, QRectF r) { AccentPlate(p, r, state == 1); }),
             folder, Window::Macro, recordNames[state]);
    }
    for (bool on : {false, true}) {
        const char* name = on ? "PaneMakingTick.png" : "Pane.png";
        const Rect delay = kMacroButtons[kMacroButtonDelay].rect;
        Save(Compose(bg, {delay.left, delay.top}, SizeOf(Window::Macro, name),
                     [&](QPainter& p, QRectF r) { Checkbox(p, r, on, 3); }),
             folder, Window::Macro, name);
    }
    const Rect button = kMacroButtons[kMacroButtonNew].rect;
    const char* buttonNames[3] = {"button-new-normal.png", "button-new-over.png", "button-new-leave.png"};
    for (int state = 0; state < 3; ++state) {
        Save(Compose(bg, {button.left, button.top}, SizeOf(Window::Macro, buttonNames[state]),
                     [&](QPainter& p, QRectF r) {
                         if (state == 1)
                             RaisedPlate(p, r, kRadius, QColor(0x3a, 0x40, 0x4a), QColor(0x2a, 0x2f, 0x37));
                         else
                             RaisedPlate(p, r);
                         if (state == 1)
                             p.fillRect(QRectF(6, r.height() - 3, r.width() - 12, 1), palette::kAccent);
                     }),
             folder, Window::Macro, buttonNames[state]);
    }
}

// ---------------------------------------------------------------------------------------------
// Colour dialog

void DrawColourDialog(const QString& folder, const Language& lang)
{
    QImage bg = NewCanvas(kColourDialogSize);
    {
        QPainter p(&bg);
        Smooth(p);
        WindowFrame(p, kColourDialogSize, 22);
        CloseCross(p,
                   QRectF(kColourCloseMark.left + 0.5, kColourCloseMark.top + 0.5, kColourCloseMark.Width(),
                          kColourCloseMark.Height()),
                   palette::kAccentBright);

        // Basic colours on a light bezel, so the black frame of the chosen cell shows.
        Text(p, QRectF(13, 24, 150, 14), Qt::AlignLeft | Qt::AlignVCenter,
             lang.Pick("GRUNDFARBEN", "BASIC COLOURS"), 9, palette::kTextDim, QFont::Bold, 1.0);
        Card(p, QRectF(6, 36, 162, 104), 4);
        for (int i = 0; i < kColourBasicCellCount; ++i) {
            const ColourCell& cell = kColourCells[i];
            const QRectF r(cell.origin.x, cell.origin.y, kColourCellSize.width, kColourCellSize.height);
            p.fillRect(r.adjusted(-2, -2, 2, 2), QColor(0x6a, 0x71, 0x7c));
            p.fillRect(r.adjusted(-1, -1, 1, 1), QColor(0x9a, 0xa1, 0xab));
            p.fillRect(r, QColor(cell.red, cell.green, cell.blue));
        }
        // Swatch well, value fields and the spectrum's frame.
        p.fillRect(QRectF(kColourSwatch.left - 2, kColourSwatch.top - 2, kColourSwatch.Width() + 4,
                          kColourSwatch.Height() + 4),
                   QColor(0x9a, 0xa1, 0xab));
        p.fillRect(QRectF(kColourSwatch.left - 1, kColourSwatch.top - 1, kColourSwatch.Width() + 2,
                          kColourSwatch.Height() + 2),
                   QColor(0x05, 0x06, 0x07));
        for (const Placement& f : {kColourRedField, kColourGreenField, kColourBlueField, kColourHueField,
                                   kColourSaturationField, kColourLuminosityField})
            Well(p, QRectF(f.x - 1, f.y - 1, f.width + 2, f.height + 1), 2);
        p.fillRect(QRectF(kColourSpectrum.x - 2, kColourSpectrum.y - 2, kColourSpectrum.width + 4,
                          kColourSpectrum.height + 4),
                   QColor(0x05, 0x06, 0x07));
        p.setPen(QPen(palette::kBorder, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(kColourSpectrum.x - 2.5, kColourSpectrum.y - 2.5, kColourSpectrum.width + 5,
                          kColourSpectrum.height + 5));
        for (const Placement& b : {kColourOkButton, kColourCancelButton})
            RaisedPlate(p, QRectF(b.x - 1, b.y - 1, b.width + 2, b.height + 2), 3);
    }
    Save(bg, folder, Window::Colour, "Color_BK.png");
}

// ---------------------------------------------------------------------------------------------
// Firmware update window and program bitmaps

void DrawUpdateWindow(const QString& folder)
{
    QImage bg = NewCanvas(kUpdateWindowSize);
    QPainter p(&bg);
    Smooth(p);
    WindowFrame(p, kUpdateWindowSize, 30);
    DialogTitle(p, "FIRMWARE UPDATE");
    Card(p, QRectF(10, 40, kUpdateWindowSize.width - 20, kUpdateWindowSize.height - 50));
    p.end();
    Save(bg, folder, Window::FirmwareUpdate, "UpdateWindow.png");
}

void SaveResource(const QImage& image, const QString& folder, int id)
{
    for (const ResourceImage& resource : kResourceImages) {
        if (resource.id != id) continue;
        if (image.width() != resource.size.width || image.height() != resource.size.height) {
            std::fprintf(stderr, "skingen: resource %d has the wrong size\n", id);
            std::exit(1);
        }
        SavePng(image, folder, QString("%1.png").arg(id));
        return;
    }
    std::fprintf(stderr, "skingen: resource %d is not in the layout\n", id);
    std::exit(1);
}

void DrawResources(const QString& folder)
{
    // Slider strips: the empty groove and the lit, filled one, on the panel colour.
    for (bool filled : {false, true}) {
        SaveResource(ComposeOn(palette::kPanel, kSliderTrackSize,
                               [&](QPainter& p, QRectF r) {
                                   // The groove spans the thumb's travel.
                                   const QRectF groove(2, 6, r.width() - 11, 5);
                                   if (filled) {
                                       QPainterPath s;
                                       s.addRoundedRect(groove, 2.5, 2.5);
                                       Glow(p, s, QColor(0xff, 0x2d, 0x44, 0xa0), 2, r.size().toSize());
                                       QLinearGradient g(groove.topLeft(), groove.bottomLeft());
                                       g.setColorAt(0, QColor(0xff, 0x6a, 0x7a));
                                       g.setColorAt(1, QColor(0xc8, 0x14, 0x2e));
                                       p.setPen(Qt::NoPen);
                                       p.setBrush(g);
                                       p.drawRoundedRect(groove, 2.5, 2.5);
                                   } else {
                                       p.setPen(QPen(QColor(0x05, 0x06, 0x07), 1));
                                       p.setBrush(palette::kWell);
                                       p.drawRoundedRect(groove.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
                                       p.fillRect(QRectF(3, groove.bottom() + 0.5, r.width() - 6, 1),
                                                  QColor(0xff, 0xff, 0xff, 0x12));
                                   }
                               }),
                     folder, filled ? kResourceTrackFilled : kResourceTrackEmpty);
    }
    SaveResource(ComposeOn(palette::kPanel, kSliderThumbSize,
                           [](QPainter& p, QRectF r) {
                               p.setPen(QPen(QColor(0x0a, 0x0b, 0x0d), 1));
                               p.setBrush(QColor(0xe0, 0xe3, 0xe8));
                               p.drawRoundedRect(r.adjusted(1.5, 0.5, -1.5, -0.5), 3, 3);
                           }),
                 folder, kResourceSliderThumb);
    // List icons on the black ground the lists paint their items on.
    SaveResource(ComposeOn(Qt::black, {10, 14},
                           [](QPainter& p, QRectF r) {
                               p.fillRect(QRectF(4, 1, 2, 7), palette::kAccent);
                               ArrowGlyph(p, QPointF(5, 9.5), 8, Arrow::Down, palette::kAccent);
                               p.fillRect(QRectF(1, 12, r.width() - 2, 1), QColor(0x9a, 0xa2, 0xad));
                           }),
                 folder, kResourceListKeyDown);
    SaveResource(ComposeOn(Qt::black, {10, 14},
                           [](QPainter& p, QRectF r) {
                               p.fillRect(QRectF(4, 6, 2, 7), QColor(0x4f, 0xd1, 0xff));
                               ArrowGlyph(p, QPointF(5, 4.5), 8, Arrow::Up, QColor(0x4f, 0xd1, 0xff));
                               p.fillRect(QRectF(1, 1, r.width() - 2, 1), QColor(0x9a, 0xa2, 0xad));
                           }),
                 folder, kResourceListKeyUp);
    SaveResource(ComposeOn(Qt::black, {14, 14},
                           [](QPainter& p, QRectF r) {
                               p.setPen(QPen(QColor(0xff, 0xc1, 0x4d), 1.3));
                               p.setBrush(Qt::NoBrush);
                               p.drawEllipse(r.adjusted(1.5, 1.5, -1.5, -1.5));
                               p.drawLine(QPointF(7, 7), QPointF(7, 3.5));
                               p.drawLine(QPointF(7, 7), QPointF(9.5, 8.5));
                           }),
                 folder, kResourceListDelay);
    // Tree markers on the key dialog's body colour.
    for (bool expanded : {false, true}) {
        SaveResource(ComposeOn(palette::kPanel, {9, 9},
                               [&](QPainter& p, QRectF r) {
                                   ArrowGlyph(p, r.center(), 7, expanded ? Arrow::Down : Arrow::Right,
                                              expanded ? palette::kAccent : QColor(0x9a, 0xa2, 0xad));
                               }),
                     folder, expanded ? kResourceTreeExpanded : kResourceTreeCollapsed);
    }
    // Application icon: the brand mark on a dark keycap, full bleed because icons are loaded
    // opaque like every other picture.
    SaveResource(ComposeOn(QColor(0x12, 0x14, 0x17), {128, 128},
                           [](QPainter& p, QRectF r) {
                               QLinearGradient g(r.topLeft(), r.bottomLeft());
                               g.setColorAt(0, QColor(0x34, 0x39, 0x42));
                               g.setColorAt(1, QColor(0x12, 0x14, 0x17));
                               p.fillRect(r, g);
                               p.setPen(QPen(palette::kAccent, 6));
                               p.setBrush(Qt::NoBrush);
                               p.drawRoundedRect(r.adjusted(7, 7, -7, -7), 16, 16);
                               BrandMark(p, r.adjusted(26, 28, -26, -28));
                           }),
                 folder, kResourceAppIcon);
}

} // namespace

void DrawAllArtwork(const QString& programFolder)
{
    const QDir root(programFolder);
    for (bool german : {false, true}) {
        const Language lang{german};
        auto folderOf = [&](Window w) {
            return root.filePath(QString::fromStdString(FolderOnDisk(w, german)));
        };
        DrawMainWindow(folderOf(Window::Main), lang);
        DrawProfilePanel(folderOf(Window::Profile), lang);
        DrawKeyDialog(folderOf(Window::KeyAssignment), lang);
        DrawMacroDialog(folderOf(Window::Macro), lang);
        DrawColourDialog(folderOf(Window::Colour), lang);
    }
    DrawUpdateWindow(root.filePath(QString::fromStdString(FolderOnDisk(Window::FirmwareUpdate, false))));
    DrawResources(root.filePath(QString::fromUtf8(kResourceFolder)));
}

void DrawDesktopIcons(const QString& themeFolder, const QString& iconName)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        // A keycap with transparent corners, unlike the skin pictures, which are copied opaque.
        QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
        icon.fill(Qt::transparent);
        QPainter p(&icon);
        Smooth(p);
        p.scale(size / 128.0, size / 128.0);
        const QRectF r(4, 4, 120, 120);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, QColor(0x34, 0x39, 0x42));
        g.setColorAt(1, QColor(0x12, 0x14, 0x17));
        p.setPen(QPen(palette::kAccent, size < 32 ? 10 : 6));
        p.setBrush(g);
        p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 22, 22);
        BrandMark(p, r.adjusted(22, 24, -22, -24));
        p.end();
        const QString folder = QDir(themeFolder).filePath(QStringLiteral("%1x%1/apps").arg(size));
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(iconName + QStringLiteral(".png"));
        if (!icon.save(path, "PNG")) {
            std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
    }
}

} // namespace corvane::skingen
