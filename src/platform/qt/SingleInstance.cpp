#include "platform/qt/SingleInstance.h"

#include "platform/RuntimeFolder.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {
namespace {

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray Bytes(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// A request is a few bytes; anything longer is not one of ours.
constexpr qint64 kMaxRequestBytes = 16;
// A lock file is empty only between its creation and its owner writing it.
constexpr int kEmptyLockGraceSeconds = 2;

} // namespace

std::optional<QString> SingleInstance::PrivateFolder(QString* problem)
{
    std::string why;
    const std::optional<std::filesystem::path> folder = PrivateRuntimeFolder(&why);
    if (!folder) {
        if (problem) *problem = QString::fromLocal8Bit(why.c_str());
        return std::nullopt;
    }
    return QFile::decodeName(folder->c_str());
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance()
{
    if (server_) server_->close();
    if (lock_) lock_->unlock();
}

QString SingleInstance::LockPath() const
{
    return folder_.isEmpty() ? QString() : folder_ + QLatin1Char('/') + name_ + QStringLiteral(".lock");
}

QString SingleInstance::SocketPath() const
{
    return folder_.isEmpty() ? QString() : folder_ + QLatin1Char('/') + name_ + QStringLiteral(".socket");
}

void SingleInstance::Warn(const QString& text)
{
    problem_ = text;
    std::fprintf(stderr, "corvane-keyboard: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

SingleInstance::Outcome SingleInstance::Acquire()
{
    problem_.clear();
    obstacle_ = Obstacle::kNone;
    QString why;
    const std::optional<QString> folder = PrivateFolder(&why);
    if (!folder) {
        // Better one window too many than none at all.
        Warn(QStringLiteral("no private folder for the instance lock (%1); not checking for another "
                            "running copy")
                 .arg(why));
        return Outcome::kFirst;
    }
    folder_ = *folder;
    lock_ = std::make_unique<QLockFile>(LockPath());
    // No age limit: a lock is stale only when its owner is gone, which QLockFile checks by PID.
    lock_->setStaleLockTime(0);

    // The first one may be starting and not listening yet, or ending and about to free the lock.
    const QDeadlineTimer deadline(patienceMs_);
    int takeOvers = 0;
    for (;;) {
        if (TryLock()) {
            Listen();
            return Outcome::kFirst;
        }
        if (lock_->error() == QLockFile::PermissionError || lock_->error() == QLockFile::UnknownError) {
            Warn(QStringLiteral("cannot create the instance lock %1").arg(LockPath()));
            return Outcome::kFirst;
        }
        const LockState state = InspectLock();
        if (state == LockState::kBlocked) {
            lock_.reset();
            return Outcome::kBlocked;
        }
        // A leftover is taken over once; should it come back at once, someone else is starting.
        if (state == LockState::kGone || (state == LockState::kTakenOver && ++takeOvers <= 1)) continue;
        if (AskFirstToShow(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 1000))))
            return Outcome::kForwarded;
        if (deadline.hasExpired()) break;
        QThread::msleep(100);
    }
    lock_.reset();
    problem_ =
        QStringLiteral("another copy holds %1 but does not answer on %2").arg(LockPath(), SocketPath());
    return Outcome::kUnreachable;
}

bool SingleInstance::TryLock()
{
    return lock_->tryLock(0);
}

// QLockFile takes over a lock whose process is gone, but only one it can read. A live owner keeps
// its lock file locked (flock), so a regular file of this user that nobody holds is a leftover
// (a crash while writing it, a damaged disk, a mode of 000) and ours to remove. Anything else
// was not made by the program: it is left alone and reported, with its path.
SingleInstance::LockState SingleInstance::InspectLock()
{
    const QByteArray path = QFile::encodeName(LockPath());
    const auto blocked = [&](Obstacle obstacle, const QString& what) {
        obstacle_ = obstacle;
        problem_ = QStringLiteral("%1 is %2, not the program's lock file; remove it and start again")
                       .arg(LockPath(), what);
        return LockState::kBlocked;
    };
    struct stat named;
    if (::lstat(path.constData(), &named) != 0) return errno == ENOENT ? LockState::kGone : LockState::kHeld;
    if (S_ISLNK(named.st_mode)) return blocked(Obstacle::kSymlink, QStringLiteral("a symbolic link"));
    if (S_ISDIR(named.st_mode)) return blocked(Obstacle::kFolder, QStringLiteral("a folder"));
    if (!S_ISREG(named.st_mode)) return blocked(Obstacle::kNotRegular, QStringLiteral("not a regular file"));
    if (named.st_uid != ::geteuid())
        return blocked(Obstacle::kOtherOwner, QStringLiteral("a file of user %1").arg(named.st_uid));

    // Removers take turns, as QLockFile's own stale-lock removal does.
    QLockFile removal(LockPath() + QStringLiteral(".rmlock"));
    if (!removal.tryLock(0)) return LockState::kHeld;

    // The file is this user's own: one it cannot read is made readable to find out whether it
    // is held, and given its mode back when it is.
    const bool unreadable = (named.st_mode & S_IRUSR) == 0;
    if (unreadable && ::chmod(path.constData(), (named.st_mode & 07777) | S_IRUSR) != 0)
        return blocked(Obstacle::kUnusable,
                       QStringLiteral("a file that cannot be read (%1)").arg(ErrnoText()));
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return LockState::kGone;
        return blocked(Obstacle::kUnusable,
                       QStringLiteral("a file that cannot be opened (%1)").arg(ErrnoText()));
    }
    LockState state = LockState::kHeld;
    struct stat opened;
    // Ours must still be the file under that name.
    if (::fstat(fd, &opened) == 0 && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const bool empty = opened.st_size == 0;
        const bool old = ::time(nullptr) - opened.st_mtime >= kEmptyLockGraceSeconds;
        // An empty file may be a lock its owner has only just created.
        if ((!empty || old) && ::unlink(path.constData()) == 0) state = LockState::kTakenOver;
    }
    if (state == LockState::kHeld && unreadable) (void)::fchmod(fd, named.st_mode & 07777);
    ::close(fd);
    return state;
}

bool SingleInstance::AskFirstToShow(int timeoutMs)
{
    if (timeoutMs <= 0) timeoutMs = 1;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kShowRequest.data(), static_cast<qint64>(kShowRequest.size()));
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (!socket.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)))) break;
        reply += socket.read(kMaxRequestBytes);
    }
    return reply.startsWith(Bytes(kRequestReply));
}

void SingleInstance::Listen()
{
    server_ = std::make_unique<QLocalServer>();
    // We hold the lock, so a socket under that name is a leftover of ours that died.
    QLocalServer::removeServer(SocketPath());
    if (!server_->listen(SocketPath())) {
        Warn(QStringLiteral("cannot listen on %1 (%2); a second start will not find this one")
                 .arg(SocketPath(), server_->errorString()));
        server_.reset();
        return;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // Nobody may hold a connection open and make the first one keep it forever.
            QTimer::singleShot(idleTimeoutMs_, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                const QByteArray request = socket->peek(kMaxRequestBytes + 1);
                const bool show = request.startsWith(Bytes(kShowRequest));
                if (show || request.startsWith(Bytes(kRereadRequest))) {
                    socket->readAll();
                    socket->write(Bytes(kRequestReply));
                    socket->flush();
                    socket->disconnectFromServer();
                    if (show)
                        emit ActivationRequested();
                    else
                        emit RereadRequested();
                } else if (request.contains('\n') || request.size() > kMaxRequestBytes) {
                    socket->abort();
                    socket->deleteLater();
                }
            });
        }
    });
}

} // namespace corvane
