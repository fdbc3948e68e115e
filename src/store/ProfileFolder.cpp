#include "store/ProfileFolder.h"

#include "files/AtomicFile.h"
#include "format/KeyCodeTable.h"
#include "store/SettingsFiles.h"
#include "text/Utf16.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>

namespace corvane {

namespace {

constexpr std::string_view kProfileSuffix = ".bin";
// The question lists this many launch keys and counts the rest.
constexpr std::size_t kListedLaunchKeys = 20;
// The notice of moved files names this many and counts the rest.
constexpr std::size_t kListedMovedFiles = 10;
// The longest file name the usual Linux file systems take, in bytes.
constexpr std::size_t kMaxFileNameBytes = 255;
// A record is a hash and a file name; anything longer is not one.
constexpr std::size_t kMaxRecordBytes = 64 + kMaxFileNameBytes;

bool EndsWithSuffixIgnoringCase(std::string_view name)
{
    if (name.size() < kProfileSuffix.size()) return false;
    const std::string_view tail = name.substr(name.size() - kProfileSuffix.size());
    return std::equal(tail.begin(), tail.end(), kProfileSuffix.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
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

// The first failure is the one told; what was moved before it is told as well.
void Fail(ProfileResult& result, ProfileOutcome outcome, const std::filesystem::path& file, int error,
          const std::filesystem::path& other = {})
{
    if (!result.Done()) return;
    std::vector<std::filesystem::path> moved = std::move(result.moved);
    result = Failure(outcome, file, error, other);
    result.moved = std::move(moved);
}

// FNV-1a, enough to tell the program's own copy from a file someone put in its place.
std::uint64_t Hash(std::initializer_list<std::span<const std::uint8_t>> parts)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const auto& part : parts)
        for (std::uint8_t b : part)
            hash = (hash ^ b) * 0x100000001b3ull;
    return hash;
}

std::uint64_t HashOf(const SettingsImage& image, const KeyRecordBuffer& records)
{
    return Hash({std::span<const std::uint8_t>(image.data(), kSettingsImageSize),
                 std::span<const std::uint8_t>(records.data(), kKeyRecordBufferSize)});
}

bool Exists(const std::filesystem::path& file, struct stat* st = nullptr)
{
    struct stat own
    {
    };
    return ::lstat(file.c_str(), st != nullptr ? st : &own) == 0;
}

// A rename that never replaces what is already there. Returns 0 or errno.
int RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the no-replace flag: checked first, which is as close as it allows.
    if (Exists(to)) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Lexically the same file, or the same file reached another way (a link, another spelling).
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    if (a == b) return true;
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec) && !ec) return true;
    std::error_code ca;
    std::error_code cb;
    const std::filesystem::path na = std::filesystem::weakly_canonical(a, ca);
    const std::filesystem::path nb = std::filesystem::weakly_canonical(b, cb);
    return !ca && !cb && na == nb;
}

// A byte count that does not end inside a UTF-8 character.
std::size_t Utf8Cut(const std::string& text, std::size_t bytes)
{
    if (bytes >= text.size()) return text.size();
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return bytes;
}

} // namespace

