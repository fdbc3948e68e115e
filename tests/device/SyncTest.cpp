// Reading, applying and resetting the keyboard's settings against the emulator, in virtual time.

#include "DeviceLinkTestSupport.h"

#include "device/Synchronisation.h"
#include "format/KeyLayout.h"

#include <gtest/gtest.h>

#include <atomic>

#include <chrono>

namespace corvane {
namespace {

using namespace corvane::testing;
using std::chrono::milliseconds;
using Commands = std::vector<std::pair<int, int>>;

// The expected order of reports and the pause before each, written out step by step.
class Script
{
public:
    struct Step
    {
        TraceDirection direction;
        int code; // command code of a frame sent, -1 otherwise
        milliseconds before;
    };
    void Out(int code) { Push(TraceDirection::kFeatureOut, code); }
    void In() { Push(TraceDirection::kFeatureIn, -1); }
    void PacketIn() { Push(TraceDirection::kPacketIn, -1); }
    void Pause(int ms) { pending_ += milliseconds(ms); }
    void Query(int code, int before, int after)
    {
        Out(code);
        Pause(before);
        In();
        Pause(after);
    }
    const std::vector<Step>& Steps() const { return steps_; }

private:
    void Push(TraceDirection direction, int code)
    {
        steps_.push_back({direction, code, pending_});
        pending_ = milliseconds(0);
    }
    std::vector<Step> steps_;
    milliseconds pending_{0};
};

void ExpectTraceFollows(const std::vector<TraceRecord>& records, const Script& script)
{
    const auto& steps = script.Steps();
    ASSERT_EQ(records.size(), steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(records[i].direction, steps[i].direction) << "report " << i;
        if (steps[i].code >= 0) {
            EXPECT_EQ(records[i].bytes[1], steps[i].code) << "report " << i;
        }
        EXPECT_EQ(records[i].pauseBefore, steps[i].before) << "report " << i;
        EXPECT_TRUE(records[i].ok) << "report " << i;
    }
}

std::size_t CountOf(const std::vector<TraceRecord>& records, TraceDirection direction)
{
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.end(),
                      [direction](const TraceRecord& r) { return r.direction == direction; }));
}

TEST(SyncRead, StartupReadIsFiftyTwoFramesAndOneHundredFortyFivePacketsInOrder)
{
    EmulatedLink f;
    f.emulator.SetFirmwareVersion(1, 4);
    ASSERT_TRUE(f.Link().Start().readAllStarted);
    f.link->WaitForReadAll();

    Script s;
    s.Out(0x09);
    s.Pause(20);
    s.Query(0x80, 10, 10);
    s.Query(0x88, 10, 0);
    for (int i = 0; i < 7; ++i)
        s.Query(0x94, 1, 1);
    s.Query(0x89, 5, 0);
    s.Query(0x81, 10, 10);
    s.Query(0x84, 10, 10);
    s.Query(0x8D, 0, 0);
    for (int i = 0; i < 8; ++i)
        s.PacketIn();
    s.Query(0x8E, 0, 0);
    s.PacketIn();
    for (int slot = 0; slot < 32; ++slot) {
        s.Query(0x91, 0, 0);
        for (int i = 0; i < 3; ++i)
            s.PacketIn();
        s.Pause(0);
    }
    for (int map = 0; map < 5; ++map) {
        s.Query(0x92, 5, 5);
        for (int i = 0; i < 8; ++i) {
            s.PacketIn();
            s.Pause(5);
        }
    }
    const auto records = f.trace.Records();
    ExpectTraceFollows(records, s);
    EXPECT_EQ(CountOf(records, TraceDirection::kFeatureOut), 52u);
    EXPECT_EQ(CountOf(records, TraceDirection::kPacketIn), 145u);
    EXPECT_EQ(f.emulator.AcceptedFrames().size(), 52u);
    EXPECT_EQ(f.clock.TotalPaused(), milliseconds(359));
    EXPECT_EQ(f.clock.YieldCount(), 32u);

    // Nothing reached the window's state until it handles the message.
    EXPECT_EQ(f.state().image, SettingsImage{});
    ASSERT_TRUE(f.sink.Take<ReadFinished>());
    f.state().image[0] = 0x5A; // a byte the keyboard does not hold survives the handover
    f.link->OnReadComplete(f.state(), ReadSource::kDevice);
    const EmulatedDeviceState device = f.emulator.State();
    const SettingsImage& image = f.state().image;
    EXPECT_EQ(image[0], 0x5A);
    EXPECT_EQ(image[img::kSpeed], 10 - device.speed);
    EXPECT_EQ(image[img::kBrightness], device.brightness);
    EXPECT_EQ(image[img::kResponseTime], device.responseTime - 1);
    EXPECT_EQ(image[img::kReportRate], device.reportRate);
    EXPECT_TRUE(
        std::equal(device.keyTable.begin(), device.keyTable.end(), image.data() + img::kDeviceKeyTable));
    EXPECT_TRUE(std::equal(device.lightMaps[4].begin(), device.lightMaps[4].end(), image.CustomLightMap(4)));
    EXPECT_EQ(f.state().shadow, image);
    EXPECT_EQ(f.link->DeviceVersion(), (FirmwareVersion{1, 4, 0, 0}));
    // The handler reads the lighting once more and saves.
    EXPECT_EQ(f.trace.Commands().back().first, 0x88);
    EXPECT_EQ(f.keymapWrites, 1);
}

