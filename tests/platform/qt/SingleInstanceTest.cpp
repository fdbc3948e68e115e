// One copy per user: a later start brings the first forward, damaged or stale locks do not keep
// the program from starting, a first copy that does not answer is reported, and nothing another
// user does can block the program or pose as its first copy.

#include "platform/qt/SingleInstance.h"

#include "platform/RuntimeFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace corvane {
namespace {

constexpr uid_t kOtherUser = 65534;

QString UniqueName()
{
    // Short: a local socket's whole path must fit in about a hundred bytes.
    return QStringLiteral("t-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// A folder of the test's own, from mkdtemp; removed with everything in it.
class TempFolder
{
public:
    TempFolder()
    {
        QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/corvane-instance-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) path_ = QString::fromLocal8Bit(pattern);
    }
    ~TempFolder()
    {
        if (!path_.isEmpty()) QDir(path_).removeRecursively();
    }
    const QString& Path() const { return path_; }
    QString operator/(const QString& name) const { return path_ + QLatin1Char('/') + name; }

private:
    QString path_;
};

// Sets or clears environment variables for one test and puts them back afterwards.
class ScopedEnv
{
public:
    ~ScopedEnv()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                qputenv(name.c_str(), *value);
            else
                qunsetenv(name.c_str());
        }
    }
    void Set(const char* name, const QString& value)
    {
        Save(name);
        qputenv(name, value.toLocal8Bit());
    }
    void Unset(const char* name)
    {
        Save(name);
        qunsetenv(name);
    }

private:
    void Save(const char* name)
    {
        if (saved_.count(name)) return;
        saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    std::map<std::string, std::optional<QByteArray>> saved_;
};

mode_t ModeOf(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Runs `ask` against a socket from this process while the event loop keeps the first one going.
QByteArray AskToShow(const QString& socketPath)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!QTest::qWaitFor([&] { return socket.state() == QLocalSocket::ConnectedState; }, 2000)) return {};
    socket.write("show\n");
    QByteArray reply;
    (void)QTest::qWaitFor(
        [&] {
            reply += socket.readAll();
            return reply.contains('\n') || socket.state() == QLocalSocket::UnconnectedState;
        },
        2000);
    return reply;
}

// The probe: another process of the program's kind (tests/support/InstanceProbe.cpp).
class Probe
{
public:
    // asUser: run as that user (root only), with the given environment.
    Probe(const QStringList& arguments, std::optional<uid_t> asUser = std::nullopt,
          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        process_.setProcessEnvironment(env);
        if (asUser) {
            const QString id = QString::number(*asUser);
            process_.start(QStringLiteral("setpriv"),
                           QStringList{QStringLiteral("--reuid=") + id, QStringLiteral("--regid=") + id,
                                       QStringLiteral("--clear-groups"), Program()} +
                               arguments);
        } else {
            process_.start(Program(), arguments);
        }
    }
    ~Probe()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    // Waits (keeping the event loop going) for a line starting with `prefix`.
    bool WaitForLine(const QString& prefix, int timeoutMs = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
                for (const QString& line : output_.split(QLatin1Char('\n')))
                    if (line.startsWith(prefix)) return true;
                return false;
            },
            timeoutMs);
    }
    int WaitForExit(int timeoutMs = 8000)
    {
        (void)QTest::qWaitFor([&] { return process_.state() == QProcess::NotRunning; }, timeoutMs);
        output_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        return process_.state() == QProcess::NotRunning ? process_.exitCode() : -1;
    }
    QString Output() const { return output_; }
    QString Errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

    // A copy of the probe any user can run, whatever the build folder allows.
    static QString Program()
    {
        static TempFolder folder;
        static const QString copy = [] {
            const QString target = folder / QStringLiteral("corvane_instance_probe");
            QFile::copy(QStringLiteral(CORVANE_INSTANCE_PROBE), target);
            ::chmod(QFile::encodeName(folder.Path()).constData(), 0755);
            ::chmod(QFile::encodeName(target).constData(), 0755);
            return target;
        }();
        return copy;
    }

private:
    QProcess process_;
    QString output_;
};

QString FolderNow()
{
    return SingleInstance::PrivateFolder().value_or(QString());
}

