// Checks the generated artwork in the build's program folder against the layout tables: every
// picture the windows load is there in both languages at its size, pictures are composed against
// what lies under them, and the lit keyboard really lights every key.

#include "skin/BitSlider.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace corvane {
namespace {

namespace L = corvane::layout;

const QString kProgramFolder = QStringLiteral(CORVANE_SKIN_DIR);

QString PathOf(L::Window window, bool german, const char* name)
{
    return QDir(kProgramFolder)
        .filePath(QString::fromStdString(L::FolderOnDisk(window, german)) + QString::fromUtf8(name));
}

QImage Picture(L::Window window, bool german, const char* name)
{
    return QImage(PathOf(window, german, name)).convertToFormat(QImage::Format_RGB32);
}

int Distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

TEST(Artwork, EveryPictureExistsInBothLanguagesAtItsLayoutSize)
{
    for (std::size_t i = 0; i < L::kSkinImageCount; ++i) {
        const L::SkinImage& image = L::kSkinImages[i];
        for (bool german : {false, true}) {
            const QString path = PathOf(image.window, german, image.name);
            const QImage picture(path);
            ASSERT_FALSE(picture.isNull()) << path.toStdString();
            EXPECT_EQ(picture.width(), image.size.width) << path.toStdString();
            EXPECT_EQ(picture.height(), image.size.height) << path.toStdString();
            // Windows copy pictures opaque; no picture may rely on transparency.
            EXPECT_FALSE(picture.hasAlphaChannel()) << path.toStdString();
        }
    }
    for (const L::ResourceImage& resource : L::kResourceImages) {
        const QImage picture(
            QDir(kProgramFolder)
                .filePath(QString::fromLatin1(L::kResourceFolder) + QString::number(resource.id) + ".png"));
        ASSERT_FALSE(picture.isNull()) << resource.id;
        EXPECT_EQ(picture.width(), resource.size.width) << resource.id;
        EXPECT_EQ(picture.height(), resource.size.height) << resource.id;
    }
}

TEST(Artwork, TheSpellingsTheWindowsAskForResolveToThePictures)
{
    SetProgramFolder(kProgramFolder);
    for (std::uint16_t language : {std::uint16_t{7}, std::uint16_t{9}}) {
        for (SkinWindow w : {SkinWindow::Main, SkinWindow::Profile, SkinWindow::KeyAssignment,
                             SkinWindow::Macro, SkinWindow::Colour, SkinWindow::FirmwareUpdate}) {
            const QString path = JoinSkinPath(SkinFolderPath(w, language), SkinBackgroundName(w));
            EXPECT_FALSE(LoadSkinImage(path).isNull()) << path.toStdString();
        }
        // The launch page asks for both spellings of the option marks.
        for (const char* name : {"disable.png", "Disable.png", "enable.png"}) {
            const QString path = JoinSkinPath(SkinFolderPath(SkinWindow::KeyAssignment, language), name);
            EXPECT_FALSE(LoadSkinImage(path).isNull()) << path.toStdString();
        }
    }
    for (int id :
         {L::kResourceTrackEmpty, L::kResourceTrackFilled, L::kResourceSliderThumb, L::kResourceListKeyDown,
          L::kResourceListKeyUp, L::kResourceListDelay, L::kResourceTreeCollapsed, L::kResourceTreeExpanded})
        EXPECT_FALSE(LoadResourceImage(id).isNull()) << id;
}

TEST(Artwork, TheLitKeyboardLightsEveryKeyAndOnlyTheKeysAreCut)
{
    for (bool german : {false, true}) {
        const QImage plain = Picture(L::Window::Main, german, "kb_BK.png");
        const QImage lit = Picture(L::Window::Main, german, "kb_hl.png");
        ASSERT_FALSE(plain.isNull());
        ASSERT_EQ(plain.size(), lit.size());
        for (std::size_t slot = 0; slot < L::kKeyCount; ++slot) {
            if (L::IsAbsentKey(static_cast<int>(slot))) continue;
            const L::Rect r = L::kKeyTable[slot].rect;
            int changed = 0;
            long redGain = 0;
            const int area = r.Width() * r.Height();
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    const QRgb a = plain.pixel(x, y);
                    const QRgb b = lit.pixel(x, y);
                    if (Distance(a, b) > 24) ++changed;
                    redGain += qRed(b) - qRed(a);
                }
            // Most of the key changes, and it turns redder: a lit key, not noise.
            EXPECT_GT(changed, area / 2) << "key " << slot;
            EXPECT_GT(redGain / area, 20) << "key " << slot;
        }
        // The gaps between keys carry no legend: a key's picture is drawn within its rectangle.
        const L::Rect esc = L::kKeyTable[0].rect;
        const L::Rect f1 = L::kKeyTable[1].rect;
        const QRgb gap = plain.pixel((esc.right + f1.left) / 2, (esc.top + esc.bottom) / 2);
        const QRgb keyFace = plain.pixel((esc.left + esc.right) / 2, esc.top + 4);
        EXPECT_GT(Distance(gap, keyFace), 30);
    }
}

