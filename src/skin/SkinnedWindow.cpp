#include "skin/SkinnedWindow.h"

#include <QKeyEvent>

#include "skin/SkinImage.h"
#include "skin/SkinnedAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QPen>
#include <QScopedValueRollback>

#include <QPaintEvent>
#include <QPainter>
#include <cstring>
#include <utility>

namespace corvane {

void SkinFrame::SetBackground(const QString& folder, const QString& fileName)
{
    folder_ = folder;
    background_ = fileName;
}

QSize SkinFrame::BackgroundSize() const
{
    const QImage image = SkinImageCache::Instance().Image(JoinSkinPath(folder_, background_));
    return image.isNull() ? QSize(0, 0) : image.size();
}

const QImage& SkinFrame::Compose(const std::function<void(QPainter&)>& drawElements)
{
    const QImage background = SkinImageCache::Instance().Image(JoinSkinPath(folder_, background_));
    if (background.isNull()) {
        frame_ = QImage();
        return frame_;
    }
    // The background is the composition buffer; the kept frame's memory is reused when it fits.
    if (frame_.size() != background.size() || frame_.format() != background.format() ||
        frame_.bytesPerLine() != background.bytesPerLine()) {
        frame_ = QImage(background.size(), background.format());
    }
    std::memcpy(frame_.bits(), background.constBits(), static_cast<std::size_t>(background.sizeInBytes()));
    if (drawElements) {
        QPainter painter(&frame_);
        drawElements(painter);
    }
    return frame_;
}

bool SkinFrame::DrawPartial(const std::function<void(QPainter&)>& draw)
{
    if (frame_.isNull()) return false;
    QPainter painter(&frame_);
    draw(painter);
    return true;
}

void SkinFrame::CopyTo(QPainter& painter, const QRect& area) const
{
    if (frame_.isNull()) return;
    const QRect part = area.intersected(frame_.rect());
    if (part.isEmpty()) return;
    const QPainter::CompositionMode old = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(part.topLeft(), frame_, part);
    painter.setCompositionMode(old);
}

SkinnedDialog::SkinnedDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    // The frame covers the whole window, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    InstallSkinnedAccessibility();
    // A child widget's focus mark is drawn on the window around the widget.
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const auto mine = [this](QWidget* w) { return w != nullptr && (w == this || isAncestorOf(w)); };
        if (mine(old) || mine(now)) {
            // A child widget takes the focus from a drawn control; another window only borrows it.
            if (now != nullptr && now != this && isAncestorOf(now)) focusedId_.reset();
            if (focusVisible_) FullPaint();
        }
    });
}

SkinnedDialog::~SkinnedDialog()
{
    disconnect(focusWatch_);
}

void SkinnedDialog::SetSkin(const QString& folder, const QString& backgroundFile)
{
    frame_.SetBackground(folder, backgroundFile);
    FullPaint();
}

void SkinnedDialog::FullPaint()
{
    stale_ = true;
    ControlsChanged();
    update();
}

void SkinnedDialog::PartialRedraw(const QRect& area, const std::function<void(QPainter&)>& draw)
{
    ControlsChanged();
    if (stale_ || !frame_.DrawPartial([&](QPainter& painter) {
            draw(painter);
            PaintFocusMark(painter);
        })) {
        FullPaint();
        return;
    }
    update(area);
}

QImage SkinnedDialog::ComposeFrame()
{
    composing_ = true;
    SettleBeforePaint();
    stale_ = false;
    const QImage& frame = frame_.Compose([this](QPainter& painter) {
        PaintElements(painter);
        PaintFocusMark(painter);
    });
    composing_ = false;
    TellAssistiveTechnology();
    return frame;
}

void SkinnedDialog::SettleBeforePaint() {}

DrawnControlList SkinnedDialog::ListControls() const
{
    return {};
}

void SkinnedDialog::ControlsChanged()
{
    controls_.reset();
}

const DrawnControlList& SkinnedDialog::Controls() const
{
    if (!controls_) controls_ = ListControls();
    return *controls_;
}

std::optional<int> SkinnedDialog::FocusedControl() const
{
    if (!focusedId_ || !hasFocus() || FindControl(Controls(), *focusedId_) == nullptr) return std::nullopt;
    return focusedId_;
}

void SkinnedDialog::FocusControl(int id)
{
    const DrawnControl* control = FindControl(Controls(), id);
    if (control == nullptr || control->disabled || !control->focusable) return;
    focusedId_ = id;
    if (control->group != 0) lastFocusedInGroup_[control->group] = id;
    focusVisible_ = true;
    // The window's focus is told by Qt; the control inside it once the window is painted.
    if (!hasFocus()) setFocus(Qt::TabFocusReason);
    FullPaint();
}

void SkinnedDialog::PressControl(int id, Press when)
{
    if (when == Press::kQueued) {
        QMetaObject::invokeMethod(
            this, [this, id] { PressControl(id, Press::kNow); }, Qt::QueuedConnection);
        return;
    }
    const DrawnControl* control = FindControl(Controls(), id);
    if (control == nullptr || control->disabled || pressing_) return;
    const DrawnControl pressed = *control; // the list may be rebuilt while the press runs
    const QScopedValueRollback<bool> guard(pressing_, true);
    ActivateControl(pressed);
}

