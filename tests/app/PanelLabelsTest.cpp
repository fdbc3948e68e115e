// The panel's labels fit their places in both languages: a switch's label ends before the switch,
// and the captions under the speed and brightness tracks keep their letters whole, in a full paint
// and when a track alone is redrawn.

#include "MainWindowFixture.h"

#include "skin/BitSlider.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"

#include <QPainter>

namespace corvane::apptest {
namespace {

class PanelLabelsTest : public MainWindowTest
{
protected:
    QImage Background(std::uint16_t language) const
    {
        return LoadSkinImage(SkinFolderPath(SkinWindow::Main, language) +
                             SkinBackgroundName(SkinWindow::Main))
            .convertToFormat(QImage::Format_RGB32);
    }
    // First row in [top, bottom) where the columns [left, right) differ from the background.
    static int FirstDrawnRow(const QImage& frame, const QImage& background, int left, int right, int top,
                             int bottom)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (frame.pixel(x, y) != background.pixel(x, y)) return y;
        return bottom;
    }
    // How far below its cell top a text's first inked row lies, drawn alone.
    static int InkOffset(const QString& text, int height)
    {
        QImage alone(300, 40, QImage::Format_ARGB32);
        alone.fill(Qt::transparent);
        QPainter painter(&alone);
        DrawSkinText(painter, text, 0, 0, 0, 0xFFFFFF, height);
        painter.end();
        for (int y = 0; y < alone.height(); ++y)
            for (int x = 0; x < alone.width(); ++x)
                if (qAlpha(alone.pixel(x, y)) != 0) return y;
        return alone.height();
    }
};

TEST_F(PanelLabelsTest, SwitchLabelsEndBeforeTheirSwitches)
{
    struct Case
    {
        std::uint16_t language;
        int labelX, labelY, switchX;
    };
    const Case cases[] = {
        {kLanguageEnglish, 17, 464, layout::kGameModeSwitchOrigin.x},
        {kLanguageEnglish, 18, 500, layout::kWindowsLockSwitchOrigin.x},
        {kLanguageGerman, 17, 464, layout::kGameModeSwitchOrigin.x},
        {kLanguageGerman, 18, 500, layout::kWindowsLockSwitchOrigin.x},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.language << " label at " << c.labelX << "," << c.labelY);
        Start(c.language);
        const QImage frame = Frame().convertToFormat(QImage::Format_RGB32);
        const QImage background = Background(c.language);
        const int bottom = c.labelY + 16;
        // Drawn, and nothing of it in the gap before the switch.
        EXPECT_LT(FirstDrawnRow(frame, background, c.labelX, c.switchX - 4, c.labelY, bottom), bottom);
        EXPECT_EQ(FirstDrawnRow(frame, background, c.switchX - 3, c.switchX, c.labelY, bottom), bottom);
        window.reset();
    }
}

TEST_F(PanelLabelsTest, TrackCaptionsKeepTheirTopRows)
{
    struct Case
    {
        std::uint16_t language;
        int slider;
        const char* caption; // the left one
        int captionY;
    };
    const Case cases[] = {
        {kLanguageEnglish, layout::kSliderBrightness, "Low", 277},
        {kLanguageGerman, layout::kSliderBrightness, "niedrig", 277},
        {kLanguageEnglish, layout::kSliderSpeed, "Slow", 320},
        {kLanguageGerman, layout::kSliderSpeed, "Langsam", 320},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        Start(c.language);
        ChooseEffect(2); // animated: the speed track is shown
        const QImage background = Background(c.language);
        const QString caption = QString::fromUtf8(c.caption);
        const int width =
            QFontMetrics(CellHeightFont(QStringLiteral("Arial"), 13, 300)).horizontalAdvance(caption);
        const int expectedInk = c.captionY + InkOffset(caption, 13);

        const QImage full = Frame().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(FirstDrawnRow(full, background, 28, 28 + width, c.captionY, c.captionY + 13), expectedInk);
        // The track alone redrawn (a slider move) leaves the caption as the full paint drew it.
        CBitSlider* slider = window->Slider(c.slider);
        slider->setValue(slider->value() == 1 ? 2 : 1);
        QCoreApplication::processEvents();
        const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown.copy(20, c.captionY, 240, 13), full.copy(20, c.captionY, 240, 13));
        window.reset();
    }
}

TEST_F(PanelLabelsTest, PerKeyLabelsStayInsideTheirKeys)
{
    Start();
    ChooseEffect(11); // the first lighting profile: the per-key colour view
    ASSERT_TRUE(window->CustomColourView());
    // Every key red, so that each label is written in cyan, a colour nothing else in the picture has.
    std::uint8_t* map = LightingSettings(state->image).ActiveLightMap();
    for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot)
        if (!layout::IsAbsentKey(slot)) LightingSettings::SetKeyColour(map, DeviceKeyIndex(slot), 0x0000FF);
    Move(700, 500); // no key under the pointer
    const QImage frame = Frame().convertToFormat(QImage::Format_RGB32);
    for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot) {
        if (layout::IsAbsentKey(slot)) continue;
        SCOPED_TRACE(layout::kKeyTable[slot].label);
        const layout::Rect r = layout::KeyWindowRect(slot);
        const auto ink = [&](int x, int y) {
            const QRgb p = frame.pixel(x, y);
            return qGreen(p) > 100 && qBlue(p) > 100;
        };
        // The column right of the key (the gap to its neighbour) carries none of its label.
        for (int y = r.top; y < r.bottom; ++y)
            EXPECT_FALSE(ink(r.right, y)) << "row " << y;
        // And the label is there, inside.
        bool inked = false;
        for (int y = r.top; y < r.bottom && !inked; ++y)
            for (int x = r.left; x < r.right && !inked; ++x)
                inked = ink(x, y);
        EXPECT_TRUE(inked);
    }
}

} // namespace
} // namespace corvane::apptest
