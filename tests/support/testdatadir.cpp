#include "testdatadir.h"

#include "db/connection.h"
#include "db/database.h"
#include "db/provisioner.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

TestDataDir::TestDataDir(Setup setup)
    : m_oldXdg(qgetenv("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", m_tmp.path().toLocal8Bit());
    if (setup == Provisioned) {
        QString error;
        if (!db::provision(dataDirectory(), &error))
            qFatal("cannot provision the test database: %s", qPrintable(error));
        // Port 0 lets the system pick a free UDP port: a main window built by a
        // test never competes for the machine's chat port with a running
        // program or another test run.
        arrange(QStringLiteral("UPDATE settings SET OrvoChatPort = 0"));
    }
}

TestDataDir::~TestDataDir()
{
    close();
    // The code under test may have opened the default connection itself.
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    qputenv("XDG_DATA_HOME", m_oldXdg);
}

QString TestDataDir::dataDirectory() const
{
    return db::dataDirectory();
}

QString TestDataDir::databasePath() const
{
    return dataDirectory() + QLatin1String(db::kFileName);
}

void TestDataDir::open()
{
    const QString error = db::openDefault(m_db);
    if (!error.isEmpty())
        qFatal("cannot open the test database: %s", qPrintable(error));
}

void TestDataDir::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

QVariant TestDataDir::scalar(const QString& sql) const
{
    QSqlQuery q;
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    return q.next() ? q.value(0) : QVariant();
}

void TestDataDir::exec(const QString& sql) const
{
    QSqlQuery q;
    if (!q.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
}

void TestDataDir::arrange(const QString& sql)
{
    open();
    exec(sql);
    close();
}