// stderr of this process while one block runs.
class CaptureStderr
{
public:
    CaptureStderr()
    {
        std::fflush(stderr);
        file_ = folder_ / QStringLiteral("stderr");
        const int fd = ::open(QFile::encodeName(file_).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        saved_ = ::dup(2);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~CaptureStderr() { Restore(); }
    QString Text()
    {
        Restore();
        QFile f(file_);
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll());
    }

private:
    void Restore()
    {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    TempFolder folder_;
    QString file_;
    int saved_ = -1;
};

TEST(SingleInstanceTest, ASecondStartBringsTheFirstForwardAndEnds)
{
    const QString name = UniqueName();
    SingleInstance first(name);
    ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::kFirst);
    EXPECT_TRUE(first.Problem().isEmpty());
    QSignalSpy activated(&first, &SingleInstance::ActivationRequested);

    Probe second({QStringLiteral("start"), name, QStringLiteral("5")});
    EXPECT_EQ(second.WaitForExit(), 10) << second.Output().toStdString();
    EXPECT_TRUE(second.Output().contains(QLatin1String("forwarded")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated.count() == 1; }, 2000));

    // And once more: the first keeps serving later starts.
    EXPECT_EQ(AskToShow(first.SocketPath()), QByteArray("ok\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated.count() == 2; }, 2000));
}

// corvanectl, which has no Qt, reaches the window through the same socket to have it read anew.
TEST(SingleInstanceTest, AProgramWithoutQtAsksTheWindowToReadAnew)
{
    const QString name = UniqueName();
    const std::string plainName = name.toStdString();
    EXPECT_FALSE(TellRunningWindow(kRereadRequest, plainName)); // nobody listens yet
    SingleInstance first(name);
    ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::kFirst);
    QSignalSpy reread(&first, &SingleInstance::RereadRequested);
    QSignalSpy activated(&first, &SingleInstance::ActivationRequested);
    // The caller waits for the answer, so it runs beside the event loop that gives it.
    bool answered = false;
    std::thread caller([&] { answered = TellRunningWindow(kRereadRequest, plainName); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return reread.count() == 1; }, 2000));
    QTest::qWait(50);
    caller.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(activated.count(), 0);
}

TEST(SingleInstanceTest, TheLockIsFreeAgainWhenTheFirstEnds)
{
    const QString name = UniqueName();
    {
        SingleInstance first(name);
        ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::kFirst);
    }
    SingleInstance next(name);
    EXPECT_EQ(next.Acquire(), SingleInstance::Outcome::kFirst);
}

