// A macro from the keyboard to the keyboard, on a private X server: keys typed with xdotool into
// another window, with sleeps between them, are recorded by the macro dialog through the X11 hook
// with the pauses the X server timed; OK saves MacroDefine.bin; the key dialog puts the macro on a
// key; Apply sends the slot to the emulated keyboard; corvanectl reads the saved file back as the
// same lines.

#include "../../app/MainWindowFixture.h"
#include "keys/ui/CKeyMap.h"
#include "macros/ui/CMacroRecordDlg.h"
#include "platform/qt/KeyboardHooks.h"
#include "skin/SkinLayout.h"
#include "skin/TransparentListBox.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

extern bool g_displayAvailable;

namespace corvane::apptest {
namespace {

constexpr std::uint8_t kSlotQ = 42;

QPoint Centre(const layout::Rect& r)
{
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::vector<std::string> CorvanectlLines(const std::filesystem::path& file)
{
    const std::string command =
        std::string("timeout 30 '") + CORVANECTL_PATH + "' describe '" + file.string() + "'";
    std::vector<std::string> lines;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return lines;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        lines.push_back(line);
    }
    ::pclose(pipe);
    return lines;
}

class MacroRecordingEndToEndTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        if (!g_displayAvailable) GTEST_SKIP() << "Xvfb could not be started";
        if (QStandardPaths::findExecutable("xdotool").isEmpty()) GTEST_SKIP() << "xdotool is not installed";
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        if (window) {
            window->SetMacroWindow(nullptr);
            window->SetKeyAssignmentWindow(nullptr);
        }
        MainWindowTest::TearDown();
    }

    // Runs `inDialog` once the modal dialog shows, after a click on the main window at `at`.
    bool RunModal(QWidget& dialog, QPoint at, const std::function<void()>& inDialog)
    {
        bool seen = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (seen || !dialog.isVisible()) return;
            seen = true;
            poll.stop();
            inDialog();
        });
        poll.start();
        Click(at.x(), at.y());
        return seen;
    }
};

TEST_F(MacroRecordingEndToEndTest, RecordedPausesReachTheKeyboardAndTheFile)
{
    Start();
    const std::unique_ptr<X11KeyboardHook> hook = X11KeyboardHook::Create();
    ASSERT_NE(hook, nullptr) << "no XInput2 on the X server";
    CMacroRecordDlg macroDialog(*state, *macros, StandardKeyCodeTable(), prompt, hook.get(),
                                kLanguageEnglish);
    window->SetMacroWindow(&macroDialog);

    // The window the keys are typed into; it notes the X server's time of each key event it gets.
    struct Typist : QWidget
    {
        std::vector<std::uint32_t> times;
        void keyPressEvent(QKeyEvent* e) override { Note(e); }
        void keyReleaseEvent(QKeyEvent* e) override { Note(e); }
        void Note(QKeyEvent* e)
        {
            if (!e->isAutoRepeat()) times.push_back(static_cast<std::uint32_t>(e->timestamp()));
        }
    } typist;
    // The modal dialog holds back input to every other window of the program, as it would to the
    // main window; a window of its own, as another program's would be, still gets the keys.
    typist.setParent(&macroDialog, Qt::Window);
    typist.setWindowTitle(QStringLiteral("typist"));
    typist.resize(200, 100);
    typist.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&typist));

    std::vector<QString> dialogLines;
    MacroEvents recorded;
    auto click = [&](int entry) {
        QTest::mouseClick(&macroDialog, Qt::LeftButton, {}, Centre(layout::kMacroButtons[entry].rect));
    };
    ASSERT_TRUE(RunModal(macroDialog, Centre(layout::kMainButtons[layout::kButtonMacro].rect), [&] {
        click(layout::kMacroButtonNew);
        click(layout::kMacroButtonDelay);
        click(layout::kMacroButtonRecord);
        ASSERT_TRUE(macroDialog.HookInstalled());
        QProcess::execute("xdotool", {"windowfocus", QString::number(typist.winId())});
        QProcess typing;
        // No delay of xdotool's own after each key: only the sleeps part the events.
        typing.start("xdotool", {"keydown", "--delay", "0",     "a",       "sleep", "0.3",     "keyup",
                                 "--delay", "0",       "a",     "sleep",   "0.08",  "keydown", "--delay",
                                 "0",       "b",       "keyup", "--delay", "0",     "b"});
        // The event loop waits for the keys as the program's own would.
        QEventLoop typed;
        QObject::connect(&typing, &QProcess::finished, &typed, &QEventLoop::quit);
        QTimer::singleShot(5000, &typed, &QEventLoop::quit);
        if (typing.state() != QProcess::NotRunning) typed.exec();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return !macroDialog.Session().Lines().empty() &&
                       macroDialog.Session().Lines().back().text == "B  up";
            },
            3000));
        click(layout::kMacroButtonRecord);
        recorded = macroDialog.Session().Events();
        for (int i = 0; i < macroDialog.EventList()->count(); ++i)
            dialogLines.push_back(macroDialog.EventList()->item(i)->text());
        click(layout::kMacroButtonOk);
    }));
    ASSERT_EQ(macros->CountInUse(), 1u);
    EXPECT_EQ((*macros)[0].Events(), recorded);

    // The pauses as recorded, against the X server's times of the same events as the typing
    // window got them: the same clock, so they agree to the millisecond however late anything ran.
    const std::vector<MacroEvent> events = ParseEvents(recorded);
    ASSERT_EQ(events.size(), 4u);
    ASSERT_EQ(typist.times.size(), 4u) << "the typing window did not get every key";
    EXPECT_EQ(events[0].code, 0x01);
    for (std::size_t i = 1; i < 4; ++i) {
        const std::uint32_t server = typist.times[i] - typist.times[i - 1];
        std::printf("event %zu: recorded %u ms, server %u ms\n", i, events[i].pause, server);
        EXPECT_LE(std::abs(static_cast<int>(events[i].pause) - static_cast<int>(server)), 1) << "event " << i;
    }
    EXPECT_TRUE(events[1].Release() && events[3].Release() && !events[2].Release());

    // The macro on the Q key through the key dialog, then Apply.
    CKeyMap keyDialog(*state, *macros, StandardKeyCodeTable(), prompt, nullptr, kLanguageEnglish);
    window->SetKeyAssignmentWindow(&keyDialog);
    const layout::Rect q = layout::KeyWindowRect(kSlotQ);
    ASSERT_TRUE(RunModal(keyDialog, Centre(q), [&] {
        QTest::mouseClick(&keyDialog, Qt::LeftButton, {}, QPoint(144, 45));
        keyDialog.MacroList()->setCurrentRow(0);
        QTest::mouseClick(&keyDialog, Qt::LeftButton, {}, QPoint(345, 357));
    }));
    EXPECT_EQ(state->records[kSlotQ].Kind(), KeyFunctionKind::kMacro);
    Click(890, 572);
    auto expectedImage = std::make_unique<SettingsImage>();
    DeriveMacroSlots(*macros, *expectedImage);
    const std::vector<std::uint8_t> slot(expectedImage->MacroSlot(0),
                                         expectedImage->MacroSlot(0) + img::kMacroSlotSize);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const EmulatedDeviceState sent = emulator.State();
            return std::equal(sent.macroSlots[0].begin(), sent.macroSlots[0].end(), slot.begin());
        },
        5000));
    EXPECT_EQ(slot[0], 0);
    EXPECT_EQ(slot[1], 1);

    // The saved file reads back as the lines the dialog showed.
    std::vector<std::string> described = CorvanectlLines(dataFolder / kMacroFileName);
    ASSERT_GE(described.size(), 3u);
    EXPECT_EQ(described[1], "Macro 0 \"Macro_001\", repeat 1, delays recorded");
    std::vector<QString> fileLines;
    for (std::size_t i = 2; i < described.size(); ++i)
        fileLines.push_back(QString::fromStdString(described[i]).trimmed());
    std::vector<QString> shown;
    for (const QString& line : dialogLines)
        shown.push_back(line.trimmed());
    EXPECT_EQ(fileLines, shown);
}

