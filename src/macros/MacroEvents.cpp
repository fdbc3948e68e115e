#include "macros/MacroEvents.h"

#include <algorithm>

namespace corvane {

namespace {

// Reads the event starting at `offset`. False when none starts there: a key byte of 0, the end
// of the arrays, or a long event whose pause bytes would lie beyond the end.
bool ReadEvent(const MacroEvents& events, std::size_t offset, bool first, MacroEvent& event)
{
    const EventArray& device = events.deviceEvents;
    if (offset + kShortEventSize > kMacroEventArraySize || device[offset + 1] == 0) return false;
    event = MacroEvent{};
    event.offset = offset;
    event.code = device[offset];
    event.usage = device[offset + 1];
    event.keyCode = events.keyEvents[offset + 1];
    event.first = first;
    if (event.LongForm()) {
        if (offset + kLongEventSize > kMacroEventArraySize) return false;
        event.size = kLongEventSize;
        event.pause = static_cast<std::uint16_t>(device[offset + 2] << 8 | device[offset + 3]);
    } else {
        event.size = kShortEventSize;
        event.pause = event.code & kDelayCodeMask;
    }
    return true;
}

// Calls visit(event) for each event in order until it returns false.
template <typename Visit> std::size_t Walk(const MacroEvents& events, Visit visit)
{
    std::size_t offset = 0;
    MacroEvent event;
    while (ReadEvent(events, offset, offset == 0, event)) {
        if (!visit(event)) break;
        offset += event.size;
    }
    return offset;
}

// Makes room for `count` bytes at `offset`; the last `count` bytes fall off.
void OpenGap(EventArray& bytes, std::size_t offset, std::size_t count)
{
    if (offset + count >= bytes.size()) {
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end(), std::uint8_t{0});
        return;
    }
    std::copy_backward(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.end() - static_cast<std::ptrdiff_t>(count), bytes.end());
}

// Removes `count` bytes at `offset`; the end fills with zeros.
void CloseGap(EventArray& bytes, std::size_t offset, std::size_t count)
{
    std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(offset + count), bytes.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    std::fill(bytes.end() - static_cast<std::ptrdiff_t>(count), bytes.end(), std::uint8_t{0});
}

bool EventAt(const MacroEvents& events, std::size_t offset, MacroEvent& event)
{
    return ReadEvent(events, offset, offset == 0, event);
}

} // namespace

std::vector<MacroEvent> ParseEvents(const MacroEvents& events)
{
    std::vector<MacroEvent> list;
    Walk(events, [&](const MacroEvent& event) {
        list.push_back(event);
        return true;
    });
    return list;
}

std::size_t EndOfData(const MacroEvents& events)
{
    return Walk(events, [](const MacroEvent&) { return true; });
}

std::size_t CountLines(const MacroEvents& events)
{
    std::size_t lines = 0;
    Walk(events, [&](const MacroEvent& event) {
        lines += event.LineCount();
        return true;
    });
    return lines;
}

std::size_t LineToOffset(const MacroEvents& events, std::size_t line)
{
    std::size_t lines = 0;
    std::size_t found = 0;
    bool hit = line == 0;
    const std::size_t end = Walk(events, [&](const MacroEvent& event) {
        if (lines == line) {
            found = event.offset;
            hit = true;
            return false;
        }
        lines += event.LineCount();
        return true;
    });
    if (hit) return found;
    return lines == line ? end : 0;
}

std::string FormatDelayLine(std::uint16_t pause)
{
    return std::to_string(pause) + " ms";
}

std::string FormatKeyLine(std::string_view label, bool release)
{
    std::string text(label);
    text += release ? " up" : " dn";
    return text;
}

bool IsDelayLineText(std::string_view text)
{
    return text.find(" ms") != std::string_view::npos;
}

std::vector<EventLine> RenderEventLines(const MacroEvents& events, const KeyCodeTable& table)
{
    std::vector<EventLine> lines;
    Walk(events, [&](const MacroEvent& event) {
        if (event.HasDelayLine()) {
            lines.push_back({EventLineKind::kDelay, FormatDelayLine(event.pause), event.offset, event.pause,
                             event.keyCode});
        }
        lines.push_back({event.Release() ? EventLineKind::kKeyUp : EventLineKind::kKeyDown,
                         FormatKeyLine(table.Label(event.keyCode), event.Release()), event.offset,
                         event.pause, event.keyCode});
        return true;
    });
    return lines;
}

std::vector<EventLine> RenderMacroLines(const MacroRecord& record, const KeyCodeTable& table)
{
    return RenderEventLines(record.Events(), table);
}

