#pragma once
// A small file system of its own that a test can fill for real: a tmpfs mounted in a private mount
// namespace by a helper process, and reached from the test through /proc/<helper>/root. An
// ordinary user gets the namespace through a user namespace of their own; root needs none. The
// mount goes away with the helper, so nothing on the machine is touched.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace corvane::testing {

class SmallDisk
{
public:
    explicit SmallDisk(std::size_t kilobytes)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-disk-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            error_ = "mkdtemp failed";
            return;
        }
        mountPoint_ = pattern;
        // Everything the child needs is prepared here: after fork only system calls follow.
        const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0777";
        const std::string uidMap = "0 " + std::to_string(::geteuid()) + " 1";
        const std::string gidMap = "0 " + std::to_string(::getegid()) + " 1";
        const bool root = ::geteuid() == 0;
        int ready[2];
        int hold[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(hold, O_CLOEXEC) != 0) {
            error_ = "pipe failed";
            return;
        }
        helper_ = ::fork();
        if (helper_ < 0) {
            error_ = "fork failed";
            return;
        }
        if (helper_ == 0) {
            ::close(ready[0]);
            ::close(hold[1]);
            const int flags = root ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS;
            if (::unshare(flags) != 0) ::_exit(10);
            if (!root && (!WriteTo("/proc/self/setgroups", "deny") ||
                          !WriteTo("/proc/self/uid_map", uidMap) || !WriteTo("/proc/self/gid_map", gidMap)))
                ::_exit(11);
            // Private, so the mount never shows outside this namespace.
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(12);
            if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, options.c_str()) != 0) ::_exit(13);
            (void)!::write(ready[1], "r", 1);
            char c;
            while (::read(hold[0], &c, 1) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        hold_ = hold[1];
        char c = 0;
        ssize_t n;
        while ((n = ::read(ready[0], &c, 1)) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
        if (n != 1) {
            int status = 0;
            ::waitpid(helper_, &status, 0);
            helper_ = -1;
            error_ = "no private mount here (helper status " + std::to_string(status) + ")";
            return;
        }
        path_ = "/proc/" + std::to_string(helper_) + "/root" + mountPoint_.string();
    }

    ~SmallDisk()
    {
        if (hold_ >= 0) ::close(hold_);
        if (helper_ > 0) {
            int status = 0;
            while (::waitpid(helper_, &status, 0) < 0 && errno == EINTR) {
            }
        }
        std::error_code ec;
        if (!mountPoint_.empty()) std::filesystem::remove(mountPoint_, ec);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Ready() const { return !path_.empty(); }
    const std::string& Error() const { return error_; }
    // The file system's root, as this process reaches it.
    const std::filesystem::path& path() const { return path_; }

    // Takes every free block with a filler file; Free gives them back.
    void Fill()
    {
        const int fd = ::open((path_ / ".filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) return;
        static const char block[4096] = {};
        while (::write(fd, block, sizeof block) > 0) {
        }
        // The last partial block, if any.
        while (::write(fd, block, 1) > 0) {
        }
        ::close(fd);
    }
    void Free()
    {
        std::error_code ec;
        std::filesystem::remove(path_ / ".filler", ec);
    }

private:
    static bool WriteTo(const char* file, const std::string& text)
    {
        const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
        if (fd < 0) return false;
        const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        return ok;
    }

    std::filesystem::path mountPoint_;
    std::filesystem::path path_;
    std::string error_;
    pid_t helper_ = -1;
    int hold_ = -1;
};

} // namespace corvane::testing
