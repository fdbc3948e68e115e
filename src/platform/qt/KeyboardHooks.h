#pragma once
// The key hooks of the Qt program. Under X11 keys are read system-wide from XInput2 raw events on
// the root window; elsewhere (a Wayland session) only the capturing window's own key events are
// taken, while it has the focus. The input devices are never opened: that would let anyone who can
// run the program read every keystroke of the machine.

#include "keys/KeyboardHook.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QKeyEvent;

namespace corvane {

// A window as a hook's destination: each key is sent to it as UM_HOOK_KEY, at once.
class QtHookWindow : public HookWindow
{
public:
    explicit QtHookWindow(QWidget* window) : window_(window) {}
    QWidget* Window() const { return window_; }
    void HookKey(std::uint8_t virtualKey, std::uint32_t flags, InputTime time) override;
    // Where only the window's own keys are captured, the keys that operate the window (moving
    // the focus, pressing a button) must still reach it: those the test says pass are not taken.
    void SetPassing(std::function<bool(const QKeyEvent&)> passes) { passes_ = std::move(passes); }
    bool Passes(const QKeyEvent& key) const { return passes_ && passes_(key); }

private:
    QPointer<QWidget> window_;
    std::function<bool(const QKeyEvent&)> passes_;
};

// The window's own keys while it (or one of its controls) has the focus, taken before the window
// sees them. Needs a QtHookWindow.
class FocusKeyboardHook : public QObject, public KeyboardHook
{
    Q_OBJECT
public:
    ~FocusKeyboardHook() override;
    bool installhook(HookWindow& window, std::int32_t mode) override;
    void removehook() override;
    bool CapturesOnlyWhenFocused() const override { return true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HookKeyFilter filter_;
    QPointer<QWidget> window_;
    QtHookWindow* target_ = nullptr;
};

// Keys typed anywhere on the X display.
class X11KeyboardHook : public KeyboardHook, public QAbstractNativeEventFilter
{
public:
    // Nothing when the program does not run on X11, the server lacks XInput2, or the X server is
    // XWayland (WAYLAND_DISPLAY set, or the XWAYLAND extension), which sees only X clients' keys.
    static std::unique_ptr<X11KeyboardHook> Create();
    ~X11KeyboardHook() override;

    bool installhook(HookWindow& window, std::int32_t mode) override;
    void removehook() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11KeyboardHook(void* display, int opcode) : display_(display), opcode_(opcode) {}
    void SelectRawKeys(bool on);

    void* display_;
    int opcode_;
    bool filterInstalled_ = false;
    HookKeyFilter filter_;
};

// The line a capturing window shows where its hook is focus-only, in the window's language.
const char* FocusCaptureNote(bool german);

// The X11 hook on a real X server, else (Wayland, XWayland) the focused-window hook.
std::unique_ptr<KeyboardHook> MakeKeyboardHook();

} // namespace corvane
