#pragma once
// Whole-file writes that never leave a half-written file behind: the data goes to a temporary
// file in the same folder, is flushed to disk, and then renamed over the old file, and the folder
// is flushed too. A failed write leaves the old file as it was.
//
// The temporary file has no name while it is written (O_TMPFILE) where the file system allows, so
// a program killed in the middle leaves nothing; it gets a name only for the moment between link
// and rename. Elsewhere it is a named file ".<name>.tmp-XXXXXX" from the start. Either way the name
// fits the folder's limit on name length, and RemoveStaleTemporaryFiles recognises it.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

// Replaces the file with the parts, one after the other. A symbolic link is followed to the file
// it finally names, which is replaced; the link stays. The new file keeps the old one's
// permissions (and owner, where allowed); a new file gets 0666 less the umask. Returns whether the
// new content is on disk; errno says why not.
bool WriteFileAtomically(const std::filesystem::path& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts);

// The name a save of `fileName` gives its temporary file: "." + the name + ".tmp-" + the six
// letters or digits of `suffix`, with the name cut short (at a UTF-8 character boundary) where the
// whole would be longer than nameMax bytes.
std::string TemporaryFileName(std::string_view fileName, std::string_view suffix, std::size_t nameMax = 255);
// Whether an entry is the temporary file of a save of `fileName`.
bool IsTemporaryFileOf(std::string_view entryName, std::string_view fileName);
// Whether an entry is the temporary file of a save of any file.
bool IsTemporaryFileName(std::string_view entryName);

// Removes what interrupted saves of the named files left in the folder: only regular files whose
// names match the temporary pattern exactly. Returns how many were removed.
std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder,
                                      std::initializer_list<std::string_view> fileNames);
// The same for the saves of any file, for a folder whose files only this program writes.
std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder);

// Keeps the file's present bytes under "<name><suffix>" beside it (the file a symbolic link names,
// beside that file), or "<name><suffix>-2", "-3", ... when the name is taken: a second link to
// the same data where the file system allows, else a copy. The file itself is not changed.
// Returns the name used, or an empty path with errno set.
std::filesystem::path KeepCopyBeside(const std::filesystem::path& file, std::string_view suffix);

// Saves normally write through an unnamed temporary file where the file system offers one; false
// makes them use named temporary files everywhere, as on file systems without O_TMPFILE.
void AllowUnnamedTemporaryFiles(bool allow);

} // namespace corvane