TEST(Artwork, PicturesDrawnAtSeveralPlacesSitOnAFlatGround)
{
    // An opaque copy shows a seam where a picture's ground differs from what lies under it.
    for (bool german : {false, true}) {
        const QImage main = Picture(L::Window::Main, german, "main.png");
        auto expectSeamless = [&](const QImage& picture, int x, int y, const char* what) {
            ASSERT_FALSE(picture.isNull()) << what;
            for (const QPoint corner :
                 {QPoint(0, 0), QPoint(picture.width() - 1, 0), QPoint(0, picture.height() - 1),
                  QPoint(picture.width() - 1, picture.height() - 1)}) {
                EXPECT_LE(Distance(picture.pixel(corner), main.pixel(x + corner.x(), y + corner.y())), 6)
                    << what << " at " << x << "," << y << " corner " << corner.x() << "," << corner.y();
            }
        };
        for (const char* name : {"Enable.png", "Disable.png"}) {
            const QImage sw = Picture(L::Window::Main, german, name);
            for (L::Point at : {L::kKeymapSwitchOrigin, L::kColourViewSwitchOrigin, L::kGameModeSwitchOrigin,
                                L::kWindowsLockSwitchOrigin})
                expectSeamless(sw, at.x, at.y, name);
        }
        for (int id : {L::kResourceTrackEmpty, L::kResourceTrackFilled}) {
            const QImage strip = QImage(QDir(kProgramFolder).filePath(QString("png/res/%1.png").arg(id)))
                                     .convertToFormat(QImage::Format_RGB32);
            for (const L::SliderPlace& s : L::kSliders)
                expectSeamless(strip, s.origin.x, s.origin.y, "track strip");
        }
        for (const char* name : {"apply.png", "Config.png", "MacroButton3.png", "Light_Item.png",
                                 "responsetime_txt.png", "reportRate_txt.png"}) {
            const QImage picture = Picture(L::Window::Main, german, name);
            const L::Point at = std::string(name) == "apply.png"            ? L::kApplyButtonOrigin
                                : std::string(name) == "Config.png"         ? L::kProfileButtonOrigin
                                : std::string(name) == "MacroButton3.png"   ? L::kMacroButtonOrigin
                                : std::string(name) == "Light_Item.png"     ? L::kLightItemOrigin
                                : std::string(name) == "reportRate_txt.png" ? L::kReportRateScaleOrigin
                                                                            : L::kResponseScaleOrigin;
            expectSeamless(picture, at.x, at.y, name);
        }
        // The key dialog's check boxes are drawn at the bottom and on the launch page alike.
        const QImage dialog = Picture(L::Window::KeyAssignment, german, "Custom_BK.png");
        const QImage box = Picture(L::Window::KeyAssignment, german, "Disable.png");
        for (int row = 0; row < L::kLaunchRowCount; ++row) {
            const int y = L::kLaunchOptionOrigin.y + L::kLaunchRowPitch * row;
            EXPECT_LE(Distance(box.pixel(box.width() - 1, 0),
                               dialog.pixel(L::kLaunchOptionOrigin.x + box.width() - 1, y)),
                      6);
        }
        EXPECT_LE(
            Distance(box.pixel(box.width() - 1, 0),
                     dialog.pixel(L::kKeyDisableBoxOrigin.x + box.width() - 1, L::kKeyDisableBoxOrigin.y)),
            6);
    }
}

TEST(Artwork, ScaleTicksSitUnderTheThumbOfEachValue)
{
    SetProgramFolder(kProgramFolder);
    QWidget owner;
    struct Scale
    {
        int id;
        L::Point origin;
        const char* name;
    };
    for (const Scale& scale :
         {Scale{L::kSliderResponseTime, L::kResponseScaleOrigin, "responsetime_txt.png"},
          Scale{L::kSliderReportRate, L::kReportRateScaleOrigin, "reportRate_txt.png"}}) {
        const L::SliderPlace* place = L::FindSlider(scale.id);
        const QImage picture = Picture(L::Window::Main, false, scale.name);
        ASSERT_FALSE(picture.isNull());
        const QRgb ground = picture.pixel(0, 0);
        CBitSlider slider(&owner);
        slider.setRange(0, place->maximum);
        slider.SetUpSlider();
        for (int value = 0; value <= place->maximum; ++value) {
            slider.setValue(value);
            slider.RefreshThumb();
            // The main window nudges these thumbs: response time 1 pixel, both 2 more at 0.
            int x =
                slider.ThumbOffsetX() + (scale.id == L::kSliderResponseTime ? 1 : 0) + (value == 0 ? 2 : 0);
            x += place->origin.x - scale.origin.x + L::kSliderThumbSize.width / 2;
            ASSERT_GE(x, 0);
            ASSERT_LT(x, picture.width());
            EXPECT_GT(Distance(picture.pixel(x, 1), ground), 60) << scale.name << " value " << value;
            EXPECT_LE(Distance(picture.pixel(x + 3, 1), ground), 6) << scale.name << " value " << value;
        }
    }
}

