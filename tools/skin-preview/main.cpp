// Renders the skinned windows from the artwork in a program folder, so the artwork can be looked
// at without a keyboard or a display. The main window is the real one, set up offscreen against
// the keyboard emulator and brought into each scene by the same clicks and moves a user makes;
// the dialogs are sketched over their backgrounds. Writes one PNG per scene into the output folder.
//
//   corvane-skin-preview PROGRAM_FOLDER OUTPUT_FOLDER [--areas]
//
// --areas also outlines every click area of the layout tables over the pictures.

#include "app/CTarvikDlg.h"
#include "device/Clocks.h"
#include "device/LightingEffects.h"
#include "device/LightingSettings.h"
#include "device/SettingsState.h"
#include "emulator/KeyboardEmulator.h"
#include "format/KeyLayout.h"
#include "macros/MacroStore.h"
#include "platform/qt/LanguageSetting.h"
#include "skin/BitSlider.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "uikit/Prompt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <set>

using namespace corvane;
namespace L = corvane::layout;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
bool gOutlineAreas = false;

QString Folder(L::Window window, bool german)
{
    return SkinFolderPath(window, german ? kLanguageGerman : kLanguageEnglish);
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
    const QImage image = LoadSkinImage(JoinSkinPath(Folder(window, german), SkinBackgroundName(window)));
    return image.convertToFormat(QImage::Format_RGB32);
}

// ---------------------------------------------------------------------------------------------
// Main window

// Nobody answers: no firmware update is started from a preview.
class NoPrompt : public Prompt
{
public:
    bool AskOkCancel(QWidget*, const QString&, const QString&) override { return false; }
    void Tell(QWidget*, const QString&, const QString&) override {}
};

struct MainScene
{
    bool german = false;
    std::uint8_t mode = kModeWave;
    std::uint8_t colourSlot = kMultiColourSlot;
    Direction direction = Direction::kRight;
    int brightness = 40, speed = 5, responseTime = 1, reportRate = 3;
    bool gameMode = true, windowsLock = false;
    int hoverKey = 43;
    std::set<int> marked;
    bool allLit = false;
    int effectListRow = -1; // open the list and point at this row
    bool helpOpen = false;
    int customProfileRow = -1; // choose this custom profile from the list: per-key colour view
    std::set<int> selected;
};

std::uint32_t SampleKeyColour(int slot)
{
    // A sweep of hues across the keyboard, as a custom lighting profile might hold.
    const L::Rect r = L::kKeyTable[slot].rect;
    const QColor c = QColor::fromHsv((r.left * 300 / L::kKeyboardPictureSize.width) % 360, 220, 255);
    return RefFromColour(c);
}

