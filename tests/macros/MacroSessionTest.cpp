#include "macros/MacroSession.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace corvane {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kA = 'A', kB = 'B', kX = 'X', kShift = 160, kCtrl = 162;

// A counter the test moves by hand.
struct ManualClock
{
    std::chrono::steady_clock::time_point now{};
    MacroClock Source()
    {
        return [this] { return now; };
    }
};

std::vector<std::string> Texts(const MacroSession& session)
{
    std::vector<std::string> texts;
    for (const EventLine& line : session.Lines())
        texts.push_back(line.text);
    return texts;
}

std::vector<std::uint8_t> Bytes(const EventArray& array, std::size_t count)
{
    return {array.begin(), array.begin() + static_cast<std::ptrdiff_t>(count)};
}

// The two arrays agree outside the key bytes, the lines are what rendering gives, and appending
// continues at the end of the data.
void ExpectInStep(const MacroSession& session)
{
    const MacroEvents& events = session.Events();
    const std::vector<MacroEvent> parsed = ParseEvents(events);
    std::vector<bool> keyByte(kMacroEventArraySize, false);
    for (const MacroEvent& event : parsed) {
        keyByte[event.offset + 1] = true;
        EXPECT_EQ(event.usage, StandardKeyCodeTable().Usage(event.keyCode)) << "offset " << event.offset;
    }
    for (std::size_t i = 0; i < kMacroEventArraySize; ++i) {
        if (!keyByte[i]) {
            EXPECT_EQ(events.deviceEvents[i], events.keyEvents[i]) << "byte " << i;
        }
    }
    const std::size_t end = EndOfData(events);
    for (std::size_t i = end; i < kMacroEventArraySize; ++i)
        EXPECT_EQ(events.deviceEvents[i], 0) << "byte " << i << " behind the end";
    if (!parsed.empty()) {
        EXPECT_EQ(parsed.front().code & kDelayCodeMask, kNoDelayCode);
    }
    const auto rendered = RenderEventLines(events, StandardKeyCodeTable());
    ASSERT_EQ(session.Lines().size(), rendered.size());
    for (std::size_t i = 0; i < rendered.size(); ++i)
        EXPECT_EQ(session.Lines()[i].text, rendered[i].text);
    EXPECT_EQ(session.AppendOffset(), end);
}

// Taps of A and B without pauses, n events (2n bytes).
MacroEvents ShortEvents(int n)
{
    MacroEvents events;
    std::size_t offset = 0;
    const KeyCodeTable& table = StandardKeyCodeTable();
    for (int i = 0; i < n; ++i) {
        const std::uint8_t key = (i / 2) % 2 == 0 ? kA : kB;
        offset = WriteEvent(events, offset, i % 2 == 1, kNoDelayCode, table.Usage(key), key);
    }
    return events;
}

