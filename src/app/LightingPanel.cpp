// The lighting and performance panel of the main window: effect list, sliders, colour squares,
// directions and switches. Every control edits the settings image only; Apply sends it.

#include "app/CTarvikDlg.h"

#include "device/LightingEffects.h"
#include "device/LightingSettings.h"
#include "app/PanelColours.h"
#include "app/Texts.h"
#include "skin/BitSlider.h"
#include "skin/SkinDraw.h"
#include "skin/SkinLayout.h"

#include <QPainter>

namespace corvane {
namespace {

constexpr std::uint32_t kGreySquare = 0xC0C0C0;
constexpr std::uint32_t kMarkedRowColour = 0x000050;
constexpr std::uint32_t kRowColour = 0x3B3B3B;

SliderField FieldOfSlider(int id)
{
    switch (id) {
    case layout::kSliderSpeed:
        return SliderField::kSpeed;
    case layout::kSliderBrightness:
        return SliderField::kBrightness;
    case layout::kSliderReportRate:
        return SliderField::kReportRate;
    default:
        return SliderField::kResponseTime;
    }
}

// The area a slider's track and thumb are drawn in, in window coordinates.
QRect TrackArea(const CBitSlider* slider)
{
    return QRect(slider->pos(), QSize(layout::kSliderTrackSize.width + layout::kSliderThumbSize.width,
                                      layout::kSliderTrackSize.height + 2));
}

} // namespace

void CTarvikDlg::SetSliderVisible(int id, bool visible)
{
    CBitSlider* slider = Slider(id);
    if (slider != nullptr && slider->isVisibleTo(this) != visible) slider->setVisible(visible);
}

void CTarvikDlg::DrawSliderTrack(int id, QPainter& painter)
{
    CBitSlider* slider = Slider(id);
    if (slider == nullptr) return;
    const int position = slider->value();
    StoreSliderPosition(state_.image, FieldOfSlider(id), position);

    int thumbX = slider->ThumbOffsetX();
    if (id == layout::kSliderResponseTime) thumbX += 1;
    if ((id == layout::kSliderReportRate || id == layout::kSliderResponseTime) && position == 0) thumbX += 2;
    const int thumbY = slider->ThumbOffsetY();

    const QRect area(slider->pos(), QSize(layout::kSliderTrackSize.width, layout::kSliderTrackSize.height));
    const int filledWidth = std::clamp(thumbX, 0, area.width());
    painter.drawImage(area.topLeft(), slider->FilledTrack(), QRect(0, 0, filledWidth, area.height()));
    painter.drawImage(QPoint(area.left() + filledWidth, area.top()), slider->EmptyTrack(),
                      QRect(filledWidth, 0, area.width() - filledWidth, area.height()));
    DrawSkinImage(painter, SkinFolder(), QStringLiteral("Thumb.png"), area.left() + thumbX,
                  area.top() + thumbY + 1);
}

void CTarvikDlg::DrawEffectName(QPainter& painter)
{
    if (const std::optional<std::size_t> row = EffectRowOfCode(LightingMode())) {
        const LightingEffect& effect = kLightingEffects[*row];
        DrawSkinText(painter, Text(effect.german, effect.english), layout::kLightItemOrigin.x,
                     layout::kLightItemOrigin.y, kPanelBack, kWhite, 14);
    }
}

void CTarvikDlg::DrawColourSquares(QPainter& painter)
{
    const std::uint8_t mode = LightingMode();
    if (mode != kModeStatic)
        DrawSkinImage(painter, SkinFolder(), QStringLiteral("8.png"), layout::kMultiColourSquareOrigin.x,
                      layout::kMultiColourSquareOrigin.y);
    LightingSettings lighting(state_.image);
    const std::uint8_t slot = lighting.SettleColourSlot();
    for (int i = 0; i < static_cast<int>(img::kPaletteEntries); ++i) {
        const std::uint32_t colour =
            UsesAllColours(mode) ? kGreySquare : lighting.PaletteColour(static_cast<std::size_t>(i));
        FillColourRect(painter,
                       QRect(layout::kColourSquareX + layout::kColourSquarePitch * i,
                             layout::kColourSquareTop, layout::kColourSquareSize, layout::kColourSquareSize),
                       colour);
    }
    DrawFrameRect(painter, layout::kColourFrameX + layout::kColourSquarePitch * (slot - 1),
                  layout::kColourFrameY, layout::kColourFrameSize, layout::kColourFrameSize);
}

void CTarvikDlg::DrawLightingPanel(QPainter& painter)
{
    const QString folder = SkinFolder();
    const std::uint8_t mode = LightingMode();
    auto text = [&](const QString& line, int x, int y, int height) {
        DrawSkinText(painter, line, x, y, kPanelBack, kWhite, height);
    };

    text(Text("Licht", "Lighting"), layout::kLightingHeading.x, layout::kLightingHeading.y, 15);
    text(Text("Lichteffekte", "Light effects"), layout::kLightEffectsLabel.x, layout::kLightEffectsLabel.y,
         15);
    DrawSkinImage(painter, folder, QStringLiteral("Light_Item.png"), layout::kLightItemOrigin.x,
                  layout::kLightItemOrigin.y);

    if (ShowsSpeed(mode)) {
        DrawSliderTrack(layout::kSliderSpeed, painter);
        if (!effectListOpen_) {
            SetSliderVisible(layout::kSliderSpeed, true);
            text(Text("Effekt geschwindigkeit", "Speed"), 28, 290, 13);
            text(Text("Langsam", "Slow"), 28, 317, 13);
            if (language_ == kLanguageGerman)
                text(QStringLiteral("Schnell"), 220, 317, 13);
            else
                text(QStringLiteral("Fast"), 230, 317, 13);
        }
    } else {
        SetSliderVisible(layout::kSliderSpeed, false);
    }

    text(Text("Helligkeit", "Brightness"), 28, 247, 13);
    text(Text("niedrig", "Low"), 28, 274, 13);
    text(Text("hoch", "High"), 230, 274, 13);
    if (effectListOpen_) {
        SetSliderVisible(layout::kSliderBrightness, false);
    } else {
        SetSliderVisible(layout::kSliderBrightness, true);
        DrawSliderTrack(layout::kSliderBrightness, painter);
    }

    if (!IsCustomProfile(mode)) DrawColourSquares(painter);

    if (ShowsDirection(mode)) {
        text(QStringLiteral("Light direction"), layout::kLightDirectionLabel.x,
             layout::kLightDirectionLabel.y, 15);
        static const char* const kDisabled[4] = {"Direction-T-Disable.png", "Direction-B-Disable.png",
                                                 "Direction-R-Disable.png", "Direction-L-Disable.png"};
        for (int i = 0; i < 4; ++i)
            DrawSkinImage(painter, folder, QString::fromLatin1(kDisabled[i]), layout::kDirectionX[i],
                          layout::kDirectionY);
        if (const std::optional<Direction> direction = LightingView(state_.image).GetDirection()) {
            switch (*direction) {
            case Direction::kTop:
                DrawSkinImage(painter, folder, QStringLiteral("Direction-T-Enable.png"), layout::kDirectionX[0],
                              layout::kDirectionY);
                break;
            case Direction::kBottom:
                DrawSkinImage(painter, folder, QStringLiteral("Direction-B-Enable.png"), layout::kDirectionX[1],
                              layout::kDirectionY);
                break;
            case Direction::kRight:
                DrawSkinImage(painter, folder, QStringLiteral("Direction-R-Enable.png"), layout::kDirectionX[2],
                              layout::kDirectionY);
                break;
            case Direction::kLeft:
                DrawSkinImage(painter, folder, QStringLiteral("Direction-L-Enable.png"), layout::kDirectionX[3],
                              layout::kDirectionY);
                break;
            }
        }
    }

    if (IsCustomProfile(mode)) {
        DrawSkinImage(painter, folder,
                      customColourView_ ? QStringLiteral("Disable.png") : QStringLiteral("Enable.png"),
                      layout::kKeymapSwitchOrigin.x, layout::kKeymapSwitchOrigin.y);
        DrawSkinImage(painter, folder,
                      customColourView_ ? QStringLiteral("Enable.png") : QStringLiteral("Disable.png"),
                      layout::kColourViewSwitchOrigin.x, layout::kColourViewSwitchOrigin.y);
        text(QStringLiteral("Keymap"), layout::kKeymapSwitchLabel.x, layout::kKeymapSwitchLabel.y, 15);
        text(Text("Custom", "DIY"), layout::kColourViewSwitchLabel.x, layout::kColourViewSwitchLabel.y, 15);
    }

    DrawEffectName(painter);

    DrawSkinImage(painter, folder, QStringLiteral("MacroButton3.png"), layout::kMacroButtonOrigin.x,
                  layout::kMacroButtonOrigin.y);
    text(QStringLiteral("Macro"), 110, 562, 20);

    text(Text("Spielmodus", "GAME MODE"), 17, 464, 16);
    DrawSkinImage(painter, folder,
                  LightingView(state_.image).GameMode() ? QStringLiteral("Enable.png")
                                                    : QStringLiteral("Disable.png"),
                  layout::kGameModeSwitchOrigin.x, layout::kGameModeSwitchOrigin.y);
    text(Text("Windowstasten sperren", "WINDOWS KEY LOCK"), 18, 500, 16);
    DrawSkinImage(painter, folder,
                  LightingView(state_.image).WindowsKeyLocked() ? QStringLiteral("Enable.png")
                                                          : QStringLiteral("Disable.png"),
                  layout::kWindowsLockSwitchOrigin.x, layout::kWindowsLockSwitchOrigin.y);

    text(Text("Wiederholrate", "RESPONSE TIME"), 26, 341, 15);
    CBitSlider* response = Slider(layout::kSliderResponseTime);
    response->move(26, 363);
    response->SetUpSlider();
    DrawSliderTrack(layout::kSliderResponseTime, painter);
    SetSliderVisible(layout::kSliderResponseTime, !effectListOpen_);

    text(QStringLiteral("REPORT RATE"), 26, 401, 15);
    CBitSlider* reportRate = Slider(layout::kSliderReportRate);
    reportRate->move(26, 414);
    reportRate->SetUpSlider();
    DrawSkinImage(painter, folder, QStringLiteral("responsetime_txt.png"), layout::kResponseScaleOrigin.x,
                  layout::kResponseScaleOrigin.y);
    DrawSkinImage(painter, folder, QStringLiteral("reportRate_txt.png"), layout::kReportRateScaleOrigin.x,
                  layout::kReportRateScaleOrigin.y);
    DrawSliderTrack(layout::kSliderReportRate, painter);
    // The report rate slider lies under the open list's rows; left visible it would take the
    // clicks meant for them.
    SetSliderVisible(layout::kSliderReportRate, !effectListOpen_);

    if (effectListOpen_) {
        SetSliderVisible(layout::kSliderSpeed, false);
        SetSliderVisible(layout::kSliderBrightness, false);
        for (int row = 0; row < static_cast<int>(kLightingEffects.size()); ++row) {
            const layout::Rect r = layout::EffectRowRect(row);
            FillColourRect(painter, QRect(r.left, r.top, r.Width(), r.Height()),
                           row == markedRow_ ? kMarkedRowColour : kRowColour);
            const LightingEffect& effect = kLightingEffects[static_cast<std::size_t>(row)];
            text(Text(effect.german, effect.english), r.left, r.top, 18);
        }
    }
}

void CTarvikDlg::OnSliderMoved(int id)
{
    CBitSlider* slider = Slider(id);
    if (slider == nullptr) return;
    int& last = lastSliderPosition_[static_cast<std::size_t>(SliderIndex(id))];
    if (slider->value() == last) return;
    last = slider->value();
    // A full paint draws every track itself; only a move outside one needs its own redraw.
    if (inFullPaint_) return;
    PartialRedraw(TrackArea(slider), [this, id](QPainter& painter) { DrawSliderTrack(id, painter); });
}

void CTarvikDlg::OnRefreshControls(std::uintptr_t subType)
{
    switch (static_cast<KeyboardSetting>(subType)) {
    case KeyboardSetting::kMode:
        Slider(layout::kSliderSpeed)->setValue(SliderPositionOf(state_.image, SliderField::kSpeed));
        PartialRedraw(QRect(layout::kLightItemOrigin.x, layout::kLightItemOrigin.y, 221, 16),
                      [this](QPainter& p) {
                          DrawSkinImage(p, SkinFolder(), QStringLiteral("Light_Item.png"),
                                        layout::kLightItemOrigin.x, layout::kLightItemOrigin.y);
                          DrawEffectName(p);
                      });
        break;
    case KeyboardSetting::kSpeed:
        Slider(layout::kSliderSpeed)->setValue(SliderPositionOf(state_.image, SliderField::kSpeed));
        PartialRedraw(TrackArea(Slider(layout::kSliderSpeed)),
                      [this](QPainter& p) { DrawSliderTrack(layout::kSliderSpeed, p); });
        break;
    case KeyboardSetting::kBrightness:
        Slider(layout::kSliderBrightness)->setValue(SliderPositionOf(state_.image, SliderField::kBrightness));
        PartialRedraw(TrackArea(Slider(layout::kSliderBrightness)),
                      [this](QPainter& p) { DrawSliderTrack(layout::kSliderBrightness, p); });
        break;
    case KeyboardSetting::kColour:
        PartialRedraw(QRect(layout::kColourFrameX, layout::kColourFrameY, 200, 24), [this](QPainter& p) {
            FillColourRect(p, QRect(layout::kColourFrameX, layout::kColourFrameY, 200, 24), kPanelBack);
            if (!IsCustomProfile(LightingMode())) DrawColourSquares(p);
        });
        break;
    default:
        FullPaint();
        break;
    }
}

void CTarvikDlg::OpenEffectList()
{
    effectListOpen_ = true;
    SetSliderVisible(layout::kSliderSpeed, false);
    SetSliderVisible(layout::kSliderBrightness, false);
    SetSliderVisible(layout::kSliderResponseTime, false);
    SetSliderVisible(layout::kSliderReportRate, false);
}

bool CTarvikDlg::HoverEffectList(int x, int y)
{
    if (!layout::kEffectListArea.Contains(x, y)) return false;
    const int row = (y - layout::kEffectListArea.top) / layout::kEffectRowHeight;
    markedRow_ = row;
    if (row != lastMarkedRow_) {
        lastMarkedRow_ = row;
        FullPaint();
    }
    return true;
}

void CTarvikDlg::ReleaseInEffectList(int x, int y)
{
    if (!layout::kEffectListArea.Contains(x, y)) {
        effectListOpen_ = false;
        return;
    }
    const int row = (y - layout::kEffectListArea.top) / layout::kEffectRowHeight;
    markedRow_ = row;
    customColourView_ = LightingSettings(state_.image).ChooseEffect(kLightingEffects[static_cast<std::size_t>(row)].code);
    effectListOpen_ = false;
    SetSliderVisible(layout::kSliderSpeed, true);
}

void CTarvikDlg::ColourSquare(int square)
{
    LightingSettings lighting(state_.image);
    if (lighting.ColourSquareOpensDialog(square) && colourWindow_ != nullptr) {
        if (const std::optional<std::uint32_t> colour = colourWindow_->Open(kInitialDialogColour))
            lighting.SetPaletteColour(static_cast<std::size_t>(square), *colour);
    }
    lighting.ClickColourSquare(square);
}

void CTarvikDlg::PanelButton(int button)
{
    LightingSettings lighting(state_.image);
    switch (button) {
    case layout::kButtonEffectSelector:
        OpenEffectList();
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
            ColourSquare(button - layout::kButtonFirstColourSquare);
        break;
    }
}

} // namespace corvane
