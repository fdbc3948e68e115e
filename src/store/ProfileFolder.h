#pragma once
// The profile folder "Configure" in the data folder keeps the current profile as a single file,
// named after the file last imported or exported. Import reads a whole profile file into the
// settings, export writes the settings to a file of the user's choice; either makes the folder
// hold a copy under the chosen name. Renaming the listed profile renames that file.
//
// The folder is changed so that it never loses the current profile: the new file is written in
// full (temporary file, then rename) before any other profile file goes, and nothing goes when
// that fails. Only the copy the program itself wrote is ever removed; it remembers that copy by
// name and content in a small record beside it. Any other "*.bin" there (put in by the user, or
// an export the user chose to make there) is moved to "earlier/" instead.

#include "files/FileStatus.h"
#include "format/KeyRecord.h"
#include "format/SettingsImage.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct ProfileEntry
{
    std::filesystem::path path;
    std::string name; // the file name with ".bin" removed, as listed
};

// Where files the program did not write are moved, inside the profile folder.
inline constexpr char kEarlierFolderName[] = "earlier";
// The record of the copy the program wrote, inside the profile folder.
inline constexpr char kProfileRecordName[] = ".current-profile";

// The name a chosen file is listed under: its file name without leading dots, cut at the first
// "." after that.
std::string ProfileNameOf(const std::filesystem::path& file);
// The name a file of the folder is listed under: its file name without a final ".bin".
std::string ListedProfileName(const std::string& fileName);
// The file a listed name stands for: "<folder>/<name>", with ".bin" added unless the name
// already ends so.
std::filesystem::path ProfilePathFor(const std::filesystem::path& folder, std::string_view name);
// A name that stays inside the folder and in sight: not empty, not starting with ".", no "/" and
// no NUL.
bool IsUsableProfileName(std::string_view name);
// "name (2).bin", "name (3).bin", ... for a name that is taken, kept within 255 bytes.
std::string NumberedName(const std::string& fileName, unsigned number);

// A key of a profile that starts something on this computer when pressed.
struct LaunchTarget
{
    std::size_t position = 0; // record (layout position) 0-254
    std::uint8_t keyCode = 0; // the code the keyboard reports for the key
    KeyFunctionKind kind = KeyFunctionKind::kPlayMusic;
    std::string path; // UTF-8
};
// Every record of a launch kind with a path, in record order.
std::vector<LaunchTarget> LaunchTargets(const KeyRecordBuffer& records);
// The question asked before such a profile is taken, listing each key's action and path.
std::string LaunchWarningText(const std::vector<LaunchTarget>& targets, TextLanguage language);

enum class ProfileOutcome {
    kDone,
    kRefused,         // the chosen file is not a whole profile (status says why); nothing changed
    kWriteFailed,     // `file` could not be written (error)
    kRenameFailed,    // `file` could not be renamed to `other` (error)
    kRemoveFailed,    // the new current profile is in place, but `file` could not be removed (error)
    kFolderFailed,    // the profile folder could not be made (error)
    kBadName,         // the edited or chosen name cannot name a file in the folder
    kNothingToRename, // no listed profile at that index
    kOwnFile,         // the chosen export target is one of the program's own files; nothing written
    kMoveFailed,      // `file`, not written by the program, could not be moved to earlier/ (error)
};

struct ProfileResult
{
    ProfileOutcome outcome = ProfileOutcome::kDone;
    FileStatus status; // kRefused
    std::filesystem::path file;
    std::filesystem::path other;
    int error = 0; // errno
    bool settingsTaken = false;
    // Files the program did not write, moved out of the way into earlier/, by their new paths.
    std::vector<std::filesystem::path> moved;

    bool Done() const { return outcome == ProfileOutcome::kDone; }
};
// What to tell the user, once: what went wrong and what was moved; empty for kDone with nothing
// moved.
std::string ProfileResultText(const ProfileResult& result, TextLanguage language);

// A file read for import and not yet taken: the caller may first ask about its launch keys.
struct ProfileCandidate
{
    std::filesystem::path file;
    FileStatus status;
    std::unique_ptr<SettingsImage> image = std::make_unique<SettingsImage>();
    std::unique_ptr<KeyRecordBuffer> records = std::make_unique<KeyRecordBuffer>();
    std::vector<LaunchTarget> launches;

    bool Whole() const { return status.state == FileState::kLoaded; }
};

class ProfileFolder
{
public:
    explicit ProfileFolder(std::filesystem::path folder);

    const std::filesystem::path& Folder() const { return folder_; }
    // Files an export must never replace (keymap.bin, MacroDefine.bin, VER.bin); the current
    // profile is refused as well.
    void SetProgramFiles(std::vector<std::filesystem::path> files) { programFiles_ = std::move(files); }
    // The current profile: the file the program last made current, else the first listed one.
    std::filesystem::path CurrentProfile() const;
    // The file last chosen for import or export; empty until then.
    const std::filesystem::path& LastProfilePath() const { return lastProfilePath_; }

    // Lists the folder's "*.bin" files by name; entry 0 is the current profile. A missing folder
    // lists nothing.
    void Scan();
    const std::vector<ProfileEntry>& Entries() const { return entries_; }

    // Reads the chosen file whole (exactly 206920 bytes) without touching anything else.
    static ProfileCandidate ReadForImport(const std::filesystem::path& chosen);
    // Takes a whole candidate into the settings and makes it the current profile.
    ProfileResult Import(const ProfileCandidate& candidate, SettingsImage& image, KeyRecordBuffer& records);
    // Writes the settings to the chosen file and makes it the current profile.
    ProfileResult Export(const std::filesystem::path& chosen, const SettingsImage& image,
                         const KeyRecordBuffer& records);
    // Gives the listed profile at index a new name; the folder then holds only that file.
    ProfileResult Rename(std::size_t index, const std::string& newName);

private:
    // What the record says: the current profile's name, and the hash of its content when the
    // program wrote it (none when it is the user's own file).
    struct Record
    {
        std::string name;
        std::optional<std::uint64_t> ownHash;
    };
    std::optional<Record> ReadRecord() const;
    bool IsOwnCopy(const std::filesystem::path& file, const std::optional<Record>& record) const;

    ProfileResult MakeCurrent(const std::string& name, const SettingsImage& image,
                              const KeyRecordBuffer& records, const std::filesystem::path& chosen);
    // Leaves `keep` as the folder's one profile: the program's own old copy is removed, anything
    // else moved to earlier/. `record` is what was recorded before; `next` is recorded first.
    ProfileResult KeepOnly(const std::filesystem::path& keep, const std::optional<Record>& record,
                           const Record& next, ProfileResult result);
    // Moves a file the program did not write into earlier/, under a free name.
    bool MoveAside(const std::filesystem::path& file, ProfileResult& result);
    bool IsProtectedTarget(const std::filesystem::path& chosen) const;

    std::filesystem::path folder_;
    std::filesystem::path lastProfilePath_;
    std::vector<ProfileEntry> entries_;
    std::vector<std::filesystem::path> programFiles_;
};

} // namespace corvane
