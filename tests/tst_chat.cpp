// The LAN chat: its line rules without a window, then the window on
// loopback (127.0.0.1 only) and, for broadcasts and other addresses, two
// chats in network namespaces of the test's own.
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
#include <QPainter>
#include <QSpinBox>
#include <QTextBlock>
#include <QUdpSocket>
#include <QtTest>

Q_DECLARE_METATYPE(chat::Outgoing::Kind)

// Broadcasting or sending beyond 127.0.0.1 happens only in a namespace of
// the test's own; the body below runs only there.
#define IN_OWN_NETWORK_NAMESPACE()                                                   \
    do {                                                                             \
        const netns::Entry entry = netns::enterOwnNetworkNamespace(QTest::currentTestFunction()); \
        if (entry.state == netns::Entry::Unavailable)                                \
            QSKIP(qPrintable(entry.detail));                                         \
        if (entry.state == netns::Entry::Finished) {                                 \
            QVERIFY2(entry.passed, qPrintable(entry.detail));                        \
            return;                                                                  \
        }                                                                            \
    } while (false)

namespace {

const QString kLoopbackPrefix = QStringLiteral("127.0.0.1: ");

// A UDP port nobody holds right now.
quint16 freePort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::Any, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

bool portIsFree(quint16 port)
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::Any, port, QUdpSocket::DontShareAddress);
}

void sendTo(quint16 port, const QByteArray& payload)
{
    QUdpSocket sender;
    sender.writeDatagram(payload, QHostAddress::LocalHost, port);
}

const QChar kBreakOpportunity(0x200B);

// The lines as the user reads them, without the invisible break
// opportunities in long words.
QStringList shownLines(const OrvoChat& chat)
{
    QStringList lines;
    const QTextDocument* document = chat.chatEdit->document();
    if (document->isEmpty())
        return lines;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines << block.text().remove(kBreakOpportunity);
    return lines;
}

QColor lineColour(const OrvoChat& chat, int line)
{
    const QTextBlock block = chat.chatEdit->document()->findBlockByNumber(line);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::NextCharacter);
    const QBrush brush = cursor.charFormat().foreground();
    return brush.style() == Qt::NoBrush ? chat.chatEdit->palette().text().color() : brush.color();
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

// Opens the conversation's context menu as a right click does and returns
// its entries; `choose` clicks the first one, otherwise the menu is closed.
QStringList openContextMenu(OrvoChat& chat, bool choose)
{
    QStringList entries;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        poll.stop();
        const auto actions = menu->actions();
        for (QAction* action : actions)
            entries << action->text() + (action->icon().isNull() ? QString() : QStringLiteral(" +icon"));
        if (choose && !actions.isEmpty())
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(actions.first()).center());
        else
            menu->close();
    });
    poll.start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20));
    QApplication::sendEvent(chat.chatEdit->viewport(), &event);
    return entries;
}

// Sends numbered datagrams in rounds the receive buffer can hold, each
// round shown before the next is sent.
bool flood(OrvoChat& chat, quint16 port, int count, int padding)
{
    QUdpSocket sender;
    const QByteArray pad(padding, 'y');
    const int round = qBound(1, 60000 / (padding + 1000), 50);
    for (int i = 0; i < count; i += round) {
        const int end = qMin(count, i + round);
        for (int n = i; n < end; ++n)
            sender.writeDatagram(QByteArray::number(n) + pad, QHostAddress::LocalHost, port);
        const QString last = kLoopbackPrefix + QString::number(end - 1) + QString::fromLatin1(pad);
        const QTextDocument* document = chat.chatEdit->document();
        if (!QTest::qWaitFor([&] { return document->lastBlock().text().remove(kBreakOpportunity) == last; }, 10000))
            return false;
    }
    return true;
}

}  // namespace

