#pragma once
// The macro store: 190 fixed-size macro records, held in memory and in MacroDefine.bin as one
// raw 169860-byte image, and the 32 device macro slots derived from it. Every offset here is a
// file format (MacroDefine.bin) or a device format (the slots), so nothing may move.

#include "files/FileStatus.h"
#include "format/SettingsImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

inline constexpr std::size_t kMacroRecordSize = 894;
inline constexpr std::size_t kMacroRecordCount = 190;
inline constexpr std::size_t kMacroStoreSize = kMacroRecordSize * kMacroRecordCount;
inline constexpr std::size_t kMacroEventArraySize = 190;
// The keyboard has 32 slots, so no more macros than that are ever in use.
inline constexpr std::size_t kMaxMacros = img::kMacroSlotCount;
// UTF-16 units of the name field, terminator included.
inline constexpr std::size_t kMacroNameUnits = 255;
inline constexpr std::size_t kMacroNameMaxLength = kMacroNameUnits - 1;
inline constexpr char kMacroFileName[] = "MacroDefine.bin";

static_assert(kMacroStoreSize == 169860);
static_assert(2 + kMacroEventArraySize == img::kMacroSlotSize);

namespace mrec {
// Offsets into a macro record; integers are little-endian.
inline constexpr std::size_t kName = 0; // UTF-16, NUL-terminated; empty = record not in use
inline constexpr std::size_t kNameSize = 2 * kMacroNameUnits;
inline constexpr std::size_t kRepeatCount = 510; // unsigned 16-bit
inline constexpr std::size_t kFlags = 512;       // bit 0: delay option
inline constexpr std::size_t kDeviceEvents = 513;
inline constexpr std::size_t kKeyEvents = 703;
inline constexpr std::size_t kReserved = 893;

inline constexpr std::uint8_t kFlagDelay = 0x01;

static_assert(kName + kNameSize == kRepeatCount);
static_assert(kFlags + 1 == kDeviceEvents);
static_assert(kDeviceEvents + kMacroEventArraySize == kKeyEvents);
static_assert(kKeyEvents + kMacroEventArraySize == kReserved);
static_assert(kReserved + 1 == kMacroRecordSize);
} // namespace mrec

using EventArray = std::array<std::uint8_t, kMacroEventArraySize>;

// The two parallel event arrays of one macro: usage codes for the keyboard, virtual-key codes
// for the event list. They agree byte for byte except in each event's key byte.
struct MacroEvents
{
    EventArray deviceEvents{};
    EventArray keyEvents{};

    bool operator==(const MacroEvents&) const = default;
};

struct MacroRecord
{
    std::array<std::uint8_t, kMacroRecordSize> bytes{};

    // The name up to its terminator, never read past the field even when a file left it open.
    std::u16string Name() const;
    // Stores the name cut to 254 units with its terminator, clearing the rest of the field.
    // An empty name is refused (returns false, old name kept): it would mark the record unused
    // and break the run of used records.
    bool SetName(std::u16string_view name);
    bool InUse() const { return bytes[mrec::kName] != 0 || bytes[mrec::kName + 1] != 0; }

    std::uint16_t RepeatCount() const;
    void SetRepeatCount(std::uint16_t count);

    std::uint8_t Flags() const { return bytes[mrec::kFlags]; }
    bool DelayOption() const { return (bytes[mrec::kFlags] & mrec::kFlagDelay) != 0; }
    void SetDelayOption(bool on) { bytes[mrec::kFlags] = on ? mrec::kFlagDelay : 0; }

