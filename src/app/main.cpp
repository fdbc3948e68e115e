// corvane-keyboard: the configurator window.
#include "app/CTarvikApp.h"
#include "app/GraphicalSession.h"

#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Options are read before the window system is reached, so --help works without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const corvane::ParsedCommandLine parsed = corvane::ParseCommandLine(arguments);
    if (parsed.exitCode) {
        std::fputs(parsed.output.toLocal8Bit().constData(), *parsed.exitCode == 0 ? stdout : stderr);
        return *parsed.exitCode;
    }
    // Writing the autostart entry needs no graphical session.
    if (parsed.options.autostart) return corvane::RunAutostartOption(*parsed.options.autostart);
    const corvane::SessionChoice session = corvane::ChooseGraphicalSession();
    if (session.missing) {
        std::fprintf(stderr, "%s\n", session.missing->c_str());
        return corvane::kExitNoGraphicalSession;
    }
    // Only one window system works here: Qt must not try the other and abort. Given as Qt's own
    // option rather than in the environment, so programs that launch keys start choose their own.
    std::vector<char*> qtArguments(argv, argv + argc);
    std::string platformOption = "-platform";
    std::string platform = session.platform.value_or("");
    if (session.platform)
        qtArguments.insert(qtArguments.begin() + (argc > 0 ? 1 : 0),
                           {platformOption.data(), platform.data()});
    int qtArgumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(qtArgumentCount, qtArguments.data());
    QApplication::setApplicationName(QStringLiteral("corvane-keyboard"));
    // A Wayland compositor finds the menu entry, and so the icon, of the window by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(CORVANE_APP_ID));
    return corvane::CTarvikApp().Run(app, parsed.options);
}
