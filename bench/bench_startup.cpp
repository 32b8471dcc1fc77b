// Start-up time of OrvoWidgets: from spawning the process to the X server's
// first MapNotify of a top-level window that carries the process's
// _NET_WM_PID, measured alternately with minimal_window (a bare Qt Widgets
// program) so that both see the same machine load and caches. The baseline
// runs in the mode the program gives itself (no GL integration, software
// Quick backend); for comparison with older figures it also runs once more
// with the toolkit's default, which loads the GL stack.
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
    Environment same = programMode(box.env);
    Environment gl = glDefault(box.env);
    MapWatcher watcher(box.display);
    auto measure = [&](const std::string& which, Environment& env) {
        Clock::time_point start, mapped;
        stop(watcher.launch(which, env, &start, &mapped));
        return std::chrono::duration<double, std::milli>(mapped - start).count();
    };
    measure(program, box.env);  // warm-up: page cache, fonts, the database file
    measure(minimal, same);
    measure(minimal, gl);
    std::vector<double> orvo;
    std::vector<double> base;
    std::vector<double> baseGl;
    for (int i = 0; i < runs; ++i) {
        orvo.push_back(measure(program, box.env));
        base.push_back(measure(minimal, same));
        baseGl.push_back(measure(minimal, gl));
    }

    const auto row = [](const char* name, const std::vector<double>& v) {
        std::printf("  %-46s %8.1f ms  (min %.1f, max %.1f)\n", name, median(v), *std::min_element(v.begin(), v.end()),
                    *std::max_element(v.begin(), v.end()));
    };
    std::printf("start-up to first mapped window, median of %d runs each\n", runs);
    row("OrvoWidgets", orvo);
    row("minimal_window, the program's mode", base);
    row("minimal_window, GL loaded (not like for like)", baseGl);
    std::printf("  ratio OrvoWidgets/minimal_window, same mode: %.2f\n", median(orvo) / median(base));
    std::printf("  ratio OrvoWidgets/minimal_window with GL loaded (not like for like): %.2f\n",
                median(orvo) / median(baseGl));
    return 0;
}
