#include "files/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSuffixLength = 6;
constexpr char kSuffixLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::string_view kTemporaryMark = ".tmp-";

std::atomic<bool> unnamedAllowed{true};

class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void Reset(int fd)
    {
        Close();
        fd_ = fd;
    }
    // close() can report a failed write; the caller must see that.
    bool Close()
    {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::span<const std::uint8_t> data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a chain of symbolic links finally names, which need not exist yet. Saving through the
// link keeps it pointing where the user put the real file.
bool ResolveLinks(fs::path path, fs::path& target)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = path;
            return true;
        }
        std::error_code ec;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) return false;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    errno = ELOOP;
    return false;
}

fs::path FolderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

bool SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::size_t NameMax(const fs::path& folder)
{
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

std::string RandomSuffix()
{
    static thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kSuffixLetters - 2);
    std::string suffix;
    for (std::size_t i = 0; i < kSuffixLength; ++i)
        suffix.push_back(kSuffixLetters[pick(random)]);
    return suffix;
}

bool IsSuffix(std::string_view text)
{
    if (text.size() != kSuffixLength) return false;
    for (char c : text)
        if (std::string_view(kSuffixLetters).find(c) == std::string_view::npos) return false;
    return true;
}

// What stands in the folder while a save is written: an unnamed file that gets its temporary
// name only when it is complete, or a named one from the start.
struct Temporary
{
    Descriptor fd;
    bool unnamed = false;
    std::string name; // the full path, once it has a name
};