TEST(SyncRead, WindowFormHasNoVersionQueryAndNoYields)
{
    VirtualClock clock;
    KeyboardEmulator emulator(clock);
    auto channel = emulator.Open(KeyboardEmulator::kCommandPath);
    ASSERT_TRUE(channel);
    TraceLog trace;
    CommandProtocol protocol(*channel, clock, trace.Sink());
    SettingsImage image;
    EXPECT_TRUE(ReadAllSettings(protocol, image));
    const auto records = trace.Records();
    EXPECT_EQ(CountOf(records, TraceDirection::kFeatureOut), 51u);
    EXPECT_EQ(CountOf(records, TraceDirection::kPacketIn), 145u);
    EXPECT_EQ(records[1].bytes[1], 0x88);
    EXPECT_EQ(records[1].pauseBefore, milliseconds(30)); // SetGameMode's 20 and the read's own 10
    EXPECT_EQ(clock.TotalPaused(), milliseconds(349));
    EXPECT_EQ(clock.YieldCount(), 0u);
}

struct SyncApply : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(f.StartAndSync());
        // A late acknowledgement of the read's own SetGameMode must not stand in for one the
        // apply waits for.
        ASSERT_TRUE(f.DrainEvents());
        f.trace.Clear();
    }
    SettingsImage& image() { return f.state().image; }
    // The emulator acknowledges at once; a lost acknowledgement costs the test only this long.
    EmulatedLink f{std::chrono::milliseconds(40)};
};

TEST_F(SyncApply, BrightnessAloneSendsOnlyTheTwoLightingStages)
{
    image()[img::kBrightness] = 12;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.trace.Commands(), (Commands{{0x18, 1}, {0x08, 1}, {0x08, 2}, {0x18, 0}}));
    EXPECT_EQ(f.emulator.State().brightness, 12);
    EXPECT_FALSE(f.emulator.UpdateOpen());
    EXPECT_EQ(f.state().shadow, image());
}

TEST_F(SyncApply, NoChangeSendsOnlyBeginAndEnd)
{
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.trace.Commands(), (Commands{{0x18, 1}, {0x18, 0}}));
}

TEST_F(SyncApply, OnePaletteColourResendsAllSeven)
{
    image().PaletteEntry(3)[1] = 0x42;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    const auto commands = f.trace.Commands();
    ASSERT_EQ(commands.size(), 11u);
    const auto frames = f.trace.Records();
    int index = 0;
    for (const TraceRecord& r : frames) {
        if (r.direction == TraceDirection::kFeatureOut && r.bytes[1] == 0x14) {
            EXPECT_EQ(r.bytes[3], index++);
        }
    }
    EXPECT_EQ(index, 7);
    EXPECT_EQ(f.emulator.State().palette[10], 0x42);
}

