// Renders the skinned windows from the artwork in a program folder, the way the windows compose
// them (background, pictures, texts, slider tracks), so the artwork can be looked at without a
// keyboard or a display. Writes one PNG per scene into the output folder.
//
//   corvane-skin-preview PROGRAM_FOLDER OUTPUT_FOLDER [--areas]
//
// --areas also outlines every click area of the layout tables over the pictures.

#include "device/LightingEffects.h"
#include "device/LightingSettings.h"
#include "skin/BitSlider.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <set>

using namespace corvane;
namespace L = corvane::layout;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kPanelBack = 0x353535;
bool gOutlineAreas = false;

QString Folder(L::Window window, bool german)
{
    const L::SkinFolder& f = L::FolderOf(window);
    return QDir(ProgramFolder()).filePath(QString::fromUtf8(german ? f.german : f.english));
}

QString Pick(bool german, const char* de, const char* en)
{
    return QString::fromUtf8(german ? de : en);
}

void Outline(QPainter& p, const L::Rect& r, const QColor& colour)
{
    if (!gOutlineAreas || r.IsEmpty()) return;
    p.save();
    p.setPen(colour);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(r.left, r.top, r.Width(), r.Height())); // inclusive: covers left..right
    p.restore();
}

void OutlinePlacement(QPainter& p, const L::Placement& r, const QColor& colour)
{
    p.save();
    p.setPen(QPen(colour, 1, Qt::DashLine));
    p.drawRect(QRect(r.x, r.y, r.width - 1, r.height - 1));
    p.restore();
}

QImage Background(L::Window window, bool german)
{
    const QString folder = Folder(window, german);
    const QImage image =
        LoadSkinImage(JoinSkinPath(folder, QString::fromUtf8(L::FolderOf(window).background)));
    return image.convertToFormat(QImage::Format_RGB32);
}

// ---------------------------------------------------------------------------------------------
// Main window

struct MainScene
{
    bool german = false;
    std::uint8_t mode = 3;
    std::uint8_t colourSlot = 8;
    std::uint8_t direction = 2;
    int brightness = 40, speed = 5, responseTime = 1, reportRate = 3;
    bool gameMode = true, windowsLock = false;
    int hoverKey = 255;
    std::set<int> marked;
    bool allLit = false;
    bool effectListOpen = false;
    int markedEffectRow = 255;
    bool helpOpen = false;
    bool customView = false;
    std::set<int> selected;
};

