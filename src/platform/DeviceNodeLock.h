#pragma once
// The keyboard's lock on Linux: flock on its command interface's device node. Every program that
// talks to the keyboard opens that node, so the lock needs no file of its own and no folder both
// programs agree on, and it goes with the device: a replugged keyboard is a new node.

#include "device/KeyboardLock.h"

#include <mutex>
#include <string>

namespace corvane {

class DeviceNodeLock final : public KeyboardLock
{
public:
    explicit DeviceNodeLock(std::string node);
    ~DeviceNodeLock() override;
    DeviceNodeLock(const DeviceNodeLock&) = delete;
    DeviceNodeLock& operator=(const DeviceNodeLock&) = delete;

    // False (errno set) when the node cannot be opened or locked.
    bool Acquire(const std::function<void()>& waiting) override;
    void Release() override;

private:
    std::string node_;
    std::mutex mutex_;
    int holds_ = 0;
    int fd_ = -1;
};

} // namespace corvane
