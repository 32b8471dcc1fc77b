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

namespace {

const char kWriterFlag[] = "--writer";
const char kInsertTask[] = "INSERT INTO to_do_list (day, text, done) VALUES (?,?,?)";
const char kInsertAttachment[] = "INSERT INTO attachments (filename, attach, ID_TODO, link) VALUES (?,?,?,?)";

// Counts up from the stored clock position: every fifth number is written as
// a task, every tenth as an attachment large enough to span many pages, and
// every number to the settings row. A number is printed only after its
// writes have returned.
int runWriter()
{
    QSqlDatabase handle;
    if (!db::openDefault(handle).isEmpty())
        return 2;
    auto row = db::readFirst(QLatin1String(sql::kSelectClockPos));
    qint64 n = row ? row->at(0).toLongLong() : 0;
    QRandomGenerator random{quint32(::getpid())};
    for (;;) {
        ++n;
        if (n % 5 == 0) {
            if (!db::save(QLatin1String(kInsertTask), {int(n % 7) + 1, QString::number(n), false}, nullptr))
                return 3;
        }
        if (n % 10 == 0) {
            QByteArray blob(256 * 1024 + int(random.bounded(64 * 1024)), Qt::Uninitialized);
            random.fillRange(reinterpret_cast<quint32*>(blob.data()), blob.size() / 4);
            if (!db::save(QLatin1String(kInsertAttachment), {QString::number(n), blob, QVariant(), false}, nullptr))
                return 3;
        }
        // Last, so a stored number means all of its writes are in; a kill
        // before it makes the next writer repeat the number.
        if (!db::save(QLatin1String(sql::kUpdateClockPos), {n, n}, nullptr))
            return 3;
        const QByteArray line = QByteArray::number(n) + '\n';
        if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) < 0)
            return 4;
    }
}

}  // namespace

class TestDurability : public QObject
{
    Q_OBJECT
private slots:
    void killedWritersLoseNothingThatReturned();
};

void TestDurability::killedWritersLoseNothingThatReturned()
{
    TestDataDir data;
    data.arrange(QStringLiteral("UPDATE settings SET DigitalClock_Pos_x = 0"));
    QRandomGenerator random(20261206);
    qint64 lastReturned = 0;
    for (int round = 0; round < 30; ++round) {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::SeparateChannels);
        writer.start(QCoreApplication::applicationFilePath(), {QLatin1String(kWriterFlag)});
        QVERIFY(writer.waitForStarted());
        // Let it get going, then kill it at a random moment of its burst.
        QByteArray out;
        while (!out.contains('\n') && writer.waitForReadyRead(5000))
            out += writer.readAllStandardOutput();
        QVERIFY2(out.contains('\n'), writer.readAllStandardError().constData());
        QTest::qSleep(int(random.bounded(5, 80)));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(5000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
        out += writer.readAllStandardOutput();

        const QList<QByteArray> lines = out.left(out.lastIndexOf('\n')).split('\n');
        const qint64 returned = lines.last().toLongLong();
        QVERIFY(returned > lastReturned);
        lastReturned = returned;

        data.open();
        QCOMPARE(data.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const qint64 stored = data.scalar(QStringLiteral("select DigitalClock_Pos_x from settings")).toLongLong();
        // The write after the last reported one may have landed too.
        QVERIFY2(stored == returned || stored == returned + 1,
                 qPrintable(QStringLiteral("returned %1, stored %2").arg(returned).arg(stored)));
        const QString upTo = QString::number(returned);
        QCOMPARE(data.scalar(QStringLiteral("select count(distinct text) from to_do_list where CAST(text AS INTEGER) <= ")
                             + upTo)
                     .toLongLong(),
                 returned / 5);
        QCOMPARE(data.scalar(QStringLiteral("select count(distinct filename) from attachments "
                                            "where length(attach) >= 262144 and CAST(filename AS INTEGER) <= ")
                             + upTo)
                     .toLongLong(),
                 returned / 10);
        data.close();
    }
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], kWriterFlag) == 0)
        return runWriter();
    TestDurability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durability.moc"
