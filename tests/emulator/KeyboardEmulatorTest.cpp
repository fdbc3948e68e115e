#include "emulator/KeyboardEmulator.h"

#include "device/Clocks.h"
#include "format/KeyLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <numeric>
#include <thread>

namespace corvane {
namespace {

using namespace std::chrono_literals;
using Frame = std::array<std::uint8_t, 9>;
using Packet = std::array<std::uint8_t, 65>;
using Bytes = std::vector<std::uint8_t>;

Frame MakeFrame(std::uint8_t code, std::array<std::uint8_t, 6> args = {})
{
    Frame frame{};
    frame[1] = code;
    std::copy(args.begin(), args.end(), frame.begin() + 2);
    unsigned sum = 0;
    for (int i = 1; i <= 7; ++i)
        sum += frame[i];
    frame[8] = static_cast<std::uint8_t>(0xFF - sum);
    return frame;
}

class EmulatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        command = emulator.Open(KeyboardEmulator::kCommandPath);
        events = emulator.Open(KeyboardEmulator::kEventPath);
        ASSERT_TRUE(command && events);
    }

    bool Send(const Frame& frame) { return command->SetFeature(frame); }
    Frame Reply()
    {
        Frame reply{};
        command->GetFeature(reply);
        return reply;
    }
    Frame Query(std::uint8_t code, std::array<std::uint8_t, 6> args = {})
    {
        Send(MakeFrame(code, args));
        return Reply();
    }
    void WritePackets(const std::uint8_t* data, std::size_t size, std::size_t packets)
    {
        for (std::size_t i = 0; i < packets; ++i) {
            Packet packet{};
            const std::size_t offset = 64 * i;
            if (offset < size)
                std::copy_n(data + offset, std::min<std::size_t>(64, size - offset), packet.begin() + 1);
            ASSERT_TRUE(command->Write(packet));
        }
    }
    Bytes ReadPackets(std::size_t packets)
    {
        Bytes data;
        for (std::size_t i = 0; i < packets; ++i) {
            Packet packet{};
            EXPECT_TRUE(command->Read(packet));
            data.insert(data.end(), packet.begin() + 1, packet.end());
        }
        return data;
    }
    // Every input report that is waiting now.
    std::vector<Bytes> DrainInput(std::chrono::milliseconds wait = 0ms)
    {
        std::vector<Bytes> reports;
        std::array<std::uint8_t, 64> buffer{};
        int n;
        while ((n = events->ReadInput(buffer, wait)) > 0)
            reports.emplace_back(buffer.begin(), buffer.begin() + n);
        return reports;
    }
    std::size_t AckCount() const { return emulator.AcknowledgementCount(); }

    VirtualClock clock;
    KeyboardEmulator emulator{clock};
    std::unique_ptr<HidChannel> command;
    std::unique_ptr<HidChannel> events;
};

const Bytes kAck{4, 4, 0, 0};

TEST_F(EmulatorTest, AcceptsFramesWithTheRightChecksumOnly)
{
    // Frames written out by hand, checksums included.
    EXPECT_TRUE(Send({0x00, 0x09, 0x01, 0, 0, 0, 0, 0, 0xF5}));
    EXPECT_EQ(emulator.State().gameMode, 1);
    EXPECT_TRUE(Send({0x00, 0x81, 0, 0, 0, 0, 0, 0, 0x7E}));
    EXPECT_EQ(Reply()[2], KeyboardEmulator::FactoryState().reportRate);
    // The sum of the bytes passes 255 and wraps.
    EXPECT_TRUE(Send({0x00, 0x14, 0x00, 0x06, 0xFF, 0xFF, 0xFF, 0x00, 0xE8}));
    EXPECT_EQ(emulator.State().palette[18], 0xFF);
    EXPECT_EQ(emulator.BadChecksumCount(), 0u);

    const auto before = emulator.State();
    const std::size_t acks = AckCount();
    Frame wrong = MakeFrame(0x09, {0});
    wrong[8] ^= 0x01;
    EXPECT_TRUE(Send(wrong));
    EXPECT_EQ(emulator.State(), before);
    EXPECT_EQ(AckCount(), acks);
    EXPECT_EQ(emulator.BadChecksumCount(), 1u);
    EXPECT_EQ(emulator.Trace().back().note, TraceNote::BadChecksum);
    // A bad frame answers no query either.
    Frame badQuery = MakeFrame(0x80);
    badQuery[8] = 0;
    Send(badQuery);
    EXPECT_EQ(emulator.Trace().back().note, TraceNote::BadChecksum);
    EXPECT_EQ(Reply()[2], 0);
}

