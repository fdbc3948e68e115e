#pragma once
// The main window: the keyboard picture with its key selection, the title strip with help,
// minimise and close, the lighting and performance panel, and the buttons that apply, open the
// profile panel and the macro dialog. It owns the link to the keyboard and drives it from the
// window thread; the link's threads reach it only through posted window messages.

#include "app/LightingPanel.h"
#include "device/DeviceLink.h"
#include "device/DeviceMonitor.h"
#include "device/SettingsState.h"
#include "files/FileStatus.h"
#include "format/KeyCodeTable.h"
#include "keys/LaunchKeyAction.h"
#include "keys/ShellOpener.h"
#include "macros/MacroStore.h"
#include "platform/ProgramStarter.h"
#include "skin/SkinnedWindow.h"
#include "uikit/OtherWindows.h"

#include <QPoint>
#include <QPointer>
#include <array>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;
class QSystemTrayIcon;
class QTimer;
class QMenu;

namespace corvane {

class CBitSlider;
class Prompt;
class WindowMessageSink;

// What the window needs to set itself up; owned by the application (or a test).
struct MainWindowSetup
{
    std::uint16_t language = 9;
    std::filesystem::path dataFolder;    // keymap.bin, MacroDefine.bin
    std::filesystem::path programFolder; // png/, VER.bin, the updater
    HidBackend* backend = nullptr;
    Clock* clock = nullptr;
    DeviceMonitor* monitor = nullptr; // hot-plug notifications; none: no hot-plug handling
    std::vector<UsbIdPair> extraDeviceIds;
    std::chrono::milliseconds ackTimeout = kDefaultAckTimeout;
    // Whether the desktop has a notification area. Without one, hiding would strand the window.
    bool trayAvailable = false;
};

inline constexpr std::uint8_t kNoKey = 255;
inline constexpr int kNoButton = -1;

class CTarvikDlg : public SkinnedDialog
{
    Q_OBJECT
public:
    CTarvikDlg(SettingsState& state, MacroStore& macros, const KeyCodeTable& codes, Prompt& prompt,
               QWidget* parent = nullptr);
    ~CTarvikDlg() override;

    // The start-up sequence: skin, sliders, macro file, device link and its threads, notification
    // icon, keymap.bin. Returns whether both keyboard channels opened (the window then shows).
    bool SetUp(const MainWindowSetup& setup);

    // The windows the clicks open; none of them (the default) makes that click do nothing.
    void SetKeyAssignmentWindow(KeyAssignmentWindow* window) { keyWindow_ = window; }
    void SetMacroWindow(MacroWindow* window) { macroWindow_ = window; }
    void SetColourWindow(ColourWindow* window) { colourWindow_ = window; }
    void SetProfileWindow(ProfileWindow* window) { profileWindow_ = window; }
    // Opens launch-key targets; none: nothing is opened.
    void SetShellOpener(ShellOpener* shell) { shell_ = shell; }
    // Starts the firmware updater; none: no update is offered or started.
    void SetProgramStarter(ProgramStarter* starter) { starter_ = starter; }

    // Hit tests in window coordinates. KeyAtPoint never gives Win or Fn in the key assignment
    // view; ButtonAtPoint gives the view-switch zones first while a custom profile is chosen.
    std::uint8_t KeyAtPoint(int x, int y) const;
    static bool IgnoresClicks(std::uint8_t slot);
    int ButtonAtPoint(int x, int y) const;

    // The minimise button and a missing keyboard at start-up: hidden behind the notification
    // icon, or minimised where the desktop has no notification area.
    void HideOrMinimise();
    // Brought forward by a second start or the notification icon.
    void ShowFromOutside();
    // Another program (corvanectl) changed the keyboard or the data folder: the window reads both
    // anew and shows them, keeping what the user changed here and has not applied. While a
    // dialog is open or a read runs, it waits for them to end.
    void RereadFromOutside();
    bool RereadOwed() const { return rereadOwed_ || rereading_; }
    // "Exit" of the notification icon's menu: ends without writing keymap.bin.
    void ExitWithoutSaving();
    // The close button: writes the synchronised copies to keymap.bin (or what the user applied
    // while no keyboard could take it), then ends.
    void CloseAndSave();
    // Whether an Apply without a keyboard left settings in keymap.bin that the keyboard lacks.
    bool HoldsOfflineApply() const { return offlineApplied_ != nullptr; }

