// What the process keeps of each opening of each window: the windows are opened from the main
// window's own buttons and closed with their own close or cancel buttons, against the keyboard
// emulator, CYCLES times after a few warm-up openings (pictures decoded, fonts loaded). Prints the
// growth of the resident size (/proc/self/statm, after malloc_trim) and of the bytes malloc has
// handed out (mallinfo2: uordblks + hblkhd) per window.
// Usage: bench_windowcycles [CYCLES (200)] [WINDOW...]  (main key macro colour profile help message)
// Runs on the display given (scripts/window-cycles starts Xvfb), offscreen when there is none.

#include "app/CTarvikDlg.h"
#include "colour/ui/CCustomColorDialog.h"
#include "device/Clocks.h"
#include "emulator/EmulatedDeviceMonitor.h"
#include "emulator/KeyboardEmulator.h"
#include "format/KeyLayout.h"
#include "keys/ui/CKeyMap.h"
#include "macros/ui/CMacroRecordDlg.h"
#include "platform/qt/KeyboardHooks.h"
#include "skin/SkinLayout.h"
#include "store/ui/CConfigureDlg.h"
#include "uikit/Prompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace corvane;

constexpr int kWarmUpCycles = 20;

struct Usage
{
    long long residentBytes;
    long long mallocBytes;
};

Usage Measure()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    malloc_trim(0);
    long long size = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    const struct mallinfo2 info = mallinfo2();
    return {resident * sysconf(_SC_PAGESIZE), static_cast<long long>(info.uordblks + info.hblkhd)};
}

QPoint Centre(const layout::Rect& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

QPoint Centre(const layout::Placement& p)
{
    return {p.x + p.width / 2, p.y + p.height / 2};
}

// Acts on the modal window an opening shows, from inside its modal loop.
class WhenShown
{
public:
    WhenShown()
    {
        poll_.setInterval(0);
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* shown = QApplication::activeModalWidget();
            if (shown == nullptr || !shown->isVisible()) return;
            poll_.stop();
            done_ = true;
            act_(shown);
        });
    }
    void Arm(std::function<void(QWidget*)> act)
    {
        act_ = std::move(act);
        done_ = false;
        poll_.start();
    }
    bool Done() const { return done_; }
    void Disarm() { poll_.stop(); }

private:
    QTimer poll_;
    std::function<void(QWidget*)> act_;
    bool done_ = false;
};

