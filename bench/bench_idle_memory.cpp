// Resident memory of OrvoWidgets left alone: every gadget created, the
// clock on the screen, no help window open. Measured alternately with
// bare_clock (a Qt Widgets program that only shows a ticking clock) so that
// both see the same machine; each program is read a few seconds after its
// first window is mapped, once its start-up work has settled. The baseline
// runs in the mode the program gives itself (no GL integration, software
// Quick backend); for comparison with older figures it also runs once more
// with the toolkit's default, which loads the GL stack.
//
// Usage: bench_idle_memory [runs] [settle seconds]   (default 5 runs, 4 s)
// Runs on $DISPLAY when it is set, otherwise on an Xvfb started here; the
// same private data directory and environment as bench_startup.
#include "xlaunch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace xlaunch;

namespace {

// VmRSS of a process in MiB.
double residentMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    die("bench_idle_memory: no VmRSS for the measured program");
}

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const int settle = argc > 2 ? std::atoi(argv[2]) : 4;
    if (runs < 1 || settle < 0)
        die("usage: bench_idle_memory [runs] [settle seconds]");
    const std::string program = ORVO_PROGRAM;
    const std::string bare = ORVO_BARE_CLOCK;

    Sandbox box(ORVO_PROVISION);
    Environment same = programMode(box.env);
    Environment gl = glDefault(box.env);
    MapWatcher watcher(box.display);
    auto measure = [&](const std::string& which, Environment& env) {
        const pid_t pid = watcher.launch(which, env, nullptr, nullptr);
        sleep(unsigned(settle));
        const double mib = residentMiB(pid);
        stop(pid);
        return mib;
    };
    std::vector<double> orvo;
    std::vector<double> base;
    std::vector<double> baseGl;
    for (int i = 0; i < runs; ++i) {
        orvo.push_back(measure(program, box.env));
        base.push_back(measure(bare, same));
        baseGl.push_back(measure(bare, gl));
    }

    const auto row = [](const char* name, const std::vector<double>& v) {
        std::printf("  %-42s %7.1f MiB  (min %.1f, max %.1f)\n", name, median(v), *std::min_element(v.begin(), v.end()),
                    *std::max_element(v.begin(), v.end()));
    };
    std::printf("resident memory %d s after the first window, median of %d runs each\n", settle, runs);
    row("OrvoWidgets", orvo);
    row("bare_clock, the program's mode", base);
    row("bare_clock, GL loaded (not like for like)", baseGl);
    std::printf("  ratio OrvoWidgets/bare_clock, same mode: %.2f\n", median(orvo) / median(base));
    std::printf("  ratio OrvoWidgets/bare_clock with GL loaded (not like for like): %.2f\n",
                median(orvo) / median(baseGl));
    return 0;
}
