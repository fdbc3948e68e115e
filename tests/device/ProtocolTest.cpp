// The command protocol against a scripted channel: exact frames, argument and reply bytes,
// packet counts and the pauses between steps.

#include "device/Protocol.h"
#include "device/Clocks.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace corvane {
namespace {

using std::chrono::milliseconds;

struct Call
{
    char kind; // 'S' set feature, 'G' get feature, 'W' write, 'R' read
    std::vector<std::uint8_t> bytes;
    milliseconds at; // virtual time of the call
};

class ScriptedChannel final : public HidChannel
{
public:
    explicit ScriptedChannel(VirtualClock& clock) : clock_(clock) {}

    bool SetFeature(std::span<const std::uint8_t, 9> report) override { return Log('S', report); }
    bool GetFeature(std::span<std::uint8_t, 9> report) override
    {
        if (!replies.empty()) {
            std::copy(replies.front().begin(), replies.front().end(), report.begin());
            replies.pop_front();
        }
        return Log('G', report);
    }
    bool Write(std::span<const std::uint8_t, 65> packet) override { return Log('W', packet); }
    bool Read(std::span<std::uint8_t, 65> packet) override
    {
        if (!packets.empty()) {
            std::copy(packets.front().begin(), packets.front().end(), packet.begin());
            packets.pop_front();
        }
        return Log('R', packet);
    }
    int ReadInput(std::span<std::uint8_t>, milliseconds) override { return 0; }
    void InterruptRead() override {}

    std::vector<Call> calls;
    std::deque<CommandFrame> replies;
    std::deque<BulkPacket> packets;
    int failCall = -1; // index of the call that fails

private:
    bool Log(char kind, std::span<const std::uint8_t> bytes)
    {
        calls.push_back({kind, {bytes.begin(), bytes.end()}, clock_.Elapsed()});
        return static_cast<int>(calls.size()) - 1 != failCall;
    }
    VirtualClock& clock_;
};

struct ProtocolFixture : ::testing::Test
{
    VirtualClock clock;
    ScriptedChannel channel{clock};
    std::vector<TraceRecord> traced;
    CommandProtocol protocol{channel, clock, [this](const TraceRecord& r) { traced.push_back(r); }};
    SettingsImage image;

