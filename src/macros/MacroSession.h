#pragma once
// The macro being edited in the macro dialog: its two working event arrays, the lines the event
// list shows for them, the recorder that appends typed keys with their pauses or inserts one
// captured key, and the editing commands of the event list. Every change keeps both arrays in
// step, never writes past their 190 bytes and leaves the lines exactly what rendering gives for
// the arrays, so line numbers always address the right event.

#include "format/KeyCodeTable.h"
#include "macros/MacroEvents.h"
#include "macros/MacroStore.h"

#include <bitset>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

using MacroClock = std::function<std::chrono::steady_clock::time_point()>;

// Whole milliseconds between two counter readings: microseconds first, then truncated to
// milliseconds, at most 60000; a counter that went backwards gives 0.
std::uint16_t PauseMilliseconds(std::chrono::steady_clock::duration elapsed);

// The pause between two input event times (milliseconds that wrap at 32 bits, as X server time
// does), at most 60000; a later time that is not after the earlier one gives 0.
std::uint16_t PauseBetweenInputTimes(std::uint32_t earlier, std::uint32_t later);

enum class MouseButton : std::uint8_t { kLeft, kRight, kMiddle };
enum class MouseAction : std::uint8_t { kDown, kUp, kClick };

// What a keystroke did to the macro.
enum class KeyOutcome : std::uint8_t {
    kIgnored,       // a repeat of the last line, or a key with no usage code
    kAppended,      // recording wrote the event
    kFull,          // recording refused it: no room left (see RecordingFull)
    kCaptured,      // a capture inserted the press or release
    kCaptureEnded,  // the capture's release was inserted; the hook is no longer needed
    kCaptureNoRoom, // the capture ended without inserting: the arrays are full
};

enum class EditOutcome : std::uint8_t {
    kDone,
    kNothing,     // no line, or nothing to change there
    kOnDelayLine, // Insert Delay on a delay line: the user is told to edit it instead
    kNoRoom,      // the change does not fit into 190 bytes; nothing changed
};

class MacroSession
{
public:
    explicit MacroSession(const KeyCodeTable& table, MacroClock clock = {});

    const MacroEvents& Events() const { return events_; }
    const std::vector<EventLine>& Lines() const { return lines_; }
    std::size_t AppendOffset() const { return appendOffset_; }
    const std::string& LastKeyLine() const { return lastKeyLine_; }

    bool DelayOption() const { return delayOption_; }
    void SetDelayOption(bool on) { delayOption_ = on; }

    // Takes a macro's events: the lines are rendered, appending continues at the end of data.
    void Load(const MacroEvents& events);
    // Empties the arrays and the lines (a new macro, or the start of a recording).
    void Clear();

    // ---- Recorder

    // A recording always starts from an empty macro; a pending capture ends.
    void StartRecording();
    void StopRecording() { recording_ = false; }
    bool Recording() const { return recording_; }
    // The recording refused a press for lack of room. The recording then only takes the
    // releases of keys it recorded as down, so the macro never leaves a key held on the keyboard;
    // once none is down it can be stopped and the user told.
    bool RecordingFull() const { return full_; }
    bool KeysDown() const { return down_.any(); }

    // A keystroke while recording (virtual-key code, release or press). Pauses are measured
    // between the input's own event times when both events carry one, so the program's own
    // delays never enter the recording; otherwise by the clock when the key is handled.
    KeyOutcome Record(std::uint8_t key, bool release, std::optional<std::uint32_t> inputTime = {});

    void StartCapture(std::size_t line);
    void EndCapture() { capturePending_ = false; }
    bool CapturePending() const { return capturePending_; }
    std::size_t CaptureLine() const { return captureLine_; }
    // A keystroke while a capture is pending: the key's press and release go in at the capture
    // line, without pauses.
    KeyOutcome Capture(std::uint8_t key, bool release);

    // ---- Editing the event list (line = the list's selected line)

    // The line a captured key goes to for Insert Before / Insert After of line `line`.
    std::size_t InsertBeforeLine(std::size_t line) const;
    std::size_t InsertAfterLine(std::size_t line) const;
    // The line after the event that `line` belongs to.
    std::size_t After(std::size_t line) const;

    EditOutcome InsertMouse(std::size_t line, MouseButton button, MouseAction action);
    // Gives the event below a key line a 50 ms pause.
    EditOutcome InsertDelay(std::size_t line);
    // A delay line loses only its pause; a key line loses its whole event.
    EditOutcome DeleteLine(std::size_t line);
    // A delay line was edited in place to `pause` ms (the list box keeps it within 2-60000).
    EditOutcome EditDelay(std::size_t line, std::uint16_t pause);

private:
    bool IsDelayLine(std::size_t line) const;
    void Render();
    void Finish();
    std::uint16_t Elapsed(std::optional<std::uint32_t> inputTime);
    void MarkTime(std::optional<std::uint32_t> inputTime);

    const KeyCodeTable& table_;
    MacroClock clock_;
    MacroEvents events_;
    std::vector<EventLine> lines_;
    std::size_t appendOffset_ = 0;
    std::string lastKeyLine_;
    std::chrono::steady_clock::time_point lastEventTime_{};
    std::optional<std::uint32_t> lastInputTime_;
    bool delayOption_ = false;
    bool recording_ = false;
    bool full_ = false;
    std::bitset<256> down_; // keys whose recorded press has no recorded release yet
    bool capturePending_ = false;
    std::size_t captureLine_ = 0;
};

} // namespace corvane
