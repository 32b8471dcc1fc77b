// Datagrams on loopback (127.0.0.1 only) into the chat window, next to a
// bare QUdpSocket receive loop on the GUI thread as the floor:
//   - a burst of 5,000 short datagrams: how many the window shows, in order;
//   - floods of short datagrams: how many the window's receiving thread takes
//     off the socket against the floor, whether the view ends with the
//     newest lines in order, and the memory (RSS) before and after six;
//   - a burst of 30 lines of 60,000 bytes: each shown equal to what was sent;
//   - a flood of 60,000-byte lines against its own floor;
// and for each the longest time the event loop was held (the longest gap
// between two turns of a 5 ms timer), with the processor time the GUI thread
// used in that gap: on a machine with more runnable threads than processors
// the gap also holds the time the thread waited for one.
//
//   bench_chat [datagrams per flood=100000]
//
// A sender thread writes the datagrams as fast as it can; what the kernel's
// receive buffer cannot hold while the receiver is busy is lost.

#include "app/startup.h"
#include "chat/orvochat.h"
#include "resources/resources.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QUdpSocket>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <ctime>
#include <unistd.h>

namespace {

// The form's widgets, found by their object names.
template <typename T>
T* formPart(const OrvoChat& chat, const char* name)
{
    return chat.findChild<T*>(QLatin1String(name));
}


struct Run
{
    qint64 sent = 0;
    qint64 taken = 0;          // off the socket
    double longestHoldMs = 0;  // longest gap between two turns of a 5 ms timer
    // The most processor time the GUI thread used between two turns: what
    // the gap would be on a machine with a processor free for each thread.
    double longestBusyMs = 0;
};

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Records into `run` the longest gap between two turns of a 5 ms timer, and
// the GUI thread's processor time within it, for as long as it lives.
class HoldWatch
{
public:
    explicit HoldWatch(Run& run)
    {
        clock.start();
        lastTurn = clock.nsecsElapsed();
        lastTurnCpu = threadCpuMs();
        turns.setInterval(5);
        QObject::connect(&turns, &QTimer::timeout, [this, &run] {
            const qint64 now = clock.nsecsElapsed();
            const double cpu = threadCpuMs();
            run.longestHoldMs = qMax(run.longestHoldMs, double(now - lastTurn) / 1e6);
            run.longestBusyMs = qMax(run.longestBusyMs, cpu - lastTurnCpu);
            lastTurn = now;
            lastTurnCpu = cpu;
        });
        turns.start();
    }
    QElapsedTimer clock;

private:
    qint64 lastTurn = 0;
    double lastTurnCpu = 0;
    QTimer turns;
};

long rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::Any, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

// "<number>", or "<number> " and padding up to `size` bytes.
QByteArray payload(qint64 number, int size)
{
    QByteArray bytes = QByteArray::number(number);
    if (size > bytes.size())
        bytes += ' ' + QByteArray(size - bytes.size() - 1, 'y');
    return bytes;
}

void sendFlood(quint16 port, qint64 first, int count, int size, std::atomic<qint64>* sent, std::atomic<bool>* done)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < count; ++i) {
        const QByteArray bytes = payload(first + i, size);
        if (sendto(fd, bytes.constData(), size_t(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to)
            == bytes.size())
            ++*sent;
    }
    close(fd);
    *done = true;
}

// Runs one flood and the event loop until nothing has changed for 300 ms
// after the sender finished. `taken` counts what the receiver took off the
// socket; `state` changes while the receiver still shows lines.
Run measure(quint16 port, qint64 first, int count, int size, const std::function<qint64()>& taken,
            const std::function<qint64()>& state = [] { return 0; })
{
    Run run;
    std::atomic<qint64> sent{0};
    std::atomic<bool> done{false};

    HoldWatch watch(run);
    const QElapsedTimer& clock = watch.clock;

    const qint64 before = taken();
    qint64 seen = -1;
    qint64 seenState = -1;
    qint64 quietSince = 0;
    std::thread sender(sendFlood, port, first, count, size, &sent, &done);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 now = clock.nsecsElapsed();
        const qint64 current = taken();
        const qint64 currentState = state();
        if (current != seen || currentState != seenState || !done) {
            seen = current;
            seenState = currentState;
            quietSince = now;
        } else if (now - quietSince > 300'000'000) {
            break;
        }
    }
    sender.join();
    run.sent = sent;
    run.taken = seen - before;
    return run;
}

struct View
{
    QList<qint64> numbers;  // of the lines, in view order
    bool intact = true;     // every line is exactly a payload of `size` bytes from 127.0.0.1
    bool increasing = true;
    int gaps = 0;  // neighbours whose numbers are not consecutive
};

