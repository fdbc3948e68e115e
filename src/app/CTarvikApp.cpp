#include "app/CTarvikApp.h"

#include "app/CTarvikDlg.h"
#include "app/QtTranslations.h"
#include "colour/ui/CCustomColorDialog.h"
#include "device/Clocks.h"
#include "device/DeviceLink.h"
#include "emulator/EmulatedDeviceMonitor.h"
#include "emulator/EmulatorMemory.h"
#include "emulator/KeyboardEmulator.h"
#include "files/FileStatus.h"
#include "keys/ui/CKeyMap.h"
#include "macros/ui/CMacroRecordDlg.h"
#include "platform/Autostart.h"
#include "platform/HidapiBackend.h"
#include "platform/Paths.h"
#include "platform/ProgramStarter.h"
#include "platform/RuntimeFolder.h"
#include "platform/ShellOpen.h"
#include "platform/UdevMonitor.h"
#include "platform/qt/KeyboardHooks.h"
#include "platform/qt/LanguageSetting.h"
#include "platform/qt/SingleInstance.h"
#include "store/ui/CConfigureDlg.h"
#include "uikit/Prompt.h"
#include "uikit/Texts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QThreadPool>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace corvane {
namespace {

// The emulated keyboard is one keyboard for every program that emulates it: each command sequence
// holds its memory file, finds there what corvanectl sent meanwhile and writes back what it
// changed. A change the keyboard makes itself (its lighting keys) is written on the window's
// thread as soon as it is whole.
class RememberedEmulator
{
public:
    RememberedEmulator(KeyboardEmulator& emulator, const std::filesystem::path& file)
        : emulator_(emulator), memory_(emulator, file, [](const std::string& text) {
              std::fprintf(stderr, "corvane-keyboard: %s\n", text.c_str());
          })
    {
        emulator_.SetKeyboardLock(&memory_);
        emulator_.SetChangeCallback([this] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [this] { KeyboardLockHold write(&memory_, {}); },
                Qt::QueuedConnection);
        });
    }
    ~RememberedEmulator()
    {
        emulator_.SetChangeCallback({});
        emulator_.SetKeyboardLock(nullptr);
    }
    RememberedEmulator(const RememberedEmulator&) = delete;
    RememberedEmulator& operator=(const RememberedEmulator&) = delete;

private:
    KeyboardEmulator& emulator_;
    SharedEmulatorMemory memory_;
};

} // namespace

std::optional<std::vector<UsbIdPair>> ParseDeviceIds(const QString& text)
{
    std::vector<UsbIdPair> pairs;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.trimmed().split(QLatin1Char(':'));
        if (parts.size() != 2) return std::nullopt;
        bool vendorOk = false;
        bool productOk = false;
        const uint vendor = parts[0].toUInt(&vendorOk, 16);
        const uint product = parts[1].toUInt(&productOk, 16);
        if (!vendorOk || !productOk || vendor > 0xFFFF || product > 0xFFFF) return std::nullopt;
        pairs.push_back({static_cast<std::uint16_t>(vendor), static_cast<std::uint16_t>(product)});
    }
    if (pairs.empty()) return std::nullopt;
    return pairs;
}