// A click where the user would click: on the child control there, if any.
void Click(QWidget* window, const QPoint& at)
{
    QWidget* control = window->childAt(at);
    if (control == nullptr) control = window;
    QTest::mouseClick(control, Qt::LeftButton, {}, control->mapFrom(window, at));
}

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::vector<std::string> chosen(argv + std::min(argc, 2), argv + argc);
    if (chosen.empty()) chosen = {"main", "key", "macro", "colour", "profile", "help", "message"};

    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    EmulatedDeviceMonitor monitor(emulator);
    SettingsState state;
    MacroStore macros;
    MessageBoxPrompt prompt;
    CTarvikDlg window(state, macros, StandardKeyCodeTable(), prompt);
    MainWindowSetup setup;
    setup.language = 9;
    setup.dataFolder = home.path().toStdString();
    setup.programFolder = QCoreApplication::applicationDirPath().toStdString();
    setup.backend = &emulator;
    setup.clock = &clock;
    setup.monitor = &monitor;
    CCustomColorDialog colourDialog(setup.language, &window);
    CConfigureDlg profilePanel(state, prompt, setup.language, setup.dataFolder, setup.programFolder, &window);
    window.SetColourWindow(&colourDialog);
    window.SetProfileWindow(&profilePanel);
    const std::unique_ptr<KeyboardHook> hook = MakeKeyboardHook();
    CKeyMap keyDialog(state, macros, StandardKeyCodeTable(), prompt, hook.get(), setup.language, &window);
    window.SetKeyAssignmentWindow(&keyDialog);
    CMacroRecordDlg macroDialog(state, macros, StandardKeyCodeTable(), prompt, hook.get(), setup.language,
                                &window);
    window.SetMacroWindow(&macroDialog);
    if (!window.SetUp(setup)) {
        std::fprintf(stderr, "the main window did not open the emulated keyboard\n");
        return 1;
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) ||
        !QTest::qWaitFor([&] { return window.DeviceActionsAllowed(); }, 5000)) {
        std::fprintf(stderr, "the main window did not finish its start-up read\n");
        return 1;
    }
    // Breathing, so that a palette square opens the colour dialog.
    Click(&window, Centre(layout::kMainButtons[layout::kButtonEffectSelector].rect));
    Click(&window, {100, 173 + 20 * 1 + 10});

    WhenShown whenShown;
    const QPoint away(700, 500); // no key, no button
    auto dialogCycle = [&](const QPoint& opener, std::function<void(QWidget*)> close) {
        whenShown.Arm(std::move(close));
        // The palette square opens the dialog once it is the chosen square.
        for (int tries = 0; tries < 2 && !whenShown.Done(); ++tries)
            Click(&window, opener);
        return whenShown.Done();
    };
    const std::vector<std::pair<std::string, std::function<bool()>>> windows = {
        {"main",
         [&] {
             Click(&window, Centre(layout::kMainButtons[layout::kButtonMinimise].rect));
             window.ShowFromOutside();
             return true;
         }},
        {"key",
         [&] {
             const layout::Rect a = layout::KeyWindowRect(63);
             return dialogCycle(Centre(a), [](QWidget* dialog) {
                 for (int page = 1; page < 4; ++page)
                     Click(dialog, Centre(layout::kKeyButtons[layout::kKeyButtonFirstTab + page].rect));
                 Click(dialog, Centre(layout::kKeyButtons[layout::kKeyButtonClose].rect));
             });
         }},
        {"macro",
         [&] {
             return dialogCycle(Centre(layout::kMainButtons[layout::kButtonMacro].rect), [](QWidget* dialog) {
                 Click(dialog, Centre(layout::kMacroButtons[layout::kMacroButtonCancel].rect));
             });
         }},
        {"colour",
         [&] {
             return dialogCycle(Centre(layout::kMainButtons[layout::kButtonFirstColourSquare + 2].rect),
                                [](QWidget* dialog) { Click(dialog, Centre(layout::kColourCancelButton)); });
         }},
        {"profile",
         [&] {
             return dialogCycle(Centre(layout::kMainButtons[layout::kButtonProfile].rect),
                                [](QWidget* dialog) { Click(dialog, Centre(layout::kProfileCloseButton)); });
         }},
        {"help",
         [&] {
             Click(&window, Centre(layout::kMainButtons[layout::kButtonHelp].rect));
             const bool opened = window.HelpOpen();
             Click(&window, away);
             return opened && !window.HelpOpen();
         }},
        {"message",
         [&] {
             whenShown.Arm([](QWidget* box) {
                 if (auto* message = qobject_cast<QMessageBox*>(box))
                     message->button(QMessageBox::Ok)->click();
             });
             prompt.Tell(&window, QStringLiteral("Macro Management"),
                         QStringLiteral("Select a Macro file to record \n"));
             return whenShown.Done();
         }},
    };

    std::printf("%d open/close cycles per window after %d warm-up cycles (%s):\n", cycles, kWarmUpCycles,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  %-8s %14s %14s %12s\n", "window", "resident kB", "malloc kB", "malloc B/cycle");
    int failed = 0;
    for (const auto& [name, cycle] : windows) {
        if (std::find(chosen.begin(), chosen.end(), name) == chosen.end()) continue;
        bool ok = true;
        for (int i = 0; i < kWarmUpCycles && ok; ++i)
            ok = cycle();
        const Usage before = Measure();
        for (int i = 0; i < cycles && ok; ++i)
            ok = cycle();
        const Usage after = Measure();
        whenShown.Disarm();
        if (!ok) {
            std::printf("  %-8s did not open and close\n", name.c_str());
            ++failed;
            continue;
        }
        const long long grown = after.mallocBytes - before.mallocBytes;
        std::printf("  %-8s %+14.1f %+14.1f %+12.1f\n", name.c_str(),
                    static_cast<double>(after.residentBytes - before.residentBytes) / 1024.0,
                    static_cast<double>(grown) / 1024.0, static_cast<double>(grown) / cycles);
        std::fflush(stdout);
    }
    window.ExitWithoutSaving();
    return failed == 0 ? 0 : 1;
}