class TestChat : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void typedLineIsInterpreted_data();
    void typedLineIsInterpreted();
    void addressLineIsReadAsDecimalGroups_data();
    void addressLineIsReadAsDecimalGroups();
    void datagramBecomesOneLine_data();
    void datagramBecomesOneLine();
    void longWordsGetBreakOpportunities_data();
    void longWordsGetBreakOpportunities();

    void lineToOwnAddressShowsAtOnceAndOnArrival_data();
    void lineToOwnAddressShowsAtOnceAndOnArrival();
    void unfinishedAddressSendsNothing();
    void receivedDatagramsShowAsPlainText_data();
    void receivedDatagramsShowAsPlainText();
    void burstIsShownCompletelyInOrder();
    void conversationKeepsOnlyTheLatestLines_data();
    void conversationKeepsOnlyTheLatestLines();
    void commandsAreAnsweredLocally_data();
    void commandsAreAnsweredLocally();
    void sendingBeforeAnyPortIsOpenKeepsTheLine();
    void portAboveSixteenBitsUsesItsLowBits_data();
    void portAboveSixteenBitsUsesItsLowBits();
    void failedPortStoreKeepsTheOldPort();
    void closingTheWindowFreesItsPort();
    void backgroundFillsTheWindowAtEverySize_data();
    void backgroundFillsTheWindowAtEverySize();
    void contextMenuOffersOneEntryEachTime();
    void mainWindowOpensTheStoredPortAndTogglesTheChat();

    void twoChatsInTwoNamespacesExchangeLines();
    void portTypedDigitByDigitRebindsAtEachValue();
};

void TestChat::initTestCase()
{
    orvoInitResources();
}

// ---- rules without a window ------------------------------------------------

void TestChat::typedLineIsInterpreted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("toOne");
    QTest::addColumn<QString>("address");
    QTest::addColumn<chat::Outgoing::Kind>("kind");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("target");  // empty: no address
    QTest::addColumn<QString>("echo");    // null: nothing shown at once

    using O = chat::Outgoing;
    const QString none;
    QTest::newRow("empty") << "" << true << "10.0.0.1" << O::Nothing << none << QByteArray() << none << none;
    QTest::newRow("/ip") << "/ip" << false << "" << O::ListAddresses << none << QByteArray() << none << none;
    QTest::newRow("/IP") << "/IP" << false << "" << O::UnknownCommand << "/IP" << QByteArray() << none << none;
    QTest::newRow("/ip and a blank") << "/ip " << false << "" << O::UnknownCommand << "/ip" << QByteArray() << none
                                     << none;
    QTest::newRow("/help me") << "/help me" << true << "10.0.0.1" << O::UnknownCommand << "/help" << QByteArray()
                              << none << none;
    QTest::newRow("leading blank") << " /ip" << false << "" << O::Datagram << none << QByteArray(" /ip")
                                   << "255.255.255.255" << none;
    QTest::newRow("to all, UTF-8") << QStringLiteral("Привет") << false << "10.0.0.1" << O::Datagram << none
                                   << QByteArray("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82")
                                   << "255.255.255.255" << none;
    QTest::newRow("to one") << "hello" << true << "10.0.0.7" << O::Datagram << none << QByteArray("hello")
                            << "10.0.0.7" << "hello";
    QTest::newRow("to an unfinished address") << "hello" << true << "10.0.0." << O::Datagram << none
                                              << QByteArray("hello") << none << "hello";
}

void TestChat::typedLineIsInterpreted()
{
    QFETCH(QString, text);
    QFETCH(bool, toOne);
    QFETCH(QString, address);
    QFETCH(chat::Outgoing::Kind, kind);
    QFETCH(QString, word);
    QFETCH(QByteArray, payload);
    QFETCH(QString, target);
    QFETCH(QString, echo);

    const chat::Outgoing out = chat::interpret(text, toOne, address);
    QCOMPARE(out.kind, kind);
    QCOMPARE(out.word, word);
    QCOMPARE(out.payload, payload);
    QCOMPARE(out.target.isNull() ? QString() : out.target.toString(), target);
    QCOMPARE(out.echo.has_value(), !echo.isNull());
    if (out.echo)
        QCOMPARE(*out.echo, echo);
}

void TestChat::addressLineIsReadAsDecimalGroups_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address");  // empty: no address
    QTest::newRow("zero padded") << "192.168.001.010" << "192.168.1.10";
    QTest::newRow("mask blanks") << "10 .0  .0  .9  " << "10.0.0.9";
    QTest::newRow("group above 255") << "10.0.0.256" << "";
    QTest::newRow("empty mask") << "..." << "";
    QTest::newRow("three groups") << "10.0.1." << "";
    QTest::newRow("three groups, no blanks") << "10.0.1" << "";
}

void TestChat::addressLineIsReadAsDecimalGroups()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    const QHostAddress parsed = chat::parseAddressLine(text);
    QCOMPARE(parsed.isNull() ? QString() : parsed.toString(), address);
}

