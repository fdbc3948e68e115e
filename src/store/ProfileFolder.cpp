#include "store/ProfileFolder.h"

#include "device/KeyCodeTable.h"
#include "store/SettingsFiles.h"
#include "text/Utf16.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

namespace corvane {

namespace {

constexpr std::string_view kProfileSuffix = ".bin";
// The question lists this many launch keys and counts the rest.
constexpr std::size_t kListedLaunchKeys = 20;

bool EndsWithSuffixIgnoringCase(std::string_view name)
{
    if (name.size() < kProfileSuffix.size()) return false;
    const std::string_view tail = name.substr(name.size() - kProfileSuffix.size());
    return std::equal(tail.begin(), tail.end(), kProfileSuffix.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// Every ".bin" removed, as the list shows a file.
std::string ListedName(std::string name)
{
    for (std::size_t at = name.find(kProfileSuffix); at != std::string::npos;
         at = name.find(kProfileSuffix, at))
        name.erase(at, kProfileSuffix.size());
    return name;
}

std::string Quoted(const std::filesystem::path& file)
{
    return "\"" + file.string() + "\"";
}

std::string Reason(int error, TextLanguage language)
{
    if (error == ENOENT) return language == TextLanguage::kGerman ? "nicht vorhanden" : "not found";
    return FileErrorText(error, language);
}

// Control characters in a path from someone else's file must not shape the question.
std::string Printable(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

const char* KindText(KeyFunctionKind kind, bool german)
{
    switch (kind) {
    case KeyFunctionKind::kPlayMusic:
        return german ? "Spiel Musik" : "Play music";
    case KeyFunctionKind::kStartProgram:
        return german ? "Autostart" : "Startup";
    case KeyFunctionKind::kOpenFile:
        return german ? "Datei öffnen" : "Open file";
    default:
        return german ? "Ordner öffnen" : "Open folder";
    }
}

ProfileResult Failure(ProfileOutcome outcome, const std::filesystem::path& file, int error,
                      const std::filesystem::path& other = {})
{
    ProfileResult result;
    result.outcome = outcome;
    result.file = file;
    result.other = other;
    result.error = error;
    return result;
}

} // namespace

std::string ProfileNameOf(const std::filesystem::path& file)
{
    const std::string name = file.filename().string();
    // A leading dot belongs to the name (a hidden file), so the cut never leaves it empty.
    const std::size_t dot = name.find('.', 1);
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::filesystem::path ProfilePathFor(const std::filesystem::path& folder, std::string_view name)
{
    std::string file(name);
    if (!EndsWithSuffixIgnoringCase(file)) file += kProfileSuffix;
    return folder / file;
}

bool IsUsableProfileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::vector<LaunchTarget> LaunchTargets(const KeyRecordBuffer& records)
{
    std::vector<LaunchTarget> targets;
    for (std::size_t p = 0; p < kKeyRecordCount; ++p) {
        const KeyRecord& record = records[p];
        if (!IsLaunchKind(record.Kind())) continue;
        const std::u16string path = record.LaunchPath();
        if (path.empty()) continue;
        targets.push_back({p, record.KeyCode(), record.Kind(), Utf16ToUtf8(path)});
    }
    return targets;
}

std::string LaunchWarningText(const std::vector<LaunchTarget>& targets, TextLanguage language)
{
    const bool german = language == TextLanguage::kGerman;
    std::string text = german
                           ? "Dieses Profil enthält Tasten, die auf diesem Computer Programme starten oder "
                             "Dateien oder Ordner öffnen:\n\n"
                           : "This profile has keys that start programs or open files or folders on this "
                             "computer:\n\n";
    const std::size_t listed = std::min(targets.size(), kListedLaunchKeys);
    const KeyCodeTable& codes = StandardKeyCodeTable();
    for (std::size_t i = 0; i < listed; ++i) {
        const LaunchTarget& target = targets[i];
        std::string key = codes.Label(target.keyCode);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        if (key.empty()) key = (german ? "Code " : "code ") + std::to_string(target.keyCode);
        text += (german ? "Taste " : "Key ") + key + " - " + KindText(target.kind, german) + ": " +
                Printable(target.path) + "\n";
    }
    if (targets.size() > listed) {
        const std::string more = std::to_string(targets.size() - listed);
        text += german ? "... und " + more + " weitere\n" : "... and " + more + " more\n";
    }
    text += german ? "\nProfil trotzdem übernehmen?" : "\nTake this profile all the same?";
    return text;
}

std::string ProfileResultText(const ProfileResult& result, TextLanguage language)
{
    const bool german = language == TextLanguage::kGerman;
    const std::string reason = Reason(result.error, language);
    switch (result.outcome) {
    case ProfileOutcome::kDone:
        return {};
    case ProfileOutcome::kRefused:
        return FileStatusReason(result.status, language) +
               (german ? " Nur ein vollständiges Profil (206920 Bytes) wird übernommen; die Einstellungen "
                         "bleiben unverändert."
                       : " Only a whole profile (206920 bytes) is taken; the settings are unchanged.");
    case ProfileOutcome::kWriteFailed:
        return german ? Quoted(result.file) + " konnte nicht geschrieben werden (" + reason + ")."
                      : Quoted(result.file) + " could not be written (" + reason + ").";
    case ProfileOutcome::kRenameFailed:
        return german ? Quoted(result.file) + " konnte nicht in " + Quoted(result.other) +
                            " umbenannt werden (" + reason + ")."
                      : Quoted(result.file) + " could not be renamed to " + Quoted(result.other) + " (" +
                            reason + ").";
    case ProfileOutcome::kRemoveFailed:
        return german ? Quoted(result.file) + " konnte nicht entfernt werden (" + reason + ")."
                      : Quoted(result.file) + " could not be removed (" + reason + ").";
    case ProfileOutcome::kFolderFailed:
        return german ? "Der Profilordner " + Quoted(result.file) + " konnte nicht angelegt werden (" +
                            reason + ")."
                      : "The profile folder " + Quoted(result.file) + " could not be made (" + reason + ").";
    case ProfileOutcome::kBadName:
        return german ? "\"" + result.file.string() +
                            "\" kann kein Profilname sein: Er darf weder leer sein noch \"/\" enthalten."
                      : "\"" + result.file.string() +
                            "\" cannot be a profile name: it must not be empty or "
                            "hold \"/\".";
    case ProfileOutcome::kNothingToRename:
        return german ? "Es gibt kein Profil zum Umbenennen." : "There is no profile to rename.";
    }
    return {};
}

ProfileFolder::ProfileFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

void ProfileFolder::Scan()
{
    entries_.clear();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder_, ec);
    if (ec) return;
    for (const std::filesystem::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        std::error_code typeError;
        if (entry.is_directory(typeError) || !EndsWithSuffixIgnoringCase(name)) continue;
        entries_.push_back({entry.path(), ListedName(name)});
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const ProfileEntry& a, const ProfileEntry& b) { return a.path < b.path; });
}

ProfileCandidate ProfileFolder::ReadForImport(const std::filesystem::path& chosen)
{
    ProfileCandidate candidate;
    candidate.file = chosen;
    candidate.status = ReadSettingsFileExact(chosen, *candidate.image, *candidate.records);
    if (candidate.Whole()) candidate.launches = LaunchTargets(*candidate.records);
    return candidate;
}

ProfileResult ProfileFolder::Import(const ProfileCandidate& candidate, SettingsImage& image,
                                    KeyRecordBuffer& records)
{
    if (!candidate.Whole()) {
        ProfileResult refused;
        refused.outcome = ProfileOutcome::kRefused;
        refused.status = candidate.status;
        refused.file = candidate.file;
        return refused;
    }
    // The file was read before anything is written, so importing the current profile file itself
    // takes that file's settings.
    image = *candidate.image;
    records = *candidate.records;
    lastProfilePath_ = candidate.file;
    ProfileResult result = MakeCurrent(ProfileNameOf(candidate.file), image, records);
    result.settingsTaken = true;
    return result;
}

ProfileResult ProfileFolder::Export(const std::filesystem::path& chosen, const SettingsImage& image,
                                    const KeyRecordBuffer& records)
{
    errno = 0;
    if (!WriteProfile(chosen, image, records)) return Failure(ProfileOutcome::kWriteFailed, chosen, errno);
    lastProfilePath_ = chosen;
    return MakeCurrent(ProfileNameOf(chosen), image, records);
}

ProfileResult ProfileFolder::Rename(std::size_t index, const std::string& newName)
{
    if (!IsUsableProfileName(newName)) {
        Scan();
        return Failure(ProfileOutcome::kBadName, newName, 0);
    }
    if (index >= entries_.size()) return Failure(ProfileOutcome::kNothingToRename, {}, 0);
    const std::filesystem::path source = entries_[index].path;
    const std::filesystem::path target = ProfilePathFor(folder_, newName);
    if (source != target) {
        std::error_code ec;
        // A rename in place: the file is never absent, whatever happens.
        std::filesystem::rename(source, target, ec);
        if (ec) {
            Scan();
            return Failure(ProfileOutcome::kRenameFailed, source, ec.value(), target);
        }
    }
    return RemoveAllBut(target);
}

ProfileResult ProfileFolder::MakeCurrent(const std::string& name, const SettingsImage& image,
                                         const KeyRecordBuffer& records)
{
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) return Failure(ProfileOutcome::kFolderFailed, folder_, ec.value());
    const std::filesystem::path target = ProfilePathFor(folder_, name);
    // Written whole first (temporary file, then rename): until it is in place every other
    // profile file stays, so a failure never leaves the folder empty.
    errno = 0;
    if (!WriteProfile(target, image, records)) {
        const int error = errno;
        Scan();
        return Failure(ProfileOutcome::kWriteFailed, target, error);
    }
    return RemoveAllBut(target);
}

ProfileResult ProfileFolder::RemoveAllBut(const std::filesystem::path& keep)
{
    Scan();
    ProfileResult result;
    for (const ProfileEntry& entry : entries_) {
        if (entry.path == keep) continue;
        std::error_code ec;
        std::filesystem::remove(entry.path, ec);
        if (ec && result.Done()) result = Failure(ProfileOutcome::kRemoveFailed, entry.path, ec.value());
    }
    Scan();
    return result;
}

} // namespace corvane