    std::vector<std::uint8_t> Sent(std::size_t i) const { return channel.calls.at(i).bytes; }
    // Bytes 1 up to (not including) `end` of call i.
    std::vector<std::uint8_t> Args(std::size_t i, std::size_t end) const
    {
        const auto& bytes = channel.calls.at(i).bytes;
        return {bytes.begin() + 1, bytes.begin() + static_cast<std::ptrdiff_t>(end)};
    }
    std::vector<milliseconds> PausesBefore() const
    {
        std::vector<milliseconds> out;
        for (const TraceRecord& r : traced)
            out.push_back(r.pauseBefore);
        return out;
    }
    static CommandFrame Reply(std::initializer_list<std::uint8_t> bytes)
    {
        CommandFrame f{};
        std::copy(bytes.begin(), bytes.end(), f.begin());
        return f;
    }
    static BulkPacket Packet(std::uint8_t fill)
    {
        BulkPacket p{};
        p.fill(fill);
        p[0] = 0;
        return p;
    }
};

using V = std::vector<std::uint8_t>;

TEST_F(ProtocolFixture, FramesCarryTheKnownChecksums)
{
    protocol.GetReportRate(image);
    protocol.FactoryReset();
    protocol.ReadKeyEnableMap(image);
    image.PaletteEntry(6)[0] = image.PaletteEntry(6)[1] = image.PaletteEntry(6)[2] = 255;
    protocol.SetPaletteColour(image, 6);

    EXPECT_EQ(Sent(0), (V{0x00, 0x81, 0, 0, 0, 0, 0, 0, 0x7E}));
    EXPECT_EQ(Sent(2), (V{0x00, 0x13, 0xFF, 0, 0, 0, 0, 0, 0xED}));
    EXPECT_EQ(Sent(3), (V{0x00, 0x09, 0x01, 0, 0, 0, 0, 0, 0xF5}));
    EXPECT_EQ(Sent(4), (V{0x00, 0x09, 0x01, 0, 0, 0, 0, 0, 0xF5}));
    EXPECT_EQ(Sent(5), (V{0x00, 0x8E, 0, 0, 0x15, 0, 0, 0, 0x5C}));
    // The sum wraps past 255.
    EXPECT_EQ(Sent(8), (V{0x00, 0x14, 0, 6, 255, 255, 255, 0, 0xE8}));
}

TEST_F(ProtocolFixture, ValuesTravelInTheKeyboardsOwnTerms)
{
    image[img::kResponseTime] = 9;
    image[img::kSpeed] = 0;
    image[img::kBrightness] = 37;
    image[img::kLightingMode] = 3;
    image[img::kColour] = 8;
    image[img::kDirection] = 4;
    protocol.SetResponseTime(image);
    protocol.SetLighting(image, 1);
    protocol.SetLighting(image, 2);
    EXPECT_EQ(Sent(0)[2], 10);
    // Stage 1 always goes out dark; speed is inverted.
    EXPECT_EQ(Args(1, 8), (V{0x08, 1, 3, 10, 0, 8, 4}));
    EXPECT_EQ(Args(2, 8), (V{0x08, 2, 3, 10, 37, 8, 4}));

    channel.replies = {Reply({0, 0x84, 4}), Reply({0, 0x88, 0, 51, 1, 20, 2, 3}), Reply({0, 0x81, 2})};
    protocol.GetResponseTime(image);
    protocol.GetLighting(image);
    protocol.GetReportRate(image);
    EXPECT_EQ(image[img::kResponseTime], 3); // the slider position: the keyboard's value less one
    EXPECT_EQ(image[img::kLightingMode], 51);
    EXPECT_EQ(image[img::kSpeed], 9);
    EXPECT_EQ(image[img::kBrightness], 20);
    EXPECT_EQ(image[img::kColour], 2);
    EXPECT_EQ(image[img::kDirection], 3);
    EXPECT_EQ(image[img::kReportRate], 2);
    // A keyboard that says 0 is at the slider's start; a byte beyond the slider goes out as its end.
    channel.replies = {Reply({0, 0x84, 0})};
    protocol.GetResponseTime(image);
    EXPECT_EQ(image[img::kResponseTime], 0);
    image[img::kResponseTime] = 12;
    protocol.SetResponseTime(image);
    EXPECT_EQ(channel.calls.back().bytes[2], 10);
}

TEST_F(ProtocolFixture, FirmwareVersionAndPaletteComeFromTheirReplyBytes)
{
    channel.replies = {Reply({0, 0x80, 2, 7, 9, 9, 9, 9, 9}), Reply({0, 0x94, 0, 3, 10, 20, 30, 99})};
    FirmwareVersion version;
    std::array<std::uint8_t, 8> reply{};
    protocol.GetFirmwareVersion(version, &reply);
    protocol.GetPaletteColour(image, 3);
    EXPECT_EQ(version, (FirmwareVersion{2, 7, 0, 0}));
    EXPECT_EQ(reply[0], 0x80);
    EXPECT_EQ(reply[7], 9);
    EXPECT_EQ(V(image.PaletteEntry(3), image.PaletteEntry(3) + 3), (V{10, 20, 30}));
    EXPECT_EQ(Sent(2)[3], 3);
}

TEST_F(ProtocolFixture, KeyEnableMapReadDerivesTheWindowsKeyLock)
{
    BulkPacket packet = Packet(0x3F);
    packet[2] = 0x3E; // bit 0 of the map's second byte clear: the left Windows key is off
    channel.packets = {packet};
    protocol.ReadKeyEnableMap(image);
    EXPECT_EQ(image[img::kKeyEnableMap + 1], 0x3E);
    EXPECT_EQ(image[img::kKeyEnableMap + 20], 0x3F);
    EXPECT_EQ(image[img::kWindowsKeyLock], 1);

    channel.packets = {Packet(0x3F)};
    protocol.ReadKeyEnableMap(image);
    EXPECT_EQ(image[img::kWindowsKeyLock], 0);
}

TEST_F(ProtocolFixture, KeyEnableMapGoesOutZeroPadded)
{
    for (std::size_t i = 0; i < img::kKeyEnableMapSize; ++i)
        image[img::kKeyEnableMap + i] = 0x3F;
    image[img::kWindowsKeyLock] = 0xAA; // the byte after the map must not leak into the packet
    protocol.WriteKeyEnableMap(image);
    ASSERT_EQ(channel.calls.size(), 2u);
    EXPECT_EQ(Sent(0), (V{0, 0x0E, 0, 0, 0x15, 0, 0, 0, 0xDC}));
    const V packet = Sent(1);
    ASSERT_EQ(packet.size(), 65u);
    EXPECT_EQ(packet[0], 0);
    for (int i = 1; i <= 21; ++i)
        EXPECT_EQ(packet[i], 0x3F) << i;
    for (int i = 22; i < 65; ++i)
        EXPECT_EQ(packet[i], 0) << i;
    EXPECT_EQ(channel.calls[1].at, milliseconds(10));
}

TEST_F(ProtocolFixture, BulkReadsFillTheRegionPieceByPiece)
{
    for (int i = 0; i < 8; ++i)
        channel.packets.push_back(Packet(static_cast<std::uint8_t>(0x10 + i)));
    protocol.ReadKeyTable(image);
    ASSERT_EQ(channel.calls.size(), 10u);
    EXPECT_EQ(Sent(0), (V{0, 0x8D, 0, 0, 0, 0, 0, 0, 0x72})); // no count for the key table query
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(image[img::kDeviceKeyTable + 64 * i], 0x10 + i);
        EXPECT_EQ(image[img::kDeviceKeyTable + 64 * i + 63], 0x10 + i);
    }
    EXPECT_EQ(image[img::kDeviceKeyTable - 1], 0);
    EXPECT_EQ(image[img::kDeviceKeyTable + 512], 0);
    EXPECT_EQ(clock.TotalPaused(), milliseconds(0));
}

