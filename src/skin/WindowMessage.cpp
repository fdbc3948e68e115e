#include "skin/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>

namespace corvane {

WindowMessageEvent::WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                                       std::optional<std::uint32_t> time)
    : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam), time_(time)
{
}

QEvent::Type WindowMessageEvent::EventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowMessageEvent* WindowMessageEvent::From(QEvent* e)
{
    if (e == nullptr || e->type() != EventType()) return nullptr;
    return static_cast<WindowMessageEvent*>(e);
}

void PostWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (target == nullptr) return;
    QCoreApplication::postEvent(target, new WindowMessageEvent(message, wParam, lParam));
}

std::intptr_t SendWindowMessage(QObject* target, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam, std::optional<std::uint32_t> time)
{
    if (target == nullptr) return 0;
    WindowMessageEvent event(message, wParam, lParam, time);
    QCoreApplication::sendEvent(target, &event);
    return event.Result();
}

void WindowMessageSink::Raise(const LinkEvent& event)
{
    struct ToMessage
    {
        QObject* target;
        void operator()(const ReadFinished& read) const
        {
            PostWindowMessage(target, UM_READ_COMPLETE, 0,
                              read.source == ReadSource::kDevice ? kReadFromDevice : kReadFromProfilePanel);
        }
        void operator()(const KeyboardSettingChanged& change) const
        {
            PostWindowMessage(target, UM_KEYBOARD_SETTING, static_cast<std::uintptr_t>(change.setting),
                              change.value);
        }
        void operator()(const HostKeyPressed& key) const
        {
            PostWindowMessage(target, UM_DEVICE_KEY, key.keyCode, 0);
        }
    };
    std::visit(ToMessage{target_}, event);
}

ReadSource ReadSourceOf(std::intptr_t lParam)
{
    return lParam == kReadFromDevice ? ReadSource::kDevice : ReadSource::kProfilePanel;
}

KeyboardSettingChanged KeyboardSettingOf(std::uintptr_t wParam, std::intptr_t lParam)
{
    return {static_cast<KeyboardSetting>(wParam & 0xFF), static_cast<std::uint8_t>(lParam & 0xFF)};
}

} // namespace corvane
