#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One running program per user and desktop. The first start holds a lock
// file and listens on a local socket beside it; a later start finds the
// lock taken, asks the running program to come forward and ends. A lock
// left by a program that was killed belongs to no running process and is
// taken over.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `directory` is private to the user; `desktop` names the desktop.
    SingleInstance(const QString& directory, const QString& desktop, QObject* parent = nullptr);

    // True for the program that is to run. Also true when no lock can be
    // made at all: a broken runtime directory must not keep it from running.
    bool isFirst() const { return first; }

    // Asks the running program to come forward; false when it could not be
    // reached within `timeoutMs` (it may still be starting).
    bool activateRunning(int timeoutMs = 1000);

signals:
    void activated();

private:
    QString serverName;
    QLockFile lock;
    QLocalServer server;
    bool first = true;
};
