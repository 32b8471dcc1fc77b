// CPU cost of one clock tick, without its 10 ms pause, next to the cost of
// just reading /proc/stat and /proc/meminfo once: the tick can never be
// cheaper than that floor, and the ratio shows what the face costs on top.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise; with DISPLAY set the
// keyboard-layout query to the X server is included.

#include "app/startup.h"
#include "clock/digitalclockwidget.h"
#include "testdatadir.h"
#include "platform/linuxplatform.h"

#include <QApplication>
#include <QTimerEvent>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

class NoPausePlatform : public LinuxPlatform
{
public:
    void sleepMs(int) override {}
};

double threadCpuMicroseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

void readOnce(const char* path)
{
    char buffer[8192];
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
}

template <typename F>
double perCall(int count, F&& call)
{
    const double start = threadCpuMicroseconds();
    for (int i = 0; i < count; ++i)
        call();
    return (threadCpuMicroseconds() - start) / count;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own mode, for what is measured and its baseline alike.
    prepareApplication();
    QApplication app(argc, argv);
    TestDataDir data;
    data.open();
    NoPausePlatform platform;
    Platform::setInstance(&platform);
    {
        DigitalClockWidget clock;
        clock.show();
        QApplication::processEvents();

        const int ticks = 3000;
        auto tick = [&clock] {
            QTimerEvent event(0);
            QCoreApplication::sendEvent(&clock, &event);
        };
        auto tickAndPaint = [&] {
            tick();
            QApplication::processEvents();
        };
        perCall(100, tickAndPaint);  // warm-up
        const double tickOnly = perCall(ticks, tick);
        QApplication::processEvents();
        const double tickPainted = perCall(ticks, tickAndPaint);
        const double floor = perCall(ticks, [] {
            readOnce("/proc/stat");
            readOnce("/proc/meminfo");
        });

        std::printf("reading /proc/stat + /proc/meminfo once: %8.1f us CPU\n", floor);
        std::printf("one tick without its pause:             %8.1f us CPU  (%.1f x the floor)\n", tickOnly,
                    tickOnly / floor);
        std::printf("one tick with the repaint it causes:    %8.1f us CPU  (%.1f x the floor)\n", tickPainted,
                    tickPainted / floor);
        std::printf("share of one core at one tick a second: %8.3f %%\n", tickPainted / 1e6 * 100);
        std::printf("keyboard layout asked of X:             %s\n",
                    qEnvironmentVariableIsSet("DISPLAY") ? "yes" : "no (no DISPLAY)");
    }
    Platform::setInstance(nullptr);
    return 0;
}
