#pragma once
// Whole-file writes that never leave a half-written file behind: the data goes to a temporary
// file in the same folder, is flushed to disk, and then renamed over the old file. A failed
// write leaves the old file as it was.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>

namespace corvane {

bool WriteFileAtomically(const std::filesystem::path& path,
                         std::initializer_list<std::span<const std::uint8_t>> parts);

} // namespace corvane
