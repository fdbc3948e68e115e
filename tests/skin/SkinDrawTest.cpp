#include "SkinTestSupport.h"

#include "skin/SkinDraw.h"
#include "skin/SkinnedWindow.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

namespace corvane {
namespace {

using testing::SkinFolderTest;

constexpr QRgb kGrey = qRgb(0x35, 0x35, 0x35);

QImage Surface(int w = 100, int h = 60)
{
    QImage surface(w, h, QImage::Format_RGB32);
    surface.fill(kGrey);
    return surface;
}

// The box holding every pixel that is not the surface's own grey.
QRect ChangedArea(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kGrey) box |= QRect(x, y, 1, 1);
    return box;
}

class DrawHelperTest : public SkinFolderTest
{
protected:
    QString folder() const { return SkinFolderPath(SkinWindow::Main, 9); }
};

TEST_F(DrawHelperTest, WholeImageIsCopiedOpaqueAtItsPoint)
{
    QImage art(5, 4, QImage::Format_ARGB32);
    art.fill(qRgba(200, 0, 0, 0)); // transparent red: still drawn red
    art.setPixel(4, 3, qRgba(0, 0, 200, 255));
    WritePicture("png/english/button-help-normal.png", art);

    QImage surface = Surface();
    {
        QPainter p(&surface);
        DrawSkinImage(p, folder(), "Button-Help-Normal.png", 10, 20);
    }
    EXPECT_EQ(ChangedArea(surface), QRect(10, 20, 5, 4));
    EXPECT_EQ(surface.pixel(10, 20), qRgb(200, 0, 0));
    EXPECT_EQ(surface.pixel(14, 23), qRgb(0, 0, 200));
}

TEST_F(DrawHelperTest, MissingImageDrawsNothing)
{
    QImage surface = Surface();
    {
        QPainter p(&surface);
        DrawSkinImage(p, folder(), "nothing.png", 0, 0);
        DrawSkinImagePart(p, folder(), "nothing.png", 0, 0, 10, 10, 5, 5);
    }
    EXPECT_TRUE(ChangedArea(surface).isNull());
}

TEST_F(DrawHelperTest, PartIsCutFromItsOwnPlaceAndMovedByTheOffset)
{
    QImage art(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            art.setPixel(x, y, qRgb(x, y, 100));
    WritePicture("png/english/kb_hl.png", art);

    QImage surface = Surface();
    {
        QPainter p(&surface);
        DrawSkinImagePart(p, folder(), "kb_hl.png", 22, 7, 30, 12, 50, 40); // 8 x 5 from (22, 7)
    }
    EXPECT_EQ(ChangedArea(surface), QRect(72, 47, 8, 5));
    EXPECT_EQ(surface.pixel(72, 47), qRgb(22, 7, 100));
    EXPECT_EQ(surface.pixel(79, 51), qRgb(29, 11, 100));
}

TEST_F(DrawHelperTest, PartReachingPastThePictureCopiesOnlyWhatExists)
{
    WriteSolid("png/english/small.png", {10, 10}, qRgb(0, 255, 0));
    QImage surface = Surface();
    {
        QPainter p(&surface);
        DrawSkinImagePart(p, folder(), "small.png", 5, 5, 20, 20, 30, 0);
    }
    EXPECT_EQ(ChangedArea(surface), QRect(35, 5, 5, 5));
}

TEST_F(DrawHelperTest, TextUsesArialResolvedToLiberationSansAtTheCellHeight)
{
    const QFont font = CellHeightFont("Arial", 20, 300);
    EXPECT_EQ(QFontInfo(font).family(), QString("Liberation Sans"));
    const QFontMetrics metrics(font);
    EXPECT_NEAR(metrics.ascent() + metrics.descent(), 20, 1);
    const QFont bold = CellHeightFont("Arial", 16, 700);
    EXPECT_TRUE(QFontInfo(bold).bold());
    EXPECT_NEAR(QFontMetrics(bold).height(), 16, 1);
}

TEST_F(DrawHelperTest, TextStandsBelowAndRightOfItsPointInItsColourWithoutBackground)
{
    QImage surface = Surface(200, 60);
    {
        QPainter p(&surface);
        DrawSkinText(p, "Apply", 40, 10, 0x353535FF, 0x0000FF, 20);
    }
    const QRect area = ChangedArea(surface);
    ASSERT_FALSE(area.isNull());
    EXPECT_GE(area.left(), 40);
    EXPECT_LE(area.left(), 43);
    EXPECT_GE(area.top(), 10);
    EXPECT_LT(area.top(), 18);
    EXPECT_LT(area.bottom(), 30);
    bool pureRed = false;
    bool sawBackColour = false;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            pureRed |= surface.pixel(x, y) == qRgb(255, 0, 0);
            sawBackColour |= surface.pixel(x, y) == qRgb(0xFF, 0x35, 0x35);
        }
    EXPECT_TRUE(pureRed) << "0x0000FF is red in 0x00BBGGRR";
    EXPECT_FALSE(sawBackColour);
}

TEST_F(DrawHelperTest, FrameIsOnePixelWhiteThroughBothCorners)
{
    QImage surface = Surface();
    {
        QPainter p(&surface);
        DrawFrameRect(p, 10, 5, 25, 25);
    }
    const QRgb white = qRgb(255, 255, 255);
    EXPECT_EQ(ChangedArea(surface), QRect(10, 5, 26, 26));
    for (const QPoint pt : {QPoint(10, 5), QPoint(35, 5), QPoint(10, 30), QPoint(35, 30), QPoint(20, 5),
                            QPoint(10, 17), QPoint(35, 17), QPoint(20, 30)})
        EXPECT_EQ(surface.pixel(pt), white) << pt.x() << "," << pt.y();
    EXPECT_EQ(surface.pixel(11, 6), kGrey);
    EXPECT_EQ(surface.pixel(34, 29), kGrey);
}

TEST_F(DrawHelperTest, FillUsesBlueGreenRedColours)
{
    QImage surface = Surface();
    {
        QPainter p(&surface);
        FillColourRect(p, RectFromEdges(28, 23, 48, 43), 0x00FF8000);
    }
    EXPECT_EQ(ChangedArea(surface), QRect(28, 23, 20, 20));
    EXPECT_EQ(surface.pixel(28, 23), qRgb(0x00, 0x80, 0xFF));
    EXPECT_EQ(RefFromColour(ColourFromRef(0x123456)), 0x123456u);
}

// A window that draws a square whose colour changes with every full paint.
class CountingDialog : public SkinnedDialog
{
public:
    int fullPaints = 0;

protected:
    void PaintElements(QPainter& painter) override
    {
        ++fullPaints;
        FillColourRect(painter, QRect(2, 2, 4, 4), 0x000010u * fullPaints);
        DrawSkinImage(painter, SkinFolder(), "element.png", 10, 0);
    }
};

class PaintCycleTest : public SkinFolderTest
{
};

TEST_F(PaintCycleTest, FullPaintComposesBackgroundThenElements)
{
    WriteSolid("png/english/main.png", {30, 20}, qRgb(0, 0, 90));
    WriteSolid("png/english/element.png", {5, 5}, qRgb(0, 90, 0));
    CountingDialog dialog;
    dialog.SetSkin(SkinFolderPath(SkinWindow::Main, 9), SkinBackgroundName(SkinWindow::Main));
    EXPECT_EQ(dialog.BackgroundSize(), QSize(30, 20));
    const QImage frame = dialog.ComposeFrame();
    ASSERT_EQ(frame.size(), QSize(30, 20));
    EXPECT_EQ(frame.pixel(0, 0), qRgb(0, 0, 90));
    EXPECT_EQ(frame.pixel(3, 3), qRgb(16, 0, 0));
    EXPECT_EQ(frame.pixel(12, 2), qRgb(0, 90, 0));
    EXPECT_EQ(frame.pixel(20, 10), qRgb(0, 0, 90));

    // The window shows exactly the composed frame.
    dialog.resize(30, 20);
    const QImage shown = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(12, 2), qRgb(0, 90, 0));
    EXPECT_EQ(shown.pixel(20, 10), qRgb(0, 0, 90));
}