TEST_F(EmulatorTest, IgnoresFramesWithArgumentsTheCommandDoesNotTake)
{
    const auto before = emulator.State();
    struct Case
    {
        std::uint8_t code;
        std::array<std::uint8_t, 6> args;
    };
    const Case cases[] = {
        {0x09, {1, 0, 0, 0, 0, 1}},                                 // stray byte 7
        {0x0D, {0, 0, 7, 0, 0, 0}},                                 // wrong packet count
        {0x0E, {0, 0, 0x14, 0, 0, 0}}, {0x11, {0, 32, 3, 0, 0, 0}}, // slot out of range
        {0x12, {0, 5, 8, 0, 0, 0}},                                 // map out of range
        {0x14, {0, 7, 1, 2, 3, 0}},                                 // palette index out of range
        {0x08, {3, 1, 5, 50, 8, 1}},                                // no such lighting stage
        {0x13, {0xFE, 0, 0, 0, 0, 0}}, {0x18, {2, 0, 0, 0, 0, 0}},  {0x80, {0, 1, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Send(MakeFrame(c.code, c.args));
        EXPECT_EQ(emulator.Trace().back().note, TraceNote::Malformed) << int(c.code);
    }
    Send(MakeFrame(0x77));
    EXPECT_EQ(emulator.Trace().back().note, TraceNote::UnknownCommand);
    EXPECT_EQ(emulator.State(), before);
    EXPECT_EQ(AckCount(), 0u);
    EXPECT_TRUE(DrainInput().empty());

    Frame otherId = MakeFrame(0x09, {1});
    otherId[0] = 1;
    EXPECT_FALSE(Send(otherId));
    EXPECT_EQ(emulator.State(), before);
}

TEST_F(EmulatorTest, RepliesCarryEachValueWhereTheHostReadsIt)
{
    emulator.SetFirmwareVersion(2, 7);
    EmulatedDeviceState state = KeyboardEmulator::FactoryState();
    state.reportRate = 2;
    state.responseTime = 6;
    state.lightingMode = 51;
    state.speed = 9;
    state.brightness = 33;
    state.colour = 4;
    state.direction = 3;
    state.gameMode = 1;
    state.palette[15] = 0x11;
    state.palette[16] = 0x22;
    state.palette[17] = 0x33;
    emulator.SetState(state);

    Frame version = Query(0x80);
    EXPECT_EQ(version[2], 2);
    EXPECT_EQ(version[3], 7);
    EXPECT_EQ(Query(0x81)[2], 2);
    EXPECT_EQ(Query(0x84)[2], 6);
    Frame lighting = Query(0x88);
    EXPECT_EQ(Bytes(lighting.begin() + 3, lighting.begin() + 8), (Bytes{51, 9, 33, 4, 3}));
    EXPECT_EQ(Query(0x89)[2], 1);
    Frame colour = Query(0x94, {0, 5});
    EXPECT_EQ(Bytes(colour.begin() + 4, colour.begin() + 7), (Bytes{0x11, 0x22, 0x33}));
    // Queries are answered, never acknowledged.
    EXPECT_EQ(AckCount(), 0u);
}

TEST_F(EmulatorTest, EveryRegionReadsBackAsWritten)
{
    // Simple settings, written and read with the values the host sends.
    Send(MakeFrame(0x01, {1}));
    EXPECT_EQ(Query(0x81)[2], 1);
    Send(MakeFrame(0x04, {10}));
    EXPECT_EQ(Query(0x84)[2], 10);
    Send(MakeFrame(0x09, {1}));
    EXPECT_EQ(Query(0x89)[2], 1);
    Send(MakeFrame(0x08, {2, 13, 10, 40, 2, 4}));
    Frame lighting = Query(0x88);
    EXPECT_EQ(Bytes(lighting.begin() + 3, lighting.begin() + 8), (Bytes{13, 10, 40, 2, 4}));
    for (std::uint8_t i = 0; i < 7; ++i) {
        Send(MakeFrame(0x14, {0, i, std::uint8_t(10 + i), std::uint8_t(20 + i), std::uint8_t(30 + i)}));
    }
    for (std::uint8_t i = 0; i < 7; ++i) {
        Frame reply = Query(0x94, {0, i});
        EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 7),
                  (Bytes{std::uint8_t(10 + i), std::uint8_t(20 + i), std::uint8_t(30 + i)}));
    }

    // Bulk regions: distinct bytes everywhere, so a swapped or shifted packet shows.
    Bytes keys(512);
    std::iota(keys.begin(), keys.end(), std::uint8_t(1));
    Send(MakeFrame(0x0D, {0, 0, 8}));
    WritePackets(keys.data(), keys.size(), 8);
    Send(MakeFrame(0x8D));
    Reply();
    EXPECT_EQ(ReadPackets(8), keys);

    Bytes enable(21);
    std::iota(enable.begin(), enable.end(), std::uint8_t(0x40));
    Send(MakeFrame(0x0E, {0, 0, 0x15}));
    WritePackets(enable.data(), enable.size(), 1);
    Query(0x8E, {0, 0, 0x15});
    Bytes enablePacket = ReadPackets(1);
    EXPECT_EQ(Bytes(enablePacket.begin(), enablePacket.begin() + 21), enable);
    EXPECT_TRUE(std::all_of(enablePacket.begin() + 21, enablePacket.end(), [](auto b) { return b == 0; }));

    Bytes macro(192);
    std::iota(macro.begin(), macro.end(), std::uint8_t(7));
    Send(MakeFrame(0x11, {0, 31, 3}));
    WritePackets(macro.data(), macro.size(), 3);
    Query(0x91, {0, 31});
    EXPECT_EQ(ReadPackets(3), macro);
    // Neighbouring slots are untouched.
    Query(0x91, {0, 30});
    EXPECT_EQ(ReadPackets(3), Bytes(192, 0));

    Bytes map(512);
    std::iota(map.begin(), map.end(), std::uint8_t(99));
    Send(MakeFrame(0x12, {0, 4, 8}));
    WritePackets(map.data(), map.size(), 8);
    Query(0x92, {0, 4, 8});
    EXPECT_EQ(ReadPackets(8), map);
    const auto state = emulator.State();
    EXPECT_TRUE(std::equal(map.begin(), map.end(), state.lightMaps[4].begin()));
    EXPECT_NE(state.lightMaps[3], state.lightMaps[4]);
}

