#pragma once
// Keys that play macros, and what becomes of them when the macro dialog deletes macros: a key
// refers to its macro by number, and the numbers close up behind a deleted macro.

#include "device/SettingsState.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane {

struct MacroStore;

// The macro numbers a key refers to: its host record's (macro kind) and its device entry's
// (macro form). They agree unless something other than the program wrote one of them.
struct KeyMacroNumbers
{
    std::optional<std::uint8_t> record;
    std::optional<std::uint8_t> entry;

    bool Refers(std::size_t number) const { return record == number || entry == number; }
};
KeyMacroNumbers MacroNumbersOfKey(const SettingsState& state, std::size_t slot);

// The layout positions of the keys that play the macro numbered `number`.
std::vector<std::size_t> KeysOnMacro(const SettingsState& state, std::size_t number);

// A key on a macro number the keyboard has no slot for, with that number.
struct KeyOnMissingSlot
{
    std::size_t slot;
    std::uint8_t macro;
};
std::vector<KeyOnMissingSlot> KeysOnMacrosWithoutSlot(const SettingsState& state);

// How the macro dialog's edits renumber the macros it opened with. A new macro only ever joins
// at the end, so it moves no number; a deleted one takes its number away and the later macros
// move forward by one.
class MacroNumbering
{
public:
    MacroNumbering() = default;
    // `count` macros, none moved yet.
    explicit MacroNumbering(std::size_t count);

    void Inserted(std::size_t index);
    void Deleted(std::size_t index);

    // The number the macro now at `index` had when the dialog opened; none for a new one.
    std::optional<std::size_t> OriginalAt(std::size_t index) const;
    // The number an original macro has now; none when it was deleted. Numbers beyond the macros
    // the dialog opened with belong to no macro and keep themselves.
    std::optional<std::size_t> NumberNow(std::size_t original) const;
    std::size_t OriginalCount() const { return originalCount_; }

private:
    static constexpr std::size_t kNew = static_cast<std::size_t>(-1);
    std::size_t originalCount_ = 0;
    std::vector<std::size_t> origins_; // for each macro now: its original number, or kNew
};

// The main window's step after the macro dialog's OK: keys on a deleted macro get their own
// function back, keys on later macros follow the new numbers, the device slots are derived from
// the store, and slots no macro holds any more are cleared, so that Apply takes the deleted
// macros off the keyboard.
void ApplyMacroEdits(SettingsState& state, const MacroStore& store, const MacroNumbering& numbering);

} // namespace corvane
