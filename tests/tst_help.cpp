// The help viewer's failures, run from a folder where the test puts the viewer (or a stand-in) that "Помощь" starts.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/helplauncher.h"
#include "app/orvowidgets.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QMenu>
#include <QtTest>

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    // Stand-ins log each start: one ends after one answer, a request unread; one breaks down (no endless restarts).
    void failedViewerShowsTheBox_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("boxes");
        QTest::newRow("no collection") << "real" << 0 << 2;
        QTest::newRow("ends after one") << "echo >> \"$0.log\"; read r; echo shown" << 2 << 0;
        QTest::newRow("breaks down") << "echo >> \"$0.log\"; exit 3" << 1 << 1;
        QTest::newRow("not there") << QString() << 0 << 1;
    }

    void failedViewerShowsTheBox()
    {
        QFETCH(QString, script);
        QFETCH(int, starts);
        QFETCH(int, boxes);
        const QString dir = QCoreApplication::applicationDirPath(), viewer = dir + "/orvo-help";
        QVERIFY(QDir(dir + "/help").removeRecursively() && QDir().mkpath(dir + "/help"));
        QFile::remove(viewer);
        QFile::remove(viewer + ".log");
        QFile file(viewer);
        if (script == "real")
            QVERIFY(QFile::copy(ORVO_HELP_VIEWER, viewer));
        else if (!script.isNull())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n" + script.toUtf8() + "\n")
                    && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        file.close();
        TestDataDir data;
        BoxAnswerer answerer;
        OrvoWidgets window;
        QAction* help = window.findChild<QMenu*>()->actions().at(3);
        help->trigger();
        help->trigger();
        auto started = [&] {
            QFile log(viewer + ".log");
            return log.open(QIODevice::ReadOnly) ? int(log.readAll().count('\n')) : 0;
        };
        QTRY_COMPARE_WITH_TIMEOUT(answerer.seen.size(), boxes, 10000);
        QTRY_COMPARE(started(), starts);
        QTRY_COMPARE(window.findChild<HelpLauncher*>()->viewerPid(), 0);
        QTest::qWait(200);
        QCOMPARE(started(), starts);
        QCOMPARE(answerer.seen.size(), boxes);
        for (const SeenBox& box : answerer.seen)
            QCOMPARE(box.title + '|' + box.text, QStringLiteral("Help|Help download error"));
        // The help engine would have made an empty collection in its place.
        QVERIFY(QDir(dir + "/help").isEmpty());
    }
};

int main(int argc, char* argv[])
{
    prepareApplication();
    QApplication app(argc, argv);
    orvoInitResources();
    TestHelp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_help.moc"