TEST_F(PaintCycleTest, MissingBackgroundPaintsNothingAtAll)
{
    WriteSolid("png/english/element.png", {5, 5}, qRgb(0, 90, 0));
    CountingDialog dialog;
    dialog.SetSkin(SkinFolderPath(SkinWindow::Main, 7), SkinBackgroundName(SkinWindow::Main));
    EXPECT_EQ(dialog.BackgroundSize(), QSize(0, 0));
    EXPECT_TRUE(dialog.ComposeFrame().isNull());
    EXPECT_EQ(dialog.fullPaints, 0);
}

TEST_F(PaintCycleTest, PartialRedrawChangesOnlyItsElement)
{
    WriteSolid("png/english/main.png", {30, 20}, qRgb(0, 0, 90));
    CountingDialog dialog;
    dialog.SetSkin(SkinFolderPath(SkinWindow::Main, 9), SkinBackgroundName(SkinWindow::Main));
    dialog.resize(30, 20);
    dialog.grab();
    const int paintsBefore = dialog.fullPaints;
    ASSERT_GE(paintsBefore, 1);

    dialog.PartialRedraw(QRect(20, 10, 3, 3),
                         [](QPainter& p) { FillColourRect(p, QRect(20, 10, 3, 3), 0x00FFFFFF); });
    const QImage shown = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(dialog.fullPaints, paintsBefore) << "a partial redraw must not recompose the window";
    EXPECT_EQ(shown.pixel(21, 11), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(3, 3), qRgb(16 * paintsBefore, 0, 0));
    EXPECT_EQ(shown.pixel(25, 15), qRgb(0, 0, 90));

    dialog.FullPaint();
    const QImage again = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(again.pixel(21, 11), qRgb(0, 0, 90)) << "a full paint starts again from the background";
}

TEST(SkinnedDialogMessageTest, PrivateMessagesReachTheWindowsHandlerWithItsAnswer)
{
    class Receiving : public SkinnedDialog
    {
    public:
        std::uint32_t lastMessage = 0;

    protected:
        std::intptr_t WindowMessage(std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override
        {
            lastMessage = message;
            return static_cast<std::intptr_t>(wParam) * 10 + lParam;
        }
    } dialog;
    EXPECT_EQ(SendWindowMessage(&dialog, UM_SLIDER_MOVED, 1017, 3), 10173);
    EXPECT_EQ(dialog.lastMessage, UM_SLIDER_MOVED);
    PostWindowMessage(&dialog, UM_READ_COMPLETE, 0, 1);
    QCoreApplication::sendPostedEvents(&dialog);
    EXPECT_EQ(dialog.lastMessage, UM_READ_COMPLETE);
}

} // namespace
} // namespace corvane