View readView(const OrvoChat& chat, int size)
{
    View view;
    const QString prefix = QStringLiteral("127.0.0.1: ");
    for (QTextBlock block = formPart<QTextEdit>(chat, "chatEdit")->document()->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const int end = text.indexOf(QLatin1Char(' '), prefix.size());
        bool ok = false;
        const qint64 number = text.midRef(prefix.size(), end < 0 ? -1 : end - prefix.size()).toLongLong(&ok);
        if (!ok || text != prefix + QString::fromLatin1(payload(number, size))) {
            view.intact = false;
            continue;
        }
        if (!view.numbers.isEmpty()) {
            view.increasing = view.increasing && number > view.numbers.constLast();
            view.gaps += number != view.numbers.constLast() + 1;
        }
        view.numbers.append(number);
    }
    return view;
}

const char* yesNo(bool value)
{
    return value ? "yes" : "NO";
}

void printRun(const char* what, const Run& run)
{
    std::printf("%-34s sent %7lld  taken %7lld  held %6.1f ms (busy %5.1f ms)\n", what,
                static_cast<long long>(run.sent), static_cast<long long>(run.taken), run.longestHoldMs,
                run.longestBusyMs);
}

// A chat window on the screen, bound to `port`; its progress for measure().
struct Chat
{
    explicit Chat(quint16 port)
    {
        window.show();
        window.open_port(port);
        QCoreApplication::processEvents();
    }
    std::function<qint64()> taken()
    {
        return [this] { return window.datagramsReceived(); };
    }
    std::function<qint64()> state()
    {
        return [this] { return qint64(formPart<QTextEdit>(window, "chatEdit")->document()->revision()); };
    }
    OrvoChat window;
};