// A pid that surely names no process: a child that has already been reaped.
qint64 DeadPid()
{
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(SingleInstanceTest, StaleOrDamagedLocksAreTakenOver)
{
    struct Case
    {
        const char* what;
        QByteArray content;
        bool backdate; // written long ago
    };
    const QByteArray host = QSysInfo::machineHostName().toLocal8Bit();
    const Case cases[] = {
        {"owner gone", QByteArray::number(DeadPid()) + "\ncorvane-keyboard\n" + host + "\n", false},
        {"garbage", QByteArray("\x01\xff not a lock file \x00\x7f", 22), false},
        {"no pid at all", "pid\nname\n", false},
        {"empty, left by a crash", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString name = UniqueName();
        const QString folder = FolderNow();
        ASSERT_FALSE(folder.isEmpty());
        const QString lockPath = folder + QLatin1Char('/') + name + QStringLiteral(".lock");
        const QString socketPath = folder + QLatin1Char('/') + name + QStringLiteral(".socket");
        {
            QFile lock(lockPath);
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
            lock.write(c.content);
            // A socket left behind by the same crash.
            QFile socket(socketPath);
            ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        }
        if (c.backdate) {
            const QByteArray path = QFile::encodeName(lockPath);
            struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
        }

        SingleInstance instance(name);
        instance.SetPatience(500);
        ASSERT_EQ(instance.Acquire(), SingleInstance::Outcome::kFirst);
        EXPECT_EQ(instance.LockPath(), lockPath);
        QFile lock(lockPath);
        ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
        EXPECT_TRUE(lock.readLine().trimmed() == QByteArray::number(QCoreApplication::applicationPid()));
        // It listens where the old socket was.
        EXPECT_EQ(AskToShow(socketPath), QByteArray("ok\n"));
    }
}

TEST(SingleInstanceTest, AFirstCopyThatDoesNotAnswerIsReported)
{
    const QString name = UniqueName();
    const QString folder = FolderNow();
    // A live process (this one) holds the lock but nothing listens.
    QLockFile held(folder + QLatin1Char('/') + name + QStringLiteral(".lock"));
    ASSERT_TRUE(held.tryLock(0));

    QElapsedTimer clock;
    clock.start();
    SingleInstance second(name);
    second.SetPatience(400);
    EXPECT_EQ(second.Acquire(), SingleInstance::Outcome::kUnreachable);
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_TRUE(second.Problem().contains(QLatin1String("does not answer")));
    EXPECT_TRUE(held.isLocked());

    // The same from a separate process.
    Probe probe({QStringLiteral("start"), name, QStringLiteral("5"), QStringLiteral("400")});
    EXPECT_EQ(probe.WaitForExit(), 11);
    EXPECT_TRUE(probe.Output().contains(QLatin1String("unreachable")));
}

// Whatever lies where the lock goes: only a lock a live process holds means "running"; the
// user's own leftover is taken over; anything else is reported with its path and left alone.
// Run as an ordinary user (nobody when the tests run as root), for whom a mode of 000 matters.
TEST(SingleInstanceTest, WhatLiesInTheLocksPlaceIsToldApart)
{
    enum class Expect { kFirst, kBlocked, kUnreachable };
    struct Case
    {
        const char* what;
        std::function<void(const QByteArray& lock, uid_t user)> make;
        Expect expect;
        const char* says; // in the probe's problem text, for kBlocked
        bool rootOnly;    // needs a second user
    };
    const QByteArray deadLock = QByteArray::number(DeadPid()) + "\ncorvane_instance_probe\n" +
                                QSysInfo::machineHostName().toLocal8Bit() + "\n";
    auto file = [](const QByteArray& path, const QByteArray& content, mode_t mode, uid_t owner) {
        QFile f(QString::fromLocal8Bit(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        ASSERT_EQ(::chown(path.constData(), owner, owner) == 0 || ::geteuid() != 0, true);
        ASSERT_EQ(::chmod(path.constData(), mode), 0);
    };
    int heldFd = -1;
    const Case cases[] = {
        {"a folder", [](const QByteArray& lock, uid_t) { ASSERT_EQ(::mkdir(lock.constData(), 0700), 0); },
         Expect::kBlocked, "is a folder", false},
        {"a dangling symbolic link",
         [](const QByteArray& lock, uid_t) {
             ASSERT_EQ(::symlink("/nonexistent/lock", lock.constData()), 0);
         },
         Expect::kBlocked, "is a symbolic link", false},
        // QLockFile itself sees the dead owner through the link and replaces the link.
        {"a symbolic link to a stale lock",
         [&](const QByteArray& lock, uid_t user) {
             file(lock + ".target", deadLock, 0600, user);
             ASSERT_EQ(::symlink((lock + ".target").constData(), lock.constData()), 0);
         },
         Expect::kFirst, "", false},
        {"a named pipe",
         [](const QByteArray& lock, uid_t) { ASSERT_EQ(::mkfifo(lock.constData(), 0600), 0); },
         Expect::kBlocked, "is not a regular file", false},
        {"another user's file", [&](const QByteArray& lock, uid_t) { file(lock, deadLock, 0600, 0); },
         Expect::kBlocked, "is a file of user 0", true},
        {"mode 000, left by a crash",
         [&](const QByteArray& lock, uid_t user) { file(lock, deadLock, 0, user); }, Expect::kFirst, "",
         false},
        {"mode 000 and damaged",
         [&](const QByteArray& lock, uid_t user) { file(lock, "\x01\xff garbage", 0, user); }, Expect::kFirst,
         "", false},
        {"mode 000, held by a live process",
         [&](const QByteArray& lock, uid_t user) {
             file(lock, deadLock, 0600, user);
             heldFd = ::open(lock.constData(), O_RDONLY | O_CLOEXEC);
             ASSERT_GE(heldFd, 0);
             ASSERT_EQ(::flock(heldFd, LOCK_EX | LOCK_NB), 0);
             ASSERT_EQ(::chmod(lock.constData(), 0), 0);
         },
         Expect::kUnreachable, "", false},
    };
    const bool root = ::geteuid() == 0;
    const uid_t user = root ? kOtherUser : ::geteuid();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.rootOnly && !root) continue;
        TempFolder temp;
        ::chmod(QFile::encodeName(temp.Path()).constData(), 0755);
        const QString run = temp / QStringLiteral("run");
        ASSERT_EQ(::mkdir(QFile::encodeName(run).constData(), 0700), 0);
        if (root) {
            ASSERT_EQ(::chown(QFile::encodeName(run).constData(), user, user), 0);
        }
        const QString name = UniqueName();
        const QString lockPath = run + QLatin1Char('/') + name + QStringLiteral(".lock");
        const QByteArray lock = QFile::encodeName(lockPath);
        c.make(lock, user);
        struct stat before;
        ASSERT_EQ(::lstat(lock.constData(), &before), 0);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
        env.insert(QStringLiteral("HOME"), temp.Path());
        env.remove(QStringLiteral("XDG_CACHE_HOME"));
        Probe probe({QStringLiteral("start"), name, QStringLiteral("0"), QStringLiteral("300")},
                    root ? std::optional<uid_t>(user) : std::nullopt, env);
        const int code = probe.WaitForExit();
        const std::string output = probe.Output().toStdString();
        struct stat after;
        const bool stillThere = ::lstat(lock.constData(), &after) == 0;
        switch (c.expect) {
        case Expect::kFirst: {
            EXPECT_EQ(code, 0) << output << probe.Errors().toStdString();
            EXPECT_NE(output.find("first " + lockPath.toStdString()), std::string::npos) << output;
            QFile target(QString::fromLocal8Bit(lock + ".target"));
            if (target.exists()) {
                ASSERT_TRUE(target.open(QIODevice::ReadOnly));
                EXPECT_EQ(target.readAll(), deadLock) << "a link is replaced, not written through";
            }
            break;
        }
        case Expect::kBlocked:
            EXPECT_EQ(code, 12) << output;
            EXPECT_NE(output.find(lockPath.toStdString() + " " + c.says), std::string::npos) << output;
            EXPECT_NE(output.find("remove it"), std::string::npos) << output;
            ASSERT_TRUE(stillThere) << "what the program did not make is left alone";
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(after.st_mode, before.st_mode);
            break;
        case Expect::kUnreachable:
            EXPECT_EQ(code, 11) << output;
            ASSERT_TRUE(stillThere);
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(after.st_mode & 07777, 0u) << "its mode is given back";
            break;
        }
        if (heldFd >= 0) {
            ::close(heldFd);
            heldFd = -1;
        }
    }
}

TEST(SingleInstanceTest, ListenFailureIsReportedAndTheProgramStillRuns)
{
    // Too long for a local socket's address, fine for a file name.
    const QString name = UniqueName() + QString(110, QLatin1Char('x'));
    CaptureStderr err;
    SingleInstance instance(name);
    EXPECT_EQ(instance.Acquire(), SingleInstance::Outcome::kFirst);
    const QString text = err.Text();
    EXPECT_TRUE(text.contains(QLatin1String("cannot listen"))) << text.toStdString();
    EXPECT_TRUE(instance.Problem().contains(QLatin1String("cannot listen")));
    // The lock still keeps a second copy from thinking it is first.
    SingleInstance second(name);
    second.SetPatience(200);
    EXPECT_EQ(second.Acquire(), SingleInstance::Outcome::kUnreachable);
}

TEST(SingleInstanceTest, ConnectionsThatSayNothingUsefulAreClosed)
{
    // Closed after the idle time-out, or at once: told apart by a time-out far longer than the
    // test's wait, never by the machine's speed.
    struct Case
    {
        const char* what;
        QByteArray sent;
        int idleTimeoutMs;
        bool closedAtOnce;
    };
    const Case cases[] = {
        {"silent", "", 600, false},
        {"half a request", "sh", 600, false},
        {"a line that is no request", "hello\n", 600000, true},
        {"a flood without a line end", QByteArray(64, 'x'), 600000, true},
    };
    const QString name = UniqueName();
    SingleInstance first(name);
    ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::kFirst);
    QSignalSpy activated(&first, &SingleInstance::ActivationRequested);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        first.SetIdleTimeout(c.idleTimeoutMs);
        QLocalSocket socket;
        socket.connectToServer(first.SocketPath());
        ASSERT_TRUE(QTest::qWaitFor([&] { return socket.state() == QLocalSocket::ConnectedState; }, 20000));
        QElapsedTimer clock;
        clock.start();
        if (!c.sent.isEmpty()) socket.write(c.sent);
        ASSERT_TRUE(QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 30000));
        // A connection is not closed long before its idle time unless it said something wrong (the
        // server's timer may have started a little before this clock).
        if (!c.closedAtOnce) {
            EXPECT_GE(clock.elapsed(), c.idleTimeoutMs / 2);
        }
    }
    EXPECT_EQ(activated.count(), 0);
    // Still serving afterwards.
    EXPECT_EQ(AskToShow(first.SocketPath()), QByteArray("ok\n"));
}

