#include "platform/qt/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace corvane {
namespace {

constexpr char kShowRequest[] = "show\n";

QString LockPath(const QString& name)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance()
{
    if (server_) server_->close();
    if (lock_) lock_->unlock();
}

QString SingleInstance::ServerName(const QString& name)
{
    return name + QLatin1Char('-') + qEnvironmentVariable("USER", QStringLiteral("user"));
}

bool SingleInstance::Acquire()
{
    lock_ = std::make_unique<QLockFile>(LockPath(name_));
    // A lock left by a crashed run is taken over: QLockFile checks whether its owner still lives.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(100)) {
        lock_.reset();
        AskFirstToShow();
        return false;
    }
    server_ = std::make_unique<QLocalServer>();
    const QString serverName = ServerName(name_);
    // We hold the lock, so a socket of that name is a leftover of a process that died.
    QLocalServer::removeServer(serverName);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(serverName);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith(kShowRequest)) emit ActivationRequested();
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

bool SingleInstance::AskFirstToShow() const
{
    QLocalSocket socket;
    socket.connectToServer(ServerName(name_));
    if (!socket.waitForConnected(1000)) return false;
    socket.write(kShowRequest);
    socket.flush();
    socket.waitForBytesWritten(1000);
    socket.waitForDisconnected(1000);
    return true;
}

} // namespace corvane