TEST(Artwork, ColourGridAndCaptionStripMatchWhatTheDialogsDraw)
{
    for (bool german : {false, true}) {
        const QImage colour = Picture(L::Window::Colour, german, "Color_BK.png");
        ASSERT_FALSE(colour.isNull());
        for (int i = 0; i < L::kColourBasicCellCount; ++i) {
            const L::ColourCell& c = L::kColourCells[i];
            for (QPoint p :
                 {QPoint(c.origin.x, c.origin.y), QPoint(c.origin.x + L::kColourCellSize.width - 1,
                                                         c.origin.y + L::kColourCellSize.height - 1)})
                EXPECT_EQ(colour.pixel(p), qRgb(c.red, c.green, c.blue)) << "cell " << i;
            // The ring round the cell is light, so the black frame of the chosen cell shows.
            EXPECT_GT(qGray(colour.pixel(c.origin.x - 1, c.origin.y - 1)), 100) << "cell " << i;
        }
        // Toggling the check box repaints its caption strip in one flat colour; the picture agrees.
        const QImage key = Picture(L::Window::KeyAssignment, german, "Custom_BK.png");
        const QRgb strip =
            qRgb(L::kKeyDisableCaptionStripColour & 0xFF, (L::kKeyDisableCaptionStripColour >> 8) & 0xFF,
                 (L::kKeyDisableCaptionStripColour >> 16) & 0xFF);
        const L::Rect r = L::kKeyDisableCaptionStrip;
        for (QPoint p :
             {QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1), QPoint(r.left + 50, r.top + 10)})
            EXPECT_EQ(key.pixel(p), strip);
    }
}

TEST(Artwork, LanguagesDifferWhereThePicturesCarryText)
{
    auto differs = [](const QImage& a, const QImage& b) { return a.size() == b.size() && a != b; };
    EXPECT_TRUE(
        differs(Picture(L::Window::Main, true, "main.png"), Picture(L::Window::Main, false, "main.png")));
    EXPECT_TRUE(differs(Picture(L::Window::Macro, true, "MacroManagement.png"),
                        Picture(L::Window::Macro, false, "MacroManagement.png")));
    EXPECT_TRUE(differs(Picture(L::Window::KeyAssignment, true, "view.png"),
                        Picture(L::Window::KeyAssignment, false, "view.png")));
    // The keyboard carries the same legends in both.
    EXPECT_EQ(Picture(L::Window::Main, true, "kb_BK.png"), Picture(L::Window::Main, false, "kb_BK.png"));
}

TEST(Artwork, EveryKeycapSitsInItsRectangle)
{
    // A keycap drawn off its rectangle would leave the dark plate inside it and its body outside.
    const QImage plain = Picture(L::Window::Main, false, "kb_BK.png");
    ASSERT_FALSE(plain.isNull());
    auto mean = [&](const QRect& area) {
        long sum = 0;
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x, ++n)
                sum += qGray(plain.pixel(x, y));
        return n ? static_cast<double>(sum) / n : 0.0;
    };
    for (std::size_t slot = 0; slot < L::kKeyCount; ++slot) {
        if (L::IsAbsentKey(static_cast<int>(slot))) continue;
        const L::Rect r = L::kKeyTable[slot].rect;
        const double inside = mean(QRect(r.left + 3, r.top + 3, r.Width() - 6, r.Height() - 8));
        // The plate just left of and below the key (one pixel beyond its picture).
        const double left = mean(QRect(r.left - 1, r.top + 3, 1, r.Height() - 6));
        const double below = mean(QRect(r.left + 3, r.bottom, r.Width() - 6, 1));
        EXPECT_GT(inside, left + 15) << "key " << slot;
        EXPECT_GT(inside, below + 15) << "key " << slot;
    }
}

TEST(Artwork, HoverPicturesShowADifferentState)
{
    for (bool german : {false, true}) {
        for (const L::ImageButton& b : L::kKeyButtons) {
            if (!b.drawn || !b.hoverImage) continue;
            EXPECT_NE(Picture(L::Window::KeyAssignment, german, b.normalImage),
                      Picture(L::Window::KeyAssignment, german, b.hoverImage))
                << b.hoverImage;
        }
        for (const L::ImageButton& b : L::kMacroButtons) {
            if (!b.normalImage) continue;
            EXPECT_NE(Picture(L::Window::Macro, german, b.normalImage),
                      Picture(L::Window::Macro, german, b.hoverImage))
                << b.hoverImage;
        }
        EXPECT_NE(Picture(L::Window::KeyAssignment, german, "view.png"),
                  Picture(L::Window::KeyAssignment, german, "view02.png"));
        for (const char* dir : {"T", "B", "R", "L"}) {
            const QByteArray off = QString("Direction-%1-Disable.png").arg(dir).toUtf8();
            const QByteArray on = QString("Direction-%1-Enable.png").arg(dir).toUtf8();
            EXPECT_NE(Picture(L::Window::Main, german, off.constData()),
                      Picture(L::Window::Main, german, on.constData()))
                << dir;
        }
    }
}

} // namespace
} // namespace corvane
