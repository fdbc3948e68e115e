// The hook where X11 is absent: the capturing window's own keys, by their scan codes, taken before
// the window types them; other windows' keys are left alone.

#include "../../skin/SkinTestSupport.h"
#include "platform/qt/KeyboardHooks.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace corvane {
namespace {

// X key codes (Linux codes + 8).
constexpr quint32 kScanA = 30 + 8;
constexpr quint32 kScanLeftCtrl = 29 + 8;
constexpr quint32 kScan102nd = 86 + 8;

bool SendKey(QWidget* to, QEvent::Type type, quint32 scanCode, Qt::Key key, const QString& text)
{
    QKeyEvent event(type, key, Qt::NoModifier, scanCode, 0, 0, text);
    QApplication::sendEvent(to, &event);
    return event.isAccepted();
}

TEST(FocusKeyboardHook, TakesTheWindowsOwnKeysByPlace)
{
    testing::MessageRecorder window;
    auto* edit = new QLineEdit(&window);
    QLineEdit other;
    QtHookWindow target(&window);
    FocusKeyboardHook hook;
    EXPECT_TRUE(hook.CapturesOnlyWhenFocused());

    ASSERT_TRUE(hook.installhook(target, kHookModePressAndRelease));
    SendKey(edit, QEvent::KeyPress, kScanLeftCtrl, Qt::Key_Control, {});
    SendKey(edit, QEvent::KeyPress, kScanA, Qt::Key_Q, "q"); // whatever the layout types
    SendKey(edit, QEvent::KeyRelease, kScanA, Qt::Key_Q, "q");
    SendKey(&window, QEvent::KeyPress, kScan102nd, Qt::Key_Less, "<");
    SendKey(&other, QEvent::KeyPress, kScanA, Qt::Key_A, "a");
    const auto got = window.Of(UM_HOOK_KEY);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].wParam, 162u);
    EXPECT_EQ(got[1].wParam, std::uintptr_t('A'));
    EXPECT_EQ(got[1].lParam, 0);
    EXPECT_EQ(got[2].lParam, static_cast<std::intptr_t>(kHookKeyReleased));
    EXPECT_TRUE(edit->text().isEmpty()) << "captured keys are not typed";
    EXPECT_EQ(other.text(), "a") << "another window's keys are its own";

    hook.removehook();
    SendKey(edit, QEvent::KeyPress, kScanA, Qt::Key_A, "a");
    EXPECT_EQ(window.Of(UM_HOOK_KEY).size(), 3u);
    EXPECT_EQ(edit->text(), "a");
}

// A held key on Wayland repeats as release and press pairs marked as auto-repeat: it counts once,
// as under X11, and each key carries the window system's time of its event.
TEST(FocusKeyboardHook, AHeldKeyCountsOnceWithTheTimesOfItsEvents)
{
    testing::MessageRecorder window;
    QtHookWindow target(&window);
    FocusKeyboardHook hook;
    ASSERT_TRUE(hook.installhook(target, kHookModePressAndRelease));
    auto send = [&](QEvent::Type type, bool repeat, ulong time) {
        QKeyEvent event(type, Qt::Key_A, Qt::NoModifier, kScanA, 0, 0, "a", repeat);
        event.setTimestamp(time);
        QApplication::sendEvent(&window, &event);
    };
    send(QEvent::KeyPress, false, 4000);
    for (ulong t = 4500; t < 5600; t += 40) {
        send(QEvent::KeyRelease, true, t);
        send(QEvent::KeyPress, true, t);
    }
    send(QEvent::KeyRelease, false, 5600);
    send(QEvent::KeyPress, false, 0); // made inside the program: no time
    const auto got = window.Of(UM_HOOK_KEY);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].lParam, 0);
    EXPECT_EQ(got[1].lParam, static_cast<std::intptr_t>(kHookKeyReleased));
    EXPECT_EQ(got[0].time, 4000u);
    EXPECT_EQ(got[1].time, 5600u);
    EXPECT_EQ(got[2].time, std::nullopt);
}

TEST(FocusKeyboardHook, NeedsAWindow)
{
    struct Plain : HookWindow
    {
        void HookKey(std::uint8_t, std::uint32_t, InputTime) override {}
    } plain;
    FocusKeyboardHook hook;
    EXPECT_FALSE(hook.installhook(plain, kHookModeKeyStroke));
    QWidget window;
    QtHookWindow target(&window);
    EXPECT_FALSE(hook.installhook(target, 7));
}

} // namespace
} // namespace corvane
