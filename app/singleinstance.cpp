#include "app/singleinstance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>

namespace {

// File names carry the desktop's name: ":0.0" becomes "_0_0".
QString fileKey(const QString& desktop)
{
    QString key = QStringLiteral("OrvoWidgets");
    for (const QChar c : desktop)
        key += c.isLetterOrNumber() ? c : QLatin1Char('_');
    return key;
}

}  // namespace

SingleInstance::SingleInstance(const QString& directory, const QString& desktop, QObject* parent)
    : QObject(parent)
    , serverName(directory + QLatin1Char('/') + fileKey(desktop) + QStringLiteral(".socket"))
    , lock(directory + QLatin1Char('/') + fileKey(desktop) + QStringLiteral(".lock"))
{
    // Only a live process keeps the lock, however old it is.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError) {
        first = false;
        return;
    }
    // A socket file left by a killed program would make listening fail.
    QLocalServer::removeServer(serverName);
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = server.nextPendingConnection()) {
            caller->disconnectFromServer();
            caller->deleteLater();
            emit activated();
        }
    });
    server.listen(serverName);
}

bool SingleInstance::activateRunning(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // The running program takes its lock before it listens: keep trying
    // for a moment when it is just starting.
    do {
        QLocalSocket socket;
        socket.connectToServer(serverName);
        if (socket.waitForConnected(int(qMax<qint64>(deadline.remainingTime(), 0)))) {
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(20);
    } while (!deadline.hasExpired());
    return false;
}
