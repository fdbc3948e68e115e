#pragma once
// What the device link tells its owner, as typed events. The link's threads raise them; the owner
// decides how they reach its own thread (the window posts them to itself, corvanectl ignores the
// ones it does not need). Acknowledgements stay inside the link.

#include "device/LightingSettings.h"

#include <cstdint>
#include <variant>

namespace corvane {

// Where the settings of a finished read came from.
enum class ReadSource : std::uint8_t {
    kDevice,       // the keyboard: the start-up read or a reread after it came back
    kProfilePanel, // a profile was loaded into memory
};

struct ReadFinished
{
    ReadSource source = ReadSource::kDevice;
    bool operator==(const ReadFinished&) const = default;
};

// A setting changed with the keyboard's own lighting keys. The sub-type may be one the program
// does not know; the window repaints all the same.
struct KeyboardSettingChanged
{
    KeyboardSetting setting = KeyboardSetting::kMode;
    std::uint8_t value = 0;
    bool operator==(const KeyboardSettingChanged&) const = default;
};

// A key whose function the PC carries out was pressed; the key code it carries.
struct HostKeyPressed
{
    std::uint8_t keyCode = 0;
    bool operator==(const HostKeyPressed&) const = default;
};

using LinkEvent = std::variant<ReadFinished, KeyboardSettingChanged, HostKeyPressed>;

class LinkEventSink
{
public:
    virtual ~LinkEventSink() = default;
    // Called from any of the link's threads; must not block.
    virtual void Raise(const LinkEvent& event) = 0;
};

// For owners that wait for the link's work themselves and need none of its events.
class IgnoreLinkEvents final : public LinkEventSink
{
public:
    void Raise(const LinkEvent&) override {}
};

} // namespace corvane
