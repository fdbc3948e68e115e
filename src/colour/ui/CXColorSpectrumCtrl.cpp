#include "colour/ui/CXColorSpectrumCtrl.h"

#include "colour/ui/SpectrumAccessible.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <cstdlib>

namespace corvane {

namespace {

constexpr QRgb kSpectrumGround = qRgb(0x97, 0x97, 0x97);
// The keyboard's big step: the limits turn it into the end of the range.
constexpr int kBigStep = 20000;
constexpr int kArrowHeight = 17;
constexpr int kCrosshairSize = 19;

QRgb PixelOf(std::uint32_t colour)
{
    return qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

std::uint32_t ColourOfPixel(QRgb pixel)
{
    return ColourRef(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

bool CrosshairMask(int column, int row)
{
    const bool middleColumns = column >= 8 && column <= 10;
    const bool middleRows = row >= 8 && row <= 10;
    const bool outerRow = row <= 4 || row >= 14;
    const bool outerColumn = column <= 4 || column >= 14;
    return (middleColumns && outerRow) || (middleRows && outerColumn);
}

} // namespace

CXColorSpectrumCtrl::CXColorSpectrumCtrl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    InstallSpectrumAccessibility();
}

QString CXColorSpectrumCtrl::HashName(std::uint32_t colour)
{
    return QString::asprintf("#%02X%02X%02X", RedOf(colour), GreenOf(colour), BlueOf(colour));
}

void CXColorSpectrumCtrl::SetPartNames(const QString& field, const QString& bar)
{
    fieldName_ = field;
    barName_ = bar;
}

void CXColorSpectrumCtrl::FocusPart(bool bar)
{
    // Focus arriving from outside picks the part by its reason, as Tab and Shift+Tab do.
    if (!hasFocus()) setFocus(bar ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    if (barFocused_ == bar && spectrumFocused_ == !bar) return;
    barFocused_ = bar;
    spectrumFocused_ = !bar;
    update();
    TellFocus();
}

void CXColorSpectrumCtrl::ChooseLuminosity(int luminosity)
{
    ChangeHsl(hsl_.hue, hsl_.saturation, luminosity, true);
}

void CXColorSpectrumCtrl::TellColour()
{
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* self = QAccessible::queryAccessibleInterface(this);
    if (self == nullptr) return;
    QAccessibleEvent named(self->child(SpectrumAccessible::kField), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleValueChangeEvent value(self->child(SpectrumAccessible::kBar), hsl_.luminosity);
    QAccessible::updateAccessibility(&value);
}

void CXColorSpectrumCtrl::TellFocus()
{
    if (!QAccessible::isActive() || !hasFocus() || !(spectrumFocused_ || barFocused_)) return;
    QAccessibleInterface* self = QAccessible::queryAccessibleInterface(this);
    if (self == nullptr) return;
    QAccessibleEvent focus(self->child(barFocused_ ? SpectrumAccessible::kBar : SpectrumAccessible::kField),
                           QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

bool CXColorSpectrumCtrl::Create(QWidget* parent, const QRect& rect, int id, std::uint32_t colour,
                                 int toolTipFormat)
{
    if (parent == nullptr) return false;
    if (parentWidget() != parent) setParent(parent);
    id_ = id;
    toolTipFormat_ = toolTipFormat;
    setGeometry(rect);
    geometry_ = {rect.width(), rect.height()};
    spectrum_ = QImage();
    SetColour(colour);
    show();
    return true;
}

void CXColorSpectrumCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (geometry_.width == width() && geometry_.height == height()) return;
    geometry_ = {width(), height()};
    spectrum_ = QImage();
    if (colour_ != kNoColour) SetColour(colour_);
}

void CXColorSpectrumCtrl::SetColour(std::uint32_t colour)
{
    colour_ = colour & 0x00FFFFFFu;
    hsl_ = RgbToHsl(colour_);
    crosshair_ = {geometry_.CrosshairX(hsl_.hue), geometry_.CrosshairY(hsl_.saturation)};
    arrowOffset_ = geometry_.ArrowOffset(hsl_.luminosity);
    update();
    TellColour();
}

void CXColorSpectrumCtrl::SetHslColour(int hue, int saturation, int luminosity)
{
    ChangeHsl(hue, saturation, luminosity, false);
}

void CXColorSpectrumCtrl::ChangeHsl(int hue, int saturation, int luminosity, bool notify)
{
    hsl_ = ClampHsl(hue, saturation, luminosity);
    colour_ = HslToRgb(hsl_.hue, hsl_.saturation, hsl_.luminosity);
    crosshair_ = {geometry_.CrosshairX(hsl_.hue), geometry_.CrosshairY(hsl_.saturation)};
    arrowOffset_ = geometry_.ArrowOffset(hsl_.luminosity);
    update();
    TellColour();
    if (notify) Notify();
}

void CXColorSpectrumCtrl::Notify()
{
    if (colour_ == kNoColour) return;
    lastSent_ = colour_;
    emit SelectionChanged(colour_, id_);
}

// ---- Drawing -------------------------------------------------------------------------------

void CXColorSpectrumCtrl::BuildSpectrum()
{
    const int w = geometry_.width;
    const int h = geometry_.height;
    const int columns = geometry_.SpectrumWidth();
    spectrum_ = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    spectrum_.fill(kSpectrumGround);
    if (columns < 2 || h < 2) return;
    // Saturation 240 lands on row 10; rows at or below the bottom edge are dropped, so the
    // picture runs down to the last row while picking stops ten rows earlier.
    for (int i = 0; i < columns; ++i) {
        for (int k = 0; k < h; ++k) {
            const int y = h + 9 - k;
            if (y < 0 || y >= h) continue;
            spectrum_.setPixel(i, y, PixelOf(HslToRgb(240 * i / (columns - 1), 240 * k / (h - 1), 120)));
        }
    }
}

void CXColorSpectrumCtrl::DrawCrosshair(QImage& frame) const
{
    const QRgb colour =
        (spectrumFocused_ ? palette().color(QPalette::WindowText) : palette().color(QPalette::Base)).rgb();
    const int left = crosshair_.x() - kCrosshairSize / 2;
    const int top = crosshair_.y() - kCrosshairSize / 2;
    for (int row = 0; row < kCrosshairSize; ++row)
        for (int column = 0; column < kCrosshairSize; ++column) {
            const int x = left + column;
            const int y = top + row;
            if (CrosshairMask(column, row) && geometry_.InSpectrum(x, y)) frame.setPixel(x, y, colour);
        }
}

void CXColorSpectrumCtrl::DrawBar(QImage& frame) const
{
    const int depth = geometry_.Depth();
    if (depth < 2) return;
    for (int i = 0; i < depth; ++i) {
        const int y = depth + 9 - i;
        if (y < 0 || y >= frame.height()) continue;
        const QRgb pixel = PixelOf(HslToRgb(hsl_.hue, hsl_.saturation, 240 * i / (depth - 1)));
        for (int x = geometry_.BarColourLeft(); x < geometry_.BarColourRight(); ++x)
            if (x >= 0 && x < frame.width()) frame.setPixel(x, y, pixel);
    }
}

void CXColorSpectrumCtrl::DrawArrow(QImage& frame) const
{
    const QRgb outline = palette().color(QPalette::WindowText).rgb();
    const QRgb fill =
        (barFocused_ ? palette().color(QPalette::WindowText) : palette().color(QPalette::Dark)).rgb();
    const int barHeight = geometry_.BarBottom() - geometry_.BarTop();
    const int top = std::min(arrowOffset_, barHeight - kArrowHeight) + 2;
    const int left = geometry_.ArrowLeft();
    for (int row = 0; row < kArrowHeight; ++row) {
        const int tip = std::abs(8 - row);
        for (int column = tip; column <= 8; ++column) {
            const int x = left + column;
            const int y = top + row;
            if (x < 0 || y < 0 || x >= frame.width() || y >= frame.height()) continue;
            frame.setPixel(x, y, column == tip || column == 8 ? outline : fill);
        }
    }
}

QImage CXColorSpectrumCtrl::Render()
{
    if (spectrum_.isNull() || spectrum_.size() != QSize(geometry_.width, geometry_.height)) BuildSpectrum();
    QImage frame = spectrum_.copy();
    DrawCrosshair(frame);
    DrawBar(frame);
    DrawArrow(frame);
    return frame;
}

void CXColorSpectrumCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Render());
}

// ---- Mouse ---------------------------------------------------------------------------------

void CXColorSpectrumCtrl::PickInSpectrum(const QPoint& point)
{
    hsl_.hue = geometry_.HueAt(point.x());
    hsl_.saturation = geometry_.SaturationAt(point.y());
    colour_ = HslToRgb(hsl_.hue, hsl_.saturation, hsl_.luminosity);
    // The cross-hair goes where the user pointed, not where the rounded colour would put it.
    crosshair_ = point;
    update();
    TellColour();
    Notify();
}

void CXColorSpectrumCtrl::PickInBar(const QPoint& point)
{
    hsl_.luminosity = geometry_.LuminosityAt(point.y());
    colour_ = HslToRgb(hsl_.hue, hsl_.saturation, hsl_.luminosity);
    arrowOffset_ = geometry_.ArrowOffset(hsl_.luminosity);
    update();
    TellColour();
    Notify();
}

void CXColorSpectrumCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPoint p = event->position().toPoint();
    if (geometry_.InSpectrum(p.x(), p.y())) {
        setFocus(Qt::MouseFocusReason);
        spectrumFocused_ = true;
        barFocused_ = false;
        trackingSpectrum_ = true;
        TellFocus();
        PickInSpectrum(p);
    } else if (geometry_.InBar(p.x(), p.y())) {
        setFocus(Qt::MouseFocusReason);
        barFocused_ = true;
        spectrumFocused_ = false;
        trackingBar_ = true;
        TellFocus();
        PickInBar(p);
    }
}

void CXColorSpectrumCtrl::mouseMoveEvent(QMouseEvent* event)
{
    // A drag lasts only while the primary button is held; a release elsewhere ends it too.
    if (!(event->buttons() & Qt::LeftButton)) {
        trackingSpectrum_ = false;
        trackingBar_ = false;
    }
    const QPoint p = event->position().toPoint();
    if (trackingBar_ && geometry_.InBar(p.x(), p.y())) PickInBar(p);
    if (trackingSpectrum_ && geometry_.InSpectrum(p.x(), p.y())) PickInSpectrum(p);
}

void CXColorSpectrumCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        trackingSpectrum_ = false;
        trackingBar_ = false;
    }
}

void CXColorSpectrumCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || colour_ == kNoColour) return;
    if (geometry_.InSpectrum(p.x(), p.y()) || geometry_.InBar(p.x(), p.y()))
        emit SelectionEndOk(colour_, id_);
}

