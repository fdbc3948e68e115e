#pragma once
// VividTree: the tree of named functions. It keeps the tree's item handling and replaces its look:
// a dark background, white texts, a bar across the selected row (with or without the focus, so
// that the key's function shows when the dialog opens) and markers in front of items with
// children, which expand and collapse them where they are drawn.

#include <QImage>
#include <QTreeWidget>
#include <cstdint>

namespace corvane {

class VividTree : public QTreeWidget
{
    Q_OBJECT
public:
    static constexpr std::uint32_t kBackgroundColour = 0x1E1E1E;
    static constexpr std::uint32_t kTextColour = 0xFFFFFF;
    static constexpr std::uint32_t kSelectionColour = 0x2F2E66;

    explicit VividTree(QWidget* parent = nullptr);

    // Loads the collapsed and expanded markers (9 x 9), replacing any held.
    void LoadTreeImages();
    // Where the text of item starts once moved clear of the marker, in viewport coordinates.
    QRect ItemTextRect(QTreeWidgetItem* item) const;
    // Where item's marker is drawn and clicked, in viewport coordinates; empty for a leaf.
    QRect MarkerRect(QTreeWidgetItem* item) const;
    // The full paint of the viewport, as shown on the screen.
    QImage RenderItems();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Space opens or closes a category and chooses a function, as a click on it does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QImage collapsed_;
    QImage expanded_;
};

} // namespace corvane
