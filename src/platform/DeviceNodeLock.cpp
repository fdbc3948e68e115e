#include "platform/DeviceNodeLock.h"

#include "files/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corvane {

DeviceNodeLock::DeviceNodeLock(std::string node) : node_(std::move(node)) {}

DeviceNodeLock::~DeviceNodeLock()
{
    if (fd_ >= 0) ::close(fd_);
}

bool DeviceNodeLock::Acquire(const std::function<void()>& waiting)
{
    std::lock_guard lock(mutex_);
    if (holds_ > 0) {
        ++holds_;
        return true;
    }
    // Non-blocking open: a FIFO put in the node's place must not hang the program.
    const int fd = ::open(node_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    if (!LockExclusively(fd, waiting)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    fd_ = fd;
    holds_ = 1;
    return true;
}

void DeviceNodeLock::Release()
{
    std::lock_guard lock(mutex_);
    if (holds_ == 0 || --holds_ > 0) return;
    ::close(fd_); // closing the only descriptor releases the lock
    fd_ = -1;
}

} // namespace corvane
