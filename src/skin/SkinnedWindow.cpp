#include "skin/SkinnedWindow.h"

#include <QKeyEvent>

#include "skin/SkinImage.h"

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
}

void SkinnedDialog::SetSkin(const QString& folder, const QString& backgroundFile)
{
    frame_.SetBackground(folder, backgroundFile);
    FullPaint();
}

void SkinnedDialog::FullPaint()
{
    stale_ = true;
    update();
}

void SkinnedDialog::PartialRedraw(const QRect& area, const std::function<void(QPainter&)>& draw)
{
    if (stale_ || !frame_.DrawPartial(draw)) {
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
    const QImage& frame = frame_.Compose([this](QPainter& painter) { PaintElements(painter); });
    composing_ = false;
    return frame;
}

void SkinnedDialog::SettleBeforePaint() {}

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