void TestChat::datagramBecomesOneLine_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("line");
    QTest::newRow("IPv4 through the dual-stack socket") << "::ffff:10.1.2.3" << QByteArray("hi") << "10.1.2.3: hi";
    QTest::newRow("IPv6 peer") << "fe80::1" << QByteArray("hi") << "fe80::1: hi";
    QTest::newRow("zero byte first") << "10.0.0.1" << QByteArray("\0tail", 5) << "10.0.0.1: ";
    QTest::newRow("line breaks") << "10.0.0.1" << QByteArray("a\r\nb\nc\xe2\x80\xa8" "d") << "10.0.0.1: a  b c d";
    QTest::newRow("empty") << "10.0.0.1" << QByteArray() << "10.0.0.1: ";
}

void TestChat::datagramBecomesOneLine()
{
    QFETCH(QString, sender);
    QFETCH(QByteArray, payload);
    QFETCH(QString, line);
    QCOMPARE(chat::receivedLine(QHostAddress(sender), payload), line);
}

void TestChat::longWordsGetBreakOpportunities_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown");
    const int run = chat::kLongestRun;
    const QString word(run, QLatin1Char('y'));
    QTest::newRow("longest run") << word << word;
    QTest::newRow("blanks end a run") << word + QLatin1Char(' ') + word << word + QLatin1Char(' ') + word;
    QTest::newRow("longer runs") << word + word + QStringLiteral("yyy")
                                 << word + kBreakOpportunity + word + kBreakOpportunity + QStringLiteral("yyy");
}

void TestChat::longWordsGetBreakOpportunities()
{
    QFETCH(QString, line);
    QFETCH(QString, shown);
    QCOMPARE(chat::withBreakOpportunities(line), shown);
}

// ---- the window on loopback ---------------------------------------------

void TestChat::lineToOwnAddressShowsAtOnceAndOnArrival_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("viaButton");
    QTest::newRow("Return") << "hello" << false;
    QTest::newRow("button") << "hello" << true;
    QTest::newRow("leading blank is a message") << " /ip" << false;
    QTest::newRow("Cyrillic") << QStringLiteral("Привет всем") << true;
}

void TestChat::lineToOwnAddressShowsAtOnceAndOnArrival()
{
    QFETCH(QString, text);
    QFETCH(bool, viaButton);
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    chat.show();
    chooseAddress(chat, QStringLiteral("127.0.0.1"));
    sendLine(chat, text, viaButton);
    QCOMPARE(shownLines(chat), QStringList{text});
    QVERIFY(chat.messageEdit->text().isEmpty());
    QTRY_COMPARE(shownLines(chat), (QStringList{text, kLoopbackPrefix + text}));
}

void TestChat::unfinishedAddressSendsNothing()
{
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    chat.show();
    chooseAddress(chat, QStringLiteral("127.0.0."));
    sendLine(chat, QStringLiteral("hello"));
    QCOMPARE(shownLines(chat), QStringList{QStringLiteral("hello")});
    QVERIFY(chat.messageEdit->text().isEmpty());
    // Anything sent would have reached this machine before the marker.
    sendTo(port, "marker");
    QTRY_COMPARE(shownLines(chat), (QStringList{QStringLiteral("hello"), kLoopbackPrefix + QStringLiteral("marker")}));
}

void TestChat::receivedDatagramsShowAsPlainText_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    const QByteArray markup("<b>bold</b><img src=\"file:///etc/hostname\"><table><tr><td>x</td></tr></table>");
    QTest::newRow("markup") << markup << QString::fromLatin1(markup);
    QTest::newRow("a fake line of another sender") << QByteArray("hi\n10.0.0.9: I am someone else")
                                                   << "hi 10.0.0.9: I am someone else";
    QTest::newRow("bytes after a zero byte") << QByteArray("shown\0hidden", 12) << "shown";
    QTest::newRow("invalid UTF-8") << QByteArray("\xc3\x28 ok \xff") << QStringLiteral(u"\uFFFD( ok \uFFFD");
    QTest::newRow("largest datagram") << QByteArray(65507, 'x') << QString(65507, QLatin1Char('x'));
}

void TestChat::receivedDatagramsShowAsPlainText()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    sendTo(port, payload);
    QTRY_COMPARE(shownLines(chat), QStringList{kLoopbackPrefix + text});
}

void TestChat::burstIsShownCompletelyInOrder()
{
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    QUdpSocket sender;
    QStringList sent;
    for (int i = 0; i < 120; ++i) {
        QCOMPARE(sender.writeDatagram(QByteArray::number(i), QHostAddress::LocalHost, port), qint64(QByteArray::number(i).size()));
        sent << kLoopbackPrefix + QString::number(i);
    }
    QTRY_COMPARE(shownLines(chat), sent);
}