TEST(PauseMilliseconds, TruncatesMicrosecondsAndCaps)
{
    struct Case
    {
        std::chrono::steady_clock::duration elapsed;
        std::uint16_t ms;
    };
    const Case cases[] = {
        {0ns, 0},         {999us, 0},   {1000us, 1}, {126999us, 126}, {127ms, 127},
        {60000ms, 60000}, {90s, 60000}, {-5ms, 0},   {1999999ns, 1},  {std::chrono::hours(24 * 40), 60000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PauseMilliseconds(c.elapsed), c.ms) << c.elapsed.count();
}

// Press A, wait, release A, wait, press B, wait, release B: the codes and lines for each pause.
TEST(MacroSessionRecord, PausesTakeTheShortOrLongFormAtTheThresholds)
{
    struct Case
    {
        const char* name;
        bool delay;
        std::chrono::microseconds pause;
        std::vector<std::uint8_t> device; // with A = 0x04, B = 0x05
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"no delay option",
         false,
         300ms,
         {0x01, 0x04, 0x81, 0x04, 0x01, 0x05, 0x81, 0x05},
         {"A  dn", "A  up", "B  dn", "B  up"}},
        {"80 ms",
         true,
         80ms,
         {0x01, 0x04, 0xD0, 0x04, 0x50, 0x05, 0xD0, 0x05},
         {"A  dn", "80 ms", "A  up", "80 ms", "B  dn", "80 ms", "B  up"}},
        {"126 ms short",
         true,
         126ms,
         {0x01, 0x04, 0xFE, 0x04, 0x7E, 0x05, 0xFE, 0x05},
         {"A  dn", "126 ms", "A  up", "126 ms", "B  dn", "126 ms", "B  up"}},
        {"127 ms long",
         true,
         127ms,
         {0x01, 0x04, 0xFF, 0x04, 0x00, 0x7F, 0x7F, 0x05, 0x00, 0x7F, 0xFF, 0x05, 0x00, 0x7F},
         {"A  dn", "127 ms", "A  up", "127 ms", "B  dn", "127 ms", "B  up"}},
        {"90 s capped",
         true,
         90s,
         {0x01, 0x04, 0xFF, 0x04, 0xEA, 0x60, 0x7F, 0x05, 0xEA, 0x60, 0xFF, 0x05, 0xEA, 0x60},
         {"A  dn", "60000 ms", "A  up", "60000 ms", "B  dn", "60000 ms", "B  up"}},
        // Within one millisecond: a pause of 0 that shows and counts as its own line.
        {"0 ms",
         true,
         400us,
         {0x01, 0x04, 0x80, 0x04, 0x00, 0x05, 0x80, 0x05},
         {"A  dn", "0 ms", "A  up", "0 ms", "B  dn", "0 ms", "B  up"}},
        // 1 ms is the no-pause code: no delay line.
        {"1 ms",
         true,
         1ms,
         {0x01, 0x04, 0x81, 0x04, 0x01, 0x05, 0x81, 0x05},
         {"A  dn", "A  up", "B  dn", "B  up"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock;
        MacroSession session(StandardKeyCodeTable(), clock.Source());
        session.SetDelayOption(c.delay);
        session.StartRecording();
        clock.now += 5s; // before the first key: never a pause
        EXPECT_EQ(session.Record(kA, false), KeyOutcome::kAppended);
        clock.now += c.pause;
        EXPECT_EQ(session.Record(kA, true), KeyOutcome::kAppended);
        clock.now += c.pause;
        EXPECT_EQ(session.Record(kB, false), KeyOutcome::kAppended);
        clock.now += c.pause;
        EXPECT_EQ(session.Record(kB, true), KeyOutcome::kAppended);
        EXPECT_EQ(Bytes(session.Events().deviceEvents, c.device.size() + 2), [&] {
            auto bytes = c.device;
            bytes.insert(bytes.end(), {0, 0});
            return bytes;
        }());
        EXPECT_EQ(Texts(session), c.lines);
        EXPECT_EQ(session.Events().keyEvents[1], kA);
        ExpectInStep(session);
    }
}

TEST(MacroSessionRecord, KeyRepeatsAreIgnoredAndDoNotRestartThePause)
{
    ManualClock clock;
    MacroSession session(StandardKeyCodeTable(), clock.Source());
    session.SetDelayOption(true);
    session.StartRecording();
    EXPECT_EQ(session.Record(kA, false), KeyOutcome::kAppended);
    for (int i = 0; i < 60; ++i) {
        clock.now += 33ms;
        EXPECT_EQ(session.Record(kA, false), KeyOutcome::kIgnored);
    }
    clock.now += 20ms;
    EXPECT_EQ(session.Record(kA, true), KeyOutcome::kAppended);
    // The pause runs from the first press, not from the repeats.
    EXPECT_EQ(Texts(session), (std::vector<std::string>{"A  dn", "2000 ms", "A  up"}));
}

// Pauses from the input's own event times: the program's delay in handling a key (the clock moves
// by a random-looking amount) never enters them; an event without a time falls back to the clock.
TEST(MacroSessionRecord, PausesComeFromTheInputsEventTimes)
{
    struct Key
    {
        std::uint8_t key;
        bool release;
        std::optional<std::uint32_t> time;
        std::chrono::milliseconds handledAfter; // the clock's step before the key is handled
    };
    struct Case
    {
        const char* name;
        std::vector<Key> keys;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"server times, handled late",
         {{kA, false, 5000, 17ms}, {kA, true, 5080, 3ms}, {kB, false, 5380, 40ms}, {kB, true, 5500, 1ms}},
         {"A  dn", "80 ms", "A  up", "300 ms", "B  dn", "120 ms", "B  up"}},
        {"the 32-bit time wraps between two keys",
         {{kA, false, 0xFFFFFFC0u, 5ms}, {kA, true, 0x00000010u, 5ms}, {kB, false, 0x0000012Cu, 5ms}},
         {"A  dn", "80 ms", "A  up", "284 ms", "B  dn"}},
        {"a time that goes backwards is no pause; a long one is at most 60000 ms",
         {{kA, false, 9000, 1ms}, {kA, true, 8990, 1ms}, {kB, false, 8990 + 90000, 1ms}},
         {"A  dn", "0 ms", "A  up", "60000 ms", "B  dn"}},
        {"a key repeat neither counts nor restarts the pause",
         {{kA, false, 100, 1ms}, {kA, false, 600, 1ms}, {kA, false, 633, 1ms}, {kA, true, 2100, 1ms}},
         {"A  dn", "2000 ms", "A  up"}},
        {"an event without a time is measured by the clock",
         {{kA, false, 100, 1ms}, {kA, true, std::nullopt, 70ms}, {kB, false, 400, 9ms}, {kB, true, 460, 9ms}},
         {"A  dn", "70 ms", "A  up", "9 ms", "B  dn", "60 ms", "B  up"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock;
        MacroSession session(StandardKeyCodeTable(), clock.Source());
        session.SetDelayOption(true);
        session.StartRecording();
        for (const Key& k : c.keys) {
            clock.now += k.handledAfter;
            session.Record(k.key, k.release, k.time);
        }
        EXPECT_EQ(Texts(session), c.lines);
        ExpectInStep(session);
    }
}

TEST(MacroSessionRecord, StartingARecordingEmptiesTheMacro)
{
    MacroSession session(StandardKeyCodeTable());
    session.StartRecording();
    session.Record(kA, false);
    session.Record(kA, true);
    session.StopRecording();
    session.StartCapture(0);
    session.StartRecording();
    EXPECT_TRUE(session.Lines().empty());
    EXPECT_EQ(session.Events(), MacroEvents{});
    EXPECT_FALSE(session.CapturePending());
    // The first key of the new recording is not a repeat of the old last line.
    EXPECT_EQ(session.Record(kA, true), KeyOutcome::kAppended);
}

// Presses with long pauses until the arrays are full: nothing lands past the end, every press
// keeps its release, and the refusal is reported.
TEST(MacroSessionRecord, AFullMacroStopsTakingPressesButKeepsReleasesOfHeldKeys)
{
    struct Case
    {
        const char* name;
        bool holdShift;
    };
    for (const Case c : {Case{"taps", false}, Case{"shift and ctrl held throughout", true}}) {
        SCOPED_TRACE(c.name);
        ManualClock clock;
        MacroSession session(StandardKeyCodeTable(), clock.Source());
        session.SetDelayOption(true);
        session.StartRecording();
        if (c.holdShift) {
            // Two keys held, the second at once (a short event), so the taps end where a press
            // would leave no room for both releases.
            session.Record(kShift, false);
            session.Record(kCtrl, false);
        }
        int refused = 0;
        for (int i = 0; i < 40; ++i) {
            clock.now += 200ms;
            const std::uint8_t key = i % 2 == 0 ? kA : kB;
            const KeyOutcome press = session.Record(key, false);
            clock.now += 200ms;
            const KeyOutcome release = session.Record(key, true);
            if (press == KeyOutcome::kFull) {
                ++refused;
                EXPECT_NE(release, KeyOutcome::kAppended) << "a release without its press";
            } else {
                EXPECT_EQ(release, KeyOutcome::kAppended) << "press " << i << " lost its release";
            }
            ASSERT_LE(session.AppendOffset(), kMacroEventArraySize);
        }
        EXPECT_GT(refused, 0);
        EXPECT_TRUE(session.RecordingFull());
        EXPECT_EQ(session.KeysDown(), c.holdShift);
        if (c.holdShift) {
            clock.now += 200ms;
            EXPECT_EQ(session.Record(kCtrl, true), KeyOutcome::kAppended);
            clock.now += 200ms;
            EXPECT_EQ(session.Record(kShift, true), KeyOutcome::kAppended);
            EXPECT_FALSE(session.KeysDown());
            EXPECT_EQ(session.Lines().back().text, "LShift  up");
        }
        ExpectInStep(session);
        EXPECT_EQ(session.Record(kX, false), KeyOutcome::kFull);
    }
}

TEST(MacroSessionRecord, APressWithALongPauseAt182StillHasRoomForItsRelease)
{
    ManualClock clock;
    MacroSession session(StandardKeyCodeTable(), clock.Source());
    session.SetDelayOption(true);
    session.StartRecording();
    // Another macro of 182 bytes selected while recording: appending continues at its end.
    session.Load(ShortEvents(91));
    ASSERT_EQ(session.AppendOffset(), 182u);
    clock.now += 500ms;
    EXPECT_EQ(session.Record(kX, false), KeyOutcome::kAppended);
    EXPECT_EQ(session.AppendOffset(), 186u);
    clock.now += 500ms;
    EXPECT_EQ(session.Record(kX, true), KeyOutcome::kAppended);
    EXPECT_EQ(session.AppendOffset(), 190u);
    EXPECT_EQ(session.Record(kA, false), KeyOutcome::kFull);
    ExpectInStep(session);
}

// A macro "A dn, 300 ms, A up, B dn, B up" to edit.
MacroSession EditedMacro(ManualClock& clock)
{
    MacroSession session(StandardKeyCodeTable(), clock.Source());
    session.SetDelayOption(true);
    session.StartRecording();
    session.Record(kA, false);
    clock.now += 300ms;
    session.Record(kA, true);
    session.SetDelayOption(false);
    session.Record(kB, false);
    session.Record(kB, true);
    session.StopRecording();
    return session;
}

TEST(MacroSessionCapture, InsertBeforeAndAfterPutTheKeyAtTheRightLine)
{
    struct Case
    {
        const char* name;
        bool after;
        std::size_t selected;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"before the first line", false, 0, {"X  dn", "X  up", "A  dn", "300 ms", "A  up", "B  dn", "B  up"}},
        {"before a key line under a delay",
         false,
         2,
         {"A  dn", "X  dn", "X  up", "300 ms", "A  up", "B  dn", "B  up"}},
        {"before a delay line", false, 1, {"A  dn", "X  dn", "X  up", "300 ms", "A  up", "B  dn", "B  up"}},
        {"after a delay line", true, 1, {"A  dn", "300 ms", "A  up", "X  dn", "X  up", "B  dn", "B  up"}},
        {"after the last line", true, 4, {"A  dn", "300 ms", "A  up", "B  dn", "B  up", "X  dn", "X  up"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock;
        MacroSession session = EditedMacro(clock);
        const std::size_t line =
            c.after ? session.InsertAfterLine(c.selected) : session.InsertBeforeLine(c.selected);
        session.StartCapture(line);
        clock.now += 700ms; // capture measures nothing
        EXPECT_EQ(session.Capture(kX, false), KeyOutcome::kCaptured);
        EXPECT_TRUE(session.CapturePending());
        EXPECT_EQ(session.Capture(kX, true), KeyOutcome::kCaptureEnded);
        EXPECT_FALSE(session.CapturePending());
        EXPECT_EQ(Texts(session), c.lines);
        ExpectInStep(session);
    }
}

TEST(MacroSessionCapture, AFullMacroRefusesTheCaptureInsteadOfLosingItsEnd)
{
    MacroSession session(StandardKeyCodeTable());
    session.Load(ShortEvents(94));
    const MacroEvents before = session.Events();
    ASSERT_EQ(EndOfData(before), 188u);
    session.StartCapture(0);
    EXPECT_EQ(session.Capture(kX, false), KeyOutcome::kCaptureNoRoom);
    EXPECT_FALSE(session.CapturePending());
    EXPECT_EQ(session.Events(), before);
}

TEST(MacroSessionEdit, CommandsChangeBothArraysInStep)
{
    struct Case
    {
        const char* name;
        std::function<EditOutcome(MacroSession&)> edit;
        EditOutcome outcome;
        std::vector<std::string> lines;
        std::vector<std::uint8_t> device; // A = 0x04, B = 0x05
    };
    const Case cases[] = {
        {"left click after A dn",
         [](MacroSession& s) { return s.InsertMouse(0, MouseButton::kLeft, MouseAction::kClick); },
         EditOutcome::kDone,
         {"A  dn", "MsLB dn", "MsLB up", "300 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0x01, 0xF0, 0x81, 0xF0, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"right down after the delay line",
         [](MacroSession& s) { return s.InsertMouse(1, MouseButton::kRight, MouseAction::kDown); },
         EditOutcome::kDone,
         {"A  dn", "300 ms", "A  up", "MsRB dn", "B  dn", "B  up"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0xF1, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"middle up after the last line",
         [](MacroSession& s) { return s.InsertMouse(4, MouseButton::kMiddle, MouseAction::kUp); },
         EditOutcome::kDone,
         {"A  dn", "300 ms", "A  up", "B  dn", "B  up", "MsMB up"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0x81, 0x05, 0x81, 0xF2, 0, 0}},
        {"insert delay replaces the long pause",
         [](MacroSession& s) { return s.InsertDelay(0); },
         EditOutcome::kDone,
         {"A  dn", "50 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0xB2, 0x04, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"insert delay below B dn",
         [](MacroSession& s) { return s.InsertDelay(3); },
         EditOutcome::kDone,
         {"A  dn", "300 ms", "A  up", "B  dn", "50 ms", "B  up"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0xB2, 0x05, 0, 0}},
        {"insert delay on a delay line",
         [](MacroSession& s) { return s.InsertDelay(1); },
         EditOutcome::kOnDelayLine,
         {"A  dn", "300 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"insert delay on the last line",
         [](MacroSession& s) { return s.InsertDelay(4); },
         EditOutcome::kNothing,
         {"A  dn", "300 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"delete a delay line keeps its key",
         [](MacroSession& s) { return s.DeleteLine(1); },
         EditOutcome::kDone,
         {"A  dn", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0x81, 0x04, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"delete a key line takes its delay line",
         [](MacroSession& s) { return s.DeleteLine(2); },
         EditOutcome::kDone,
         {"A  dn", "B  dn", "B  up"},
         {0x01, 0x04, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        // The release of A stays without its press and becomes the first event, without pause.
        {"delete the first press",
         [](MacroSession& s) { return s.DeleteLine(0); },
         EditOutcome::kDone,
         {"A  up", "B  dn", "B  up"},
         {0x81, 0x04, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"delete the last line",
         [](MacroSession& s) { return s.DeleteLine(4); },
         EditOutcome::kDone,
         {"A  dn", "300 ms", "A  up", "B  dn"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0, 0}},
        {"edit the delay to 1000 ms",
         [](MacroSession& s) { return s.EditDelay(1, 1000); },
         EditOutcome::kDone,
         {"A  dn", "1000 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0xFF, 0x04, 0x03, 0xE8, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"edit the delay to 1 stores 2",
         [](MacroSession& s) { return s.EditDelay(1, 1); },
         EditOutcome::kDone,
         {"A  dn", "2 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0x82, 0x04, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"edit a key line",
         [](MacroSession& s) { return s.EditDelay(2, 40); },
         EditOutcome::kNothing,
         {"A  dn", "300 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0x81, 0x05, 0, 0}},
        {"no line",
         [](MacroSession& s) { return s.DeleteLine(9); },
         EditOutcome::kNothing,
         {"A  dn", "300 ms", "A  up", "B  dn", "B  up"},
         {0x01, 0x04, 0xFF, 0x04, 0x01, 0x2C, 0x01, 0x05, 0x81, 0x05, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManualClock clock;
        MacroSession session = EditedMacro(clock);
        session.StartCapture(0);
        EXPECT_EQ(c.edit(session), c.outcome);
        EXPECT_EQ(Texts(session), c.lines);
        EXPECT_EQ(Bytes(session.Events().deviceEvents, c.device.size()), c.device);
        if (c.outcome == EditOutcome::kDone) {
            EXPECT_FALSE(session.CapturePending());
        }
        ExpectInStep(session);
    }
}

TEST(MacroSessionEdit, ChangesThatDoNotFitAreRefusedWhole)
{
    // 94 short events and one free pair of bytes.
    MacroSession session(StandardKeyCodeTable());
    session.Load(ShortEvents(94));
    ASSERT_EQ(session.AppendOffset(), 188u);
    ASSERT_EQ(session.InsertDelay(0), EditOutcome::kDone); // gives line 1 a 50 ms pause
    const std::string lastLine = session.Lines().back().text;
    MacroEvents before = session.Events();

    EXPECT_EQ(session.InsertMouse(0, MouseButton::kLeft, MouseAction::kClick), EditOutcome::kNoRoom);
    EXPECT_EQ(session.Events(), before);
    // The long form takes the last two bytes.
    EXPECT_EQ(session.EditDelay(1, 500), EditOutcome::kDone);
    EXPECT_EQ(session.AppendOffset(), 190u);
    before = session.Events();
    EXPECT_EQ(session.InsertMouse(0, MouseButton::kLeft, MouseAction::kDown), EditOutcome::kNoRoom);
    EXPECT_EQ(session.Events(), before);
    EXPECT_EQ(session.Lines().back().text, lastLine);
    ExpectInStep(session);

    // Back to the short form: the freed bytes take a mouse press, and the last event stays.
    EXPECT_EQ(session.EditDelay(1, 40), EditOutcome::kDone);
    EXPECT_EQ(session.InsertMouse(0, MouseButton::kLeft, MouseAction::kDown), EditOutcome::kDone);
    EXPECT_EQ(session.AppendOffset(), 190u);
    EXPECT_EQ(session.Lines().back().text, lastLine);
    ExpectInStep(session);
}

} // namespace
} // namespace corvane
