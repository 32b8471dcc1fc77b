// The shared write and read routines and the installed schema.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "db/database.h"
#include "db/provisioner.h"
#include "db/statements.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>

class TestDb : public QObject
{
    Q_OBJECT
private slots:
    void failedWriteShowsTheDriversReasonAndClosesItsTransaction()
    {
        TestDataDir data;
        data.open();
        QWidget owner;
        BoxAnswerer boxes;
        // Why it does not prepare, not a bare parameter count mismatch from binding it anyway.
        QVERIFY(!db::save(QStringLiteral("UPDATE settings SET NoSuchColumn = :x"), {1}, &owner));
        QCOMPARE(boxes.seen.size(), 1);
        QVERIFY2(boxes.seen[0].title == "Error" && boxes.seen[0].text.contains("no such column"), qPrintable(boxes.seen[0].text));
        QCOMPARE(boxes.seen[0].parent.data(), &owner);
        // The failed write's transaction is over: a new one can begin.
        QVERIFY(QSqlDatabase::database().transaction());
        QSqlDatabase::database().rollback();
        // A write that returned is in the file: another connection, as after a crash, reads it.
        QVERIFY(db::save(QLatin1String(sql::kUpdateChatPort), {4321}, &owner));
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(data.databasePath());
            QSqlQuery read(other);
            QVERIFY(other.open() && read.exec("select OrvoChatPort from settings") && read.next());
            QCOMPARE(read.value(0).toInt(), 4321);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }

    void installedSchemaServesEveryStatement()
    {
        TestDataDir data;
        data.open();
        BoxAnswerer boxes;  // a failure shows its box
        // Durability as opened: no kill test tells synchronous OFF from NORMAL.
        QCOMPARE(data.scalar("PRAGMA journal_mode").toString() + data.scalar("PRAGMA synchronous").toString()
                     + data.scalar("PRAGMA foreign_keys").toString(),
                 QStringLiteral("wal11"));
        // Every placeholder takes 1; deleting task 1, last, must take its attachment with it.
        data.exec(QStringLiteral("INSERT INTO to_do_list (day) VALUES (1)"));
        using namespace sql;
        for (const char* statement :
             {kSelectSettingsPage, kSelectFileToRun, kSelectClock, kSelectClockPos, kSelectCalendar, kSelectSticker,
              kUpdateClockSize, kUpdateClockOnTop, kUpdateStickerOnTop, kUpdateSectionSize, kUpdateGoToCurrentDay,
              kUpdateStickerTextColor, kUpdateClockTextColor, kUpdateStickerFont, kUpdateClockOpacity,
              kUpdateClockSkin, kUpdateClockPos, kUpdateCalendar, kUpdateStickerSize, kUpdateStickerPos,
              kUpdateStickerSkin, kUpdateChatPort, kUpdateFileToRun, kSelectNoteDatesBetween, kSelectNoteTexts,
              kInsertNote, kUpdateNote, kDeleteNote, kSelectTasks, kInsertTask, kUpdateTaskDone, kUpdateTaskText,
              kDeleteAttachment, kInsertAttachment, kSelectAttachments, kSelectAttachment,
              kDeleteTask}) {
            const QString text = QLatin1String(statement);
            QVariantList values;
            while (values.size() < text.count(QLatin1Char('?')) + text.count(QRegularExpression(QStringLiteral(":\\w"))))
                values << 1;
            const bool ok = text.startsWith(QLatin1String("select"), Qt::CaseInsensitive)
                ? db::read(text, values).has_value()
                : db::save(text, values, nullptr);
            QVERIFY2(ok, statement);
        }
        QCOMPARE(data.scalar(QStringLiteral("select count(*) from attachments")).toInt(), 0);
        // An empty settings table reads as one row of nothing (zeroes).
        data.exec(QStringLiteral("DELETE FROM settings"));
        const auto row = db::readFirst(QLatin1String(kSelectSettingsPage));
        QVERIFY(row && *row == QVector<QVariant>(11).toList());
    }

    void provisioningNeverTouchesAnExistingFile()
    {
        TestDataDir data(TestDataDir::NoDirectory);
        QString error;
        QVERIFY2(db::provision(data.dataDirectory(), &error), qPrintable(error));
        data.arrange(QStringLiteral("UPDATE settings SET OrvoChatPort = 1"));
        QVERIFY(db::provision(data.dataDirectory(), &error));
        data.open();
        QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), 1);
        QVERIFY(!QFile::exists(data.databasePath() + QStringLiteral(".partial")));
    }
};

QTEST_MAIN(TestDb)
#include "tst_db.moc"
