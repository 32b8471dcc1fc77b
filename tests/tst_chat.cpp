// The LAN chat: its rules without a window, the window on 127.0.0.1 (elsewhere only in netns.sh's namespaces).
#include "boxanswerer.h"
#include "fakeplatform.h"
#include "testdatadir.h"

#include "chat/chatprotocol.h"
#include "chat/orvochat.h"
#include "resources/resources.h"

#include <QClipboard>
#include <QUdpSocket>
#include <QtTest>

#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

Q_DECLARE_METATYPE(chat::Outgoing::Kind)

namespace {

// The form's widgets, found by their object names.
template <typename T>
T* formPart(const OrvoChat& chat, const char* name)
{
    return chat.findChild<T*>(QLatin1String(name));
}

const QString kFromHere = QStringLiteral("127.0.0.1: ");

quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::Any, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

bool portIsFree(quint16 port)
{
    return QUdpSocket().bind(QHostAddress::Any, port, QUdpSocket::DontShareAddress);
}

void sendTo(quint16 port, const QByteArray& payload)
{
    QUdpSocket().writeDatagram(payload, QHostAddress::LocalHost, port);
}

QStringList shownLines(const OrvoChat& chat)
{
    const QString text = formPart<QTextEdit>(chat, "chatEdit")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// Sends from a thread of its own while the window waits, at most `ahead` datagrams ahead of the chat's receiving
// thread (the kernel's buffer holds few), until it has taken all; false when it fell behind for seconds.
bool sendWhileHeld(quint16 port, const QList<QByteArray>& payloads, const OrvoChat& chat, int ahead)
{
    bool keptUp = true;
    std::thread([&] {
        QUdpSocket socket;
        const qint64 before = chat.datagramsReceived();
        // The last turn waits until all are taken, still holding the window.
        for (int n = 0; n <= payloads.size(); ++n) {
            QDeadlineTimer deadline(5000);
            while (keptUp && n - (chat.datagramsReceived() - before) >= (n < payloads.size() ? ahead : 1))
                keptUp = !deadline.hasExpired() && (QThread::usleep(50), true);
            if (n < payloads.size())
                socket.writeDatagram(payloads.at(n), QHostAddress::LocalHost, port);
        }
    }).join();
    return keptUp;
}

void chooseAddress(OrvoChat& chat, const QString& address)
{
    QTest::mouseClick(formPart<QWidget>(chat, "for_ip"), Qt::LeftButton);
    formPart<QLineEdit>(chat, "ipEdit")->selectAll();
    QTest::keyClicks(formPart<QLineEdit>(chat, "ipEdit"), address);
}

void sendLine(OrvoChat& chat, const QString& text)
{
    formPart<QLineEdit>(chat, "messageEdit")->setText(text);
    QTest::keyClick(formPart<QLineEdit>(chat, "messageEdit"), Qt::Key_Return);
}

}  // namespace

class TestChat : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { orvoInitResources(); }