void TestChat::conversationKeepsOnlyTheLatestLines_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("padding");
    QTest::newRow("many short lines") << OrvoChat::kMaxLines + 150 << 0;
    QTest::newRow("few huge lines") << 60 << 60000;
}

void TestChat::conversationKeepsOnlyTheLatestLines()
{
    QFETCH(int, count);
    QFETCH(int, padding);
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    QVERIFY(flood(chat, port, count, padding));

    const QStringList lines = shownLines(chat);
    QVERIFY(lines.size() <= OrvoChat::kMaxLines);
    QVERIFY(chat.chatEdit->document()->characterCount() <= OrvoChat::kMaxCharacters);
    // What is kept is the newest lines, each whole, with nothing missing.
    const QString pad(padding, QLatin1Char('y'));
    const int first = count - lines.size();
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i), kLoopbackPrefix + QString::number(first + i) + pad);
    // Dropped lines are not kept for undo, where they would pile up.
    QVERIFY(!chat.chatEdit->document()->isUndoAvailable());
    // Nine tenths of a bound are left after dropping.
    const int lineLength = lines.last().size() + 1;
    QVERIFY(lines.size() >= OrvoChat::kMaxLines / 10 * 9 ||
            chat.chatEdit->document()->characterCount() + lineLength > OrvoChat::kMaxCharacters / 10 * 9);
}

void TestChat::commandsAreAnsweredLocally_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QString>("reply");
    QTest::newRow("addresses") << QStringList{"127.0.0.1", "192.168.5.20"} << "127.0.0.1;192.168.5.20";
    QTest::newRow("unreadable list") << QStringList() << "";
}

void TestChat::commandsAreAnsweredLocally()
{
    QFETCH(QStringList, addresses);
    QFETCH(QString, reply);
    FakePlatformScope platform;
    platform.fake.addresses = addresses;
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    chat.show();
    // Sent to the chat's own address, any command that went out would come back.
    chooseAddress(chat, QStringLiteral("127.0.0.1"));

    sendLine(chat, QStringLiteral("/ip"));
    QCOMPARE(chat.chatEdit->toPlainText(), reply);
    if (!reply.isEmpty())
        QCOMPARE(lineColour(chat, 0), QColor(Qt::red));
    QVERIFY(chat.messageEdit->text().isEmpty());

    sendLine(chat, QStringLiteral("/help me"));
    QCOMPARE(shownLines(chat), (QStringList{reply, QStringLiteral("! Unknown command: /help")}));
    QVERIFY(lineColour(chat, 1) != QColor(Qt::red));
    QCOMPARE(chat.messageEdit->text(), QStringLiteral("/help me"));

    sendLine(chat, QStringLiteral("marker"));
    QTRY_COMPARE(shownLines(chat).last(), kLoopbackPrefix + QStringLiteral("marker"));
    QCOMPARE(shownLines(chat).size(), 4);
    QVERIFY(lineColour(chat, 3) != QColor(Qt::red));
}

void TestChat::sendingBeforeAnyPortIsOpenKeepsTheLine()
{
    OrvoChat chat;
    chat.show();
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
    const int stored = port + 65536;
    QUdpSocket holder;
    if (held)
        QVERIFY(holder.bind(QHostAddress::Any, port, QUdpSocket::DontShareAddress));
    BoxAnswerer boxes;
    OrvoChat chat;
    chat.open_port(stored);
    sendTo(port, "to the low bits");
    if (!held) {
        QTRY_COMPARE(shownLines(chat), QStringList{kLoopbackPrefix + QStringLiteral("to the low bits")});
        QVERIFY(boxes.seen.isEmpty());
        return;
    }
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.at(0).title, QStringLiteral("Error"));
    QCOMPARE(boxes.seen.at(0).text, QStringLiteral("Ошибка открытия порта %1").arg(stored));
    QCOMPARE(boxes.seen.at(0).buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(!boxes.seen.at(0).hadParent);
    QTRY_VERIFY(holder.hasPendingDatagrams());
    QTest::qWait(50);
    QVERIFY(shownLines(chat).isEmpty());
}