// `buffer`: the receive buffer asked for, as the chat asks; 0 leaves the system's default.
Run bareFloor(quint16 port, qint64 first, int count, int size, int buffer = 0)
{
    QUdpSocket socket;
    socket.bind(QHostAddress::Any, port, QAbstractSocket::DefaultForPlatform);
    if (buffer > 0)
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, buffer);
    qint64 received = 0;
    QByteArray bytes;
    QObject::connect(&socket, &QUdpSocket::readyRead, [&] {
        while (socket.hasPendingDatagrams()) {
            bytes.resize(int(socket.pendingDatagramSize()));
            socket.readDatagram(bytes.data(), bytes.size());
            ++received;
        }
    });
    return measure(port, first, count, size, [&] { return received; });
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own mode, for the window and the floor alike.
    prepareApplication();
    QApplication app(argc, argv);
    orvoInitResources();
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int large = 60000;
    const quint16 port = freePort();
    std::printf("127.0.0.1:%u, %d datagrams per flood, the window %s\n\n", port, count,
                qPrintable(QGuiApplication::platformName()));
    double worstHold = 0;
    double worstBusy = 0;

    // A burst of 5,000 short lines, in a window on the screen as in all that follows.
    {
        Chat chat(port);
        const Run run = measure(port, 0, 5000, 0, chat.taken(), chat.state());
        const View view = readView(chat.window, 0);
        QList<qint64> all;
        for (qint64 n = 0; n < 5000; ++n)
            all.append(n);
        printRun("burst of 5,000, chat window", run);
        std::printf("  shown %d of 5,000, all in order: %s\n\n", int(view.numbers.size()),
                    yesNo(view.intact && view.numbers == all));
        worstHold = qMax(worstHold, run.longestHoldMs);
        worstBusy = qMax(worstBusy, run.longestBusyMs);
    }

    // Floods of short lines, first the floors: the bare loop as it comes, and
    // with the receive buffer the chat asks for (8 MiB, which the system caps).
    const Run floor = bareFloor(port, 0, count, 0);
    printRun("flood, bare QUdpSocket (floor)", floor);
    const Run bufferedFloor = bareFloor(port, 0, count, 0, 8 * 1024 * 1024);
    printRun("flood, bare, the chat's buffer", bufferedFloor);
    long rssBefore = 0;
    long rssAfter = 0;
    {
        Chat chat(port);
        rssBefore = rssKiB();
        std::printf("%-34s RSS %ld KiB\n", "flood, chat window before", rssBefore);
        qint64 kept = 0;
        for (int round = 0; round < 6; ++round) {
            const qint64 first = qint64(round + 1) * 1000000000LL;
            const Run run = measure(port, first, count, 0, chat.taken(), chat.state());
            rssAfter = rssKiB();
            const View view = readView(chat.window, 0);
            printRun("flood, chat window", run);
            // Gaps among the lines kept can only be datagrams the kernel dropped.
            // Past a bound the view drops lines until nineteen twentieths are left.
            const qint64 most = qMin<qint64>(kept + run.taken, OrvoChat::kMaxLines);
            const qint64 fewest = kept + run.taken > OrvoChat::kMaxLines ? OrvoChat::kMaxLines / 20 * 19 : most;
            std::printf("  taken/floor %.3f (/floor with the chat's buffer %.3f); view: %d lines (%lld to %lld "
                        "expected), in order %s, ends with the last one sent %s, gaps %d; RSS %ld KiB\n",
                        floor.taken > 0 ? double(run.taken) / double(floor.taken) : 0.0,
                        bufferedFloor.taken > 0 ? double(run.taken) / double(bufferedFloor.taken) : 0.0,
                        int(view.numbers.size()), static_cast<long long>(fewest), static_cast<long long>(most),
                        yesNo(view.intact && view.increasing),
                        yesNo(!view.numbers.isEmpty() && view.numbers.constLast() == first + count - 1), view.gaps,
                        rssAfter);
            kept = view.numbers.size();
            worstHold = qMax(worstHold, run.longestHoldMs);
            worstBusy = qMax(worstBusy, run.longestBusyMs);
        worstBusy = qMax(worstBusy, run.longestBusyMs);
        }
    }
    std::printf("\n");

    // A burst of 30 lines of 60,000 bytes.
    {
        Chat chat(port);
        const Run run = measure(port, 0, 30, large, chat.taken(), chat.state());
        const View view = readView(chat.window, large);
        QList<qint64> all;
        for (qint64 n = 0; n < 30; ++n)
            all.append(n);
        printRun("burst of 30 x 60,000 bytes", run);
        std::printf("  shown %d of 30, each equal to what was sent and in order: %s\n\n", int(view.numbers.size()),
                    yesNo(view.intact && view.numbers == all));
        worstHold = qMax(worstHold, run.longestHoldMs);
        worstBusy = qMax(worstBusy, run.longestBusyMs);
    }

    // A flood of 60,000-byte lines.
    const int largeCount = qMax(1, count / 20);
    const Run largeFloor = bareFloor(port, 0, largeCount, large);
    printRun("60,000 bytes, bare (floor)", largeFloor);
    const Run largeBufferedFloor = bareFloor(port, 0, largeCount, large, 8 * 1024 * 1024);
    printRun("60,000 bytes, bare, chat's buffer", largeBufferedFloor);
    {
        Chat chat(port);
        const Run run = measure(port, 0, largeCount, large, chat.taken(), chat.state());
        const View view = readView(chat.window, large);
        printRun("60,000 bytes, chat window", run);
        std::printf("  taken/floor %.3f (/floor with the chat's buffer %.3f); view: %d lines, in order and whole %s, "
                    "gaps %d\n\n",
                    largeFloor.taken > 0 ? double(run.taken) / double(largeFloor.taken) : 0.0,
                    largeBufferedFloor.taken > 0 ? double(run.taken) / double(largeBufferedFloor.taken) : 0.0,
                    int(view.numbers.size()), yesNo(view.intact && view.increasing), view.gaps);
        worstHold = qMax(worstHold, run.longestHoldMs);
        worstBusy = qMax(worstBusy, run.longestBusyMs);
    }

    // A hidden window lays nothing out; shown (or resized), it lays out all
    // it holds again, in steps of the toolkit's choosing. Not in the figures
    // above.
    for (const int size : {0, large}) {
        OrvoChat window;
        window.open_port(port);
        const Run run = measure(port, 0, size ? 33 : OrvoChat::kMaxLines, size, [&] { return window.datagramsReceived(); },
                                [&] { return qint64(formPart<QTextEdit>(window, "chatEdit")->document()->revision()); });
        Run shown;
        HoldWatch watch(shown);
        const QElapsedTimer& clock = watch.clock;
        window.show();
        while (clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        std::printf("showing a hidden window of %d lines of %d bytes: held %.1f ms (busy %.1f ms); taken %lld\n",
                    formPart<QTextEdit>(window, "chatEdit")->document()->blockCount(), size, shown.longestHoldMs, shown.longestBusyMs,
                    static_cast<long long>(run.taken));
    }
    std::printf("\n");

    std::printf("chat RSS after six floods / before: %.2f\n", double(rssAfter) / double(rssBefore));
    std::printf("longest hold of the event loop with the chat window: %.1f ms, of which the GUI thread was busy at "
                "most %.1f ms; the floors' own: %.1f ms\n",
                worstHold, worstBusy, qMax(qMax(floor.longestHoldMs, bufferedFloor.longestHoldMs),
                                           qMax(largeFloor.longestHoldMs, largeBufferedFloor.longestHoldMs)));
    return 0;
}
