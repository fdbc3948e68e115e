#include "store/SettingsFiles.h"

#include "files/AtomicFile.h"
#include "format/KeyLayout.h"
#include "macros/MacroStore.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <span>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

std::span<const std::uint8_t> Bytes(const SettingsImage& image)
{
    return {image.data(), kSettingsImageSize};
}
std::span<const std::uint8_t> Bytes(const KeyRecordBuffer& records)
{
    return {records.data(), kKeyRecordBufferSize};
}

} // namespace

void RestampDefaultKeyOrder(KeyRecordBuffer& records)
{
    for (std::size_t p = 0; p < kLayoutKeyCount; ++p)
        records[p][rec::kKeyCode] = DefaultKeyOrder[p];
}

FileStatus LoadKeymap(const std::filesystem::path& file, SettingsImage& image, KeyRecordBuffer& records,
                      KeymapLoadMode mode)
{
    if (mode == KeymapLoadMode::kRecordsOnly) {
        // Whole or not at all; the image part is read into scratch space and dropped.
        auto scratch = std::make_unique<SettingsImage>();
        FileStatus status = ReadSettingsFileExact(file, *scratch, records);
        RestampDefaultKeyOrder(records);
        return status;
    }
    FileStatus status;
    FileDescriptor fd(OpenRegularFile(file, kSettingsFileSize, status));
    if (fd.get() >= 0) {
        // Both parts are read straight into place, so a short file leaves the rest as it was.
        long n = ReadUpTo(fd.get(), {image.data(), kSettingsImageSize});
        if (n == static_cast<long>(kSettingsImageSize))
            n = ReadUpTo(fd.get(), {records.data(), kKeyRecordBufferSize});
        if (n < 0) {
            status.error = errno;
            status.state = FileState::kUnreadable;
        }
    } else {
        records = KeyRecordBuffer{};
        // Only a missing file is created: one that exists but cannot be read is left alone rather
        // than replaced by an empty one.
        if (status.state == FileState::kMissing) {
            const SaveStatus saved = SaveKeymap(file, image, records);
            status.created = saved.Saved();
            status.error = saved.error;
        }
    }
    RestampDefaultKeyOrder(records);
    return status;
}

FileStatus LoadKeymap(const std::filesystem::path& file, SettingsState& state, KeymapLoadMode mode)
{
    return LoadKeymap(file, state.image, state.records, mode);
}

SaveStatus SaveKeymap(const std::filesystem::path& file, const SettingsImage& image,
                      const KeyRecordBuffer& records, DamagedFile damaged, std::time_t when)
{
    return SaveOwnFile(file, kSettingsFileSize, {Bytes(image), Bytes(records)}, damaged, when);
}

SaveStatus SaveKeymap(const std::filesystem::path& file, const SettingsState& state, DamagedFile damaged,
                      std::time_t when)
{
    return SaveKeymap(file, state.image, state.records, damaged, when);
}

SaveStatus SaveKeymapShadows(const std::filesystem::path& file, const SettingsState& state)
{
    return SaveKeymap(file, state.shadow, state.recordShadow);
}

std::optional<std::size_t> ReadProfile(const std::filesystem::path& file, SettingsImage& image,
                                       KeyRecordBuffer& records)
{
    FileStatus status;
    FileDescriptor fd(OpenRegularFile(file, kSettingsFileSize, status));
    if (fd.get() < 0) return std::nullopt;
    const long imageBytes = ReadUpTo(fd.get(), {image.data(), kSettingsImageSize});
    if (imageBytes < 0) return std::nullopt;
    std::size_t total = static_cast<std::size_t>(imageBytes);
    if (total == kSettingsImageSize) {
        const long recordBytes = ReadUpTo(fd.get(), {records.data(), kKeyRecordBufferSize});
        if (recordBytes > 0) total += static_cast<std::size_t>(recordBytes);
    }
    return total;
}

FileStatus ReadSettingsFileExact(const std::filesystem::path& file, SettingsImage& image,
                                 KeyRecordBuffer& records)
{
    // One byte more than the layout, so a file that grew after its size was taken is caught too.
    std::vector<std::uint8_t> bytes(kSettingsFileSize + 1);
    std::size_t n = 0;
    FileStatus status = ReadRegularFile(file, kSettingsFileSize, bytes, n);
    if (status.state == FileState::kLoaded && n != kSettingsFileSize) {
        status.state = FileState::kWrongSize;
        status.size = n;
    }
    if (status.state != FileState::kLoaded) return status;
    std::copy_n(bytes.begin(), kSettingsImageSize, image.data());
    std::copy_n(bytes.begin() + kSettingsImageSize, kKeyRecordBufferSize, records.data());
    return status;
}

bool WriteProfile(const std::filesystem::path& file, const SettingsImage& image,
                  const KeyRecordBuffer& records)
{
    return WriteFileAtomically(file, {Bytes(image), Bytes(records)});
}

std::size_t RemoveStaleSaveFiles(const std::filesystem::path& dataFolder)
{
    // The profile folder holds only files this program wrote, under names the user chose.
    return RemoveStaleTemporaryFiles(dataFolder, {kKeymapFileName, kMacroFileName}) +
           RemoveStaleTemporaryFiles(dataFolder / kProfileFolderName);
}

} // namespace corvane
