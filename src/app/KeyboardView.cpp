// The main window's full paint, the keyboard picture, hit tests and key selection.

#include "app/CTarvikDlg.h"

#include "app/PanelColours.h"
#include "device/LightingEffects.h"
#include "device/LightingSettings.h"
#include "format/KeyLayout.h"
#include "keys/ApplyKeyAssignment.h"
#include "keys/KeyCapture.h"
#include "skin/SkinDraw.h"
#include "skin/SkinLayout.h"
#include "store/SettingsFiles.h"
#include "uikit/Texts.h"

#include <QPainter>

namespace corvane {
namespace {

constexpr int kKeyLabelHeight = 10; // per-key colour view labels
constexpr int kNoticeLeft = 260;    // right of the program's name in the title strip

} // namespace

// The media keys the picture lacks and both Ctrl keys take no clicks and show no hover.
bool CTarvikDlg::IgnoresClicks(std::uint8_t slot)
{
    return layout::IsAbsentKey(slot) || slot == kLeftCtrlSlot || slot == kRightCtrlSlot;
}

bool CTarvikDlg::InColourView() const
{
    return panel_.CustomColourView() && CustomLightMapOf(LightingMode()).has_value();
}

std::uint8_t CTarvikDlg::KeyAtPoint(int x, int y) const
{
    const bool colourView = InColourView();
    for (int slot = 0; slot < static_cast<int>(layout::kKeyCount); ++slot) {
        if (!colourView && (slot == kWinSlot || slot == kFnSlot)) continue;
        if (layout::KeyWindowRect(slot).Contains(x, y)) return static_cast<std::uint8_t>(slot);
    }
    return kNoKey;
}

int CTarvikDlg::ButtonAtPoint(int x, int y) const
{
    if (IsCustomProfile(LightingMode())) {
        if (layout::kKeymapViewZone.Contains(x, y)) return layout::kZoneKeymapView;
        if (layout::kColourViewZone.Contains(x, y)) return layout::kZoneColourView;
    }
    for (int button = 0; button < layout::kMainButtonCount; ++button) {
        const layout::Rect& rect = layout::kMainButtons[button].rect;
        if (!rect.IsEmpty() && rect.Contains(x, y)) return button;
    }
    return kNoButton;
}

void CTarvikDlg::SettleBeforePaint()
{
    // The Windows key carries no assignment of its own, so the key view never shows it marked.
    if (!InColourView()) state_.marks[kWinSlot] = 0;
    panel_.SettleBeforePaint();
}

void CTarvikDlg::PaintElements(QPainter& painter)
{
    ++fullPaints_;
    PaintTitleAndButtons(painter);
    DrawSkinImage(painter, SkinFolder(), QStringLiteral("kb_BK.png"), layout::kKeyboardOrigin.x,
                  layout::kKeyboardOrigin.y);
    PaintKeyboard(painter);

    const QString folder = SkinFolder();
    DrawSkinImage(painter, folder, QStringLiteral("apply.png"), layout::kApplyButtonOrigin.x,
                  layout::kApplyButtonOrigin.y);
    DrawSkinImage(painter, folder, QStringLiteral("Config.png"), layout::kProfileButtonOrigin.x,
                  layout::kProfileButtonOrigin.y);
    const QRect apply = AreaOf(layout::kMainButtons[layout::kButtonApply].rect);
    const QRect profile = AreaOf(layout::kMainButtons[layout::kButtonProfile].rect);
    // "Anwenden" at 13 pixels would run past its button; one step smaller it stays on it.
    if (language_ == kLanguageGerman) {
        DrawSkinText(painter, QStringLiteral("Anwenden"), 872, 567, kPanelBack, kWhite, 12, apply);
        DrawSkinText(painter, QStringLiteral("Profil"), 33, 562, kPanelBack, kWhite, 20, profile);
    } else {
        DrawSkinText(painter, QStringLiteral("Apply"), 876, 565, kPanelBack, kWhite, 20, apply);
        DrawSkinText(painter, QStringLiteral("Profile"), 28, 562, kPanelBack, kWhite, 20, profile);
    }
    panel_.Draw(painter);
    if (fullPaints_ == 1) QMetaObject::invokeMethod(this, &CTarvikDlg::FirstPainted, Qt::QueuedConnection);
}

QString CTarvikDlg::HelpRowText(int row) const
{
    switch (row) {
    case 0:
        return Text("Einstellung zurücksetzen", "Reset settings");
    case 1:
        return Text("Firmware aktualisieren", "Firmware update");
    // The program's own version, as --version prints it.
    default:
        return Text("Softwareversion: " CORVANE_VERSION, "Software Version: " CORVANE_VERSION);
    }
}

QRect CTarvikDlg::HelpRowPlace(int row)
{
    const layout::Rect& area = layout::kHelpWindowArea;
    return QRect(area.left, area.top + layout::kHelpRowHeight * row, area.Width(), layout::kHelpRowHeight);
}

void CTarvikDlg::PaintTitleAndButtons(QPainter& painter)
{
    const QString folder = SkinFolder();
    DrawSkinImage(painter, folder, QStringLiteral("button-help-normal.png"), layout::kHelpButtonOrigin.x,
                  layout::kHelpButtonOrigin.y);
    if (helpOpen_) {
        DrawSkinImage(painter, folder, QStringLiteral("HelpWindow.png"), layout::kHelpWindowOrigin.x,
                      layout::kHelpWindowOrigin.y);
        const std::uint32_t updateColour = UpdaterPresent() ? kWhite : kDimmed;
        for (int row = 0; row < 3; ++row)
            DrawSkinText(painter, HelpRowText(row), layout::kHelpTextX, layout::kHelpTextY[row], 0,
                         row == 1 ? updateColour : kWhite, layout::kHelpTextHeight, HelpRowPlace(row));
    }
    DrawSkinImage(painter, folder, QStringLiteral("button-min-normal.png"), layout::kMinimiseButtonOrigin.x,
                  layout::kMinimiseButtonOrigin.y);
    DrawSkinImage(painter, folder, QStringLiteral("button-close-normal.png"), layout::kCloseButtonOrigin.x,
                  layout::kCloseButtonOrigin.y);
    // Where there is no notification area to carry the warning, the window says it. The skin font
    // has no full-width exclamation mark, so the plain one stands in for it here.
    // Between the program's name and the help button.
    if (ShowsNoKeyboardNotice())
        DrawSkinText(
            painter, NoKeyboardNotice(), 420, 8, kPanelBack, kWhite, 15,
            QRect(QPoint(kNoticeLeft, 0), QPoint(layout::kHelpButtonOrigin.x - 1, layout::kDragStripBottom)));
}

void CTarvikDlg::PaintKeyboard(QPainter& painter)
{
    const QString folder = SkinFolder();
    const int ox = layout::kKeyboardOrigin.x;
    const int oy = layout::kKeyboardOrigin.y;
    auto highlight = [&](std::uint8_t slot) {
        const layout::Rect& r = layout::kKeyTable[slot].rect;
        DrawSkinImagePart(painter, folder, QStringLiteral("kb_hl.png"), r.left, r.top, r.right, r.bottom, ox,
                          oy);
    };
    auto frameAround = [&](std::uint8_t slot) {
        const layout::Rect r = layout::KeyWindowRect(slot);
        DrawFrameRect(painter, r.left - 2, r.top - 2, r.Width() + 3, r.Height() + 3);
    };

    if (!InColourView()) {
        if (hoverKey_ != kNoKey) highlight(hoverKey_);
        for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot)
            if (state_.marks[slot] != 0) highlight(slot);
        return;
    }