// Without the mouse: Tab to New and Record, Space to start, keys, Space on Stop Recording, Tab to
// OK. The X server shows the stop key to the hook before the window; it is no key of the macro.
TEST_F(MacroRecordingEndToEndTest, AMacroRecordedWithTheKeyboardAloneLeavesItsStopKeyOut)
{
    Start();
    const std::unique_ptr<X11KeyboardHook> hook = X11KeyboardHook::Create();
    ASSERT_NE(hook, nullptr) << "no XInput2 on the X server";
    CMacroRecordDlg macroDialog(*state, *macros, StandardKeyCodeTable(), prompt, hook.get(),
                                kLanguageEnglish);
    window->SetMacroWindow(&macroDialog);

    // Typed through the X server into the focused window, as a user types; the program's own
    // event loop runs meanwhile.
    auto type = [&](const QStringList& keys) {
        QProcess typing;
        typing.start("xdotool", QStringList{"key", "--delay", "30"} + keys);
        QEventLoop typed;
        QObject::connect(&typing, &QProcess::finished, &typed, &QEventLoop::quit);
        QTimer::singleShot(5000, &typed, &QEventLoop::quit);
        if (typing.state() != QProcess::NotRunning) typed.exec();
    };
    ASSERT_TRUE(RunModal(macroDialog, Centre(layout::kMainButtons[layout::kButtonMacro].rect), [&] {
        QProcess::execute("xdotool", {"windowfocus", "--sync", QString::number(macroDialog.winId())});
        ASSERT_TRUE(QTest::qWaitForWindowActive(&macroDialog));
        macroDialog.MacroList()->setFocus();
        // Events, Record, the delay option, Loop, New.
        type({"Tab", "Tab", "Tab", "Tab", "Tab", "space"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return macroDialog.MacroList()->count() == 1; }, 3000));
        type({"shift+Tab", "shift+Tab", "shift+Tab", "space"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return macroDialog.HookInstalled(); }, 3000));
        type({"a", "b"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return macroDialog.Session().Lines().size() == 4; }, 3000));
        type({"space"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !macroDialog.Recording(); }, 3000));
        QTest::qWait(100);
        EXPECT_FALSE(macroDialog.Recording()) << "the stop key's own press started no new recording";
        // The delay option, Loop, New, Delete, OK.
        type({"Tab", "Tab", "Tab", "Tab", "Tab", "space"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return !macroDialog.isVisible(); }, 3000));
        if (macroDialog.isVisible()) macroDialog.reject();
    }));
    ASSERT_EQ(macros->CountInUse(), 1u);
    std::vector<std::string> lines;
    for (const EventLine& line : RenderMacroLines((*macros)[0], StandardKeyCodeTable()))
        lines.push_back(line.text);
    EXPECT_EQ(lines, (std::vector<std::string>{"A  dn", "A  up", "B  dn", "B  up"}));
}

} // namespace
} // namespace corvane::apptest
