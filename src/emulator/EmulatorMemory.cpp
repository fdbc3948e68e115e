#include "emulator/EmulatorMemory.h"

#include "files/FileLock.h"
#include "files/FileStatus.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace corvane {

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kMagic[8] = {'C', 'V', 'K', 'B', 'M', 'E', 'M', '1'};
constexpr std::size_t kScalars = 8; // report rate .. game mode
constexpr std::size_t kMemorySize =
    sizeof kMagic + 2 + kScalars + img::kPaletteSize + img::kDeviceKeyTableSize + img::kKeyEnableMapSize +
    img::kMacroSlotCount * img::kMacroSlotSize + img::kCustomLightMapCount * img::kCustomLightMapSize;

// The fields in file order, so encoding and decoding cannot disagree.
template <typename State, typename Visit> void ForEachField(State& s, Visit visit)
{
    for (auto* scalar : {&s.reportRate, &s.responseTime, &s.lightingMode, &s.speed, &s.brightness, &s.colour,
                         &s.direction, &s.gameMode})
        visit(std::span(scalar, 1));
    visit(std::span(s.palette));
    visit(std::span(s.keyTable));
    visit(std::span(s.keyEnableMap));
    for (auto& slot : s.macroSlots)
        visit(std::span(slot));
    for (auto& map : s.lightMaps)
        visit(std::span(map));
}

} // namespace

std::vector<std::uint8_t> EncodeEmulatedMemory(const EmulatedMemory& memory)
{
    std::vector<std::uint8_t> bytes(std::begin(kMagic), std::end(kMagic));
    bytes.push_back(static_cast<std::uint8_t>(memory.firmwareVersion >> 8));
    bytes.push_back(static_cast<std::uint8_t>(memory.firmwareVersion & 0xFF));
    ForEachField(memory.state, [&](auto field) { bytes.insert(bytes.end(), field.begin(), field.end()); });
    return bytes;
}

std::optional<EmulatedMemory> DecodeEmulatedMemory(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() != kMemorySize || !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin()))
        return std::nullopt;
    EmulatedMemory memory;
    memory.firmwareVersion = static_cast<std::uint16_t>(bytes[8] << 8 | bytes[9]);
    std::size_t at = sizeof kMagic + 2;
    ForEachField(memory.state, [&](auto field) {
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), field.size(), field.begin());
        at += field.size();
    });
    return memory;
}

EmulatedMemory MemoryOf(const KeyboardEmulator& emulator)
{
    return {emulator.FirmwareVersion(), emulator.State()};
}

void LoadMemoryInto(KeyboardEmulator& emulator, const EmulatedMemory& memory)
{
    emulator.SetFirmwareVersion(static_cast<std::uint8_t>(memory.firmwareVersion >> 8),
                                static_cast<std::uint8_t>(memory.firmwareVersion & 0xFF));
    emulator.SetState(memory.state);
}

EmulatorMemoryFile::EmulatorMemoryFile(fs::path file) : file_(std::move(file)) {}

EmulatorMemoryFile::~EmulatorMemoryFile()
{
    Unlock();
}

