#pragma once
// Capturing keystrokes for the key dialog and the macro recorder. A hook delivers each captured
// key to the window it was installed for as a Windows virtual-key code with the keyboard event's
// flag word, whose bit 31 marks a release, and the time the input gave the event; the Qt side
// turns that into UM_HOOK_KEY.

#include <bitset>
#include <cstdint>
#include <optional>

namespace corvane {

// Bit 31 of the flag word: the key was released.
inline constexpr std::uint32_t kHookKeyReleased = 0x80000000u;

// The modes of installhook.
inline constexpr std::int32_t kHookModeKeyStroke = 0;       // one message per keystroke, at the press
inline constexpr std::int32_t kHookModePressAndRelease = 1; // presses and releases (macro recorder)

// What keystroke mode delivers for a key that has no virtual-key code (the table names none such).
inline constexpr std::uint8_t kUnnamedKey = 0;

// When a key event happened on the input's own millisecond clock (the X server's time, the Wayland
// compositor's): 32 bits that wrap about every 49 days. Nothing when the input gave no time.
using InputTime = std::optional<std::uint32_t>;

// Where a hook delivers its keys.
class HookWindow
{
public:
    virtual ~HookWindow() = default;
    virtual void HookKey(std::uint8_t virtualKey, std::uint32_t flags, InputTime time) = 0;
};

class KeyboardHook
{
public:
    virtual ~KeyboardHook() = default;
    // Starts delivering keys to window in the given mode, replacing any earlier installation.
    // False when keys cannot be captured (nothing is delivered then) or the mode is unknown.
    virtual bool installhook(HookWindow& window, std::int32_t mode) = 0;
    // Stops delivering; nothing reaches the window afterwards.
    virtual void removehook() = 0;
    // True when keys are seen only while the window has the keyboard focus (no X11).
    virtual bool CapturesOnlyWhenFocused() const { return false; }
};

// What every hook does with raw presses and releases of Linux key codes: it keeps which keys are
// down, so that auto-repeated presses and repeated releases (raw X events repeat releases of
// injected modifiers) become no messages, maps the code by its place on the keyboard and delivers
// by mode. A key that has no virtual-key code is delivered as kUnnamedKey in keystroke mode, so that
// the window can say it cannot be taken, and is ignored in the recorder's mode.
class HookKeyFilter
{
public:
    bool Start(HookWindow& window, std::int32_t mode);
    void Stop();
    bool Running() const { return window_ != nullptr; }

    void Feed(std::uint16_t linuxKey, bool pressed, InputTime time = {});

private:
    HookWindow* window_ = nullptr;
    std::int32_t mode_ = kHookModeKeyStroke;
    std::bitset<256> down_; // by virtual-key code
};

} // namespace corvane
