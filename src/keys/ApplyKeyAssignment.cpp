#include "keys/ApplyKeyAssignment.h"

#include "device/KeyMarks.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "keys/NamedFunctionTable.h"
#include "macros/MacroStore.h"

#include <algorithm>
#include <span>

namespace corvane {

namespace {

// Data written for launch kinds; nothing reads it, but files carry it.
constexpr std::array<std::uint8_t, 4> kLaunchData = {0x03, 0x00, 0x23, 0x02};

void EmptyRecord(KeyRecord& r)
{
    r.SetKind(KeyFunctionKind::kSingleKey);
    r[rec::kCount] = 0;
    r.ClearData();
}

void SetData(KeyRecord& r, const std::array<std::uint8_t, 4>& bytes)
{
    r.ClearData();
    std::copy(bytes.begin(), bytes.end(), r.Data());
}

// The key's own function is what the keyboard shipped with. For most keys that is the plain usage
// of its key code, but the Fn key, the media keys and backslash differ, and writing the plain
// usage there would take their function away.
void RestoreOwnFunction(SettingsState& state, std::size_t slot)
{
    EmptyRecord(state.records[slot]);
    const std::size_t k = DeviceKeyIndex(slot);
    PutDeviceKeyEntry(state.image, k, DefaultDeviceKeyTable()[k]);
}

// A macro the keyboard has no slot for would play whatever lies beyond its slots, or nothing.
bool MacroWithoutSlot(const AssignmentResult& result, const MacroStore& macros)
{
    return result.count != kResetRequest && result.kind == KeyFunctionKind::kMacro &&
           result.macroNumber != -1 &&
           (result.macroNumber < 0 ||
            static_cast<std::size_t>(result.macroNumber) >= MacrosWithSlots(macros));
}

// Writes the record and the device entry of a choice other than a reset.
void EncodeChoice(SettingsState& state, const AssignmentResult& result, const KeyCodeTable& codes,
                  const MacroStore& macros)
{
    const std::size_t s = result.selectedKeySlot;
    KeyRecord& r = state.records[s];
    const std::size_t k = DeviceKeyIndex(s);
    switch (result.kind) {
    case KeyFunctionKind::kSingleKey: {
        r.SetKind(KeyFunctionKind::kSingleKey);
        std::copy(result.keys.begin(), result.keys.end(), r.Data());
        r[rec::kCount] = static_cast<std::uint8_t>(result.count);
        if (result.count == 1) {
            const std::uint8_t v = result.keys[0];
            if (v == DefaultKeyOrder[s])
                RestoreOwnFunction(state, s);
            else
                PutDeviceKeyEntry(state.image, k, SingleKeyEntry(codes.Usage(v)));
        }
        break;
    }
    case KeyFunctionKind::kCombination:
        r.SetKind(KeyFunctionKind::kCombination);
        std::copy(result.keys.begin(), result.keys.end(), r.Data());
        r[rec::kCount] = static_cast<std::uint8_t>(result.count);
        // Code 0 has usage 0, so a missing key leaves its byte empty.
        PutDeviceKeyEntry(state.image, k,
                          KeyboardEntry(codes.Usage(result.keys[0]), codes.Usage(result.keys[1]),
                                        codes.Usage(result.keys[2])));
        break;
    case KeyFunctionKind::kMacro: {
        const auto n = static_cast<std::uint8_t>(result.macroNumber & 0xFF);
        r.SetKind(KeyFunctionKind::kMacro);
        const DeviceKeyEntry entry = MacroEntry(n);
        SetData(r, entry);
        if (result.macroNumber != -1) {
            PutDeviceKeyEntry(state.image, k, entry);
            DeriveMacroSlots(macros, state.image);
        }
        break;
    }
    case KeyFunctionKind::kNamedFunction:
        r.SetKind(KeyFunctionKind::kNamedFunction);
        if (const NamedFunction* f = FindNamedFunction(result.functionName)) {
            SetData(r, f->code);
            PutDeviceKeyEntry(state.image, k, f->code);
        }
        break;
    case KeyFunctionKind::kPlayMusic:
    case KeyFunctionKind::kStartProgram:
    case KeyFunctionKind::kOpenFile:
    case KeyFunctionKind::kOpenFolder:
        r.SetKind(result.kind);
        r[rec::kKeyCode] = DefaultKeyOrder[s];
        PutDeviceKeyEntry(state.image, k, HostActionEntry(r.KeyCode()));
        SetData(r, kLaunchData);
        r.SetLaunchPath(result.launchPath);
        break;
    case KeyFunctionKind::kDefault:
        RestoreOwnFunction(state, s);
        break;
    default:
        break;
    }
}

} // namespace

DeviceKeyEntry SingleKeyEntry(std::uint8_t usage)
{
    switch (usage) {
    case 0x83:
        return ConsumerEntry(0x0183);
    case 0xCD:
    case 0xE9:
    case 0xEA:
        return ConsumerEntry(usage);
    default:
        return PlainKeyEntry(usage);
    }
}

const NamedFunction* MediaKeyFunction(std::uint8_t key, const KeyCodeTable& codes)
{
    const DeviceKeyEntry entry = SingleKeyEntry(codes.Usage(key));
    if (entry[0] != kConsumerForm) return nullptr;
    return FindNamedFunction(std::span<const std::uint8_t, 4>(entry));
}

bool ApplyKeyAssignment(SettingsState& state, const AssignmentResult& result, const KeyCodeTable& codes,
                        const MacroStore& macros)
{
    const std::size_t s = result.selectedKeySlot;
    if (s >= kLayoutKeyCount || MacroWithoutSlot(result, macros)) return result.keyEnabled;
    if (result.count == kResetRequest)
        RestoreOwnFunction(state, s);
    else
        EncodeChoice(state, result, codes, macros);
    // Only a launching key keeps a path, so that exported profiles carry no stale ones.
    KeyRecord& r = state.records[s];
    if (!IsLaunchKind(r.Kind())) r.SetLaunchPath({});
    RecomputeKeyMark(state.image, state.records, state.marks, s);
    return result.count == kResetRequest || result.keyEnabled;
}

void SetKeyEnabledAfterAssignment(SettingsState& state, std::size_t slot, bool enabled)
{
    if (slot >= kLayoutKeyCount) return;
    SetKeyEnabled(state.image, DeviceKeyIndex(slot), enabled);
    RecomputeKeyMark(state.image, state.records, state.marks, slot);
}

void AssignKey(SettingsState& state, const AssignmentResult& result, const KeyCodeTable& codes,
               const MacroStore& macros)
{
    // A refused choice leaves the key as it was, its mark included.
    if (result.selectedKeySlot >= kLayoutKeyCount || MacroWithoutSlot(result, macros)) return;
    const bool enabled = ApplyKeyAssignment(state, result, codes, macros);
    SetKeyEnabledAfterAssignment(state, result.selectedKeySlot, enabled);
}

void ResetKey(SettingsState& state, std::size_t slot)
{
    if (slot >= kLayoutKeyCount) return;
    // Nothing of an earlier function stays behind, not even a launch path.
    state.records[slot] = KeyRecord{};
    state.records[slot][rec::kKeyCode] = DefaultKeyOrder[slot];
    RestoreOwnFunction(state, slot);
    SetKeyEnabledAfterAssignment(state, slot, true);
}

} // namespace corvane