    void typedLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<chat::Outgoing::Kind>("kind");
        QTest::addColumn<QString>("what");  // the command word, or the datagram's text
        QTest::newRow("empty") << "" << chat::Outgoing::Nothing << "";
        QTest::newRow("/IP") << "/IP" << chat::Outgoing::UnknownCommand << "/IP";
        QTest::newRow("/ip and a blank") << "/ip " << chat::Outgoing::UnknownCommand << "/ip";
        QTest::newRow("leading blank") << " /ip" << chat::Outgoing::Datagram << " /ip";
        QTest::newRow("UTF-8") << QStringLiteral("Привет") << chat::Outgoing::Datagram << QStringLiteral("Привет");
    }

    void typedLine()
    {
        QFETCH(QString, text);
        QFETCH(chat::Outgoing::Kind, kind);
        QFETCH(QString, what);
        const chat::Outgoing out = chat::interpret(text, false, QString());
        QCOMPARE(out.kind, kind);
        QCOMPARE(out.word + QString::fromUtf8(out.payload), what);
    }

    // The masked address line: zero padding is not octal, no group spills into the next.
    void addressLine()
    {
        QCOMPARE(chat::parseAddressLine(QStringLiteral("192.168.001.010")).toString(), QStringLiteral("192.168.1.10"));
        QVERIFY(chat::parseAddressLine(QStringLiteral("10.0.0.256")).isNull());
    }

    void datagramLine_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("line");
        QTest::newRow("bytes after a zero byte") << QByteArray("shown\0hidden", 12) << "10.0.0.1: shown";
        QTest::newRow("invalid UTF-8") << QByteArray("\xc3\x28 ok \xff")
                                       << QStringLiteral(u"10.0.0.1: \uFFFD( ok \uFFFD");
        // Every break a peer could use to forge a line of another sender's becomes a blank.
        const std::tuple<const char*, QByteArray, QString> breaks[] = {
            {"LF", "\n", " "}, {"CR", "\r", " "}, {"CR LF", "\r\n", "  "}, {"VT", "\v", " "}, {"FF", "\f", " "},
            {"NEL", "\xc2\x85", " "}, {"LS", "\xe2\x80\xa8", " "}, {"PS", "\xe2\x80\xa9", " "}};
        for (const auto& [name, what, blanks] : breaks)
            QTest::newRow(name) << "hi" + what + "10.0.0.9: ok" << "10.0.0.1: hi" + blanks + "10.0.0.9: ok";
    }

    void datagramLine()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, line);
        QCOMPARE(chat::receivedLine(QHostAddress(QStringLiteral("10.0.0.1")), payload), line);
    }

    void sendingOnLoopback()
    {
        FakePlatformScope platform;
        platform.fake.addresses = QStringList{"127.0.0.1", "10.0.0.5"};
        const quint16 port = freePort();
        OrvoChat chat;
        chat.open_port(port);
        chooseAddress(chat, QStringLiteral("127.0.0.1"));
        sendLine(chat, QStringLiteral("hello"));
        QCOMPARE(shownLines(chat), QStringList{"hello"});
        QTRY_COMPARE(shownLines(chat).size(), 2);
        // Commands by the button: nothing goes out, an unknown one stays.
        formPart<QLineEdit>(chat, "messageEdit")->setText(QStringLiteral("/help me"));
        QTest::mouseClick(formPart<QWidget>(chat, "sendButton"), Qt::LeftButton);
        QCOMPARE(formPart<QLineEdit>(chat, "messageEdit")->text(), QStringLiteral("/help me"));
        formPart<QLineEdit>(chat, "messageEdit")->setText(QStringLiteral("/ip"));
        QTest::mouseClick(formPart<QWidget>(chat, "sendButton"), Qt::LeftButton);
        // A peer's line shows literally; only the address list is red.
        const QByteArray markup("<b>bold</b><img src=\"file:///etc/hostname\"><table><tr><td>x</td></tr></table>");
        sendTo(port, markup);
        QTRY_COMPARE(shownLines(chat), (QStringList{"hello", kFromHere + "hello", "! Unknown command: /help",
                                                    "127.0.0.1;10.0.0.5", kFromHere + markup}));
        QCOMPARE(formPart<QTextEdit>(chat, "chatEdit")->toHtml().count(QStringLiteral("color:#ff0000")), 1);
    }

    // No blank in it, letters of two bytes: shown and copied as it came, nothing added.
    void longestDatagramShowsAndCopiesAsSent()
    {
        const QByteArray payload = QByteArray("Ж0/").repeated(16376) + "zzz";
        QCOMPARE(payload.size(), 65507);
        const QString line = kFromHere + QString::fromUtf8(payload);
        const quint16 port = freePort();
        OrvoChat chat;
        chat.show();
        chat.open_port(port);
        sendTo(port, payload);
        QTRY_COMPARE(shownLines(chat), QStringList{line});
        formPart<QTextEdit>(chat, "chatEdit")->selectAll();
        formPart<QTextEdit>(chat, "chatEdit")->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), line);
    }

    void pastTheBoundsOnlyTheOldestGo_data()
    {
        QTest::addColumn<int>("first");   // shown before the second burst comes
        QTest::addColumn<int>("second");  // comes while the window is held
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("fewest");  // past a bound, lines go until nineteen twentieths are left
        QTest::newRow("a burst within the bounds, whole") << 0 << 2000 << 0 << 2001;
        QTest::newRow("lines") << OrvoChat::kMaxLines - 10 << 20 << 0 << OrvoChat::kMaxLines / 20 * 19;
        QTest::newRow("lines, all waiting") << 0 << OrvoChat::kMaxLines + 50 << 0 << OrvoChat::kMaxLines;
        // A line is its address, 60,000 characters and a paragraph break.
        QTest::newRow("characters") << 0 << 40 << 60000 << OrvoChat::kMaxCharacters / 20 * 19 / 60012;
    }

    void pastTheBoundsOnlyTheOldestGo()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, size);
        QFETCH(int, fewest);
        const quint16 port = freePort();
        OrvoChat chat;
        chat.open_port(port);
        sendTo(port, "older");
        QTRY_COMPARE(shownLines(chat).size(), 1);
        QStringList sent{kFromHere + "older"};
        QList<QByteArray> payloads;
        for (int n = 0; n < first + second; ++n) {
            payloads << QByteArray::number(n).leftJustified(size, 'y');
            sent << kFromHere + payloads.constLast();
        }
        const int ahead = size > 1000 ? 1 : 100;
        QVERIFY(sendWhileHeld(port, payloads.mid(0, first), chat, ahead));
        QTRY_COMPARE_WITH_TIMEOUT(shownLines(chat).size(), first + 1, 20000);
        QVERIFY(sendWhileHeld(port, payloads.mid(first), chat, ahead));
        QTRY_COMPARE_WITH_TIMEOUT(shownLines(chat).constLast(), sent.constLast(), 20000);
        const QStringList shown = shownLines(chat);
        QVERIFY2(shown.size() >= fewest && shown.size() <= OrvoChat::kMaxLines, qPrintable(QString::number(shown.size())));
        const QTextDocument* view = formPart<QTextEdit>(chat, "chatEdit")->document();
        QVERIFY(view->characterCount() <= OrvoChat::kMaxCharacters);
        QVERIFY(!view->isUndoAvailable());  // what was dropped is not kept for undo
        QCOMPARE(shown, sent.mid(sent.size() - shown.size()));
    }

    // Broadcasts and other addresses: only in the namespaces netns.sh makes (10.231.0.1 here, 10.231.0.2 the peer).
    void portsInOwnNamespaces()
    {
        const QByteArray peerNamespace = qgetenv("ORVO_PEER_NETNS");
        if (peerNamespace.isEmpty())
            QSKIP("run in network namespaces of its own by netns.sh");
        const int homeFd = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        const int peerFd = open(peerNamespace.constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(std::filesystem::read_symlink("/proc/self/ns/net").string() != qgetenv("ORVO_HOST_NETNS").toStdString());
        TestDataDir data;
        data.open();
        BoxAnswerer boxes;
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::Any, 80, QUdpSocket::DontShareAddress));
        OrvoChat homeChat;
        OrvoChat peerChat;
        sendLine(peerChat, QStringLiteral("too early"));  // no port open yet: a notice
        QVERIFY(setns(peerFd, CLONE_NEWNET) == 0);  // the socket stays in the namespace it was made in
        peerChat.open_port(8000);
        QVERIFY(setns(homeFd, CLONE_NEWNET) == 0);
        // A port typed digit by digit: the value held elsewhere says so, each earlier one is let go.
        for (const int typed : {7755, 8, 80, 800, 8000})
            homeChat.change_port(typed);
        QVERIFY(portIsFree(7755) && portIsFree(8) && portIsFree(800));
        // A port that cannot be stored is not bound: the lines below still go through 8000.
        data.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON settings "
                                 "BEGIN SELECT RAISE(ABORT, 'settings are read-only'); END"));
        homeChat.change_port(9000);

        // A broadcast shows only as it comes back; a line to one address (typed zero-padded) at once.
        const QString home("10.231.0.1: "), peer("10.231.0.2: ");
        sendLine(homeChat, QStringLiteral("home to all"));
        QVERIFY(shownLines(homeChat).isEmpty());
        QTRY_COMPARE(shownLines(peerChat).size(), 2);
        chooseAddress(peerChat, QStringLiteral("010.231.000.001"));
        sendLine(peerChat, QStringLiteral("peer to home"));
        QTest::mouseClick(formPart<QWidget>(peerChat, "for_all"), Qt::LeftButton);
        sendLine(peerChat, QStringLiteral("peer to all"));
        QTRY_COMPARE(shownLines(homeChat).size(), 3);
        chooseAddress(homeChat, QStringLiteral("10.231.0.2"));
        sendLine(homeChat, QStringLiteral("home to peer"));
        QTRY_COMPARE(shownLines(peerChat), (QStringList{"! Not sent: no chat port is open", home + "home to all",
                                                        "peer to home", peer + "peer to all", home + "home to peer"}));
        QCOMPARE(shownLines(homeChat), (QStringList{home + "home to all", peer + "peer to home", peer + "peer to all",
                                                    "home to peer"}));

        // Above 16 bits the low bits are bound, here the held port's: the chat is left without reception.
        homeChat.open_port(65536 + 80);
        QCOMPARE(boxes.seen.size(), 3);
        QCOMPARE(boxes.seen.at(0).text, QStringLiteral("Ошибка открытия порта 80"));
        QCOMPARE(boxes.seen.at(1).parent.data(), &homeChat);
        QCOMPARE(boxes.seen.at(2).text, QStringLiteral("Ошибка открытия порта 65616"));
        QVERIFY(!boxes.seen.at(2).hadParent);
        QVERIFY(portIsFree(8000));
        close(homeFd);
        close(peerFd);
    }
};

QTEST_MAIN(TestChat)
#include "tst_chat.moc"
