#include "skin/TransparentListBox.h"

#include "skin/EditHelper.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/WindowMessage.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace corvane {

namespace {

constexpr int kMinDelay = 2;
constexpr int kMaxDelay = 60000;

// Every row has the list's one item height.
class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    explicit FixedHeightDelegate(CTransparentListBox* list) : QStyledItemDelegate(list), list_(list) {}
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return QSize(list_->viewport()->width(), list_->ItemHeight());
    }

private:
    CTransparentListBox* list_;
};

// The number the text starts with, 0 when it starts with no digit. Long digit runs saturate
// instead of overflowing, so a huge entry still ends at the upper limit.
int LeadingNumber(const QString& text)
{
    qint64 value = 0;
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9') break;
        value = value * 10 + (c.unicode() - '0');
        if (value > kMaxDelay) return kMaxDelay + 1;
    }
    return static_cast<int>(value);
}

} // namespace

CTransparentListBox::CTransparentListBox(QWidget* parent)
    : QListWidget(parent), textColour_(RefFromColour(palette().color(QPalette::Text))),
      selectedTextColour_(RefFromColour(palette().color(QPalette::HighlightedText)))
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setItemDelegate(new FixedHeightDelegate(this));
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // Using the scroll bar takes the focus, which confirms an edit in progress.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int) {
        setFocus(Qt::OtherFocusReason);
        EndEditing(true);
    });
    MakeBackground();
}

CTransparentListBox::~CTransparentListBox()
{
    if (editor_ != nullptr) {
        // The editor outlives this part of the list for a moment; it must not report to it.
        editor_->SetNotifyTarget(nullptr);
    }
}

void CTransparentListBox::SetFontAndColours(int height, const QString& faceName, std::uint32_t textColour,
                                            std::uint32_t selectedTextColour, bool shadowOn,
                                            std::uint32_t shadowColour, int shadowOffset)
{
    textColour_ = textColour;
    selectedTextColour_ = selectedTextColour;
    shadowOn_ = shadowOn;
    shadowColour_ = shadowColour;
    shadowOffset_ = shadowOffset;
    font_ = CellHeightFont(faceName, height, 700);
    customFont_ = true;
    doItemsLayout();
    viewport()->update();
}

void CTransparentListBox::SetBackgroundImage(const QImage& image)
{
    backgroundSource_ = image;
    MakeBackground();
    viewport()->update();
}

void CTransparentListBox::SetItemHeight(int height)
{
    itemHeight_ = height;
    doItemsLayout();
    viewport()->update();
}

int CTransparentListBox::ItemHeight() const
{
    if (itemHeight_ > 0) return itemHeight_;
    return std::max(1, QFontMetrics(ItemFont()).size(Qt::TextSingleLine, QStringLiteral("XYZ")).height());
}

int CTransparentListBox::AddItem(const QString& text, std::uint32_t data)
{
    int row = count();
    if (sorted_) {
        for (int i = 0; i < count(); ++i) {
            if (QString::compare(item(i)->text(), text, Qt::CaseInsensitive) > 0) {
                row = i;
                break;
            }
        }
    }
    auto* entry = new QListWidgetItem(text);
    entry->setData(Qt::UserRole, QVariant::fromValue<uint>(data));
    insertItem(row, entry);
    return row;
}

int CTransparentListBox::InsertItem(int index, const QString& text, std::uint32_t data)
{
    if (index < 0) index = count();
    if (index > count()) return -1;
    auto* entry = new QListWidgetItem(text);
    entry->setData(Qt::UserRole, QVariant::fromValue<uint>(data));
    insertItem(index, entry);
    return index;
}

QString CTransparentListBox::ItemText(int index) const
{
    const QListWidgetItem* entry = item(index);
    return entry != nullptr ? entry->text() : QString();
}

std::uint32_t CTransparentListBox::ItemData(int index) const
{
    const QListWidgetItem* entry = item(index);
    return entry != nullptr ? entry->data(Qt::UserRole).toUInt() : 0;
}

void CTransparentListBox::SetItemData(int index, std::uint32_t data)
{
    if (QListWidgetItem* entry = item(index)) entry->setData(Qt::UserRole, QVariant::fromValue<uint>(data));
}

QFont CTransparentListBox::ItemFont() const
{
    return customFont_ ? font_ : font();
}

int CTransparentListBox::TopIndex() const
{
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : verticalScrollBar()->value();
}

QObject* CTransparentListBox::Target() const
{
    return target_ ? target_.data() : parent();
}

void CTransparentListBox::MakeBackground()
{
    const QSize size = viewport()->size().expandedTo(QSize(1, 1));
    background_ = QImage(size, QImage::Format_RGB32);
    background_.fill(Qt::black);
    if (!backgroundSource_.isNull()) {
        QPainter painter(&background_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, backgroundSource_);
    }
}

QImage CTransparentListBox::RenderItems()
{
    if (background_.size() != viewport()->size().expandedTo(QSize(1, 1))) MakeBackground();
    QImage picture = background_.copy();
    QPainter painter(&picture);
    const int height = ItemHeight();
    QRect rect(0, 0, viewport()->width(), height);
    for (int i = TopIndex(); i >= 0 && i < count() && rect.top() < viewport()->height(); ++i) {
        DrawItem(painter, i, rect, item(i)->isSelected());
        rect.translate(0, height);
    }
    return picture;
}

