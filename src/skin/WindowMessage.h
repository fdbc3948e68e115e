#pragma once
// Private window messages between the program's windows and threads. A message is a Qt event
// carrying (message, wParam, lParam); one event type serves every window, so a receiver needs
// only one check in its event(). The device link's typed events become messages here, where
// they meet a window, and nowhere below.

#include "device/LinkEvents.h"

#include <QEvent>
#include <cstdint>
#include <optional>

class QObject;

namespace corvane {

// Private window messages.
inline constexpr std::uint32_t UM_TRAY_CALLBACK = 0x405;
inline constexpr std::uint32_t UM_SHOW_NO_DEVICE = 0x406;
inline constexpr std::uint32_t UM_HOOK_KEY = 0x6F3;
inline constexpr std::uint32_t UM_LIST_EDIT_BEGIN = 0x6F4;
inline constexpr std::uint32_t UM_LIST_ITEM_EDITED = 0x6F5;
inline constexpr std::uint32_t UM_DEVICE_KEY = 0x778;   // key code in wParam
inline constexpr std::uint32_t UM_SLIDER_MOVED = 0x779; // slider id in wParam
inline constexpr std::uint32_t UM_READ_COMPLETE =
    0x77B; // lParam 0 after a device read, 1 after the profile panel
inline constexpr std::uint32_t UM_REFRESH_CONTROLS = 0x77C; // setting sub-type in wParam
// A setting changed with the keyboard's own keys: sub-type in wParam, value in lParam.
inline constexpr std::uint32_t UM_KEYBOARD_SETTING = 0x77D;
inline constexpr std::uint32_t UM_EDIT_END = 0x8841;

// lParam of UM_READ_COMPLETE.
inline constexpr std::intptr_t kReadFromDevice = 0;
inline constexpr std::intptr_t kReadFromProfilePanel = 1;

class WindowMessageEvent : public QEvent
{
public:
    WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                       std::optional<std::uint32_t> time = {});

    // The registered event type shared by all window messages.
    static QEvent::Type EventType();
    // The message event inside e, or null when e is some other event.
    static WindowMessageEvent* From(QEvent* e);

    std::uint32_t Message() const { return message_; }
    std::uintptr_t WParam() const { return wParam_; }
    std::intptr_t LParam() const { return lParam_; }
    // When the input event behind the message happened, on the input's own millisecond clock
    // (as GetMessageTime gives it); nothing when the message has no such event.
    std::optional<std::uint32_t> Time() const { return time_; }

    // What the receiver answers to a sent (not posted) message; 0 unless it sets one.
    std::intptr_t Result() const { return result_; }
    void SetResult(std::intptr_t result) { result_ = result; }

private:
    std::uint32_t message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
    std::optional<std::uint32_t> time_;
    std::intptr_t result_ = 0;
};

// Queues the message for target's thread; safe from any thread. Does nothing for a null target.
void PostWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);

// Delivers the message to target at once, on the calling (user-interface) thread, and returns
// the receiver's answer. Returns 0 for a null target.
std::intptr_t SendWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                                std::intptr_t lParam = 0, std::optional<std::uint32_t> time = {});

// The device link's events for a window: each is posted to it as its window message, so the
// link's threads never wait for the window. The window must outlive the sink.
class WindowMessageSink : public LinkEventSink
{
public:
    explicit WindowMessageSink(QObject* target) : target_(target) {}
    void Raise(const LinkEvent& event) override;

private:
    QObject* target_;
};

// The typed forms of the messages that carry device events.
ReadSource ReadSourceOf(std::intptr_t lParam);
KeyboardSettingChanged KeyboardSettingOf(std::uintptr_t wParam, std::intptr_t lParam);

} // namespace corvane
