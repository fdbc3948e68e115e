#include "keys/KeyboardHook.h"

#include "keys/LinuxKeyMap.h"

namespace corvane {

bool HookKeyFilter::Start(HookWindow& window, std::int32_t mode)
{
    if (mode != kHookModeKeyStroke && mode != kHookModePressAndRelease) return false;
    window_ = &window;
    mode_ = mode;
    // Keys held while the hook starts are not ours: their releases must not arrive alone.
    down_.reset();
    return true;
}

void HookKeyFilter::Stop()
{
    window_ = nullptr;
    down_.reset();
}

void HookKeyFilter::Feed(std::uint16_t linuxKey, bool pressed, InputTime time)
{
    if (window_ == nullptr) return;
    const std::optional<std::uint8_t> key = VirtualKeyFromLinuxKey(linuxKey);
    if (!key) {
        if (pressed && mode_ == kHookModeKeyStroke) window_->HookKey(kUnnamedKey, 0, time);
        return;
    }
    if (pressed) {
        if (down_.test(*key)) return;
        down_.set(*key);
        window_->HookKey(*key, 0, time);
        return;
    }
    if (!down_.test(*key)) return;
    down_.reset(*key);
    if (mode_ == kHookModePressAndRelease) window_->HookKey(*key, kHookKeyReleased, time);
}

} // namespace corvane