TEST_F(EmulatorTest, BulkQueriesOfferExactlyTheirPacketCount)
{
    const std::pair<Frame, std::size_t> queries[] = {{MakeFrame(0x8D), 8},
                                                     {MakeFrame(0x8E, {0, 0, 0x15}), 1},
                                                     {MakeFrame(0x91, {0, 3}), 3},
                                                     {MakeFrame(0x92, {0, 0, 8}), 8}};
    for (const auto& [frame, count] : queries) {
        Send(frame);
        Reply();
        ReadPackets(count);
        Packet extra{};
        EXPECT_FALSE(command->Read(extra)) << int(frame[1]);
        EXPECT_EQ(emulator.Trace().back().note, TraceNote::Unexpected);
    }
    // A new command drops packets the host did not collect.
    Send(MakeFrame(0x8D));
    ReadPackets(2);
    Send(MakeFrame(0x81));
    Packet stale{};
    EXPECT_FALSE(command->Read(stale));
}

TEST_F(EmulatorTest, AcknowledgesSetsOnceTheyAreComplete)
{
    Send(MakeFrame(0x09, {1}));
    EXPECT_EQ(DrainInput(), std::vector<Bytes>{kAck});

    Bytes keys(512, 0x5A);
    Send(MakeFrame(0x0D, {0, 0, 8}));
    WritePackets(keys.data(), keys.size(), 7);
    EXPECT_TRUE(DrainInput().empty());
    EXPECT_NE(emulator.State().keyTable[511], 0x5A);
    WritePackets(keys.data() + 448, 64, 1);
    EXPECT_EQ(DrainInput(), std::vector<Bytes>{kAck});
    EXPECT_EQ(emulator.State().keyTable[511], 0x5A);

    // A transfer cut short by the next command never lands and is never acknowledged.
    Bytes macro(192, 0x33);
    Send(MakeFrame(0x11, {0, 2, 3}));
    WritePackets(macro.data(), macro.size(), 2);
    Send(MakeFrame(0x81));
    WritePackets(macro.data(), 64, 1);
    EXPECT_EQ(emulator.Trace().back().note, TraceNote::Unexpected);
    EXPECT_TRUE(DrainInput().empty());
    EXPECT_EQ(emulator.State().macroSlots[2], (std::array<std::uint8_t, 192>{}));

    emulator.SetAcknowledges(0x18, false);
    Send(MakeFrame(0x18, {1}));
    EXPECT_TRUE(emulator.UpdateOpen());
    EXPECT_TRUE(DrainInput().empty());
    Send(MakeFrame(0x18, {0}));
    EXPECT_FALSE(emulator.UpdateOpen());
}

