// A flood of datagrams on loopback (127.0.0.1 only) into the chat window,
// next to a bare QUdpSocket receive loop on the same port as the floor: lines
// shown per second and datagrams lost for each, the ratio of the rates, the
// longest time the event loop was held, and the window's memory (RSS) before
// and after the floods.
//
//   bench_chat [datagrams=100000]
//
// A sender thread writes the datagrams as fast as it can; what the kernel's
// receive buffer cannot hold while the receiver is busy is lost.

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
#include <unistd.h>

namespace {

struct Result
{
    qint64 sent = 0;
    qint64 shown = 0;
    double seconds = 0;    // first to last datagram shown
    double longestHoldMs = 0;  // longest gap between two turns of a 5 ms timer

    double rate() const { return seconds > 0 ? double(shown) / seconds : 0; }
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

// Sends "<number> <padding>" datagrams to 127.0.0.1:port, numbered from `first`.
void sendFlood(quint16 port, qint64 first, int count, int padding, std::atomic<qint64>* sent,
               std::atomic<bool>* done)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const QByteArray pad = padding > 0 ? QByteArray(padding, 'y').prepend(' ') : QByteArray();
    for (int i = 0; i < count; ++i) {
        const QByteArray payload = QByteArray::number(first + i) + pad;
        if (sendto(fd, payload.constData(), size_t(payload.size()), 0, reinterpret_cast<sockaddr*>(&to),
                   sizeof to) == payload.size())
            ++*sent;
    }
    close(fd);
    *done = true;
}

// Runs one flood and the event loop until the receiver has been quiet for
// 300 ms after the sender finished. `shownSoFar` tells how many datagrams the
// receiver has shown.
Result measure(quint16 port, qint64 first, int count, int padding, const std::function<qint64()>& shownSoFar)
{
    Result result;
    std::atomic<qint64> sent{0};
    std::atomic<bool> done{false};

    QElapsedTimer clock;
    clock.start();
    qint64 lastTurn = clock.nsecsElapsed();
    QTimer turns;
    turns.setInterval(5);
    QObject::connect(&turns, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        result.longestHoldMs = qMax(result.longestHoldMs, double(now - lastTurn) / 1e6);
        lastTurn = now;
    });
    turns.start();

    const qint64 before = shownSoFar();
    qint64 shown = before;
    qint64 firstShownNs = -1;
    qint64 lastShownNs = 0;
    qint64 quietSinceNs = 0;
    std::thread sender(sendFlood, port, first, count, padding, &sent, &done);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 now = clock.nsecsElapsed();
        const qint64 current = shownSoFar();
        if (current != shown) {
            if (firstShownNs < 0)
                firstShownNs = now;
            lastShownNs = now;
            quietSinceNs = now;
            shown = current;
        } else if (done && quietSinceNs == 0) {
            quietSinceNs = now;
        }
        if (done && quietSinceNs > 0 && now - quietSinceNs > 300'000'000)
            break;
    }
    sender.join();
    result.sent = sent;
    result.shown = shown - before;
    result.seconds = firstShownNs < 0 ? 0 : double(lastShownNs - firstShownNs) / 1e9;
    return result;
}

void print(const char* what, const Result& r, int kept = -1, long rss = -1)
{
    std::printf("%-30s %8lld %8lld %8lld %9.0f %8.1f", what, static_cast<long long>(r.sent),
                static_cast<long long>(r.shown), static_cast<long long>(r.sent - r.shown), r.rate(),
                r.longestHoldMs);
    if (kept >= 0)
        std::printf(" %7d %9ld", kept, rss);
    std::printf("\n");
}

// Counts the chat's lines by their numbers: lines only come in at the end,
// and fewer arrive per event-loop turn than the view keeps, so every new
// line is still there when it is counted.
class LineCounter
{
public:
    explicit LineCounter(OrvoChat& chat) : m_document(chat.chatEdit->document()) {}

    qint64 operator()()
    {
        static const int prefix = QStringLiteral("127.0.0.1: ").size();
        qint64 newest = -1;
        for (QTextBlock block = m_document->lastBlock(); block.isValid(); block = block.previous()) {
            const QString text = block.text();
            bool ok = false;
            const qint64 number = text.midRef(prefix, text.indexOf(QLatin1Char(' '), prefix) - prefix).toLongLong(&ok);
            if (!ok || number <= m_newest)
                break;
            if (newest < 0)
                newest = number;
            ++m_count;
        }
        if (newest >= 0)
            m_newest = newest;
        return m_count;
    }

private:
    QTextDocument* m_document;
    qint64 m_newest = -1;
    qint64 m_count = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    orvoInitResources();
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const quint16 port = freePort();

    std::printf("%d datagrams per flood on 127.0.0.1:%u\n\n", count, port);
    std::printf("%-30s %8s %8s %8s %9s %8s %7s %9s\n", "receiver", "sent", "shown", "lost", "shown/s",
                "held ms", "kept", "RSS KiB");

    Result floor;
    {
        QUdpSocket socket;
        socket.bind(QHostAddress::Any, port, QAbstractSocket::DefaultForPlatform);
        qint64 received = 0;
        QByteArray buffer;
        QObject::connect(&socket, &QUdpSocket::readyRead, [&] {
            while (socket.hasPendingDatagrams()) {
                buffer.resize(int(socket.pendingDatagramSize()));
                socket.readDatagram(buffer.data(), buffer.size());
                ++received;
            }
        });
        floor = measure(port, 0, count, 0, [&] { return received; });
        print("bare QUdpSocket (floor)", floor);
    }

    OrvoChat chat;
    chat.show();
    chat.open_port(port);
    LineCounter lines(chat);
    QCoreApplication::processEvents();
    const long rssBefore = rssKiB();
    std::printf("%-30s %66ld\n", "chat window, before", rssBefore);

    // Flood after flood, until the view is full and beyond: the memory must
    // stop growing once the conversation has reached its bound.
    Result first;
    long rss = rssBefore;
    for (int round = 0; round < 6; ++round) {
        const Result r = measure(port, qint64(round) * 1000000000LL, count, 0, std::ref(lines));
        if (round == 0)
            first = r;
        rss = rssKiB();
        print(round == 0 ? "chat window" : "chat window, next flood", r, chat.chatEdit->document()->blockCount(),
              rss);
    }
    const long rssFull = rss;
    const Result large = measure(port, 9000000000LL, count / 20, 60000, std::ref(lines));
    const long rssLarge = rssKiB();
    print("chat window, 60,000-byte lines", large, chat.chatEdit->document()->blockCount(), rssLarge);

    std::printf("\nchat rate / floor rate (first flood): %.3f\n", floor.rate() > 0 ? first.rate() / floor.rate() : 0.0);
    std::printf("chat RSS after the floods / before: %.2f (small lines), %.2f (after the large ones)\n",
                double(rssFull) / double(rssBefore), double(rssLarge) / double(rssBefore));
    return 0;
}
