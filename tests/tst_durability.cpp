// A writer process is killed (SIGKILL) again and again in the middle of
// bursts of writes; the file must stay whole and keep every write that had
// returned before the kill.
#include "testdatadir.h"

#include "db/connection.h"
#include "db/database.h"
#include "db/statements.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <unistd.h>

// Counts up from the stored clock position: every fifth number is also a
// task whose text spans many pages, random so that a torn page never looks
// like the one it covers. A number is printed only after its writes have
// returned; the position is written last.
static int runWriter()
{
    QSqlDatabase handle;
    if (!db::openDefault(handle).isEmpty())
        return 2;
    qint64 n = db::readFirst(QLatin1String(sql::kSelectClockPos))->at(0).toLongLong();
    QRandomGenerator random{quint32(::getpid())};
    for (;;) {
        ++n;
        if (n % 5 == 0) {
            QByteArray blob(256 * 1024 + int(random.bounded(64 * 1024)), Qt::Uninitialized);
            random.fillRange(reinterpret_cast<quint32*>(blob.data()), blob.size() / 4);
            const QString text = QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(blob.toBase64());
            if (!db::save(QLatin1String(sql::kInsertTask), {int(n % 7) + 1, text, false}, nullptr))
                return 3;
        }
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
        for (int round = 0; round < 30; ++round) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--writer")});
            // Its first number is out: it writes.
            QVERIFY2(writer.waitForReadyRead(5000), writer.readAllStandardError().constData());
            QTest::qSleep(5 + 5 * (round % 15));  // then kill it at another moment of its burst
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
