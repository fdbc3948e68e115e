// Grabbing a slider's thumb where it is drawn keeps the value it shows: a click on the middle of
// the thumb picture, found in the painted window, selects the value the slider already has.

#include "MainWindowFixture.h"

#include "skin/BitSlider.h"
#include "skin/SkinImage.h"

namespace corvane::apptest {
namespace {

class SliderThumbTest : public MainWindowTest
{
protected:
    // Left edge of the thumb picture in the painted window, searched along the slider's track.
    std::optional<int> DrawnThumbLeft(const CBitSlider* slider, const QImage& thumb)
    {
        const QImage frame = Frame().convertToFormat(QImage::Format_RGB32);
        const int top = slider->y() + 1;
        for (int x = slider->x() - thumb.width(); x <= slider->x() + slider->width(); ++x)
            if (frame.copy(x, top, thumb.width(), thumb.height()) == thumb) return x;
        return std::nullopt;
    }
};

TEST_F(SliderThumbTest, AClickOnTheMiddleOfTheThumbKeepsTheValue)
{
    Start();
    ChooseEffect(2); // an animated effect, so that the speed slider is shown
    const QImage thumb = LoadSkinImage(SkinFolderPath(SkinWindow::Main, kLanguageEnglish) + "Thumb.png")
                             .convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(thumb.isNull());
    struct Case
    {
        int slider;
        std::vector<int> values;
    };
    const Case cases[] = {
        {layout::kSliderBrightness, {0, 1, 12, 25, 37, 49, 50}},
        {layout::kSliderSpeed, {0, 3, 9}},
        {layout::kSliderResponseTime, {0, 1, 5, 9}},
        {layout::kSliderReportRate, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        CBitSlider* slider = window->Slider(c.slider);
        for (int value : c.values) {
            SCOPED_TRACE(testing::Message() << "slider " << c.slider << " at " << value);
            slider->setValue(value);
            QCoreApplication::processEvents();
            const std::optional<int> left = DrawnThumbLeft(slider, thumb);
            ASSERT_TRUE(left.has_value());
            const QPoint middle(*left + thumb.width() / 2 - slider->x(), 1 + thumb.height() / 2);
            QTest::mousePress(slider, Qt::LeftButton, {}, middle);
            EXPECT_EQ(slider->value(), value);
            // A drag that starts there and stays on the thumb keeps it too.
            QTest::mouseMove(slider, middle + QPoint(1, 0));
            EXPECT_EQ(slider->value(), value);
            QTest::mouseRelease(slider, Qt::LeftButton, {}, middle + QPoint(1, 0));
        }
    }
}

} // namespace
} // namespace corvane::apptest
