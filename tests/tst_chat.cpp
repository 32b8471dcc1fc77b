// The LAN chat: its rules without a window, the window on loopback
// (127.0.0.1 only) and, for broadcasts and other addresses, chats in network
// namespaces of the test's own.
#include "boxanswerer.h"
#include "fakeplatform.h"
#include "netns.h"
#include "testdatadir.h"

#include "app/orvowidgets.h"
#include "chat/chatprotocol.h"
#include "chat/orvochat.h"
#include "clock/digitalclockwidget.h"
#include "resources/resources.h"

#include <QAction>
#include <QMenu>
#include <QSpinBox>
#include <QTextBlock>
#include <QUdpSocket>
#include <QtTest>

// The rest of the test runs only in a network namespace of its own.
#define IN_OWN_NETWORK_NAMESPACE()                                                          \
    do {                                                                                    \
        const netns::Run run = netns::runInOwnNamespace(QTest::currentTestFunction());      \
        if (run.skip)                                                                       \
            QSKIP(qPrintable(run.detail));                                                  \
        if (!run.inside) {                                                                  \
            QVERIFY2(run.passed, qPrintable(run.detail));                                   \
            return;                                                                         \
        }                                                                                   \
    } while (false)

namespace {

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

// The lines as the user reads them, without the invisible break
// opportunities in long words.
QStringList shownLines(const OrvoChat& chat)
{
    const QString text = chat.chatEdit->toPlainText().remove(QChar(0x200B));
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool lineIsRed(const OrvoChat& chat, int line)
{
    QTextCursor cursor(chat.chatEdit->document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().foreground().color() == QColor(Qt::red);
}

void chooseAddress(OrvoChat& chat, const QString& address)
{
    QTest::mouseClick(chat.for_ip, Qt::LeftButton);
    chat.ipEdit->selectAll();
    QTest::keyClicks(chat.ipEdit, address);
}

void sendLine(OrvoChat& chat, const QString& text, bool viaButton = false)
{
    chat.messageEdit->setText(text);
    if (viaButton)
        QTest::mouseClick(chat.sendButton, Qt::LeftButton);
    else
        QTest::keyClick(chat.messageEdit, Qt::Key_Return);
}

QString describe(const chat::Outgoing& out)
{
    switch (out.kind) {
    case chat::Outgoing::Nothing:
        return QStringLiteral("nothing");
    case chat::Outgoing::ListAddresses:
        return QStringLiteral("addresses");
    case chat::Outgoing::UnknownCommand:
        return QStringLiteral("unknown ") + out.word;
    case chat::Outgoing::Datagram:
        break;
    }
    return QStringLiteral("send %1 to %2").arg(QString::fromLatin1(out.payload.toHex()),
                                               out.target.isNull() ? QStringLiteral("nobody") : out.target.toString()) +
           (out.echo ? QStringLiteral(", show ") + *out.echo : QString());
}

}  // namespace

class TestChat : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { orvoInitResources(); }
    void typedLine_data();
    void typedLine();
    void datagramLine_data();
    void datagramLine();
    void sendingShowsAndDelivers_data();
    void sendingShowsAndDelivers();
    void peersTextShowsLiterally_data();
    void peersTextShowsLiterally();
    void conversationKeepsTheLatestLines_data();
    void conversationKeepsTheLatestLines();
    void sendingBeforeAnyPortIsOpenKeepsTheLine();
    void portAboveSixteenBitsUsesItsLowBits_data();
    void portAboveSixteenBitsUsesItsLowBits();
    void failedPortStoreKeepsTheOldPort();
    void mainWindowOpensTheStoredPort();
    void twoChatsInTwoNamespaces();
    void portTypedDigitByDigitRebindsAtEachValue();
};

void TestChat::typedLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");  // null: to everybody
    QTest::addColumn<QString>("outcome");
    const QString all;
    QTest::newRow("empty") << "" << "10.0.0.1" << "nothing";
    QTest::newRow("/ip") << "/ip" << all << "addresses";
    QTest::newRow("/IP") << "/IP" << all << "unknown /IP";
    QTest::newRow("/ip and a blank") << "/ip " << all << "unknown /ip";
    QTest::newRow("/help me") << "/help me" << "10.0.0.1" << "unknown /help";
    QTest::newRow("leading blank") << " /ip" << all << "send 202f6970 to 255.255.255.255";
    QTest::newRow("UTF-8") << QStringLiteral("Привет") << all << "send d09fd180d0b8d0b2d0b5d182 to 255.255.255.255";
    QTest::newRow("zero padded") << "hi" << "192.168.001.010" << "send 6869 to 192.168.1.10, show hi";
    QTest::newRow("mask blanks") << "hi" << "10 .0  .0  .9  " << "send 6869 to 10.0.0.9, show hi";
    QTest::newRow("three groups") << "hi" << "10.0.1" << "send 6869 to nobody, show hi";
    QTest::newRow("group above 255") << "hi" << "10.0.0.256" << "send 6869 to nobody, show hi";
}

