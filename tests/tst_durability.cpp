// A writer process is killed (SIGKILL) again and again in the middle of
// bursts of writes; the file must stay whole and keep every write that had
// returned before the kill.
#include "testdatadir.h"

#include "db/connection.h"
#include "db/database.h"
#include "db/statements.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <unistd.h>

// Counts up from the stored clock position: every fifth number is also a
// task whose text spans many pages. A number is printed only after its
// writes have returned; the position is written last.
static int runWriter()
{
    QSqlDatabase handle;
    if (!db::openDefault(handle).isEmpty())
        return 2;
    qint64 n = db::readFirst(QLatin1String(sql::kSelectClockPos))->at(0).toLongLong();
    for (;;) {
        ++n;
        // Text of a size that varies, so that pages are freed and reused.
        const QString text = QString::number(n) + QString(256 * 1024 + int(n % 13) * 4096, QLatin1Char('x'));
        if (n % 5 == 0 && !db::save(QLatin1String(sql::kInsertTask), {int(n % 7) + 1, text, false}, nullptr))
            return 3;
        const QByteArray line = QByteArray::number(n) + '\n';
        if (!db::save(QLatin1String(sql::kUpdateClockPos), {n, n}, nullptr)
            || ::write(STDOUT_FILENO, line.constData(), size_t(line.size())) < 0)
            return 3;
    }
}

class TestDurability : public QObject
{
    Q_OBJECT
private slots:
    void killedWritersLoseNothingThatReturned()
    {
        TestDataDir data;
        data.arrange(QStringLiteral("UPDATE settings SET DigitalClock_Pos_x = 0"));
        qint64 lastReturned = 0;
        for (int round = 0; round < 15; ++round) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--writer")});
            // Its first number is out: it writes.
            QVERIFY2(writer.waitForReadyRead(5000), writer.readAllStandardError().constData());
            QTest::qSleep(5 + 5 * round);  // then kill it at another moment of its burst each round
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(5000));
            // Each number is one small write to the pipe: the last line is whole.
            const qint64 returned = writer.readAllStandardOutput().trimmed().split('\n').last().toLongLong();
            QVERIFY(returned > lastReturned);
            lastReturned = returned;

            data.open();
            QCOMPARE(data.scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
            // The write after the last reported one may have landed too.
            const qint64 stored = data.scalar("select DigitalClock_Pos_x from settings").toLongLong();
            QVERIFY2(stored == returned || stored == returned + 1, qPrintable(QString::number(stored)));
            // Every fifth number is a whole task (the one being written may
            // have landed too, and again in the next round).
            const qint64 tasks = data.scalar("select count(distinct CAST(text AS INTEGER)) from to_do_list "
                                             "where length(text) > 262144")
                                     .toLongLong();
            QVERIFY(tasks == returned / 5 || tasks == (returned + 1) / 5);
            data.close();
        }
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter();
    TestDurability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durability.moc"
