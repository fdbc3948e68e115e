#include "SkinTestSupport.h"

#include "skin/SkinDraw.h"

#include <QFile>
#include <QPainter>

namespace corvane {
namespace {

using testing::SkinFolderTest;

class SkinLookupTest : public SkinFolderTest
{
};

TEST_F(SkinLookupTest, FolderAndFileNamesResolveWhateverTheirCase)
{
    const QString profile = WriteSolid("png/german/config/profile_bk.png", {4, 4}, qRgb(1, 2, 3));
    const QString disable = WriteSolid("png/english/Custom/disable.png", {4, 4}, qRgb(1, 2, 3));

    EXPECT_EQ(ResolveSkinPath(JoinSkinPath(SkinFolderPath(SkinWindow::Profile, 7), "Profile_BK.png")),
              profile);
    EXPECT_EQ(ResolveSkinPath(JoinSkinPath(SkinFolderPath(SkinWindow::KeyAssignment, 9), "Disable.png")),
              disable);
    EXPECT_EQ(ResolveSkinPath(JoinSkinPath(SkinFolderPath(SkinWindow::KeyAssignment, 9), "DISABLE.PNG")),
              disable);
    EXPECT_TRUE(
        ResolveSkinPath(JoinSkinPath(SkinFolderPath(SkinWindow::Profile, 9), "Profile_BK.png")).isEmpty())
        << "English asks for its own folder, which does not exist here";
}

TEST_F(SkinLookupTest, AnExactSpellingWinsOverAnotherCase)
{
    const QString lower = WriteSolid("png/help/update.png", {2, 2}, qRgb(1, 1, 1));
    const QString upper = WriteSolid("png/help/Update.png", {2, 2}, qRgb(2, 2, 2));
    EXPECT_EQ(ResolveSkinPath(dir.path() + "/png/help/Update.png"), upper);
    EXPECT_EQ(ResolveSkinPath(dir.path() + "/png/help/update.png"), lower);
}

TEST_F(SkinLookupTest, BackslashesAndDoubledSeparatorsNameTheSameFile)
{
    const QString colour = WriteSolid("png/German/color_bk.png", {2, 2}, qRgb(9, 9, 9));
    // The colour dialog formats "<folder>\png\GERMAN\Color_BK.png" with the folder's own trailing
    // separator, doubling it.
    const QString asked = dir.path() + "\\" + "\\png\\GERMAN\\Color_BK.png";
    EXPECT_EQ(ResolveSkinPath(asked), colour);
    EXPECT_EQ(ResolveSkinPath(JoinSkinPath(SkinFolderPath(SkinWindow::Colour, 7),
                                           SkinBackgroundName(SkinWindow::Colour))),
              colour);
}

TEST_F(SkinLookupTest, GermanSkinIsNotReplacedByEnglish)
{
    WriteSolid("png/english/main.png", {8, 8}, qRgb(1, 1, 1));
    EXPECT_TRUE(LoadSkinImage(JoinSkinPath(SkinFolderPath(SkinWindow::Main, 7), "main.png")).isNull());
    EXPECT_FALSE(LoadSkinImage(JoinSkinPath(SkinFolderPath(SkinWindow::Main, 9), "main.png")).isNull());
}

TEST_F(SkinLookupTest, ImagesWithAlphaKeepTheirStoredColoursAndBecomeOpaque)
{
    QImage art(3, 1, QImage::Format_ARGB32);
    art.setPixel(0, 0, qRgba(10, 200, 30, 0));  // fully transparent, colour stored under it
    art.setPixel(1, 0, qRgba(40, 50, 60, 128)); // half transparent
    art.setPixel(2, 0, qRgba(70, 80, 90, 255));
    WritePicture("png/english/alpha.png", art);

    const QImage loaded = LoadSkinImage(dir.path() + "/png/english/alpha.png");
    ASSERT_EQ(loaded.size(), QSize(3, 1));
    EXPECT_EQ(loaded.pixel(0, 0), qRgb(10, 200, 30));
    EXPECT_EQ(loaded.pixel(1, 0), qRgb(40, 50, 60));
    EXPECT_EQ(loaded.pixel(2, 0), qRgb(70, 80, 90));
}

TEST_F(SkinLookupTest, IndexedImagesKeepTheirPaletteColours)
{
    QImage art(2, 1, QImage::Format_Indexed8);
    art.setColorTable({qRgba(255, 0, 0, 0), qRgb(0, 0, 255)});
    art.setPixel(0, 0, 0);
    art.setPixel(1, 0, 1);
    WritePicture("png/english/indexed.png", art);

    const QImage loaded = LoadSkinImage(dir.path() + "/png/english/indexed.png");
    ASSERT_EQ(loaded.size(), QSize(2, 1));
    EXPECT_EQ(loaded.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(loaded.pixel(1, 0), qRgb(0, 0, 255));
}

TEST_F(SkinLookupTest, MissingOrUndecodableFilesGiveAnEmptyImage)
{
    EXPECT_TRUE(LoadSkinImage(dir.path() + "/png/english/none.png").isNull());
    QDir().mkpath(dir.path() + "/png/english");
    QFile broken(dir.path() + "/png/english/broken.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\n this is not a picture");
    broken.close();
    EXPECT_TRUE(LoadSkinImage(dir.path() + "/png/english/broken.png").isNull());
    EXPECT_TRUE(SkinImageCache::Instance().Image(dir.path() + "/png/english/broken.png").isNull());
}

class SkinCacheTest : public SkinFolderTest
{
};

TEST_F(SkinCacheTest, CachedPicturesEqualFreshlyDecodedOnesAndAreDecodedOnce)
{
    QImage art(16, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
            art.setPixel(x, y, qRgba(x * 15, y * 30, 7, (x + y) * 10));
    const QString path = WritePicture("png/english/kb_hl.png", art);

    SkinImageCache& cache = SkinImageCache::Instance();
    const QImage first = cache.Image(dir.path() + "/PNG/English/KB_HL.png");
    const QImage second = cache.Image(dir.path() + "/PNG/English/KB_HL.png");
    EXPECT_EQ(first, LoadSkinImage(path));
    EXPECT_EQ(second, first);
    EXPECT_EQ(cache.DecodeCount(), 1u);
}

TEST_F(SkinCacheTest, AChangedFileIsReadAgain)
{
    const QString path = WriteSolid("png/english/apply.png", {6, 6}, qRgb(10, 10, 10));
    SkinImageCache& cache = SkinImageCache::Instance();
    EXPECT_EQ(cache.Image(path).pixel(0, 0), qRgb(10, 10, 10));

    // Same size, same folder entry: only the content and the time differ.
    QImage changed(6, 6, QImage::Format_RGB32);
    changed.fill(qRgb(200, 20, 20));
    ASSERT_TRUE(changed.save(path, "PNG"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(cache.Image(path).pixel(0, 0), qRgb(200, 20, 20));

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(cache.Image(path).isNull()) << "a deleted file must no longer be drawn";
}

TEST_F(SkinCacheTest, AFileThatAppearsLaterIsFound)
{
    SkinImageCache& cache = SkinImageCache::Instance();
    const QString asked = dir.path() + "/png/english/Thumb.png";
    EXPECT_TRUE(cache.Image(asked).isNull());
    EXPECT_TRUE(cache.Image(asked).isNull());
    WriteSolid("png/english/thumb.png", {15, 14}, qRgb(0, 99, 0));
    EXPECT_EQ(cache.Image(asked).size(), QSize(15, 14));
}

TEST_F(SkinCacheTest, DisabledCacheDecodesOnEveryCall)
{
    const QString path = WriteSolid("png/english/x.png", {2, 2}, qRgb(1, 2, 3));
    SkinImageCache& cache = SkinImageCache::Instance();
    cache.SetEnabled(false);
    cache.Image(path);
    cache.Image(path);
    EXPECT_EQ(cache.DecodeCount(), 2u);
    cache.SetEnabled(true);
}

} // namespace
} // namespace corvane
