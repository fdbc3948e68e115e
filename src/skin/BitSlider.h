#pragma once
// CBitSlider: the value slider of the main window. It keeps a slider's range, position and
// keyboard stepping but draws nothing: it jumps to the clicked place, works out where the thumb
// picture belongs and tells its owner with UM_SLIDER_MOVED, and the owner paints track and thumb.

#include <QImage>
#include <QPointer>
#include <QSlider>

namespace corvane {

class CBitSlider : public QSlider
{
    Q_OBJECT
public:
    explicit CBitSlider(QWidget* parent = nullptr);

    // Creates the hidden thumb window once, then (every call) reloads the two track strips and
    // sizes the slider to the filled strip (220 x 17) without moving it.
    void SetUpSlider();

    void SetControlId(int id) { controlId_ = id; }
    int ControlId() const { return controlId_; }
    // Who receives UM_SLIDER_MOVED (the main window); the parent widget when unset.
    void SetOwner(QObject* owner) { owner_ = owner; }

    // Where the owner draws the thumb picture, in the slider's coordinates: its left edge, with
    // the picture centred on the point that stands for the current value.
    int ThumbOffsetX() const { return thumbOffsetX_; }
    int ThumbOffsetY() const { return thumbOffsetY_; }

    const QImage& EmptyTrack() const { return emptyTrack_; }
    const QImage& FilledTrack() const { return filledTrack_; }
    QSize ThumbSize() const { return thumbSize_; }

    // The slider's own geometry: the channel the thumb travels along and the thumb rectangle
    // for the current position, in slider coordinates.
    int ChannelLeft() const;
    int ChannelRight() const;
    QRect ThumbRect() const;
    // The value a click at slider x selects: (x - channel left) * range / channel width,
    // rounded half up, before clamping to the range.
    int ValueAtX(int x) const;

    // Recomputes the thumb offsets and sends UM_SLIDER_MOVED (done on every paint and mouse move).
    void RefreshThumb();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QWidget* thumbWindow_ = nullptr;
    QImage emptyTrack_;
    QImage filledTrack_;
    QSize thumbSize_{15, 14};
    int thumbOffsetX_ = 0;
    int thumbOffsetY_ = 0;
    int verticalOffset_ = 0;
    int controlId_ = 0;
    QPointer<QObject> owner_;
    bool dragging_ = false;
};

} // namespace corvane
