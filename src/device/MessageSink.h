#pragma once
// How the device threads reach the main window: messages are posted, never delivered
// synchronously, so a thread that waits for the window can never deadlock with it.

#include <cstdint>

namespace corvane {

// Private window messages.
inline constexpr std::uint32_t UM_TRAY_CALLBACK = 0x405;
inline constexpr std::uint32_t UM_SHOW_NO_DEVICE = 0x406;
inline constexpr std::uint32_t UM_HOOK_KEY = 0x6F3;
inline constexpr std::uint32_t UM_LIST_EDIT_BEGIN = 0x6F4;
inline constexpr std::uint32_t UM_LIST_ITEM_EDITED = 0x6F5;
inline constexpr std::uint32_t UM_DEVICE_KEY = 0x778;
inline constexpr std::uint32_t UM_SLIDER_MOVED = 0x779;
inline constexpr std::uint32_t UM_READ_COMPLETE = 0x77B;
inline constexpr std::uint32_t UM_REFRESH_CONTROLS = 0x77C;
inline constexpr std::uint32_t UM_EDIT_END = 0x8841;

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

} // namespace corvane
