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

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// The mapped top-level windows of process `pid`, found through the X server.
QList<Window> windowsOf(Display* x, qint64 pid)
{
    QList<Window> found;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    for (unsigned int i = 0; i < count; ++i) {
        Atom type;
        int format;
        unsigned long items = 0, after;
        unsigned char* owner = nullptr;
        XWindowAttributes attributes;
        if (XGetWindowProperty(x, children[i], XInternAtom(x, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                               &type, &format, &items, &after, &owner)
                == Success
            && items == 1 && *reinterpret_cast<const long*>(owner) == pid  // 32-bit items come as longs
            && XGetWindowAttributes(x, children[i], &attributes) && attributes.map_state == IsViewable)
            found << children[i];
        XFree(owner);
    }
    XFree(children);
    return found;
}

// What a window manager's close button asks of a window.
void close(Display* x, Window window)
{
    XEvent event{};
    event.xclient = {ClientMessage, 0, False, x, window, XInternAtom(x, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
}

// Those of `processes` still running (a zombie is not ours to reap), with
// every process below them.
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

    // The viewer ends, taking the web engine's processes with it, when its
    // last window closes or its input ends (the program quit or was killed).
    void viewerEnds_data()
    {
        QTest::addColumn<int>("windows");
        QTest::newRow("last window closed") << 2;
        QTest::newRow("input ended") << 1;
    }

    void viewerEnds()
    {
        QFETCH(int, windows);
        Display* x = XOpenDisplay(nullptr);
        QVERIFY(x);
        QProcess viewer;
        viewer.start(ORVO_HELP_VIEWER, {ORVO_HELP_COLLECTION "/my_help.qhc", "Clock"});
        viewer.write(QByteArray("open\n").repeated(windows));
        const qint64 pid = viewer.processId();
        QTRY_COMPARE_WITH_TIMEOUT(windowsOf(x, pid).size(), windows, 20000);
        QTRY_COMPARE(viewer.peek(64), QByteArray("shown\n").repeated(windows));
        const QList<qint64> processes = running({pid});
        QVERIFY2(processes.size() > 1, "the web engine runs in processes of its own");
        if (windows == 1)
            viewer.closeWriteChannel();
        for (Window window : windows > 1 ? windowsOf(x, pid) : QList<Window>())
            close(x, window);
        QVERIFY(viewer.waitForFinished(5000));
        QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
        QCOMPARE(viewer.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(running(processes).isEmpty(), 5000);
        XCloseDisplay(x);
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
