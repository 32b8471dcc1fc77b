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

// Counts up from the stored clock position: every fifth number is also a
// task whose text spans many pages. A number is printed only
// after its writes have returned; the position is written last.
int runWriter()
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
    void killedWritersLoseNothingThatReturned()
    {
        TestDataDir data;
        data.arrange(QStringLiteral("UPDATE settings SET DigitalClock_Pos_x = 0"));
        QRandomGenerator random(20261206);
        qint64 lastReturned = 0;
        for (int round = 0; round < 30; ++round) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {QLatin1String(kWriterFlag)});
            QByteArray out;
            while (!out.contains('\n') && writer.waitForReadyRead(5000))
                out += writer.readAllStandardOutput();
            QVERIFY2(out.contains('\n'), writer.readAllStandardError().constData());
            QTest::qSleep(int(random.bounded(5, 80)));  // then kill it at a random moment of its burst
            ::kill(pid_t(writer.processId()), SIGKILL);
            QVERIFY(writer.waitForFinished(5000));
            out += writer.readAllStandardOutput();
            const qint64 returned = out.left(out.lastIndexOf('\n')).split('\n').last().toLongLong();
            QVERIFY(returned > lastReturned);
            lastReturned = returned;

            data.open();
            QCOMPARE(data.scalar("PRAGMA integrity_check").toString(), QStringLiteral("ok"));
            const qint64 stored = data.scalar("select DigitalClock_Pos_x from settings").toLongLong();
            // The write after the last reported one may have landed too.
            QVERIFY2(stored == returned || stored == returned + 1, qPrintable(QString::number(stored)));
            QCOMPARE(data.scalar(QStringLiteral("select count(distinct CAST(text AS INTEGER)) from to_do_list "
                                                "where length(text) > 300000 and CAST(text AS INTEGER) <= %1")
                                     .arg(returned))
                         .toLongLong(),
                     returned / 5);
            data.close();
        }
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], kWriterFlag) == 0)
        return runWriter();
    TestDurability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durability.moc"
