#pragma once
// VividTree: the tree of named functions. It keeps the tree's item handling and replaces its look:
// a dark background, white texts, a bar across the selected row (only while the tree has the
// focus, unless the selection is to show always) and markers in front of items with children.

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
    // The selection bar shows even without the focus.
    void SetShowSelectionAlways(bool on);
    bool ShowSelectionAlways() const { return showSelectionAlways_; }

    // Where the text of item starts once moved clear of the marker, in viewport coordinates.
    QRect ItemTextRect(QTreeWidgetItem* item) const;
    // The full paint of the viewport, as shown on the screen.
    QImage RenderItems();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage collapsed_;
    QImage expanded_;
    bool showSelectionAlways_ = false;
};

} // namespace corvane
