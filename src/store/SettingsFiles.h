#pragma once
// keymap.bin and profile files: the settings image followed by the key records, raw, 206920 bytes,
// no header. Files move between this program and the keyboard's Windows utility unchanged.

#include "device/SettingsImage.h"
#include "keys/KeyRecord.h"
#include "device/SettingsState.h"

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
    kRecordsOnly, // key records only; the image keeps what it holds
};

enum class KeymapLoadResult {
    kLoaded,   // read (a short file fills only as far as it reaches)
    kCreated,  // was missing; written with the current image and zero key records
    kUnusable, // exists but cannot be read, or could not be created: nothing read, nothing overwritten
};

// Byte 0 of records 0-107 always holds the position's own key code, whatever a file says.
void RestampDefaultKeyOrder(KeyRecordBuffer& records);

// Reads keymap.bin, or creates it when it does not exist. The key records are restamped with the
// default key order after every load; when the file is created (or cannot be read) the records are
// cleared first.
KeymapLoadResult LoadKeymap(const std::filesystem::path& file, SettingsImage& image, KeyRecordBuffer& records,
                            KeymapLoadMode mode);
KeymapLoadResult LoadKeymap(const std::filesystem::path& file, SettingsState& state, KeymapLoadMode mode);

// Replaces the file as a whole; when anything fails the old file stays as it was. Returns whether
// the new content is on disk.
bool SaveKeymap(const std::filesystem::path& file, const SettingsImage& image,
                const KeyRecordBuffer& records);
bool SaveKeymap(const std::filesystem::path& file, const SettingsState& state);
// Closing the program keeps only what was applied: the synchronised copies are saved.
bool SaveKeymapShadows(const std::filesystem::path& file, const SettingsState& state);

// Reads a profile into the two buffers, as far as the file reaches (at most 206920 bytes); the rest
// keeps its content. Returns the bytes read, or nothing when the file cannot be read.
std::optional<std::size_t> ReadProfile(const std::filesystem::path& file, SettingsImage& image,
                                       KeyRecordBuffer& records);
bool WriteProfile(const std::filesystem::path& file, const SettingsImage& image,
                  const KeyRecordBuffer& records);

} // namespace corvane
