// The lighting panel on its own, on a bare skinned window: what the settle step stores and shows
// before a paint, and that drawing changes neither the image nor the sliders.

#include "app/LightingPanel.h"

#include "device/LightingSettings.h"
#include "platform/qt/LanguageSetting.h"
#include "skin/BitSlider.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/SkinnedWindow.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <memory>

namespace corvane {
namespace {

constexpr std::uint8_t kUnknownMode = 200;

class LightingPanelClassTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetProgramFolder(QStringLiteral(CORVANE_SKIN_DIR));
        host.SetSkin(SkinFolderPath(SkinWindow::Main, kLanguageEnglish),
                     SkinBackgroundName(SkinWindow::Main));
        host.resize(host.BackgroundSize());
        panel.SetUp(kLanguageEnglish);
    }

    void SetSliders(int speed, int brightness, int reportRate, int responseTime)
    {
        panel.Slider(layout::kSliderSpeed)->setValue(speed);
        panel.Slider(layout::kSliderBrightness)->setValue(brightness);
        panel.Slider(layout::kSliderReportRate)->setValue(reportRate);
        panel.Slider(layout::kSliderResponseTime)->setValue(responseTime);
    }
    // Opens or leaves the list closed through the panel's own clicks.
    void OpenList() { panel.Click(layout::kButtonEffectSelector, nullptr); }

    std::unique_ptr<SettingsImage> image = std::make_unique<SettingsImage>();
    SkinnedDialog host;
    LightingPanel panel{host, *image};
};

TEST_F(LightingPanelClassTest, SettleStoresOnlyTheDrawnTracksAndShowsSlidersByModeAndList)
{
    struct Case
    {
        std::uint8_t mode;
        bool listOpen;
        bool speedStored, brightnessStored, speedShown, othersShown;
    };
    const Case cases[] = {
        {kModeBreathing, false, true, true, true, true},
        {kModeBreathing, true, true, false, false, false},
        {kModeStatic, false, false, true, false, true},
        {kModeWave, false, true, true, true, true},
        {kLastPaletteMode, false, false, true, false, true}, // palette, but no speed
        {kLastPaletteMode + 1, false, false, true, false, true},
        {kLastPaletteMode + 1, true, false, false, false, false},
        {kUnknownMode, false, false, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int{c.mode} << (c.listOpen ? " open" : " closed"));
        image = std::make_unique<SettingsImage>();
        LightingPanel fresh(host, *image);
        fresh.SetUp(kLanguageEnglish);
        LightingSettings(*image).SetMode(c.mode);
        fresh.Slider(layout::kSliderSpeed)->setValue(7);
        fresh.Slider(layout::kSliderBrightness)->setValue(33);
        fresh.Slider(layout::kSliderReportRate)->setValue(2);
        fresh.Slider(layout::kSliderResponseTime)->setValue(0);
        if (c.listOpen) fresh.Click(layout::kButtonEffectSelector, nullptr);

        fresh.SettleBeforePaint();
        const LightingView view(*image);
        EXPECT_EQ(view.Speed(), c.speedStored ? 7 : 0);
        EXPECT_EQ(view.Brightness(), c.brightnessStored ? 33 : 0);
        // The scale sliders are drawn in every state; the response time is stored as shown.
        EXPECT_EQ(view.ReportRate(), 2);
        EXPECT_EQ(view.ResponseTime(), 0);
        EXPECT_EQ(fresh.Slider(layout::kSliderSpeed)->isVisibleTo(&host), c.speedShown);
        for (int id : {layout::kSliderBrightness, layout::kSliderReportRate, layout::kSliderResponseTime})
            EXPECT_EQ(fresh.Slider(id)->isVisibleTo(&host), c.othersShown) << id;
    }
}

TEST_F(LightingPanelClassTest, EachSliderReachesItsOwnFieldAndFollowsItBack)
{
    SetSliders(3, 41, 1, 6);
    LightingSettings(*image).SetMode(kModeBreathing);
    panel.CaptureSliderPositions();
    const LightingView view(*image);
    EXPECT_EQ(view.Speed(), 3);
    EXPECT_EQ(view.Brightness(), 41);
    EXPECT_EQ(view.ReportRate(), 1);
    EXPECT_EQ(view.ResponseTime(), 6);

    // Every field holds its slider's position, the response time too.
    StoreSliderPosition(*image, SliderField::kResponseTime, 5);
    StoreSliderPosition(*image, SliderField::kSpeed, 9);
    StoreSliderPosition(*image, SliderField::kBrightness, 12);
    StoreSliderPosition(*image, SliderField::kReportRate, 3);
    panel.SetSlidersFromImage();
    EXPECT_EQ(panel.Slider(layout::kSliderResponseTime)->value(), 5);
    EXPECT_EQ(panel.Slider(layout::kSliderSpeed)->value(), 9);
    EXPECT_EQ(panel.Slider(layout::kSliderBrightness)->value(), 12);
    EXPECT_EQ(panel.Slider(layout::kSliderReportRate)->value(), 3);
    EXPECT_EQ(panel.Slider(1234), nullptr);
}