std::uint32_t SampleKeyColour(int slot)
{
    // A sweep of hues across the keyboard, as a custom lighting profile might hold.
    const L::Rect r = L::kKeyTable[slot].rect;
    const QColor c = QColor::fromHsv((r.left * 300 / L::kKeyboardPictureSize.width) % 360, 220, 255);
    return static_cast<std::uint32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

void DrawTrack(QPainter& p, QWidget& owner, int id, int value)
{
    const L::SliderPlace* place = L::FindSlider(id);
    CBitSlider slider(&owner);
    slider.setRange(0, place->maximum);
    slider.move(place->origin.x, place->origin.y);
    slider.SetUpSlider();
    slider.setValue(value);
    slider.RefreshThumb();
    int offsetX = slider.ThumbOffsetX();
    if (id == L::kSliderResponseTime) offsetX += 1;
    if ((id == L::kSliderReportRate || id == L::kSliderResponseTime) && value == 0) offsetX += 2;
    const int x = place->origin.x;
    const int y = place->origin.y;
    const QImage filled = slider.FilledTrack();
    const QImage empty = slider.EmptyTrack();
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (offsetX > 0) p.drawImage(QPoint(x, y), filled, QRect(0, 0, offsetX, filled.height()));
    p.drawImage(QPoint(x + std::max(offsetX, 0), y), empty,
                QRect(std::max(offsetX, 0), 0, empty.width() - std::max(offsetX, 0), empty.height()));
    p.restore();
    DrawSkinImage(p, Folder(L::Window::Main, false), "Thumb.png", x + offsetX, y + slider.ThumbOffsetY() + 1);
}

QImage RenderMain(const MainScene& s)
{
    const bool de = s.german;
    const QString folder = Folder(L::Window::Main, de);
    QImage frame = Background(L::Window::Main, de);
    QWidget owner;
    owner.resize(frame.size());
    QPainter p(&frame);
    auto text = [&](const QString& t, int x, int y, int h, std::uint32_t back = kPanelBack) {
        DrawSkinText(p, t, x, y, back, kWhite, h);
    };
    DrawSkinImage(p, folder, "button-help-normal.png", 936, 5);
    if (s.helpOpen) {
        DrawSkinImage(p, folder, "HelpWindow.png", 830, 22);
        text(Pick(de, "Einstellung zurücksetzen", "Reset settings"), 850, 25, 15, 0);
        text(Pick(de, "Firmware aktualisieren", "Firmware update"), 850, 50, 15, 0);
        text(Pick(de, "Softwareversion: 1.4", "Software Version: 1.4"), 850, 75, 15, 0);
    }
    DrawSkinImage(p, folder, "button-min-normal.png", 957, 5);
    DrawSkinImage(p, folder, "button-close-normal.png", 978, 5);
    DrawSkinImage(p, folder, "kb_BK.png", L::kKeyboardOrigin.x, L::kKeyboardOrigin.y);
    const int ox = L::kKeyboardOrigin.x;
    const int oy = L::kKeyboardOrigin.y;
    if (!s.customView) {
        for (std::size_t k = 0; k < L::kKeyCount; ++k) {
            const bool lit =
                s.allLit || s.marked.count(static_cast<int>(k)) || s.hoverKey == static_cast<int>(k);
            if (!lit || L::IsAbsentKey(static_cast<int>(k))) continue;
            const L::Rect r = L::kKeyTable[k].rect;
            DrawSkinImagePart(p, folder, "kb_hl.png", r.left, r.top, r.right, r.bottom, ox, oy);
        }
    } else {
        for (std::size_t k = 0; k < L::kKeyCount; ++k) {
            if (L::IsAbsentKey(static_cast<int>(k))) continue;
            const L::Rect r = L::kKeyTable[k].rect;
            const std::uint32_t c = SampleKeyColour(static_cast<int>(k));
            FillColourRect(p, RectFromEdges(r.left + ox, r.top + oy, r.right + ox, r.bottom + oy), c);
            const std::uint32_t inverse = 0xFFFFFF - c;
            DrawSkinText(p, QString::fromUtf8(L::kKeyTable[k].label), L::kKeyTable[k].labelPoint.x + ox,
                         L::kKeyTable[k].labelPoint.y + oy, kPanelBack, inverse, 10);
            if (s.selected.count(static_cast<int>(k)))
                DrawFrameRect(p, r.left + ox - 2, r.top + oy - 2, r.Width() + 3, r.Height() + 3);
        }
    }
    DrawSkinImage(p, folder, "apply.png", 868, 562);
    DrawSkinImage(p, folder, "Config.png", 25, 560);
    if (de) {
        text("Anwenden", 872, 567, 13);
        text("Profil", 33, 562, 20);
    } else {
        text("Apply", 876, 565, 20);
        text("Profile", 28, 562, 20);
    }

    // Lighting and performance panel.
    text(Pick(de, "Licht", "Lighting"), 19, 110, 15);
    text(Pick(de, "Lichteffekte", "Light effects"), 28, 137, 15);
    DrawSkinImage(p, folder, "Light_Item.png", 28, 158);
    if (s.mode != 1 && s.mode < 50) {
        DrawTrack(p, owner, L::kSliderSpeed, s.speed);
        text(Pick(de, "Effekt geschwindigkeit", "Speed"), 28, 290, 13);
        text(Pick(de, "Langsam", "Slow"), 28, 317, 13);
        text(Pick(de, "Schnell", "Fast"), de ? 220 : 230, 317, 13);
    }
    text(Pick(de, "Helligkeit", "Brightness"), 28, 247, 13);
    text(Pick(de, "niedrig", "Low"), 28, 274, 13);
    text(Pick(de, "hoch", "High"), 230, 274, 13);
    if (!s.effectListOpen) DrawTrack(p, owner, L::kSliderBrightness, s.brightness);
    if (s.mode <= 50) {
        if (s.mode != 1) DrawSkinImage(p, folder, "8.png", 203, 223);
        const std::uint32_t palette[7] = {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00,
                                          0xFF0000, 0xFF00FF, 0xFFFFFF};
        const bool grey = s.mode == 3 || s.mode == 8;
        for (int i = 0; i < 7; ++i)
            FillColourRect(p, RectFromEdges(28 + 25 * i, 223, 48 + 25 * i, 243),
                           grey ? 0xC0C0C0 : palette[i]);
        const int slot = grey ? 8 : s.colourSlot;
        DrawFrameRect(p, 26 + 25 * (slot - 1), 221, 23, 23);
    }
    if (s.mode == 3 || s.mode == 13) {
        text("Light direction", 29, 177, 15);
        const char* off[4] = {"Direction-T-Disable.png", "Direction-B-Disable.png", "Direction-R-Disable.png",
                              "Direction-L-Disable.png"};
        for (int i = 0; i < 4; ++i)
            DrawSkinImage(p, folder, off[i], L::kDirectionX[i], 197);
        const char* on[5] = {nullptr, "Direction-L-Enable.png", "Direction-R-Enable.png",
                             "Direction-T-Enable.png", "Direction-B-Enable.png"};
        const int onX[5] = {0, 179, 129, 29, 79};
        if (s.direction >= 1 && s.direction <= 4)
            DrawSkinImage(p, folder, on[s.direction], onX[s.direction], 197);
    }
    if (s.mode >= 51) {
        DrawSkinImage(p, folder, s.customView ? "Disable.png" : "Enable.png", 28, 199);
        DrawSkinImage(p, folder, s.customView ? "Enable.png" : "Disable.png", 130, 199);
        text("Keymap", 45, 197, 15);
        text(Pick(de, "Custom", "DIY"), 147, 197, 15);
    }
    if (auto row = EffectRowOfCode(s.mode))
        text(QString::fromUtf8(de ? kLightingEffects[*row].german : kLightingEffects[*row].english), 28, 158,
             14);
    DrawSkinImage(p, folder, "MacroButton3.png", 107, 560);
    text("Macro", 110, 562, 20);
    text(Pick(de, "Spielmodus", "GAME MODE"), 17, 464, 16);
    DrawSkinImage(p, folder, s.gameMode ? "Enable.png" : "Disable.png", 105, 466);
    text(Pick(de, "Windowstasten sperren", "WINDOWS KEY LOCK"), 18, 500, 16);
    DrawSkinImage(p, folder, s.windowsLock ? "Enable.png" : "Disable.png", 156, 502);
    text(Pick(de, "Wiederholrate", "RESPONSE TIME"), 26, 341, 15);
    if (!s.effectListOpen) DrawTrack(p, owner, L::kSliderResponseTime, s.responseTime);
    text("REPORT RATE", 26, 401, 15);
    DrawSkinImage(p, folder, "responsetime_txt.png", 25, 380);
    DrawSkinImage(p, folder, "reportRate_txt.png", 25, 429);
    DrawTrack(p, owner, L::kSliderReportRate, s.reportRate);
    if (s.effectListOpen) {
        for (int j = 0; j < L::kEffectRowCount; ++j) {
            const L::Rect r = L::EffectRowRect(j);
            FillColourRect(p, RectFromEdges(r.left, r.top, r.right, r.bottom),
                           j == s.markedEffectRow ? 0x000050 : 0x3B3B3B);
            text(QString::fromUtf8(de ? kLightingEffects[j].german : kLightingEffects[j].english), 28, r.top,
                 18);
        }
    }
    if (gOutlineAreas) {
        for (const L::MainButtonEntry& b : L::kMainButtons)
            Outline(p, b.rect, Qt::cyan);
        for (std::size_t k = 0; k < L::kKeyCount; ++k)
            if (!L::IsAbsentKey(static_cast<int>(k)))
                Outline(p, L::KeyWindowRect(static_cast<int>(k)), Qt::green);
        if (s.mode >= 51) {
            Outline(p, L::kKeymapViewZone, Qt::yellow);
            Outline(p, L::kColourViewZone, Qt::yellow);
        }
        Outline(p, L::kHelpWindowArea, Qt::magenta);
    }
    return frame;
}

// ---------------------------------------------------------------------------------------------
// Dialogs

QImage RenderProfile(bool de)
{
    const QString folder = Folder(L::Window::Profile, de);
    QImage frame = Background(L::Window::Profile, de);
    QPainter p(&frame);
    DrawSkinImage(p, folder, "button-close-normal.png", 373, 9);
    DrawSkinText(p, Pick(de, "Importieren", "IMPORT"), 293, 62, 0, kWhite, 20);
    DrawSkinText(p, Pick(de, "Export", "EXPORT"), 293, 110, 0, kWhite, 20);
    // The list box paints itself; a sample item shows where.
    DrawSkinText(p, "Tournament", L::kProfileList.x + 4, L::kProfileList.y + 2, 0, 0x00FFFF, 15);
    if (gOutlineAreas) {
        Outline(p, L::kProfileCloseMark, Qt::cyan);
        Outline(p, L::kProfileCloseButton, Qt::cyan);
        for (const L::Rect& r : L::kProfileButtonColumn)
            Outline(p, r, Qt::yellow);
        OutlinePlacement(p, L::kProfileList, Qt::green);
    }
    return frame;
}

QImage RenderKeyDialog(bool de, int page)
{
    const QString folder = Folder(L::Window::KeyAssignment, de);
    QImage frame = Background(L::Window::KeyAssignment, de);
    QPainter p(&frame);
    DrawSkinText(p, Pick(de, "Ausgewählte Taste:", "Selected key:") + " W ", de ? 132 : 180, 5, 0, kWhite,
                 18);
    const char* tabsEn[4] = {"Single/Combine", "Macro", "Basic", "Advance"};
    const char* tabsDe[4] = {"Single/Combine", "Macro", "Einfach", "Fortgeschritten"};
    const int tabX[4] = {2, 123, 220, de ? 295 : 314};
    for (int t = 0; t < 4; ++t)
        DrawSkinText(p, QString::fromUtf8(de ? tabsDe[t] : tabsEn[t]), tabX[t], 32, 0,
                     t == page ? 0x0000FF : 0xC0C0C0, 15);
    if (page == 0) {
        DrawSkinText(p, Pick(de, "Einzeln", "Single"), 13, 81, 0, 0xC0C0C0, 15);
        DrawSkinText(p, Pick(de, "Kombiniere", "Combine"), 13, 166, 0, 0xC0C0C0, 15);
        for (const L::Placement& e : {L::kKeySingleEdit, L::kKeyCombinationEdit}) {
            p.fillRect(QRect(e.x, e.y, e.width, e.height), Qt::black);
        }
        DrawSkinText(p, "Ctrl + Shift + F5", 150, 186, 0, kWhite, 15);
    } else if (page == 3) {
        const char* capEn[4] = {"Play music", "Startup", "Open file", "Open folder"};
        const char* capDe[4] = {"Spiel Musik", "Autostart", "Datei öffnen", "Ordner öffnen"};
        for (int r = 0; r < 4; ++r) {
            DrawSkinImage(p, folder, r == 1 ? "enable.png" : "disable.png", 1, 85 + 60 * r);
            DrawSkinImage(p, folder, "Advanced.png", 86, 79 + 60 * r);
            DrawSkinImage(p, folder, r == 2 ? "view02.png" : "view.png", 317, 79 + 60 * r);
            DrawSkinText(p, QString::fromUtf8(de ? capDe[r] : capEn[r]), de ? 12 : 15, 81 + 60 * r, 0,
                         0x0000FF, 15);
        }
        DrawSkinText(p, "..\\steam.exe", 85, 85 + 60, 0, 0x0000FF, 15);
    } else {
        OutlinePlacement(p, page == 1 ? L::kKeyMacroList : L::kKeyFunctionTree, QColor(0x60, 0x60, 0x60));
    }
    DrawSkinImage(p, folder, "Disable.png", 19, 351);
    DrawSkinText(p, Pick(de, "Deaktivieren Taste", "Disable key"), 34, 349, 0, kWhite, 14);
    DrawSkinImage(p, folder, "button-cancel-normal.png", 130, 346);
    DrawSkinImage(p, folder, "button-cancel-over.png", 220, 346);
    DrawSkinImage(p, folder, "button-save-normal.png", 310, 346);
    if (de) {
        DrawSkinText(p, "Rücksetzen", 138, 350, 0, kWhite, 14);
        DrawSkinText(p, "Schließen", 228, 350, 0, kWhite, 14);
        DrawSkinText(p, "Speichern", 318, 350, 0, kWhite, 14);
    } else {
        DrawSkinText(p, "Reset", 151, 350, 0, kWhite, 15);
        DrawSkinText(p, "Close", 241, 350, 0, kWhite, 15);
        DrawSkinText(p, "Save", 331, 350, 0, kWhite, 15);
    }
    if (gOutlineAreas) {
        for (const L::ImageButton& b : L::kKeyButtons)
            Outline(p, b.rect, Qt::cyan);
        if (page == 3)
            for (int i = 0; i < 16; ++i)
                Outline(p, L::LaunchHitRect(i), Qt::yellow);
    }
    return frame;
}

QImage RenderMacroDialog(bool de)
{
    const QString folder = Folder(L::Window::Macro, de);
    QImage frame = Background(L::Window::Macro, de);
    QPainter p(&frame);
    DrawSkinImage(p, folder, "Record-normal.png", 255, 100);
    DrawSkinText(p, Pick(de, "Aufnahme starten", "Start Recording"), de ? 258 : 257, 103, 0, kWhite,
                 de ? 14 : 15);
    DrawSkinText(p, Pick(de, "Verzögerung", "Delay"), 260, 153, 0, kWhite, 15);
    DrawSkinText(p, Pick(de, "zwischen", "between"), 260, 168, 0, kWhite, 15);
    DrawSkinText(p, Pick(de, "Tastenanschläge", "keystrokes"), 260, 183, 0, kWhite, de ? 14 : 15);
    DrawSkinImage(p, folder, "PaneMakingTick.png", 265, 315);
    DrawSkinText(p, Pick(de, "Schleife", "Loop"), 265, 300, 0, kWhite, 15);
    const char* states[4] = {"button-new-normal.png", "button-new-over.png", "button-new-normal.png",
                             "button-new-normal.png"};
    const int bx[4] = {20, 80, 250, 310};
    for (int i = 0; i < 4; ++i)
        DrawSkinImage(p, folder, states[i], bx[i], 368);
    DrawSkinText(p, Pick(de, "Neu", "New"), 35, 372, 0, kWhite, de ? 14 : 15);
    DrawSkinText(p, Pick(de, "Löschen", "Delete"), de ? 85 : 95, 372, 0, kWhite, de ? 14 : 15);
    DrawSkinText(p, "OK", 270, 372, 0, kWhite, de ? 14 : 15);
    DrawSkinText(p, Pick(de, "Abbrechen", "Cancel"), de ? 313 : 320, 372, 0, kWhite, de ? 14 : 15);
    DrawSkinImage(p, folder, "Pane.png", 338, 168);
    // Sample lines where the lists paint themselves, with the program's list icons.
    DrawSkinText(p, "Macro_001", 23, 66, 0, 0x00FFFF, 16);
    DrawSkinText(p, "Macro_002", 23, 86, 0, kWhite, 16);
    const char* lines[4] = {"A", "25ms", "A", "40ms"};
    const int icons[4] = {L::kResourceListKeyDown, L::kResourceListDelay, L::kResourceListKeyUp,
                          L::kResourceListDelay};
    for (int i = 0; i < 4; ++i) {
        DrawSkinText(p, QString::fromUtf8(lines[i]), 141, 66 + 20 * i, 0, kWhite, 16);
        const QImage icon = LoadResourceImage(icons[i]);
        p.drawImage(QPoint(137 + 107 - 20, 66 + 20 * i), icon);
    }
    p.fillRect(QRect(L::kMacroLoopCount.x, L::kMacroLoopCount.y, L::kMacroLoopCount.width,
                     L::kMacroLoopCount.height),
               QColor(0x0c, 0x0e, 0x11));
    DrawSkinText(p, "12", L::kMacroLoopCount.x + 3, L::kMacroLoopCount.y + 1, 0, kWhite, 15);
    if (gOutlineAreas) {
        for (const L::ImageButton& b : L::kMacroButtons)
            Outline(p, b.rect, Qt::cyan);
        OutlinePlacement(p, L::kMacroNameList, Qt::green);
        OutlinePlacement(p, L::kMacroEventList, Qt::green);
    }
    return frame;
}

QImage RenderColourDialog(bool de)
{
    QImage frame = Background(L::Window::Colour, de);
    QPainter p(&frame);
    const L::ColourCell& chosen = L::kColourCells[9];
    p.setPen(Qt::black);
    p.drawRect(QRect(chosen.origin.x - 1, chosen.origin.y - 1, 13, 12));
    DrawSkinText(p, Pick(de, "FARBE", "COLOR"), 0, 0, 0, kWhite, 18);
    const char* labels[6] = {"R", "G", "B", "H", "S", "L"};
    const int lx[6] = {118, 118, 118, 70, 70, 70};
    const int ly[6] = {150, 165, 180, 150, 165, 180};
    for (int i = 0; i < 6; ++i)
        DrawSkinText(p, labels[i], lx[i], ly[i], 0, kWhite, 15);
    FillColourRect(p, RectFromEdges(14, 150, 59, 195), 0x00FFFF);
    // The spectrum control draws itself; a hue and saturation field stands in for it.
    const L::Placement s = L::kColourSpectrum;
    for (int x = 0; x < s.width - 35; ++x)
        for (int y = 10; y < s.height; ++y)
            frame.setPixelColor(
                s.x + x, s.y + y,
                QColor::fromHsl(x * 359 / (s.width - 36), 255 * (s.height - y) / s.height, 128));
    p.fillRect(QRect(s.x + s.width - 29, s.y + 2, 14, s.height - 4), QColor(0x80, 0x80, 0x80));
    for (const L::Placement& b : {L::kColourOkButton, L::kColourCancelButton})
        p.fillRect(QRect(b.x, b.y, b.width, b.height), QColor(0x2a, 0x2f, 0x37));
    DrawSkinText(p, "OK", L::kColourOkButton.x + 16, L::kColourOkButton.y, 0, kWhite, 14);
    DrawSkinText(p, Pick(de, "Abbrechen", "Cancel"), L::kColourCancelButton.x + 4, L::kColourCancelButton.y,
                 0, kWhite, 14);
    if (gOutlineAreas) {
        for (const L::ColourCell& c : L::kColourCells)
            Outline(p, L::ColourCellHitRect(c), Qt::cyan);
        Outline(p, L::kColourCloseMark, Qt::yellow);
    }
    return frame;
}

void Write(const QImage& image, const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name);
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "skin-preview: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: %s PROGRAM_FOLDER OUTPUT_FOLDER [--areas]\n", argv[0]);
        return 2;
    }
    gOutlineAreas = args.contains("--areas");
    SetProgramFolder(args[1]);
    const QString out = args[2];
    QDir().mkpath(out);
    const QString suffix = gOutlineAreas ? "-areas" : "";

    for (bool de : {false, true}) {
        const QString lang = de ? "german" : "english";
        MainScene scene;
        scene.german = de;
        scene.hoverKey = 43;
        scene.marked = {1, 2, 45, 98};
        Write(RenderMain(scene), out, QString("main-%1%2.png").arg(lang, suffix));
        MainScene lit = scene;
        lit.allLit = true;
        lit.mode = 1;
        lit.colourSlot = 2;
        Write(RenderMain(lit), out, QString("main-lit-%1%2.png").arg(lang, suffix));
        MainScene list = scene;
        list.effectListOpen = true;
        list.markedEffectRow = 4;
        list.helpOpen = true;
        Write(RenderMain(list), out, QString("main-list-help-%1%2.png").arg(lang, suffix));
        MainScene custom = scene;
        custom.mode = 52;
        custom.customView = true;
        custom.selected = {42, 43, 44, 63, 64, 65};
        Write(RenderMain(custom), out, QString("main-custom-%1%2.png").arg(lang, suffix));
        Write(RenderProfile(de), out, QString("profile-%1%2.png").arg(lang, suffix));
        Write(RenderKeyDialog(de, 0), out, QString("key-page0-%1%2.png").arg(lang, suffix));
        Write(RenderKeyDialog(de, 3), out, QString("key-page3-%1%2.png").arg(lang, suffix));
        Write(RenderMacroDialog(de), out, QString("macro-%1%2.png").arg(lang, suffix));
        Write(RenderColourDialog(de), out, QString("colour-%1%2.png").arg(lang, suffix));
    }
    return 0;
}
