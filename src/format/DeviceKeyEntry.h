#pragma once
// What the keyboard itself does for a key: a 4-byte entry in the device key table, byte 0
// selecting the form.

#include "format/KeyLayout.h"
#include "format/SettingsImage.h"

#include <algorithm>
#include <cstdint>

namespace corvane {

using DeviceKeyEntry = DeviceKeyBytes;

enum DeviceKeyForm : std::uint8_t {
    kKeyboardForm = 0x00,   // bytes 1-3: keyboard-page usages sent together
    kFnForm = 0x02,         // factory table only: the Fn key
    kConsumerForm = 0x03,   // bytes 2-3: one consumer-page usage, little-endian
    kMacroForm = 0x04,      // byte 1 = 1, byte 2: macro slot
    kHostActionForm = 0x0A, // the keyboard reports byte 2 to the host, which runs the launch action
};

inline DeviceKeyEntry KeyboardEntry(std::uint8_t usage1, std::uint8_t usage2, std::uint8_t usage3)
{
    return {kKeyboardForm, usage1, usage2, usage3};
}
// A plain key: its usage in byte 2 only.
inline DeviceKeyEntry PlainKeyEntry(std::uint8_t usage)
{
    return {kKeyboardForm, 0, usage, 0};
}
inline DeviceKeyEntry ConsumerEntry(std::uint16_t usage)
{
    return {kConsumerForm, 0, static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8)};
}
inline DeviceKeyEntry MacroEntry(std::uint8_t macro)
{
    return {kMacroForm, 1, macro, 0};
}
inline DeviceKeyEntry HostActionEntry(std::uint8_t keyCode)
{
    return {kHostActionForm, 0, keyCode, 0};
}

inline DeviceKeyEntry GetDeviceKeyEntry(const SettingsImage& image, std::size_t deviceIndex)
{
    DeviceKeyEntry entry;
    std::copy_n(image.DeviceKeyEntry(deviceIndex), entry.size(), entry.begin());
    return entry;
}
inline void PutDeviceKeyEntry(SettingsImage& image, std::size_t deviceIndex, const DeviceKeyEntry& entry)
{
    std::copy(entry.begin(), entry.end(), image.DeviceKeyEntry(deviceIndex));
}

} // namespace corvane