TEST_F(EmulatorTest, FactoryResetRestoresTheShippedSettings)
{
    const EmulatedDeviceState factory = KeyboardEmulator::FactoryState();
    // The shipped key table is the layout's factory table.
    const auto& table = DefaultDeviceKeyTable();
    for (std::size_t k = 0; k < 128; ++k)
        EXPECT_TRUE(std::equal(table[k].begin(), table[k].end(), factory.keyTable.begin() + 4 * k)) << k;
    EXPECT_TRUE(std::all_of(factory.keyEnableMap.begin(), factory.keyEnableMap.end(),
                            [](std::uint8_t b) { return b == 0xFF; }));

    Send(MakeFrame(0x09, {1}));
    Send(MakeFrame(0x14, {0, 0, 1, 2, 3}));
    Bytes zeros(512, 0);
    Send(MakeFrame(0x0D, {0, 0, 8}));
    WritePackets(zeros.data(), zeros.size(), 8);
    ASSERT_NE(emulator.State(), factory);
    DrainInput();
    Send({0x00, 0x13, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0xED});
    EXPECT_EQ(emulator.State(), factory);
    EXPECT_EQ(DrainInput(), std::vector<Bytes>{kAck});
}

TEST_F(EmulatorTest, TheUserAtTheKeyboardIsReported)
{
    emulator.PressLightingKey(3, 3);
    emulator.PressLightingKey(4, 20);
    emulator.PressLightingKey(2, 51);
    emulator.PressLightingKey(9, 1); // no such setting: reported, nothing changes
    const auto state = emulator.State();
    EXPECT_EQ(state.speed, 3);
    EXPECT_EQ(state.brightness, 20);
    EXPECT_EQ(state.lightingMode, 51);
    EXPECT_EQ(DrainInput(), (std::vector<Bytes>{{4, 1, 3, 3}, {4, 1, 4, 20}, {4, 1, 2, 51}, {4, 1, 9, 1}}));
    // Reading the lighting afterwards shows the keyboard's own change.
    EXPECT_EQ(Query(0x88)[4], 3);

    // Device index 30 (space) is an ordinary key; make index 5 a host-action key with code 0x1B.
    EXPECT_FALSE(emulator.PressKey(5));
    EmulatedDeviceState custom = emulator.State();
    custom.keyTable[4 * 5 + 0] = 0x0A;
    custom.keyTable[4 * 5 + 2] = 0x1B;
    emulator.SetState(custom);
    EXPECT_TRUE(emulator.PressKey(5));
    EXPECT_FALSE(emulator.PressKey(30));
    EXPECT_FALSE(emulator.PressKey(500));
    const auto reports = DrainInput();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0][0], 4);
    EXPECT_NE(reports[0][1], 1);
    EXPECT_NE(reports[0][1], 4);
    EXPECT_EQ(reports[0][2], 0x1B);
}