TEST_F(ProtocolFixture, MacroSlotAndLightMapTransfersAddressTheirSlot)
{
    image.MacroSlot(5)[0] = 0xAB;
    image.MacroSlot(5)[191] = 0xCD;
    image.MacroSlot(6)[0] = 0xEE;
    protocol.WriteMacroSlot(image, 5);
    ASSERT_EQ(channel.calls.size(), 4u);
    EXPECT_EQ(Args(0, 5), (V{0x11, 0, 5, 3}));
    EXPECT_EQ(Sent(1)[1], 0xAB);
    EXPECT_EQ(Sent(3)[64], 0xCD);
    // One millisecond before the packets, then yields between them.
    EXPECT_EQ(clock.Pauses(), (std::vector<milliseconds>{milliseconds(1), milliseconds(0), milliseconds(0)}));

    channel.calls.clear();
    for (int i = 0; i < 3; ++i)
        channel.packets.push_back(Packet(static_cast<std::uint8_t>(i + 1)));
    protocol.ReadMacroSlot(image, 31);
    EXPECT_EQ(Args(0, 5), (V{0x91, 0, 31, 0}));
    EXPECT_EQ(image.MacroSlot(31)[0], 1);
    EXPECT_EQ(image.MacroSlot(31)[191], 3);
    EXPECT_EQ(image[img::kMacroSlots + img::kMacroSlotsSize], 0); // nothing past the last slot

    channel.calls.clear();
    image.CustomLightMap(4)[511] = 0x77;
    protocol.WriteCustomLightMap(image, 4);
    ASSERT_EQ(channel.calls.size(), 9u);
    EXPECT_EQ(Args(0, 5), (V{0x12, 0, 4, 8}));
    EXPECT_EQ(Sent(8)[64], 0x77);
}

