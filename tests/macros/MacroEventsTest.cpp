#include "macros/MacroEvents.h"

#include "MacroFileBuilder.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::MacroFileBuilder;

constexpr std::uint8_t kA = 'A', kB = 'B', kX = 'X';

std::vector<std::string> Texts(const std::vector<EventLine>& lines)
{
    std::vector<std::string> texts;
    for (const EventLine& line : lines)
        texts.push_back(line.text);
    return texts;
}

// Every way of addressing the events must agree with what the list shows: the line count, the
// offset of each event's first line, and the end of the data.
void ExpectLinesAndOffsetsAgree(const MacroEvents& events)
{
    const KeyCodeTable& table = StandardKeyCodeTable();
    const std::vector<EventLine> lines = RenderEventLines(events, table);
    ASSERT_EQ(CountLines(events), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool firstLineOfEvent = i == 0 || lines[i - 1].eventOffset != lines[i].eventOffset;
        if (firstLineOfEvent) {
            EXPECT_EQ(LineToOffset(events, i), lines[i].eventOffset) << "line " << i;
        }
        EXPECT_EQ(lines[i].kind == EventLineKind::kDelay, IsDelayLineText(lines[i].text)) << "line " << i;
    }
    EXPECT_EQ(LineToOffset(events, lines.size()), EndOfData(events));
    EXPECT_EQ(LineToOffset(events, lines.size() + 1), 0u);
}

// ---- Rendering

TEST(RenderEventLines, RecordingWithoutDelaysShowsOnlyKeyLines)
{
    MacroFileBuilder file;
    file.Macro(u"m").Tap(kA).Tap(kB).Press(0xF0).Release(0xF0);
    const auto lines = RenderEventLines(file.Events(), StandardKeyCodeTable());
    EXPECT_EQ(Texts(lines),
              (std::vector<std::string>{"A  dn", "A  up", "B  dn", "B  up", "MsLB dn", "MsLB up"}));
    EXPECT_EQ(lines[0].kind, EventLineKind::kKeyDown);
    EXPECT_EQ(lines[1].kind, EventLineKind::kKeyUp);
    EXPECT_EQ(lines[4].keyCode, 0xF0);
    EXPECT_EQ(lines[2].eventOffset, 4u);
}

TEST(RenderEventLines, DelayLinesPrecedeTheirKeyLines)
{
    MacroFileBuilder file;
    file.Macro(u"m", 1, true).Press(kA).Release(kA, 80).Press(kB, 80).Release(kB, 300);
    const MacroEvents events = file.Events();
    const auto lines = RenderEventLines(events, StandardKeyCodeTable());
    EXPECT_EQ(Texts(lines),
              (std::vector<std::string>{"A  dn", "80 ms", "A  up", "80 ms", "B  dn", "300 ms", "B  up"}));
    EXPECT_EQ(lines[5].kind, EventLineKind::kDelay);
    EXPECT_EQ(lines[5].pause, 300);
    EXPECT_EQ(lines[5].eventOffset, 6u);
    EXPECT_EQ(LineToOffset(events, 1), 2u);
    EXPECT_EQ(LineToOffset(events, 5), 6u);
    EXPECT_EQ(LineToOffset(events, 7), 10u);
    EXPECT_EQ(LineToOffset(events, 2), 0u); // inside an event: no boundary
    ExpectLinesAndOffsetsAgree(events);
}

TEST(RenderEventLines, LabelsComeFromTheKeyEventsArray)
{
    MacroFileBuilder file;
    // The arrays disagree only in the key byte: usage in one, virtual-key code in the other.
    file.Macro(u"m").Raw({0x01, 0x04, 0x81, 0x04}, {0x01, 0x70, 0x81, 0x70});
    EXPECT_EQ(Texts(RenderEventLines(file.Events(), StandardKeyCodeTable())),
              (std::vector<std::string>{"F1  dn", "F1  up"}));
    EXPECT_EQ(Texts(RenderMacroLines(file.Store()[0], StandardKeyCodeTable())),
              (std::vector<std::string>{"F1  dn", "F1  up"}));
}

