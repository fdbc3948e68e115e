// The X11 hook on a private X server: keys typed into another window (injected as real key events
// with xdotool) arrive as the keyboard's virtual-key codes, in each mode, and stop arriving when
// the hook is removed.

#include "platform/qt/KeyboardHooks.h"
#include "skin/WindowMessage.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

extern bool g_displayAvailable;

namespace corvane {
namespace {

using Message = std::pair<std::uint8_t, std::uint32_t>;

class HookTarget : public QWidget
{
public:
    std::vector<Message> got;

protected:
    bool event(QEvent* e) override
    {
        if (WindowMessageEvent* m = WindowMessageEvent::From(e)) {
            if (m->Message() == UM_HOOK_KEY)
                got.push_back(
                    {static_cast<std::uint8_t>(m->WParam()), static_cast<std::uint32_t>(m->LParam())});
            return true;
        }
        return QWidget::event(e);
    }
};

// The window that has the focus while keys are typed.
class Typist : public QWidget
{
public:
    int keyPresses = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keyPresses; }
};

class X11KeyboardHookTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!g_displayAvailable) GTEST_SKIP() << "Xvfb could not be started";
        if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "xdotool is not installed";
        hook = X11KeyboardHook::Create();
        ASSERT_NE(hook, nullptr) << "no XInput2 on the X server";
        typist.setWindowTitle("typist");
        typist.resize(200, 100);
        typist.show();
        typist.activateWindow();
        typist.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&typist, 3000));
        window.emplace(&target);
    }
    void TearDown() override
    {
        if (hook) hook->removehook();
    }

    // Types with xdotool and waits until `expected` messages are in (or a while has passed).
    void Type(const QStringList& arguments, std::size_t expected)
    {
        ASSERT_EQ(QProcess::execute("xdotool", arguments), 0);
        (void)QTest::qWaitFor([&] { return target.got.size() >= expected; }, 3000);
        // Anything more would come now.
        QTest::qWait(100);
    }

    std::unique_ptr<X11KeyboardHook> hook;
    HookTarget target;
    Typist typist;
    std::optional<QtHookWindow> window;
};

TEST_F(X11KeyboardHookTest, KeystrokesInAnotherWindowArriveAsVirtualKeys)
{
    ASSERT_TRUE(hook->installhook(*window, kHookModeKeyStroke));
    // Keysyms xdotool can type without adding modifiers of its own (it would press Num Lock for
    // KP_0); the keypad key under KP_Insert is keypad 0.
    Type({"key", "--delay", "20", "q", "F5", "F12", "Control_L", "Shift_L", "Alt_L", "KP_Insert", "KP_Enter",
          "KP_Add", "Up", "Left", "Return", "BackSpace", "slash", "Super_L"},
         15);
    const std::vector<Message> expected = {{'Q', 0}, {116, 0}, {123, 0}, {162, 0}, {160, 0},
                                           {164, 0}, {96, 0},  {108, 0}, {107, 0}, {38, 0},
                                           {37, 0},  {13, 0},  {8, 0},   {191, 0}, {91, 0}};
    EXPECT_EQ(target.got, expected);
    EXPECT_GE(typist.keyPresses, 10) << "the keys went to the other window, which had the focus";
}

TEST_F(X11KeyboardHookTest, PressAndReleaseModeMarksReleases)
{
    ASSERT_TRUE(hook->installhook(*window, kHookModePressAndRelease));
    Type({"keydown", "Control_L", "key", "a", "keyup", "Control_L"}, 4);
    const std::vector<Message> expected = {
        {162, 0}, {'A', 0}, {'A', kHookKeyReleased}, {162, kHookKeyReleased}};
    EXPECT_EQ(target.got, expected);
}

TEST_F(X11KeyboardHookTest, NothingArrivesAfterRemoval)
{
    ASSERT_TRUE(hook->installhook(*window, kHookModeKeyStroke));
    Type({"key", "b"}, 1);
    ASSERT_EQ(target.got, (std::vector<Message>{{'B', 0}}));
    hook->removehook();
    Type({"key", "c", "d", "Escape"}, 4);
    EXPECT_EQ(target.got.size(), 1u);
    // And it can be installed again.
    ASSERT_TRUE(hook->installhook(*window, kHookModeKeyStroke));
    Type({"key", "e"}, 2);
    EXPECT_EQ(target.got.back(), (Message{'E', 0}));
}

TEST_F(X11KeyboardHookTest, MadeOnARealXServerButNotUnderXWayland)
{
    const std::unique_ptr<KeyboardHook> made = MakeKeyboardHook();
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(made->CapturesOnlyWhenFocused());
    // The same X server as XWayland would be met: in a session that names a Wayland display.
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    const std::unique_ptr<KeyboardHook> inWayland = MakeKeyboardHook();
    unsetenv("WAYLAND_DISPLAY");
    ASSERT_NE(inWayland, nullptr);
    EXPECT_TRUE(inWayland->CapturesOnlyWhenFocused());
    EXPECT_NE(X11KeyboardHook::Create(), nullptr) << "a real X server once no Wayland display is named";
}

} // namespace
} // namespace corvane
