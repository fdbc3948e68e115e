#include "skin/VividTree.h"

#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>

namespace corvane {

namespace {

// Texts stand this far right of where the tree places them, leaving room for the markers.
constexpr int kTextShift = 7;
// The markers' size when their pictures are missing, so that categories still open by a click.
constexpr QSize kMarkerSize{9, 9};

// The view expands an item on a click where its style puts the branch indicator: that is where
// the marker is drawn, not the indentation the view would use.
class MarkerHitStyle final : public QProxyStyle
{
public:
    MarkerHitStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const override
    {
        const auto* tree = qobject_cast<const VividTree*>(widget);
        if (element != SE_TreeViewDisclosureItem || tree == nullptr || option == nullptr)
            return QProxyStyle::subElementRect(element, option, widget);
        return tree->MarkerRect(tree->itemAt(QPoint(0, option->rect.center().y())));
    }
};

} // namespace

VividTree::VividTree(QWidget* parent) : QTreeWidget(parent)
{
    // A child of the tree, so it goes with it.
    auto* style = new MarkerHitStyle;
    style->setParent(this);
    setStyle(style);
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

QRect VividTree::ItemTextRect(QTreeWidgetItem* item) const
{
    if (item == nullptr) return {};
    return visualItemRect(item).translated(kTextShift, 0);
}

QRect VividTree::MarkerRect(QTreeWidgetItem* item) const
{
    if (item == nullptr || item->childCount() == 0) return {};
    const QImage& marker = item->isExpanded() ? expanded_ : collapsed_;
    const QSize size = marker.isNull() ? kMarkerSize : marker.size();
    const QRect text = ItemTextRect(item);
    return {QPoint(text.left() - size.width() - 2, text.top() + 4), size};
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

    for (QTreeWidgetItem* entry = itemAt(QPoint(0, 0)); entry != nullptr; entry = itemBelow(entry)) {
        const QRect text = ItemTextRect(entry);
        if (text.top() >= size.height()) break;
        if (entry->isSelected()) {
            painter.fillRect(QRect(0, text.top(), scrollWidth + originX, text.height()),
                             ColourFromRef(kSelectionColour));
        }
        const QImage& marker = entry->isExpanded() ? expanded_ : collapsed_;
        if (entry->childCount() > 0 && !marker.isNull())
            painter.drawImage(MarkerRect(entry).topLeft(), marker);
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

namespace corvane {

void VividTree::keyPressEvent(QKeyEvent* event)
{
    QTreeWidgetItem* item = currentItem();
    if (event->key() == Qt::Key_Space && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        item != nullptr) {
        event->accept();
        if (event->isAutoRepeat()) return;
        if (item->childCount() > 0) item->setExpanded(!item->isExpanded());
        item->setSelected(true);
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace corvane