TEST(SingleInstanceTest, WithoutAUsableRuntimeFolderTheFilesGoToAPrivateCacheFolder)
{
    TempFolder temp;
    const QString ownOpen = temp / QStringLiteral("own-0770");
    QDir().mkpath(ownOpen);
    ::chmod(QFile::encodeName(ownOpen).constData(), 0770);
    const QString ownPrivate = temp / QStringLiteral("own-0700");
    QDir().mkpath(ownPrivate);
    ::chmod(QFile::encodeName(ownPrivate).constData(), 0700);

    struct Case
    {
        const char* what;
        std::optional<QString> runtime;
        bool usesRuntime;
    };
    const Case cases[] = {
        {"unset", std::nullopt, false},
        {"empty", QString(), false},
        {"relative", QStringLiteral("run"), false},
        {"shared /tmp", QStringLiteral("/tmp"), false},
        {"group-writable", ownOpen, false},
        {"missing", temp / QStringLiteral("missing"), false},
        {"the user's own", ownPrivate, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder home;
        ScopedEnv env;
        if (c.runtime)
            env.Set("XDG_RUNTIME_DIR", *c.runtime);
        else
            env.Unset("XDG_RUNTIME_DIR");
        env.Set("XDG_CACHE_HOME", home / QStringLiteral("cache"));

        SingleInstance instance(UniqueName());
        ASSERT_EQ(instance.Acquire(), SingleInstance::Outcome::kFirst);
        const QString expected =
            c.usesRuntime ? ownPrivate : home / QStringLiteral("cache/corvane-keyboard/run");
        EXPECT_TRUE(instance.LockPath().startsWith(expected + QLatin1Char('/')))
            << instance.LockPath().toStdString();
        EXPECT_TRUE(QFile::exists(instance.LockPath()));
        EXPECT_TRUE(QFile::exists(instance.SocketPath()));
        if (!c.usesRuntime) {
            EXPECT_EQ(ModeOf(expected), 0700u);
            EXPECT_EQ(ModeOf(home / QStringLiteral("cache/corvane-keyboard")), 0700u);
        }
        EXPECT_EQ(AskToShow(instance.SocketPath()), QByteArray("ok\n"));
    }
}

TEST(SingleInstanceTest, TheCacheFolderIsMadePrivateOrRefused)
{
    TempFolder home;
    ScopedEnv env;
    env.Unset("XDG_RUNTIME_DIR");
    env.Set("XDG_CACHE_HOME", home / QStringLiteral("cache"));
    const QString app = home / QStringLiteral("cache/corvane-keyboard");
    const QString run = app + QStringLiteral("/run");

    // Ours but too open: tightened.
    QDir().mkpath(run);
    ::chmod(QFile::encodeName(app).constData(), 0755);
    ::chmod(QFile::encodeName(run).constData(), 0777);
    EXPECT_EQ(FolderNow(), run);
    EXPECT_EQ(ModeOf(run), 0700u);
    EXPECT_EQ(ModeOf(app), 0700u);

    // A link in its place could lead anywhere: refused, and the program runs unguarded.
    TempFolder elsewhere;
    QDir(run).removeRecursively();
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere.Path()).constData(), QFile::encodeName(run).constData()),
              0);
    QString problem;
    EXPECT_FALSE(SingleInstance::PrivateFolder(&problem));
    EXPECT_FALSE(problem.isEmpty());
    CaptureStderr err;
    SingleInstance instance(UniqueName());
    EXPECT_EQ(instance.Acquire(), SingleInstance::Outcome::kFirst);
    EXPECT_TRUE(err.Text().contains(QLatin1String("no private folder")));
    EXPECT_TRUE(QDir(elsewhere.Path()).isEmpty());
}

