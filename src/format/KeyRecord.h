#pragma once
// What a key does on the host side. One 772-byte record per layout position, 255 of them, stored
// byte for byte in keymap.bin and profile files right after the settings image.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace corvane {

inline constexpr std::size_t kKeyRecordSize = 772;
inline constexpr std::size_t kKeyRecordCount = 255;
inline constexpr std::size_t kKeyRecordBufferSize = kKeyRecordSize * kKeyRecordCount;
// Physical keys; records beyond these exist in the file but belong to no key.
inline constexpr std::size_t kKeySlotCount = 108;

namespace rec {
// Offsets into a record, with the size of each field.
inline constexpr std::size_t kKeyCode = 0; // the slot's own virtual-key code
inline constexpr std::size_t kKind = 1;    // a KeyFunctionKind
inline constexpr std::size_t kData = 2;    // captured keys, macro or function bytes
inline constexpr std::size_t kDataSize = 255;
inline constexpr std::size_t kCount = 257;      // number of captured keys
inline constexpr std::size_t kReserved = 258;   // 2 bytes, 0
inline constexpr std::size_t kLaunchPath = 260; // UTF-16LE, zero-terminated
inline constexpr std::size_t kLaunchPathSize = 512;
inline constexpr std::size_t kLaunchPathUnits = kLaunchPathSize / 2; // including the terminator

static_assert(kData + kDataSize == kCount);
static_assert(kLaunchPath + kLaunchPathSize == kKeyRecordSize);
} // namespace rec

// Record byte 1, and the choice the key dialog hands over.
enum class KeyFunctionKind : std::uint8_t {
    kSingleKey = 0,
    kCombination = 1,
    kMacro = 2,
    kNamedFunction = 3,
    kPlayMusic = 4,
    kStartProgram = 5,
    kOpenFile = 6,
    kOpenFolder = 7,
    kDefault = 8,   // only as a dialog result: give the key back its own function
    kCleared = 255, // passed through by the dialog, never stored
};

inline constexpr bool IsLaunchKind(KeyFunctionKind kind)
{
    return kind >= KeyFunctionKind::kPlayMusic && kind <= KeyFunctionKind::kOpenFolder;
}

struct KeyRecord
{
    std::array<std::uint8_t, kKeyRecordSize> bytes{};

    std::uint8_t& operator[](std::size_t offset) { return bytes[offset]; }
    std::uint8_t operator[](std::size_t offset) const { return bytes[offset]; }
    std::uint8_t* data() { return bytes.data(); }
    const std::uint8_t* data() const { return bytes.data(); }

    std::uint8_t KeyCode() const { return bytes[rec::kKeyCode]; }
    KeyFunctionKind Kind() const { return static_cast<KeyFunctionKind>(bytes[rec::kKind]); }
    void SetKind(KeyFunctionKind kind) { bytes[rec::kKind] = static_cast<std::uint8_t>(kind); }
    std::uint8_t Count() const { return bytes[rec::kCount]; }
    std::uint8_t* Data() { return bytes.data() + rec::kData; }
    const std::uint8_t* Data() const { return bytes.data() + rec::kData; }
    void ClearData() { std::memset(Data(), 0, rec::kDataSize); }

    // The launch path up to its terminator (at most 255 units are ever read).
    std::u16string LaunchPath() const
    {
        std::u16string path;
        for (std::size_t i = 0; i + 1 < rec::kLaunchPathUnits; ++i) {
            const auto unit = static_cast<char16_t>(bytes[rec::kLaunchPath + 2 * i] |
                                                    bytes[rec::kLaunchPath + 2 * i + 1] << 8);
            if (unit == 0) break;
            path.push_back(unit);
        }
        return path;
    }
    // Stores at most 255 units and always a terminator; the rest of the field is zeroed.
    void SetLaunchPath(const std::u16string& path)
    {
        std::memset(bytes.data() + rec::kLaunchPath, 0, rec::kLaunchPathSize);
        const std::size_t n = std::min(path.size(), rec::kLaunchPathUnits - 1);
        for (std::size_t i = 0; i < n; ++i) {
            bytes[rec::kLaunchPath + 2 * i] = static_cast<std::uint8_t>(path[i] & 0xFF);
            bytes[rec::kLaunchPath + 2 * i + 1] = static_cast<std::uint8_t>(path[i] >> 8);
        }
    }

    bool operator==(const KeyRecord&) const = default;
};
static_assert(sizeof(KeyRecord) == kKeyRecordSize);

// Record p belongs to layout position p.
struct KeyRecordBuffer
{
    std::array<KeyRecord, kKeyRecordCount> records{};

    KeyRecord& operator[](std::size_t position) { return records[position]; }
    const KeyRecord& operator[](std::size_t position) const { return records[position]; }
    std::uint8_t* data() { return records.data()->data(); }
    const std::uint8_t* data() const { return records.data()->data(); }
    static constexpr std::size_t size() { return kKeyRecordBufferSize; }

    bool operator==(const KeyRecordBuffer&) const = default;
};
static_assert(sizeof(KeyRecordBuffer) == kKeyRecordBufferSize);
static_assert(kKeyRecordBufferSize == 196860);

using KeyRecordShadow = KeyRecordBuffer;

// 1 where the keyboard view marks a key as customised.
inline constexpr std::size_t kKeyMarkCount = 255;
struct KeyMarks
{
    std::array<std::uint8_t, kKeyMarkCount> marks{};

    std::uint8_t& operator[](std::size_t position) { return marks[position]; }
    std::uint8_t operator[](std::size_t position) const { return marks[position]; }
    void Clear() { marks.fill(0); }

    bool operator==(const KeyMarks&) const = default;
};
static_assert(sizeof(KeyMarks) == kKeyMarkCount);

} // namespace corvane