TEST_F(EmulatorTest, UnplugAndReplug)
{
    std::vector<HotplugEvent> seen;
    emulator.SetHotplugCallback([&](const HotplugEvent& e) { seen.push_back(e); });
    Send(MakeFrame(0x09, {1}));
    DrainInput();

    emulator.Unplug();
    EXPECT_FALSE(emulator.IsPlugged());
    EXPECT_TRUE(emulator.Enumerate().empty());
    EXPECT_EQ(emulator.Open(KeyboardEmulator::kCommandPath), nullptr);
    EXPECT_FALSE(Send(MakeFrame(0x81)));
    Frame reply{};
    EXPECT_FALSE(command->GetFeature(reply));
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(events->ReadInput(buffer, 10ms), -1);
    emulator.PressLightingKey(4, 1); // no power, no effect
    EXPECT_EQ(emulator.State().brightness, 50);

    emulator.Replug();
    ASSERT_EQ(emulator.Enumerate().size(), 3u);
    // Old handles stay dead, as real ones do; new ones work and the settings survived.
    EXPECT_FALSE(Send(MakeFrame(0x81)));
    EXPECT_EQ(events->ReadInput(buffer, 0ms), -1);
    command = emulator.Open(KeyboardEmulator::kCommandPath);
    events = emulator.Open(KeyboardEmulator::kEventPath);
    ASSERT_TRUE(command && events);
    EXPECT_EQ(Query(0x89)[2], 1);
    EXPECT_EQ(events->ReadInput(buffer, 0ms), 0);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[0].arrived);
    EXPECT_TRUE(seen[1].arrived);
    EXPECT_EQ(seen[1].ids, kAcceptedDeviceIds[0]);
}

TEST_F(EmulatorTest, OffersTheKeyboardInterfacesAndTheUpdateIdentity)
{
    emulator.SetIds(kAcceptedDeviceIds[2]);
    auto list = emulator.Enumerate();
    ASSERT_EQ(list.size(), 3u);
    auto find = [&](const char* part) {
        return std::count_if(list.begin(), list.end(), [&](const HidInterfaceInfo& i) {
            return i.matchText.find(part) != std::string::npos;
        });
    };
    EXPECT_EQ(find("mi_03"), 1);
    EXPECT_EQ(find("mi_02"), 1);
    EXPECT_EQ(find("ol04"), 1);
    for (const auto& info : list) {
        EXPECT_EQ((UsbIdPair{info.vendorId, info.productId}), kAcceptedDeviceIds[2]);
        const bool isEvent = info.matchText.find("ol04") != std::string::npos;
        const bool isCommand = info.matchText.find("mi_03") != std::string::npos;
        EXPECT_EQ(info.path, isEvent     ? KeyboardEmulator::kEventPath
                             : isCommand ? KeyboardEmulator::kCommandPath
                                         : KeyboardEmulator::kKeysPath);
    }

    HotplugEvent arrival;
    emulator.SetHotplugCallback([&](const HotplugEvent& e) { arrival = e; });
    emulator.Replug(PlugMode::Update);
    EXPECT_TRUE(arrival.arrived);
    EXPECT_EQ(arrival.ids, kUpdateModeIds);
    list = emulator.Enumerate();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_NE(list[0].matchText.find("mi_02"), std::string::npos);
    EXPECT_EQ((UsbIdPair{list[0].vendorId, list[0].productId}), kUpdateModeIds);
    EXPECT_EQ(emulator.Open(KeyboardEmulator::kCommandPath), nullptr);
    EXPECT_EQ(emulator.Open(KeyboardEmulator::kEventPath), nullptr);
    EXPECT_NE(emulator.Open(KeyboardEmulator::kKeysPath), nullptr);

    emulator.Replug();
    EXPECT_EQ(emulator.Enumerate().size(), 3u);
    EXPECT_EQ(emulator.Mode(), PlugMode::Normal);
}

TEST_F(EmulatorTest, AcknowledgementFaults)
{
    emulator.DropAcknowledgements(1);
    Send(MakeFrame(0x09, {1}));
    Send(MakeFrame(0x09, {0}));
    EXPECT_EQ(DrainInput(), std::vector<Bytes>{kAck});
    EXPECT_EQ(emulator.State().gameMode, 0); // dropped acknowledgement, command still carried out

    emulator.DelayAcknowledgements(80ms);
    const auto sent = std::chrono::steady_clock::now();
    Send(MakeFrame(0x09, {1}));
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(events->ReadInput(buffer, 20ms), 0);
    EXPECT_EQ(events->ReadInput(buffer, 2000ms), 4);
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 80ms);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.end()), kAck);
}

