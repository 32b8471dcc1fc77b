#include "chat/orvochat.h"

#include "chat/chatprotocol.h"
#include "db/database.h"
#include "db/statements.h"
#include "platform/onscreen.h"
#include "platform/platform.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUdpSocket>

namespace {

// What the receiving thread takes off the socket before it looks at its
// other work (a line to send, a new port) again.
constexpr int kDatagramsPerTurn = 512;
// Asked of the system for the socket's receive buffer; it grants what it allows.
constexpr int kReceiveBuffer = 8 * 1024 * 1024;
// The largest UDP payload, over IPv6, with room to spare.
constexpr int kLargestDatagram = 65536;

// A pass of the window adds lines for about this long, then lets it paint
// and take input; the characters per pass follow what lines cost to lay out.
constexpr qint64 kPassMs = 8;
constexpr int kFewestCharactersPerPass = 1024;
constexpr int kMostCharactersPerPass = 64 * 1024;
// Far below the conversation's bound, which a pass then never passes alone.
constexpr int kMostLinesPerPass = 1000;

QTextCharFormat lineFormat(bool red)
{
    QTextCharFormat format;
    if (red)
        format.setForeground(QColor(Qt::red));
    return format;
}

}  // namespace

OrvoChat::OrvoChat(QWidget* parent)
    : QWidget(parent)
    , background(this, {})
{
    ui.setupUi(this);
    // The fusion style measures a group box's title a glyph short of what
    // it paints, which can cut the last letter off.
    ui.groupBox->setStyleSheet(QStringLiteral("QGroupBox::title { padding-right: 3px; }"));
    ui.groupBox_2->setStyleSheet(ui.groupBox->styleSheet());
    setWindowTitle(tr("Chat"));
    // Its form is tall: on a small or scaled screen it shrinks to fit, so
    // that the message line and the send button stay within reach.
    onscreen::keep(this, onscreen::Fit::MoveAndShrink);

    background.setSkin(QStringLiteral(":/img/chat_fon.png"));

    menu = new QMenu(this);
    ui.chatEdit->setStyleSheet(QStringLiteral("background: transparent"));
    // Lines are only ever added at the end and dropped from the top; an undo
    // history would keep every one of them.
    ui.chatEdit->document()->setUndoRedoEnabled(false);
    // Text shows exactly as it came, so a long word, a path or an encoded
    // blob has no break opportunities but those of its own. Wrapping at word
    // boundaries first costs time growing with the square of such a word's
    // length (about a second for 60,000 characters); wrapping anywhere is
    // linear. Shaping is left to the scripts that need it, which makes
    // laying out a line several times cheaper.
    ui.chatEdit->setWordWrapMode(QTextOption::WrapAnywhere);
    QFont font = ui.chatEdit->font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    ui.chatEdit->setFont(font);

    ui.ipEdit->setInputMask(QStringLiteral("000.000.000.000; _"));
    ui.ipEdit->setCursorPosition(0);

    connect(ui.messageEdit, &QLineEdit::returnPressed, this, &OrvoChat::returnPressed);
    receiving.start();
}

// The port is free again as soon as the window is gone.
OrvoChat::~OrvoChat()
{
    releaseSocket();
    receiving.quit();
    receiving.wait();
}

void OrvoChat::open_port(const int& newPort)
{
    port = newPort;
    releaseSocket();
    // Bound here, in the caller's network, then handed to the receiving thread.
    auto* fresh = new QUdpSocket;
    const bool bound = fresh->bind(QHostAddress::Any, chat::socketPort(port), QAbstractSocket::DefaultForPlatform);
    // The most the system grants (it caps the request): the buffer is what
    // holds a burst while the receiving thread waits for a processor.
    fresh->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBuffer);
    // Runs in the receiving thread: copies the datagrams out and no more.
    connect(fresh, &QUdpSocket::readyRead, fresh,
            [this, fresh, buffer = QByteArray(kLargestDatagram, Qt::Uninitialized), sender = QHostAddress(),
             prefix = QString()]() mutable {
                QVector<chat::Arrivals::Line> lines;
                QHostAddress from;
                while (lines.size() < kDatagramsPerTurn && fresh->hasPendingDatagrams()) {
                    const qint64 size = fresh->readDatagram(buffer.data(), buffer.size(), &from);
                    if (size < 0)
                        break;
                    if (from != sender || prefix.isEmpty()) {
                        sender = from;
                        prefix = chat::senderText(from) + QLatin1String(": ");
                    }
                    lines.append({prefix, QByteArray(buffer.constData(), int(qstrnlen(buffer.constData(), uint(size)))),
                                  false});
                }
                const int count = lines.size();
                if (count > 0 && arrivals.add(std::move(lines), count))
                    QMetaObject::invokeMethod(this, [this] { readPendingDatagrams(); }, Qt::QueuedConnection);
            });
    fresh->moveToThread(&receiving);
    socket = fresh;
    if (!bound)
        db::showError(nullptr, QStringLiteral("Ошибка открытия порта ") + QString::number(port));
}

// The old socket lets its port go before this returns; it is deleted in its
// own thread, after any line sent through it has gone out.
void OrvoChat::releaseSocket()
{
    if (!socket)
        return;
    QUdpSocket* old = std::exchange(socket, nullptr);
    QMetaObject::invokeMethod(
        old,
        [old] {
            old->close();
            old->deleteLater();
        },
        Qt::BlockingQueuedConnection);
}

qint64 OrvoChat::datagramsReceived() const
{
    return arrivals.datagrams();
}

