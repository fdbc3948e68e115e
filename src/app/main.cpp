// corvane-keyboard: the configurator window.
#include "app/CTarvikApp.h"
#include "app/GraphicalSession.h"

#include <QApplication>
#include <cstdio>

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
    if (const auto missing = corvane::MissingGraphicalSession()) {
        std::fprintf(stderr, "%s\n", missing->c_str());
        return corvane::kExitNoGraphicalSession;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvane-keyboard"));
    return corvane::CTarvikApp().Run(app, parsed.options);
}
