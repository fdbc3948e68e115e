#include "app/LightingPanel.h"

#include "app/PanelColours.h"
#include "device/LightingEffects.h"
#include "skin/BitSlider.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/SkinnedWindow.h"
#include "uikit/OtherWindows.h"
#include "uikit/Texts.h"

#include <QPainter>
#include <algorithm>
#include <optional>

namespace corvane {
namespace {

constexpr std::uint32_t kGreySquare = 0xC0C0C0;
// The captions under the speed and brightness tracks start where the 17-pixel track ends: a few
// pixels higher, every repaint of the track took the top of their letters.
constexpr int kBrightnessCaptionY = 277;
constexpr int kSpeedCaptionY = 320;
constexpr int kSwitchLabelHeight = 16;
constexpr int kSwitchLabelGap = 4;
// Where the panel's texts may reach: the card's inner edge; the captions left of a track's middle
// and right of it; the effect name before the selector's arrow; "REPORT RATE" before "Hz".
constexpr int kPanelRight = 259;
constexpr int kTrackMiddle = 138;
constexpr int kEffectNameRight = layout::kLightItemOrigin.x + 200;
constexpr int kReportRateRight = 230;
constexpr int kLabelGap = 2;

// A text's place: from its own start to `right`, one line high.
QRect LinePlace(int x, int y, int right, int height)
{
    return QRect(x, y, right - x, height + 2);
}
constexpr std::uint32_t kMarkedRowColour = 0x000050;
constexpr std::uint32_t kRowColour = 0x3B3B3B;
constexpr int kNoStartPosition = -1;

// The panel's sliders: control id, the field each edits, where set-up puts it, and how its thumb
// picture is nudged. Places and ranges come from the layout table by id; sliders_[i] is row i.
struct SliderBinding
{
    int id;
    SliderField field;
    int startPosition;
    int thumbShift;       // always added to the thumb's x
    bool zeroShiftsThumb; // at position 0 the thumb sits two pixels further right
};
constexpr std::array<SliderBinding, 4> kSliderBindings{{
    {layout::kSliderSpeed, SliderField::kSpeed, kNoStartPosition, 0, false},
    {layout::kSliderReportRate, SliderField::kReportRate, 1, 0, true},
    {layout::kSliderBrightness, SliderField::kBrightness, 1, 0, false},
    {layout::kSliderResponseTime, SliderField::kResponseTime, 1, 1, true},
}};

std::optional<std::size_t> IndexOfSlider(int id)
{
    for (std::size_t i = 0; i < kSliderBindings.size(); ++i)
        if (kSliderBindings[i].id == id) return i;
    return std::nullopt;
}

// Direction pictures in the order they are drawn, each at layout::kDirectionX of its index.
struct DirectionPicture
{
    Direction direction;
    const char* disabled;
    const char* enabled;
};
constexpr std::array<DirectionPicture, 4> kDirectionPictures{{
    {Direction::kTop, "Direction-T-Disable.png", "Direction-T-Enable.png"},
    {Direction::kBottom, "Direction-B-Disable.png", "Direction-B-Enable.png"},
    {Direction::kRight, "Direction-R-Disable.png", "Direction-R-Enable.png"},
    {Direction::kLeft, "Direction-L-Disable.png", "Direction-L-Enable.png"},
}};

QString SwitchPicture(bool on)
{
    return on ? QStringLiteral("Enable.png") : QStringLiteral("Disable.png");
}

} // namespace

LightingPanel::LightingPanel(SkinnedDialog& host, SettingsImage& image) : host_(host), image_(image)
{
    for (std::size_t i = 0; i < kSliderBindings.size(); ++i) {
        auto* slider = new CBitSlider(&host_);
        slider->SetControlId(kSliderBindings[i].id);
        slider->SetOwner(&host_);
        if (const layout::SliderPlace* place = layout::FindSlider(kSliderBindings[i].id))
            slider->move(place->origin.x, place->origin.y);
        slider->resize(layout::kSliderTrackSize.width, layout::kSliderTrackSize.height);
        sliders_[i] = slider;
    }
}

CBitSlider* LightingPanel::Slider(int id) const
{
    const std::optional<std::size_t> index = IndexOfSlider(id);
    return index ? sliders_[*index] : nullptr;
}

std::uint8_t LightingPanel::Mode() const
{
    return LightingView(image_).Mode();
}

QString LightingPanel::Text(const char* german, const char* english) const
{
    return PickText(language_, german, english);
}

QString LightingPanel::Folder() const
{
    return SkinFolderPath(SkinWindow::Main, language_);
}

void LightingPanel::SetUp(std::uint16_t language)
{
    language_ = language;
    listOpen_ = false;
    customColourView_ = false;
    for (std::size_t i = 0; i < kSliderBindings.size(); ++i) {
        const SliderBinding& binding = kSliderBindings[i];
        CBitSlider* slider = sliders_[i];
        slider->SetUpSlider();
        slider->setSingleStep(1);
        slider->setPageStep(1);
        if (const layout::SliderPlace* place = layout::FindSlider(binding.id)) {
            slider->move(place->origin.x, place->origin.y);
            slider->setRange(0, place->maximum);
        }
        if (binding.startPosition != kNoStartPosition) slider->setValue(binding.startPosition);
    }
    ShowSlidersForState();
}

void LightingPanel::SetSliderFromImage(int id)
{
    const std::optional<std::size_t> index = IndexOfSlider(id);
    if (!index) return;
    sliders_[*index]->setValue(SliderPositionOf(image_, kSliderBindings[*index].field));
}

void LightingPanel::SetSlidersFromImage()
{
    for (int id : {layout::kSliderBrightness, layout::kSliderSpeed, layout::kSliderReportRate,
                   layout::kSliderResponseTime})
        SetSliderFromImage(id);
}

// ---------------------------------------------------------------------------------------------
// What the sliders show and store

// The speed track belongs to the animated effects; the open list covers the brightness track.
bool LightingPanel::TrackDrawn(int id) const
{
    if (id == layout::kSliderSpeed) return ShowsSpeed(Mode());
    if (id == layout::kSliderBrightness) return !listOpen_;
    return true;
}

// A hidden slider takes no clicks: the open list's rows lie over all four.
bool LightingPanel::SliderShown(int id) const
{
    if (listOpen_) return false;
    return id != layout::kSliderSpeed || ShowsSpeed(Mode());
}

void LightingPanel::ShowSlidersForState()
{
    for (std::size_t i = 0; i < kSliderBindings.size(); ++i) {
        const bool shown = SliderShown(kSliderBindings[i].id);
        if (sliders_[i]->isVisibleTo(&host_) != shown) sliders_[i]->setVisible(shown);
    }
}

void LightingPanel::CaptureSliderPosition(int id)
{
    const std::optional<std::size_t> index = IndexOfSlider(id);
    if (!index) return;
    StoreSliderPosition(image_, kSliderBindings[*index].field, sliders_[*index]->value());
}

// Slider changes reach the image this way: whatever a drawn track shows is what its field holds.
void LightingPanel::CaptureSliderPositions()
{
    for (const SliderBinding& binding : kSliderBindings)
        if (TrackDrawn(binding.id)) CaptureSliderPosition(binding.id);
}

void LightingPanel::SettleBeforePaint()
{
    CaptureSliderPositions();
    if (!IsCustomProfile(Mode())) LightingSettings(image_).SettleColourSlot();
    ShowSlidersForState();
}

QRect LightingPanel::TrackArea(int id) const
{
    return QRect(Slider(id)->pos(), QSize(layout::kSliderTrackSize.width + layout::kSliderThumbSize.width,
                                          layout::kSliderTrackSize.height + 2));
}

// ---------------------------------------------------------------------------------------------
// Drawing

void LightingPanel::DrawSliderTrack(int id, QPainter& painter) const
{
    const std::optional<std::size_t> index = IndexOfSlider(id);
    if (!index) return;
    const SliderBinding& binding = kSliderBindings[*index];
    const CBitSlider* slider = sliders_[*index];
    const int position = slider->value();

    int thumbX = slider->ThumbOffsetX() + binding.thumbShift;
    if (binding.zeroShiftsThumb && position == 0) thumbX += 2;
    const int thumbY = slider->ThumbOffsetY();

    const QRect area(slider->pos(), QSize(layout::kSliderTrackSize.width, layout::kSliderTrackSize.height));
    const int filledWidth = std::clamp(thumbX, 0, area.width());
    painter.drawImage(area.topLeft(), slider->FilledTrack(), QRect(0, 0, filledWidth, area.height()));
    painter.drawImage(QPoint(area.left() + filledWidth, area.top()), slider->EmptyTrack(),
                      QRect(filledWidth, 0, area.width() - filledWidth, area.height()));
    DrawSkinImage(painter, Folder(), QStringLiteral("Thumb.png"), area.left() + thumbX,
                  area.top() + thumbY + 1);
}

void LightingPanel::DrawEffectName(QPainter& painter) const
{
    if (const std::optional<std::size_t> row = EffectRowOfCode(Mode())) {
        const LightingEffect& effect = kLightingEffects[*row];
        DrawSkinText(painter, Text(effect.german, effect.english), layout::kLightItemOrigin.x,
                     layout::kLightItemOrigin.y, kPanelBack, kWhite, 14,
                     LinePlace(layout::kLightItemOrigin.x, layout::kLightItemOrigin.y, kEffectNameRight, 14));
    }
}

void LightingPanel::DrawColourSquares(QPainter& painter) const
{
    const LightingView lighting(image_);
    const std::uint8_t mode = lighting.Mode();
    if (mode != kModeStatic)
        DrawSkinImage(painter, Folder(), QStringLiteral("8.png"), layout::kMultiColourSquareOrigin.x,
                      layout::kMultiColourSquareOrigin.y);
    for (int i = 0; i < static_cast<int>(img::kPaletteEntries); ++i) {
        const std::uint32_t colour =
            UsesAllColours(mode) ? kGreySquare : lighting.PaletteColour(static_cast<std::size_t>(i));
        FillColourRect(painter,
                       QRect(layout::kColourSquareX + layout::kColourSquarePitch * i,
                             layout::kColourSquareTop, layout::kColourSquareSize, layout::kColourSquareSize),
                       colour);
    }
    DrawFrameRect(painter,
                  layout::kColourFrameX + layout::kColourSquarePitch * (lighting.SettledColourSlot() - 1),
                  layout::kColourFrameY, layout::kColourFrameSize, layout::kColourFrameSize);
}

void LightingPanel::DrawDirections(QPainter& painter) const
{
    const QString folder = Folder();
    DrawSkinText(painter, QStringLiteral("Light direction"), layout::kLightDirectionLabel.x,
                 layout::kLightDirectionLabel.y, kPanelBack, kWhite, 15,
                 LinePlace(layout::kLightDirectionLabel.x, layout::kLightDirectionLabel.y, kPanelRight, 15));
    for (std::size_t i = 0; i < kDirectionPictures.size(); ++i)
        DrawSkinImage(painter, folder, QString::fromLatin1(kDirectionPictures[i].disabled),
                      layout::kDirectionX[i], layout::kDirectionY);
    const std::optional<Direction> direction = LightingView(image_).GetDirection();
    for (std::size_t i = 0; i < kDirectionPictures.size(); ++i)
        if (direction == kDirectionPictures[i].direction)
            DrawSkinImage(painter, folder, QString::fromLatin1(kDirectionPictures[i].enabled),
                          layout::kDirectionX[i], layout::kDirectionY);
}

void LightingPanel::DrawViewSwitches(QPainter& painter) const
{
    const QString folder = Folder();
    DrawSkinImage(painter, folder, SwitchPicture(!customColourView_), layout::kKeymapSwitchOrigin.x,
                  layout::kKeymapSwitchOrigin.y);
    DrawSkinImage(painter, folder, SwitchPicture(customColourView_), layout::kColourViewSwitchOrigin.x,
                  layout::kColourViewSwitchOrigin.y);
    DrawSkinText(painter, QStringLiteral("Keymap"), layout::kKeymapSwitchLabel.x,
                 layout::kKeymapSwitchLabel.y, kPanelBack, kWhite, 15,
                 LinePlace(layout::kKeymapSwitchLabel.x, layout::kKeymapSwitchLabel.y,
                           layout::kColourViewSwitchOrigin.x - kLabelGap, 15));
    DrawSkinText(
        painter, Text("Custom", "DIY"), layout::kColourViewSwitchLabel.x, layout::kColourViewSwitchLabel.y,
        kPanelBack, kWhite, 15,
        LinePlace(layout::kColourViewSwitchLabel.x, layout::kColourViewSwitchLabel.y, kPanelRight, 15));
}

void LightingPanel::DrawEffectList(QPainter& painter) const
{
    for (int row = 0; row < static_cast<int>(kLightingEffects.size()); ++row) {
        const layout::Rect r = layout::EffectRowRect(row);
        FillColourRect(painter, QRect(r.left, r.top, r.Width(), r.Height()),
                       row == markedRow_ ? kMarkedRowColour : kRowColour);
        const LightingEffect& effect = kLightingEffects[static_cast<std::size_t>(row)];
        DrawSkinText(painter, Text(effect.german, effect.english), r.left, r.top, kPanelBack, kWhite, 18,
                     QRect(r.left, r.top, r.Width(), r.Height()));
    }
}

void LightingPanel::Draw(QPainter& painter) const
{
    const QString folder = Folder();
    const LightingView lighting(image_);
    const std::uint8_t mode = lighting.Mode();
    auto text = [&](const QString& line, int x, int y, int height, int right = kPanelRight) {
        DrawSkinText(painter, line, x, y, kPanelBack, kWhite, height, LinePlace(x, y, right, height));
    };
    // A switch's label ends before its switch, smaller where the full size would run under it.
    auto switchLabel = [&](const QString& line, int x, int y, int switchX) {
        const int right = switchX - kSwitchLabelGap;
        text(line, x, y, FittingTextHeight(line, kSwitchLabelHeight, right - x), right);
    };

    text(Text("Licht", "Lighting"), layout::kLightingHeading.x, layout::kLightingHeading.y, 15);
    text(Text("Lichteffekte", "Light effects"), layout::kLightEffectsLabel.x, layout::kLightEffectsLabel.y,
         15);
    DrawSkinImage(painter, folder, QStringLiteral("Light_Item.png"), layout::kLightItemOrigin.x,
                  layout::kLightItemOrigin.y);

    if (TrackDrawn(layout::kSliderSpeed)) {
        DrawSliderTrack(layout::kSliderSpeed, painter);
        if (!listOpen_) {
            text(Text("Effekt geschwindigkeit", "Speed"), 28, 290, 13);
            text(Text("Langsam", "Slow"), 28, kSpeedCaptionY, 13, kTrackMiddle);
            if (language_ == kLanguageGerman)
                text(QStringLiteral("Schnell"), 220, kSpeedCaptionY, 13);
            else
                text(QStringLiteral("Fast"), 230, kSpeedCaptionY, 13);
        }
    }

    text(Text("Helligkeit", "Brightness"), 28, 247, 13);
    text(Text("niedrig", "Low"), 28, kBrightnessCaptionY, 13, kTrackMiddle);
    text(Text("hoch", "High"), 230, kBrightnessCaptionY, 13);
    if (TrackDrawn(layout::kSliderBrightness)) DrawSliderTrack(layout::kSliderBrightness, painter);

    if (!IsCustomProfile(mode)) DrawColourSquares(painter);
    if (ShowsDirection(mode)) DrawDirections(painter);
    if (IsCustomProfile(mode)) DrawViewSwitches(painter);
    DrawEffectName(painter);

    DrawSkinImage(painter, folder, QStringLiteral("MacroButton3.png"), layout::kMacroButtonOrigin.x,
                  layout::kMacroButtonOrigin.y);
    DrawSkinText(painter, QStringLiteral("Macro"), 110, 562, kPanelBack, kWhite, 20,
                 AreaOf(layout::kMainButtons[layout::kButtonMacro].rect));

    switchLabel(Text("Spielmodus", "GAME MODE"), 17, 464, layout::kGameModeSwitchOrigin.x);
    DrawSkinImage(painter, folder, SwitchPicture(lighting.GameMode()), layout::kGameModeSwitchOrigin.x,
                  layout::kGameModeSwitchOrigin.y);
    switchLabel(Text("Windowstasten sperren", "WINDOWS KEY LOCK"), 18, 500,
                layout::kWindowsLockSwitchOrigin.x);
    DrawSkinImage(painter, folder, SwitchPicture(lighting.WindowsKeyLocked()),
                  layout::kWindowsLockSwitchOrigin.x, layout::kWindowsLockSwitchOrigin.y);

    text(Text("Wiederholrate", "RESPONSE TIME"), 26, 341, 15);
    DrawSliderTrack(layout::kSliderResponseTime, painter);

    text(QStringLiteral("REPORT RATE"), 26, 401, 15, kReportRateRight);
    DrawSkinImage(painter, folder, QStringLiteral("responsetime_txt.png"), layout::kResponseScaleOrigin.x,
                  layout::kResponseScaleOrigin.y);
    DrawSkinImage(painter, folder, QStringLiteral("reportRate_txt.png"), layout::kReportRateScaleOrigin.x,
                  layout::kReportRateScaleOrigin.y);
    DrawSliderTrack(layout::kSliderReportRate, painter);

    if (listOpen_) DrawEffectList(painter);
}

// ---------------------------------------------------------------------------------------------
// Messages

void LightingPanel::OnSliderMoved(int id)
{
    const std::optional<std::size_t> index = IndexOfSlider(id);
    if (!index) return;
    const int position = sliders_[*index]->value();
    int& last = lastSliderPosition_[*index];
    if (position == last) return;
    last = position;
    // A full paint stores and draws every track itself; only a move outside one needs its own.
    if (host_.Composing()) return;
    if (host_.CanRedrawPart()) CaptureSliderPosition(id);
    host_.PartialRedraw(TrackArea(id), [this, id](QPainter& painter) { DrawSliderTrack(id, painter); });
}

void LightingPanel::OnRefreshControls(std::uintptr_t subType)
{
    // A redraw that cannot happen now waits for the next full paint, which stores for itself.
    auto redrawTrack = [this](int id) {
        SetSliderFromImage(id);
        if (host_.CanRedrawPart()) CaptureSliderPosition(id);
        host_.PartialRedraw(TrackArea(id), [this, id](QPainter& painter) { DrawSliderTrack(id, painter); });
    };
    switch (static_cast<KeyboardSetting>(subType)) {
    case KeyboardSetting::kMode:
        SetSliderFromImage(layout::kSliderSpeed);
        host_.PartialRedraw(QRect(layout::kLightItemOrigin.x, layout::kLightItemOrigin.y, 221, 16),
                            [this](QPainter& painter) {
                                DrawSkinImage(painter, Folder(), QStringLiteral("Light_Item.png"),
                                              layout::kLightItemOrigin.x, layout::kLightItemOrigin.y);
                                DrawEffectName(painter);
                            });
        break;
    case KeyboardSetting::kSpeed:
        redrawTrack(layout::kSliderSpeed);
        break;
    case KeyboardSetting::kBrightness:
        redrawTrack(layout::kSliderBrightness);
        break;
    case KeyboardSetting::kColour: {
        const bool squaresShown = !IsCustomProfile(Mode());
        if (squaresShown && host_.CanRedrawPart()) LightingSettings(image_).SettleColourSlot();
        const QRect strip(layout::kColourFrameX, layout::kColourFrameY, 200, 24);
        host_.PartialRedraw(strip, [this, strip, squaresShown](QPainter& painter) {
            FillColourRect(painter, strip, kPanelBack);
            if (squaresShown) DrawColourSquares(painter);
        });
        break;
    }
    default:
        host_.FullPaint();
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Clicks and hover

bool LightingPanel::OwnsButton(int button)
{
    return (button >= layout::kButtonEffectSelector && button <= layout::kButtonWindowsLock) ||
           button == layout::kZoneKeymapView || button == layout::kZoneColourView;
}

void LightingPanel::OpenList()
{
    listOpen_ = true;
    ShowSlidersForState();
}

bool LightingPanel::Hover(int x, int y)
{
    if (listOpen_ && layout::kEffectListArea.Contains(x, y)) {
        const int row = (y - layout::kEffectListArea.top) / layout::kEffectRowHeight;
        markedRow_ = row;
        if (row != lastMarkedRow_) {
            lastMarkedRow_ = row;
            host_.FullPaint();
        }
        return true;
    }
    markedRow_ = kNoEffectRow;
    return false;
}

void LightingPanel::ReleaseInList(int x, int y)
{
    if (layout::kEffectListArea.Contains(x, y)) {
        const int row = (y - layout::kEffectListArea.top) / layout::kEffectRowHeight;
        markedRow_ = row;
        customColourView_ =
            LightingSettings(image_).ChooseEffect(kLightingEffects[static_cast<std::size_t>(row)].code);
    }
    listOpen_ = false;
    ShowSlidersForState();
}

void LightingPanel::ColourSquare(int square, ColourWindow* colours)
{
    LightingSettings lighting(image_);
    if (lighting.ColourSquareOpensDialog(square) && colours != nullptr) {
        if (const std::optional<std::uint32_t> colour = colours->Open(kInitialDialogColour))
            lighting.SetPaletteColour(static_cast<std::size_t>(square), *colour);
    }
    lighting.ClickColourSquare(square);
}

void LightingPanel::Click(int button, ColourWindow* colours)
{
    LightingSettings lighting(image_);
    switch (button) {
    case layout::kButtonEffectSelector:
        OpenList();
        break;
    case layout::kButtonDirectionTop:
        lighting.SetDirection(Direction::kTop);
        break;
    case layout::kButtonDirectionBottom:
        lighting.SetDirection(Direction::kBottom);
        break;
    case layout::kButtonDirectionRight:
        lighting.SetDirection(Direction::kRight);
        break;
    case layout::kButtonDirectionLeft:
        lighting.SetDirection(Direction::kLeft);
        break;
    case layout::kButtonGameMode:
        lighting.ToggleGameMode();
        break;
    case layout::kButtonWindowsLock:
        lighting.ToggleWindowsKeyLock();
        break;
    case layout::kZoneKeymapView:
        customColourView_ = false;
        break;
    case layout::kZoneColourView:
        customColourView_ = true;
        break;
    default:
        if (button >= layout::kButtonFirstColourSquare && button <= layout::kButtonMultiColour)
            ColourSquare(button - layout::kButtonFirstColourSquare, colours);
        break;
    }
}

} // namespace corvane
