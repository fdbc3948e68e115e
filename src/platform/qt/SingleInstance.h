#pragma once
// One configurator per user session. The first start holds a lock file and listens on a local
// socket; a later start finds the lock taken, asks the first one to show its window, and ends.
// Only a lock file that a live process holds locked means another copy runs: a leftover of the
// user's own is taken over, and anything else in its place is reported as what it is.
//
// Lock and socket live in a folder only this user can enter: $XDG_RUNTIME_DIR when it is the
// user's own and nobody else may write to it, else <cache>/corvane-keyboard/run, created 0700.
// A name shared in /tmp would let another user block the program or pose as its first instance.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace corvane {

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        kFirst,       // this process runs; it listens for later starts
        kForwarded,   // another one runs and has been asked to come forward
        kUnreachable, // another one holds the lock but does not answer
        kBlocked,     // something that is no lock of ours is in the lock's place (Obstacle())
    };
    // What is in the lock's place when Acquire() says kBlocked.
    enum class Obstacle {
        kNone,
        kFolder,
        kSymlink,
        kNotRegular, // a FIFO, socket or device
        kOtherOwner, // a file of another user
        kUnusable,   // a file of this user that cannot be opened even after making it readable
    };

    // name: what both the lock file and the socket are called; tests pass their own.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    Outcome Acquire();

    // What went wrong, for messages: why the first one could not be reached, or why this one
    // runs without keeping later starts out. Empty when nothing did.
    QString Problem() const { return problem_; }
    Obstacle LockObstacle() const { return obstacle_; }
    QString LockPath() const;
    QString SocketPath() const;

    // How long a later start keeps trying to reach the first one (which may still be starting).
    void SetPatience(int milliseconds) { patienceMs_ = milliseconds; }
    // A connection that has not made its request by then is closed.
    void SetIdleTimeout(int milliseconds) { idleTimeoutMs_ = milliseconds; }

    // The folder for lock and socket, created when needed; nothing (with the reason in *problem)
    // when no folder private to this user can be had.
    static std::optional<QString> PrivateFolder(QString* problem = nullptr);

signals:
    // A later start asked this one to show its window.
    void ActivationRequested();
    // Another program (corvanectl) changed the keyboard or the data folder.
    void RereadRequested();

private:
    bool TryLock();
    enum class LockState { kGone, kTakenOver, kHeld, kBlocked };
    // Looks at what stands in the lock's place when it cannot be taken.
    LockState InspectLock();
    bool AskFirstToShow(int timeoutMs);
    void Listen();
    void Warn(const QString& text);

    QString name_;
    QString folder_;
    QString problem_;
    Obstacle obstacle_ = Obstacle::kNone;
    int patienceMs_ = 2000;
    int idleTimeoutMs_ = 1000;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace corvane