// ---- Keyboard and focus --------------------------------------------------------------------

void CXColorSpectrumCtrl::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int step = modifiers & Qt::ControlModifier ? 1 : modifiers & Qt::ShiftModifier ? 10 : 5;
    int h = hsl_.hue;
    int s = hsl_.saturation;
    int l = hsl_.luminosity;
    // Up and Down move saturation in the spectrum and luminosity in the bar.
    int& vertical = barFocused_ ? l : s;
    const bool focused = spectrumFocused_ || barFocused_;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!spectrumFocused_) return event->accept();
        h += event->key() == Qt::Key_Left ? -step : step;
        break;
    case Qt::Key_Up:
        vertical += step;
        break;
    case Qt::Key_Down:
        vertical -= step;
        break;
    case Qt::Key_PageUp:
        vertical += kBigStep;
        break;
    case Qt::Key_PageDown:
        vertical -= kBigStep;
        break;
    case Qt::Key_Home:
        if (spectrumFocused_)
            h -= kBigStep;
        else
            l += kBigStep;
        break;
    case Qt::Key_End:
        if (spectrumFocused_)
            h += kBigStep;
        else
            l -= kBigStep;
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    event->accept();
    if (!focused) return;
    ChangeHsl(h, s, l, true);
}

void CXColorSpectrumCtrl::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    // A click chooses the part itself; otherwise Shift (arriving backwards) means the bar.
    if (event->reason() == Qt::MouseFocusReason) return;
    const bool backwards = event->reason() == Qt::BacktabFocusReason ||
                           (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
    barFocused_ = backwards;
    spectrumFocused_ = !backwards;
    update();
    TellFocus();
}

