#pragma once
// One keyboard, several programs: the window and corvanectl may both be talking to it. A command
// sequence is several reports whose replies must reach the program that asked, so every sequence
// holds the keyboard's lock, across processes, for its whole length.

#include <functional>

namespace corvane {

class KeyboardLock
{
public:
    virtual ~KeyboardLock() = default;
    // Blocks until this process has the keyboard to itself; `waiting` is called once before a
    // wait. Nested calls in one process only count. False when no lock could be had at all; the
    // caller goes ahead unlocked then, as it did before there were locks.
    virtual bool Acquire(const std::function<void()>& waiting) = 0;
    // Each successful Acquire is released once.
    virtual void Release() = 0;
};

// Holds a lock for a scope; a null lock holds nothing.
class KeyboardLockHold
{
public:
    KeyboardLockHold() = default;
    KeyboardLockHold(KeyboardLock* lock, const std::function<void()>& waiting)
        : lock_(lock != nullptr && lock->Acquire(waiting) ? lock : nullptr)
    {
    }
    ~KeyboardLockHold()
    {
        if (lock_ != nullptr) lock_->Release();
    }
    KeyboardLockHold(KeyboardLockHold&& other) noexcept : lock_(other.lock_) { other.lock_ = nullptr; }
    KeyboardLockHold& operator=(KeyboardLockHold&& other) noexcept
    {
        if (this != &other) {
            if (lock_ != nullptr) lock_->Release();
            lock_ = other.lock_;
            other.lock_ = nullptr;
        }
        return *this;
    }
    bool Held() const { return lock_ != nullptr; }

private:
    KeyboardLock* lock_ = nullptr;
};

} // namespace corvane
