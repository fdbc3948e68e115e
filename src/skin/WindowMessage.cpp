#include "skin/WindowMessage.h"

#include <QCoreApplication>
#include <QObject>

namespace corvane {

WindowMessageEvent::WindowMessageEvent(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
    : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam)
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
                                std::intptr_t lParam)
{
    if (target == nullptr) return 0;
    WindowMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(target, &event);
    return event.Result();
}

void WindowMessageSink::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    PostWindowMessage(target_, message, wParam, lParam);
}

} // namespace corvane