void CXColorSpectrumCtrl::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    spectrumFocused_ = false;
    barFocused_ = false;
    trackingSpectrum_ = false;
    trackingBar_ = false;
    update();
}

bool CXColorSpectrumCtrl::focusNextPrevChild(bool next)
{
    // Tab moves from the spectrum to the bar, Shift+Tab back; only then does focus leave.
    if (next && spectrumFocused_) {
        spectrumFocused_ = false;
        barFocused_ = true;
        update();
        TellFocus();
        return true;
    }
    if (!next && barFocused_) {
        barFocused_ = false;
        spectrumFocused_ = true;
        update();
        TellFocus();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

// ---- Tool tip ------------------------------------------------------------------------------

QString CXColorSpectrumCtrl::ToolTipTextAt(const QPoint& point)
{
    if (toolTipFormat_ == kNoToolTip) return {};
    std::uint32_t colour = 0;
    const bool inBarColumn = point.x() >= geometry_.BarColourLeft() &&
                             point.x() < geometry_.BarColourRight() && point.y() >= geometry_.BarTop() &&
                             point.y() < geometry_.BarBottom();
    if (geometry_.InSpectrum(point.x(), point.y())) {
        if (spectrum_.isNull()) BuildSpectrum();
        colour = ColourOfPixel(spectrum_.pixel(point));
    } else if (inBarColumn) {
        colour = ColourOfPixel(Render().pixel(point)); // what the bar shows there
    } else {
        return {};
    }
    const int r = RedOf(colour);
    const int g = GreenOf(colour);
    const int b = BlueOf(colour);
    QString text;
    switch (toolTipFormat_) {
    case kToolTipHash:
        text = HashName(colour);
        break;
    case kToolTipHex:
        text = QString::asprintf("%02X%02X%02X", b, g, r);
        break;
    case kToolTipHsl: {
        const Hsl hsl = RgbToHsl(colour);
        text = QString::asprintf("HSL(%d,%d,%d)", hsl.hue, hsl.saturation, hsl.luminosity);
        break;
    }
    default:
        text = QString::asprintf("RGB(%d,%d,%d)", r, g, b);
        break;
    }
    return text.left(80);
}

bool CXColorSpectrumCtrl::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString text = ToolTipTextAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

} // namespace corvane