std::uint8_t DelayCodeForPause(std::uint16_t pause)
{
    return pause >= kLongFormCode ? kLongFormCode : static_cast<std::uint8_t>(pause);
}

std::size_t WriteEvent(MacroEvents& events, std::size_t offset, bool release, std::uint16_t pause,
                       std::uint8_t usage, std::uint8_t keyCode)
{
    pause = std::min(pause, kMaxPause);
    const std::uint8_t delay = DelayCodeForPause(pause);
    const std::size_t size = delay == kLongFormCode ? kLongEventSize : kShortEventSize;
    // A key byte of 0 would end the events here and hide everything behind it.
    if (offset + size > kMacroEventArraySize || usage == 0 || keyCode == 0) return offset;
    const auto code = static_cast<std::uint8_t>((release ? kEventRelease : 0) | delay);
    for (EventArray* bytes : {&events.deviceEvents, &events.keyEvents}) {
        (*bytes)[offset] = code;
        if (size == kLongEventSize) {
            (*bytes)[offset + 2] = static_cast<std::uint8_t>(pause >> 8);
            (*bytes)[offset + 3] = static_cast<std::uint8_t>(pause & 0xFF);
        }
    }
    events.deviceEvents[offset + 1] = usage;
    events.keyEvents[offset + 1] = keyCode;
    return offset + size;
}

bool InsertShortEvent(MacroEvents& events, std::size_t offset, std::uint8_t code, std::uint8_t usage,
                      std::uint8_t keyCode)
{
    if (offset + kShortEventSize > kMacroEventArraySize || usage == 0 || keyCode == 0 ||
        (code & kDelayCodeMask) == kLongFormCode) {
        return false;
    }
    OpenGap(events.deviceEvents, offset, kShortEventSize);
    OpenGap(events.keyEvents, offset, kShortEventSize);
    events.deviceEvents[offset] = code;
    events.deviceEvents[offset + 1] = usage;
    events.keyEvents[offset] = code;
    events.keyEvents[offset + 1] = keyCode;
    DropCutEvent(events);
    return true;
}

bool SetEventPause(MacroEvents& events, std::size_t offset, std::uint16_t pause)
{
    MacroEvent event;
    if (!EventAt(events, offset, event)) return false;
    pause = std::min(pause, kMaxPause);
    const std::uint8_t delay = DelayCodeForPause(pause);
    const bool toLong = delay == kLongFormCode;
    // No room behind the key for the pause bytes: leave the event as it is.
    if (toLong && offset + kLongEventSize > kMacroEventArraySize) return false;
    for (EventArray* bytes : {&events.deviceEvents, &events.keyEvents}) {
        (*bytes)[offset] = static_cast<std::uint8_t>(((*bytes)[offset] & kEventRelease) | delay);
        if (event.LongForm() && !toLong) CloseGap(*bytes, offset + 2, 2);
        if (!event.LongForm() && toLong) OpenGap(*bytes, offset + 2, 2);
        if (toLong) {
            (*bytes)[offset + 2] = static_cast<std::uint8_t>(pause >> 8);
            (*bytes)[offset + 3] = static_cast<std::uint8_t>(pause & 0xFF);
        }
    }
    if (!event.LongForm() && toLong) DropCutEvent(events);
    return true;
}

bool RemoveEvent(MacroEvents& events, std::size_t offset)
{
    MacroEvent event;
    if (!EventAt(events, offset, event)) return false;
    CloseGap(events.deviceEvents, offset, event.size);
    CloseGap(events.keyEvents, offset, event.size);
    return true;
}

void ApplyFirstEventRule(MacroEvents& events)
{
    // Going through the pause setter also drops the pause bytes of a long first event, which
    // would otherwise be read as an event of their own.
    SetEventPause(events, 0, kNoDelayCode);
}

bool DropCutEvent(MacroEvents& events)
{
    const std::size_t end = EndOfData(events);
    if (end >= kMacroEventArraySize) return false;
    // The walk stopped on a proper end marker: nothing was cut.
    if (end + 1 < kMacroEventArraySize && events.deviceEvents[end + 1] == 0) return false;
    std::fill(events.deviceEvents.begin() + static_cast<std::ptrdiff_t>(end), events.deviceEvents.end(),
              std::uint8_t{0});
    std::fill(events.keyEvents.begin() + static_cast<std::ptrdiff_t>(end), events.keyEvents.end(),
              std::uint8_t{0});
    return true;
}

} // namespace corvane
