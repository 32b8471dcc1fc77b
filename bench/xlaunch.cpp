#include "xlaunch.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace xlaunch {

namespace {

constexpr auto kMapTimeout = std::chrono::seconds(20);
pid_t ourXvfb = 0;  // killed on every way out

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

// Starts Xvfb on a free display; sets DISPLAY here and in `env`.
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
    std::vector<std::string> argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x800x24",
                                     "-nolisten", "tcp", "-noreset"};
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<char*> envp = env.pointers();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        die(std::string("cannot start Xvfb: ") + std::strerror(rc));
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

}  // namespace

void die(const std::string& what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    if (ourXvfb > 0)
        kill(ourXvfb, SIGKILL);
    std::exit(1);
}

Environment::Environment()
{
    for (char** e = environ; *e; ++e)
        entries_.emplace_back(*e);
}

void Environment::set(const std::string& name, const std::string& value)
{
    unset(name);
    entries_.push_back(name + "=" + value);
}

void Environment::unset(const std::string& name)
{
    const std::string prefix = name + "=";
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const std::string& e) { return e.compare(0, prefix.size(), prefix) == 0; }),
                   entries_.end());
}

std::vector<char*> Environment::pointers()
{
    std::vector<char*> result;
    for (std::string& e : entries_)
        result.push_back(e.data());
    result.push_back(nullptr);
    return result;
}

Environment programMode(Environment env)
{
    for (const auto& [name, value] : {std::pair<const char*, const char*>{"QT_XCB_GL_INTEGRATION", "none"},
                                      {"QT_QUICK_BACKEND", "software"}}) {
        if (!std::getenv(name))
            env.set(name, value);
    }
    return env;
}

Environment glDefault(Environment env)
{
    env.unset("QT_XCB_GL_INTEGRATION");
    env.unset("QT_QUICK_BACKEND");
    return env;
}

pid_t spawn(const std::vector<std::string>& argv, Environment& env, bool quiet, bool quietErrors)
{
    std::vector<char*> args;
    std::vector<std::string> copy = argv;
    for (std::string& a : copy)
        args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<char*> envp = env.pointers();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quietErrors)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
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

void removeTree(const std::string& path)
{
    Environment env;
    waitExit(spawn({"rm", "-rf", path}, env));
}

Sandbox::Sandbox(const std::string& provision)
{
    char pattern[] = "/tmp/orvo-bench-XXXXXX";
    if (!mkdtemp(pattern))
        die("cannot create a temporary directory");
    root = pattern;
    const std::string dataHome = root + "/data";
    const std::string runtime = root + "/runtime";
    mkdir(dataHome.c_str(), 0700);
    mkdir(runtime.c_str(), 0700);

    env.set("XDG_DATA_HOME", dataHome);
    env.set("XDG_RUNTIME_DIR", runtime);
    env.set("QT_QPA_PLATFORM", "xcb");
    env.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/no-bus");
    env.unset("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    env.unset("AT_SPI_BUS_ADDRESS");

    if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
        ourXvfb = startXvfb(env);
    display = XOpenDisplay(nullptr);
    if (!display)
        die("cannot open the X display");
    XSetErrorHandler(ignoreErrors);

    if (waitExit(spawn({provision}, env, true)) != 0)
        die("orvo-provision failed");
}

Sandbox::~Sandbox()
{
    XCloseDisplay(display);
    if (ourXvfb > 0)
        stop(ourXvfb);
    ourXvfb = 0;
    removeTree(root);
}

MapWatcher::MapWatcher(Display* display)
    : display_(display), root_(DefaultRootWindow(display)), netWmPid_(XInternAtom(display, "_NET_WM_PID", False))
{
    XSelectInput(display_, root_, SubstructureNotifyMask);
    XSync(display_, False);
}

pid_t MapWatcher::launch(const std::string& program, Environment& env, Clock::time_point* startedAt,
                         Clock::time_point* mappedAt)
{
    drain();
    const auto start = Clock::now();
    const pid_t pid = spawn({program}, env, true, true);
    if (startedAt)
        *startedAt = start;
    const auto deadline = start + kMapTimeout;
    for (;;) {
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == MapNotify && event.xmap.event == root_
                && windowPid(display_, event.xmap.window, netWmPid_) == long(pid)) {
                if (mappedAt)
                    *mappedAt = Clock::now();
                return pid;
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

// Lets the server finish with the previous program's windows first.
void MapWatcher::drain()
{
    usleep(100 * 1000);
    XSync(display_, False);
    while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace xlaunch