TEST(RenderEventLines, EmptyArraysGiveNoLines)
{
    MacroEvents events;
    events.deviceEvents[0] = 0x01; // a code without a key is no event
    EXPECT_TRUE(RenderEventLines(events, StandardKeyCodeTable()).empty());
    EXPECT_EQ(CountLines(events), 0u);
    EXPECT_EQ(EndOfData(events), 0u);
    EXPECT_EQ(LineToOffset(events, 0), 0u);
}

// ---- One rule for lines, counts and offsets

TEST(EventLineCounting, ZeroMillisecondPauseCountsItsDelayLine)
{
    MacroFileBuilder file;
    file.Macro(u"m", 1, true).Press(kA).Press(kB, 0).Release(kB, 0).Release(kA, 40);
    const MacroEvents events = file.Events();
    EXPECT_EQ(Texts(RenderEventLines(events, StandardKeyCodeTable())),
              (std::vector<std::string>{"A  dn", "0 ms", "B  dn", "0 ms", "B  up", "40 ms", "A  up"}));
    EXPECT_EQ(CountLines(events), 7u);
    EXPECT_EQ(LineToOffset(events, 3), 4u);
    EXPECT_EQ(LineToOffset(events, 5), 6u);
    ExpectLinesAndOffsetsAgree(events);
}

TEST(EventLineCounting, FirstEventAndOneMillisecondLongFormAgreeWithTheList)
{
    // Written elsewhere: a first press with a pause, and a long event holding 1 ms.
    MacroFileBuilder file;
    file.Macro(u"m").Raw({0x32, 0x04, 0x7F, 0x05, 0x00, 0x01, 0xFF, 0x05, 0x00, 0xC8},
                         {0x32, kA, 0x7F, kB, 0x00, 0x01, 0xFF, kB, 0x00, 0xC8});
    const MacroEvents events = file.Events();
    EXPECT_EQ(Texts(RenderEventLines(events, StandardKeyCodeTable())),
              (std::vector<std::string>{"A  dn", "B  dn", "200 ms", "B  up"}));
    EXPECT_EQ(LineToOffset(events, 1), 2u);
    EXPECT_EQ(LineToOffset(events, 2), 6u);
    ExpectLinesAndOffsetsAgree(events);

    // A first release with a pause does show it.
    MacroFileBuilder release;
    release.Macro(u"m").Raw({0xB2, 0x04, 0x01, 0x05}, {0xB2, kA, 0x01, kB});
    EXPECT_EQ(Texts(RenderEventLines(release.Events(), StandardKeyCodeTable())),
              (std::vector<std::string>{"50 ms", "A  up", "B  dn"}));
    ExpectLinesAndOffsetsAgree(release.Events());
}

TEST(EventLineCounting, MixedAndFullArraysStayConsistent)
{
    MacroFileBuilder mixed;
    mixed.Macro(u"m", 1, true).Press(kA).Release(kA, 127).Press(kB, 2).Release(kB, 60000).Tap(0xF1);
    ExpectLinesAndOffsetsAgree(mixed.Events());

    MacroFileBuilder shorts;
    shorts.Macro(u"full");
    for (int i = 0; i < 95; ++i)
        shorts.Press(kA, i % 3 == 0 ? 1 : 20);
    const MacroEvents full = shorts.Events();
    EXPECT_EQ(EndOfData(full), 190u);
    EXPECT_EQ(LineToOffset(full, CountLines(full)), 190u);
    ExpectLinesAndOffsetsAgree(full);

    MacroFileBuilder endsLong;
    endsLong.Macro(u"full");
    for (int i = 0; i < 93; ++i)
        endsLong.Press(kA);
    endsLong.Release(kA, 5000);
    ASSERT_EQ(endsLong.Offset(), 190u);
    const auto lines = RenderEventLines(endsLong.Events(), StandardKeyCodeTable());
    ASSERT_EQ(lines.size(), 95u);
    EXPECT_EQ(lines[93].text, "5000 ms");
    ExpectLinesAndOffsetsAgree(endsLong.Events());
}