    std::span<std::uint8_t, kMacroEventArraySize> DeviceEvents()
    {
        return std::span<std::uint8_t, kMacroEventArraySize>(bytes.data() + mrec::kDeviceEvents,
                                                             kMacroEventArraySize);
    }
    std::span<const std::uint8_t, kMacroEventArraySize> DeviceEvents() const
    {
        return std::span<const std::uint8_t, kMacroEventArraySize>(bytes.data() + mrec::kDeviceEvents,
                                                                   kMacroEventArraySize);
    }
    std::span<std::uint8_t, kMacroEventArraySize> KeyEvents()
    {
        return std::span<std::uint8_t, kMacroEventArraySize>(bytes.data() + mrec::kKeyEvents,
                                                             kMacroEventArraySize);
    }
    std::span<const std::uint8_t, kMacroEventArraySize> KeyEvents() const
    {
        return std::span<const std::uint8_t, kMacroEventArraySize>(bytes.data() + mrec::kKeyEvents,
                                                                   kMacroEventArraySize);
    }

    MacroEvents Events() const;
    void SetEvents(const MacroEvents& events);

    void Clear() { bytes.fill(0); }
    bool operator==(const MacroRecord&) const = default;
};
static_assert(sizeof(MacroRecord) == kMacroRecordSize);

struct MacroStore
{
    std::array<MacroRecord, kMacroRecordCount> records{};

    MacroRecord& operator[](std::size_t index) { return records[index]; }
    const MacroRecord& operator[](std::size_t index) const { return records[index]; }

    // Records in use, counted from record 0 up to the first empty name.
    std::size_t CountInUse() const;
    // The macro list: names of records 0, 1, ... up to the first empty name; position = number.
    std::vector<std::u16string> Names() const;

    std::uint8_t* data() { return records[0].bytes.data(); }
    const std::uint8_t* data() const { return records[0].bytes.data(); }
    std::span<const std::uint8_t> Bytes() const { return {data(), kMacroStoreSize}; }

    void Clear() { *this = MacroStore{}; }
    bool operator==(const MacroStore&) const = default;
};
static_assert(sizeof(MacroStore) == kMacroStoreSize);

// The macros the keyboard can play: the first ones in use, as many as it has slots. Only these
// get a slot from DeriveMacroSlots, so only these can be given to a key.
std::size_t MacrosWithSlots(const MacroStore& store);

// Fills the device macro slots from the store: records from 0 while in use, at most 32; slots
// behind the last record in use keep what they held; nothing changes when record 0 is unused.
void DeriveMacroSlots(const MacroStore& store, SettingsImage& image);

// Opens an all-zero record at `index` for a new macro: the records from there move back one
// place and the last record falls off.
void InsertEmptyRecord(MacroStore& store, std::size_t index);
// Removes macro `index`: the records behind move forward one place and the last macro's old
// place becomes all zero. Returns false, changing nothing, when `index` is no macro in use.
bool DeleteRecord(MacroStore& store, std::size_t index);

// "Macro_" and the lowest number from 1 (at least three digits) that no list item equals.
std::u16string NextFreeMacroName(std::span<const std::u16string> listNames);

// Rewrites the selected macro's record from the dialog's state. Does nothing when no macro is
// selected (selected < 0 or not a record index).
void WriteBackRecord(MacroStore& store, int selected, std::u16string_view name, bool loop,
                     std::uint16_t loopCount, bool delayOption, const MacroEvents& events);

// Loads MacroDefine.bin into the store, creating it with zeros when it does not exist (kMissing,
// `created` set when that worked). A file of the wrong size fills the beginning of the store; one
// that cannot be read leaves the store empty. Anything but kLoaded and kMissing means the file is
// kept as it is.
FileStatus LoadMacroStore(const std::filesystem::path& file, MacroStore& store);
// Replaces the file with the store's bytes; on failure the old file stays whole. A file that is
// not a readable regular file of 169860 bytes that the user may write is never replaced, except a
// damaged one the user asked to have set aside (DamagedFile::kSetAside).
SaveStatus SaveMacroStore(const std::filesystem::path& file, const MacroStore& store,
                          DamagedFile damaged = DamagedFile::kKeep, std::time_t when = std::time(nullptr));

} // namespace corvane
