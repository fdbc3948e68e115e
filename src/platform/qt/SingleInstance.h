#pragma once
// One configurator per user session. The first start holds a lock file and listens on a local
// socket; a later start finds the lock taken, asks the first one to show its window, and ends.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace corvane {

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // name: what both the lock file and the socket are called; tests pass their own.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first one (it then listens for later starts). False when
    // another one runs: that one has been asked to come forward.
    bool Acquire();

    // The socket name of the running first instance, by the given name.
    static QString ServerName(const QString& name);

signals:
    // A later start asked this one to show its window.
    void ActivationRequested();

private:
    bool AskFirstToShow() const;

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
};

} // namespace corvane
