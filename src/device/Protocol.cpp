#include "device/Protocol.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace corvane {

using std::chrono::milliseconds;

namespace {
constexpr milliseconds kNoPause{0};
} // namespace

std::uint8_t FrameChecksum(const CommandFrame& frame)
{
    unsigned sum = 0;
    for (std::size_t i = 1; i <= 7; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(0xFF - sum);
}

CommandFrame MakeFrame(std::uint8_t code, const std::array<std::uint8_t, 6>& arguments)
{
    CommandFrame frame{};
    frame[1] = code;
    std::copy(arguments.begin(), arguments.end(), frame.begin() + 2);
    frame[8] = FrameChecksum(frame);
    return frame;
}

const char* TraceDirectionName(TraceDirection direction)
{
    switch (direction) {
    case TraceDirection::kFeatureOut:
        return "set-feature";
    case TraceDirection::kFeatureIn:
        return "get-feature";
    case TraceDirection::kPacketOut:
        return "write";
    case TraceDirection::kPacketIn:
        return "read";
    case TraceDirection::kEventIn:
        return "event";
    }
    return "?";
}

std::string FormatTraceRecord(const TraceRecord& record)
{
    std::string line = TraceDirectionName(record.direction);
    char hex[4];
    for (std::uint8_t byte : record.bytes) {
        std::snprintf(hex, sizeof hex, " %02x", byte);
        line += hex;
    }
    line += " +" + std::to_string(record.pauseBefore.count()) + "ms";
    if (!record.ok) line += " failed";
    return line;
}

CommandProtocol::CommandProtocol(HidChannel& channel, Clock& clock, TraceSink trace)
    : channel_(channel), clock_(clock), trace_(std::move(trace))
{
}

void CommandProtocol::Pause(milliseconds duration)
{
    clock_.Pause(duration);
    pausedSinceLast_ += duration;
}

void CommandProtocol::Emit(TraceDirection direction, const std::uint8_t* bytes, std::size_t size, bool ok)
{
    if (trace_)
        trace_(TraceRecord{direction, std::vector<std::uint8_t>(bytes, bytes + size), pausedSinceLast_, ok});
    pausedSinceLast_ = kNoPause;
}

bool CommandProtocol::Send(const CommandFrame& frame)
{
    const bool ok = channel_.SetFeature(frame);
    Emit(TraceDirection::kFeatureOut, frame.data(), frame.size(), ok);
    return ok;
}

bool CommandProtocol::Receive(CommandFrame& reply)
{
    reply.fill(0);
    const bool ok = channel_.GetFeature(reply);
    Emit(TraceDirection::kFeatureIn, reply.data(), reply.size(), ok);
    return ok;
}

bool CommandProtocol::Query(std::uint8_t code, const std::array<std::uint8_t, 6>& arguments,
                            CommandFrame& reply, milliseconds before, milliseconds after)
{
    const bool sent = Send(MakeFrame(code, arguments));
    if (before.count() > 0) Pause(before);
    const bool received = Receive(reply);
    if (after.count() > 0) Pause(after);
    return sent && received;
}

// Packets are collected first so that a failed read leaves the region as it was.
bool CommandProtocol::ReadPackets(std::uint8_t* region, int count, milliseconds after)
{
    std::vector<std::uint8_t> data(static_cast<std::size_t>(count) * kPacketPayload);
    bool ok = true;
    for (int i = 0; i < count; ++i) {
        BulkPacket packet{};
        const bool read = channel_.Read(packet);
        Emit(TraceDirection::kPacketIn, packet.data(), packet.size(), read);
        ok = ok && read;
        std::memcpy(data.data() + kPacketPayload * i, packet.data() + 1, kPacketPayload);
        if (after.count() > 0) Pause(after);
    }
    if (ok) std::memcpy(region, data.data(), data.size());
    return ok;
}

bool CommandProtocol::WritePacket(const std::uint8_t* data, std::size_t size)
{
    BulkPacket packet{};
    std::memcpy(packet.data() + 1, data, std::min(size, kPacketPayload));
    const bool ok = channel_.Write(packet);
    Emit(TraceDirection::kPacketOut, packet.data(), packet.size(), ok);
    return ok;
}

bool CommandProtocol::GetFirmwareVersion(FirmwareVersion& deviceVersion, std::array<std::uint8_t, 8>* reply)
{
    CommandFrame frame;
    if (!Query(cmd::kGetFirmwareVersion, {}, frame, milliseconds(10), milliseconds(10))) return false;
    if (reply) std::copy(frame.begin() + 1, frame.end(), reply->begin());
    deviceVersion = FirmwareVersion{frame[2], frame[3], 0, 0};
    return true;
}

bool CommandProtocol::GetReportRate(SettingsImage& image)
{
    CommandFrame frame;
    if (!Query(cmd::kGetReportRate, {}, frame, milliseconds(10), milliseconds(10))) return false;
    image[img::kReportRate] = frame[2];
    return true;
}

bool CommandProtocol::SetReportRate(const SettingsImage& image)
{
    const bool ok = Send(MakeFrame(cmd::kSetReportRate, {image[img::kReportRate]}));
    Pause(milliseconds(10));
    return ok;
}

bool CommandProtocol::GetResponseTime(SettingsImage& image)
{
    CommandFrame frame;
    if (!Query(cmd::kGetResponseTime, {}, frame, milliseconds(10), milliseconds(10))) return false;
    // The keyboard counts from one; the image holds the slider position everywhere, so a file
    // means the same whether it was saved after a read or after a paint.
    image[img::kResponseTime] = frame[2] > 0 ? static_cast<std::uint8_t>(frame[2] - 1) : 0;
    return true;
}

bool CommandProtocol::SetResponseTime(const SettingsImage& image)
{
    // A byte beyond the slider (a file from elsewhere) goes out as the slider's end.
    const std::uint8_t position = std::min(image[img::kResponseTime], img::kMaxResponseTime);
    const bool ok = Send(MakeFrame(cmd::kSetResponseTime, {static_cast<std::uint8_t>(position + 1)}));
    Pause(milliseconds(10));
    return ok;
}

bool CommandProtocol::GetLighting(SettingsImage& image)
{
    CommandFrame frame;
    if (!Query(cmd::kGetLighting, {}, frame, milliseconds(10), kNoPause)) return false;
    image[img::kLightingMode] = frame[3];
    image[img::kSpeed] = static_cast<std::uint8_t>(10 - frame[4]);
    image[img::kBrightness] = frame[5];
    image[img::kColour] = frame[6];
    image[img::kDirection] = frame[7];
    return true;
}

bool CommandProtocol::SetLighting(const SettingsImage& image, int stage)
{
    const auto brightness = stage == 2 ? image[img::kBrightness] : std::uint8_t{0};
    const bool ok =
        Send(MakeFrame(cmd::kSetLighting, {static_cast<std::uint8_t>(stage), image[img::kLightingMode],
                                           static_cast<std::uint8_t>(10 - image[img::kSpeed]), brightness,
                                           image[img::kColour], image[img::kDirection]}));
    Pause(milliseconds(10));
    return ok;
}

bool CommandProtocol::GetGameMode(SettingsImage& image)
{
    CommandFrame frame;
    if (!Query(cmd::kGetGameMode, {}, frame, milliseconds(5), kNoPause)) return false;
    image[img::kGameMode] = frame[2];
    return true;
}

bool CommandProtocol::SetGameMode(std::uint8_t gameMode)
{
    const bool ok = Send(MakeFrame(cmd::kSetGameMode, {gameMode}));
    Pause(milliseconds(20));
    return ok;
}

bool CommandProtocol::ReadKeyTable(SettingsImage& image)
{
    CommandFrame frame;
    const bool queried = Query(cmd::kReadKeyTable, {}, frame, kNoPause, kNoPause);
    const bool read = ReadPackets(image.data() + img::kDeviceKeyTable, kKeyTablePackets, kNoPause);
    return queried && read;
}

bool CommandProtocol::WriteKeyTable(const SettingsImage& image)
{
    bool ok = Send(MakeFrame(cmd::kWriteKeyTable, {0, 0, kKeyTablePackets}));
    Pause(milliseconds(50));
    for (int i = 0; i < kKeyTablePackets; ++i)
        ok = WritePacket(image.data() + img::kDeviceKeyTable + kPacketPayload * i, kPacketPayload) && ok;
    Pause(milliseconds(60));
    return ok;
}

bool CommandProtocol::ReadKeyEnableMap(SettingsImage& image)
{
    CommandFrame frame;
    const bool queried = Query(cmd::kReadKeyEnableMap, {0, 0, kKeyEnableMapBytes}, frame, kNoPause, kNoPause);
    BulkPacket packet{};
    const bool read = channel_.Read(packet);
    Emit(TraceDirection::kPacketIn, packet.data(), packet.size(), read);
    if (!read) return false;
    std::memcpy(image.data() + img::kKeyEnableMap, packet.data() + 1, img::kKeyEnableMapSize);
    image[img::kWindowsKeyLock] = (image[img::kKeyEnableMap + 1] & 0x01) == 0 ? 1 : 0;
    return queried;
}

bool CommandProtocol::WriteKeyEnableMap(const SettingsImage& image)
{
    const bool sent = Send(MakeFrame(cmd::kWriteKeyEnableMap, {0, 0, kKeyEnableMapBytes}));
    Pause(milliseconds(10));
    const bool written = WritePacket(image.data() + img::kKeyEnableMap, img::kKeyEnableMapSize);
    return sent && written;
}

bool CommandProtocol::ReadMacroSlot(SettingsImage& image, int slot)
{
    CommandFrame frame;
    const bool queried =
        Query(cmd::kReadMacroSlot, {0, static_cast<std::uint8_t>(slot)}, frame, kNoPause, kNoPause);
    const bool read = ReadPackets(image.MacroSlot(slot), kMacroSlotPackets, kNoPause);
    return queried && read;
}

bool CommandProtocol::WriteMacroSlot(const SettingsImage& image, int slot)
{
    // Sent from a copy so the slot can change while its packets go out.
    std::array<std::uint8_t, img::kMacroSlotSize> copy;
    std::memcpy(copy.data(), image.MacroSlot(slot), copy.size());
    bool ok = Send(MakeFrame(cmd::kWriteMacroSlot, {0, static_cast<std::uint8_t>(slot), kMacroSlotPackets}));
    Pause(milliseconds(1));
    for (int i = 0; i < kMacroSlotPackets; ++i) {
        if (i > 0) Pause(kNoPause); // the keyboard needs a yield between macro packets
        ok = WritePacket(copy.data() + kPacketPayload * i, kPacketPayload) && ok;
    }
    return ok;
}

bool CommandProtocol::ReadCustomLightMap(SettingsImage& image, int map)
{
    CommandFrame frame;
    const bool queried =
        Query(cmd::kReadCustomLightMap, {0, static_cast<std::uint8_t>(map), kCustomLightMapPackets}, frame,
              milliseconds(5), milliseconds(5));
    const bool read = ReadPackets(image.CustomLightMap(map), kCustomLightMapPackets, milliseconds(5));
    return queried && read;
}

bool CommandProtocol::WriteCustomLightMap(const SettingsImage& image, int map)
{
    bool ok = Send(
        MakeFrame(cmd::kWriteCustomLightMap, {0, static_cast<std::uint8_t>(map), kCustomLightMapPackets}));
    Pause(milliseconds(5));
    for (int i = 0; i < kCustomLightMapPackets; ++i) {
        ok = WritePacket(image.CustomLightMap(map) + kPacketPayload * i, kPacketPayload) && ok;
        Pause(milliseconds(5));
    }
    return ok;
}

bool CommandProtocol::GetPaletteColour(SettingsImage& image, int index)
{
    CommandFrame frame;
    if (!Query(cmd::kGetPaletteColour, {0, static_cast<std::uint8_t>(index)}, frame, milliseconds(1),
               milliseconds(1)))
        return false;
    std::uint8_t* entry = image.PaletteEntry(index);
    entry[0] = frame[4];
    entry[1] = frame[5];
    entry[2] = frame[6];
    return true;
}

bool CommandProtocol::SetPaletteColour(const SettingsImage& image, int index)
{
    const std::uint8_t* entry = image.PaletteEntry(index);
    const bool ok = Send(MakeFrame(cmd::kSetPaletteColour,
                                   {0, static_cast<std::uint8_t>(index), entry[0], entry[1], entry[2]}));
    Pause(milliseconds(20));
    return ok;
}

bool CommandProtocol::FactoryReset()
{
    bool ok = Send(MakeFrame(cmd::kFactoryReset, {0xFF}));
    Pause(milliseconds(300));
    ok = SetGameMode(1) && ok;
    Pause(milliseconds(300));
    ok = SetGameMode(1) && ok;
    Pause(milliseconds(300));
    return ok;
}

bool CommandProtocol::BeginUpdate()
{
    const bool ok = Send(MakeFrame(cmd::kUpdate, {1}));
    Pause(milliseconds(20));
    return ok;
}

bool CommandProtocol::EndUpdate()
{
    const bool ok = Send(MakeFrame(cmd::kUpdate, {0}));
    Pause(milliseconds(20));
    return ok;
}

} // namespace corvane
