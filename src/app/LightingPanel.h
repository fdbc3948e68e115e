#pragma once
// The lighting and performance panel in the left column of the main window: effect list, speed
// and brightness sliders, colour squares, directions, the view switches of the custom profiles,
// game mode and Windows-key lock, response time and report rate. Every control edits the settings
// image only; Apply sends it. The panel owns its sliders and list state, draws itself into the
// main window's frame and takes the clicks the main window hands on.

#include "device/LightingSettings.h"
#include "format/SettingsImage.h"
#include "skin/DrawnControls.h"

#include <array>
#include <cstdint>

class QPainter;
class QRect;
class QString;

namespace corvane {

class CBitSlider;
class ColourWindow;
class SkinnedDialog;

inline constexpr int kNoEffectRow = 255;

class LightingPanel
{
public:
    // The sliders become children of host, which receives their UM_SLIDER_MOVED and whose frame
    // the panel draws into.
    LightingPanel(SkinnedDialog& host, SettingsImage& image);

    LightingPanel(const LightingPanel&) = delete;
    LightingPanel& operator=(const LightingPanel&) = delete;

    // Language for texts and skin folder; slider ranges, start positions, track strips, places.
    void SetUp(std::uint16_t language);
    // The sliders follow the image (after a read, a profile load, a factory reset).
    void SetSlidersFromImage();

    // What a full paint stores before it draws: each drawn slider's position into its field, the
    // colour slot settled for the mode, and the sliders shown or hidden for the mode (the
    // keyboard can change the mode behind the window's back).
    void SettleBeforePaint();
    void CaptureSliderPositions();
    // Draws the whole panel; changes nothing.
    void Draw(QPainter& painter) const;
    // The panel's controls in reading order, as drawn now (the open list covers the rest).
    void AddControls(DrawnControlList& controls) const;

    // UM_SLIDER_MOVED and UM_REFRESH_CONTROLS.
    void OnSliderMoved(int id);
    void OnRefreshControls(std::uintptr_t subType);

    // Buttons 3-17 and the view-switch zones 23 and 24 are the panel's.
    static bool OwnsButton(int button);
    // A click on one of them; colours is the dialog a selected colour square opens (may be null).
    void Click(int button, ColourWindow* colours);
    // Pointer moves while the list is open: true when the pointer is over its rows (the move is
    // the list's); otherwise the mark is cleared.
    bool Hover(int x, int y);
    // A release while the list is open: inside the rows chooses one, anywhere closes the list.
    void ReleaseInList(int x, int y);
    // Whether the marked row differs from the one last painted; MarkShown records it as painted.
    bool MarkChangedSinceShown() const { return markedRow_ != lastMarkedRow_; }
    void MarkShown() { lastMarkedRow_ = markedRow_; }

    bool EffectListOpen() const { return listOpen_; }
    int MarkedEffectRow() const { return markedRow_; }
    bool CustomColourView() const { return customColourView_; }
    void SetCustomColourView(bool on) { customColourView_ = on; }
    CBitSlider* Slider(int id) const;

private:
    std::uint8_t Mode() const;
    bool TrackDrawn(int id) const;
    bool SliderShown(int id) const;
    void ShowSlidersForState();
    void CaptureSliderPosition(int id);
    void SetSliderFromImage(int id);
    void OpenList();
    void ColourSquare(int square, ColourWindow* colours);
    QString Text(const char* german, const char* english) const;
    QString Folder() const;
    QRect TrackArea(int id) const;

    void DrawSliderTrack(int id, QPainter& painter) const;
    void DrawEffectName(QPainter& painter) const;
    void DrawColourSquares(QPainter& painter) const;
    void DrawDirections(QPainter& painter) const;
    void DrawViewSwitches(QPainter& painter) const;
    void DrawEffectList(QPainter& painter) const;

    SkinnedDialog& host_;
    SettingsImage& image_;
    std::uint16_t language_ = 9;

    std::array<CBitSlider*, 4> sliders_{};
    std::array<int, 4> lastSliderPosition_{-1, -1, -1, -1};

    bool listOpen_ = false;
    int markedRow_ = kNoEffectRow;
    int lastMarkedRow_ = kNoEffectRow;
    // Per-key colour view (true) or key assignment view of a custom lighting profile.
    bool customColourView_ = false;
};

} // namespace corvane