void TestChat::failedPortStoreKeepsTheOldPort()
{
    TestDataDir data;
    data.open();
    const quint16 oldPort = freePort();
    quint16 newPort = freePort();
    while (newPort == oldPort)
        newPort = freePort();
    data.exec(QStringLiteral("UPDATE settings SET OrvoChatPort = %1").arg(oldPort));
    data.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON settings "
                             "BEGIN SELECT RAISE(ABORT, 'settings are read-only'); END"));
    BoxAnswerer boxes;
    OrvoChat chat;
    chat.open_port(oldPort);
    chat.change_port(newPort);

    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.at(0).title, QStringLiteral("Error"));
    QVERIFY2(boxes.seen.at(0).text.contains(QStringLiteral("settings are read-only")), qPrintable(boxes.seen.at(0).text));
    QCOMPARE(boxes.seen.at(0).parent.data(), &chat);
    QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), int(oldPort));
    sendTo(newPort, "to the new port");
    sendTo(oldPort, "to the old port");
    QTRY_COMPARE(shownLines(chat), QStringList{kLoopbackPrefix + QStringLiteral("to the old port")});
}

void TestChat::closingTheWindowFreesItsPort()
{
    const quint16 port = freePort();
    auto* chat = new OrvoChat;
    chat->open_port(port);
    QVERIFY(!portIsFree(port));
    delete chat;
    QVERIFY(portIsFree(port));
}

void TestChat::backgroundFillsTheWindowAtEverySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("as built") << QSize();
    QTest::newRow("wide") << QSize(900, 420);
    QTest::newRow("tall") << QSize(380, 820);
}

void TestChat::backgroundFillsTheWindowAtEverySize()
{
    QFETCH(QSize, size);
    OrvoChat chat;
    chat.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chat));
    if (size.isValid())
        chat.resize(size);
    const QImage shown = chat.grab().toImage().convertToFormat(QImage::Format_RGB32);

    QImage expected(chat.size(), QImage::Format_RGB32);
    expected.fill(chat.palette().window().color());
    QPainter painter(&expected);
    painter.drawPixmap(0, 0, QPixmap(QStringLiteral(":/img/chat_fon.png"))
                                 .scaled(chat.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.end();
    QCOMPARE(shown.size(), expected.size());
    // The window's edges are left to the picture by the layout margins.
    for (int x = 0; x < shown.width(); ++x) {
        for (const int y : {1, shown.height() - 2})
            QCOMPARE(shown.pixel(x, y), expected.pixel(x, y));
    }
    for (int y = 0; y < shown.height(); ++y) {
        for (const int x : {1, shown.width() - 2})
            QCOMPARE(shown.pixel(x, y), expected.pixel(x, y));
    }
}

void TestChat::contextMenuOffersOneEntryEachTime()
{
    const quint16 port = freePort();
    OrvoChat chat;
    chat.open_port(port);
    chat.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chat));
    sendTo(port, "first");
    QTRY_COMPARE(shownLines(chat).size(), 1);
    chooseAddress(chat, QStringLiteral("10.1.2.3"));
    chat.messageEdit->setText(QStringLiteral("draft"));

    const QStringList entry{QStringLiteral("Очистить все +icon")};
    QCOMPARE(openContextMenu(chat, false), entry);
    QCOMPARE(openContextMenu(chat, false), entry);
    QCOMPARE(shownLines(chat).size(), 1);
    QCOMPARE(openContextMenu(chat, true), entry);
    QVERIFY(shownLines(chat).isEmpty());
    QCOMPARE(chat.messageEdit->text(), QStringLiteral("draft"));
    QCOMPARE(chat.ipEdit->text(), QStringLiteral("10.1.2.3"));
    QVERIFY(chat.for_ip->isChecked());

    // The cleared view takes new lines as before.
    sendTo(port, "second");
    QTRY_COMPARE(shownLines(chat), QStringList{kLoopbackPrefix + QStringLiteral("second")});
}

