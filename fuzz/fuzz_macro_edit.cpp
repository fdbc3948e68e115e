// The macro event walkers and every edit of events and records.
//
// Input: a flag byte, then up to 190 device-event bytes and the key bytes of the events found in
// them (the key array otherwise mirrors the device array, as recorded macros do), then a sequence
// of operations, each an opcode byte and its arguments. After every operation the events must
// still agree with their line mapping and rendering, the two arrays must stay in step, and no
// edit may write outside its arrays (guard bytes on both sides).

#include "FuzzSupport.h"

#include "format/KeyCodeTable.h"
#include "macros/MacroEvents.h"
#include "macros/MacroStore.h"
#include "text/Utf16.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

using namespace corvane;
using namespace corvane::fuzz;

namespace {

constexpr std::uint8_t kGuard = 0xE7;
constexpr std::size_t kGuardSize = 64;

struct GuardedEvents
{
    std::array<std::uint8_t, kGuardSize> before;
    MacroEvents events;
    std::array<std::uint8_t, kGuardSize> after;
};

struct GuardedStore
{
    std::array<std::uint8_t, kGuardSize> before;
    MacroStore store;
    std::array<std::uint8_t, kGuardSize> after;
};

template <typename T> void FillGuards(T& guarded)
{
    guarded.before.fill(kGuard);
    guarded.after.fill(kGuard);
}

template <typename T> void CheckGuards(const T& guarded)
{
    for (std::size_t i = 0; i < kGuardSize; ++i) {
        FUZZ_CHECK(guarded.before[i] == kGuard);
        FUZZ_CHECK(guarded.after[i] == kGuard);
    }
}

// Where events start, plus the end of the data: the places an edit may aim at.
std::vector<std::size_t> Boundaries(const std::vector<MacroEvent>& list, std::size_t end)
{
    std::vector<std::size_t> at;
    for (const MacroEvent& e : list)
        at.push_back(e.offset);
    at.push_back(end);
    return at;
}

bool SameEvent(const MacroEvent& a, const MacroEvent& b, std::ptrdiff_t shift)
{
    return static_cast<std::ptrdiff_t>(a.offset) + shift == static_cast<std::ptrdiff_t>(b.offset) &&
           a.size == b.size && a.code == b.code && a.usage == b.usage && a.keyCode == b.keyCode &&
           a.pause == b.pause;
}

// The events from `from` on, moved by `shift`, must follow in `now` from `nowFrom`; when they
// moved back (shift > 0) those that no longer fit may have fallen off, nothing else.
void CheckMoved(const std::vector<MacroEvent>& old, std::size_t from, const std::vector<MacroEvent>& now,
                std::size_t nowFrom, std::ptrdiff_t shift)
{
    std::size_t j = nowFrom;
    for (std::size_t i = from; i < old.size(); ++i, ++j) {
        const MacroEvent& e = old[i];
        const bool fits = static_cast<std::ptrdiff_t>(e.offset + e.size) + shift <=
                          static_cast<std::ptrdiff_t>(kMacroEventArraySize);
        if (!fits) {
            FUZZ_CHECK(shift > 0);
            FUZZ_CHECK(now.size() == j); // the first that does not fit ends the events
            return;
        }
        FUZZ_CHECK(j < now.size());
        FUZZ_CHECK(SameEvent(e, now[j], shift));
    }
}

void CheckPrefix(const std::vector<MacroEvent>& old, const std::vector<MacroEvent>& now, std::size_t count)
{
    FUZZ_CHECK(now.size() >= count);
    for (std::size_t i = 0; i < count; ++i)
        FUZZ_CHECK(SameEvent(old[i], now[i], 0));
}

// Line numbers, offsets and rendered lines tell the same story.
void CheckConsistent(const MacroEvents& events, const KeyCodeTable& codes)
{
    const auto list = ParseEvents(events);
    const std::size_t end = EndOfData(events);
    const std::size_t lines = CountLines(events);
    const auto rendered = RenderEventLines(events, codes);
    FUZZ_CHECK(end <= kMacroEventArraySize);
    FUZZ_CHECK(rendered.size() == lines);
    FUZZ_CHECK(LineToOffset(events, lines) == end);
    FUZZ_CHECK(LineToOffset(events, lines + 1) == 0);
    std::size_t line = 0;
    std::size_t expectOffset = 0;
    for (const MacroEvent& e : list) {
        FUZZ_CHECK(e.offset == expectOffset);
        FUZZ_CHECK(e.size == kShortEventSize || e.size == kLongEventSize);
        FUZZ_CHECK(e.offset + e.size <= kMacroEventArraySize);
        FUZZ_CHECK(e.usage != 0);
        FUZZ_CHECK(LineToOffset(events, line) == e.offset);
        for (std::size_t k = 0; k < e.LineCount(); ++k) {
            const EventLine& shown = rendered[line + k];
            FUZZ_CHECK(shown.eventOffset == e.offset);
            const bool delayLine = e.HasDelayLine() && k == 0;
            FUZZ_CHECK((shown.kind == EventLineKind::kDelay) == delayLine);
            FUZZ_CHECK(IsDelayLineText(shown.text) == delayLine);
        }
        // The key line of a two-line event is no event boundary.
        if (e.LineCount() == 2) FUZZ_CHECK(LineToOffset(events, line + 1) == 0);
        line += e.LineCount();
        expectOffset += e.size;
    }
    FUZZ_CHECK(expectOffset == end);
}

// The arrays differ only in the key bytes of the events.
void CheckInStep(const MacroEvents& events)
{
    std::set<std::size_t> keyBytes;
    for (const MacroEvent& e : ParseEvents(events))
        keyBytes.insert(e.offset + 1);
    for (std::size_t i = 0; i < kMacroEventArraySize; ++i)
        if (!keyBytes.count(i)) FUZZ_CHECK(events.deviceEvents[i] == events.keyEvents[i]);
}

std::size_t PickBoundary(InputReader& in, const MacroEvents& events)
{
    const auto at = Boundaries(ParseEvents(events), EndOfData(events));
    return at[in.Byte() % at.size()];
}

void EditEvents(InputReader& in, GuardedEvents& g, const KeyCodeTable& codes)
{
    MacroEvents& events = g.events;
    const auto old = ParseEvents(events);
    const MacroEvents before = events;
    const std::uint8_t op = in.Byte() % 7;
    switch (op) {
    case 0: { // append with WriteEvent, as the recorder does
        const std::size_t end = EndOfData(events);
        const bool release = in.Bit();
        const std::uint16_t pause = in.U16();
        const std::uint8_t usage = in.Byte();
        const std::uint8_t key = in.Byte();
        const std::size_t next = WriteEvent(events, end, release, pause, usage, key);
        if (next == end) {
            FUZZ_CHECK(events == before);
        } else {
            const std::size_t size =
                std::min(pause, kMaxPause) >= kLongFormCode ? kLongEventSize : kShortEventSize;
            FUZZ_CHECK(next == end + size && next <= kMacroEventArraySize);
            MacroEvent written;
            const auto now = ParseEvents(events);
            CheckPrefix(old, now, old.size());
            FUZZ_CHECK(now.size() > old.size());
            written = now[old.size()];
            FUZZ_CHECK(written.offset == end && written.usage == usage && written.keyCode == key);
            FUZZ_CHECK(written.Release() == release && written.pause == std::min(pause, kMaxPause));
        }
        break;
    }
    case 1: { // insert a short event at a boundary
        const std::size_t at = PickBoundary(in, events);
        const std::uint8_t code = in.Byte();
        const std::uint8_t usage = in.Byte();
        const std::uint8_t key = in.Byte();
        const bool done = InsertShortEvent(events, at, code, usage, key);
        const bool allowed = at + kShortEventSize <= kMacroEventArraySize && usage != 0 && key != 0 &&
                             (code & kDelayCodeMask) != kLongFormCode;
        FUZZ_CHECK(done == allowed);
        if (!done) {
            FUZZ_CHECK(events == before);
            break;
        }
        const auto now = ParseEvents(events);
        std::size_t index = 0;
        while (index < old.size() && old[index].offset < at)
            ++index;
        CheckPrefix(old, now, index);
        FUZZ_CHECK(now.size() > index);
        FUZZ_CHECK(now[index].offset == at && now[index].code == code && now[index].usage == usage &&
                   now[index].keyCode == key && now[index].size == kShortEventSize);
        CheckMoved(old, index, now, index + 1, 2);
        break;
    }
    case 2: { // change a pause
        const std::size_t at = PickBoundary(in, events);
        const std::uint16_t pause = in.U16();
        std::size_t index = 0;
        while (index < old.size() && old[index].offset < at)
            ++index;
        const bool isEvent = index < old.size();
        const bool done = SetEventPause(events, at, pause);
        if (!isEvent) FUZZ_CHECK(!done);
        if (!done) {
            FUZZ_CHECK(events == before);
            break;
        }
        const auto now = ParseEvents(events);
        CheckPrefix(old, now, index);
        const MacroEvent& e = now[index];
        const MacroEvent& was = old[index];
        FUZZ_CHECK(e.offset == at && e.usage == was.usage && e.keyCode == was.keyCode);
        FUZZ_CHECK(e.Release() == was.Release() && e.pause == std::min(pause, kMaxPause));
        CheckMoved(old, index + 1, now, index + 1,
                   static_cast<std::ptrdiff_t>(e.size) - static_cast<std::ptrdiff_t>(was.size));
        break;
    }
    case 3: { // remove an event: bytes behind move up, zeros come in at the end
        const std::size_t at = PickBoundary(in, events);
        std::size_t index = 0;
        while (index < old.size() && old[index].offset < at)
            ++index;
        const bool done = RemoveEvent(events, at);
        FUZZ_CHECK(done == (index < old.size()));
        if (!done) {
            FUZZ_CHECK(events == before);
            break;
        }
        const std::size_t size = old[index].size;
        for (const auto& [was, now] : {std::pair{&before.deviceEvents, &events.deviceEvents},
                                       std::pair{&before.keyEvents, &events.keyEvents}}) {
            for (std::size_t i = 0; i < kMacroEventArraySize; ++i) {
                const std::uint8_t expect = i < at                            ? (*was)[i]
                                            : i + size < kMacroEventArraySize ? (*was)[i + size]
                                                                              : 0;
                FUZZ_CHECK((*now)[i] == expect);
            }
        }
        const auto now = ParseEvents(events);
        CheckPrefix(old, now, index);
        CheckMoved(old, index + 1, now, index, -static_cast<std::ptrdiff_t>(size));
        break;
    }
    case 4: { // the first event never waits
        ApplyFirstEventRule(events);
        const auto now = ParseEvents(events);
        if (old.empty()) {
            FUZZ_CHECK(events == before);
        } else {
            FUZZ_CHECK(!now.empty());
            FUZZ_CHECK(now[0].size == kShortEventSize && now[0].pause == kNoDelayCode);
            FUZZ_CHECK(now[0].Release() == old[0].Release() && now[0].keyCode == old[0].keyCode);
            FUZZ_CHECK(!now[0].HasDelayLine());
        }
        break;
    }
    case 5: { // edits at any offset at all must stay inside the arrays
        // On a copy: the arrays may now disagree in ways no caller produces.
        auto copy = std::make_unique<GuardedEvents>(g);
        const std::size_t at = in.Byte();
        const std::uint16_t pause = in.U16();
        switch (in.Byte() % 4) {
        case 0:
            SetEventPause(copy->events, at, pause);
            break;
        case 1:
            RemoveEvent(copy->events, at);
            break;
        case 2:
            WriteEvent(copy->events, at, (pause & 1) != 0, pause, in.Byte(), in.Byte());
            break;
        default:
            InsertShortEvent(copy->events, at, static_cast<std::uint8_t>(pause & 0x3F), in.Byte(), in.Byte());
        }
        CheckGuards(*copy);
        CheckConsistent(copy->events, codes);
        break;
    }
    default: {
        const bool dropped = DropCutEvent(events);
        FUZZ_CHECK(!DropCutEvent(events));
        if (!dropped) FUZZ_CHECK(events == before);
        CheckPrefix(old, ParseEvents(events), old.size());
    }
    }
    CheckGuards(g);
    CheckConsistent(events, codes);
    CheckInStep(events);
}

// Record-level edits on a whole store.
void EditStore(InputReader& in, GuardedStore& g)
{
    MacroStore& store = g.store;
    auto before = std::make_unique<MacroStore>(store);
    const std::size_t inUse = store.CountInUse();
    const std::size_t index = in.Byte();
    switch (in.Byte() % 4) {
    case 0: {
        InsertEmptyRecord(store, index);
        if (index >= kMacroRecordCount) {
            FUZZ_CHECK(store == *before);
            break;
        }
        for (std::size_t i = 0; i < kMacroRecordCount; ++i) {
            if (i < index)
                FUZZ_CHECK(store[i] == (*before)[i]);
            else if (i == index)
                FUZZ_CHECK(store[i] == MacroRecord{});
            else
                FUZZ_CHECK(store[i] == (*before)[i - 1]);
        }
        break;
    }
    case 1: {
        const bool done = DeleteRecord(store, index);
        FUZZ_CHECK(done == (index < inUse));
        if (!done) {
            FUZZ_CHECK(store == *before);
            break;
        }
        FUZZ_CHECK(store.CountInUse() == inUse - 1);
        for (std::size_t i = 0; i < kMacroRecordCount; ++i) {
            if (i < index)
                FUZZ_CHECK(store[i] == (*before)[i]);
            else if (i + 1 < inUse)
                FUZZ_CHECK(store[i] == (*before)[i + 1]);
            else if (i + 1 == inUse)
                FUZZ_CHECK(store[i] == MacroRecord{});
        }
        break;
    }
    case 2: {
        std::u16string name;
        const std::size_t length = in.Byte() + (in.Bit() ? 200 : 0);
        for (std::size_t i = 0; i < length; ++i)
            name.push_back(static_cast<char16_t>(in.U16()));
        const bool loop = in.Bit();
        const std::uint16_t count = in.U16();
        const bool delay = in.Bit();
        MacroEvents events;
        const auto bytes = in.Take(kMacroEventArraySize);
        std::copy(bytes.begin(), bytes.end(), events.deviceEvents.begin());
        events.keyEvents = events.deviceEvents;
        const int selected = static_cast<int>(index) - 8;
        WriteBackRecord(store, selected, name, loop, count, delay, events);
        if (selected < 0 || selected >= static_cast<int>(kMacroRecordCount)) {
            FUZZ_CHECK(store == *before);
            break;
        }
        const MacroRecord& r = store[static_cast<std::size_t>(selected)];
        const std::u16string stored = r.Name();
        if (name.empty()) {
            FUZZ_CHECK(stored == (*before)[static_cast<std::size_t>(selected)].Name());
        } else {
            FUZZ_CHECK(stored.size() <= kMacroNameMaxLength);
            const std::size_t nul = name.find(u'\0');
            const std::u16string visible = name.substr(0, nul);
            FUZZ_CHECK(visible.compare(0, stored.size(), stored) == 0);
            // Cut to the field, at most one more unit for a surrogate pair.
            FUZZ_CHECK(stored.size() + 1 >= std::min(visible.size(), kMacroNameMaxLength));
            // A cut never leaves half a surrogate pair at the end.
            if (stored.size() < visible.size() && !stored.empty())
                FUZZ_CHECK(!(stored.back() >= 0xD800 && stored.back() <= 0xDBFF));
        }
        FUZZ_CHECK(r.RepeatCount() == (loop ? count : 1));
        FUZZ_CHECK(r.DelayOption() == delay);
        FUZZ_CHECK(r.Events() == events);
        for (std::size_t i = 0; i < kMacroRecordCount; ++i)
            if (i != static_cast<std::size_t>(selected)) FUZZ_CHECK(store[i] == (*before)[i]);
        break;
    }
    default: {
        const auto names = store.Names();
        const std::u16string next = NextFreeMacroName(names);
        FUZZ_CHECK(std::find(names.begin(), names.end(), next) == names.end());
        // Names go out as UTF-8 and come back the same, bar unpaired surrogates.
        for (const std::u16string& name : names) {
            const std::u16string back = Utf8ToUtf16(Utf16ToUtf8(name));
            FUZZ_CHECK(back.size() <= name.size());
            if (std::none_of(name.begin(), name.end(), [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }))
                FUZZ_CHECK(back == name);
        }
    }
    }
    CheckGuards(g);
    FUZZ_CHECK(store.Names().size() == store.CountInUse());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const KeyCodeTable& codes = StandardKeyCodeTable();
    InputReader in(data, size);
    const std::uint8_t flags = in.Byte();

    auto g = std::make_unique<GuardedEvents>();
    FillGuards(*g);
    const auto device = in.Take(kMacroEventArraySize);
    std::copy(device.begin(), device.end(), g->events.deviceEvents.begin());
    g->events.keyEvents = g->events.deviceEvents;
    for (const MacroEvent& e : ParseEvents(g->events))
        if ((flags & 1) != 0) g->events.keyEvents[e.offset + 1] = in.Byte();
    CheckConsistent(g->events, codes);
    CheckInStep(g->events);

    if ((flags & 2) == 0) {
        while (!in.Empty())
            EditEvents(in, *g, codes);
        return 0;
    }

    // Store mode: a few records from the input, then record edits mixed with event edits on them.
    auto store = std::make_unique<GuardedStore>();
    FillGuards(*store);
    const std::size_t records = flags >> 2;
    for (std::size_t i = 0; i < records && i < kMacroRecordCount; ++i) {
        MacroRecord& r = store->store[i];
        r.SetName(u"Macro_" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)));
        r.SetRepeatCount(in.U16());
        r.SetEvents(g->events);
    }
    while (!in.Empty()) {
        if (in.Bit()) {
            EditStore(in, *store);
        } else {
            const std::size_t at = in.Byte() % kMacroRecordCount;
            g->events = store->store[at].Events();
            EditEvents(in, *g, codes);
            if (in.Bit()) store->store[at].SetEvents(g->events);
        }
    }
    return 0;
}
