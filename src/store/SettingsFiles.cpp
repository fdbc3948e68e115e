#include "store/SettingsFiles.h"

#include "device/KeyLayout.h"
#include "store/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

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

enum class OpenOutcome { kOpened, kMissing, kUnreadable };

// Opens a regular file for reading. A folder or device of that name counts as unreadable, so it
// is neither read nor replaced.
OpenOutcome OpenForReading(const std::filesystem::path& file, int& fd)
{
    fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? OpenOutcome::kMissing : OpenOutcome::kUnreadable;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        return OpenOutcome::kUnreadable;
    }
    return OpenOutcome::kOpened;
}

// Reads until the buffer is full or the file ends; returns the bytes read, or -1 on a read error.
long ReadUpTo(int fd, std::span<std::uint8_t> buffer)
{
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

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

KeymapLoadResult LoadKeymap(const std::filesystem::path& file, SettingsImage& image, KeyRecordBuffer& records,
                            KeymapLoadMode mode)
{
    int raw = -1;
    const OpenOutcome outcome = OpenForReading(file, raw);
    FileDescriptor fd(raw);
    KeymapLoadResult result = KeymapLoadResult::kLoaded;
    if (outcome == OpenOutcome::kOpened) {
        // Both parts are read straight into place, so a short file leaves the rest as it was. In
        // records-only mode the image part is read into scratch space and dropped.
        auto scratch = std::make_unique<SettingsImage>();
        SettingsImage& imageTarget = mode == KeymapLoadMode::kFull ? image : *scratch;
        const long imageBytes = ReadUpTo(fd.get(), {imageTarget.data(), kSettingsImageSize});
        if (imageBytes == static_cast<long>(kSettingsImageSize))
            ReadUpTo(fd.get(), {records.data(), kKeyRecordBufferSize});
    } else {
        records = KeyRecordBuffer{};
        // Only a missing file is created: one that exists but cannot be read is left alone rather
        // than replaced by an empty one.
        if (outcome == OpenOutcome::kMissing && SaveKeymap(file, image, records))
            result = KeymapLoadResult::kCreated;
        else
            result = KeymapLoadResult::kUnusable;
    }
    RestampDefaultKeyOrder(records);
    return result;
}

KeymapLoadResult LoadKeymap(const std::filesystem::path& file, SettingsState& state, KeymapLoadMode mode)
{
    return LoadKeymap(file, state.image, state.records, mode);
}

bool SaveKeymap(const std::filesystem::path& file, const SettingsImage& image, const KeyRecordBuffer& records)
{
    return WriteFileAtomically(file, {Bytes(image), Bytes(records)});
}

bool SaveKeymap(const std::filesystem::path& file, const SettingsState& state)
{
    return SaveKeymap(file, state.image, state.records);
}

bool SaveKeymapShadows(const std::filesystem::path& file, const SettingsState& state)
{
    return SaveKeymap(file, state.shadow, state.recordShadow);
}

std::optional<std::size_t> ReadProfile(const std::filesystem::path& file, SettingsImage& image,
                                       KeyRecordBuffer& records)
{
    int raw = -1;
    if (OpenForReading(file, raw) != OpenOutcome::kOpened) return std::nullopt;
    FileDescriptor fd(raw);
    const long imageBytes = ReadUpTo(fd.get(), {image.data(), kSettingsImageSize});
    if (imageBytes < 0) return std::nullopt;
    std::size_t total = static_cast<std::size_t>(imageBytes);
    if (total == kSettingsImageSize) {
        const long recordBytes = ReadUpTo(fd.get(), {records.data(), kKeyRecordBufferSize});
        if (recordBytes > 0) total += static_cast<std::size_t>(recordBytes);
    }
    return total;
}

bool WriteProfile(const std::filesystem::path& file, const SettingsImage& image,
                  const KeyRecordBuffer& records)
{
    return SaveKeymap(file, image, records);
}

} // namespace corvane