// The main window set up against the emulator, driven as a user would.
class LiveMainWindow
{
public:
    LiveMainWindow(bool german, const std::filesystem::path& dataFolder)
        : window_(*state_, *macros_, StandardKeyCodeTable(), prompt_)
    {
        MainWindowSetup setup;
        setup.language = german ? kLanguageGerman : kLanguageEnglish;
        setup.dataFolder = dataFolder;
        setup.programFolder = ProgramFolder().toStdString();
        setup.backend = &emulator_;
        setup.clock = &clock_;
        window_.SetUp(setup);
        window_.show();
        // The start-up read replaces the image; the scene is set up over what it brought.
        QElapsedTimer waited;
        waited.start();
        while (!window_.DeviceActionsAllowed() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
    }

    CTarvikDlg& Window() { return window_; }
    SettingsState& State() { return *state_; }

    void Move(QPoint at, Qt::MouseButtons held = Qt::NoButton)
    {
        Send(QEvent::MouseMove, at, Qt::NoButton, held);
    }
    void Click(QPoint at)
    {
        Send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    void Key(QEvent::Type type, int key)
    {
        QKeyEvent event(type, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&window_, &event);
    }

private:
    void Send(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(at), QPointF(window_.mapToGlobal(at)), button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&window_, &event);
        QCoreApplication::processEvents();
    }

    VirtualClock clock_;
    KeyboardEmulator emulator_{clock_};
    std::unique_ptr<SettingsState> state_ = std::make_unique<SettingsState>();
    std::unique_ptr<MacroStore> macros_ = std::make_unique<MacroStore>();
    NoPrompt prompt_;
    CTarvikDlg window_;
};

QPoint KeyCentre(int slot)
{
    const L::Rect r = L::KeyWindowRect(slot);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

QPoint EffectRowPoint(int row)
{
    const L::Rect r = L::EffectRowRect(row);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

QImage RenderMain(const MainScene& s, const std::filesystem::path& dataFolder)
{
    LiveMainWindow live(s.german, dataFolder);
    CTarvikDlg& window = live.Window();
    SettingsState& state = live.State();

    LightingSettings lighting(state.image);
    lighting.SetMode(s.mode);
    lighting.SetColourSlot(s.colourSlot);
    lighting.SetDirection(s.direction);
    if (lighting.GameMode() != s.gameMode) lighting.ToggleGameMode();
    if (lighting.WindowsKeyLocked() != s.windowsLock) lighting.ToggleWindowsKeyLock();
    const std::uint32_t palette[7] = {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0xFFFFFF};
    for (std::size_t i = 0; i < img::kPaletteEntries; ++i)
        lighting.SetPaletteColour(i, palette[i]);
    const std::pair<int, int> sliders[] = {{L::kSliderBrightness, s.brightness},
                                           {L::kSliderSpeed, s.speed},
                                           {L::kSliderResponseTime, s.responseTime},
                                           {L::kSliderReportRate, s.reportRate}};
    for (const auto& [id, position] : sliders)
        window.Slider(id)->setValue(position);
    for (std::uint8_t slot = 0; slot < L::kKeyCount; ++slot)
        state.marks[slot] = s.allLit || s.marked.count(slot) ? 1 : 0;

    if (s.customProfileRow >= 0) {
        live.Click({100, 165});
        live.Click(EffectRowPoint(s.customProfileRow));
        if (std::uint8_t* map = lighting.ActiveLightMap())
            for (std::uint8_t slot = 0; slot < L::kKeyCount; ++slot)
                if (!L::IsAbsentKey(slot))
                    LightingSettings::SetKeyColour(map, DeviceKeyIndex(slot), SampleKeyColour(slot));
        live.Key(QEvent::KeyPress, Qt::Key_Control);
        for (int slot : s.selected)
            live.Click(KeyCentre(slot));
        live.Key(QEvent::KeyRelease, Qt::Key_Control);
    }
    if (s.helpOpen) live.Click({944, 12});
    if (s.effectListRow >= 0) {
        live.Click({100, 165});
        live.Move(EffectRowPoint(s.effectListRow));
    } else {
        live.Move(s.hoverKey >= 0 ? KeyCentre(s.hoverKey) : QPoint(700, 500));
    }

    QImage frame = window.ComposeFrame().convertToFormat(QImage::Format_RGB32);
    if (gOutlineAreas) {
        QPainter p(&frame);
        for (const L::MainButtonEntry& b : L::kMainButtons)
            Outline(p, b.rect, Qt::cyan);
        for (std::size_t k = 0; k < L::kKeyCount; ++k)
            if (!L::IsAbsentKey(static_cast<int>(k)))
                Outline(p, L::KeyWindowRect(static_cast<int>(k)), Qt::green);
        if (LightingView(state.image).IsCustomProfile()) {
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
        for (int i = 0; i < L::kColourBasicCellCount; ++i) // the custom cells show nowhere
            Outline(p, L::ColourCellHitRect(L::kColourCells[i]), Qt::cyan);
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

    QTemporaryDir data;
    int scene = 0;
    auto dataFolder = [&] {
        // Each scene starts from a keymap.bin of its own.
        return std::filesystem::path(data.path().toStdString()) / std::to_string(scene++);
    };
    for (bool de : {false, true}) {
        const QString lang = de ? "german" : "english";
        MainScene main;
        main.german = de;
        main.marked = {1, 2, 45, 98};
        Write(RenderMain(main, dataFolder()), out, QString("main-%1%2.png").arg(lang, suffix));
        MainScene lit = main;
        lit.allLit = true;
        lit.mode = kModeStatic;
        lit.colourSlot = 2;
        Write(RenderMain(lit, dataFolder()), out, QString("main-lit-%1%2.png").arg(lang, suffix));
        // The window closes the help on any click, so the open list and the help are two scenes.
        MainScene list = main;
        list.effectListRow = 4;
        Write(RenderMain(list, dataFolder()), out, QString("main-list-%1%2.png").arg(lang, suffix));
        MainScene help = main;
        help.helpOpen = true;
        Write(RenderMain(help, dataFolder()), out, QString("main-help-%1%2.png").arg(lang, suffix));
        MainScene custom = main;
        custom.customProfileRow = 12; // "Lighting Profile 2"
        custom.selected = {42, 43, 44, 63, 64, 65};
        Write(RenderMain(custom, dataFolder()), out, QString("main-custom-%1%2.png").arg(lang, suffix));
        Write(RenderProfile(de), out, QString("profile-%1%2.png").arg(lang, suffix));
        Write(RenderKeyDialog(de, 0), out, QString("key-page0-%1%2.png").arg(lang, suffix));
        Write(RenderKeyDialog(de, 3), out, QString("key-page3-%1%2.png").arg(lang, suffix));
        Write(RenderMacroDialog(de), out, QString("macro-%1%2.png").arg(lang, suffix));
        Write(RenderColourDialog(de), out, QString("colour-%1%2.png").arg(lang, suffix));
    }
    return 0;
}