TEST(EventLineCounting, LongEventCutAtTheEndIsDropped)
{
    MacroFileBuilder file;
    file.Macro(u"m");
    for (int i = 0; i < 94; ++i)
        file.Press(kA);
    file.Raw({0xFF, 0x05}, {0xFF, kB});
    MacroEvents events = file.Events();
    const auto lines = RenderEventLines(events, StandardKeyCodeTable());
    EXPECT_EQ(lines.size(), 94u);
    EXPECT_EQ(lines.back().text, "A  dn");
    EXPECT_EQ(EndOfData(events), 188u);
    ExpectLinesAndOffsetsAgree(events);

    EXPECT_TRUE(DropCutEvent(events));
    EXPECT_EQ(events.deviceEvents[188], 0);
    EXPECT_EQ(events.keyEvents[189], 0);
    EXPECT_FALSE(DropCutEvent(events));
}

TEST(EventLineCounting, GarbageEverywhereNeverReadsPastTheEnd)
{
    MacroEvents events;
    events.deviceEvents.fill(0xFF); // every event long, the last one cut
    events.keyEvents.fill(0xFF);
    const auto parsed = ParseEvents(events);
    ASSERT_EQ(parsed.size(), 47u);
    EXPECT_EQ(parsed.back().offset, 184u);
    EXPECT_EQ(parsed.back().pause, 0xFFFF);
    ExpectLinesAndOffsetsAgree(events);

    events.deviceEvents.fill(0x05);
    events.keyEvents.fill(0x05);
    EXPECT_EQ(ParseEvents(events).size(), 95u);
    ExpectLinesAndOffsetsAgree(events);
}

// ---- Writing events

TEST(WriteEvent, ChoosesShortOrLongFormByPause)
{
    MacroEvents events;
    std::size_t offset = WriteEvent(events, 0, false, 0, 0x04, kA);
    offset = WriteEvent(events, offset, true, 126, 0x04, kA);
    offset = WriteEvent(events, offset, false, 127, 0x05, kB);
    offset = WriteEvent(events, offset, true, 300, 0x05, kB);
    offset = WriteEvent(events, offset, false, 65000, 0x05, kB);
    EXPECT_EQ(offset, 16u);
    const std::vector<std::uint8_t> device(events.deviceEvents.begin(), events.deviceEvents.begin() + 17);
    EXPECT_EQ(device, (std::vector<std::uint8_t>{0x00, 0x04, 0xFE, 0x04, 0x7F, 0x05, 0x00, 0x7F, 0xFF, 0x05,
                                                 0x01, 0x2C, 0x7F, 0x05, 0xEA, 0x60, 0x00}));
    EXPECT_EQ(events.keyEvents[9], kB);
    EXPECT_EQ(events.keyEvents[10], 0x01);
    EXPECT_EQ(events.keyEvents[11], 0x2C);
}

TEST(WriteEvent, RefusesWhatDoesNotFitOrWouldEndTheEvents)
{
    MacroEvents events;
    // With 182 bytes used a long press and a long release still fit; nothing more does.
    EXPECT_EQ(WriteEvent(events, 182, false, 500, 0x04, kA), 186u);
    EXPECT_EQ(WriteEvent(events, 186, true, 500, 0x04, kA), 190u);
    const MacroEvents before = events;
    EXPECT_EQ(WriteEvent(events, 188, false, 500, 0x04, kA), 188u);
    EXPECT_EQ(WriteEvent(events, 190, false, 1, 0x04, kA), 190u);
    EXPECT_EQ(WriteEvent(events, 0, false, 1, 0x00, kA), 0u);
    EXPECT_EQ(events, before);
}

// ---- Editing events