void TestChat::typedLine()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(QString, outcome);
    QCOMPARE(describe(chat::interpret(text, !address.isNull(), address)), outcome);
}

void TestChat::datagramLine_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("line");
    QTest::newRow("IPv4 peer on the dual-stack socket") << "::ffff:10.1.2.3" << QByteArray("hi") << "10.1.2.3: hi";
    QTest::newRow("bytes after a zero byte") << "fe80::1" << QByteArray("shown\0hidden", 12) << "fe80::1: shown";
    QTest::newRow("invalid UTF-8") << "10.0.0.1" << QByteArray("\xc3\x28 ok \xff") << QStringLiteral(u"10.0.0.1: \uFFFD( ok \uFFFD");
    QTest::newRow("a fake line of another sender")
        << "10.0.0.1" << QByteArray("hi\r\n10.0.0.9: ok\xe2\x80\xa8.") << "10.0.0.1: hi  10.0.0.9: ok .";
}

void TestChat::datagramLine()
{
    QFETCH(QString, sender);
    QFETCH(QByteArray, payload);
    QFETCH(QString, line);
    QCOMPARE(chat::receivedLine(QHostAddress(sender), payload), line);
}

void TestChat::sendingShowsAndDelivers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("viaButton");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("shown");   // at once
    QTest::addColumn<bool>("delivered");  // back to this chat through the network
    QTest::addColumn<QString>("kept");    // left in the message line
    QTest::newRow("Return") << "hello" << false << "127.0.0.1" << "hello" << true << "";
    QTest::newRow("button") << "hello" << true << "127.0.0.1" << "hello" << true << "";
    QTest::newRow("leading blank") << " /ip" << false << "127.0.0.1" << " /ip" << true << "";
    QTest::newRow("unfinished address") << "hello" << true << "127.0.0." << "hello" << false << "";
    QTest::newRow("/ip") << "/ip" << false << "127.0.0.1" << "127.0.0.1;10.0.0.5" << false << "";
    QTest::newRow("unknown command") << "/help me" << true << "127.0.0.1" << "! Unknown command: /help" << false
                                     << "/help me";
}

void TestChat::sendingShowsAndDelivers()
{
    QFETCH(QString, text);
    QFETCH(bool, viaButton);
    QFETCH(QString, address);
    QFETCH(QString, shown);
    QFETCH(bool, delivered);
    QFETCH(QString, kept);
    FakePlatformScope platform;
    platform.fake.addresses = QStringList{"127.0.0.1", "10.0.0.5"};
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    chat.show();
    chooseAddress(chat, address);
    sendLine(chat, text, viaButton);
    QCOMPARE(shownLines(chat), QStringList{shown});
    QCOMPARE(lineIsRed(chat, 0), text == QLatin1String("/ip"));
    QCOMPARE(chat.messageEdit->text(), kept);
    // Anything sent would be back before this marker; the next line is in the
    // earlier colour again.
    sendTo(port, "marker");
    QStringList expected{shown};
    if (delivered)
        expected << kFromHere + text;
    expected << kFromHere + QStringLiteral("marker");
    QTRY_COMPARE(shownLines(chat), expected);
    QVERIFY(!lineIsRed(chat, expected.size() - 1));
}

void TestChat::peersTextShowsLiterally_data()
{
    QTest::addColumn<QByteArray>("payload");
    const QByteArray markup("<b>bold</b><img src=\"file:///etc/hostname\"><table><tr><td>x</td></tr></table>");
    QTest::newRow("markup") << markup;
    QTest::newRow("largest datagram") << QByteArray(65507, 'x');
}

void TestChat::peersTextShowsLiterally()
{
    QFETCH(QByteArray, payload);
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    sendTo(port, payload);
    QTRY_COMPARE(shownLines(chat), QStringList{kFromHere + QString::fromLatin1(payload)});
}