std::string ProfileNameOf(const std::filesystem::path& file)
{
    const std::string whole = file.filename().string();
    // Leading dots would make the current profile a hidden file: the name starts after them.
    const std::size_t start = whole.find_first_not_of('.');
    const std::string name = start == std::string::npos ? std::string() : whole.substr(start);
    const std::size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ListedProfileName(const std::string& fileName)
{
    // A file named just ".bin" keeps its name rather than listing as an empty row.
    if (!EndsWithSuffixIgnoringCase(fileName) || fileName.size() == kProfileSuffix.size()) return fileName;
    return fileName.substr(0, fileName.size() - kProfileSuffix.size());
}

std::filesystem::path ProfilePathFor(const std::filesystem::path& folder, std::string_view name)
{
    std::string file(name);
    if (!EndsWithSuffixIgnoringCase(file)) file += kProfileSuffix;
    return folder / file;
}

bool IsUsableProfileName(std::string_view name)
{
    // A leading dot hides the file (and ".bin" would list as an empty row); it also rules out
    // "." and "..".
    if (name.empty() || name.front() == '.') return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string NumberedName(const std::string& fileName, unsigned number)
{
    const bool suffixed = EndsWithSuffixIgnoringCase(fileName);
    const std::string stem =
        suffixed ? fileName.substr(0, fileName.size() - kProfileSuffix.size()) : fileName;
    const std::string suffix = suffixed ? fileName.substr(stem.size()) : std::string();
    const std::string tag = " (" + std::to_string(number) + ")";
    const std::size_t room = kMaxFileNameBytes - tag.size() - suffix.size();
    return stem.substr(0, Utf8Cut(stem, room)) + tag + suffix;
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

namespace {

std::string OutcomeText(const ProfileResult& result, TextLanguage language)
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
        return german ? "\"" + Printable(result.file.string()) +
                            "\" kann kein Profilname sein: Er darf weder leer sein noch mit \".\" beginnen "
                            "noch \"/\" enthalten."
                      : "\"" + Printable(result.file.string()) +
                            "\" cannot be a profile name: it must not be empty, start with \".\" or hold "
                            "\"/\".";
    case ProfileOutcome::kNothingToRename:
        return german ? "Es gibt kein Profil zum Umbenennen." : "There is no profile to rename.";
    case ProfileOutcome::kOwnFile:
        return german ? Quoted(result.file) +
                            " ist eine Datei des Programms selbst (Einstellungen, Makros, Version oder "
                            "aktuelles Profil) und wird nicht durch einen Export ersetzt. Bitte wähle eine "
                            "andere Datei."
                      : Quoted(result.file) +
                            " is one of the program's own files (settings, macros, version or current "
                            "profile) and is not replaced by an export. Please choose another file.";
    case ProfileOutcome::kMoveFailed:
        return german ? Quoted(result.file) + " konnte nicht nach " + Quoted(result.other) +
                            " verschoben werden (" + reason + "); die Datei bleibt im Profilordner."
                      : Quoted(result.file) + " could not be moved to " + Quoted(result.other) + " (" +
                            reason + "); it stays in the profile folder.";
    }
    return {};
}

std::string MovedText(const std::vector<std::filesystem::path>& moved, TextLanguage language)
{
    if (moved.empty()) return {};
    const bool german = language == TextLanguage::kGerman;
    const std::string folder = Quoted(moved.front().parent_path());
    std::string text;
    if (moved.size() == 1) {
        text = german ? "Eine Datei im Profilordner, die nicht von diesem Programm stammt, wurde nach " +
                            folder + " verschoben statt gelöscht:\n"
                      : "A file in the profile folder that this program did not write was moved to " +
                            folder + " instead of being deleted:\n";
    } else {
        const std::string count = std::to_string(moved.size());
        text = german
                   ? count + " Dateien im Profilordner, die nicht von diesem Programm stammen, wurden nach " +
                         folder + " verschoben statt gelöscht:\n"
                   : count + " files in the profile folder that this program did not write were moved to " +
                         folder + " instead of being deleted:\n";
    }
    const std::size_t listed = std::min(moved.size(), kListedMovedFiles);
    for (std::size_t i = 0; i < listed; ++i)
        text += Printable(moved[i].filename().string()) + "\n";
    if (moved.size() > listed) {
        const std::string more = std::to_string(moved.size() - listed);
        text += german ? "... und " + more + " weitere\n" : "... and " + more + " more\n";
    }
    text.pop_back();
    return text;
}

} // namespace

std::string ProfileResultText(const ProfileResult& result, TextLanguage language)
{
    const std::string outcome = OutcomeText(result, language);
    const std::string moved = MovedText(result.moved, language);
    if (outcome.empty() || moved.empty()) return outcome + moved;
    return outcome + "\n\n" + moved;
}

ProfileFolder::ProfileFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

void ProfileFolder::Scan()
{
    entries_.clear();
    std::error_code ec;
    // Never throws: a folder that cannot be read lists what could be read.
    for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (it->is_directory(typeError) || !EndsWithSuffixIgnoringCase(name)) continue;
        entries_.push_back({it->path(), ListedProfileName(name)});
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const ProfileEntry& a, const ProfileEntry& b) { return a.path < b.path; });
}

std::optional<ProfileFolder::Record> ProfileFolder::ReadRecord() const
{
    // Only a plain file of that name is the program's record; a link there leads elsewhere.
    struct stat st
    {
    };
    if (!Exists(folder_ / kProfileRecordName, &st) || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string bytes(kMaxRecordBytes + 1, '\0');
    std::size_t n = 0;
    const FileStatus status = ReadRegularFile(
        folder_ / kProfileRecordName, 0,
        std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()), n);
    if (status.state != FileState::kWrongSize || n > kMaxRecordBytes) return std::nullopt;
    bytes.resize(n);
    const std::size_t lineEnd = bytes.find('\n');
    if (lineEnd == std::string::npos) return std::nullopt;
    Record record;
    record.name = bytes.substr(lineEnd + 1);
    const std::string kind = bytes.substr(0, lineEnd);
    if (kind.starts_with("own ")) {
        unsigned long long hash = 0;
        if (std::sscanf(kind.c_str() + 4, "%16llx", &hash) != 1) return std::nullopt;
        record.ownHash = hash;
    } else if (kind != "user") {
        return std::nullopt;
    }
    if (!IsUsableProfileName(record.name)) return std::nullopt;
    return record;
}

