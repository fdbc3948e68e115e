#pragma once
// keymap.bin and profile files: the settings image followed by the key records, raw, 206920 bytes,
// no header. Files move between this program and the keyboard's Windows utility unchanged.

#include "device/SettingsState.h"
#include "files/FileStatus.h"
#include "format/KeyRecord.h"
#include "format/SettingsImage.h"

#include <cstddef>
#include <filesystem>
#include <optional>

namespace corvane {

inline constexpr char kKeymapFileName[] = "keymap.bin";
inline constexpr char kProfileFolderName[] = "Configure";
// MacroDefine.bin's name and format belong to the macro store (macros/MacroStore.h).
inline constexpr std::size_t kSettingsFileSize = kSettingsImageSize + kKeyRecordBufferSize;
static_assert(kSettingsFileSize == 206920);

enum class KeymapLoadMode {
    kFull,        // image and key records
    kRecordsOnly, // key records only, and only from a whole file; the image keeps what it holds
};

// Byte 0 of records 0-107 always holds the position's own key code, whatever a file says.
void RestampDefaultKeyOrder(KeyRecordBuffer& records);

// Full: reads keymap.bin, or creates it when it does not exist (kMissing, `created` set when that
// worked). A file of the wrong size is read as far as it reaches; when the file is created or
// cannot be read the records are cleared first.
// Records only (before a key dialog, while the program runs): the records are taken only from a
// whole, readable file. Otherwise the records in memory stay as they are and nothing is created:
// they hold what the user assigned since the start, which the next save writes.
// The key records are restamped with the default key order after every load. A status that is not
// Replaceable() means the file is kept as it is: FileStatusText says why, for the user.
FileStatus LoadKeymap(const std::filesystem::path& file, SettingsImage& image, KeyRecordBuffer& records,
                      KeymapLoadMode mode);
FileStatus LoadKeymap(const std::filesystem::path& file, SettingsState& state, KeymapLoadMode mode);

// Replaces the file as a whole; when anything fails the old file stays as it was. A file that
// exists but is not a readable regular file of 206920 bytes that the user may write is never
// replaced: it may be the user's only copy, which the program failed to read, or one the user
// protected. A damaged one is replaced only when the user asked for it (DamagedFile::kSetAside),
// after its bytes were kept under DamagedFileName(file, when).
SaveStatus SaveKeymap(const std::filesystem::path& file, const SettingsImage& image,
                      const KeyRecordBuffer& records, DamagedFile damaged = DamagedFile::kKeep,
                      std::time_t when = std::time(nullptr));
SaveStatus SaveKeymap(const std::filesystem::path& file, const SettingsState& state,
                      DamagedFile damaged = DamagedFile::kKeep, std::time_t when = std::time(nullptr));
// Closing the program keeps only what was applied: the synchronised copies are saved.
SaveStatus SaveKeymapShadows(const std::filesystem::path& file, const SettingsState& state);

// Reads a profile into the two buffers, as far as the file reaches (at most 206920 bytes); the rest
// keeps its content. Returns the bytes read, or nothing when the file cannot be read or is no
// regular file.
std::optional<std::size_t> ReadProfile(const std::filesystem::path& file, SettingsImage& image,
                                       KeyRecordBuffer& records);

// A settings file handed in by the user (to send to the keyboard, or to import) is taken only
// whole: a regular file of exactly 206920 bytes. Otherwise the buffers are left untouched and the
// status says why (kMissing here means the file does not exist; nothing is created).
FileStatus ReadSettingsFileExact(const std::filesystem::path& file, SettingsImage& image,
                                 KeyRecordBuffer& records);

// The user chose the file to write, so it may replace a file of any size; a folder, FIFO or device
// of that name is never replaced.
bool WriteProfile(const std::filesystem::path& file, const SettingsImage& image,
                  const KeyRecordBuffer& records);

// Removes what interrupted saves left in the data folder (of keymap.bin and MacroDefine.bin) and
// in its profile folder. The program calls it once at start, before anything is saved.
std::size_t RemoveStaleSaveFiles(const std::filesystem::path& dataFolder);

} // namespace corvane
