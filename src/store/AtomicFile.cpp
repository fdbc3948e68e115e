#include "store/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSuffixLength = 6;
constexpr char kSuffixLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

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

bool SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Creates the temporary file with an unused name. New files are opened with 0666 so the kernel
// applies the umask; a replacement starts private and takes the old mode before the rename.
int CreateTemporary(const fs::path& target, bool replacing, std::string& name)
{
    static thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kSuffixLetters - 2);
    const std::string prefix =
        (target.parent_path() / TemporaryFilePrefix(target.filename().string())).string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix;
        for (std::size_t i = 0; i < kSuffixLength; ++i)
            name.push_back(kSuffixLetters[pick(random)]);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                              replacing ? 0600 : 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

std::string TemporaryFilePrefix(std::string_view fileName)
{
    // The whole temporary name stays within the 255 bytes a file name may have, so a file whose
    // own name is near that limit can still be saved: long names give up their end.
    constexpr std::string_view kTag = ".tmp-";
    const std::size_t room = NAME_MAX - 1 - kTag.size() - kSuffixLength;
    if (fileName.size() > room) fileName = fileName.substr(0, room);
    // Appended rather than "." + ...: GCC 12 at -O3 warns falsely (-Wrestrict) on literal + string.
    std::string prefix = ".";
    prefix += fileName;
    prefix += kTag;
    return prefix;
}

bool IsTemporaryFileOf(std::string_view entryName, std::string_view fileName)
{
    const std::string prefix = TemporaryFilePrefix(fileName);
    if (entryName.size() != prefix.size() + kSuffixLength || !entryName.starts_with(prefix)) return false;
    for (char c : entryName.substr(prefix.size()))
        if (std::string_view(kSuffixLetters).find(c) == std::string_view::npos) return false;
    return true;
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
    if (replacing && !S_ISREG(old.st_mode)) return false;

    std::string temp;
    const int fd = CreateTemporary(target, replacing, temp);
    if (fd < 0) return false;
    bool ok = true;
    for (const auto& part : parts)
        ok = ok && WriteAll(fd, part);
    if (ok && replacing) {
        // The owner first: changing it clears set-id bits, which fchmod then puts back. Another
        // user's file written by root keeps its owner; an ordinary user cannot and need not.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)::fchown(fd, old.st_uid, old.st_gid);
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself is only durable once the folder's entry is on disk.
    return SyncFolder(target.parent_path());
}

std::size_t RemoveStaleTemporaryFiles(const fs::path& folder,
                                      std::initializer_list<std::string_view> fileNames)
{
    std::size_t removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        bool ours = false;
        for (std::string_view fileName : fileNames)
            ours = ours || IsTemporaryFileOf(name, fileName);
        if (!ours) continue;
        // symlink_status: a link of that name is not something a save made.
        std::error_code typeError;
        if (!fs::is_regular_file(it->symlink_status(typeError)) || typeError) continue;
        if (::unlink(it->path().c_str()) == 0) ++removed;
    }
    return removed;
}

} // namespace corvane
