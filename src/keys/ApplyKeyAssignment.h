#pragma once
// Turning the key dialog's choice into the key's host record, its device entry, its customised
// mark and its enable bit.

#include "device/SettingsState.h"
#include "format/KeyCodeTable.h"
#include "format/KeyRecord.h"

#include <array>
#include <cstdint>
#include <string>

namespace corvane {

struct MacroStore;

// The captured key count that asks for the key's own function back, whatever the kind.
inline constexpr std::int32_t kResetRequest = 255;
inline constexpr std::size_t kCapturedKeyCapacity = 255;

// The key dialog's choice, handed to the keyboard view when the dialog ends with OK.
struct AssignmentResult
{
    std::uint8_t selectedKeySlot = 0; // the physical key being edited, 0-107
    std::uint8_t selectedKeyCode = 0; // its default key code, shown by the dialog
    KeyFunctionKind kind = KeyFunctionKind::kDefault;
    // Virtual-key codes, zero-terminated and zero-padded.
    std::array<std::uint8_t, kCapturedKeyCapacity> keys{};
    std::int32_t count = 0;   // captured keys; kResetRequest asks for a reset
    std::string functionName; // UTF-8, a name of the named function table
    std::int32_t macroNumber = -1;
    std::u16string launchPath; // at most 255 units are kept
    bool keyEnabled = true;
};

// Writes the result into the slot's record, its device entry and its mark (the caller has
// cleared the mark), and refreshes the device macro slots for a macro choice. Returns whether
// the key is to be enabled: the result's choice, except that a reset always enables the key.
// A slot outside the layout, or a macro that has no device slot, changes nothing.
bool ApplyKeyAssignment(SettingsState& state, const AssignmentResult& result, const KeyCodeTable& codes,
                        const MacroStore& macros);

// The caller's step after the encoding: sets the slot's enable bit, or clears it and marks the key.
void SetKeyEnabledAfterAssignment(SettingsState& state, std::size_t slot, bool enabled);

// The keyboard view's whole sequence after OK except the save: clear the mark, encode, enable.
void AssignKey(SettingsState& state, const AssignmentResult& result, const KeyCodeTable& codes,
               const MacroStore& macros);

// Gives a key its own function back as a key never assigned has it: a record empty but for the
// key code, the factory entry, no mark, enabled.
void ResetKey(SettingsState& state, std::size_t slot);

} // namespace corvane
