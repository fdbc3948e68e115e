#pragma once
// Whole-file writes that never leave a half-written file behind: the data goes to a temporary
// file in the same folder, is flushed to disk, and then renamed over the old file, and the folder
// is flushed too. A failed write leaves the old file as it was.

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
// new content is on disk.
bool WriteFileAtomically(const std::filesystem::path& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts);

// The name of the temporary file a save of `fileName` writes first: ".<name>.tmp-" and six
// letters or digits.
std::string TemporaryFilePrefix(std::string_view fileName);
bool IsTemporaryFileOf(std::string_view entryName, std::string_view fileName);

// Removes what interrupted saves of the named files left in the folder: only regular files whose
// names match the temporary pattern exactly. Returns how many were removed.
std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder,
                                      std::initializer_list<std::string_view> fileNames);

} // namespace corvane