void SkinnedDialog::ActivateControl(const DrawnControl& control)
{
    const QPointer<SkinnedDialog> alive(this);
    const QPointF local = control.rect.center();
    const QPointF global = mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(this, &move);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(this, &press);
    if (!alive) return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(this, &release);
}

QRect SkinnedDialog::FocusMarkArea(const DrawnControl& control) const
{
    if (QWidget* w = control.widget.data()) return w->geometry().adjusted(-3, -3, 2, 2);
    return control.rect.adjusted(-2, -2, 1, 1);
}

void SkinnedDialog::PaintFocusMark(QPainter& painter) const
{
    if (!focusVisible_) return;
    const DrawnControl* focused = nullptr;
    if (focusedId_ && hasFocus()) {
        focused = FindControl(Controls(), *focusedId_);
    } else if (QWidget* now = QApplication::focusWidget();
               now != nullptr && now != this && isAncestorOf(now)) {
        for (const DrawnControl& control : Controls())
            if (control.widget && (control.widget == now || control.widget->isAncestorOf(now)))
                focused = &control;
    }
    if (focused == nullptr) return;
    const QRect area = FocusMarkArea(*focused).intersected(rect().adjusted(0, 0, -1, -1));
    if (area.isEmpty()) return;
    // The skin's light text colour, dotted, with a dark line beneath so it shows on any artwork.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.drawRect(area);
    QPen dots(QColor(255, 196, 64), 1, Qt::DotLine);
    painter.setPen(dots);
    painter.drawRect(area);
    painter.restore();
}

void SkinnedDialog::TellAssistiveTechnology()
{
    if (!QAccessible::isActive()) return;
    if (auto* accessible =
            dynamic_cast<SkinnedDialogAccessible*>(QAccessible::queryAccessibleInterface(this)))
        accessible->TellChanges(Controls());
}

bool SkinnedDialog::focusNextPrevChild(bool next)
{
    const DrawnControlList& controls = Controls();
    if (controls.empty()) return QDialog::focusNextPrevChild(next);
    std::optional<std::size_t> current;
    QWidget* now = QApplication::focusWidget();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const DrawnControl& control = controls[i];
        const bool here =
            control.widget ? (now != nullptr && (control.widget == now || control.widget->isAncestorOf(now)))
                           : (now == this && focusedId_ == control.id);
        if (here) current = i;
    }
    const std::optional<std::size_t> target = NextTabStop(controls, current, next, lastFocusedInGroup_);
    if (!target) return true;
    const DrawnControl& stop = controls[*target];
    focusVisible_ = true;
    if (QWidget* w = stop.widget.data()) {
        focusedId_.reset();
        w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        FullPaint();
    } else {
        FocusControl(stop.id);
    }
    return true;
}

void SkinnedDialog::keyPressEvent(QKeyEvent* event)
{
    const std::optional<int> focused = FocusedControl();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier | Qt::ControlModifier);
    if (focused && modifiers == Qt::NoModifier) {
        std::optional<ArrowDirection> direction;
        switch (event->key()) {
        case Qt::Key_Space:
            event->accept();
            if (!event->isAutoRepeat()) PressControl(*focused);
            return;
        case Qt::Key_Left:
            direction = ArrowDirection::kLeft;
            break;
        case Qt::Key_Right:
            direction = ArrowDirection::kRight;
            break;
        case Qt::Key_Up:
            direction = ArrowDirection::kUp;
            break;
        case Qt::Key_Down:
            direction = ArrowDirection::kDown;
            break;
        default:
            break;
        }
        if (direction) {
            event->accept();
            const DrawnControlList& controls = Controls();
            for (std::size_t i = 0; i < controls.size(); ++i) {
                if (controls[i].widget || controls[i].id != *focused) continue;
                if (const auto to = NeighbourInDirection(controls, i, *direction))
                    FocusControl(controls[*to].id);
                break;
            }
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void SkinnedDialog::PaintElements(QPainter&) {}

std::intptr_t SkinnedDialog::WindowMessage(std::uint32_t, std::uintptr_t, std::intptr_t)
{
    return 0;
}

void SkinnedDialog::paintEvent(QPaintEvent* event)
{
    if (stale_) ComposeFrame();
    QPainter painter(this);
    frame_.CopyTo(painter, event->rect());
}

bool SkinnedDialog::event(QEvent* event)
{
    // The mouse takes over from the keyboard: the mark goes until the next Tab.
    if (event->type() == QEvent::MouseButtonPress && !pressing_ && focusVisible_) {
        focusVisible_ = false;
        FullPaint();
    }
    if (WindowMessageEvent* message = WindowMessageEvent::From(event)) {
        const std::optional<std::uint32_t> outer = std::exchange(messageTime_, message->Time());
        message->SetResult(WindowMessage(message->Message(), message->WParam(), message->LParam()));
        messageTime_ = outer;
        return true;
    }
    return QDialog::event(event);
}

bool SkinnedDialog::EndsDialog(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

bool SkinnedDialog::IgnoreEndingKey(QKeyEvent* event)
{
    if (!EndsDialog(event->key())) return false;
    event->accept();
    return true;
}

} // namespace corvane
