#pragma once
// The emulated keyboard's memory between processes, as a real keyboard keeps its settings in its
// own flash: one file holding the firmware version and every setting the protocol reaches. The
// programs keep it under $XDG_STATE_HOME/corvane-keyboard/; tests use emulators without one.
//
// Processes take turns: a lock file beside the state file is held (flock) while a process reads,
// uses or writes the memory, and every write replaces the whole file atomically, so a reader
// never sees half of one.

#include "device/KeyboardLock.h"
#include "emulator/KeyboardEmulator.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

struct EmulatedMemory
{
    std::uint16_t firmwareVersion = 0; // major in the high byte
    EmulatedDeviceState state;

    bool operator==(const EmulatedMemory&) const = default;
};

std::vector<std::uint8_t> EncodeEmulatedMemory(const EmulatedMemory& memory);
// Nothing unless the bytes are one whole memory file.
std::optional<EmulatedMemory> DecodeEmulatedMemory(std::span<const std::uint8_t> bytes);

EmulatedMemory MemoryOf(const KeyboardEmulator& emulator);
void LoadMemoryInto(KeyboardEmulator& emulator, const EmulatedMemory& memory);

// The memory file's name in the program's state folder.
inline constexpr char kEmulatorMemoryFileName[] = "emulated-keyboard.bin";

class EmulatorMemoryFile
{
public:
    explicit EmulatorMemoryFile(std::filesystem::path file);
    ~EmulatorMemoryFile();
    EmulatorMemoryFile(const EmulatorMemoryFile&) = delete;
    EmulatorMemoryFile& operator=(const EmulatorMemoryFile&) = delete;

    const std::filesystem::path& File() const { return file_; }

    // Waits for the other processes' turn to end; `waiting` is called once before a wait.
    // False (errno set) when the lock file cannot be made or locked.
    bool Lock(const std::function<void()>& waiting = {});
    void Unlock();

    enum class LoadOutcome { kLoaded, kNone, kDamaged, kUnreadable };
    // Puts the stored memory into the emulator. A missing, damaged or unreadable file leaves the
    // emulator as it is; the next save sets a damaged file aside (".damaged-…") before replacing it.
    LoadOutcome LoadInto(KeyboardEmulator& emulator);
    LoadOutcome Read(EmulatedMemory& memory) const;
    // Whether the memory is on disk; errno says why not.
    bool Save(const KeyboardEmulator& emulator);

private:
    std::filesystem::path file_;
    int lockFd_ = -1;
};

// The emulated keyboard as one keyboard shared by every program that emulates it: while a program
// holds it, its emulator has the memory the file holds (loaded anew when another program changed
// it), and a change is written back when the last hold ends.
class SharedEmulatorMemory : public KeyboardLock
{
public:
    // `tell` hears, in English, what the user should know: a memory that cannot be read, locked or
    // saved.
    SharedEmulatorMemory(KeyboardEmulator& emulator, std::filesystem::path file,
                         std::function<void(const std::string&)> tell);
    ~SharedEmulatorMemory() override;

    bool Acquire(const std::function<void()>& waiting) override;
    void Release() override;
    const std::filesystem::path& File() const { return file_.File(); }

private:
    void Tell(const std::string& text);

    KeyboardEmulator& emulator_;
    EmulatorMemoryFile file_;
    std::function<void(const std::string&)> tell_;
    std::mutex mutex_;
    int holds_ = 0;
    bool writable_ = true;
    std::optional<EmulatedMemory> seen_; // what the file held when last read or written
};

} // namespace corvane
