#pragma once
// The application object: command line, single instance, language, the keyboard backend (real or
// emulated), the data the windows share, and the main window's life.

#include "device/DeviceIds.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

class QApplication;

namespace corvane {

class CTarvikDlg;
class Prompt;
class SingleInstance;

struct AppOptions
{
    bool emulate = false;            // run against the built-in keyboard emulator
    bool emulateWhenMissing = false; // ... when no keyboard is attached
    bool freshEmulator = false;      // --emulate=fresh: factory-fresh, remembering nothing
    std::optional<std::uint16_t> language;
    std::optional<std::filesystem::path> dataDir;
    std::vector<UsbIdPair> deviceIds;
    bool exitAfterFirstPaint = false; // print the time to the first painted frame and end
    bool minimized = false;           // start behind the notification icon
    std::optional<bool> autostart;    // write (true) or remove the login entry, then end
};

// Parses "VID:PID[,VID:PID...]" in hexadecimal; nothing when any pair is malformed.
std::optional<std::vector<UsbIdPair>> ParseDeviceIds(const QString& text);

// Parses the command line (arguments[0] is the program). Returns the options, or an exit code
// when the program is to end at once (help shown: 0; bad option: 2, with the reason in error).
struct ParsedCommandLine
{
    AppOptions options;
    std::optional<int> exitCode;
    QString output;
};
ParsedCommandLine ParseCommandLine(const QStringList& arguments);

// A later start asks the first one's window to come forward; corvanectl's changes are read anew.
void BringForwardOnSecondStart(SingleInstance& instance, CTarvikDlg& window);

// A later start that cannot reach the first one says so (stderr and a notice in the chosen
// language) rather than ending silently. Returns the exit code.
inline constexpr int kExitFirstInstanceUnreachable = 3;
int ReportFirstInstanceUnreachable(Prompt& prompt, std::uint16_t language, const QString& detail);

// Something that is no lock of the program's lies where its lock goes: the program says what and
// where (stderr and a notice), so the user can remove it, and ends. Returns the exit code.
inline constexpr int kExitInstanceLockBlocked = 5;
int ReportInstanceLockBlocked(Prompt& prompt, std::uint16_t language, const SingleInstance& instance);

// Without its pictures the window would be empty and invisible: the program says where it looked
// (stderr, and a notice where there is a screen to show it on) and ends. Returns the exit code.
inline constexpr int kExitArtworkMissing = 4;
int ReportArtworkMissing(Prompt* prompt, std::uint16_t language,
                         const std::vector<std::filesystem::path>& lookedIn);

// Shows the window at start-up as the options and the keyboard say: hidden behind the notification
// icon (minimised where there is no notification area) when asked to start minimised or when no
// keyboard is open; otherwise shown.
void ShowAtStart(CTarvikDlg& window, const AppOptions& options, bool keyboardOpen, bool trayAvailable);

// --autostart on|off: writes or removes the login entry for this executable. Returns the exit code.
int RunAutostartOption(bool on);

class CTarvikApp
{
public:
    // Runs the program with parsed options; returns the process exit code.
    int Run(QApplication& app, const AppOptions& options);
};

} // namespace corvane
