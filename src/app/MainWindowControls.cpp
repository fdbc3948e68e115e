// The main window's controls as the keyboard and assistive technology meet them: the title strip,
// the lighting panel, the keys of the keyboard picture and the bottom buttons, each with its name
// in the window's language and its state.

#include "app/CTarvikDlg.h"

#include "device/LightingEffects.h"
#include "device/LightingSettings.h"
#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "keys/KeyCapture.h"
#include "keys/KeyNames.h"
#include "keys/NamedFunctionTable.h"
#include "skin/BitSlider.h"
#include "skin/SkinDraw.h"
#include "skin/SkinLayout.h"
#include "text/Utf16.h"
#include "uikit/Texts.h"

#include <span>

namespace corvane {
namespace {

// Control ids: buttons keep their table number; the rest lie above the table.
constexpr int kEffectRowId = 200;
constexpr int kHelpRowId = 300;
constexpr int kNoticeId = 400;
constexpr int kKeyId = 1000;

// Arrow-key groups.
enum Group : int {
    kNoGroup,
    kKeysGroup,
    kDirectionsGroup,
    kColoursGroup,
    kViewGroup,
    kEffectGroup,
    kHelpGroup
};

DrawnControl Button(int id, const QString& name, const QRect& rect, int group = kNoGroup)
{
    DrawnControl control;
    control.id = id;
    control.name = name;
    control.rect = rect;
    control.group = group;
    return control;
}

DrawnControl TableButton(int button, const QString& name, int group = kNoGroup)
{
    return Button(button, name, AreaOf(layout::kMainButtons[button].rect), group);
}

DrawnControl Choice(QAccessible::Role role, int id, const QString& name, const QRect& rect, bool checked,
                    int group)
{
    DrawnControl control = Button(id, name, rect, group);
    control.role = role;
    control.checkable = true;
    control.checked = checked;
    return control;
}

QString ColourName(std::uint32_t bgr)
{
    return ColourFromRef(bgr).name().toUpper();
}

} // namespace

void LightingPanel::AddControls(DrawnControlList& controls) const
{
    const LightingView lighting(image_);
    const std::uint8_t mode = lighting.Mode();
    const std::optional<std::size_t> effectRow = EffectRowOfCode(mode);
    const QString effect =
        effectRow ? Text(kLightingEffects[*effectRow].german, kLightingEffects[*effectRow].english)
                  : QString();
    DrawnControl selector = TableButton(layout::kButtonEffectSelector,
                                        Text("Lichteffekte: ", "Light effects: ") + effect, kEffectGroup);
    selector.role = QAccessible::ComboBox;
    controls.push_back(selector);
    if (listOpen_) {
        // The open list covers the panel: a click anywhere else only closes it.
        for (int row = 0; row < static_cast<int>(kLightingEffects.size()); ++row) {
            const LightingEffect& entry = kLightingEffects[static_cast<std::size_t>(row)];
            DrawnControl item = Button(kEffectRowId + row, Text(entry.german, entry.english),
                                       AreaOf(layout::EffectRowRect(row)), kEffectGroup);
            item.role = QAccessible::ListItem;
            item.selected = effectRow && static_cast<std::size_t>(row) == *effectRow;
            controls.push_back(item);
        }
        return;
    }

    const auto slider = [&](int id, const QString& name) {
        CBitSlider* widget = Slider(id);
        if (widget == nullptr) return;
        widget->setAccessibleName(name);
        DrawnControl entry;
        entry.widget = widget;
        controls.push_back(entry);
    };
    if (SliderShown(layout::kSliderSpeed))
        slider(layout::kSliderSpeed, Text("Effekt geschwindigkeit", "Speed"));
    if (SliderShown(layout::kSliderBrightness))
        slider(layout::kSliderBrightness, Text("Helligkeit", "Brightness"));

    if (!IsCustomProfile(mode)) {
        const std::uint8_t slot = lighting.SettledColourSlot();
        for (int i = 0; i < static_cast<int>(img::kPaletteEntries); ++i) {
            const int button = layout::kButtonFirstColourSquare + i;
            QString name = Text("Farbe %1", "Colour %1").arg(i + 1);
            if (!UsesAllColours(mode))
                name +=
                    QStringLiteral(", ") + ColourName(lighting.PaletteColour(static_cast<std::size_t>(i)));
            controls.push_back(Choice(QAccessible::RadioButton, button, name,
                                      AreaOf(layout::kMainButtons[button].rect), slot == i + 1,
                                      kColoursGroup));
        }
        if (mode != kModeStatic)
            controls.push_back(Choice(QAccessible::RadioButton, layout::kButtonMultiColour,
                                      Text("Mehrfarbig", "Multicolour"),
                                      AreaOf(layout::kMainButtons[layout::kButtonMultiColour].rect),
                                      slot == kMultiColourSlot, kColoursGroup));
    }
    if (ShowsDirection(mode)) {
        const std::optional<Direction> direction = lighting.GetDirection();
        const struct
        {
            int button;
            Direction direction;
            const char* german;
            const char* english;
        } directions[] = {
            {layout::kButtonDirectionTop, Direction::kTop, "Lichtrichtung: nach oben", "Light direction: up"},
            {layout::kButtonDirectionBottom, Direction::kBottom, "Lichtrichtung: nach unten",
             "Light direction: down"},
            {layout::kButtonDirectionRight, Direction::kRight, "Lichtrichtung: nach rechts",
             "Light direction: right"},
            {layout::kButtonDirectionLeft, Direction::kLeft, "Lichtrichtung: nach links",
             "Light direction: left"}};
        for (const auto& d : directions)
            controls.push_back(Choice(QAccessible::RadioButton, d.button, Text(d.german, d.english),
                                      AreaOf(layout::kMainButtons[d.button].rect), direction == d.direction,
                                      kDirectionsGroup));
    }
    if (IsCustomProfile(mode)) {
        controls.push_back(Choice(QAccessible::RadioButton, layout::kZoneKeymapView, QStringLiteral("Keymap"),
                                  AreaOf(layout::kKeymapViewZone), !customColourView_, kViewGroup));
        controls.push_back(Choice(QAccessible::RadioButton, layout::kZoneColourView, Text("Custom", "DIY"),
                                  AreaOf(layout::kColourViewZone), customColourView_, kViewGroup));
    }

    slider(layout::kSliderResponseTime, Text("Wiederholrate", "RESPONSE TIME"));
    slider(layout::kSliderReportRate, QStringLiteral("REPORT RATE"));
    controls.push_back(Choice(QAccessible::CheckBox, layout::kButtonGameMode, Text("Spielmodus", "GAME MODE"),
                              AreaOf(layout::kMainButtons[layout::kButtonGameMode].rect), lighting.GameMode(),
                              kNoGroup));
    controls.push_back(Choice(QAccessible::CheckBox, layout::kButtonWindowsLock,
                              Text("Windowstasten sperren", "WINDOWS KEY LOCK"),
                              AreaOf(layout::kMainButtons[layout::kButtonWindowsLock].rect),
                              lighting.WindowsKeyLocked(), kNoGroup));
}

QString CTarvikDlg::KeyDescription(std::uint8_t slot) const
{
    const KeyRecord& record = state_.records[slot];
    const std::uint8_t* data = record.Data();
    if (!IsKeyEnabled(state_.image, DeviceKeyIndex(slot))) return Text("deaktiviert", "disabled");
    const auto path = [&] { return QString::fromStdString(Utf16ToUtf8(record.LaunchPath())); };
    switch (record.Kind()) {
    case KeyFunctionKind::kSingleKey:
        if (record.Count() == 1 && data[0] != 0 && data[0] != DefaultKeyOrder[slot])
            return Text("Taste ", "key ") + QString::fromStdString(DistinctKeyCodeName(data[0], codes_));
        return {};
    case KeyFunctionKind::kCombination: {
        QStringList keys;
        for (std::size_t i = 0; i < 3 && data[i] != 0; ++i)
            keys << QString::fromStdString(DistinctKeyCodeName(data[i], codes_));
        return Text("Kombination ", "combination ") + keys.join(QLatin1Char('+'));
    }
    case KeyFunctionKind::kMacro: {
        const std::uint8_t number = data[2];
        const QString name = number < kMacroRecordCount && macros_[number].InUse()
                                 ? QString::fromStdString(Utf16ToUtf8(macros_[number].Name()))
                                 : QString::number(number);
        return Text("Makro ", "macro ") + name;
    }
    case KeyFunctionKind::kNamedFunction:
        if (const NamedFunction* f = FindNamedFunction(std::span<const std::uint8_t, 4>(data, 4)))
            return Text("Funktion ", "function ") + QString::fromUtf8(f->name.data(), f->name.size());
        return {};
    case KeyFunctionKind::kPlayMusic:
        return Text("Musik abspielen: ", "play music: ") + path();
    case KeyFunctionKind::kStartProgram:
        return Text("Programm starten: ", "start program: ") + path();
    case KeyFunctionKind::kOpenFile:
        return Text("Datei öffnen: ", "open file: ") + path();
    case KeyFunctionKind::kOpenFolder:
        return Text("Ordner öffnen: ", "open folder: ") + path();
    default:
        return {};
    }
}

DrawnControlList CTarvikDlg::ListControls() const
{
    DrawnControlList controls;
    if (helpOpen_) {
        // The help window takes every click: its rows act, anywhere else closes it.
        controls.push_back(TableButton(layout::kButtonHelp, Text("Hilfe", "Help"), kHelpGroup));
        for (int row = 0; row < 3; ++row) {
            DrawnControl item = Button(kHelpRowId + row, HelpRowText(row), HelpRowPlace(row), kHelpGroup);
            item.role = QAccessible::MenuItem;
            // Dimmed without an updater, and takes no press.
            item.disabled = row == 1 && !UpdaterPresent();
            if (row == 2) {
                item.role = QAccessible::StaticText;
                item.group = kNoGroup;
                item.focusable = false;
            }
            controls.push_back(item);
        }
        return controls;
    }

    if (ShowsNoKeyboardNotice()) {
        DrawnControl notice = Button(kNoticeId, NoKeyboardNotice(), QRect(260, 0, 670, 30));
        notice.role = QAccessible::StaticText;
        notice.focusable = false;
        controls.push_back(notice);
    }
    if (!panel_.EffectListOpen()) {
        controls.push_back(TableButton(layout::kButtonHelp, Text("Hilfe", "Help")));
        controls.push_back(TableButton(layout::kButtonMinimise, Text("Minimieren", "Minimise")));
        controls.push_back(TableButton(layout::kButtonClose, Text("Schließen", "Close")));
    }
    panel_.AddControls(controls);
    if (panel_.EffectListOpen()) return controls;

    controls.push_back(TableButton(layout::kButtonProfile, Text("Profil", "Profile")));
    controls.push_back(TableButton(layout::kButtonMacro, QStringLiteral("Macro")));

    const bool colourView = InColourView();
    const std::uint8_t* map = colourView ? LightingView(state_.image).ActiveLightMap() : nullptr;
    for (std::uint8_t slot = 0; slot < layout::kKeyCount; ++slot) {
        if (layout::IsAbsentKey(slot)) continue;
        const layout::Rect r = layout::KeyWindowRect(slot);
        QString name = QString::fromStdString(SlotName(slot, codes_));
        DrawnControl key =
            Button(kKeyId + slot, name, QRect(r.left, r.top, r.Width(), r.Height()), kKeysGroup);
        if (colourView) {
            if (map != nullptr)
                key.description = ColourName(LightingView::KeyColour(map, DeviceKeyIndex(slot)));
            key.selected = selected_[slot] != 0;
            key.disabled = IgnoresClicks(slot);
        } else {
            key.description = KeyDescription(slot);
            key.disabled =
                IgnoresClicks(slot) || slot == kWinSlot || slot == kFnSlot || !IsAssignableKey(slot);
        }
        if (!key.description.isEmpty()) key.name += QStringLiteral(", ") + key.description;
        controls.push_back(key);
    }
    controls.push_back(TableButton(layout::kButtonApply, Text("Anwenden", "Apply")));
    return controls;
}

} // namespace corvane