    // View state, for the application and for tests.
    std::uint16_t Language() const { return language_; }
    DeviceLink* Link() const { return link_.get(); }
    bool EffectListOpen() const { return panel_.EffectListOpen(); }
    bool HelpOpen() const { return helpOpen_; }
    bool CustomColourView() const { return panel_.CustomColourView(); }
    int SelectionState() const { return selectionState_; }
    bool KeySelected(std::size_t slot) const { return slot < selected_.size() && selected_[slot] != 0; }
    std::uint8_t KeyUnderPointer() const { return hoverKey_; }
    int MarkedEffectRow() const { return panel_.MarkedEffectRow(); }
    bool CtrlHeld() const { return ctrlHeld_; }
    bool DeviceActionsAllowed() const;
    bool RepaintBurstRunning() const;
    // Number of full paints composed so far.
    int FullPaintCount() const { return fullPaints_; }
    CBitSlider* Slider(int id) const { return panel_.Slider(id); }
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    // Whether the window shows that no keyboard is attached (no notification area to say it).
    bool ShowsNoKeyboardNotice() const;
    // What that notice says: no keyboard, or why the keyboard that is there cannot be used.
    QString NoKeyboardNotice() const;
    std::filesystem::path KeymapPath() const;
    std::filesystem::path MacroFilePath() const;

signals:
    // The window has ended (close button, "Exit").
    void Ended();
    // The first full paint has been composed.
    void FirstPainted();

protected:
    void SettleBeforePaint() override;
    void PaintElements(QPainter& painter) override;
    DrawnControlList ListControls() const override;
    std::intptr_t WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    // Set-up pieces.
    void CreateTrayIcon();
    void WatchDeviceMonitor(DeviceMonitor* monitor);
    void EndDialog();

    // Keyboard filtering before dispatch; true when the event is consumed.
    bool FilterInput(QEvent* event);

    // Device side.
    void OnReadComplete(ReadSource source);
    void OnKeyboardSetting(const KeyboardSettingChanged& change);
    void OnRepaintTick();
    void OnDeviceEvents();
    void OnArrivalSettled();
    // The files read anew, the keyboard's read (when there was one) over them, the unapplied edits
    // kept.
    void TakeOutsideChange(bool fromDevice);
    void SetSlidersFromImage();
    void Apply();
    void FactoryResetAsked();
    void OfferFirmwareUpdate();
    // Files that could not be used at start, and launch keys that could not start: the user is
    // told which and why.
    TextLanguage FileTextLanguage() const;
    void TellFileProblems(const std::vector<FileStatus>& statuses);

    // Saving the program's own files, and telling the user when one was not saved.
    using SaveFunction = std::function<SaveStatus(DamagedFile, std::time_t)>;
    struct SaveJob
    {
        std::filesystem::path file;
        SaveFunction save;
    };
    SaveJob KeymapJob();
    SaveJob MacroFileJob();
    // Automatic saves (the read's, Apply's, the close button's) do not tell again a problem the
    // user has been told about; a dialog's save always tells, as its work exists nowhere else.
    enum class SaveMoment { kAutomatic, kDialog };
    // Runs the saves, then tells what went wrong in one notice, offering to replace each damaged
    // file. Returns the final status of each.
    std::vector<SaveStatus> SaveAndTell(const std::vector<SaveJob>& jobs, SaveMoment moment);
    // The same for saves already made (by the device link): `statuses` in the order of `jobs`.
    std::vector<SaveStatus> TellSaves(const std::vector<SaveJob>& jobs, std::vector<SaveStatus> statuses,
                                      SaveMoment moment);
    // The save of keymap.bin the device link made during its last call, told now.
    std::optional<SaveStatus> TellLinkSave(SaveMoment moment);
    // Asks whether to set the damaged file aside and replace it; the final status.
    SaveStatus OfferToReplace(const SaveJob& job, const SaveStatus& refused, const QString& text);
    // Remembers what the user has been told about a file (nothing, once it saves again).
    void NoteTold(const std::filesystem::path& file, const std::string& problem);
    void TellLaunchProblem(const LaunchResult& result);
    void LaunchUpdater();
    // Whether the updater lies in the program folder, runnable or not. A package brings none:
    // without one no update is offered, at start or in the help window.
    bool UpdaterPresent() const;
    void TellUpdaterProblem(const ProgramStartResult& result, bool newerFirmware);
    // Why the keyboard cannot take a command: its absence, or what keeps it from being opened.
    QString KeyboardMissingReason() const;