TEST_F(ProtocolFixture, EachCommandTakesItsPauses)
{
    using P = std::vector<milliseconds>;
    const auto ms = [](int n) { return milliseconds(n); };

    protocol.FactoryReset();
    EXPECT_EQ(clock.Pauses(), (P{ms(300), ms(20), ms(300), ms(20), ms(300)}));
    clock.ClearPauses();

    protocol.WriteKeyTable(image);
    EXPECT_EQ(clock.Pauses(), (P{ms(50), ms(60)}));
    clock.ClearPauses();

    protocol.ReadCustomLightMap(image, 0);
    EXPECT_EQ(clock.Pauses(), (P{ms(5), ms(5), ms(5), ms(5), ms(5), ms(5), ms(5), ms(5), ms(5), ms(5)}));
    clock.ClearPauses();

    protocol.GetGameMode(image);
    protocol.GetLighting(image);
    protocol.GetPaletteColour(image, 0);
    protocol.BeginUpdate();
    protocol.SetGameMode(0);
    EXPECT_EQ(clock.Pauses(), (P{ms(5), ms(10), ms(1), ms(1), ms(20), ms(20)}));

    // The trace carries the same pauses, each before the report that followed it.
    traced.clear();
    protocol.GetReportRate(image);
    protocol.SetReportRate(image);
    protocol.Pause(ms(7));
    protocol.EndUpdate();
    EXPECT_EQ(PausesBefore(), (P{ms(20), ms(10), ms(10), ms(17)}));
}

TEST_F(ProtocolFixture, FailedTransfersLeaveTheirTargetAloneButKeepTheSequence)
{
    image[img::kReportRate] = 3;
    channel.replies = {Reply({0, 0x81, 1})};
    channel.failCall = 1; // the reply
    EXPECT_FALSE(protocol.GetReportRate(image));
    EXPECT_EQ(image[img::kReportRate], 3);
    EXPECT_EQ(clock.TotalPaused(), milliseconds(20));

    channel.calls.clear();
    image.CustomLightMap(2)[0] = 0x42;
    for (int i = 0; i < 8; ++i)
        channel.packets.push_back(Packet(0x99));
    channel.failCall = 4; // the third packet
    EXPECT_FALSE(protocol.ReadCustomLightMap(image, 2));
    EXPECT_EQ(channel.calls.size(), 10u); // all eight packets are still read
    EXPECT_EQ(image.CustomLightMap(2)[0], 0x42);
    EXPECT_EQ(image.CustomLightMap(2)[200], 0);

    channel.calls.clear();
    channel.failCall = 0;
    EXPECT_FALSE(protocol.WriteKeyTable(image));
    EXPECT_EQ(channel.calls.size(), 9u);
    channel.calls.clear();
    channel.failCall = -1;
    EXPECT_TRUE(protocol.WriteKeyTable(image));
}

TEST(ProtocolTrace, OneLinePerReport)
{
    TraceRecord record{
        TraceDirection::kFeatureOut, {0x00, 0x81, 0, 0, 0, 0, 0, 0, 0x7E}, milliseconds(10), true};
    EXPECT_EQ(FormatTraceRecord(record), "set-feature 00 81 00 00 00 00 00 00 7e +10ms");
    record.direction = TraceDirection::kEventIn;
    record.bytes = {4, 4, 0, 0};
    record.pauseBefore = milliseconds(0);
    record.ok = false;
    EXPECT_EQ(FormatTraceRecord(record), "event 04 04 00 00 +0ms failed");
}

} // namespace
} // namespace corvane