void TestChat::mainWindowOpensTheStoredPortAndTogglesTheChat()
{
    TestDataDir data;
    const quint16 port = freePort();
    data.arrange(QStringLiteral("UPDATE settings SET OrvoChatPort = %1").arg(port));
    BoxAnswerer boxes;
    QPointer<OrvoChat> chat;
    {
        OrvoWidgets window;
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget* w : windows) {
            if (auto* found = qobject_cast<OrvoChat*>(w))
                chat = found;
        }
        QVERIFY(chat);
        QVERIFY(!chat->isVisible());
        sendTo(port, "hello");
        QTRY_COMPARE(shownLines(*chat), QStringList{kLoopbackPrefix + QStringLiteral("hello")});

        QAction* toggle = window.findChild<QMenu*>()->actions().at(1);
        toggle->trigger();
        QVERIFY(chat->isVisible());
        toggle->trigger();
        QVERIFY(!chat->isVisible());

        // The settings page's port handler stores the port and moves there.
        const quint16 moved = freePort();
        QVERIFY(QMetaObject::invokeMethod(&window, "change_chat_port", Q_ARG(int, moved)));
        QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), int(moved));
        sendTo(moved, "moved");
        QTRY_COMPARE(shownLines(*chat).last(), kLoopbackPrefix + QStringLiteral("moved"));
        QVERIFY(boxes.seen.isEmpty());
    }
    QVERIFY(chat.isNull());
    // The clock ends with the process, not with the main window.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (auto* clock = qobject_cast<DigitalClockWidget*>(w)) {
            delete clock;
            break;
        }
    }
}

// ---- two machines: network namespaces of the test's own ---------------------

void TestChat::twoChatsInTwoNamespacesExchangeLines()
{
    IN_OWN_NETWORK_NAMESPACE();
    netns::VethPair pair;
    QVERIFY2(pair.error().isEmpty(), qPrintable(pair.error()));
    const QString home = netns::VethPair::home().toString() + QLatin1String(": ");
    const QString away = netns::VethPair::away().toString() + QLatin1String(": ");

    BoxAnswerer boxes;
    OrvoChat homeChat;
    OrvoChat awayChat;
    homeChat.open_port(7755);
    pair.inAway([&] { awayChat.open_port(7755); });
    QVERIFY(boxes.seen.isEmpty());
    homeChat.show();
    awayChat.show();

    // A broadcast is not shown at send time; it shows on both machines, the
    // sender's own included, with the sender's address.
    sendLine(homeChat, QStringLiteral("home to all"));
    QVERIFY(shownLines(homeChat).isEmpty());
    QTRY_COMPARE(shownLines(awayChat), QStringList{home + QStringLiteral("home to all")});
    QTRY_COMPARE(shownLines(homeChat), QStringList{home + QStringLiteral("home to all")});

    // A line to one address shows at once without prefix, and only there.
    chooseAddress(awayChat, netns::VethPair::home().toString());
    sendLine(awayChat, QStringLiteral("away to home"), true);
    QCOMPARE(shownLines(awayChat).last(), QStringLiteral("away to home"));
    QTRY_COMPARE(shownLines(homeChat).last(), away + QStringLiteral("away to home"));

    // And the other way round.
    QTest::mouseClick(awayChat.for_all, Qt::LeftButton);
    sendLine(awayChat, QStringLiteral("away to all"));
    chooseAddress(homeChat, netns::VethPair::away().toString());
    QTRY_COMPARE(shownLines(homeChat).last(), away + QStringLiteral("away to all"));
    sendLine(homeChat, QStringLiteral("home to away"));

    const QStringList homeSees{home + QStringLiteral("home to all"), away + QStringLiteral("away to home"),
                               away + QStringLiteral("away to all"), QStringLiteral("home to away")};
    const QStringList awaySees{home + QStringLiteral("home to all"), QStringLiteral("away to home"),
                               away + QStringLiteral("away to all"), home + QStringLiteral("home to away")};
    QTRY_COMPARE(shownLines(awayChat), awaySees);
    QCOMPARE(shownLines(homeChat), homeSees);
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

    // The settings page's port box, typed into digit by digit.
    QSpinBox portBox;
    portBox.setRange(0, 999999);
    portBox.setValue(7755);
    connect(&portBox, qOverload<int>(&QSpinBox::valueChanged), &chat, &OrvoChat::change_port);
    portBox.show();
    portBox.selectAll();
    QTest::keyClicks(&portBox, QStringLiteral("8000"));
    QCOMPARE(portBox.value(), 8000);

    // Every value was bound: the one held elsewhere said so.
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen.at(0).text, QStringLiteral("Ошибка открытия порта 80"));
    QCOMPARE(data.scalar(QStringLiteral("select OrvoChatPort from settings")).toInt(), 8000);
    sendTo(8000, "on 8000");
    QTRY_COMPARE(shownLines(chat), QStringList{kLoopbackPrefix + QStringLiteral("on 8000")});
    // Each earlier socket let its port go.
    for (const quint16 earlier : {7755, 8, 800})
        QVERIFY2(portIsFree(earlier), qPrintable(QString::number(earlier)));
}

QTEST_MAIN(TestChat)
#include "tst_chat.moc"