TEST_F(SyncApply, OneByteOfMacroSlotFiveSendsThatSlotOnly)
{
    image().MacroSlot(5)[100] ^= 0x01;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.trace.Commands(), (Commands{{0x18, 1}, {0x08, 1}, {0x11, 0}, {0x08, 2}, {0x18, 0}}));
    const auto records = f.trace.Records();
    const auto frame = std::find_if(records.begin(), records.end(), [](const TraceRecord& r) {
        return r.direction == TraceDirection::kFeatureOut && r.bytes[1] == 0x11;
    });
    EXPECT_EQ((*frame).bytes[3], 5);
    EXPECT_EQ(CountOf(records, TraceDirection::kPacketOut), 3u);
    EXPECT_EQ(f.emulator.State().macroSlots[5][100], image().MacroSlot(5)[100]);
}

TEST_F(SyncApply, WindowsKeyLockTravelsInTheEnableMap)
{
    image()[img::kWindowsKeyLock] = 1;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.trace.Commands(), (Commands{{0x18, 1}, {0x08, 1}, {0x0E, 0}, {0x08, 2}, {0x18, 0}}));
    EXPECT_EQ(image()[img::kKeyEnableMap + 1], 0x3E); // bits 6 and 7 go too
    EXPECT_EQ(f.emulator.State().keyEnableMap[1], 0x3E);

    f.trace.Clear();
    image()[img::kWindowsKeyLock] = 0;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.emulator.State().keyEnableMap[1], 0x3F);
    EXPECT_EQ(f.trace.Commands().size(), 5u);
}

TEST_F(SyncApply, RegionsGoOutInTheirFixedOrder)
{
    image()[img::kGameMode] = 0; // the read itself turns game mode on
    image()[img::kReportRate] = 1;
    image()[img::kResponseTime] = 6;
    image().DeviceKeyEntry(30)[2] = 0x2D;
    image().MacroSlot(7)[0] = 1;
    image().MacroSlot(2)[0] = 1;
    image()[img::kKeyEnableMap + 3] &= 0x3E;
    image().CustomLightMap(3)[5] = 9;
    image().CustomLightMap(1)[5] = 9;
    image().PaletteEntry(0)[0] = 1;
    image()[img::kDirection] = 3;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    Commands expected{{0x18, 1}, {0x08, 1}};
    for (int i = 0; i < 7; ++i)
        expected.push_back({0x14, 0});
    expected.insert(expected.end(), {{0x09, 0},
                                     {0x01, 1},
                                     {0x04, 7},
                                     {0x0D, 0},
                                     {0x11, 0},
                                     {0x11, 0},
                                     {0x0E, 0},
                                     {0x12, 0},
                                     {0x12, 0},
                                     {0x08, 2},
                                     {0x18, 0}});
    EXPECT_EQ(f.trace.Commands(), expected);
    EXPECT_EQ(f.state().shadow, image());
    EXPECT_EQ(f.emulator.State().responseTime, 7);
    EXPECT_EQ(f.emulator.State().lightMaps[3][5], 9);
    EXPECT_EQ(f.emulator.State().macroSlots[7][0], 1);
}

TEST_F(SyncApply, WithoutAcknowledgementItGivesUpInBoundedTimeAndResendsLater)
{
    for (int code = 0; code < 0x80; ++code)
        f.emulator.SetAcknowledges(static_cast<std::uint8_t>(code), false);
    image().DeviceKeyEntry(10)[2] = 0x04;
    image()[img::kBrightness] = 3;
    const SettingsShadow before = f.state().shadow;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kNotAcknowledged);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(40));
    EXPECT_EQ(f.state().shadow, before);
    // The keyboard is left lit and out of its update state.
    EXPECT_EQ(f.trace.Commands(), (Commands{{0x18, 1}, {0x08, 1}, {0x08, 2}, {0x18, 0}}));
    EXPECT_FALSE(f.emulator.UpdateOpen());
    EXPECT_EQ(f.state().recordShadow, f.state().records);

    for (int code = 0; code < 0x80; ++code)
        f.emulator.SetAcknowledges(static_cast<std::uint8_t>(code), true);
    f.trace.Clear();
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.trace.Commands(), (Commands{{0x18, 1}, {0x08, 1}, {0x0D, 0}, {0x08, 2}, {0x18, 0}}));
    EXPECT_EQ(f.state().shadow, image());
}