    const std::uint8_t* map = LightingView(state_.image).ActiveLightMap();
    for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot) {
        if (layout::IsAbsentKey(slot)) continue;
        const std::uint32_t colour = LightingView::KeyColour(map, DeviceKeyIndex(slot));
        if (colour == 0) continue;
        const layout::Rect r = layout::KeyWindowRect(slot);
        FillColourRect(painter, QRect(r.left, r.top, r.Width(), r.Height()), colour);
        const layout::KeyEntry& key = layout::kKeyTable[slot];
        const std::uint32_t inverse = colour ^ 0xFFFFFF;
        // A label longer than its key is written smaller and kept inside the key, so that it
        // never runs into the next one ("Caps Lock", "Home", "Down").
        const QString label = QString::fromUtf8(key.label);
        const int labelX = key.labelPoint.x + ox;
        painter.save();
        painter.setClipRect(QRect(r.left, r.top, r.Width(), r.Height()));
        DrawSkinText(painter, label, labelX, key.labelPoint.y + oy, kPanelBack, inverse,
                     FittingTextHeight(label, kKeyLabelHeight, r.right - 1 - labelX), AreaOf(r));
        painter.restore();
    }
    for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot)
        if (selected_[slot] != 0 && !layout::IsAbsentKey(slot)) frameAround(slot);
    if (leftHeld_)
        DrawFrameRect(painter, pressPoint_.x(), pressPoint_.y(), currentPoint_.x() - pressPoint_.x(),
                      currentPoint_.y() - pressPoint_.y());
    if (hoverKey_ != kNoKey && !layout::IsAbsentKey(hoverKey_)) frameAround(hoverKey_);
}

