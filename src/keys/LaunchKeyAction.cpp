#include "keys/LaunchKeyAction.h"

#include "format/KeyCodeTable.h"
#include "keys/ShellOpener.h"
#include "macros/MacroStore.h"
#include "text/Utf16.h"

#include <filesystem>

namespace corvane {

const KeyRecord* FindLaunchRecord(const KeyRecordBuffer& records, std::uint8_t keyCode)
{
    for (const KeyRecord& r : records.records)
        if (IsLaunchKind(r.Kind()) && r.KeyCode() == keyCode) return &r;
    return nullptr;
}

namespace {

LaunchMethod MethodFor(KeyFunctionKind kind, const std::filesystem::path& path, ShellOpener& shell)
{
    if (kind != KeyFunctionKind::kStartProgram) return LaunchMethod::kOpen;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return LaunchMethod::kOpen;
    if (path.extension() == ".desktop") return LaunchMethod::kStartDesktopEntry;
    return shell.CanRun(path.string()) ? LaunchMethod::kRun : LaunchMethod::kOpen;
}

} // namespace

std::string FileUrl(std::string_view absolutePath)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                           byte == '~' || byte == '/';
        if (plain) {
            url.push_back(c);
        } else {
            url.push_back('%');
            url.push_back(kHex[byte >> 4]);
            url.push_back(kHex[byte & 0xF]);
        }
    }
    return url;
}

LaunchResult LaunchKeyAction(const KeyRecordBuffer& records, std::uint8_t keyCode, ShellOpener& shell)
{
    LaunchResult result;
    result.keyCode = keyCode;
    const KeyRecord* record = FindLaunchRecord(records, keyCode);
    if (record == nullptr) return result;
    result.path = Utf16ToUtf8(record->LaunchPath());
    // A relative path has no folder it belongs to: the key dialog always stores absolute paths,
    // so a relative one comes from elsewhere (a Windows profile's "C:\...", an edited file).
    // Resolving it against our current folder or the home folder would open something the user
    // never chose, so it is refused and reported instead.
    const std::filesystem::path path(result.path);
    if (!path.is_absolute()) {
        result.outcome = LaunchOutcome::kNotAbsolute;
        return result;
    }
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        result.outcome = LaunchOutcome::kPathMissing;
        return result;
    }
    // The folder is opened as itself; a file or program opens in its own folder.
    const std::string folder = path.parent_path().string();
    result.method = MethodFor(record->Kind(), path, shell);
    switch (result.method) {
    case LaunchMethod::kOpen:
        result.outcome =
            shell.Open(result.path, folder) ? LaunchOutcome::kLaunched : LaunchOutcome::kHandlerFailed;
        break;
    case LaunchMethod::kRun:
        result.outcome =
            shell.Run(result.path, folder) ? LaunchOutcome::kLaunched : LaunchOutcome::kStartFailed;
        break;
    case LaunchMethod::kStartDesktopEntry:
        result.outcome =
            shell.StartDesktopEntry(result.path) ? LaunchOutcome::kLaunched : LaunchOutcome::kStartFailed;
        break;
    }
    return result;
}

std::string LaunchResultText(const LaunchResult& result, TextLanguage language)
{
    const bool german = language == TextLanguage::kGerman;
    std::string key = StandardKeyCodeTable().Label(result.keyCode);
    while (!key.empty() && key.back() == ' ')
        key.pop_back();
    if (key.empty()) key = (german ? "mit Code " : "with code ") + std::to_string(result.keyCode);
    switch (result.outcome) {
    case LaunchOutcome::kLaunched:
    case LaunchOutcome::kNoLaunchKey:
        return {};
    case LaunchOutcome::kNotAbsolute:
        return german ? "Die Starttaste " + key + " enthält den Pfad \"" + result.path +
                            "\". Nur vollständige Pfade (beginnend mit /) werden geöffnet."
                      : "The launch key " + key + " holds the path \"" + result.path +
                            "\". Only full paths (starting with /) are opened.";
    case LaunchOutcome::kPathMissing:
        return german ? "Die Starttaste " + key + " verweist auf " + result.path + ", das es nicht gibt."
                      : "The launch key " + key + " points to " + result.path + ", which does not exist.";
    case LaunchOutcome::kHandlerFailed:
        return german ? "Für die Starttaste " + key + " konnte kein Programm gestartet werden, das " +
                            result.path + " öffnet (xdg-open oder gio)."
                      : "For the launch key " + key + " no program could be started to open " + result.path +
                            " (xdg-open or gio).";
    case LaunchOutcome::kStartFailed:
        return german ? "Die Starttaste " + key + " konnte " + result.path + " nicht starten."
                      : "The launch key " + key + " could not start " + result.path + ".";
    }
    return {};
}

} // namespace corvane