TEST_F(SyncApply, UnplugHalfwayFailsFastAndKeepsUnconfirmedRegionsPending)
{
    image()[img::kGameMode] = 0;
    image().DeviceKeyEntry(10)[2] = 0x04;
    // Begin, stage 1, game mode, key table frame, two packets; the third packet finds it gone.
    f.emulator.UnplugAfterTransfers(6);
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kTransferFailed);
    // No region is tried after the failed transfer, only the lighting and the end of the update
    // that leave a keyboard still there usable.
    EXPECT_EQ(f.trace.Commands(),
              (Commands{{0x18, 1}, {0x08, 1}, {0x09, 0}, {0x0D, 0}, {0x08, 2}, {0x18, 0}}));
    EXPECT_EQ(f.state().shadow[img::kGameMode], 0);
    EXPECT_FALSE(f.state().shadow.RegionEquals(image(), img::kDeviceKeyTable, img::kDeviceKeyTableSize));
    EXPECT_EQ(f.keymapWrites, 2); // the apply still saves the edits
}

TEST(SyncApplyChannel, NoKeyboardSendsNothingAndKeepsTheShadow)
{
    EmulatedLink f;
    f.emulator.Unplug();
    EXPECT_FALSE(f.Link().Start().commandChannelOpen);
    f.state().image[img::kBrightness] = 9;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kNoKeyboard);
    EXPECT_EQ(f.state().shadow[img::kBrightness], 0);
    EXPECT_TRUE(f.trace.Records().empty());
}

// While the start-up read holds the command channel, the window's sequences are turned away
// instead of putting their frames between the read's; once the read is done they go through.
TEST(SyncApplyChannel, SequencesDuringTheStartupReadAreRefusedNotInterleaved)
{
    EmulatedLink f;
    std::mutex mutex;
    std::condition_variable signal;
    bool readHolding = false;
    bool release = false;
    f.options.trace = [&, log = f.trace.Sink()](const TraceRecord& record) {
        log(record);
        if (record.direction != TraceDirection::kFeatureOut) return;
        std::unique_lock lock(mutex);
        if (readHolding) return;
        // Hold the read-all thread inside its first command until the test has tried its own.
        readHolding = true;
        signal.notify_all();
        signal.wait(lock, [&] { return release; });
    };
    ASSERT_TRUE(f.Link().Start().readAllStarted);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(signal.wait_for(lock, std::chrono::seconds(5), [&] { return readHolding; }));
    }
    const std::uint8_t factoryBrightness = f.emulator.State().brightness;
    f.state().image[img::kBrightness] = static_cast<std::uint8_t>(factoryBrightness + 1);
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kBusy);
    EXPECT_EQ(f.link->FactoryReset(f.state()), SyncResult::kBusy);
    FirmwareVersion version;
    EXPECT_EQ(f.link->QueryFirmwareVersion(version), SyncResult::kBusy);
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    signal.notify_all();

    f.link->WaitForReadAll();
    ASSERT_TRUE(f.sink.Take<ReadFinished>());
    // Only the read went out: 52 frames, none of the refused sequences' begin-update or reset.
    EXPECT_EQ(f.trace.Commands().size(), 52u);
    EXPECT_EQ(f.emulator.State().brightness, factoryBrightness);

    f.link->OnReadComplete(f.state(), ReadSource::kDevice);
    f.state().image[img::kBrightness] = static_cast<std::uint8_t>(factoryBrightness + 1);
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.emulator.State().brightness, factoryBrightness + 1);
}

