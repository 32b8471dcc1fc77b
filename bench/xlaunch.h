// What the benchmarks that start real programs share: an environment to
// hand them, spawning and stopping, a private Xvfb, and waiting for a
// program's first mapped top-level window.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace xlaunch {

using Clock = std::chrono::steady_clock;

// Reports, stops our Xvfb if one runs, and ends the benchmark.
[[noreturn]] void die(const std::string& what);

// Our environment with some entries replaced.
class Environment {
public:
    Environment();
    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);
    std::vector<char*> pointers();

private:
    std::vector<std::string> entries_;
};

// The mode the program gives itself before its application object exists:
// no GL integration for X11, the software Quick backend, each unless our own
// environment already names one (then the program keeps that, and so does
// the baseline). A baseline started with this compares like with like.
Environment programMode(Environment env);
// The toolkit's own default, which loads the GL stack: to compare with
// figures taken before the baselines ran in the program's mode.
Environment glDefault(Environment env);

// Standard output (and, with `quietErrors`, standard error) to /dev/null.
pid_t spawn(const std::vector<std::string>& argv, Environment& env, bool quiet = false, bool quietErrors = false);
int waitExit(pid_t pid);
void stop(pid_t pid);
void removeTree(const std::string& path);

// A private temporary directory with a provisioned data directory and a
// runtime directory, and an environment leading the measured programs to
// them, to the X server, and away from any session bus.
struct Sandbox {
    explicit Sandbox(const std::string& provision);
    ~Sandbox();
    std::string root;
    Environment env;
    Display* display = nullptr;
};

// Watches the root window for maps.
class MapWatcher {
public:
    explicit MapWatcher(Display* display);
    // Starts `program` and returns its pid once one of its top-level
    // windows is mapped; `mappedAt` gets the moment.
    pid_t launch(const std::string& program, Environment& env, Clock::time_point* startedAt,
                 Clock::time_point* mappedAt);

private:
    void drain();
    Display* display_;
    Window root_;
    Atom netWmPid_;
};

double median(std::vector<double> values);

}  // namespace xlaunch