void CTransparentListBox::DrawItem(QPainter& painter, int index, const QRect& rect, bool selected)
{
    if (index < 0 || index >= count()) return;
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setFont(ItemFont());
    painter.drawImage(rect.topLeft(), background_, rect);

    QString text = item(index)->text();
    int icon = 0;
    if (mode_ == kModeDelay) {
        if (text.contains(QLatin1String("dn"))) {
            icon = layout::kResourceListKeyDown;
            text.remove(QLatin1String("dn"));
        } else if (text.contains(QLatin1String("up"))) {
            icon = layout::kResourceListKeyUp;
            text.remove(QLatin1String("up"));
        } else if (text.contains(QLatin1String("ms"))) {
            icon = layout::kResourceListDelay;
        }
    }
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextSingleLine;
    const bool enabled = isEnabled();
    if (shadowOn_) {
        painter.setPen(enabled ? ColourFromRef(shadowColour_) : QColor(255, 255, 255));
        painter.drawText(rect.translated(shadowOffset_, shadowOffset_), flags, text);
    }
    QColor colour(0, 0, 0);
    if (enabled) colour = ColourFromRef(selected ? selectedTextColour_ : textColour_);
    painter.setPen(colour);
    painter.drawText(rect, flags, text);
    if (icon != 0) {
        const QImage picture = LoadResourceImage(icon);
        if (!picture.isNull()) painter.drawImage(rect.left() + rect.width() - 20, rect.top(), picture);
    }
}

void CTransparentListBox::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, RenderItems());
}

void CTransparentListBox::BeginEditAt(const QPoint& p)
{
    const int selected = currentRow();
    if (selected < 0 || !item(selected)->isSelected()) return;
    const QString text = item(selected)->text();
    if (mode_ == kModeDelay && (text.contains(QLatin1String("up")) || text.contains(QLatin1String("dn"))))
        return;
    const int height = ItemHeight();
    const QRect rect(0, (selected - TopIndex()) * height, viewport()->width(), height);
    if (!rect.contains(p)) return;
    // A second double-click while editing first settles the edit under way.
    if (editor_ != nullptr) EndEditing(true);

    SendWindowMessage(Target(), UM_LIST_EDIT_BEGIN, 0, 0);
    if (selected >= count()) return;
    editor_ = new CEditHelper(viewport());
    editor_->SetNotifyTarget(this);
    editor_->setFrame(true);
    editor_->setGeometry(rect.adjusted(0, -2, 0, 2));
    editor_->setFont(ItemFont());
    QString shown = text;
    if (mode_ == kModeDelay) {
        shown.remove(QLatin1String(" ms"));
        editor_->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), editor_));
    }
    editor_->setText(shown);
    editor_->selectAll();
    editingIndex_ = selected;
    startingIndex_ = selected;
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
}

void CTransparentListBox::EndEditing(bool keep)
{
    if (editor_ == nullptr) return;
    CEditHelper* editor = editor_;
    if (keep && editingIndex_ >= 0 && editingIndex_ < count()) {
        const QString old = item(editingIndex_)->text();
        QString edited = editor->text();
        if (mode_ == kModeDelay) {
            const int value = std::clamp(LeadingNumber(edited), kMinDelay, kMaxDelay);
            edited = QString::number(value) + QStringLiteral(" ms");
            SendWindowMessage(Target(), UM_LIST_ITEM_EDITED, static_cast<std::uintptr_t>(editingIndex_),
                              value);
        }
        // The parent may have changed the list while handling the message.
        if (editingIndex_ >= 0 && editingIndex_ < count() && edited != old) {
            delete takeItem(editingIndex_);
            const int row = sorted_ ? AddItem(edited, 0) : InsertItem(editingIndex_, edited, 0);
            editingIndex_ = row;
            setCurrentRow(row);
            if (mode_ == kModeName)
                SendWindowMessage(Target(), UM_LIST_ITEM_EDITED, static_cast<std::uintptr_t>(startingIndex_),
                                  row);
        }
    }
    // Forget the edit before the editor goes: the focus loss its removal causes then finds
    // nothing to end.
    editingIndex_ = -1;
    editor_ = nullptr;
    if (editor->hasFocus()) setFocus(Qt::OtherFocusReason);
    editor->hide();
    editor->deleteLater();
    viewport()->update();
}

bool CTransparentListBox::event(QEvent* event)
{
    if (WindowMessageEvent* message = WindowMessageEvent::From(event)) {
        if (message->Message() == UM_EDIT_END) EndEditing(message->WParam() != 0);
        message->SetResult(0);
        return true;
    }
    return QListWidget::event(event);
}

void CTransparentListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) BeginEditAt(event->position().toPoint());
}

void CTransparentListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_F2 || event->modifiers() != Qt::NoModifier)
        return QListWidget::keyPressEvent(event);
    event->accept();
    if (QListWidgetItem* selected = currentItem(); selected != nullptr && selected->isSelected()) {
        scrollToItem(selected);
        BeginEditAt(visualItemRect(selected).center());
    }
}

void CTransparentListBox::wheelEvent(QWheelEvent* event)
{
    EndEditing(true);
    QListWidget::wheelEvent(event);
    viewport()->update();
    event->accept();
}

void CTransparentListBox::resizeEvent(QResizeEvent* event)
{
    QListWidget::resizeEvent(event);
    EndEditing(true);
    MakeBackground();
    viewport()->update();
}

void CTransparentListBox::scrollContentsBy(int dx, int dy)
{
    EndEditing(true);
    QListWidget::scrollContentsBy(dx, dy);
    viewport()->update();
}

} // namespace corvane
