#include "testdatadir.h"

#include "db/connection.h"
#include "db/database.h"
#include "db/provisioner.h"

#include <QSqlError>
#include <QSqlQuery>

TestDataDir::TestDataDir(Setup setup)
    : m_oldXdg(qgetenv("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", m_tmp.path().toLocal8Bit());
    QString error;
    if (setup == Provisioned && !db::provision(dataDirectory(), &error))
        qFatal("cannot provision the test database: %s", qPrintable(error));
    if (setup == Provisioned)  // the system picks a free port: no test competes for the machine's chat port
        arrange(QStringLiteral("UPDATE settings SET OrvoChatPort = 0"));
}

TestDataDir::~TestDataDir()
{
    close();  // and the connection the code under test may have opened itself
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    qputenv("XDG_DATA_HOME", m_oldXdg);
}

QString TestDataDir::dataDirectory() const { return db::dataDirectory(); }
QString TestDataDir::databasePath() const { return dataDirectory() + QLatin1String(db::kFileName); }

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

void TestDataDir::exec(const QString& sql) const { scalar(sql); }

void TestDataDir::arrange(const QString& sql)
{
    open();
    exec(sql);
    close();
}