TEST_F(SyncApply, FactoryResetRestoresKeyboardAndHostDefaults)
{
    EmulatedDeviceState custom = f.emulator.State();
    custom.brightness = 7;
    custom.keyEnableMap[4] = 0x01;
    f.emulator.SetState(custom);
    f.state().records[3][rec::kKind] = 5;
    f.state().records[200][10] = 1;
    f.state().marks[3] = 1;
    image()[img::kKeyEnableMap + 2] = 0;

    EXPECT_EQ(f.link->FactoryReset(f.state()), SyncResult::kOk);
    const auto commands = f.trace.Commands();
    ASSERT_EQ(commands.size(), 3u + 51u);
    EXPECT_EQ(commands[0], std::make_pair(0x13, 0xFF));
    EXPECT_EQ(commands[1], std::make_pair(0x09, 1));
    EXPECT_EQ(commands[2], std::make_pair(0x09, 1));
    EmulatedDeviceState factory = KeyboardEmulator::FactoryState();
    factory.gameMode = 1; // the reset and the read after it turn it on
    EXPECT_EQ(f.emulator.State(), factory);
    EXPECT_EQ(image()[img::kBrightness], KeyboardEmulator::FactoryState().brightness);
    for (std::size_t i = 0; i < img::kKeyEnableMapSize; ++i)
        EXPECT_EQ(image()[img::kKeyEnableMap + i], 0xFF);
    for (std::size_t p = 0; p < kKeyRecordCount; ++p) {
        const KeyRecord& r = f.state().records[p];
        EXPECT_EQ(r[0], p < kLayoutKeyCount ? DefaultKeyOrder[p] : 0) << p;
        EXPECT_TRUE(std::all_of(r.bytes.begin() + 1, r.bytes.end(), [](std::uint8_t b) { return b == 0; }))
            << p;
    }
    EXPECT_EQ(f.state().marks, KeyMarks{});
    EXPECT_EQ(f.state().shadow, image());
    EXPECT_EQ(f.state().recordShadow, f.state().records);
}

TEST_F(SyncApply, FactoryResetKeepsTheShadowsWhenKeymapCannotBeWritten)
{
    f.keymapWritable = false;
    f.state().records[3][rec::kKind] = 5;
    f.state().recordShadow = f.state().records;
    EXPECT_EQ(f.link->FactoryReset(f.state()), SyncResult::kOk);
    EXPECT_EQ(f.state().recordShadow[3][rec::kKind], 5);
    EXPECT_EQ(f.state().records[3][rec::kKind], 0);
}

} // namespace
// Another program may be talking to the keyboard: every frame of every sequence goes out while
// this one holds the keyboard's lock, and the lock is let go between sequences.
TEST(SyncLock, EveryFrameOfEverySequenceGoesOutUnderTheKeyboardsLock)
{
    struct CountingLock final : KeyboardLock
    {
        bool Acquire(const std::function<void()>&) override
        {
            ++held;
            ++acquired;
            return true;
        }
        void Release() override { --held; }
        std::atomic<int> held{0};
        std::atomic<int> acquired{0};
    } lock;
    EmulatedLink f;
    f.emulator.SetKeyboardLock(&lock);
    std::atomic<int> framesOutside{0};
    std::atomic<int> frames{0};
    f.options.trace = [&](const TraceRecord& record) {
        if (record.direction == TraceDirection::kEventIn) return;
        ++frames;
        if (lock.held.load() == 0) ++framesOutside;
    };
    ASSERT_TRUE(f.StartAndSync());
    f.state().image[img::kBrightness] = 12;
    EXPECT_EQ(f.link->Apply(f.state()), SyncResult::kOk);
    FirmwareVersion version;
    EXPECT_EQ(f.link->QueryFirmwareVersion(version), SyncResult::kOk);
    EXPECT_EQ(f.link->FactoryReset(f.state()), SyncResult::kOk);
    EXPECT_GT(frames.load(), 200);
    EXPECT_EQ(framesOutside.load(), 0);
    EXPECT_EQ(lock.held.load(), 0);
    EXPECT_GE(lock.acquired.load(), 5); // read, its lighting reread, apply, query, reset
}

} // namespace corvane
