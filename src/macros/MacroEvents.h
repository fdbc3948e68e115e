#pragma once
// Macro events: how the two parallel event arrays encode presses, releases and pauses, how they
// read as the lines of the macro editor's event list, and how line numbers map to byte offsets.
//
// An event is short (code, key) or long (code with delay bits 0x7F, key, pause high, pause low).
// Code bit 7 marks a release; bits 0-6 hold the pause before the event in milliseconds, 1 meaning
// no pause, 0x7F meaning the pause follows the key as a big-endian 16-bit value. A key byte of 0
// ends the events.
//
// One rule decides whether an event shows a delay line, and the line count, the line-to-offset
// walk and the rendering all use it, so line numbers always agree with what the list shows: an
// event whose delay line is shown (including a recorded 0 ms pause) counts two lines, any other
// event one. Events are never read past the end of the arrays; a long event whose pause bytes
// were cut off at the end is not an event.

#include "format/KeyCodeTable.h"
#include "macros/MacroStore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

inline constexpr std::uint8_t kEventRelease = 0x80;
inline constexpr std::uint8_t kDelayCodeMask = 0x7F;
inline constexpr std::uint8_t kLongFormCode = 0x7F; // delay bits of a long event
inline constexpr std::uint8_t kNoDelayCode = 1;
inline constexpr std::uint16_t kMaxPause = 60000;
inline constexpr std::size_t kShortEventSize = 2;
inline constexpr std::size_t kLongEventSize = 4;

// Button codes, the same in both arrays and in the key code table.
inline constexpr std::uint8_t kMouseLeft = 0xF0;
inline constexpr std::uint8_t kMouseRight = 0xF1;
inline constexpr std::uint8_t kMouseMiddle = 0xF2;

struct MacroEvent
{
    std::size_t offset = 0;   // where the event starts in both arrays
    std::size_t size = 0;     // 2 or 4
    std::uint8_t code = 0;    // from deviceEvents
    std::uint8_t usage = 0;   // deviceEvents key byte
    std::uint8_t keyCode = 0; // keyEvents key byte: the virtual-key or button code
    std::uint16_t pause = 0;  // milliseconds before this event
    bool first = false;       // the macro's first event

    bool Release() const { return (code & kEventRelease) != 0; }
    bool LongForm() const { return (code & kDelayCodeMask) == kLongFormCode; }
    // The list shows no delay line for the no-pause value, nor for the first press.
    bool HasDelayLine() const { return pause != 1 && !(first && !Release()); }
    std::size_t LineCount() const { return HasDelayLine() ? 2 : 1; }
};

// The events in order, stopping at a key byte of 0, at the end of the arrays, or at a long event
// whose pause bytes lie beyond the end.
std::vector<MacroEvent> ParseEvents(const MacroEvents& events);

// Offset of the first absent event; 190 when the events fill the arrays.
std::size_t EndOfData(const MacroEvents& events);
std::size_t CountLines(const MacroEvents& events);
// Offset of the event that starts at line `line`; the total line count gives the end of the data.
// A line that is no event boundary, or lies beyond the end, gives 0.
std::size_t LineToOffset(const MacroEvents& events, std::size_t line);

enum class EventLineKind : std::uint8_t { kDelay, kKeyDown, kKeyUp };

struct EventLine
{
    EventLineKind kind = EventLineKind::kKeyDown;
    std::string text;            // exactly as the event list shows it, UTF-8
    std::size_t eventOffset = 0; // the event the line belongs to
    std::uint16_t pause = 0;     // the event's pause
    std::uint8_t keyCode = 0;    // the event's virtual-key or button code
};

// The event list's lines: for each event its delay line ("250 ms") when shown, then its key line
// (the key code table's label of the keyEvents key byte with " dn" or " up" appended).
std::vector<EventLine> RenderEventLines(const MacroEvents& events, const KeyCodeTable& table);
std::vector<EventLine> RenderMacroLines(const MacroRecord& record, const KeyCodeTable& table);

std::string FormatDelayLine(std::uint16_t pause);
std::string FormatKeyLine(std::string_view label, bool release);
// The event list tells delay lines from key lines by their text.
bool IsDelayLineText(std::string_view text);

// ---- Changing events. Every change keeps both arrays in step and never writes past their end.

// Delay code for a pause: the pause itself below 127, else the long-form marker.
std::uint8_t DelayCodeForPause(std::uint16_t pause);

// Writes one event at `offset` (short below 127 ms, long from 127 ms; pauses above 60000 ms are
// stored as 60000) without moving anything. Returns the offset after it, or `offset` unchanged
// when the event does not fit.
std::size_t WriteEvent(MacroEvents& events, std::size_t offset, bool release, std::uint16_t pause,
                       std::uint8_t usage, std::uint8_t keyCode);

// Inserts a short event at `offset`: the bytes behind move back by two and the last two fall off.
// A long event cut in half by this is removed whole. Refused (false, nothing changed) at or past
// the end of the arrays, for a key byte of 0, and for a long-form code.
bool InsertShortEvent(MacroEvents& events, std::size_t offset, std::uint8_t code, std::uint8_t usage,
                      std::uint8_t keyCode);

// Gives the event at `offset` a new pause (1 = none), switching between short and long form and
// moving the bytes behind as needed. Returns false when no event starts there.
bool SetEventPause(MacroEvents& events, std::size_t offset, std::uint16_t pause);

// Removes the event at `offset`; the bytes behind move up and the end fills with zeros.
bool RemoveEvent(MacroEvents& events, std::size_t offset);

// The first event never waits: it becomes a short event with the no-pause code, release bit kept.
void ApplyFirstEventRule(MacroEvents& events);

// Zeroes a long event at the end whose pause bytes were cut off. Returns whether one was found.
bool DropCutEvent(MacroEvents& events);

} // namespace corvane
