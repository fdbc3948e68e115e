// A second process for the single-instance tests, run as this user or as another one.
//   corvane_instance_probe start NAME SECONDS [PATIENCE_MS]
//     takes part as a start of the program: prints "first <lock path>", "forwarded" or
//     "unreachable" or "blocked <why>"; when first, serves for SECONDS and prints "activated" for each
//     request.
//   corvane_instance_probe ask SOCKET
//     asks whatever listens on SOCKET to show itself: prints "answered" or "refused".
#include "platform/qt/SingleInstance.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>
#include <cstdio>

using corvane::SingleInstance;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto say = [](const QString& line) {
        std::printf("%s\n", line.toLocal8Bit().constData());
        std::fflush(stdout);
    };
    if (args.size() == 3 && args[1] == QLatin1String("ask")) {
        QLocalSocket socket;
        socket.connectToServer(args[2]);
        bool answered = socket.waitForConnected(1000) && socket.write("show\n") == 5 &&
                        socket.waitForReadyRead(1000) && socket.readAll().startsWith("ok");
        say(answered ? QStringLiteral("answered") : QStringLiteral("refused"));
        return answered ? 0 : 1;
    }
    if (args.size() < 4 || args[1] != QLatin1String("start")) {
        std::fprintf(stderr, "usage: %s start NAME SECONDS [PATIENCE_MS] | ask SOCKET\n", argv[0]);
        return 2;
    }
    SingleInstance instance(args[2]);
    if (args.size() > 4) instance.SetPatience(args[4].toInt());
    switch (instance.Acquire()) {
    case SingleInstance::Outcome::kForwarded:
        say(QStringLiteral("forwarded"));
        return 10;
    case SingleInstance::Outcome::kUnreachable:
        say(QStringLiteral("unreachable"));
        return 11;
    case SingleInstance::Outcome::kBlocked:
        say(QStringLiteral("blocked ") + instance.Problem());
        return 12;
    case SingleInstance::Outcome::kFirst:
        break;
    }
    say(QStringLiteral("first ") + instance.LockPath());
    QObject::connect(&instance, &SingleInstance::ActivationRequested,
                     [&] { say(QStringLiteral("activated")); });
    QTimer::singleShot(args[3].toInt() * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
