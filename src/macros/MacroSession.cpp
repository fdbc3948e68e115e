#include "macros/MacroSession.h"

#include <algorithm>

namespace corvane {
namespace {

constexpr std::uint8_t kPressCode = kNoDelayCode;
constexpr std::uint8_t kReleaseCode = kEventRelease | kNoDelayCode;
constexpr std::uint16_t kInsertedDelay = 50;
constexpr std::uint16_t kMinEditedDelay = 2;
// Recording stops taking presses here so that a press and its release always fit.
constexpr std::size_t kLastPressOffset = 184;
constexpr std::size_t kLastReleaseOffset = 188;

std::uint8_t ButtonCode(MouseButton button)
{
    switch (button) {
    case MouseButton::kLeft:
        return kMouseLeft;
    case MouseButton::kRight:
        return kMouseRight;
    case MouseButton::kMiddle:
        return kMouseMiddle;
    }
    return kMouseLeft;
}

std::size_t EventSize(std::uint16_t pause)
{
    return DelayCodeForPause(pause) == kLongFormCode ? kLongEventSize : kShortEventSize;
}

} // namespace

std::uint16_t PauseMilliseconds(std::chrono::steady_clock::duration elapsed)
{
    const std::int64_t micros = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
    if (micros <= 0) return 0;
    return static_cast<std::uint16_t>(std::min<std::int64_t>(micros / 1000, kMaxPause));
}

std::uint16_t PauseBetweenInputTimes(std::uint32_t earlier, std::uint32_t later)
{
    // Modular difference read as signed: a wrap in between still gives the true pause.
    const auto elapsed = static_cast<std::int32_t>(later - earlier);
    if (elapsed <= 0) return 0;
    return static_cast<std::uint16_t>(std::min<std::int32_t>(elapsed, kMaxPause));
}

MacroSession::MacroSession(const KeyCodeTable& table, MacroClock clock)
    : table_(table),
      clock_(clock ? std::move(clock) : MacroClock([] { return std::chrono::steady_clock::now(); }))
{
    lastEventTime_ = clock_();
}

void MacroSession::Load(const MacroEvents& events)
{
    events_ = events;
    Render();
}

void MacroSession::Clear()
{
    events_ = MacroEvents{};
    Render();
}

void MacroSession::Render()
{
    lines_ = RenderEventLines(events_, table_);
    // Appending always continues at the true end, whatever an edit or a capture moved.
    appendOffset_ = EndOfData(events_);
}

void MacroSession::Finish()
{
    capturePending_ = false;
    Render();
}

std::uint16_t MacroSession::Elapsed(std::optional<std::uint32_t> inputTime)
{
    const std::uint16_t ms = inputTime && lastInputTime_ ? PauseBetweenInputTimes(*lastInputTime_, *inputTime)
                                                         : PauseMilliseconds(clock_() - lastEventTime_);
    MarkTime(inputTime);
    return ms;
}

void MacroSession::MarkTime(std::optional<std::uint32_t> inputTime)
{
    lastEventTime_ = clock_();
    lastInputTime_ = inputTime;
}

void MacroSession::StartRecording()
{
    Clear();
    recording_ = true;
    full_ = false;
    down_.reset();
    lastKeyLine_.clear();
    capturePending_ = false;
}

KeyOutcome MacroSession::Record(std::uint8_t key, bool release, std::optional<std::uint32_t> inputTime)
{
    const std::string text = FormatKeyLine(table_.Label(key), release);
    std::uint16_t ms = 0;
    if (release) {
        ms = Elapsed(inputTime);
    } else if (lines_.empty()) {
        MarkTime(inputTime);
    } else if (text != lastKeyLine_) {
        ms = Elapsed(inputTime);
    }
    if (text == lastKeyLine_) return KeyOutcome::kIgnored;
    // Once full, only the releases of keys recorded as down are taken.
    if (full_ && !(release && down_[key])) return KeyOutcome::kFull;

    const std::uint16_t pause = (!delayOption_ || lines_.empty()) ? kNoDelayCode : ms;
    const std::size_t size = EventSize(pause);
    // Room kept for the releases of the other keys still down.
    const std::size_t releaseSize = delayOption_ ? kLongEventSize : kShortEventSize;
    const std::size_t othersDown = down_.count() - (down_[key] ? 1 : 0);
    const std::size_t needed = appendOffset_ + size + releaseSize * othersDown;
    if (release) {
        if (appendOffset_ >= kLastReleaseOffset || needed > kMacroEventArraySize) return KeyOutcome::kFull;
    } else if (appendOffset_ >= kLastPressOffset || needed + releaseSize > kMacroEventArraySize) {
        full_ = true;
        return KeyOutcome::kFull;
    }
    const std::size_t next = WriteEvent(events_, appendOffset_, release, pause, table_.Usage(key), key);
    // A key without a usage code would end the events early.
    if (next == appendOffset_) return KeyOutcome::kIgnored;
    down_[key] = !release;
    lastKeyLine_ = text;
    Render();
    return KeyOutcome::kAppended;
}

void MacroSession::StartCapture(std::size_t line)
{
    captureLine_ = std::min(line, lines_.size());
    capturePending_ = true;
}

KeyOutcome MacroSession::Capture(std::uint8_t key, bool release)
{
    if (!capturePending_) return KeyOutcome::kIgnored;
    const std::size_t end = EndOfData(events_);
    // A press needs room for itself and its release; nothing of the macro is pushed out.
    if (end + (release ? kShortEventSize : 2 * kShortEventSize) > kMacroEventArraySize) {
        capturePending_ = false;
        return KeyOutcome::kCaptureNoRoom;
    }
    if (release) capturePending_ = false;
    const std::size_t offset = LineToOffset(events_, captureLine_);
    const bool inserted =
        InsertShortEvent(events_, offset, release ? kReleaseCode : kPressCode, table_.Usage(key), key);
    if (inserted) {
        ApplyFirstEventRule(events_);
        Render();
        if (!release) captureLine_ = std::min(captureLine_ + 1, lines_.size());
    }
    if (release) return KeyOutcome::kCaptureEnded;
    return inserted ? KeyOutcome::kCaptured : KeyOutcome::kIgnored;
}

bool MacroSession::IsDelayLine(std::size_t line) const
{
    return line < lines_.size() && lines_[line].kind == EventLineKind::kDelay;
}

std::size_t MacroSession::After(std::size_t line) const
{
    return line + (IsDelayLine(line) ? 2 : 1);
}

std::size_t MacroSession::InsertBeforeLine(std::size_t line) const
{
    if (line == 0 || IsDelayLine(line)) return line;
    if (IsDelayLine(line - 1)) return line - 1;
    return line;
}

std::size_t MacroSession::InsertAfterLine(std::size_t line) const
{
    if (line + 1 >= lines_.size()) return line + 1;
    return After(line);
}

EditOutcome MacroSession::InsertMouse(std::size_t line, MouseButton button, MouseAction action)
{
    if (line >= lines_.size()) return EditOutcome::kNothing;
    const std::size_t count = action == MouseAction::kClick ? 2 : 1;
    if (EndOfData(events_) + count * kShortEventSize > kMacroEventArraySize) return EditOutcome::kNoRoom;
    const std::uint8_t code = ButtonCode(button);
    const std::size_t at = After(line);
    if (action != MouseAction::kUp)
        InsertShortEvent(events_, LineToOffset(events_, at), kPressCode, code, code);
    if (action != MouseAction::kDown) {
        // The click's press is one line, so its release follows on the next line.
        const std::size_t releaseLine = action == MouseAction::kClick ? at + 1 : at;
        Render();
        InsertShortEvent(events_, LineToOffset(events_, releaseLine), kReleaseCode, code, code);
    }
    Finish();
    return EditOutcome::kDone;
}

EditOutcome MacroSession::InsertDelay(std::size_t line)
{
    if (line + 1 >= lines_.size()) return EditOutcome::kNothing;
    if (IsDelayLine(line)) return EditOutcome::kOnDelayLine;
    if (!SetEventPause(events_, LineToOffset(events_, line + 1), kInsertedDelay))
        return EditOutcome::kNothing;
    ApplyFirstEventRule(events_);
    Finish();
    return EditOutcome::kDone;
}

EditOutcome MacroSession::DeleteLine(std::size_t line)
{
    if (line >= lines_.size()) return EditOutcome::kNothing;
    const bool pauseOnly = IsDelayLine(line);
    const std::size_t offset = lines_[line].eventOffset;
    const bool changed =
        pauseOnly ? SetEventPause(events_, offset, kNoDelayCode) : RemoveEvent(events_, offset);
    if (!changed) return EditOutcome::kNothing;
    ApplyFirstEventRule(events_);
    Finish();
    return EditOutcome::kDone;
}

EditOutcome MacroSession::EditDelay(std::size_t line, std::uint16_t pause)
{
    if (!IsDelayLine(line)) return EditOutcome::kNothing;
    pause = std::clamp(pause, kMinEditedDelay, kMaxPause);
    const EventLine& edited = lines_[line];
    const bool growsLong = EventSize(edited.pause) == kShortEventSize && EventSize(pause) == kLongEventSize;
    // Growing to the long form would push the last event out of the arrays.
    if (growsLong && EndOfData(events_) + 2 > kMacroEventArraySize) return EditOutcome::kNoRoom;
    if (!SetEventPause(events_, edited.eventOffset, pause)) return EditOutcome::kNothing;
    ApplyFirstEventRule(events_);
    Finish();
    return EditOutcome::kDone;
}

} // namespace corvane
