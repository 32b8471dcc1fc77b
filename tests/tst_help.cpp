// "Помощь" on a real X server: the main window in this process, the help
// viewer orvo-help beside this test as a process of its own, the collection
// put there by the test after a first try without it. The viewer's windows
// are found, read and closed through the X server.
#include "boxanswerer.h"
#include "helpwindows.h"
#include "testdatadir.h"

#include "app/helplauncher.h"
#include "app/orvowidgets.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QDir>
#include <QMenu>
#include <QtTest>
#include <memory>

namespace {

const QString kTitle = QStringLiteral("Справка OrvoWidgets");
// The headings in the colour of the style sheet read from the help store.
const QRgb kHeading = qRgb(0x3a, 0x6e, 0xa5);

}  // namespace

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        orvoInitResources();
        QVERIFY2(x.connected(), "no X display");
    }

    void eachClickOpensAWindowOnceTheCollectionIsThere()
    {
        QDir(folder).removeRecursively();
        QVERIFY(QDir().mkpath(folder));
        TestDataDir data;
        BoxAnswerer boxes;
        auto window = std::make_unique<OrvoWidgets>();
        QAction* help = window->findChild<QMenu*>()->actions().at(3);

        // Without it: the box, no empty collection made in its place, and
        // no viewer left running.
        help->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen.size(), 1, 10000);
        QCOMPARE(boxes.seen[0].title + '|' + boxes.seen[0].text, QStringLiteral("Help|Help download error"));
        QVERIFY(QDir(folder).isEmpty());
        auto* launcher = window->findChild<HelpLauncher*>();
        QTRY_COMPARE(launcher->viewerPid(), 0);

        // Each click one more window showing its page. Both open in the same
        // place, where the second would show what the first left on the
        // screen: the first moves aside before the second is asked for.
        putCollection();
        help->trigger();
        const qint64 viewer = launcher->viewerPid();
        QVERIFY(viewer);
        QTRY_COMPARE_WITH_TIMEOUT(x.find(viewer, kTitle).size(), 1, 20000);
        const WId first = x.find(viewer, kTitle)[0];
        QTRY_VERIFY_WITH_TIMEOUT(x.paints(first, kHeading), 10000);
        x.moveAside(first);
        help->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(x.find(viewer, kTitle).size(), 2, 20000);
        QCOMPARE(launcher->viewerPid(), viewer);
        const WId second = x.find(viewer, kTitle).at(x.find(viewer, kTitle)[0] == first ? 1 : 0);
        QTRY_VERIFY_WITH_TIMEOUT(x.paints(second, kHeading), 10000);
        QCOMPARE(boxes.seen.size(), 1);
        const QList<qint64> processes = HelpWindows::processTree(viewer);
        QVERIFY2(processes.size() > 1, "the web engine runs in processes of its own");

        x.close(second);
        QTRY_COMPARE(x.find(viewer, kTitle), QList<WId>{first});
        // The last window closed takes the web engine's processes with it.
        x.close(first);
        QTRY_VERIFY_WITH_TIMEOUT(HelpWindows::allEnded(processes), 10000);
        QTRY_COMPARE(launcher->viewerPid(), 0);

        // A new viewer for the next "Помощь"; quitting ends it at once.
        help->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(x.find(launcher->viewerPid(), kTitle).size(), 1, 20000);
        const QList<qint64> again = HelpWindows::processTree(launcher->viewerPid());
        QVERIFY(!again.contains(viewer));
        window.reset();
        QTRY_VERIFY_WITH_TIMEOUT(HelpWindows::allEnded(again), 5000);
    }

    // The program's end, also when it is killed, is the end of the viewer's
    // input: the viewer closes its windows and ends by itself.
    void viewerEndsWithItsInput()
    {
        putCollection();
        QProcess viewer;
        viewer.start(QCoreApplication::applicationDirPath() + QLatin1String("/orvo-help"),
                     {folder + QLatin1String("/my_help.qhc"), QStringLiteral("Clock")});
        viewer.write("open\n");
        QTRY_COMPARE_WITH_TIMEOUT(x.find(viewer.processId(), kTitle).size(), 1, 20000);
        QCOMPARE(viewer.readAllStandardOutput(), QByteArray("shown\n"));
        const QList<qint64> processes = HelpWindows::processTree(viewer.processId());
        viewer.closeWriteChannel();
        QVERIFY(viewer.waitForFinished(5000));
        QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(viewer.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(HelpWindows::allEnded(processes), 5000);
    }

    // A viewer ending on its last window just as more requests come, one
    // that breaks down before answering, one that is not there: stand-ins
    // that log each start to the file named by their first argument.
    void requestsSurviveTheViewersEnd_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("failures");
        // It answers one request and ends, the second unread: a new viewer takes it.
        QTest::newRow("ends after one") << "echo >> \"$1\"; read r; echo shown" << 2 << 2 << 0;
        QTest::newRow("no collection") << "echo >> \"$1\"; read r; echo no-collection" << 1 << 1 << 1;
        // Broken: one box, no endless restarts.
        QTest::newRow("breaks down") << "echo >> \"$1\"; exit 3" << 2 << 1 << 1;
        QTest::newRow("not there") << QString() << 1 << 0 << 1;
    }

    void requestsSurviveTheViewersEnd()
    {
        QFETCH(QString, script);
        QFETCH(int, requests);
        QFETCH(int, starts);
        QFETCH(int, failures);
        QTemporaryDir dir;
        const QString viewer = dir.filePath(QStringLiteral("viewer"));
        const QString log = dir.filePath(QStringLiteral("starts"));
        if (!script.isNull()) {
            QFile file(viewer);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n" + script.toUtf8() + "\n");
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        HelpLauncher launcher(viewer, log, QStringLiteral("Clock"));
        int failed = 0;
        connect(&launcher, &HelpLauncher::failed, this, [&failed] { ++failed; });
        for (int i = 0; i < requests; ++i)
            launcher.open();
        auto started = [&log] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
        };
        QTRY_COMPARE(started(), starts);
        QTRY_COMPARE(failed, failures);
        QTRY_COMPARE(launcher.viewerPid(), 0);
        QTest::qWait(200);
        QCOMPARE(started(), starts);
        QCOMPARE(failed, failures);
    }

private:
    void putCollection()
    {
        for (const QString file : {"/my_help.qhc", "/orvohelp.qch"}) {
            QFile::remove(folder + file);
            QVERIFY(QFile::copy(QLatin1String(ORVO_HELP_COLLECTION) + file, folder + file));
        }
    }

    HelpWindows x;
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1String("/help");
};

int main(int argc, char* argv[])
{
    prepareApplication();
    QApplication app(argc, argv);
    TestHelp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_help.moc"
