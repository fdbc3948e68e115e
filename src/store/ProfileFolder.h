#pragma once
// The profile folder "Configure" in the data folder keeps the current profile as a single file,
// named after the file last imported or exported. Import reads a whole profile file into the
// settings, export writes the settings to a file of the user's choice; either makes the folder
// hold a copy under the chosen name. Renaming the listed profile renames that file.
//
// The folder is changed so that it never loses the current profile: the new file is written in
// full (temporary file, then rename) before any other profile file is removed, and nothing is
// removed when that fails.

#include "device/SettingsImage.h"
#include "keys/KeyRecord.h"
#include "store/FileStatus.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct ProfileEntry
{
    std::filesystem::path path;
    std::string name; // the file name with ".bin" removed, as listed
};

// The name a chosen file is listed under: its file name cut at the first ".".
std::string ProfileNameOf(const std::filesystem::path& file);
// The file a listed name stands for: "<folder>/<name>", with ".bin" added unless the name
// already ends so.
std::filesystem::path ProfilePathFor(const std::filesystem::path& folder, std::string_view name);
// A name that stays inside the folder: not empty, not "." or "..", no "/" and no NUL.
bool IsUsableProfileName(std::string_view name);

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
    kBadName,         // the edited name cannot name a file in the folder
    kNothingToRename, // no listed profile at that index
};

struct ProfileResult
{
    ProfileOutcome outcome = ProfileOutcome::kDone;
    FileStatus status; // kRefused
    std::filesystem::path file;
    std::filesystem::path other;
    int error = 0; // errno
    bool settingsTaken = false;

    bool Done() const { return outcome == ProfileOutcome::kDone; }
};
// What to tell the user; empty for kDone.
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
    ProfileResult MakeCurrent(const std::string& name, const SettingsImage& image,
                              const KeyRecordBuffer& records);
    ProfileResult RemoveAllBut(const std::filesystem::path& keep);

    std::filesystem::path folder_;
    std::filesystem::path lastProfilePath_;
    std::vector<ProfileEntry> entries_;
};

} // namespace corvane
