#include "skin/VividTree.h"

#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"

#include <QPainter>
#include <QScrollBar>

namespace corvane {

namespace {

// Texts stand this far right of where the tree places them, leaving room for the markers.
constexpr int kTextShift = 7;

} // namespace

VividTree::VividTree(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

void VividTree::LoadTreeImages()
{
    collapsed_ = LoadResourceImage(layout::kResourceTreeCollapsed);
    expanded_ = LoadResourceImage(layout::kResourceTreeExpanded);
    viewport()->update();
}

void VividTree::SetShowSelectionAlways(bool on)
{
    showSelectionAlways_ = on;
    viewport()->update();
}

QRect VividTree::ItemTextRect(QTreeWidgetItem* item) const
{
    if (item == nullptr) return {};
    return visualItemRect(item).translated(kTextShift, 0);
}

QImage VividTree::RenderItems()
{
    const QSize size = viewport()->size().expandedTo(QSize(1, 1));
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), ColourFromRef(kBackgroundColour));
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);

    // The bar spans the whole scrollable row, shifted with the horizontal scroll.
    const QScrollBar* horizontal = horizontalScrollBar();
    int originX = 0;
    int scrollWidth = size.width();
    if (horizontal->maximum() > 0) {
        originX = -horizontal->value();
        scrollWidth = std::max(size.width(), horizontal->maximum() + horizontal->pageStep());
    }

    const bool showSelection = hasFocus() || showSelectionAlways_;
    for (QTreeWidgetItem* entry = itemAt(QPoint(0, 0)); entry != nullptr; entry = itemBelow(entry)) {
        const QRect text = ItemTextRect(entry);
        if (text.top() >= size.height()) break;
        if (showSelection && entry->isSelected()) {
            painter.fillRect(QRect(0, text.top(), scrollWidth + originX, text.height()),
                             ColourFromRef(kSelectionColour));
        }
        if (entry->childCount() > 0) {
            const QImage& marker = entry->isExpanded() ? expanded_ : collapsed_;
            if (!marker.isNull()) painter.drawImage(text.left() - marker.width() - 2, text.top() + 4, marker);
        }
        painter.setPen(ColourFromRef(kTextColour));
        painter.drawText(text.adjusted(0, 1, 0, -1), Qt::AlignLeft | Qt::AlignTop, entry->text(0));
    }
    return picture;
}

void VividTree::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, RenderItems());
}

} // namespace corvane
