#include "macros/MacroStore.h"

#include "files/AtomicFile.h"
#include "macros/MacroEvents.h"
#include "text/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace corvane {

std::u16string MacroRecord::Name() const
{
    std::u16string name;
    for (std::size_t i = 0; i < kMacroNameUnits; ++i) {
        const auto unit =
            static_cast<char16_t>(bytes[mrec::kName + 2 * i] | bytes[mrec::kName + 2 * i + 1] << 8);
        if (unit == 0) break;
        name.push_back(unit);
    }
    return name;
}

bool MacroRecord::SetName(std::u16string_view name)
{
    if (name.empty()) return false;
    std::size_t length = std::min(name.size(), kMacroNameMaxLength);
    // Never leave half a surrogate pair behind when cutting.
    if (length < name.size() && length > 0 && name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF) {
        --length;
    }
    std::fill_n(bytes.begin() + mrec::kName, mrec::kNameSize, std::uint8_t{0});
    for (std::size_t i = 0; i < length; ++i) {
        bytes[mrec::kName + 2 * i] = static_cast<std::uint8_t>(name[i] & 0xFF);
        bytes[mrec::kName + 2 * i + 1] = static_cast<std::uint8_t>(name[i] >> 8);
    }
    return true;
}

std::uint16_t MacroRecord::RepeatCount() const
{
    return static_cast<std::uint16_t>(bytes[mrec::kRepeatCount] | bytes[mrec::kRepeatCount + 1] << 8);
}

void MacroRecord::SetRepeatCount(std::uint16_t count)
{
    bytes[mrec::kRepeatCount] = static_cast<std::uint8_t>(count & 0xFF);
    bytes[mrec::kRepeatCount + 1] = static_cast<std::uint8_t>(count >> 8);
}

MacroEvents MacroRecord::Events() const
{
    MacroEvents events;
    std::copy_n(DeviceEvents().begin(), kMacroEventArraySize, events.deviceEvents.begin());
    std::copy_n(KeyEvents().begin(), kMacroEventArraySize, events.keyEvents.begin());
    return events;
}

void MacroRecord::SetEvents(const MacroEvents& events)
{
    std::copy(events.deviceEvents.begin(), events.deviceEvents.end(), DeviceEvents().begin());
    std::copy(events.keyEvents.begin(), events.keyEvents.end(), KeyEvents().begin());
}

std::size_t MacroStore::CountInUse() const
{
    std::size_t n = 0;
    while (n < kMacroRecordCount && records[n].InUse())
        ++n;
    return n;
}

std::vector<std::u16string> MacroStore::Names() const
{
    std::vector<std::u16string> names;
    const std::size_t n = CountInUse();
    names.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        names.push_back(records[i].Name());
    return names;
}

std::size_t MacrosWithSlots(const MacroStore& store)
{
    return std::min(store.CountInUse(), kMaxMacros);
}

void DeriveMacroSlots(const MacroStore& store, SettingsImage& image)
{
    const std::size_t count = MacrosWithSlots(store);
    for (std::size_t i = 0; i < count; ++i) {
        const MacroRecord& record = store[i];
        std::uint8_t* slot = image.MacroSlot(i);
        // The keyboard reads the count high byte first, the reverse of the record.
        slot[0] = static_cast<std::uint8_t>(record.RepeatCount() >> 8);
        slot[1] = static_cast<std::uint8_t>(record.RepeatCount() & 0xFF);
        std::copy_n(record.DeviceEvents().begin(), kMacroEventArraySize, slot + 2);
        // A long event whose pause was cut off at the end would make the keyboard read past the
        // slot; it is shown to nobody, so it is not sent either.
        MacroEvents events = record.Events();
        if (DropCutEvent(events)) std::copy(events.deviceEvents.begin(), events.deviceEvents.end(), slot + 2);
    }
}

void InsertEmptyRecord(MacroStore& store, std::size_t index)
{
    if (index >= kMacroRecordCount) return;
    std::move_backward(store.records.begin() + static_cast<std::ptrdiff_t>(index), store.records.end() - 1,
                       store.records.end());
    store[index].Clear();
}

bool DeleteRecord(MacroStore& store, std::size_t index)
{
    const std::size_t inUse = store.CountInUse();
    // Deleting past the macros would otherwise wipe the last real macro.
    if (index >= inUse) return false;
    std::move(store.records.begin() + static_cast<std::ptrdiff_t>(index + 1), store.records.end(),
              store.records.begin() + static_cast<std::ptrdiff_t>(index));
    store[inUse - 1].Clear();
    return true;
}

std::u16string NextFreeMacroName(std::span<const std::u16string> listNames)
{
    for (unsigned n = 1;; ++n) {
        char text[32];
        std::snprintf(text, sizeof text, "Macro_%03u", n);
        const std::u16string candidate(text, text + std::strlen(text));
        if (std::find(listNames.begin(), listNames.end(), candidate) == listNames.end()) return candidate;
    }
}

void WriteBackRecord(MacroStore& store, int selected, std::u16string_view name, bool loop,
                     std::uint16_t loopCount, bool delayOption, const MacroEvents& events)
{
    if (selected < 0 || static_cast<std::size_t>(selected) >= kMacroRecordCount) return;
    MacroRecord& record = store[static_cast<std::size_t>(selected)];
    record.SetName(name);
    record.SetRepeatCount(loop ? loopCount : 1);
    record.SetDelayOption(delayOption);
    record.SetEvents(events);
}

FileStatus LoadMacroStore(const std::filesystem::path& file, MacroStore& store)
{
    store.Clear();
    std::size_t n = 0;
    FileStatus status = ReadRegularFile(file, kMacroStoreSize, {store.data(), kMacroStoreSize}, n);
    if (status.state == FileState::kMissing) {
        const SaveStatus saved = SaveMacroStore(file, store);
        status.created = saved.Saved();
        status.error = saved.error;
    } else if (status.state == FileState::kUnreadable) {
        // A read that failed half-way leaves nothing half-loaded.
        store.Clear();
    }
    return status;
}

SaveStatus SaveMacroStore(const std::filesystem::path& file, const MacroStore& store, DamagedFile damaged,
                          std::time_t when)
{
    return SaveOwnFile(file, kMacroStoreSize, {store.Bytes()}, damaged, when);
}

} // namespace corvane
