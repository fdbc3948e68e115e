#pragma once
// Taking turns with other processes over an open file: flock, exclusive.

#include <functional>

namespace corvane {

// Blocks until `fd` holds the exclusive lock; `waiting` is called once before a wait. False (errno
// set) when the lock cannot be had; the descriptor stays open either way.
bool LockExclusively(int fd, const std::function<void()>& waiting);

} // namespace corvane
