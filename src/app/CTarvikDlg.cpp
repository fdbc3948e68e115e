#include "app/CTarvikDlg.h"

#include "device/Firmware.h"
#include "device/LightingEffects.h"
#include "device/LightingSettings.h"
#include "format/KeyLayout.h"
#include "keys/LaunchKeyAction.h"
#include "keys/MacroKeys.h"
#include "skin/BitSlider.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/WindowMessage.h"
#include "store/SettingsFiles.h"
#include "uikit/Prompt.h"
#include "uikit/Texts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>

namespace corvane {
namespace {

constexpr int kRepaintPeriodMs = 20;
// Mouse events the notification icon reports, as the icon callback carries them.
constexpr std::intptr_t kTrayDoubleClick = 0x203;
constexpr std::uintptr_t kShowNoDeviceBalloon = 15;
constexpr int kBalloonTimeoutMs = 10000;
// How often a re-read asked for while a dialog is open looks again.
constexpr int kRereadRetryMs = 300;

} // namespace

CTarvikDlg::CTarvikDlg(SettingsState& state, MacroStore& macros, const KeyCodeTable& codes, Prompt& prompt,
                       QWidget* parent)
    : SkinnedDialog(parent), state_(state), macros_(macros), codes_(codes), prompt_(prompt),
      panel_(*this, state.image)
{
    setWindowTitle(QStringLiteral("Corvane Keyboard"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    installEventFilter(this);

    repaintTimer_ = new QTimer(this);
    repaintTimer_->setInterval(kRepaintPeriodMs);
    connect(repaintTimer_, &QTimer::timeout, this, &CTarvikDlg::OnRepaintTick);

    arrivalTimer_ = new QTimer(this);
    arrivalTimer_->setSingleShot(true);
    arrivalTimer_->setInterval(static_cast<int>(kArrivalSettleDelay.count()));
    connect(arrivalTimer_, &QTimer::timeout, this, &CTarvikDlg::OnArrivalSettled);

    rereadTimer_ = new QTimer(this);
    rereadTimer_->setSingleShot(true);
    rereadTimer_->setInterval(kRereadRetryMs);
    connect(rereadTimer_, &QTimer::timeout, this, &CTarvikDlg::RereadFromOutside);

    // Ctrl held over a slider still counts for the key selection.
    for (int id : {layout::kSliderSpeed, layout::kSliderReportRate, layout::kSliderBrightness,
                   layout::kSliderResponseTime})
        Slider(id)->installEventFilter(this);
}

CTarvikDlg::~CTarvikDlg()
{
    if (link_) link_->Shutdown();
}

QString CTarvikDlg::Text(const char* german, const char* english) const
{
    return PickText(language_, german, english);
}

QString CTarvikDlg::SkinFolder() const
{
    return SkinFolderPath(SkinWindow::Main, language_);
}

std::filesystem::path CTarvikDlg::KeymapPath() const
{
    return dataFolder_ / kKeymapFileName;
}

std::uint8_t CTarvikDlg::LightingMode() const
{
    return LightingView(state_.image).Mode();
}

bool CTarvikDlg::SetUp(const MainWindowSetup& setup)
{
    language_ = setup.language;
    dataFolder_ = setup.dataFolder;
    programFolder_ = setup.programFolder;
    trayAvailable_ = setup.trayAvailable;

    selectionState_ = 0;
    ctrlHeld_ = false;
    leftHeld_ = false;

    SetProgramFolder(QString::fromStdString(programFolder_.string()));
    const FirmwareVersion fileVersion = ReadFileVersion(programFolder_ / kVersionFileName);

    SetSkin(SkinFolder(), SkinBackgroundName(SkinWindow::Main));
    setFixedSize(BackgroundSize());
    const QImage icon = LoadResourceImage(layout::kResourceAppIcon);
    if (!icon.isNull()) setWindowIcon(QIcon(QPixmap::fromImage(icon)));

    state_.marks.Clear();
    selected_.fill(0);
    hoverKey_ = kNoKey;
    lastShownKey_ = kNoKey;

    // Also clears the custom-colour view and closes the effect list.
    panel_.SetUp(language_);

    // What an interrupted save left behind goes before anything is read or written.
    RemoveStaleSaveFiles(dataFolder_);
    std::vector<FileStatus> fileProblems;
    fileProblems.push_back(LoadMacroStore(MacroFilePath(), macros_));

    sink_ = std::make_unique<WindowMessageSink>(this);
    DeviceLinkOptions options;
    options.extraDeviceIds = setup.extraDeviceIds;
    options.ackTimeout = setup.ackTimeout;
    options.fileVersion = fileVersion;
    const std::filesystem::path keymap = KeymapPath();
    // The link saves after a read, an apply and a reset; the window tells the outcome afterwards.
    options.writeKeymap = [this, keymap](const SettingsState& state) {
        linkSave_ = SaveKeymap(keymap, state);
        return linkSave_->Saved();
    };
    link_ = std::make_unique<DeviceLink>(*setup.backend, *setup.clock, *sink_, std::move(options));
    const StartResult started = link_->Start();
    startupReadPending_ = started.readAllStarted;

    CreateTrayIcon();
    WatchDeviceMonitor(setup.monitor);

    helpOpen_ = false;

    fileProblems.push_back(LoadKeymap(keymap, state_, KeymapLoadMode::kFull));
    state_.TakeShadows();
    TellFileProblems(fileProblems);
    // Until the keyboard has been read, the sliders show what keymap.bin holds; otherwise the
    // first paint would write their start positions over the loaded values.
    SetSlidersFromImage();

    FullPaint();
    return started.commandChannelOpen && started.eventChannelOpen;
}

void CTarvikDlg::CreateTrayIcon()
{
    if (!trayAvailable_) return;
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    tray_->setToolTip(QStringLiteral("Corvane Keyboard"));
    trayMenu_ = new QMenu(this);
    QAction* exit = trayMenu_->addAction(Text("Beenden", "Exit"));
    connect(exit, &QAction::triggered, this, &CTarvikDlg::ExitWithoutSaving);
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // StatusNotifierItem trays (KDE, GNOME's AppIndicator, Xfce, Cinnamon) report a click as
        // Trigger and never a double-click: either brings the window back.
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            SendWindowMessage(this, UM_TRAY_CALLBACK, 0, kTrayDoubleClick);
    });
    tray_->show();
}

void CTarvikDlg::WatchDeviceMonitor(DeviceMonitor* monitor)
{
    monitor_ = monitor;
    if (monitor_ == nullptr || monitor_->FileDescriptor() < 0) return;
    monitorNotifier_ = new QSocketNotifier(monitor_->FileDescriptor(), QSocketNotifier::Read, this);
    connect(monitorNotifier_, &QSocketNotifier::activated, this, &CTarvikDlg::OnDeviceEvents);
}

bool CTarvikDlg::ShowsNoKeyboardNotice() const
{
    return !trayAvailable_ && link_ && !link_->CommandChannelOpen();
}

TextLanguage CTarvikDlg::FileTextLanguage() const
{
    return language_ == kLanguageGerman ? TextLanguage::kGerman : TextLanguage::kEnglish;
}

void CTarvikDlg::TellLaunchProblem(const LaunchResult& result)
{
    const QString text = QString::fromStdString(LaunchResultText(result, FileTextLanguage()));
    if (text.isEmpty()) return;
    // The notification area carries it where there is one; elsewhere the window says it.
    if (tray_ != nullptr)
        tray_->showMessage(QStringLiteral("Corvane Keyboard"), text, QSystemTrayIcon::Warning,
                           kBalloonTimeoutMs);
    else
        prompt_.Tell(this, QStringLiteral("Corvane Keyboard"), text);
}

QString CTarvikDlg::NoKeyboardNotice() const
{
    const KeyboardAccess access = link_ ? link_->Access().access : KeyboardAccess::kNoKeyboard;
    if (access == KeyboardAccess::kNoKeyboard || access == KeyboardAccess::kReady)
        return QStringLiteral("Warning: No Gaming Keyboard!");
    const AccessText notice = AccessNotice(access);
    return Text("Warnung: ", "Warning: ") + Text(notice.german, notice.english);
}

bool CTarvikDlg::DeviceActionsAllowed() const
{
    return link_ && !startupReadPending_ && !link_->ReadAllRunning();
}

bool CTarvikDlg::RepaintBurstRunning() const
{
    return repaintTimer_->isActive();
}

void CTarvikDlg::HideOrMinimise()
{
    // Without a notification area a hidden window could never be brought back.
    if (trayAvailable_ && tray_ != nullptr)
        hide();
    else
        showMinimized();
}

void CTarvikDlg::ShowFromOutside()
{
    showNormal();
    raise();
    activateWindow();
}

void CTarvikDlg::RereadFromOutside()
{
    if (ended_ || !link_) return;
    rereadOwed_ = false;
    if (rereading_) return; // the read under way is read after the change
    // A dialog edits the settings in place; a running read would be taken as the start's.
    if (QApplication::activeModalWidget() != nullptr || startupReadPending_ || link_->ReadAllRunning()) {
        rereadOwed_ = true;
        rereadTimer_->start();
        return;
    }
    if (link_->StartReread()) {
        rereading_ = true;
        return;
    }
    TakeOutsideChange(false); // no keyboard here: the files alone
}

void CTarvikDlg::TakeOutsideChange(bool fromDevice)
{
    const auto before = std::make_unique<SettingsState>(state_);
    const auto macrosBefore = std::make_unique<MacroStore>(macros_);
    // A file that cannot be read now keeps what the window holds.
    if (LoadMacroStore(MacroFilePath(), macros_).state != FileState::kLoaded) macros_ = *macrosBefore;
    if (LoadKeymap(KeymapPath(), state_, KeymapLoadMode::kFull).state == FileState::kLoaded)
        state_.TakeShadows();
    else
        state_ = *before;
    ReadCompleteResult result;
    if (fromDevice) result = link_->OnReadComplete(state_, ReadSource::kDevice);
    if (result.settingsTaken) offlineApplied_.reset();
    KeepUnappliedEdits(*before, state_);
    linkSave_ = SaveKeymap(KeymapPath(), state_);
    SetSlidersFromImage();
    FullPaint();
    update();
    TellLinkSave(SaveMoment::kAutomatic);
}

void CTarvikDlg::EndDialog()
{
    if (ended_) return;
    ended_ = true;
    if (tray_ != nullptr) tray_->hide();
    if (monitorNotifier_ != nullptr) monitorNotifier_->setEnabled(false);
    arrivalTimer_->stop();
    if (link_) link_->Shutdown();
    repaintTimer_->stop();
    hide();
    emit Ended();
}

void CTarvikDlg::ExitWithoutSaving()
{
    EndDialog();
}

void CTarvikDlg::CloseAndSave()
{
    const SaveJob job{KeymapPath(), [this](DamagedFile damaged, std::time_t when) {
                          if (offlineApplied_)
                              return SaveKeymap(KeymapPath(), offlineApplied_->image,
                                                offlineApplied_->records, damaged, when);
                          return SaveKeymap(KeymapPath(), state_.shadow, state_.recordShadow, damaged, when);
                      }};
    SaveAndTell({job}, SaveMoment::kAutomatic);
    EndDialog();
}

void CTarvikDlg::reject()
{
    // Escape and the dialog manager never end this window; only its own buttons do.
}

void CTarvikDlg::closeEvent(QCloseEvent* event)
{
    // Closed by the desktop: ends like "Exit", without saving.
    EndDialog();
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Messages

std::intptr_t CTarvikDlg::WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    switch (message) {
    case UM_DEVICE_KEY:
        if (shell_ != nullptr)
            TellLaunchProblem(
                LaunchKeyAction(state_.records, static_cast<std::uint8_t>(wParam & 0xFF), *shell_));
        break;
    case UM_SLIDER_MOVED:
        panel_.OnSliderMoved(static_cast<int>(wParam));
        break;
    case UM_READ_COMPLETE:
        OnReadComplete(ReadSourceOf(lParam));
        break;
    case UM_REFRESH_CONTROLS:
        panel_.OnRefreshControls(wParam);
        break;
    case UM_KEYBOARD_SETTING:
        OnKeyboardSetting(KeyboardSettingOf(wParam, lParam));
        break;
    case UM_TRAY_CALLBACK:
        if (lParam == kTrayDoubleClick) {
            if (link_ && link_->CommandChannelOpen())
                ShowFromOutside();
            else
                SendWindowMessage(this, UM_SHOW_NO_DEVICE, kShowNoDeviceBalloon, 0);
        }
        break;
    case UM_SHOW_NO_DEVICE:
        if (wParam == kShowNoDeviceBalloon && tray_ != nullptr) {
            const KeyboardAccess access = link_ ? link_->Access().access : KeyboardAccess::kNoKeyboard;
            const AccessText notice = AccessNotice(access);
            const QString text = access == KeyboardAccess::kNoKeyboard || access == KeyboardAccess::kReady
                                     ? QString::fromUtf8("No Gaming Keyboard\xEF\xBC\x81")
                                     : Text(notice.german, notice.english);
            tray_->showMessage(QStringLiteral("Warning"), text, QSystemTrayIcon::Information,
                               kBalloonTimeoutMs);
        }
        break;
    default:
        break;
    }
    return 0;
}

void CTarvikDlg::SetSlidersFromImage()
{
    panel_.SetSlidersFromImage();
}

void CTarvikDlg::OnReadComplete(ReadSource source)
{
    if (!link_) return;
    if (source == ReadSource::kDevice && rereading_) {
        rereading_ = false;
        TakeOutsideChange(true);
        return;
    }
    if (source == ReadSource::kDevice) startupReadPending_ = false;
    const ReadCompleteResult result = link_->OnReadComplete(state_, source);
    // The keyboard's own settings now stand in the window and in keymap.bin.
    if (result.settingsTaken) offlineApplied_.reset();
    SetSlidersFromImage();
    FullPaint();
    TellLinkSave(SaveMoment::kAutomatic);
    if (result.readFailed) {
        prompt_.Tell(this, QStringLiteral("Corvane Keyboard"),
                     Text("Die Einstellungen der Tastatur konnten nicht gelesen werden. Angezeigt werden die "
                          "zuletzt gespeicherten Einstellungen; \"Anwenden\" sendet sie an die Tastatur.",
                          "The keyboard's settings could not be read. The window shows the settings saved "
                          "last; \"Apply\" sends them to the keyboard."));
    }
    if (result.offerFirmwareUpdate) OfferFirmwareUpdate();
}

void CTarvikDlg::OnKeyboardSetting(const KeyboardSettingChanged& change)
{
    if (!link_) return;
    const std::optional<SliderField> slider = link_->OnKeyboardSetting(state_, change);
    if (slider == SliderField::kSpeed)
        Slider(layout::kSliderSpeed)->setValue(SliderPositionOf(state_.image, SliderField::kSpeed));
    if (slider == SliderField::kBrightness)
        Slider(layout::kSliderBrightness)->setValue(SliderPositionOf(state_.image, SliderField::kBrightness));
    // The timer runs only while a burst of repaints is owed, so an idle window never wakes.
    if (link_->RepaintPending() && !repaintTimer_->isActive()) repaintTimer_->start();
}

void CTarvikDlg::OnRepaintTick()
{
    if (link_ && link_->RepaintTick()) {
        FullPaint();
        repaint();
    }
    if (!link_ || !link_->RepaintPending()) repaintTimer_->stop();
}

void CTarvikDlg::OnDeviceEvents()
{
    if (monitor_ == nullptr || !link_) return;
    for (const DeviceEvent& event : monitor_->Drain()) {
        if (event.change == DeviceChange::kArrival) {
            // The keyboard's interfaces appear one after another; look once they have settled.
            arrivalTimer_->start();
        } else if (link_->OnDeviceRemoval(event.ids)) {
            // A start-up read cut short by the removal never reports; nothing runs any more, so
            // the window's own actions must not wait for it.
            startupReadPending_ = false;
            FullPaint();
        }
    }
}

void CTarvikDlg::OnArrivalSettled()
{
    if (!link_ || ended_) return;
    const ArrivalResult result = link_->OnDeviceArrival(state_);
    TellLinkSave(SaveMoment::kAutomatic);
    if (result.alreadyOpen) return;
    if (result.factoryReset) {
        panel_.SetCustomColourView(false);
        ClearSelection();
    }
    if (result.commandChannelOpened) {
        // The keyboard's settings were read over the window's; what the user applied while it
        // was away is sent only when they say so.
        const std::unique_ptr<AppliedCopy> applied = std::move(offlineApplied_);
        if (applied && result.reread == SyncResult::kOk) OfferOfflineApply(*applied);
        SetSlidersFromImage();
    }
    FullPaint();
}

void CTarvikDlg::OfferOfflineApply(const AppliedCopy& applied)
{
    const bool send = prompt_.AskChoice(
        this, Text("Anwenden", "Apply"),
        Text("Die Einstellungen, die angewendet wurden, während die Tastatur nicht angeschlossen war, an die "
             "Tastatur senden?",
             "Send the settings applied while the keyboard was away to the keyboard?"),
        Text("Ja", "Yes"), Text("Nein", "No"));
    if (!send) return;
    // What was just read is what the keyboard holds, so Apply sends exactly the difference.
    state_.shadow = state_.image;
    state_.image = applied.image;
    state_.records = applied.records;
    Apply();
}

void CTarvikDlg::Apply()
{
    if (!DeviceActionsAllowed()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SyncResult result = link_->Apply(state_);
    QApplication::restoreOverrideCursor();
    const std::optional<SaveStatus> saved = TellLinkSave(SaveMoment::kAutomatic);
    if (result == SyncResult::kOk) {
        offlineApplied_.reset();
    } else if (result == SyncResult::kNoKeyboard) {
        // keymap.bin now holds what the user applied; the shadows stay as the keyboard last had
        // them, so the next Apply with the keyboard still sends the difference.
        offlineApplied_ = std::make_unique<AppliedCopy>(AppliedCopy{state_.image, state_.records});
        prompt_.Tell(
            this, Text("Anwenden", "Apply"),
            KeyboardMissingReason() +
                (!saved || saved->Saved()
                     ? Text(" Die Einstellungen wurden in keymap.bin gespeichert, aber nicht an die "
                            "Tastatur gesendet.",
                            " The settings were saved in keymap.bin but not sent to the keyboard.")
                     : Text(" Die Einstellungen wurden weder an die Tastatur gesendet noch in keymap.bin "
                            "gespeichert.",
                            " The settings were neither sent to the keyboard nor saved in keymap.bin.")));
    } else {
        prompt_.Tell(this, Text("Anwenden", "Apply"),
                     Text("Die Tastatur hat die Einstellungen nicht übernommen. Sie werden beim nächsten "
                          "Anwenden erneut gesendet.",
                          "The keyboard did not accept the settings. They will be sent again with the next "
                          "Apply."));
    }
}

void CTarvikDlg::FactoryResetAsked()
{
    helpOpen_ = false;
    if (!DeviceActionsAllowed()) return;
    if (!link_->CommandChannelOpen()) {
        // Nothing to reset without the keyboard, and the window's settings stay as they are.
        prompt_.Tell(this, Text("Werkseinstellungen", "Factory Setting"),
                     KeyboardMissingReason() +
                         Text(" Es wurde nichts zurückgesetzt.", " Nothing was reset."));
        return;
    }
    const bool confirmed =
        prompt_.AskOkCancel(this, Text("Werkseinstellungen", "Factory Setting"),
                            Text("Bitte bestätige das Zurücksetzen auf die Werkseinstellungen?",
                                 "Confirm to return Factory Setting?"));
    if (!confirmed) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    panel_.SetCustomColourView(false);
    ClearSelection();
    const SyncResult result = link_->FactoryReset(state_);
    SetSlidersFromImage();
    QApplication::restoreOverrideCursor();
    TellLinkSave(SaveMoment::kAutomatic);
    if (result == SyncResult::kOk) offlineApplied_.reset();
    if (result != SyncResult::kOk) {
        prompt_.Tell(this, Text("Werkseinstellungen", "Factory Setting"),
                     Text("Die Tastatur hat das Zurücksetzen auf die Werkseinstellungen nicht bestätigt.",
                          "The keyboard did not confirm the return to the factory settings."));
    }
}

QString CTarvikDlg::KeyboardMissingReason() const
{
    const KeyboardAccess access = link_ ? link_->Access().access : KeyboardAccess::kNoKeyboard;
    if (access == KeyboardAccess::kNoKeyboard || access == KeyboardAccess::kReady)
        return Text("Es ist keine Tastatur angeschlossen.", "No keyboard is connected.");
    const AccessText notice = AccessNotice(access);
    return Text(notice.german, notice.english) + QLatin1Char('.');
}

void CTarvikDlg::OfferFirmwareUpdate()
{
    if (!UpdaterPresent()) return;
    // An update whose updater cannot start here is not offered; the user learns why instead.
    const ProgramStartResult runnable = CheckRunnable(programFolder_ / kUpdaterFileName);
    if (runnable.outcome != ProgramStartOutcome::kStarted) {
        TellUpdaterProblem(runnable, true);
        return;
    }
    const bool confirmed =
        prompt_.AskOkCancel(this, Text("Firmware aktualisieren", "Firmware Update"),
                            Text("Es ist eine neue Firmware verfügbar. Möchtest Du sie aktualisieren?",
                                 "Update new firmware\xEF\xBC\x9F"));
    if (confirmed) LaunchUpdater();
}

void CTarvikDlg::LaunchUpdater()
{
    if (starter_ == nullptr) return;
    // A program, started as one in its own folder: a document opener would show it, not run it.
    const ProgramStartResult result = starter_->Start(programFolder_ / kUpdaterFileName, programFolder_);
    if (result.outcome != ProgramStartOutcome::kStarted) TellUpdaterProblem(result, false);
}

bool CTarvikDlg::UpdaterPresent() const
{
    return starter_ != nullptr &&
           CheckRunnable(programFolder_ / kUpdaterFileName).outcome != ProgramStartOutcome::kMissing;
}

void CTarvikDlg::TellUpdaterProblem(const ProgramStartResult& result, bool newerFirmware)
{
    const QString updater = QString::fromStdString((programFolder_ / kUpdaterFileName).string());
    QString text;
    if (newerFirmware)
        text = Text("Es ist eine neue Firmware verfügbar, aber sie kann nicht installiert werden. ",
                    "A newer firmware is available, but it cannot be installed. ");
    switch (result.outcome) {
    case ProgramStartOutcome::kMissing:
        text +=
            Text("Das Aktualisierungsprogramm fehlt: %1", "The firmware updater is missing: %1").arg(updater);
        break;
    case ProgramStartOutcome::kNotRunnable: {
        const ProgramProblemText why = ProgramProblemTextOf(result.problem);
        text += Text("Das Aktualisierungsprogramm %1 kann hier nicht ausgeführt werden: %2.",
                     "The firmware updater %1 cannot be run here: %2.")
                    .arg(updater, Text(why.german, why.english));
        break;
    }
    case ProgramStartOutcome::kFailed:
    case ProgramStartOutcome::kStarted:
        text += Text("Das Aktualisierungsprogramm %1 konnte nicht gestartet werden (%2).",
                     "The firmware updater %1 could not be started (%2).")
                    .arg(updater, QString::fromStdString(result.detail));
        break;
    }
    prompt_.Tell(this, Text("Firmware aktualisieren", "Firmware Update"), text);
}

// ---------------------------------------------------------------------------------------------
// Input

bool CTarvikDlg::FilterInput(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        // A drag ends when the button is no longer down, wherever it was let go.
        if (!(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) leftHeld_ = false;
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Control) ctrlHeld_ = true;
        break;
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Control) {
            ctrlHeld_ = false;
            for (std::uint8_t flag : selected_)
                if (flag != 0) {
                    selectionState_ = 2;
                    break;
                }
        }
        break;
    default:
        break;
    }
    return false;
}