void CTarvikDlg::RubberBand()
{
    bool any = false;
    for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot) {
        const layout::Rect r = layout::KeyWindowRect(slot);
        // The keys the picture lacks have no place to enclose.
        const bool inside = !layout::IsAbsentKey(slot) && r.left >= pressPoint_.x() &&
                            r.top >= pressPoint_.y() && r.right <= currentPoint_.x() &&
                            r.bottom <= currentPoint_.y();
        selected_[slot] = inside ? 1 : 0;
        any = any || inside;
    }
    selectionState_ = any ? 1 : 0;
    FullPaint();
}

void CTarvikDlg::ClearSelection()
{
    selected_.fill(0);
    selectionState_ = 0;
}

void CTarvikDlg::ReleaseOnKey(std::uint8_t slot)
{
    if (IgnoresClicks(slot)) return;
    if (!InColourView()) {
        // The same keys corvanectl assigns: the picture never offers the others here.
        if (IsAssignableKey(slot)) AssignKey(slot);
        return;
    }
    if (ctrlHeld_) {
        selected_[slot] = selected_[slot] != 0 ? 0 : 1;
        return;
    }
    if (selectionState_ == 1) {
        selectionState_ = 2;
        return;
    }
    if (colourWindow_ == nullptr) return;
    if (selectionState_ != 2) selected_[slot] = 1;
    ColourSelectedKeys();
}

void CTarvikDlg::ColourSelectedKeys()
{
    const std::optional<std::uint32_t> colour = colourWindow_->Open(kInitialDialogColour);
    std::uint8_t* map = LightingSettings(state_.image).ActiveLightMap();
    if (colour && map != nullptr) {
        for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot)
            if (selected_[slot] != 0) LightingSettings::SetKeyColour(map, DeviceKeyIndex(slot), *colour);
    }
    ClearSelection();
}

void CTarvikDlg::AssignKey(std::uint8_t slot)
{
    if (keyWindow_ == nullptr) return;
    AssignmentResult result;
    result.selectedKeySlot = slot;
    result.selectedKeyCode = DefaultKeyOrder[slot];
    // The dialog edits the records as saved; the image in memory keeps unsaved lighting edits.
    LoadKeymap(KeymapPath(), state_, KeymapLoadMode::kRecordsOnly);
    if (!keyWindow_->Open(result)) return;
    corvane::AssignKey(state_, result, codes_, macros_);
    SaveAndTell({KeymapJob()}, SaveMoment::kDialog);
}

} // namespace corvane
