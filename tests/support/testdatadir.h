#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A private data directory for one test: XDG_DATA_HOME points into a fresh
// temporary folder, so the user's own orvo.db is never reached.
class TestDataDir
{
public:
    // Provisioned: the installed database, with the chat on port 0.
    enum Setup { Provisioned, NoDirectory };
    explicit TestDataDir(Setup setup = Provisioned);
    ~TestDataDir();

    QString root() const { return m_tmp.path(); }
    QString dataDirectory() const;  // ends in "/"
    QString databasePath() const;

    // Opens the default connection the way the program does.
    void open();
    void close();

    // Direct access for arranging and checking the stored state.
    QVariant scalar(const QString& sql) const;
    void exec(const QString& sql) const;
    // Runs one statement on a connection of its own that is closed again,
    // so the code under test opens the database as it would at start.
    void arrange(const QString& sql);

private:
    QTemporaryDir m_tmp;
    QByteArray m_oldXdg;
    QSqlDatabase m_db;
};