// Another local user: with its own home and no runtime folder, as on a system without a login
// manager. Whatever it runs, this user's program still starts and is still the one reached.
class OtherUserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) GTEST_SKIP() << "no setpriv";
        ::chmod(QFile::encodeName(otherHome.Path()).constData(), 0700);
        ASSERT_EQ(::chown(QFile::encodeName(otherHome.Path()).constData(), kOtherUser, kOtherUser), 0);
        otherEnv = QProcessEnvironment::systemEnvironment();
        otherEnv.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        otherEnv.remove(QStringLiteral("XDG_CACHE_HOME"));
        otherEnv.insert(QStringLiteral("HOME"), otherHome.Path());
        // The shared /tmp, where a careless program would put its lock.
        otherEnv.remove(QStringLiteral("TMPDIR"));
    }

    // Both users' cases: this user with a runtime folder, and without one.
    void ForEachOwnSetup(const std::function<void()>& body)
    {
        for (bool withRuntime : {true, false}) {
            SCOPED_TRACE(withRuntime ? "own runtime folder" : "no runtime folder");
            TempFolder home;
            ScopedEnv env;
            if (!withRuntime) env.Unset("XDG_RUNTIME_DIR");
            env.Set("XDG_CACHE_HOME", home / QStringLiteral("cache"));
            body();
        }
    }

    TempFolder otherHome;
    QProcessEnvironment otherEnv;
};

