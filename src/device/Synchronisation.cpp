#include "device/Synchronisation.h"

#include "device/SettingsState.h"
#include "format/KeyLayout.h"

#include <cstring>

namespace corvane {

using std::chrono::milliseconds;

const char* SyncResultText(SyncResult result)
{
    switch (result) {
    case SyncResult::kOk:
        return "done";
    case SyncResult::kNoKeyboard:
        return "no keyboard found";
    case SyncResult::kBusy:
        return "keyboard is busy reading its settings";
    case SyncResult::kNotAcknowledged:
        return "keyboard did not acknowledge the change";
    case SyncResult::kTransferFailed:
        return "transfer to the keyboard failed";
    }
    return "unknown result";
}

void AckLatch::Clear()
{
    std::lock_guard lock(mutex_);
    set_ = false;
}

void AckLatch::Set()
{
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    signal_.notify_all();
}

bool AckLatch::Wait(milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return signal_.wait_for(lock, timeout, [this] { return set_; });
}

namespace {

// The regions the keyboard holds, apart from the lighting block, palette and the single bytes.
struct Region
{
    std::size_t offset;
    std::size_t size;
};
constexpr Region kDeviceRegions[] = {
    {img::kReportRate, 1},
    {img::kDeviceKeyTable, img::kDeviceKeyTableSize},
    {img::kMacroSlots, img::kMacroSlotsSize},
    {img::kResponseTime, 1},
    {img::kLightingBlock, img::kLightingBlockSize},
    {img::kPalette, img::kPaletteSize},
    {img::kGameMode, 1},
    {img::kKeyEnableMap, img::kKeyEnableMapSize},
    {img::kWindowsKeyLock, 1},
    {img::kCustomLightMaps, img::kCustomLightMapSize* img::kCustomLightMapCount},
};

void CopyRegion(const SettingsImage& from, SettingsImage& to, std::size_t offset, std::size_t size)
{
    std::memcpy(to.data() + offset, from.data() + offset, size);
}

template <typename Step> bool ReadSequence(CommandProtocol& protocol, SettingsImage& image, Step between)
{
    bool ok = true;
    ok = protocol.GetLighting(image) && ok;
    if (!between()) return false;
    for (int i = 0; i < static_cast<int>(img::kPaletteEntries); ++i)
        ok = protocol.GetPaletteColour(image, i) && ok;
    if (!between()) return false;
    ok = protocol.GetGameMode(image) && ok;
    ok = protocol.GetReportRate(image) && ok;
    ok = protocol.GetResponseTime(image) && ok;
    ok = protocol.ReadKeyTable(image) && ok;
    ok = protocol.ReadKeyEnableMap(image) && ok;
    return ok;
}

} // namespace

bool ReadAllSettings(CommandProtocol& protocol, SettingsImage& image)
{
    bool ok = protocol.SetGameMode(1);
    protocol.Pause(milliseconds(10));
    ok = ReadSequence(protocol, image, [] { return true; }) && ok;
    for (int slot = 0; slot < static_cast<int>(img::kMacroSlotCount); ++slot)
        ok = protocol.ReadMacroSlot(image, slot) && ok;
    for (int map = 0; map < static_cast<int>(img::kCustomLightMapCount); ++map)
        ok = protocol.ReadCustomLightMap(image, map) && ok;
    return ok;
}

bool ReadAllSettingsAtStartup(CommandProtocol& protocol, SettingsImage& image, FirmwareVersion& deviceVersion,
                              const std::atomic<bool>& cancel)
{
    const auto goOn = [&cancel] { return !cancel.load(); };
    bool ok = protocol.SetGameMode(1);
    ok = protocol.GetFirmwareVersion(deviceVersion) && ok;
    if (!goOn()) return false;
    ok = ReadSequence(protocol, image, goOn) && ok;
    for (int slot = 0; slot < static_cast<int>(img::kMacroSlotCount); ++slot) {
        if (!goOn()) return false;
        ok = protocol.ReadMacroSlot(image, slot) && ok;
        protocol.Pause(milliseconds(0));
    }
    for (int map = 0; map < static_cast<int>(img::kCustomLightMapCount); ++map) {
        if (!goOn()) return false;
        ok = protocol.ReadCustomLightMap(image, map) && ok;
    }
    return ok && goOn();
}

void CopyDeviceRegions(const SettingsImage& from, SettingsImage& to)
{
    for (const Region& region : kDeviceRegions)
        CopyRegion(from, to, region.offset, region.size);
}

namespace {

class ApplySequence
{
public:
    ApplySequence(AckLatch& ack, SettingsImage& image, SettingsShadow& shadow, milliseconds ackTimeout)
        : ack_(ack), image_(image), shadow_(shadow), ackTimeout_(ackTimeout)
    {
    }

    bool Differs(std::size_t offset, std::size_t size) const
    {
        return !image_.RegionEquals(shadow_, offset, size);
    }

    // One step: clear the acknowledgement, send, wait for it; the region counts as confirmed
    // only then.
    template <typename Send> bool Step(Send send, std::size_t offset, std::size_t size)
    {
        ack_.Clear();
        if (!send()) {
            result_ = SyncResult::kTransferFailed;
            return false;
        }
        if (!ack_.Wait(ackTimeout_)) {
            result_ = SyncResult::kNotAcknowledged;
            return false;
        }
        CopyRegion(image_, shadow_, offset, size);
        return true;
    }