bool EmulatorMemoryFile::Lock(const std::function<void()>& waiting)
{
    if (lockFd_ >= 0) return true;
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    // The lock lives in a file of its own: the state file is replaced on every save, and a lock
    // on a replaced file would guard nothing.
    const fs::path lockFile = fs::path(file_).concat(".lock");
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return false;
    if (!LockExclusively(fd, waiting)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    lockFd_ = fd;
    return true;
}

void EmulatorMemoryFile::Unlock()
{
    if (lockFd_ < 0) return;
    ::close(lockFd_); // closing the only descriptor releases the lock
    lockFd_ = -1;
}

EmulatorMemoryFile::LoadOutcome EmulatorMemoryFile::Read(EmulatedMemory& memory) const
{
    std::vector<std::uint8_t> bytes(kMemorySize);
    std::size_t read = 0;
    const FileStatus status = ReadRegularFile(file_, kMemorySize, bytes, read);
    if (status.state == FileState::kMissing) return LoadOutcome::kNone;
    if (status.state == FileState::kUnreadable || status.state == FileState::kNotRegular)
        return LoadOutcome::kUnreadable;
    const auto decoded = status.state == FileState::kLoaded ? DecodeEmulatedMemory(bytes) : std::nullopt;
    if (!decoded) return LoadOutcome::kDamaged;
    memory = *decoded;
    return LoadOutcome::kLoaded;
}

EmulatorMemoryFile::LoadOutcome EmulatorMemoryFile::LoadInto(KeyboardEmulator& emulator)
{
    EmulatedMemory memory;
    const LoadOutcome outcome = Read(memory);
    if (outcome == LoadOutcome::kLoaded) LoadMemoryInto(emulator, memory);
    return outcome;
}

// ---- Shared between processes --------------------------------------------------------------

SharedEmulatorMemory::SharedEmulatorMemory(KeyboardEmulator& emulator, fs::path file,
                                           std::function<void(const std::string&)> tell)
    : emulator_(emulator), file_(std::move(file)), tell_(std::move(tell))
{
}

SharedEmulatorMemory::~SharedEmulatorMemory() = default;

bool SharedEmulatorMemory::Acquire(const std::function<void()>& waiting)
{
    std::lock_guard lock(mutex_);
    if (holds_ > 0) {
        ++holds_;
        return true;
    }
    if (!file_.Lock(waiting)) {
        Tell("the emulated keyboard's memory " + file_.File().string() +
             " cannot be locked: " + FileErrorText(errno, TextLanguage::kEnglish));
        return false;
    }
    ++holds_;
    EmulatedMemory stored;
    using Outcome = EmulatorMemoryFile::LoadOutcome;
    const Outcome outcome = file_.Read(stored);
    if (outcome == Outcome::kLoaded) {
        // Another program changed the keyboard since this one last saw it.
        if (!seen_ || *seen_ != stored) LoadMemoryInto(emulator_, stored);
        seen_ = stored;
    } else if (!seen_) {
        if (outcome == Outcome::kDamaged || outcome == Outcome::kUnreadable)
            Tell("the emulated keyboard's memory " + file_.File().string() +
                 " cannot be read; starting from the factory settings");
        // Never write over what could not be read.
        writable_ = outcome != Outcome::kUnreadable;
        seen_ = MemoryOf(emulator_);
        // A first start writes the memory, so the next program finds the same keyboard.
        if (outcome == Outcome::kNone) seen_.reset();
    }
    return true;
}

void SharedEmulatorMemory::Release()
{
    std::lock_guard lock(mutex_);
    if (holds_ == 0 || --holds_ > 0) return;
    const EmulatedMemory now = MemoryOf(emulator_);
    if (writable_ && (!seen_ || *seen_ != now)) {
        if (file_.Save(emulator_))
            seen_ = now;
        else
            Tell("the emulated keyboard's memory could not be saved to " + file_.File().string() + ": " +
                 FileErrorText(errno, TextLanguage::kEnglish));
    }
    file_.Unlock();
}

void SharedEmulatorMemory::Tell(const std::string& text)
{
    if (tell_) tell_(text);
}

bool EmulatorMemoryFile::Save(const KeyboardEmulator& emulator)
{
    const std::vector<std::uint8_t> bytes = EncodeEmulatedMemory(MemoryOf(emulator));
    // A file that is not a whole memory file is set aside before it is replaced, never lost.
    std::vector<std::uint8_t> present(kMemorySize);
    std::size_t read = 0;
    const FileStatus status = ReadRegularFile(file_, kMemorySize, present, read);
    const bool damaged = status.state == FileState::kLoaded && !DecodeEmulatedMemory(present);
    if (damaged) {
        std::error_code ec;
        fs::rename(file_, DamagedFileName(file_, std::time(nullptr)), ec);
    }
    const SaveStatus saved = SaveOwnFile(file_, kMemorySize, {bytes}, DamagedFile::kSetAside);
    if (!saved) errno = saved.error != 0 ? saved.error : EEXIST;
    return saved.Saved();
}

} // namespace corvane
