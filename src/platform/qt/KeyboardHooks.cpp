#include "platform/qt/KeyboardHooks.h"

#include "keys/LinuxKeyMap.h"
#include "skin/WindowMessage.h"

#include <QApplication>
#include <QKeyEvent>

namespace corvane {

void QtHookWindow::HookKey(std::uint8_t virtualKey, std::uint32_t flags, InputTime time)
{
    SendWindowMessage(window_.data(), UM_HOOK_KEY, virtualKey, static_cast<std::intptr_t>(flags), time);
}

FocusKeyboardHook::~FocusKeyboardHook()
{
    removehook();
}

bool FocusKeyboardHook::installhook(HookWindow& window, std::int32_t mode)
{
    removehook();
    auto* target = dynamic_cast<QtHookWindow*>(&window);
    if (target == nullptr || target->Window() == nullptr || qApp == nullptr) return false;
    if (!filter_.Start(window, mode)) return false;
    window_ = target->Window();
    target_ = target;
    qApp->installEventFilter(this);
    return true;
}

void FocusKeyboardHook::removehook()
{
    if (qApp != nullptr) qApp->removeEventFilter(this);
    filter_.Stop();
    window_ = nullptr;
    target_ = nullptr;
}

bool FocusKeyboardHook::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    if (window_ == nullptr || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != window_ && !window_->isAncestorOf(widget)) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (target_ != nullptr && target_->Passes(*key)) return false;
    // A held key counts once. Wayland repeats it as release and press pairs, which the filter's
    // key state cannot tell from a real release and press.
    if (key->isAutoRepeat()) return true;
    // The platform's scan code is the X key code (Linux code + 8) under both X11 and Wayland.
    const quint32 scanCode = key->nativeScanCode();
    // The event's time is the window system's own (X server or compositor milliseconds, 32 bits);
    // 0 is an event made inside the program.
    const InputTime time =
        key->timestamp() != 0 ? InputTime(static_cast<std::uint32_t>(key->timestamp())) : std::nullopt;
    if (scanCode > static_cast<quint32>(kXKeyCodeOffset) && scanCode < 0x10000u)
        filter_.Feed(static_cast<std::uint16_t>(scanCode - kXKeyCodeOffset),
                     event->type() == QEvent::KeyPress, time);
    // A captured key is not typed into the window as well.
    return true;
}

const char* FocusCaptureNote(bool german)
{
    return german ? "Tasten werden erfasst, solange dieses Fenster den Fokus hat."
                  : "Keys are captured while this window has the focus.";
}

std::unique_ptr<KeyboardHook> MakeKeyboardHook()
{
    if (std::unique_ptr<X11KeyboardHook> x11 = X11KeyboardHook::Create()) return x11;
    return std::make_unique<FocusKeyboardHook>();
}

} // namespace corvane