TEST_F(EmulatorTest, GarbageReportsNeverLookLikeEvents)
{
    emulator.InjectGarbageReports(2000);
    const auto reports = DrainInput();
    ASSERT_EQ(reports.size(), 2000u);
    std::size_t lengths = 0;
    for (const auto& report : reports) {
        EXPECT_NE(report[0], 4);
        lengths |= std::size_t(1) << std::min<std::size_t>(report.size(), 20);
    }
    EXPECT_GT(std::popcount(lengths), 3); // of varying length
}

TEST_F(EmulatorTest, SpoiledRepliesAndPackets)
{
    Frame reply;
    reply.fill(0xEE);
    emulator.FaultReplies(ReplyFault::Short);
    Send(MakeFrame(0x88));
    EXPECT_FALSE(command->GetFeature(reply));
    EXPECT_EQ(reply[1], 0x88);
    EXPECT_EQ(reply[5], 0xEE); // never arrived
    EXPECT_EQ(emulator.Trace().back().note, TraceNote::Faulted);
    EXPECT_EQ(Reply()[5], 50); // only the next reply was spoiled

    emulator.FaultReplies(ReplyFault::Garbage, 3);
    int differing = 0;
    for (int i = 0; i < 3; ++i)
        differing += Query(0x88)[5] != 50;
    EXPECT_GE(differing, 2);
    EXPECT_EQ(Query(0x88)[5], 50);

    emulator.FaultPackets(ReplyFault::Short);
    Send(MakeFrame(0x8D));
    Packet packet;
    packet.fill(0xEE);
    EXPECT_FALSE(command->Read(packet));
    EXPECT_EQ(packet[20], 0xEE);
    // The spoiled packet was still taken: seven remain.
    ReadPackets(7);
    EXPECT_FALSE(command->Read(packet));
}

TEST_F(EmulatorTest, UnplugInTheMiddleOfATransfer)
{
    bool removed = false;
    emulator.SetHotplugCallback([&](const HotplugEvent& e) { removed = !e.arrived; });
    const auto before = emulator.State();
    emulator.UnplugAfterTransfers(3); // the frame and two packets
    Bytes keys(512, 0x11);
    Send(MakeFrame(0x0D, {0, 0, 8}));
    Packet packet{};
    EXPECT_TRUE(command->Write(packet));
    EXPECT_TRUE(command->Write(packet));
    EXPECT_FALSE(command->Write(packet));
    EXPECT_TRUE(removed);
    EXPECT_FALSE(emulator.IsPlugged());
    EXPECT_EQ(emulator.State(), before);
    EXPECT_EQ(AckCount(), 0u);
    EXPECT_EQ(emulator.Trace().back().note, TraceNote::Failed);
}

TEST_F(EmulatorTest, TraceShowsBothDirectionsInClockTime)
{
    const auto start = clock.Now();
    Send(MakeFrame(0x81));
    clock.Pause(10ms);
    Reply();
    clock.Pause(10ms);
    Send(MakeFrame(0x09, {1}));
    clock.Pause(20ms);
    DrainInput();

    const auto trace = emulator.Trace();
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0].op, TraceOp::SetFeature);
    EXPECT_TRUE(trace[0].fromHost);
    const Frame sent = MakeFrame(0x81);
    EXPECT_EQ(trace[0].bytes, Bytes(sent.begin(), sent.end()));
    EXPECT_EQ(trace[0].time, start);
    EXPECT_EQ(trace[1].op, TraceOp::GetFeature);
    EXPECT_FALSE(trace[1].fromHost);
    EXPECT_EQ(trace[1].time - start, 10ms);
    EXPECT_EQ(trace[2].time - start, 20ms);
    EXPECT_EQ(trace[3].op, TraceOp::Input);
    EXPECT_EQ(trace[3].interface, EmulatedInterface::Event);
    EXPECT_EQ(trace[3].bytes, kAck);
    EXPECT_EQ(trace[3].time - start, 40ms);
    EXPECT_EQ(emulator.AcceptedFrames().size(), 2u);

    emulator.ClearTrace();
    EXPECT_TRUE(emulator.Trace().empty());
}

TEST_F(EmulatorTest, ReadInputWaitsForItsTimeoutAndWakesOnUnplug)
{
    std::array<std::uint8_t, 4> buffer{};
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(events->ReadInput(buffer, 50ms), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 50ms);

    std::atomic<int> result{1};
    // A read without a time limit: only the unplug can end it (a hang is the test's time-out).
    std::thread reader([&] { result = events->ReadInput(buffer, kWaitForInput); });
    std::this_thread::sleep_for(20ms);
    emulator.Unplug();
    reader.join();
    EXPECT_EQ(result.load(), -1);
}