bool ProfileFolder::IsOwnCopy(const std::filesystem::path& file, const std::optional<Record>& record) const
{
    if (!record || !record->ownHash || file.filename() != record->name) return false;
    struct stat st
    {
    };
    // A link or anything but a plain file in its place was put there by someone else.
    if (!Exists(file, &st) || !S_ISREG(st.st_mode)) return false;
    std::vector<std::uint8_t> bytes(kSettingsFileSize);
    std::size_t n = 0;
    const FileStatus status = ReadRegularFile(file, kSettingsFileSize, bytes, n);
    return status.state == FileState::kLoaded && n == kSettingsFileSize && Hash({bytes}) == *record->ownHash;
}

std::filesystem::path ProfileFolder::CurrentProfile() const
{
    const std::optional<Record> record = ReadRecord();
    if (record && Exists(folder_ / record->name)) return folder_ / record->name;
    return entries_.empty() ? std::filesystem::path() : entries_.front().path;
}

bool ProfileFolder::IsProtectedTarget(const std::filesystem::path& chosen) const
{
    std::vector<std::filesystem::path> protectedFiles = programFiles_;
    protectedFiles.push_back(folder_ / kProfileRecordName);
    const std::filesystem::path current = CurrentProfile();
    if (!current.empty()) protectedFiles.push_back(current);
    return std::any_of(protectedFiles.begin(), protectedFiles.end(),
                       [&](const std::filesystem::path& file) { return SameFile(chosen, file); });
}

ProfileCandidate ProfileFolder::ReadForImport(const std::filesystem::path& chosen)
{
    ProfileCandidate candidate;
    candidate.file = chosen;
    candidate.status = ReadSettingsFileExact(chosen, *candidate.image, *candidate.records);
    if (candidate.Whole()) candidate.launches = LaunchTargets(*candidate.records);
    return candidate;
}

namespace {

// "own <hash>" or "user", a line end, then the file name to the end.
std::string RecordText(const std::string& name, const std::optional<std::uint64_t>& ownHash)
{
    if (!ownHash) return "user\n" + name;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(*ownHash));
    return "own " + std::string(hex) + "\n" + name;
}

ProfileResult BadName(const std::filesystem::path& chosen, const std::string& name)
{
    return Failure(ProfileOutcome::kBadName, name.empty() ? chosen.filename() : std::filesystem::path(name),
                   0);
}

} // namespace

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
    const std::string name = ProfileNameOf(candidate.file);
    if (!IsUsableProfileName(name)) return BadName(candidate.file, name);
    // The file was read before anything is written, so importing the current profile file itself
    // takes that file's settings.
    image = *candidate.image;
    records = *candidate.records;
    lastProfilePath_ = candidate.file;
    ProfileResult result = MakeCurrent(name, image, records, candidate.file);
    result.settingsTaken = true;
    return result;
}

ProfileResult ProfileFolder::Export(const std::filesystem::path& chosen, const SettingsImage& image,
                                    const KeyRecordBuffer& records)
{
    const std::string name = ProfileNameOf(chosen);
    if (!IsUsableProfileName(name)) return BadName(chosen, name);
    Scan();
    if (IsProtectedTarget(chosen)) return Failure(ProfileOutcome::kOwnFile, chosen, 0);
    errno = 0;
    if (!WriteProfile(chosen, image, records)) return Failure(ProfileOutcome::kWriteFailed, chosen, errno);
    lastProfilePath_ = chosen;
    return MakeCurrent(name, image, records, chosen);
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
    const std::optional<Record> record = ReadRecord();
    const bool sourceOwn = IsOwnCopy(source, record);
    ProfileResult result;
    if (source != target) {
        std::error_code ec;
        // One file under two spellings (a file system that ignores case) is simply renamed.
        const bool sameFile = std::filesystem::equivalent(source, target, ec) && !ec;
        struct stat st
        {
        };
        if (!sameFile && Exists(target, &st) && !S_ISDIR(st.st_mode)) {
            // The name is taken: the program's own copy gives way, anyone else's is kept aside.
            if (IsOwnCopy(target, record)) {
                if (::unlink(target.c_str()) != 0) {
                    Scan();
                    return Failure(ProfileOutcome::kRemoveFailed, target, errno);
                }
            } else if (!MoveAside(target, result)) {
                Scan();
                return result;
            }
        }
        const int error = sameFile ? (::rename(source.c_str(), target.c_str()) == 0 ? 0 : errno)
                                   : RenameNoReplace(source, target);
        if (error != 0) {
            Fail(result, ProfileOutcome::kRenameFailed, source, error, target);
            Scan();
            return result;
        }
    }
    Record next;
    next.name = target.filename().string();
    if (sourceOwn) next.ownHash = record->ownHash;
    return KeepOnly(target, record, next, std::move(result));
}

