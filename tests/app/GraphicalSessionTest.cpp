// Started where no window system can be reached (over ssh, say), the configurator says so in one
// line and ends with an error, rather than aborting inside Qt with a core dump.

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(GraphicalSession, AStartWithoutADisplayEndsWithOneLine)
{
    struct Case
    {
        const char* display; // null: not set
        const char* says;
    };
    const Case cases[] = {
        {nullptr, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {"", "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {":28417", "the X display :28417 cannot be reached"},
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
