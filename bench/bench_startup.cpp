// Start-up time of OrvoWidgets: from spawning the process to the X server's
// first MapNotify of a top-level window that carries the process's
// _NET_WM_PID, measured alternately with minimal_window (a bare Qt Widgets
// program) so that both see the same machine load and caches.
//
// Usage: bench_startup [runs]   (default 15 runs of each, after one warm-up)
// Runs on $DISPLAY when it is set, otherwise on an Xvfb started here. The
// program gets a private, provisioned data directory, no tray host and a
// session bus address that leads nowhere, so it neither waits for nor
// autolaunches a bus.
#include "xlaunch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace xlaunch;

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    if (runs < 1)
        die("bench_startup: the number of runs must be positive");
    const std::string program = ORVO_PROGRAM;
    const std::string minimal = ORVO_MINIMAL_WINDOW;

    Sandbox box(ORVO_PROVISION);
    MapWatcher watcher(box.display);
    auto measure = [&](const std::string& which) {
        Clock::time_point start, mapped;
        stop(watcher.launch(which, box.env, &start, &mapped));
        return std::chrono::duration<double, std::milli>(mapped - start).count();
    };
    measure(program);  // warm-up: page cache, fonts, the database file
    measure(minimal);
    std::vector<double> orvo;
    std::vector<double> base;
    for (int i = 0; i < runs; ++i) {
        orvo.push_back(measure(program));
        base.push_back(measure(minimal));
    }

    const double orvoMedian = median(orvo);
    const double baseMedian = median(base);
    std::printf("start-up to first mapped window, median of %d runs each\n", runs);
    std::printf("  OrvoWidgets      %8.1f ms  (min %.1f, max %.1f)\n", orvoMedian,
                *std::min_element(orvo.begin(), orvo.end()), *std::max_element(orvo.begin(), orvo.end()));
    std::printf("  minimal_window   %8.1f ms  (min %.1f, max %.1f)\n", baseMedian,
                *std::min_element(base.begin(), base.end()), *std::max_element(base.begin(), base.end()));
    std::printf("  ratio OrvoWidgets/minimal_window: %.2f\n", orvoMedian / baseMedian);
    return 0;
}