ProfileResult ProfileFolder::MakeCurrent(const std::string& name, const SettingsImage& image,
                                         const KeyRecordBuffer& records, const std::filesystem::path& chosen)
{
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) return Failure(ProfileOutcome::kFolderFailed, folder_, ec.value());
    const std::filesystem::path target = ProfilePathFor(folder_, name);
    const std::optional<Record> record = ReadRecord();
    ProfileResult result;
    Record next;
    next.name = target.filename().string();
    if (SameFile(target, chosen)) {
        // The chosen file is already the current profile's file and holds these settings. It stays
        // the user's unless it is the program's own copy.
        if (IsOwnCopy(target, record)) next.ownHash = record->ownHash;
        return KeepOnly(target, record, next, std::move(result));
    }
    struct stat st
    {
    };
    // Someone else's file of that name is kept aside before the new copy takes its place.
    if (Exists(target, &st) && !S_ISDIR(st.st_mode) && !IsOwnCopy(target, record) &&
        !MoveAside(target, result)) {
        Scan();
        return result;
    }
    // Written whole first (temporary file, then rename): until it is in place every other
    // profile file stays, so a failure never leaves the folder empty.
    errno = 0;
    if (!WriteProfile(target, image, records)) {
        Fail(result, ProfileOutcome::kWriteFailed, target, errno);
        Scan();
        return result;
    }
    next.ownHash = HashOf(image, records);
    return KeepOnly(target, record, next, std::move(result));
}

ProfileResult ProfileFolder::KeepOnly(const std::filesystem::path& keep, const std::optional<Record>& record,
                                      const Record& next, ProfileResult result)
{
    Scan();
    std::vector<std::filesystem::path> own;
    std::vector<std::filesystem::path> others;
    for (const ProfileEntry& entry : entries_) {
        if (entry.path == keep) continue;
        (IsOwnCopy(entry.path, record) ? own : others).push_back(entry.path);
    }
    // Recorded before the old copy goes: should the program stop in between, that copy is no
    // longer recognised and is moved aside next time, never lost.
    // Never written through a link or over anything but its own plain file: without a record the
    // old copy is merely moved aside next time.
    const std::filesystem::path recordPath = folder_ / kProfileRecordName;
    struct stat st
    {
    };
    if (!Exists(recordPath, &st) || S_ISREG(st.st_mode)) {
        const std::string text = RecordText(next.name, next.ownHash);
        (void)WriteFileAtomically(
            recordPath, {std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())});
    }
    for (const std::filesystem::path& file : own)
        if (::unlink(file.c_str()) != 0) Fail(result, ProfileOutcome::kRemoveFailed, file, errno);
    for (const std::filesystem::path& file : others)
        MoveAside(file, result);
    Scan();
    return result;
}

bool ProfileFolder::MoveAside(const std::filesystem::path& file, ProfileResult& result)
{
    const std::filesystem::path earlier = folder_ / kEarlierFolderName;
    struct stat st
    {
    };
    if (::mkdir(earlier.c_str(), 0777) != 0 && errno != EEXIST) {
        Fail(result, ProfileOutcome::kMoveFailed, file, errno, earlier);
        return false;
    }
    // Only a real folder: through a link the files could end up anywhere.
    if (!Exists(earlier, &st) || !S_ISDIR(st.st_mode)) {
        Fail(result, ProfileOutcome::kMoveFailed, file, ENOTDIR, earlier);
        return false;
    }
    const std::string name = file.filename().string();
    int error = 0;
    for (unsigned number = 1; number <= 100000; ++number) {
        const std::filesystem::path target = earlier / (number == 1 ? name : NumberedName(name, number));
        error = RenameNoReplace(file, target);
        if (error == 0) {
            result.moved.push_back(target);
            return true;
        }
        if (error != EEXIST) break;
    }
    Fail(result, ProfileOutcome::kMoveFailed, file, error, earlier);
    return false;
}

} // namespace corvane