ParsedCommandLine ParseCommandLine(const QStringList& arguments)
{
    ParsedCommandLine parsed;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Corvane Keyboard: the keyboard's configuration utility."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show these options and end."));
    const QCommandLineOption emulate(
        QStringLiteral("emulate"),
        QStringLiteral(
            "Run against the built-in keyboard emulator, which keeps its settings between "
            "starts as a keyboard does; --emulate=fresh starts it factory-fresh and keeps nothing."));
    const QCommandLineOption emulateWhenMissing(
        QStringLiteral("emulate-when-missing"),
        QStringLiteral("Use the built-in keyboard emulator when no keyboard is attached."));
    const QCommandLineOption language(QStringLiteral("language"),
                                      QStringLiteral("Interface language, overriding the stored setting."),
                                      QStringLiteral("german|english"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Folder for keymap.bin, MacroDefine.bin and profiles."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption deviceIds(
        QStringLiteral("device-ids"), QStringLiteral("Further USB ID pairs to accept as the keyboard (hex)."),
        QStringLiteral("VID:PID[,VID:PID...]"));
    const QCommandLineOption firstPaint(
        QStringLiteral("exit-after-first-paint"),
        QStringLiteral("Print the milliseconds to the first painted frame and end."));
    const QCommandLineOption minimized(
        QStringLiteral("minimized"),
        QStringLiteral("Start hidden behind the notification icon (minimised where there is none)."));
    const QCommandLineOption autostart(
        QStringLiteral("autostart"), QStringLiteral("Start minimised at login (on) or not (off), then end."),
        QStringLiteral("on|off"));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the program's version and end."));
    parser.addOptions({help, version, emulate, emulateWhenMissing, language, dataDir, deviceIds, firstPaint,
                       minimized, autostart});

    // Qt's parser has no options with an optional value: the fresh emulator is told apart first.
    QStringList given = arguments;
    const bool freshEmulator = given.removeAll(QStringLiteral("--emulate=fresh")) > 0;
    if (freshEmulator) given.append(QStringLiteral("--emulate"));
    if (!parser.parse(given)) {
        parsed.output = parser.errorText() + QLatin1Char('\n');
        parsed.exitCode = 2;
        return parsed;
    }
    if (parser.isSet(help)) {
        parsed.output = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                  QStringLiteral("corvane-keyboard"));
        parsed.exitCode = 0;
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.output = QStringLiteral("corvane-keyboard " CORVANE_VERSION "\n");
        parsed.exitCode = 0;
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.output = QStringLiteral("Unexpected argument: %1\n").arg(parser.positionalArguments().first());
        parsed.exitCode = 2;
        return parsed;
    }
    AppOptions& options = parsed.options;
    options.emulate = parser.isSet(emulate);
    options.freshEmulator = freshEmulator;
    options.emulateWhenMissing = parser.isSet(emulateWhenMissing);
    options.exitAfterFirstPaint = parser.isSet(firstPaint);
    options.minimized = parser.isSet(minimized);
    if (parser.isSet(autostart)) {
        const QString value = parser.value(autostart);
        if (value != QLatin1String("on") && value != QLatin1String("off")) {
            parsed.output = QStringLiteral("--autostart takes on or off, not \"%1\"\n").arg(value);
            parsed.exitCode = 2;
            return parsed;
        }
        options.autostart = value == QLatin1String("on");
    }
    if (parser.isSet(language)) {
        options.language = LanguageFromOption(parser.value(language));
        if (!options.language) {
            parsed.output = QStringLiteral("--language takes german or english, not \"%1\"\n")
                                .arg(parser.value(language));
            parsed.exitCode = 2;
            return parsed;
        }
    }
    if (parser.isSet(dataDir)) options.dataDir = std::filesystem::path(parser.value(dataDir).toStdString());
    if (parser.isSet(deviceIds)) {
        const auto ids = ParseDeviceIds(parser.value(deviceIds));
        if (!ids) {
            parsed.output = QStringLiteral("--device-ids takes VID:PID pairs in hex, as 3f1c:0101\n");
            parsed.exitCode = 2;
            return parsed;
        }
        options.deviceIds = *ids;
    }
    return parsed;
}

int ReportFirstInstanceUnreachable(Prompt& prompt, std::uint16_t language, const QString& detail)
{
    const bool german = language == kLanguageGerman;
    const QString text = german ? QString::fromUtf8("Corvane Keyboard läuft bereits, antwortet aber nicht. "
                                                    "Bitte beende es und starte es erneut.")
                                : QStringLiteral("Corvane Keyboard is already running but does not answer. "
                                                 "Please end it and start again.");
    std::fprintf(stderr, "corvane-keyboard: %s (%s)\n", text.toLocal8Bit().constData(),
                 detail.toLocal8Bit().constData());
    std::fflush(stderr);
    prompt.Tell(nullptr, QStringLiteral("Corvane Keyboard"), text);
    return kExitFirstInstanceUnreachable;
}

