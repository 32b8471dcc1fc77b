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
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kMapTimeout = std::chrono::seconds(20);
pid_t ourXvfb = 0;  // killed on every way out

[[noreturn]] void die(const std::string& what)
{
    std::fprintf(stderr, "bench_startup: %s\n", what.c_str());
    if (ourXvfb > 0)
        kill(ourXvfb, SIGKILL);
    std::exit(1);
}

// An environment for the measured programs: ours with some entries replaced.
class Environment {
public:
    Environment()
    {
        for (char** e = environ; *e; ++e)
            entries_.emplace_back(*e);
    }
    void set(const std::string& name, const std::string& value)
    {
        unset(name);
        entries_.push_back(name + "=" + value);
    }
    void unset(const std::string& name)
    {
        const std::string prefix = name + "=";
        entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                      [&](const std::string& e) { return e.compare(0, prefix.size(), prefix) == 0; }),
                       entries_.end());
    }
    std::vector<char*> pointers()
    {
        std::vector<char*> result;
        for (std::string& e : entries_)
            result.push_back(e.data());
        result.push_back(nullptr);
        return result;
    }

private:
    std::vector<std::string> entries_;
};

pid_t spawn(const std::vector<std::string>& argv, Environment& env, posix_spawn_file_actions_t* actions = nullptr)
{
    std::vector<char*> args;
    std::vector<std::string> copy = argv;
    for (std::string& a : copy)
        args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<char*> envp = env.pointers();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], actions, nullptr, args.data(), envp.data());
    if (rc != 0)
        die("cannot start " + argv[0] + ": " + std::strerror(rc));
    return pid;
}

int waitExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stop(pid_t pid)
{
    kill(pid, SIGKILL);
    waitExit(pid);
}

// Starts Xvfb on a free display and returns its pid; sets DISPLAY.
pid_t startXvfb(Environment& env)
{
    int fds[2];
    if (pipe(fds) != 0)
        die("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    // Xvfb reports every busy display it skips on its way to a free one.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const pid_t pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp", "-noreset"},
                            env, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos) {
        if (poll(&p, 1, 20000) <= 0)
            die("Xvfb did not report its display");
        char buffer[32];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            die("Xvfb ended without a display");
        number.append(buffer, std::size_t(n));
    }
    close(fds[0]);
    number.erase(number.find('\n'));
    setenv("DISPLAY", (":" + number).c_str(), 1);
    env.set("DISPLAY", ":" + number);
    return pid;
}

long windowPid(Display* display, Window window, Atom netWmPid)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data)
            == Success
        && data) {
        if (type == XA_CARDINAL && format == 32 && count == 1)
            pid = long(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

// A window may be destroyed before its property is read; that is no error here.
int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

class Bench {
public:
    Bench(Display* display, Environment& env)
        : display_(display), env_(env), root_(DefaultRootWindow(display)),
          netWmPid_(XInternAtom(display, "_NET_WM_PID", False))
    {
        XSelectInput(display_, root_, SubstructureNotifyMask);
        XSync(display_, False);
    }

    // Milliseconds from spawn to the first map of one of the program's windows.
    double measure(const std::string& program)
    {
        drain();
        const auto start = Clock::now();
        const pid_t pid = spawn({program}, env_);
        const auto deadline = start + kMapTimeout;
        for (;;) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == MapNotify && event.xmap.event == root_
                    && windowPid(display_, event.xmap.window, netWmPid_) == long(pid)) {
                    const auto mapped = Clock::now();
                    stop(pid);
                    return std::chrono::duration<double, std::milli>(mapped - start).count();
                }
            }
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                die(program + " ended before mapping a window");
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                stop(pid);
                die(program + " mapped no window within 20 s");
            }
            pollfd p{ConnectionNumber(display_), POLLIN, 0};
            poll(&p, 1, int(std::min<long long>(left.count(), 50)));
        }
    }

private:
    // Lets the server finish with the previous program's windows first.
    void drain()
    {
        usleep(100 * 1000);
        XSync(display_, False);
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
        }
    }

    Display* display_;
    Environment& env_;
    Window root_;
    Atom netWmPid_;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void removeTree(const std::string& path)
{
    Environment env;
    waitExit(spawn({"rm", "-rf", path}, env));
}

}  // namespace

int main(int argc, char* argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    if (runs < 1)
        die("the number of runs must be positive");
    const std::string program = ORVO_PROGRAM;
    const std::string provision = ORVO_PROVISION;
    const std::string minimal = ORVO_MINIMAL_WINDOW;

    char pattern[] = "/tmp/orvo-bench-startup-XXXXXX";
    if (!mkdtemp(pattern))
        die("cannot create a temporary directory");
    const std::string tmp = pattern;
    const std::string dataHome = tmp + "/data";
    const std::string runtime = tmp + "/runtime";
    mkdir(dataHome.c_str(), 0700);
    mkdir(runtime.c_str(), 0700);

    Environment env;
    env.set("XDG_DATA_HOME", dataHome);
    env.set("XDG_RUNTIME_DIR", runtime);
    env.set("QT_QPA_PLATFORM", "xcb");
    env.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + tmp + "/no-bus");
    env.unset("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    env.unset("AT_SPI_BUS_ADDRESS");

    if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
        ourXvfb = startXvfb(env);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        die("cannot open the X display");
    XSetErrorHandler(ignoreErrors);

    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    const int provisioned = waitExit(spawn({provision}, env, &quiet));
    posix_spawn_file_actions_destroy(&quiet);
    if (provisioned != 0)
        die("orvo-provision failed");

    Bench bench(display, env);
    bench.measure(program);  // warm-up: page cache, fonts, the database file
    bench.measure(minimal);
    std::vector<double> orvo;
    std::vector<double> base;
    for (int i = 0; i < runs; ++i) {
        orvo.push_back(bench.measure(program));
        base.push_back(bench.measure(minimal));
    }

    XCloseDisplay(display);
    if (ourXvfb > 0)
        stop(ourXvfb);
    removeTree(tmp);

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
