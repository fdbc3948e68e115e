#pragma once
// Private window messages between the program's windows and threads. A message is a Qt event
// carrying (message, wParam, lParam) with the UM_ values of device/MessageSink.h; one event type
// serves every window, so a receiver needs only one check in its event().

#include "device/MessageSink.h"

#include <QEvent>
#include <cstdint>

class QObject;

namespace corvane {

class WindowMessageEvent : public QEvent
{
public:
    WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    // The registered event type shared by all window messages.
    static QEvent::Type EventType();
    // The message event inside e, or null when e is some other event.
    static WindowMessageEvent* From(QEvent* e);

    std::uint32_t Message() const { return message_; }
    std::uintptr_t WParam() const { return wParam_; }
    std::intptr_t LParam() const { return lParam_; }

    // What the receiver answers to a sent (not posted) message; 0 unless it sets one.
    std::intptr_t Result() const { return result_; }
    void SetResult(std::intptr_t result) { result_ = result; }

private:
    std::uint32_t message_;
    std::uintptr_t wParam_;
    std::intptr_t lParam_;
    std::intptr_t result_ = 0;
};

// Queues the message for target's thread; safe from any thread. Does nothing for a null target.
void PostWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);

// Delivers the message to target at once, on the calling (user-interface) thread, and returns
// the receiver's answer. Returns 0 for a null target.
std::intptr_t SendWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam = 0,
                                std::intptr_t lParam = 0);

// The device threads' MessageSink for a window: every message is posted to it. The window must
// outlive the sink.
class WindowMessageSink : public MessageSink
{
public:
    explicit WindowMessageSink(QObject* target) : target_(target) {}
    void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    QObject* target_;
};

} // namespace corvane
