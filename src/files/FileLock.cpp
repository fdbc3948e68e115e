#include "files/FileLock.h"

#include <cerrno>
#include <sys/file.h>

namespace corvane {

bool LockExclusively(int fd, const std::function<void()>& waiting)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK) return false;
    if (waiting) waiting();
    int result = 0;
    while ((result = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    return result == 0;
}

} // namespace corvane
