#include "format/KeyLayout.h"

#include "format/KeyCodeTable.h"

namespace corvane {

// By layout position: the top row from Esc, the media keys, then the rows below, left to right.
extern const std::array<std::uint8_t, kLayoutKeyCount> DefaultKeyOrder = {
    27,  112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 44,  145, 19,  174, 181,
    179, 175, 192, 49,  50,  51,  52,  53,  54,  55,  56,  57,  48,  189, 187, 8,   45,  36,
    33,  144, 111, 106, 109, 9,   81,  87,  69,  82,  84,  89,  85,  73,  79,  80,  219, 221,
    220, 46,  35,  34,  103, 104, 105, 107, 20,  65,  83,  68,  70,  71,  72,  74,  75,  76,
    186, 222, 13,  100, 101, 102, 160, 90,  88,  67,  86,  66,  78,  77,  188, 190, 191, 161,
    38,  97,  98,  99,  108, 162, 91,  164, 32,  165, 93,  93,  163, 37,  40,  39,  96,  110,
};

extern const std::array<std::uint16_t, kLayoutKeyCount> KeyIndexOffsets = {
    20,  68,  92,  116, 140, 164, 188, 212, 236, 260, 284, 308, 332, 356, 380, 404, 428, 452,
    476, 500, 16,  40,  64,  88,  112, 136, 160, 184, 208, 232, 256, 280, 304, 328, 352, 376,
    400, 424, 448, 472, 496, 12,  36,  60,  84,  108, 132, 156, 180, 204, 228, 252, 276, 300,
    324, 348, 372, 396, 420, 444, 468, 488, 8,   32,  56,  80,  104, 128, 152, 176, 200, 224,
    248, 272, 320, 416, 440, 464, 4,   28,  52,  76,  100, 124, 148, 172, 196, 220, 244, 292,
    364, 412, 436, 460, 480, 0,   24,  48,  120, 216, 240, 264, 312, 336, 360, 384, 408, 456,
};

namespace {

constexpr std::size_t kBackslashSlot = 54;

std::array<DeviceKeyBytes, 128> BuildDefaultDeviceKeyTable()
{
    const KeyCodeTable& codes = StandardKeyCodeTable();
    std::array<DeviceKeyBytes, 128> table{};
    for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot)
        table[DeviceKeyIndex(slot)] = {0, 0, codes.Usage(DefaultKeyOrder[slot]), 0};
    // The keyboard's own backslash usage differs from the one the key code table sends.
    table[DeviceKeyIndex(kBackslashSlot)] = {0, 0, 0x31, 0};
    // The four media keys are consumer-control usages.
    table[107] = {3, 0, 0xEA, 0x00};
    table[113] = {3, 0, 0x83, 0x01};
    table[119] = {3, 0, 0xCD, 0x00};
    table[125] = {3, 0, 0xE9, 0x00};
    table[DeviceKeyIndex(kFnSlot)] = {2, 0, 0, 0};
    // Indexes no key uses that still hold a factory usage.
    table[11] = {0, 0, 0x32, 0};
    table[18] = {0, 0, 0x91, 0};
    table[48] = {0, 0, 0x90, 0};
    table[79] = {0, 0, 0x28, 0};
    return table;
}

} // namespace

const std::array<DeviceKeyBytes, 128>& DefaultDeviceKeyTable()
{
    static const std::array<DeviceKeyBytes, 128> table = BuildDefaultDeviceKeyTable();
    return table;
}

} // namespace corvane
