#pragma once
// The keyboard's command protocol on the command channel: 9-byte feature reports carrying a
// command and up to six argument bytes, 9-byte replies to queries, and 65-byte bulk packets. One
// function per command; each moves data between the keyboard and a region of the settings image
// and takes the pauses the keyboard needs between steps.

#include "device/Clock.h"
#include "device/Firmware.h"
#include "device/HidBackend.h"
#include "format/SettingsImage.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

inline constexpr std::size_t kFrameSize = 9;
inline constexpr std::size_t kPacketSize = 65;
inline constexpr std::size_t kPacketPayload = 64;
using CommandFrame = std::array<std::uint8_t, kFrameSize>;
using BulkPacket = std::array<std::uint8_t, kPacketSize>;

// Command codes; a query is its set command plus 0x80.
namespace cmd {
inline constexpr std::uint8_t kGetFirmwareVersion = 0x80;
inline constexpr std::uint8_t kGetReportRate = 0x81;
inline constexpr std::uint8_t kSetReportRate = 0x01;
inline constexpr std::uint8_t kGetResponseTime = 0x84;
inline constexpr std::uint8_t kSetResponseTime = 0x04;
inline constexpr std::uint8_t kGetLighting = 0x88;
inline constexpr std::uint8_t kSetLighting = 0x08;
inline constexpr std::uint8_t kGetGameMode = 0x89;
inline constexpr std::uint8_t kSetGameMode = 0x09;
inline constexpr std::uint8_t kReadKeyTable = 0x8D;
inline constexpr std::uint8_t kWriteKeyTable = 0x0D;
inline constexpr std::uint8_t kReadKeyEnableMap = 0x8E;
inline constexpr std::uint8_t kWriteKeyEnableMap = 0x0E;
inline constexpr std::uint8_t kReadMacroSlot = 0x91;
inline constexpr std::uint8_t kWriteMacroSlot = 0x11;
inline constexpr std::uint8_t kReadCustomLightMap = 0x92;
inline constexpr std::uint8_t kWriteCustomLightMap = 0x12;
inline constexpr std::uint8_t kGetPaletteColour = 0x94;
inline constexpr std::uint8_t kSetPaletteColour = 0x14;
inline constexpr std::uint8_t kFactoryReset = 0x13;
inline constexpr std::uint8_t kUpdate = 0x18; // byte 2: 1 begins an apply, 0 ends it
} // namespace cmd

// Packet counts of the bulk transfers.
inline constexpr int kKeyTablePackets = 8;
inline constexpr int kMacroSlotPackets = 3;
inline constexpr int kCustomLightMapPackets = 8;
inline constexpr std::uint8_t kKeyEnableMapBytes = 0x15;

// 0xFF minus the sum of bytes 1-7, modulo 256.
std::uint8_t FrameChecksum(const CommandFrame& frame);
// A frame with report ID 0, the command, argument bytes 2-7 and the checksum.
CommandFrame MakeFrame(std::uint8_t code, const std::array<std::uint8_t, 6>& arguments = {});

// One report that crossed a channel, for --trace and for tests. The pause is the time the host
// waited since the report before it on the same channel.
enum class TraceDirection : std::uint8_t {
    kFeatureOut, // command frame sent
    kFeatureIn,  // reply frame read
    kPacketOut,  // bulk packet written
    kPacketIn,   // bulk packet read
    kEventIn,    // input report from the event channel
};
struct TraceRecord
{
    TraceDirection direction = TraceDirection::kFeatureOut;
    std::vector<std::uint8_t> bytes;
    std::chrono::milliseconds pauseBefore{0};
    bool ok = true; // false when the transfer did not go through
};
using TraceSink = std::function<void(const TraceRecord&)>;

const char* TraceDirectionName(TraceDirection direction);
// "<direction> <bytes in hex> +<pause>ms", with " failed" appended when the transfer failed.
std::string FormatTraceRecord(const TraceRecord& record);

// Not reentrant: one command sequence at a time per channel. Every operation returns true when
// all of its transfers went through. A query whose transfer fails leaves its target unchanged;
// the frames and pauses of the sequence stay as they are either way.
class CommandProtocol
{
public:
    CommandProtocol(HidChannel& channel, Clock& clock, TraceSink trace = {});

    // Reply bytes 1-8 go to *reply when given; the device version is reply bytes 2 and 3.
    bool GetFirmwareVersion(FirmwareVersion& deviceVersion, std::array<std::uint8_t, 8>* reply = nullptr);
    bool GetReportRate(SettingsImage& image);
    bool SetReportRate(const SettingsImage& image);
    bool GetResponseTime(SettingsImage& image);
    bool SetResponseTime(const SettingsImage& image);
    bool GetLighting(SettingsImage& image);
    // Stage 1 sends brightness 0, stage 2 the stored brightness.
    bool SetLighting(const SettingsImage& image, int stage);
    bool GetGameMode(SettingsImage& image);
    bool SetGameMode(std::uint8_t gameMode);
    bool ReadKeyTable(SettingsImage& image);
    bool WriteKeyTable(const SettingsImage& image);
    // Also derives the Windows-key lock field from the map.
    bool ReadKeyEnableMap(SettingsImage& image);
    bool WriteKeyEnableMap(const SettingsImage& image);
    bool ReadMacroSlot(SettingsImage& image, int slot);
    bool WriteMacroSlot(const SettingsImage& image, int slot);
    bool ReadCustomLightMap(SettingsImage& image, int map);
    bool WriteCustomLightMap(const SettingsImage& image, int map);
    bool GetPaletteColour(SettingsImage& image, int index);
    bool SetPaletteColour(const SettingsImage& image, int index);
    bool FactoryReset();
    bool BeginUpdate();
    bool EndUpdate();

    // A pause of the command sequence around the commands (zero is a yield).
    void Pause(std::chrono::milliseconds duration);

private:
    bool Send(const CommandFrame& frame);
    bool Receive(CommandFrame& reply);
    bool Query(std::uint8_t code, const std::array<std::uint8_t, 6>& arguments, CommandFrame& reply,
               std::chrono::milliseconds before, std::chrono::milliseconds after);
    bool ReadPackets(std::uint8_t* region, int count, std::chrono::milliseconds after);
    bool WritePacket(const std::uint8_t* data, std::size_t size);
    void Emit(TraceDirection direction, const std::uint8_t* bytes, std::size_t size, bool ok);

    HidChannel& channel_;
    Clock& clock_;
    TraceSink trace_;
    std::chrono::milliseconds pausedSinceLast_{0};
};

} // namespace corvane
