#include "SkinTestSupport.h"

#include "skin/SkinDraw.h"
#include "skin/VividTree.h"

#include <QScrollBar>
#include <QTest>

namespace corvane {
namespace {

using testing::SkinFolderTest;

constexpr QRgb kCollapsed = qRgb(200, 0, 200);
constexpr QRgb kExpanded = qRgb(0, 200, 200);

class VividTreeTest : public SkinFolderTest
{
protected:
    void SetUp() override
    {
        SkinFolderTest::SetUp();
        WriteSolid("png/res/133.png", {9, 9}, kCollapsed);
        WriteSolid("png/res/134.png", {9, 9}, kExpanded);
        tree = new VividTree(&window);
        tree->setGeometry(0, 0, 220, 200);
        tree->LoadTreeImages();
        for (const char* name : {"Media", "Shortcut", "Windows"}) {
            auto* category = new QTreeWidgetItem(tree, QStringList{name});
            for (int i = 0; i < 12; ++i)
                new QTreeWidgetItem(category, QStringList{QString("%1 %2").arg(name).arg(i)});
        }
        window.resize(240, 220);
    }
    QTreeWidgetItem* Category(int i) const { return tree->topLevelItem(i); }
    QRgb Bar() const { return ColourFromRef(VividTree::kSelectionColour).rgb(); }
    QRgb Background() const { return ColourFromRef(VividTree::kBackgroundColour).rgb(); }
    // The picture's colour at the middle of the row's far right, where no text reaches.
    QRgb RowEnd(const QImage& shown, QTreeWidgetItem* item) const
    {
        const QRect text = tree->ItemTextRect(item);
        return shown.pixel(shown.width() - 3, text.center().y());
    }

    QWidget window;
    VividTree* tree = nullptr;
};

TEST_F(VividTreeTest, TheBarShowsWithoutTheFocus)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    tree->setCurrentItem(Category(1));
    tree->clearFocus();
    ASSERT_FALSE(tree->hasFocus());
    const QImage shown = tree->RenderItems();
    EXPECT_EQ(RowEnd(shown, Category(1)), Bar());
    EXPECT_EQ(shown.pixel(0, tree->ItemTextRect(Category(1)).center().y()), Bar()) << "across the whole row";
    EXPECT_EQ(RowEnd(shown, Category(0)), Background());
}

TEST_F(VividTreeTest, ACategoryOpensWhereItsMarkerIs)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect marker = tree->MarkerRect(Category(1));
    ASSERT_EQ(marker.size(), QSize(9, 9));
    const struct
    {
        QPoint point;
        bool expands;
        bool selects;
    } cases[] = {
        {marker.topLeft(), true, false},
        {marker.bottomRight(), true, false},
        {marker.center() - QPoint(10, 0), false, true},
        {marker.topLeft() - QPoint(1, 0), false, true},
        {tree->ItemTextRect(Category(1)).center(), false, true},
    };
    for (const auto& c : cases) {
        tree->collapseAll();
        tree->setCurrentItem(Category(0));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, c.point);
        EXPECT_EQ(Category(1)->isExpanded(), c.expands) << c.point.x() << "," << c.point.y();
        EXPECT_EQ(Category(1)->isSelected(), c.selects) << c.point.x() << "," << c.point.y();
    }
    // The marker of an open category closes it again.
    tree->expandItem(Category(1));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->MarkerRect(Category(1)).center());
    EXPECT_FALSE(Category(1)->isExpanded());
}

TEST_F(VividTreeTest, FocusShowsTheBar)
{
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    tree->setFocus();
    ASSERT_TRUE(tree->hasFocus());
    tree->setCurrentItem(Category(2));
    const QImage shown = tree->RenderItems();
    EXPECT_EQ(RowEnd(shown, Category(2)), Bar());
    EXPECT_EQ(RowEnd(shown, Category(1)), Background());
}

TEST_F(VividTreeTest, MarkersStandBeforeCategoriesAndFollowExpansion)
{
    const QRect text = tree->ItemTextRect(Category(0));
    const QPoint marker(text.left() - 9 - 2, text.top() + 4);
    EXPECT_EQ(tree->MarkerRect(Category(0)).topLeft(), marker);
    QImage shown = tree->RenderItems();
    EXPECT_EQ(shown.pixel(marker), kCollapsed);
    EXPECT_EQ(shown.pixel(marker + QPoint(8, 8)), kCollapsed);
    EXPECT_NE(shown.pixel(marker + QPoint(9, 0)), kCollapsed) << "nine pixels wide, ending 2 before the text";

    tree->expandItem(Category(0));
    shown = tree->RenderItems();
    EXPECT_EQ(shown.pixel(marker), kExpanded);

    // Leaf items carry no marker.
    QTreeWidgetItem* leaf = Category(0)->child(0);
    const QRect leafText = tree->ItemTextRect(leaf);
    int markerPixels = 0;
    for (int y = leafText.top(); y <= leafText.bottom(); ++y)
        for (int x = 0; x < leafText.left(); ++x) {
            const QRgb c = shown.pixel(x, y);
            markerPixels += c == kCollapsed || c == kExpanded;
        }
    EXPECT_EQ(markerPixels, 0);
}

TEST_F(VividTreeTest, TextsAreWhiteAndMovedRightOfTheTreesPlace)
{
    const QRect place = tree->visualItemRect(Category(0));
    EXPECT_EQ(tree->ItemTextRect(Category(0)).left(), place.left() + 7);
    const QImage shown = tree->RenderItems();
    int white = 0;
    for (int y = place.top(); y <= place.bottom(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            white += shown.pixel(x, y) == qRgb(255, 255, 255);
            if (shown.pixel(x, y) != Background() && shown.pixel(x, y) != kCollapsed) {
                EXPECT_GE(x, place.left() + 7) << "nothing but the marker left of the text";
            }
        }
    EXPECT_GT(white, 10);
}

TEST_F(VividTreeTest, ScrolledTreeKeepsBarsOnTheirRowsAndTheBackgroundUniform)
{
    for (int i = 0; i < 3; ++i)
        tree->expandItem(Category(i));
    QTreeWidgetItem* target = Category(1)->child(5);
    tree->setCurrentItem(target);
    tree->scrollToItem(target, QAbstractItemView::PositionAtTop);
    ASSERT_GT(tree->verticalScrollBar()->value(), 0);
    const QImage shown = tree->RenderItems();
    const QRect text = tree->ItemTextRect(target);
    EXPECT_EQ(text.top(), 0) << "scrolled to the top of the view";
    EXPECT_EQ(RowEnd(shown, target), Bar());
    EXPECT_EQ(RowEnd(shown, tree->itemBelow(target)), Background());
}

} // namespace
} // namespace corvane