    // Keyboard view.
    // What a key does now, in words, when it does something other than its own function.
    QString KeyDescription(std::uint8_t slot) const;
    void PaintKeyboard(QPainter& painter);
    void PaintTitleAndButtons(QPainter& painter);
    void ReleaseOnKey(std::uint8_t slot);
    void AssignKey(std::uint8_t slot);
    void ColourSelectedKeys();
    void ClearSelection();
    void RubberBand();
    void ButtonAction(int button);
    void ReleaseInHelp(int x, int y);
    // The help window's rows: their texts and where each lies.
    QString HelpRowText(int row) const;
    static QRect HelpRowPlace(int row);

    std::uint8_t LightingMode() const;
    // Keys are coloured only while a custom lighting profile is chosen.
    bool InColourView() const;
    QString SkinFolder() const;
    QString Text(const char* german, const char* english) const;

    SettingsState& state_;
    MacroStore& macros_;
    const KeyCodeTable& codes_;
    Prompt& prompt_;

    KeyAssignmentWindow* keyWindow_ = nullptr;
    MacroWindow* macroWindow_ = nullptr;
    ColourWindow* colourWindow_ = nullptr;
    ProfileWindow* profileWindow_ = nullptr;
    ShellOpener* shell_ = nullptr;
    ProgramStarter* starter_ = nullptr;

    std::uint16_t language_ = 9;
    std::filesystem::path dataFolder_;
    std::filesystem::path programFolder_;
    bool trayAvailable_ = false;

    std::unique_ptr<WindowMessageSink> sink_;
    std::unique_ptr<DeviceLink> link_;
    DeviceMonitor* monitor_ = nullptr;
    QSocketNotifier* monitorNotifier_ = nullptr;
    QTimer* repaintTimer_ = nullptr;
    QTimer* arrivalTimer_ = nullptr;
    QTimer* rereadTimer_ = nullptr;
    bool rereadOwed_ = false; // asked while the window could not take it yet
    bool rereading_ = false;  // the keyboard is being read for it
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    bool startupReadPending_ = false;
    // What an Apply without a keyboard wrote to keymap.bin: the close button keeps it there
    // rather than going back to the synchronised copies. Dropped once the keyboard's own settings
    // are taken or an Apply reaches it.
    struct AppliedCopy
    {
        SettingsImage image;
        KeyRecordBuffer records;
    };
    std::unique_ptr<AppliedCopy> offlineApplied_;
    void OfferOfflineApply(const AppliedCopy& applied);
    bool ended_ = false;
    // A click is being handled (with whatever dialog it opened).
    bool inClick_ = false;
    // What the device link's last save of keymap.bin gave, until it is told.
    std::optional<SaveStatus> linkSave_;
    // The problem last told for each file, so automatic saves do not repeat it.
    std::map<std::filesystem::path, std::string> toldProblems_;

    // The lighting and performance panel: its sliders, effect list and view switch.
    LightingPanel panel_;

    // View state.
    bool helpOpen_ = false;
    int selectionState_ = 0;
    bool ctrlHeld_ = false;
    bool leftHeld_ = false;
    QPoint pressPoint_;
    QPoint currentPoint_;
    QPoint pressGlobal_;
    QPoint windowAtPress_;
    std::array<std::uint8_t, 126> selected_{};
    std::uint8_t hoverKey_ = kNoKey;
    std::uint8_t lastShownKey_ = kNoKey;

    int fullPaints_ = 0;
};

} // namespace corvane
