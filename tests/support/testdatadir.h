#pragma once

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QVariant>

// A private data directory for one test: XDG_DATA_HOME points into a fresh temporary folder.
class TestDataDir
{
public:
    enum Setup { Provisioned, NoDirectory };  // Provisioned: the installed database, chat on port 0
    explicit TestDataDir(Setup setup = Provisioned);
    ~TestDataDir();

    QString root() const { return m_tmp.path(); }
    QString dataDirectory() const;  // ends in "/"
    QString databasePath() const;

    void open();  // the default connection, as the program opens it
    void close();
    QVariant scalar(const QString& sql) const;
    void exec(const QString& sql) const;
    // One statement on a connection closed again, so the code under test opens the file as at start.
    void arrange(const QString& sql);

private:
    QTemporaryDir m_tmp;
    QByteArray m_oldXdg;
    QSqlDatabase m_db;
};