bool CTarvikDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (FilterInput(event)) return true;
    return SkinnedDialog::eventFilter(watched, event);
}

void CTarvikDlg::keyPressEvent(QKeyEvent* event)
{
    // Never closed by a key, nor asked for help.
    if (event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    if (!IgnoreEndingKey(event)) SkinnedDialog::keyPressEvent(event);
}

void CTarvikDlg::focusOutEvent(QFocusEvent* event)
{
    SkinnedDialog::focusOutEvent(event);
    FullPaint();
}

void CTarvikDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        pressPoint_ = event->position().toPoint();
        currentPoint_ = QPoint(0, 0);
        leftHeld_ = true;
        pressGlobal_ = event->globalPosition().toPoint();
        windowAtPress_ = pos();
    }
    SkinnedDialog::mousePressEvent(event);
}

void CTarvikDlg::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const int x = point.x();
    const int y = point.y();
    currentPoint_ = point;

    if (panel_.Hover(x, y)) return;

    if (leftHeld_) {
        if (ButtonAtPoint(x, y) == kNoButton && KeyAtPoint(x, y) == kNoKey && !panel_.EffectListOpen() &&
            !helpOpen_ && y >= layout::kDragStripTop && y <= layout::kDragStripBottom) {
            if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
                leftHeld_ = false;
            } else {
                // No window manager to hand the move to: follow the pointer ourselves.
                move(windowAtPress_ + (event->globalPosition().toPoint() - pressGlobal_));
            }
            return;
        }
        RubberBand();
        return;
    }

    hoverKey_ = KeyAtPoint(x, y);
    if (hoverKey_ != lastShownKey_ && !IgnoresClicks(hoverKey_)) {
        lastShownKey_ = hoverKey_;
        FullPaint();
    } else if (hoverKey_ == kNoKey && lastShownKey_ == kNoKey &&
               (ButtonAtPoint(x, y) != kNoButton || panel_.MarkChangedSinceShown())) {
        panel_.MarkShown();
        FullPaint();
    }
}

void CTarvikDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        SkinnedDialog::mouseReleaseEvent(event);
        return;
    }
    // A click that opened a dialog is handled until the dialog has ended. Another click meanwhile
    // would open a second one over the first, on the same key records, macro store and key hook.
    if (inClick_) return;
    const QScopedValueRollback<bool> handling(inClick_, true);
    const QPoint point = event->position().toPoint();
    const int x = point.x();
    const int y = point.y();
    pressPoint_ = QPoint();
    currentPoint_ = QPoint();
    leftHeld_ = false;

    if (panel_.EffectListOpen()) {
        panel_.ReleaseInList(x, y);
    } else if (helpOpen_) {
        ReleaseInHelp(x, y);
    } else {
        const int button = ButtonAtPoint(x, y);
        if (button != kNoButton) ButtonAction(button);
        if (ended_) return;
        const std::uint8_t key = KeyAtPoint(x, y);
        if (key == kNoKey) {
            if (selectionState_ == 1) selectionState_ = 2;
        } else {
            ReleaseOnKey(key);
        }
    }
    if (!ended_) FullPaint();
}

void CTarvikDlg::ButtonAction(int button)
{
    switch (button) {
    case layout::kButtonHelp:
        helpOpen_ = true;
        break;
    case layout::kButtonMinimise:
        HideOrMinimise();
        break;
    case layout::kButtonClose:
        CloseAndSave();
        break;
    case layout::kButtonProfile:
        if (profileWindow_ != nullptr) {
            profileWindow_->Open(frameGeometry());
            // The panel may have loaded a profile: take it over once the panel has gone.
            QTimer::singleShot(
                50, this, [this] { SendWindowMessage(this, UM_READ_COMPLETE, 0, kReadFromProfilePanel); });
        }
        break;
    case layout::kButtonMacro:
        if (macroWindow_ != nullptr && macroWindow_->Open()) {
            ApplyMacroEdits(state_, macros_, macroWindow_->Numbering());
            SaveAndTell({KeymapJob(), MacroFileJob()}, SaveMoment::kDialog);
        }
        break;
    case layout::kButtonApply:
        Apply();
        break;
    default:
        if (LightingPanel::OwnsButton(button)) panel_.Click(button, colourWindow_);
        break;
    }
}

void CTarvikDlg::ReleaseInHelp(int x, int y)
{
    if (!layout::kHelpWindowArea.Contains(x, y)) {
        helpOpen_ = false;
        return;
    }
    const int row = (y - layout::kHelpWindowArea.top) / layout::kHelpRowHeight;
    if (row == 0) {
        FactoryResetAsked();
    } else if (row == 1) {
        // Drawn dimmed without an updater, the row takes no click.
        if (!UpdaterPresent()) return;
        LaunchUpdater();
    }
    helpOpen_ = false;
}

} // namespace corvane
