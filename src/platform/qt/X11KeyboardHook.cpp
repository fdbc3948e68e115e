// The X11 hook: XInput2 raw key events selected on the root window through Qt's own connection.
// Qt's headers come first: Xlib's macros (KeyPress, None, Bool) would break them.

#include "platform/qt/KeyboardHooks.h"

#include "keys/LinuxKeyMap.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace corvane {
namespace {

// The start of an X generic event as Qt's xcb connection hands it over.
struct RawKeyEvent
{
    std::uint8_t responseType;
    std::uint8_t extension;
    std::uint16_t sequence;
    std::uint32_t length;
    std::uint16_t eventType;
    std::uint16_t deviceId;
    std::uint32_t time;
    std::uint32_t detail; // the X key code
};
constexpr std::uint8_t kGenericEvent = 35;

Display* QtDisplay()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->display() : nullptr;
}

// XWayland serves X clients inside a Wayland session: its raw events come only from X clients, so
// keys typed into the session's own windows would be missed without a word.
bool IsXWayland(Display* display)
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && wayland[0] != '\0') return true;
    int opcode = 0;
    int event = 0;
    int error = 0;
    return XQueryExtension(display, "XWAYLAND", &opcode, &event, &error);
}

} // namespace

std::unique_ptr<X11KeyboardHook> X11KeyboardHook::Create()
{
    Display* display = QtDisplay();
    if (display == nullptr || IsXWayland(display)) return nullptr;
    int opcode = 0;
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) return nullptr;
    return std::unique_ptr<X11KeyboardHook>(new X11KeyboardHook(display, opcode));
}

X11KeyboardHook::~X11KeyboardHook()
{
    removehook();
}

void X11KeyboardHook::SelectRawKeys(bool on)
{
    auto* display = static_cast<Display*>(display_);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
    }
    // Master devices only: a selection for all devices would replace Qt's own on the root window.
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XFlush(display);
}

bool X11KeyboardHook::installhook(HookWindow& window, std::int32_t mode)
{
    if (!filter_.Start(window, mode)) return false;
    if (!filterInstalled_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    SelectRawKeys(true);
    return true;
}

void X11KeyboardHook::removehook()
{
    if (!filter_.Running()) return;
    filter_.Stop();
    SelectRawKeys(false);
}

bool X11KeyboardHook::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (!filter_.Running() || eventType != "xcb_generic_event_t") return false;
    RawKeyEvent event;
    std::memcpy(&event, message, sizeof(event));
    if ((event.responseType & 0x7F) != kGenericEvent || event.extension != opcode_) return false;
    if (event.eventType != XI_RawKeyPress && event.eventType != XI_RawKeyRelease) return false;
    if (event.detail <= static_cast<std::uint32_t>(kXKeyCodeOffset) || event.detail > 255) return false;
    // The server's time of the event, so a recording's pauses are those the user typed.
    filter_.Feed(static_cast<std::uint16_t>(event.detail - kXKeyCodeOffset),
                 event.eventType == XI_RawKeyPress, event.time);
    return false;
}

} // namespace corvane