TEST_F(EmulatorTest, AnUnlimitedReadEndsOnAReportOrAnInterruptOnly)
{
    std::array<std::uint8_t, 4> buffer{};
    // An interrupt before the read is kept for it, so a stop can never slip between the
    // caller's check and its read.
    events->InterruptRead();
    EXPECT_EQ(events->ReadInput(buffer, kWaitForInput), 0);

    std::atomic<int> result{1};
    std::thread reader([&] { result = events->ReadInput(buffer, kWaitForInput); });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(result.load(), 1) << "still waiting";
    emulator.SendKeyEvent(0x33);
    reader.join();
    EXPECT_EQ(result.load(), 4);
    EXPECT_EQ(buffer[2], 0x33);

    std::thread stopped([&] { result = events->ReadInput(buffer, kWaitForInput); });
    std::this_thread::sleep_for(20ms);
    events->InterruptRead();
    stopped.join();
    EXPECT_EQ(result.load(), 0);
    // Used up: the next read waits again.
    EXPECT_EQ(events->ReadInput(buffer, 5ms), 0);
}

TEST_F(EmulatorTest, ConcurrentHostAndKeyboardLoseNothing)
{
    // The listener reads while the host sends commands and the user presses lighting keys.
    constexpr int kCommands = 300;
    constexpr int kPresses = 300;
    std::atomic<int> acks{0};
    std::atomic<int> changes{0};
    std::atomic<bool> stop{false};
    std::thread listener([&] {
        std::array<std::uint8_t, 4> buffer{};
        while (!stop || acks + changes < kCommands + kPresses) {
            const int n = events->ReadInput(buffer, 200ms);
            if (n < 0) return;
            if (n == 0) continue;
            if (buffer[1] == 4) ++acks;
            if (buffer[1] == 1) ++changes;
        }
    });
    std::thread user([&] {
        for (int i = 0; i < kPresses; ++i)
            emulator.PressLightingKey(4, std::uint8_t(i % 50));
    });
    for (int i = 0; i < kCommands; ++i) {
        Send(MakeFrame(0x09, {std::uint8_t(i & 1)}));
        Query(0x89);
    }
    user.join();
    stop = true;
    // Ends a read already waiting for a report that will not come.
    events->InterruptRead();
    listener.join();
    EXPECT_EQ(acks.load(), kCommands);
    EXPECT_EQ(changes.load(), kPresses);
}

TEST_F(EmulatorTest, ChannelsOutliveTheEmulatorSafely)
{
    auto emulator2 = std::make_unique<KeyboardEmulator>(clock);
    auto channel = emulator2->Open(KeyboardEmulator::kCommandPath);
    auto input = emulator2->Open(KeyboardEmulator::kEventPath);
    emulator2.reset();
    EXPECT_FALSE(channel->SetFeature(MakeFrame(0x81)));
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(input->ReadInput(buffer, 1000ms), -1);
}

TEST(VirtualClockTest, RecordsPausesInsteadOfSleeping)
{
    VirtualClock clock;
    const auto start = clock.Now();
    // An hour's pause: were it slept, the test's time-out would tell.
    clock.Pause(3600s);
    clock.Pause(0ms);
    clock.Pause(50ms);
    clock.Advance(2000ms);
    EXPECT_EQ(clock.Pauses(), (std::vector<std::chrono::milliseconds>{3600s, 0ms, 50ms}));
    EXPECT_EQ(clock.YieldCount(), 1u);
    EXPECT_EQ(clock.TotalPaused(), 3600050ms);
    EXPECT_EQ(clock.Elapsed(), 3602050ms);
    EXPECT_EQ(clock.Now() - start, 3602050ms);
    clock.ClearPauses();
    EXPECT_TRUE(clock.Pauses().empty());
    EXPECT_EQ(clock.Elapsed(), 3602050ms);
}

TEST(SystemClockTest, SleepsForThePause)
{
    SystemClock clock;
    const auto start = clock.Now();
    clock.Pause(20ms);
    clock.Pause(0ms);
    EXPECT_GE(clock.Now() - start, 20ms);
}

} // namespace
} // namespace corvane