void OrvoChat::change_port(const int& newPort)
{
    if (!db::save(QString::fromLatin1(sql::kUpdateChatPort), {newPort}, this))
        return;
    open_port(newPort);
}

void OrvoChat::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    background.paint();
}

void OrvoChat::resizeEvent(QResizeEvent* event)
{
    background.fit(event->size());
    QWidget::resizeEvent(event);
}

// Shows what waits, for about kPassMs, and comes back while more waits.
void OrvoChat::readPendingDatagrams()
{
    QElapsedTimer pass;
    pass.start();
    const chat::Arrivals::Batch batch = arrivals.take(charactersPerPass, kMostLinesPerPass);
    const int characters = appendLines(batch);
    const double scale = qBound(0.5, double(kPassMs) * 1e6 / double(qMax<qint64>(pass.nsecsElapsed(), 1)), 2.0);
    if (scale < 1 || characters >= charactersPerPass / 2)
        charactersPerPass = qBound(kFewestCharactersPerPass, int(charactersPerPass * scale), kMostCharactersPerPass);
    // As long again for the rest of the program, and for the receiving
    // thread, which needs a processor most while lines keep coming.
    if (arrivals.settle())
        QTimer::singleShot(int(qMin<qint64>(pass.elapsed(), kPassMs)), this, &OrvoChat::readPendingDatagrams);
}

void OrvoChat::on_sendButton_clicked()
{
    const QString text = ui.messageEdit->text();
    const chat::Outgoing out = chat::interpret(text, ui.for_ip->isChecked(), ui.ipEdit->text());
    switch (out.kind) {
    case chat::Outgoing::Nothing:
        return;
    case chat::Outgoing::ListAddresses:
        showOwnLine(chat::addressListLine(Platform::instance().localIPv4Addresses()), true);
        ui.messageEdit->clear();
        return;
    case chat::Outgoing::UnknownCommand:
        showOwnLine(chat::unknownCommandLine(out.word));
        return;
    case chat::Outgoing::Datagram:
        break;
    }
    if (!socket) {
        // No port was ever opened (the settings could not be read at start):
        // say so and keep the line for when a port is set.
        showOwnLine(QStringLiteral("! Not sent: no chat port is open"));
        return;
    }
    // The echo goes first: the line may come back before this returns.
    if (out.echo)
        showOwnLine(*out.echo);
    // A failed send (no valid address, too large) is not reported, as with
    // any datagram lost on the way. The socket is the receiving thread's.
    if (!out.target.isNull()) {
        QMetaObject::invokeMethod(
            socket,
            [to = socket, payload = out.payload, target = out.target, port = chat::socketPort(port)] {
                to->writeDatagram(payload, target, port);
            },
            Qt::QueuedConnection);
    }
    ui.messageEdit->clear();
}

void OrvoChat::returnPressed()
{
    on_sendButton_clicked();
}

void OrvoChat::on_chatEdit_customContextMenuRequested(QPoint pos)
{
    Q_UNUSED(pos)
    menu->clear();
    menu->addAction(QIcon(tr(":/img/del_1.png")), QStringLiteral("Очистить все"), this, &OrvoChat::clear_all);
    menu->exec(QCursor::pos());
}

void OrvoChat::clear_all()
{
    ui.chatEdit->clear();
    conversationEmpty = true;
}

// Lines of the window's own show in turn with those that came before them.
void OrvoChat::showOwnLine(const QString& text, bool red)
{
    if (arrivals.add({{text, QByteArray(), red}}))
        readPendingDatagrams();
}

// Every line is inserted as plain text, so what a peer sends can never turn
// into markup, pictures or links in the view. Returns the characters added.
int OrvoChat::appendLines(const chat::Arrivals::Batch& batch)
{
    if (batch.restart)
        clear_all();
    if (batch.lines.isEmpty())
        return 0;
    QStringList texts;
    int characters = 0;
    for (const chat::Arrivals::Line& line : batch.lines) {
        texts.append(line.text + chat::receivedText(line.payload));
        characters += texts.constLast().size() + 1;
    }
    QScrollBar* bar = ui.chatEdit->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();

    makeRoomFor(texts.size(), characters);
    QTextCursor cursor(ui.chatEdit->document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (int i = 0; i < texts.size(); ++i) {
        const QTextCharFormat format = lineFormat(batch.lines.at(i).red);
        if (!conversationEmpty)
            cursor.insertBlock(QTextBlockFormat(), format);
        conversationEmpty = false;
        cursor.insertText(texts.at(i), format);
    }
    cursor.endEditBlock();

    if (atBottom)
        bar->setValue(bar->maximum());
    return characters;
}

// Drops the oldest lines when those about to come would pass a bound. A
// change at the top of the view moves every line below it, which takes a
// while in a full view; a twentieth of both bounds goes at a time, so that
// happens once in hundreds of lines rather than in every pass.
void OrvoChat::makeRoomFor(int newLines, int newCharacters)
{
    if (conversationEmpty)
        return;
    QTextDocument* document = ui.chatEdit->document();
    int lines = document->blockCount() + newLines;
    int characters = document->characterCount() + newCharacters;
    if (lines <= kMaxLines && characters <= kMaxCharacters)
        return;
    QTextBlock keep = document->begin();
    while (keep.isValid() && (lines > kMaxLines / 20 * 19 || characters > kMaxCharacters / 20 * 19)) {
        characters -= keep.length();
        --lines;
        keep = keep.next();
    }
    if (!keep.isValid()) {
        clear_all();
        return;
    }
    QTextCursor cursor(document);
    cursor.setPosition(keep.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
