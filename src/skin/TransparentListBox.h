#pragma once
// CTransparentListBox: the list of the skinned windows (profile names, macro names, macro event
// lines). It paints every item itself in a bold font with a drop shadow over a background picture,
// shows direction and delay icons on event lines, and lets the user edit the selected item in
// place by double-clicking it, telling its parent with UM_LIST_EDIT_BEGIN and UM_LIST_ITEM_EDITED.

#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <cstdint>

namespace corvane {

class CEditHelper;

class CTransparentListBox : public QListWidget
{
    Q_OBJECT
public:
    enum Mode : int {
        kModePlain = 0,
        kModeDelay = 1, // macro event lines: only delay lines are editable, as numbers
        kModeName = 3,  // names: renaming re-inserts the item
    };

    explicit CTransparentListBox(QWidget* parent = nullptr);
    ~CTransparentListBox() override;

    void SetFontAndColours(int height, const QString& faceName, std::uint32_t textColour,
                           std::uint32_t selectedTextColour, bool shadowOn, std::uint32_t shadowColour,
                           int shadowOffset);
    void SetMode(int mode) { mode_ = mode; }
    int Mode() const { return mode_; }
    // A sorted list sorts added items in, without regard to case.
    void SetSorted(bool sorted) { sorted_ = sorted; }
    bool Sorted() const { return sorted_; }
    // Who receives the list's messages; the parent widget when unset.
    void SetMessageTarget(QObject* target) { target_ = target; }
    // The picture under the items (for example the part of the parent's skin under the list);
    // blank (black) when none, scaled to nothing: it is copied at (0, 0).
    void SetBackgroundImage(const QImage& image);
    // Fixed item height in pixels; 0 = the height of "XYZ" in the item font.
    void SetItemHeight(int height);
    int ItemHeight() const;

    int AddItem(const QString& text, std::uint32_t data);
    int InsertItem(int index, const QString& text, std::uint32_t data); // -1 appends
    QString ItemText(int index) const;
    std::uint32_t ItemData(int index) const;
    void SetItemData(int index, std::uint32_t data);

    int EditingIndex() const { return editingIndex_; }
    CEditHelper* Editor() const { return editor_; }
    // Starts editing as a double-click at p (viewport coordinates) would.
    void BeginEditAt(const QPoint& p);
    // Ends an edit in progress, keeping or discarding the text (what UM_EDIT_END does).
    void EndEditing(bool keep);

    // The full paint of the item area, as shown on the screen.
    QImage RenderItems();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // F2 edits the selected item in place, as a double-click on it does.
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected);
    QFont ItemFont() const;
    int TopIndex() const;
    QObject* Target() const;
    void MakeBackground();

    CEditHelper* editor_ = nullptr;
    int editingIndex_ = -1;
    int startingIndex_ = -1;
    int mode_ = kModePlain;
    bool sorted_ = false;
    std::uint32_t textColour_;
    std::uint32_t selectedTextColour_;
    std::uint32_t shadowColour_ = 0;
    bool customFont_ = false;
    QFont font_;
    QImage background_;
    QImage backgroundSource_;
    int shadowOffset_ = 3;
    bool shadowOn_ = false;
    int itemHeight_ = 0;
    QPointer<QObject> target_;
};

} // namespace corvane
