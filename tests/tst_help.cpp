// What the end-to-end script cannot reach cheaply: the help viewer's failures
// and its end. The test runs from a folder of its own, where it puts the
// viewer (or a stand-in) that "Помощь" starts.
#include "boxanswerer.h"
#include "testdatadir.h"

#include "app/helplauncher.h"
#include "app/orvowidgets.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QMenu>
#include <QtTest>

#include <X11/Xlib.h>

namespace {

// The mapped top-level windows of process `pid`.
QStringList windowsOf(qint64 pid)
{
    QProcess search;
    search.start("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)});
    search.waitForFinished();
    return QString::fromLatin1(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// What a window manager's close button asks of a window.
void close(Window window)
{
    Display* x = XOpenDisplay(nullptr);
    XEvent event{};
    event.xclient = {ClientMessage, 0, False, x, window, XInternAtom(x, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    XSendEvent(x, window, False, NoEventMask, &event);
    XCloseDisplay(x);
}

// Those of `processes` still running (a zombie is not ours to reap) and all below them.
QList<qint64> running(QList<qint64> processes)
{
    for (int i = 0; i < processes.size(); ++i) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(processes[i]));
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(processes[i]));
        if (!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ") || !children.open(QIODevice::ReadOnly))
            processes.removeAt(i--);
        else
            for (const QByteArray& child : children.readAll().simplified().split(' '))
                processes << child.toLongLong();  // 0 for none, then dropped
    }
    return processes;
}

}  // namespace

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    // Stand-ins log each start: one ending after one answer with a request
    // unread, one breaking down before answering (no endless restarts).
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

    // Closing its last window ends the viewer and the web engine's processes (quitting the program, which
    // ends its input, is the end-to-end script's).
    void viewerEndsWithItsLastWindow()
    {
        QProcess viewer;
        viewer.start(ORVO_HELP_VIEWER, {ORVO_HELP_COLLECTION "/my_help.qhc", "Clock"});
        viewer.write("open\nopen\n");
        const qint64 pid = viewer.processId();
        QTRY_COMPARE_WITH_TIMEOUT(windowsOf(pid).size(), 2, 20000);
        QTRY_COMPARE(viewer.peek(64), QByteArray("shown\nshown\n"));
        const QList<qint64> processes = running({pid});
        QVERIFY2(processes.size() > 1, "the web engine runs in processes of its own");
        for (const QString& window : windowsOf(pid))
            close(window.toULong());
        QVERIFY(viewer.waitForFinished(5000));
        QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(viewer.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(running(processes).isEmpty(), 5000);
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
