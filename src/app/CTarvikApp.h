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
    std::optional<std::uint16_t> language;
    std::optional<std::filesystem::path> dataDir;
    std::vector<UsbIdPair> deviceIds;
    bool exitAfterFirstPaint = false; // print the time to the first painted frame and end
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

// A later start asks the first one's window to come forward.
void BringForwardOnSecondStart(SingleInstance& instance, CTarvikDlg& window);

// A later start that cannot reach the first one says so (stderr and a notice in the chosen
// language) rather than ending silently. Returns the exit code.
inline constexpr int kExitFirstInstanceUnreachable = 3;
int ReportFirstInstanceUnreachable(Prompt& prompt, std::uint16_t language, const QString& detail);

class CTarvikApp
{
public:
    // Runs the program with parsed options; returns the process exit code.
    int Run(QApplication& app, const AppOptions& options);
};

} // namespace corvane
