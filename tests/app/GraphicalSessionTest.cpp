// Started where no window system can be reached (over ssh, a stale Wayland name inside tmux), the
// configurator says so in one line and ends with an error, rather than aborting inside Qt with a
// core dump; where only one window system works, Qt is started on that one.

#include "app/GraphicalSession.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using corvane::ChooseGraphicalSession;
using corvane::DisplayProbe;

TEST(GraphicalSession, TheWindowSystemThatWorksIsChosen)
{
    struct Case
    {
        const char* name;
        DisplayProbe probe;
        const char* platform; // null: Qt chooses
        const char* says;     // null: it starts
    };
    const Case cases[] = {
        {"both work", {"wayland-0", true, true, ":0", true}, nullptr, nullptr},
        {"Wayland only", {"wayland-0", true, true, "", false}, "wayland", nullptr},
        {"a stale Wayland name beside a working X display",
         {"wayland-1", false, true, ":0", true},
         "xcb",
         nullptr},
        {"XWayland without qt6-wayland", {"wayland-0", true, false, ":0", true}, "xcb", nullptr},
        {"a Wayland-only session without qt6-wayland",
         {"wayland-0", true, false, "", false},
         nullptr,
         "Qt's Wayland platform is not installed (package qt6-wayland)"},
        {"a stale Wayland name alone",
         {"wayland-9", false, true, "", false},
         nullptr,
         "the Wayland display wayland-9 cannot be reached"},
        {"both stale",
         {"wayland-9", false, true, ":5", false},
         nullptr,
         "the Wayland display wayland-9 cannot be reached, and the X display :5 cannot be reached"},
        {"nothing set", {"", false, false, "", false}, nullptr, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const corvane::SessionChoice choice = ChooseGraphicalSession(c.probe);
        EXPECT_EQ(choice.platform.value_or(""), c.platform != nullptr ? c.platform : "");
        ASSERT_EQ(choice.missing.has_value(), c.says != nullptr);
        if (c.says != nullptr) {
            EXPECT_NE(choice.missing->find(c.says), std::string::npos) << *choice.missing;
        }
    }
}

TEST(GraphicalSession, AStartWithoutADisplayEndsWithOneLine)
{
    struct Case
    {
        const char* display; // null: not set
        const char* wayland; // null: not set
        const char* says;
    };
    const Case cases[] = {
        {nullptr, nullptr, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {"", nullptr, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {":28417", nullptr, "the X display :28417 cannot be reached"},
        // A name left over from another session: no socket behind it in the runtime folder.
        {nullptr, "wayland-28417", "the Wayland display wayland-28417 cannot be reached"},
        {nullptr, "/nonexistent/wayland-0", "the Wayland display /nonexistent/wayland-0 cannot be reached"},
    };
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        if (c.display != nullptr)
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(c.display));
        if (c.wayland != nullptr)
            environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QString::fromLatin1(c.wayland));
        for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            environment.insert(QString::fromLatin1(name), home.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(CORVANE_KEYBOARD_PATH), {QStringLiteral("--emulate")});
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit); // a signal (abort, core) is a crash
        EXPECT_EQ(program.exitCode(), 1);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        EXPECT_TRUE(err.startsWith(QStringLiteral("corvane-keyboard needs a graphical session")))
            << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.says))) << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("corvanectl works without one"))) << err.toStdString();
        EXPECT_TRUE(program.readAllStandardOutput().isEmpty());
    }
}

} // namespace
