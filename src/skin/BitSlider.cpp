#include "skin/BitSlider.h"

#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/WindowMessage.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QWheelEvent>

namespace corvane {

namespace {

// The slider's own trackbar geometry: the thumb's centre travels from kChannelInset to
// width - kChannelInset, and the thumb rectangle is kThumbWidth wide around it.
constexpr int kChannelInset = 11;
constexpr int kThumbWidth = 11;
constexpr QSize kStripSize(220, 17);
constexpr QSize kThumbWindowSize(15, 14);

} // namespace

CBitSlider::CBitSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    // Moves without a button held also place the thumb picture.
    setMouseTracking(true);
}

void CBitSlider::SetUpSlider()
{
    if (thumbWindow_ == nullptr) {
        auto* thumb = new QLabel(this);
        const QImage picture = LoadResourceImage(layout::kResourceSliderThumb);
        if (!picture.isNull()) thumb->setPixmap(QPixmap::fromImage(picture));
        thumb->setGeometry(QRect(QPoint(0, 0), kThumbWindowSize));
        thumb->hide();
        thumbWindow_ = thumb;
        thumbSize_ = kThumbWindowSize;
    }
    emptyTrack_ = LoadResourceImage(layout::kResourceTrackEmpty);
    filledTrack_ = LoadResourceImage(layout::kResourceTrackFilled);
    // A missing strip must not shrink the slider to nothing: it would no longer take clicks.
    resize(filledTrack_.isNull() ? kStripSize : filledTrack_.size());
}

int CBitSlider::ChannelLeft() const
{
    return kChannelInset;
}

int CBitSlider::ChannelRight() const
{
    return std::max(width() - kChannelInset, kChannelInset + 1);
}

QRect CBitSlider::ThumbRect() const
{
    const int range = maximum() - minimum();
    const int span = ChannelRight() - ChannelLeft();
    const int centre = ChannelLeft() + (range > 0 ? (value() - minimum()) * span / range : 0);
    return QRect(centre - kThumbWidth / 2, 0, kThumbWidth, height());
}

int CBitSlider::ValueAtX(int x) const
{
    const double exact =
        static_cast<double>(x - ChannelLeft()) * (maximum() - minimum()) / (ChannelRight() - ChannelLeft());
    int result = static_cast<int>(exact);
    if (exact - result >= 0.5) ++result;
    return result;
}

void CBitSlider::RefreshThumb()
{
    // The picture is centred on the value point itself: drawn further left, a click on its middle
    // (or the start of a drag there) would select a lower value than the one shown.
    const QRect thumb = ThumbRect();
    const int valuePoint = thumb.left() + thumb.width() / 2;
    thumbOffsetX_ = valuePoint - thumbSize_.width() / 2;
    thumbOffsetY_ = verticalOffset_;
    QObject* owner = owner_ ? owner_.data() : parent();
    SendWindowMessage(owner, UM_SLIDER_MOVED, static_cast<std::uintptr_t>(controlId_), 0);
    if (thumbWindow_ != nullptr) thumbWindow_->hide();
}

void CBitSlider::paintEvent(QPaintEvent*)
{
    // The owner paints the track and thumb under this window; here only the place is worked out.
    RefreshThumb();
}

void CBitSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    dragging_ = true;
    setSliderDown(true);
    setValue(ValueAtX(event->position().toPoint().x()));
    RefreshThumb();
    event->accept();
}

void CBitSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_) setValue(ValueAtX(event->position().toPoint().x()));
    RefreshThumb();
    event->accept();
}

void CBitSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        setSliderDown(false);
    }
    event->accept();
}

void CBitSlider::wheelEvent(QWheelEvent* event)
{
    event->accept(); // the wheel does not move these sliders
}

} // namespace corvane
