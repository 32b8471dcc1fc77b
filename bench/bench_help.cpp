// What "Помощь" costs the program: its resident memory, with every process
// it started, idle before help and after rounds of opening and closing a
// help window, and the time from the menu choice to the page painted in the
// window. The program runs in this process (its main window, as the
// executable builds it), the help viewer beside it as the executable's does:
// the benchmark is built next to OrvoWidgets, orvo-help and help/.
//
// Usage: xvfb-run -a bench_help [rounds] [settle seconds]   (default 3, 4 s)
// As root the web engine needs QTWEBENGINE_DISABLE_SANDBOX=1.
#include "helpwindows.h"
#include "testdatadir.h"

#include "app/helplauncher.h"
#include "app/orvowidgets.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString kTitle = QStringLiteral("Справка OrvoWidgets");
const QRgb kHeading = qRgb(0x3a, 0x6e, 0xa5);

[[noreturn]] void die(const char* what)
{
    std::fprintf(stderr, "bench_help: %s\n", what);
    std::exit(1);
}

// Runs the event loop until `done` holds; false after `ms`.
template <typename Probe>
bool waitFor(Probe done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return true;
}

void settle(int seconds)
{
    waitFor([] { return false; }, seconds * 1000);
}

// Resident memory of this process and every process below it.
double programMiB()
{
    double total = 0;
    for (qint64 pid : HelpWindows::processTree(getpid())) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                total += line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return total;
}

}  // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const int settleSeconds = argc > 2 ? std::atoi(argv[2]) : 4;
    if (rounds < 1 || settleSeconds < 0)
        die("usage: bench_help [rounds] [settle seconds]");
    prepareApplication();
    QApplication app(argc, argv);
    orvoInitResources();
    HelpWindows x;
    if (!x.connected())
        die("no X display (run it under xvfb-run)");
    TestDataDir data;
    OrvoWidgets window;
    QAction* help = window.findChild<QMenu*>()->actions().at(3);

    settle(settleSeconds);
    const double idle = programMiB();
    std::printf("resident memory of the program with every process it started (MiB)\n");
    std::printf("  idle, before help              %7.1f\n", idle);
    double after = idle;
    QList<double> shownMs;
    for (int round = 1; round <= rounds; ++round) {
        QElapsedTimer shown;
        shown.start();
        help->trigger();
        HelpLauncher* launcher = window.findChild<HelpLauncher*>();
        QList<WId> windows;
        if (!waitFor(
                [&] {
                    windows = x.find(launcher->viewerPid(), kTitle);
                    return !windows.isEmpty() && x.paints(windows.first(), kHeading);
                },
                20000))
            die("no help window painted its page within 20 s");
        shownMs << double(shown.elapsed());
        settle(1);
        const double open = programMiB();
        const QList<qint64> viewer = HelpWindows::processTree(launcher->viewerPid());
        x.close(windows.first());
        if (!waitFor([&] { return HelpWindows::allEnded(viewer); }, 10000))
            die("the viewer did not end with its last window");
        settle(settleSeconds);
        after = programMiB();
        std::printf("  round %d: help window open      %7.1f\n", round, open);
        std::printf("  round %d: help closed, %d s later %6.1f\n", round, settleSeconds, after);
    }
    std::printf("  ratio after %d rounds / idle: %.2f   (target at most 1.10)\n", rounds, after / idle);
    std::sort(shownMs.begin(), shownMs.end());
    std::printf("menu choice to the page painted in its window: median %.0f ms, max %.0f ms   (target 1000 ms)\n",
                shownMs[shownMs.size() / 2], shownMs.last());
    return 0;
}