// Opens the temporary file. New files are opened with 0666 so the kernel applies the umask; a
// replacement starts private and takes the old mode before it is put in place.
bool OpenTemporary(const fs::path& target, bool replacing, bool tryUnnamed, Temporary& temp)
{
    const fs::path folder = FolderOf(target);
    const mode_t mode = replacing ? 0600 : 0666;
    if (tryUnnamed) {
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0) {
            temp.fd.Reset(fd);
            temp.unnamed = true;
            return true;
        }
        // Only a file system without unnamed files (or an old kernel) falls back; a full disk or
        // a folder the user cannot write is the answer.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    }
    const std::size_t nameMax = NameMax(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            (folder / TemporaryFileName(target.filename().string(), RandomSuffix(), nameMax)).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0) {
            temp.fd.Reset(fd);
            temp.unnamed = false;
            temp.name = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// Gives the complete unnamed file its temporary name. Through /proc/self/fd an ordinary user may
// link it; AT_EMPTY_PATH needs a privilege most users lack.
bool NameTemporary(const fs::path& target, Temporary& temp)
{
    const fs::path folder = FolderOf(target);
    const std::size_t nameMax = NameMax(folder);
    const std::string self = "/proc/self/fd/" + std::to_string(temp.fd.get());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            (folder / TemporaryFileName(target.filename().string(), RandomSuffix(), nameMax)).string();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            ::linkat(temp.fd.get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
            temp.name = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// One attempt at a save. `linkFailed` tells the caller that only naming the unnamed file failed,
// so a named temporary file may still work.
bool WriteThrough(const fs::path& target, const struct stat* old,
                  std::initializer_list<std::span<const std::uint8_t>> parts, bool tryUnnamed,
                  bool& linkFailed)
{
    linkFailed = false;
    Temporary temp;
    if (!OpenTemporary(target, old != nullptr, tryUnnamed, temp)) return false;
    bool ok = true;
    for (const auto& part : parts)
        ok = ok && WriteAll(temp.fd.get(), part);
    if (ok && old != nullptr) {
        // The owner first: changing it clears set-id bits, which fchmod then puts back. Another
        // user's file written by root keeps its owner; an ordinary user cannot and need not.
        if ((old->st_uid != ::geteuid() || old->st_gid != ::getegid()) &&
            ::fchown(temp.fd.get(), old->st_uid, old->st_gid) != 0) {
            // An ordinary user keeps the file under their own name.
        }
        ok = ::fchmod(temp.fd.get(), old->st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(temp.fd.get()) == 0;
    if (ok && temp.unnamed && !NameTemporary(target, temp)) {
        linkFailed = true;
        return false;
    }
    ok = temp.fd.Close() && ok;
    ok = ok && ::rename(temp.name.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        if (!temp.name.empty()) ::unlink(temp.name.c_str());
        errno = error;
        return false;
    }
    return true;
}

std::size_t RemoveStaleMatching(const fs::path& folder, const auto& matches)
{
    std::size_t removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!matches(it->path().filename().string())) continue;
        // symlink_status: a link of that name is not something a save made.
        std::error_code typeError;
        if (!fs::is_regular_file(it->symlink_status(typeError)) || typeError) continue;
        if (::unlink(it->path().c_str()) == 0) ++removed;
    }
    return removed;
}

} // namespace

std::string TemporaryFileName(std::string_view fileName, std::string_view suffix, std::size_t nameMax)
{
    const std::size_t fixed = 1 + kTemporaryMark.size() + suffix.size();
    std::size_t keep = fileName.size();
    if (fixed + keep > nameMax) {
        keep = nameMax > fixed ? nameMax - fixed : 0;
        // Never half a character: UTF-8 continuation bytes are 10xxxxxx.
        while (keep > 0 && (static_cast<unsigned char>(fileName[keep]) & 0xC0) == 0x80)
            --keep;
    }
    // Appended rather than "." + ...: GCC 12 at -O3 warns falsely (-Wrestrict) on literal + string.
    std::string name = ".";
    name += fileName.substr(0, keep);
    name += kTemporaryMark;
    name += suffix;
    return name;
}

bool IsTemporaryFileOf(std::string_view entryName, std::string_view fileName)
{
    const std::size_t prefix = 1 + fileName.size() + kTemporaryMark.size();
    return entryName.size() == prefix + kSuffixLength && entryName.starts_with('.') &&
           entryName.substr(1, fileName.size()) == fileName &&
           entryName.substr(1 + fileName.size(), kTemporaryMark.size()) == kTemporaryMark &&
           IsSuffix(entryName.substr(prefix));
}

bool IsTemporaryFileName(std::string_view entryName)
{
    const std::size_t tail = kTemporaryMark.size() + kSuffixLength;
    return entryName.size() > 1 + tail && entryName.starts_with('.') &&
           entryName.substr(entryName.size() - tail, kTemporaryMark.size()) == kTemporaryMark &&
           IsSuffix(entryName.substr(entryName.size() - kSuffixLength));
}

bool WriteFileAtomically(const fs::path& path, std::initializer_list<std::span<const std::uint8_t>> parts)
{
    fs::path target;
    if (!ResolveLinks(path, target)) return false;
    struct stat old
    {
    };
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    // Only a regular file is ever replaced; a folder or device of that name stays.
    if (replacing && !S_ISREG(old.st_mode)) {
        errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    bool linkFailed = false;
    bool ok = WriteThrough(target, replacing ? &old : nullptr, parts, unnamedAllowed.load(), linkFailed);
    // Unnamed files that cannot be linked (no /proc, say): the named way instead.
    if (!ok && linkFailed) ok = WriteThrough(target, replacing ? &old : nullptr, parts, false, linkFailed);
    if (!ok) return false;
    // The rename itself is only durable once the folder's entry is on disk.
    return SyncFolder(FolderOf(target));
}

std::size_t RemoveStaleTemporaryFiles(const fs::path& folder,
                                      std::initializer_list<std::string_view> fileNames)
{
    return RemoveStaleMatching(folder, [&](const std::string& name) {
        for (std::string_view fileName : fileNames)
            if (IsTemporaryFileOf(name, fileName)) return true;
        return false;
    });
}

std::size_t RemoveStaleTemporaryFiles(const fs::path& folder)
{
    return RemoveStaleMatching(folder, [](const std::string& name) { return IsTemporaryFileName(name); });
}

fs::path KeepCopyBeside(const fs::path& file, std::string_view suffix)
{
    fs::path target;
    if (!ResolveLinks(file, target)) return {};
    for (int n = 1; n < 1000; ++n) {
        fs::path kept = target;
        kept += std::string(suffix) + (n > 1 ? "-" + std::to_string(n) : std::string());
        if (::link(target.c_str(), kept.c_str()) == 0) {
            if (!SyncFolder(FolderOf(kept))) return {};
            return kept;
        }
        if (errno == EEXIST) continue;
        // No second links here (some file systems): a copy, written like any save.
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return {};
        std::error_code ec;
        if (fs::symlink_status(kept, ec).type() != fs::file_type::not_found) continue;
        const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return {};
        Descriptor in(fd);
        std::vector<std::uint8_t> bytes;
        std::uint8_t buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return {};
            if (n == 0) break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        if (!WriteFileAtomically(kept, {bytes})) return {};
        return kept;
    }
    errno = EEXIST;
    return {};
}

void AllowUnnamedTemporaryFiles(bool allow)
{
    unnamedAllowed = allow;
}

} // namespace corvane
