#pragma once
// Turning the key dialog's choice into the key's host record, its device entry, its customised
// mark and its enable bit.

#include "device/SettingsState.h"
#include "format/DeviceKeyEntry.h"
#include "format/KeyCodeTable.h"
#include "format/KeyRecord.h"

#include <array>
#include <cstdint>
#include <string>

namespace corvane {

struct MacroStore;
struct NamedFunction;

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

// Writes the result into the slot's record, its device entry and its mark, and refreshes the
// device macro slots for a macro choice. A record that no longer launches loses its path. Returns
// whether the key is to be enabled: the result's choice, except that a reset always enables the key.
// A slot outside the layout, or a macro that has no device slot, changes nothing.
bool ApplyKeyAssignment(SettingsState& state, const AssignmentResult& result, const KeyCodeTable& codes,
                        const MacroStore& macros);

// The caller's step after the encoding: sets or clears the slot's enable bit and marks the key anew.
void SetKeyEnabledAfterAssignment(SettingsState& state, std::size_t slot, bool enabled);

// The keyboard view's whole sequence after OK except the save: encode, enable.
void AssignKey(SettingsState& state, const AssignmentResult& result, const KeyCodeTable& codes,
               const MacroStore& macros);

// Gives a key its own function back as a key never assigned has it: a record empty but for the
// key code, the factory entry, no mark, enabled.
void ResetKey(SettingsState& state, std::size_t slot);

// The device entry of a single key: a media key's usage goes out in consumer form, any other
// key's in keyboard form.
DeviceKeyEntry SingleKeyEntry(std::uint8_t usage);

// The named function a media key stands for (the one whose code is its consumer form), or nullptr
// for any other key. Media keys work only alone.
const NamedFunction* MediaKeyFunction(std::uint8_t key, const KeyCodeTable& codes);

} // namespace corvane