TEST(EditEvents, InsertShiftsBothArraysAndDropsTheTail)
{
    MacroFileBuilder file;
    file.Macro(u"m").Tap(kA);
    MacroEvents events = file.Events();
    ASSERT_TRUE(InsertShortEvent(events, 2, 0x01, 0xF0, 0xF0));
    ASSERT_TRUE(InsertShortEvent(events, 4, 0x81, 0xF0, 0xF0));
    EXPECT_EQ(Texts(RenderEventLines(events, StandardKeyCodeTable())),
              (std::vector<std::string>{"A  dn", "MsLB dn", "MsLB up", "A  up"}));
    EXPECT_EQ(events.keyEvents[7], kA);
    EXPECT_EQ(events.deviceEvents[7], 0x04);

    // A long event pushed half out of the arrays goes whole.
    MacroFileBuilder full;
    full.Macro(u"m");
    for (int i = 0; i < 93; ++i)
        full.Press(kA);
    full.Release(kB, 1000);
    events = full.Events();
    ASSERT_TRUE(InsertShortEvent(events, 0, 0x01, 0x1B, kX));
    EXPECT_EQ(EndOfData(events), 188u);
    EXPECT_EQ(events.deviceEvents[188], 0);
    EXPECT_EQ(events.deviceEvents[189], 0);
    EXPECT_EQ(events.keyEvents[188], 0);

    const MacroEvents before = events;
    EXPECT_FALSE(InsertShortEvent(events, 190, 0x01, 0x04, kA));
    EXPECT_FALSE(InsertShortEvent(events, 0, 0x01, 0x00, kA));
    EXPECT_FALSE(InsertShortEvent(events, 0, 0x7F, 0x04, kA));
    EXPECT_EQ(events, before);
}

TEST(EditEvents, PauseChangesSwitchFormAndKeepTheRest)
{
    MacroFileBuilder file;
    file.Macro(u"m", 1, true).Press(kA).Release(kA, 50).Tap(kB);
    MacroEvents events = file.Events();

    ASSERT_TRUE(SetEventPause(events, 2, 1000));
    EXPECT_EQ(events.deviceEvents[2], 0xFF);
    EXPECT_EQ(events.deviceEvents[4], 0x03);
    EXPECT_EQ(events.deviceEvents[5], 0xE8);
    EXPECT_EQ(events.keyEvents[3], kA);
    EXPECT_EQ(events.keyEvents[5], 0xE8);
    EXPECT_EQ(events.keyEvents[7], kB); // B moved back by two
    EXPECT_EQ(EndOfData(events), 10u);

    ASSERT_TRUE(SetEventPause(events, 2, 50));
    EXPECT_EQ(events, file.Events());

    ASSERT_TRUE(SetEventPause(events, 2, 65535));
    EXPECT_EQ(ParseEvents(events)[1].pause, 60000);
    EXPECT_FALSE(SetEventPause(events, 10, 50)); // no event there
}

TEST(EditEvents, LastShortEventCannotGrowPastTheEnd)
{
    MacroFileBuilder file;
    file.Macro(u"m");
    for (int i = 0; i < 95; ++i)
        file.Press(kA);
    MacroEvents events = file.Events();
    const MacroEvents before = events;
    EXPECT_FALSE(SetEventPause(events, 188, 300));
    EXPECT_EQ(events, before);
    EXPECT_TRUE(SetEventPause(events, 188, 30));
    EXPECT_EQ(events.deviceEvents[188], 30);
}

TEST(EditEvents, RemoveAndFirstEventRule)
{
    MacroFileBuilder file;
    file.Macro(u"m", 1, true).Press(kA).Release(kA, 400).Press(kB, 20).Release(kB, 0);
    MacroEvents events = file.Events();

    // Removing the first event makes a long event the first: it loses its pause bytes and does
    // not turn them into an event of their own.
    ASSERT_TRUE(RemoveEvent(events, 0));
    ApplyFirstEventRule(events);
    EXPECT_EQ(Texts(RenderEventLines(events, StandardKeyCodeTable())),
              (std::vector<std::string>{"A  up", "20 ms", "B  dn", "0 ms", "B  up"}));
    EXPECT_EQ(events.deviceEvents[0], 0x81);
    EXPECT_EQ(events.keyEvents[0], 0x81);
    EXPECT_EQ(EndOfData(events), 6u);
    EXPECT_TRUE(std::all_of(events.deviceEvents.begin() + 6, events.deviceEvents.end(),
                            [](std::uint8_t b) { return b == 0; }));

    EXPECT_FALSE(RemoveEvent(events, 6));
    MacroEvents empty;
    ApplyFirstEventRule(empty);
    EXPECT_EQ(empty, MacroEvents{});
}

} // namespace
} // namespace corvane