void TestChat::conversationKeepsTheLatestLines_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("padding");
    QTest::newRow("many short lines") << OrvoChat::kMaxLines + 150 << 0;
    QTest::newRow("few huge lines") << 60 << 60000;
}

void TestChat::conversationKeepsTheLatestLines()
{
    QFETCH(int, count);
    QFETCH(int, padding);
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    const QByteArray pad(padding, 'y');
    // In rounds the receive buffer can hold, each shown before the next.
    const int round = qBound(1, 60000 / (padding + 1000), 50);
    for (int i = 0; i < count; i += round) {
        for (int n = i; n < qMin(count, i + round); ++n)
            sendTo(port, QByteArray::number(n) + pad);
        const QString last = kFromHere + QString::number(qMin(count, i + round) - 1) + QString::fromLatin1(pad);
        const QTextDocument* view = chat.chatEdit->document();
        QVERIFY(QTest::qWaitFor([&] { return view->lastBlock().text().remove(QChar(0x200B)) == last; }, 10000));
    }
    const QStringList lines = shownLines(chat);
    const int characters = chat.chatEdit->document()->characterCount();
    QVERIFY(lines.size() <= OrvoChat::kMaxLines && characters <= OrvoChat::kMaxCharacters);
    // Nine tenths of a bound are left after dropping, the newest lines, whole.
    QVERIFY(lines.size() >= OrvoChat::kMaxLines / 10 * 9 ||
            characters + lines.constLast().size() > OrvoChat::kMaxCharacters / 10 * 9);
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i), kFromHere + QString::number(count - lines.size() + i) + QString::fromLatin1(pad));
    // Dropped lines are not kept for undo, where they would pile up.
    QVERIFY(!chat.chatEdit->document()->isUndoAvailable());
}

void TestChat::sendingBeforeAnyPortIsOpenKeepsTheLine()
{
    OrvoChat chat;
    sendLine(chat, QStringLiteral("hello"));
    QCOMPARE(shownLines(chat), QStringList{QStringLiteral("! Not sent: no chat port is open")});
    QCOMPARE(chat.messageEdit->text(), QStringLiteral("hello"));
}

void TestChat::portAboveSixteenBitsUsesItsLowBits_data()
{
    QTest::addColumn<bool>("held");
    QTest::newRow("free") << false;
    QTest::newRow("held without sharing") << true;
}

void TestChat::portAboveSixteenBitsUsesItsLowBits()
{
    QFETCH(bool, held);
    const quint16 port = freePort();
    QUdpSocket holder;
    QVERIFY(!held || holder.bind(QHostAddress::Any, port, QUdpSocket::DontShareAddress));
    BoxAnswerer boxes;
    OrvoChat chat;
    chat.open_port(port + 65536);
    sendTo(port, "low bits");
    if (!held) {
        QTRY_COMPARE(shownLines(chat), QStringList{kFromHere + QStringLiteral("low bits")});
        QVERIFY(boxes.seen.isEmpty());
        return;
    }
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.at(0).title, QStringLiteral("Error"));
    QCOMPARE(boxes.seen.at(0).text, QStringLiteral("Ошибка открытия порта %1").arg(port + 65536));
    QVERIFY(!boxes.seen.at(0).hadParent);
    QTRY_VERIFY(holder.hasPendingDatagrams());
    QTest::qWait(50);
    QVERIFY(shownLines(chat).isEmpty());
}

void TestChat::failedPortStoreKeepsTheOldPort()
{
    TestDataDir data;
    data.open();
    data.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON settings "
                             "BEGIN SELECT RAISE(ABORT, 'settings are read-only'); END"));
    const quint16 oldPort = freePort();
    quint16 newPort = freePort();
    while (newPort == oldPort)
        newPort = freePort();
    BoxAnswerer boxes;
    OrvoChat chat;
    chat.open_port(oldPort);
    chat.change_port(newPort);
    QCOMPARE(boxes.seen.size(), 1);
    QVERIFY(boxes.seen.at(0).text.contains(QStringLiteral("settings are read-only")));
    QCOMPARE(boxes.seen.at(0).parent.data(), &chat);
    sendTo(newPort, "to the new port");
    sendTo(oldPort, "to the old port");
    QTRY_COMPARE(shownLines(chat), QStringList{kFromHere + QStringLiteral("to the old port")});
}