int ReportInstanceLockBlocked(Prompt& prompt, std::uint16_t language, const SingleInstance& instance)
{
    const bool german = language == kLanguageGerman;
    QString what;
    switch (instance.LockObstacle()) {
    case SingleInstance::Obstacle::kFolder:
        what = german ? QStringLiteral("ein Ordner") : QStringLiteral("a folder");
        break;
    case SingleInstance::Obstacle::kSymlink:
        what = german ? QStringLiteral("ein symbolischer Link") : QStringLiteral("a symbolic link");
        break;
    case SingleInstance::Obstacle::kOtherOwner:
        what = german ? QStringLiteral("eine Datei eines anderen Benutzers")
                      : QStringLiteral("another user's file");
        break;
    case SingleInstance::Obstacle::kNotRegular:
    case SingleInstance::Obstacle::kUnusable:
    case SingleInstance::Obstacle::kNone:
        what = german ? QStringLiteral("etwas, das keine brauchbare Datei ist")
                      : QStringLiteral("something that is not a usable file");
        break;
    }
    const QString text =
        (german
             ? QString::fromUtf8("Corvane Keyboard kann nicht prüfen, ob es bereits läuft.\nAnstelle seiner "
                                 "Sperrdatei liegt dort %2:\n%1\nBitte entferne es und starte das Programm "
                                 "erneut.")
             : QStringLiteral(
                   "Corvane Keyboard cannot tell whether it is already running.\nIn place of its lock "
                   "file there is %2:\n%1\nPlease remove it and start again."))
            .arg(instance.LockPath(), what);
    std::fprintf(stderr, "corvane-keyboard: %s\n", instance.Problem().toLocal8Bit().constData());
    std::fflush(stderr);
    prompt.Tell(nullptr, QStringLiteral("Corvane Keyboard"), text);
    return kExitInstanceLockBlocked;
}