TEST_F(OtherUserTest, CannotBlockTheProgram)
{
    ForEachOwnSetup([&] {
        const QString name = UniqueName();
        Probe other({QStringLiteral("start"), name, QStringLiteral("10")}, kOtherUser, otherEnv);
        ASSERT_TRUE(other.WaitForLine(QStringLiteral("first "))) << other.Errors().toStdString();
        EXPECT_TRUE(other.Output().contains(otherHome.Path())) << other.Output().toStdString();

        SingleInstance mine(name);
        mine.SetPatience(300);
        EXPECT_EQ(mine.Acquire(), SingleInstance::Outcome::kFirst);
        EXPECT_FALSE(other.Output().contains(QLatin1String("activated")));
    });
}

TEST_F(OtherUserTest, CannotPoseAsOrReachTheFirstCopy)
{
    ForEachOwnSetup([&] {
        const QString name = UniqueName();
        SingleInstance mine(name);
        ASSERT_EQ(mine.Acquire(), SingleInstance::Outcome::kFirst);
        QSignalSpy activated(&mine, &SingleInstance::ActivationRequested);

        // Its own start is a first start of its own, not a message to this one.
        Probe other({QStringLiteral("start"), name, QStringLiteral("1")}, kOtherUser, otherEnv);
        ASSERT_TRUE(other.WaitForLine(QStringLiteral("first "))) << other.Errors().toStdString();
        // Nor can it talk to this one's socket directly.
        Probe knock({QStringLiteral("ask"), mine.SocketPath()}, kOtherUser, otherEnv);
        EXPECT_EQ(knock.WaitForExit(), 1);
        EXPECT_TRUE(knock.Output().contains(QLatin1String("refused")));
        EXPECT_EQ(activated.count(), 0);

        // While this user's own second start still reaches it.
        Probe own({QStringLiteral("start"), name, QStringLiteral("1")});
        EXPECT_EQ(own.WaitForExit(), 10);
        EXPECT_TRUE(QTest::qWaitFor([&] { return activated.count() == 1; }, 2000));
    });
}

} // namespace
} // namespace corvane