TEST_F(LightingPanelClassTest, DrawingChangesNeitherTheImageNorTheSliders)
{
    struct Case
    {
        std::uint8_t mode, colourSlot;
        bool listOpen;
    };
    const Case cases[] = {
        {kModeBreathing, 0, false}, // a slot the squares must clamp to show
        {kModeWave, 2, false},      // shown as the multi-colour slot
        {kModeStatic, 9, true},     {kLastPaletteMode + 2, 0, false}, {kUnknownMode, 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << int{c.mode} << "/" << int{c.colourSlot});
        image = std::make_unique<SettingsImage>();
        LightingPanel fresh(host, *image);
        fresh.SetUp(kLanguageEnglish);
        LightingSettings lighting(*image);
        lighting.SetMode(c.mode);
        lighting.SetColourSlot(c.colourSlot);
        fresh.Slider(layout::kSliderBrightness)->setValue(20);
        fresh.Slider(layout::kSliderSpeed)->setValue(4);
        if (c.listOpen) fresh.Click(layout::kButtonEffectSelector, nullptr);

        const SettingsImage before = *image;
        std::array<QRect, 4> places;
        std::array<bool, 4> shown;
        const int ids[4] = {layout::kSliderSpeed, layout::kSliderBrightness, layout::kSliderReportRate,
                            layout::kSliderResponseTime};
        for (int i = 0; i < 4; ++i) {
            places[i] = fresh.Slider(ids[i])->geometry();
            shown[i] = fresh.Slider(ids[i])->isVisibleTo(&host);
        }
        QImage frame(layout::kMainWindowSize.width, layout::kMainWindowSize.height, QImage::Format_RGB32);
        QPainter painter(&frame);
        fresh.Draw(painter);
        painter.end();
        EXPECT_TRUE(*image == before);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(fresh.Slider(ids[i])->geometry(), places[i]) << ids[i];
            EXPECT_EQ(fresh.Slider(ids[i])->isVisibleTo(&host), shown[i]) << ids[i];
        }
        // Settling stores the slot the squares showed.
        fresh.SettleBeforePaint();
        if (!IsCustomProfile(c.mode)) {
            EXPECT_EQ(LightingView(*image).ColourSlot(), LightingView(before).SettledColourSlot());
        } else {
            EXPECT_EQ(LightingView(*image).ColourSlot(), c.colourSlot);
        }
    }
}

TEST_F(LightingPanelClassTest, SlidersArePlacedAtSetUpWhereTheLayoutPutsThem)
{
    for (const layout::SliderPlace& place : layout::kSliders) {
        const CBitSlider* slider = panel.Slider(place.id);
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->pos(), QPoint(place.origin.x, place.origin.y)) << place.id;
        EXPECT_EQ(slider->maximum(), place.maximum) << place.id;
        EXPECT_EQ(slider->ControlId(), place.id);
    }
}

TEST_F(LightingPanelClassTest, ListClicksAndHoverTrackTheMarkedRow)
{
    LightingSettings(*image).SetMode(kModeBreathing);
    OpenList();
    ASSERT_TRUE(panel.EffectListOpen());
    const layout::Rect row3 = layout::EffectRowRect(3);
    EXPECT_TRUE(panel.Hover(100, row3.top + 5));
    EXPECT_EQ(panel.MarkedEffectRow(), 3);
    EXPECT_FALSE(panel.MarkChangedSinceShown());
    EXPECT_FALSE(panel.Hover(300, 300));
    EXPECT_EQ(panel.MarkedEffectRow(), kNoEffectRow);
    EXPECT_TRUE(panel.MarkChangedSinceShown());
    panel.MarkShown();
    EXPECT_FALSE(panel.MarkChangedSinceShown());

    // Choosing a custom profile turns the per-key colour view on; the zones switch it.
    panel.ReleaseInList(100, layout::EffectRowRect(12).top + 1);
    EXPECT_FALSE(panel.EffectListOpen());
    EXPECT_EQ(LightingView(*image).Mode(), kLastPaletteMode + 2);
    EXPECT_TRUE(panel.CustomColourView());
    panel.Click(layout::kZoneKeymapView, nullptr);
    EXPECT_FALSE(panel.CustomColourView());
    // Closing without a choice leaves the mode.
    OpenList();
    panel.ReleaseInList(100, layout::kEffectListArea.bottom + 1);
    EXPECT_FALSE(panel.EffectListOpen());
    EXPECT_EQ(LightingView(*image).Mode(), kLastPaletteMode + 2);
    EXPECT_TRUE(panel.Slider(layout::kSliderBrightness)->isVisibleTo(&host));
}

} // namespace
} // namespace corvane