int ReportArtworkMissing(Prompt* prompt, std::uint16_t language,
                         const std::vector<std::filesystem::path>& lookedIn)
{
    QString folders;
    for (const std::filesystem::path& folder : lookedIn)
        folders += QStringLiteral("\n  ") + QString::fromStdString((folder / "png").string());
    const QString text =
        PickText(
            language,
            "Die Bilder des Programms (png/) fehlen. Gesucht in:%1\nBitte installiere das Programm erneut.",
            "The program's pictures (png/) are missing. Looked in:%1\nPlease install the program again.")
            .arg(folders);
    std::fprintf(stderr, "corvane-keyboard: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (prompt != nullptr) prompt->Tell(nullptr, QStringLiteral("Corvane Keyboard"), text);
    return kExitArtworkMissing;
}

int RunAutostartOption(bool on)
{
    const std::filesystem::path file = AutostartFile();
    const AutostartResult result = SetAutostart(on, ExecutableFile(), file);
    if (!result.ok) {
        std::fprintf(stderr, "corvane-keyboard: %s\n", result.problem.c_str());
        return 1;
    }
    std::printf(on ? "Starts at login: %s\n" : "No longer starts at login (%s removed).\n", file.c_str());
    return 0;
}

void ShowAtStart(CTarvikDlg& window, const AppOptions& options, bool keyboardOpen, bool trayAvailable)
{
    if (options.exitAfterFirstPaint || (keyboardOpen && !options.minimized)) {
        window.show();
        return;
    }
    // Shown first so that, without a notification area, it can be minimised instead.
    if (!trayAvailable) window.show();
    window.HideOrMinimise();
}

void BringForwardOnSecondStart(SingleInstance& instance, CTarvikDlg& window)
{
    QObject::connect(&instance, &SingleInstance::ActivationRequested, &window, &CTarvikDlg::ShowFromOutside);
    QObject::connect(&instance, &SingleInstance::RereadRequested, &window, &CTarvikDlg::RereadFromOutside);
}

int CTarvikApp::Run(QApplication& app, const AppOptions& options)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Qt converts large pictures on its thread pool. A pooled thread left idle would wake to end
    // half a minute after each window's first paints; waiting without a time limit costs nothing.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    const std::uint16_t language = options.language.value_or(ReadLanguageSetting());
    // Before the first message box, so that its buttons speak the program's language too.
    if (!InstallQtTranslations(app, language))
        std::fputs("Qt's German texts are not installed (package qt6-translations-l10n).\n", stderr);

    const std::vector<std::filesystem::path> programFolders = ProgramFolderCandidates(ExecutableFolder());
    const std::optional<std::filesystem::path> programFolder = FindProgramFolder(programFolders);
    if (!programFolder) {
        // A notice only where it can be seen and answered; offscreen it would wait for ever.
        const QString platform = QGuiApplication::platformName();
        MessageBoxPrompt box;
        const bool visible = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
        return ReportArtworkMissing(visible ? &box : nullptr,
                                    options.language.value_or(ReadLanguageSetting()), programFolders);
    }

    SingleInstance instance(QString::fromLatin1(kInstanceName));
    if (!options.exitAfterFirstPaint) {
        switch (instance.Acquire()) {
        case SingleInstance::Outcome::kFirst:
            break;
        case SingleInstance::Outcome::kForwarded:
            return 0;
        case SingleInstance::Outcome::kUnreachable: {
            MessageBoxPrompt prompt;
            return ReportFirstInstanceUnreachable(prompt, language, instance.Problem());
        }
        case SingleInstance::Outcome::kBlocked: {
            MessageBoxPrompt prompt;
            return ReportInstanceLockBlocked(prompt, language, instance);
        }
        }
    }

    SystemClock clock;
    std::unique_ptr<KeyboardEmulator> emulator;
    std::unique_ptr<RememberedEmulator> emulatorMemory;
    std::unique_ptr<HidapiBackend> hidapi;
    std::unique_ptr<DeviceMonitor> monitor;
    HidBackend* backend = nullptr;
    bool useEmulator = options.emulate;
    if (!useEmulator) {
        hidapi = std::make_unique<HidapiBackend>();
        // A keyboard that is listed but cannot be opened stays the one used, so its notice says why.
        if (options.emulateWhenMissing &&
            !FindKeyboardInterfaceIn(*hidapi, options.deviceIds, kCommandInterface)) {
            std::fputs("No keyboard found: running against the built-in keyboard emulator.\n", stdout);
            std::fflush(stdout);
            useEmulator = true;
        }
    }
    if (useEmulator) {
        emulator = std::make_unique<KeyboardEmulator>(clock);
        if (!options.freshEmulator)
            emulatorMemory = std::make_unique<RememberedEmulator>(*emulator, DefaultStateFolder() /
                                                                                 kEmulatorMemoryFileName);
        monitor = std::make_unique<EmulatedDeviceMonitor>(*emulator);
        backend = emulator.get();
    } else {
        backend = hidapi.get();
        monitor = std::make_unique<UdevMonitor>();
    }

    auto state = std::make_unique<SettingsState>();
    auto macros = std::make_unique<MacroStore>();
    const KeyCodeTable& codes = StandardKeyCodeTable();
    MessageBoxPrompt prompt;
    XdgShellOpener shell;
    DetachedProgramStarter starter;

    MainWindowSetup setup;
    setup.language = language;
    setup.dataFolder = DataFolder(options.dataDir);
    setup.programFolder = *programFolder;
    setup.backend = backend;
    setup.clock = &clock;
    setup.monitor = monitor.get();
    setup.extraDeviceIds = options.deviceIds;
    setup.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();

    app.setQuitOnLastWindowClosed(false);
    CTarvikDlg window(*state, *macros, codes, prompt);
    window.SetShellOpener(&shell);
    // One colour dialog and one profile panel for the whole run, opened from the main window.
    CCustomColorDialog colourDialog(setup.language, &window);
    CConfigureDlg profilePanel(*state, prompt, setup.language, setup.dataFolder, setup.programFolder,
                               &window);
    window.SetColourWindow(&colourDialog);
    window.SetProfileWindow(&profilePanel);
    window.SetProgramStarter(&starter);
    BringForwardOnSecondStart(instance, window);
    // The key dialog lives for the whole run; each key click runs it again. Owned by the main
    // window, it stays in front of it under a window manager.
    const std::unique_ptr<KeyboardHook> keyHook = MakeKeyboardHook();
    CKeyMap keyDialog(*state, *macros, codes, prompt, keyHook.get(), setup.language, &window);
    window.SetKeyAssignmentWindow(&keyDialog);
    // The macro dialog records through the same hook; only one dialog is open at a time.
    CMacroRecordDlg macroDialog(*state, *macros, codes, prompt, keyHook.get(), setup.language, &window);
    window.SetMacroWindow(&macroDialog);
    QObject::connect(&window, &CTarvikDlg::Ended, &app, &QApplication::quit);
    if (options.exitAfterFirstPaint) {
        QObject::connect(&window, &CTarvikDlg::FirstPainted, &window, [&window, &sinceStart] {
            std::printf("first-paint %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
            std::fflush(stdout);
            window.ExitWithoutSaving();
        });
    }

    const bool keyboardOpen = window.SetUp(setup);
    if (!keyboardOpen && !options.exitAfterFirstPaint && !setup.trayAvailable) {
        const AccessProblem& problem = window.Link()->Access();
        std::fprintf(stderr, "%s.\n", AccessNotice(problem.access).english);
        if (!problem.detail.empty()) std::fprintf(stderr, "(%s)\n", problem.detail.c_str());
        if (problem.access == KeyboardAccess::kNotAccessible)
            std::fprintf(stderr, "%s\n", UdevRuleHelp().english);
    }
    ShowAtStart(window, options, keyboardOpen, setup.trayAvailable);
    return app.exec();
}

} // namespace corvane