    SyncResult result() const { return result_; }

private:
    AckLatch& ack_;
    SettingsImage& image_;
    SettingsShadow& shadow_;
    milliseconds ackTimeout_;
    SyncResult result_ = SyncResult::kOk;
};

} // namespace

SyncResult ApplySettingsChanges(CommandProtocol* protocol, AckLatch& ack, SettingsImage& image,
                                SettingsShadow& shadow, milliseconds ackTimeout)
{
    if (!protocol) return SyncResult::kNoKeyboard;
    CommandProtocol& p = *protocol;
    if (!p.BeginUpdate()) return SyncResult::kTransferFailed;

    // The Windows-key lock lives in its own field but travels as bit 0 of the enable map's
    // second byte.
    std::uint8_t& windowsKeyByte = image[img::kKeyEnableMap + 1];
    if (image[img::kWindowsKeyLock] == 1)
        windowsKeyByte &= 0x3E;
    else
        windowsKeyByte |= 0x01;

    ApplySequence seq(ack, image, shadow, ackTimeout);
    const bool palette = seq.Differs(img::kPalette, img::kPaletteSize);
    const bool gameMode = seq.Differs(img::kGameMode, 1);
    const bool reportRate = seq.Differs(img::kReportRate, 1);
    const bool responseTime = seq.Differs(img::kResponseTime, 1);
    const bool keyTable = seq.Differs(img::kDeviceKeyTable, img::kDeviceKeyTableSize);
    const bool keyEnableMap = seq.Differs(img::kKeyEnableMap, img::kKeyEnableMapSize);
    bool slots[img::kMacroSlotCount];
    bool anySlot = false;
    for (std::size_t s = 0; s < img::kMacroSlotCount; ++s) {
        slots[s] = seq.Differs(img::kMacroSlots + s * img::kMacroSlotSize, img::kMacroSlotSize);
        anySlot = anySlot || slots[s];
    }
    bool maps[img::kCustomLightMapCount];
    bool anyMap = false;
    for (std::size_t m = 0; m < img::kCustomLightMapCount; ++m) {
        maps[m] = seq.Differs(img::kCustomLightMaps + m * img::kCustomLightMapSize, img::kCustomLightMapSize);
        anyMap = anyMap || maps[m];
    }
    const bool lighting = seq.Differs(img::kLightingBlock, img::kLightingBlockSize);

    if (!(palette || gameMode || reportRate || responseTime || keyTable || keyEnableMap || anySlot ||
          anyMap || lighting))
        return p.EndUpdate() ? SyncResult::kOk : SyncResult::kTransferFailed;

    const auto run = [&]() -> bool {
        // Stage 1 goes out dark; the lighting block is confirmed only by the full stage 2 below.
        if (!seq.Step(
                [&] {
                    const bool ok = p.SetLighting(image, 1);
                    p.Pause(milliseconds(10));
                    return ok;
                },
                img::kLightingBlock, 0))
            return false;
        if (palette && !seq.Step(
                           [&] {
                               bool ok = true;
                               for (int i = 0; i < static_cast<int>(img::kPaletteEntries); ++i)
                                   ok = p.SetPaletteColour(image, i) && ok;
                               return ok;
                           },
                           img::kPalette, img::kPaletteSize))
            return false;
        if (gameMode && !seq.Step([&] { return p.SetGameMode(image[img::kGameMode]); }, img::kGameMode, 1))
            return false;
        if (reportRate && !seq.Step([&] { return p.SetReportRate(image); }, img::kReportRate, 1))
            return false;
        if (responseTime && !seq.Step([&] { return p.SetResponseTime(image); }, img::kResponseTime, 1))
            return false;
        if (keyTable &&
            !seq.Step([&] { return p.WriteKeyTable(image); }, img::kDeviceKeyTable, img::kDeviceKeyTableSize))
            return false;
        for (int s = 0; s < static_cast<int>(img::kMacroSlotCount); ++s) {
            if (slots[s] && !seq.Step([&] { return p.WriteMacroSlot(image, s); },
                                      img::kMacroSlots + s * img::kMacroSlotSize, img::kMacroSlotSize))
                return false;
        }
        if (keyEnableMap &&
            !seq.Step([&] { return p.WriteKeyEnableMap(image); }, img::kKeyEnableMap, img::kKeyEnableMapSize))
            return false;
        for (int m = 0; m < static_cast<int>(img::kCustomLightMapCount); ++m) {
            if (maps[m] &&
                !seq.Step([&] { return p.WriteCustomLightMap(image, m); },
                          img::kCustomLightMaps + m * img::kCustomLightMapSize, img::kCustomLightMapSize))
                return false;
        }
        return true;
    };

    if (!run()) {
        // Leave a keyboard that is still there lit and out of its update state; nothing waits.
        p.SetLighting(image, 2);
        p.EndUpdate();
        return seq.result();
    }
    ack.Clear();
    const bool lit = p.SetLighting(image, 2);
    if (!lit) {
        p.EndUpdate();
        return SyncResult::kTransferFailed;
    }
    shadow = image;
    return p.EndUpdate() ? SyncResult::kOk : SyncResult::kTransferFailed;
}

void ResetHostSideToFactory(SettingsState& state)
{
    state.marks.Clear();
    std::memset(state.image.data() + img::kKeyEnableMap, 0xFF, img::kKeyEnableMapSize);
    std::memset(state.records.data(), 0, KeyRecordBuffer::size());
    for (std::size_t p = 0; p < kLayoutKeyCount; ++p)
        state.records[p][rec::kKeyCode] = DefaultKeyOrder[p];
}

} // namespace corvane
