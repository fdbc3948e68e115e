#include "keys/MacroKeys.h"

#include "format/DeviceKeyEntry.h"
#include "format/KeyLayout.h"
#include "keys/ApplyKeyAssignment.h"
#include "macros/MacroStore.h"

#include <algorithm>

namespace corvane {

namespace {

// Where a record of the macro kind keeps its macro number: data bytes 04 01 nn 00.
constexpr std::size_t kRecordMacroNumber = 2;

} // namespace

KeyMacroNumbers MacroNumbersOfKey(const SettingsState& state, std::size_t slot)
{
    KeyMacroNumbers numbers;
    if (slot >= kLayoutKeyCount) return numbers;
    const KeyRecord& r = state.records[slot];
    // The key dialog reads a macro record only in this form; any other is not a macro.
    if (r.Kind() == KeyFunctionKind::kMacro && r.Data()[0] == kMacroForm)
        numbers.record = r.Data()[kRecordMacroNumber];
    const DeviceKeyEntry e = GetDeviceKeyEntry(state.image, DeviceKeyIndex(slot));
    if (e[0] == kMacroForm) numbers.entry = e[2];
    return numbers;
}

std::vector<std::size_t> KeysOnMacro(const SettingsState& state, std::size_t number)
{
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot)
        if (MacroNumbersOfKey(state, slot).Refers(number)) slots.push_back(slot);
    return slots;
}

std::vector<KeyOnMissingSlot> KeysOnMacrosWithoutSlot(const SettingsState& state)
{
    std::vector<KeyOnMissingSlot> keys;
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        const KeyMacroNumbers numbers = MacroNumbersOfKey(state, slot);
        for (const std::optional<std::uint8_t>& n : {numbers.entry, numbers.record}) {
            if (n && *n >= img::kMacroSlotCount) {
                keys.push_back({slot, *n});
                break;
            }
        }
    }
    return keys;
}

MacroNumbering::MacroNumbering(std::size_t count) : originalCount_(count), origins_(count)
{
    for (std::size_t i = 0; i < count; ++i)
        origins_[i] = i;
}

void MacroNumbering::Inserted(std::size_t index)
{
    origins_.insert(origins_.begin() + static_cast<std::ptrdiff_t>(std::min(index, origins_.size())), kNew);
}

void MacroNumbering::Deleted(std::size_t index)
{
    if (index < origins_.size()) origins_.erase(origins_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::optional<std::size_t> MacroNumbering::OriginalAt(std::size_t index) const
{
    if (index >= origins_.size() || origins_[index] == kNew) return std::nullopt;
    return origins_[index];
}

std::optional<std::size_t> MacroNumbering::NumberNow(std::size_t original) const
{
    if (original >= originalCount_) return original;
    const auto found = std::find(origins_.begin(), origins_.end(), original);
    if (found == origins_.end()) return std::nullopt;
    return static_cast<std::size_t>(found - origins_.begin());
}

void ApplyMacroEdits(SettingsState& state, const MacroStore& store, const MacroNumbering& numbering)
{
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
        const KeyMacroNumbers numbers = MacroNumbersOfKey(state, slot);
        if (!numbers.record && !numbers.entry) continue;
        const std::optional<std::size_t> record =
            numbers.record ? numbering.NumberNow(*numbers.record) : std::optional<std::size_t>{};
        const std::optional<std::size_t> entry =
            numbers.entry ? numbering.NumberNow(*numbers.entry) : std::optional<std::size_t>{};
        // Left on a number, the key would play whichever macro moved there, or an empty slot.
        if ((numbers.record && !record) || (numbers.entry && !entry)) {
            ResetKey(state, slot);
            continue;
        }
        if (record) state.records[slot].Data()[kRecordMacroNumber] = static_cast<std::uint8_t>(*record);
        if (entry) state.image.DeviceKeyEntry(DeviceKeyIndex(slot))[2] = static_cast<std::uint8_t>(*entry);
    }
    DeriveMacroSlots(store, state.image);
    // Slots the derivation leaves alone still hold the deleted macros.
    const std::size_t keep = MacrosWithSlots(store);
    const std::size_t held = std::min(numbering.OriginalCount(), img::kMacroSlotCount);
    for (std::size_t i = keep; i < held; ++i)
        std::fill_n(state.image.MacroSlot(i), img::kMacroSlotSize, std::uint8_t{0});
}

} // namespace corvane