void TestChat::mainWindowOpensTheStoredPort()
{
    TestDataDir data;
    const quint16 port = freePort();
    data.arrange(QStringLiteral("UPDATE settings SET OrvoChatPort = %1").arg(port));
    QPointer<OrvoChat> chat;
    const quint16 moved = freePort();
    {
        OrvoWidgets window;
        for (QWidget* w : QApplication::topLevelWidgets())
            chat = chat ? chat.data() : qobject_cast<OrvoChat*>(w);
        QVERIFY(chat && !chat->isVisible());
        window.findChild<QMenu*>()->actions().at(1)->trigger();
        QVERIFY(chat->isVisible());
        sendTo(port, "hello");
        QTRY_COMPARE(shownLines(*chat), QStringList{kFromHere + QStringLiteral("hello")});
        QVERIFY(QMetaObject::invokeMethod(&window, "change_chat_port", Q_ARG(int, moved)));
        QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), int(moved));
    }
    // The chat went with the main window, and its socket with it.
    QVERIFY(chat.isNull());
    QVERIFY(portIsFree(moved));
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* clock = qobject_cast<DigitalClockWidget*>(w))
            return delete clock;  // the clock outlives the main window; its sticker goes with it
    }
}

void TestChat::twoChatsInTwoNamespaces()
{
    IN_OWN_NETWORK_NAMESPACE();
    const QString error = netns::addPeerNamespace();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QString home = netns::kHome + QStringLiteral(": ");
    const QString peer = netns::kPeer + QStringLiteral(": ");
    BoxAnswerer boxes;
    OrvoChat homeChat;
    OrvoChat peerChat;
    homeChat.open_port(7755);
    netns::inPeer([&] { peerChat.open_port(7755); });
    homeChat.show();
    peerChat.show();

    // A broadcast shows nowhere at once, then on both sides, the sender's own
    // included, with the sender's address; a line to one address shows at
    // once without it, and there.
    sendLine(homeChat, QStringLiteral("home to all"));
    QVERIFY(shownLines(homeChat).isEmpty());
    QTRY_COMPARE(shownLines(peerChat), QStringList{home + QStringLiteral("home to all")});
    chooseAddress(peerChat, netns::kHome);
    sendLine(peerChat, QStringLiteral("peer to home"));
    QCOMPARE(shownLines(peerChat).constLast(), QStringLiteral("peer to home"));
    QTRY_COMPARE(shownLines(homeChat).constLast(), peer + QStringLiteral("peer to home"));
    QTest::mouseClick(peerChat.for_all, Qt::LeftButton);
    sendLine(peerChat, QStringLiteral("peer to all"));
    QTRY_COMPARE(shownLines(homeChat).constLast(), peer + QStringLiteral("peer to all"));
    chooseAddress(homeChat, netns::kPeer);
    sendLine(homeChat, QStringLiteral("home to peer"));

    QTRY_COMPARE(shownLines(peerChat), (QStringList{home + "home to all", "peer to home", peer + "peer to all",
                                                    home + "home to peer"}));
    QCOMPARE(shownLines(homeChat), (QStringList{home + "home to all", peer + "peer to home", peer + "peer to all",
                                                "home to peer"}));
    QVERIFY(boxes.seen.isEmpty());
}

void TestChat::portTypedDigitByDigitRebindsAtEachValue()
{
    IN_OWN_NETWORK_NAMESPACE();
    TestDataDir data;
    data.open();
    BoxAnswerer boxes;
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::Any, 80, QUdpSocket::DontShareAddress));
    OrvoChat chat;
    chat.open_port(7755);
    QSpinBox portBox;  // as on the settings page
    portBox.setRange(0, 999999);
    portBox.setValue(7755);
    connect(&portBox, qOverload<int>(&QSpinBox::valueChanged), &chat, &OrvoChat::change_port);
    portBox.show();
    portBox.selectAll();
    QTest::keyClicks(&portBox, QStringLiteral("8000"));

    // Each value was stored and bound: the one held elsewhere said so, and
    // each earlier socket let its port go.
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.at(0).text, QStringLiteral("Ошибка открытия порта 80"));
    QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), 8000);
    for (const quint16 earlier : {7755, 8, 800})
        QVERIFY2(portIsFree(earlier), qPrintable(QString::number(earlier)));
    sendTo(8000, "on 8000");
    QTRY_COMPARE(shownLines(chat), QStringList{kFromHere + QStringLiteral("on 8000")});
}

QTEST_MAIN(TestChat)
#include "tst_chat.moc"
