#include "chat/orvochat.h"

#include "chat/chatprotocol.h"
#include "db/database.h"
#include "db/statements.h"
#include "platform/onscreen.h"
#include "platform/platform.h"

#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QUdpSocket>

namespace {

// What one pass through the event loop shows at most: a flood from the
// network then costs a few milliseconds at a time, and the window keeps
// painting and taking input in between.
constexpr int kDatagramsPerPass = 64;
constexpr int kBytesPerPass = 32 * 1024;

QTextCharFormat plainLine()
{
    return QTextCharFormat();
}

QTextCharFormat redLine()
{
    QTextCharFormat format;
    format.setForeground(QColor(Qt::red));
    return format;
}

}  // namespace

OrvoChat::OrvoChat(QWidget* parent)
    : QWidget(parent)
{
    setupUi(this);
    // The fusion style measures a group box's title a glyph short of what
    // it paints, which can cut the last letter off.
    groupBox->setStyleSheet(QStringLiteral("QGroupBox::title { padding-right: 3px; }"));
    groupBox_2->setStyleSheet(groupBox->styleSheet());
    setWindowTitle(tr("Chat"));
    // Its form is tall: on a small or scaled screen it shrinks to fit, so
    // that the message line and the send button stay within reach.
    onscreen::keep(this, onscreen::Fit::MoveAndShrink);

    background.load(QStringLiteral(":/img/chat_fon.png"));
    background_orig = background;
    background = background_orig.scaled(width(), height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    menu = new QMenu(this);
    chatEdit->setStyleSheet(QStringLiteral("background: transparent"));
    // Lines are only ever added at the end and dropped from the top; an undo
    // history would keep every one of them.
    chatEdit->document()->setUndoRedoEnabled(false);

    ipEdit->setInputMask(QStringLiteral("000.000.000.000; _"));
    ipEdit->setCursorPosition(0);

    connect(messageEdit, SIGNAL(returnPressed()), this, SLOT(returnPressed()));
}

// The socket and the menu are children of the window and go with it, so the
// port is free again as soon as the window is gone.
OrvoChat::~OrvoChat() = default;

void OrvoChat::open_port(const int& newPort)
{
    port = newPort;
    // The old socket lets its port go at once; the object goes later, as it
    // may be the one whose notification is being delivered.
    if (socket) {
        socket->disconnect(this);
        socket->close();
        socket->deleteLater();
    }
    socket = new QUdpSocket(this);
    if (!socket->bind(QHostAddress::Any, chat::socketPort(port), QAbstractSocket::DefaultForPlatform))
        db::showError(nullptr, QStringLiteral("Ошибка открытия порта ") + QString::number(port));
    connect(socket, &QUdpSocket::readyRead, this, &OrvoChat::readPendingDatagrams);
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
    QPainter painter(this);
    painter.drawPixmap(0, 0, background.width(), background.height(), background);
}

void OrvoChat::resizeEvent(QResizeEvent* event)
{
    background = background_orig.scaled(event->size().width(), event->size().height(), Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation);
    QWidget::resizeEvent(event);
}

void OrvoChat::readPendingDatagrams()
{
    if (!socket)
        return;
    QStringList lines;
    QByteArray datagram;
    qint64 bytes = 0;
    while (lines.size() < kDatagramsPerPass && bytes < kBytesPerPass && socket->hasPendingDatagrams()) {
        const qint64 size = socket->pendingDatagramSize();
        datagram.resize(int(qMax<qint64>(size, 0)));
        QHostAddress sender;
        const qint64 read = socket->readDatagram(datagram.data(), datagram.size(), &sender);
        if (read < 0)
            break;
        datagram.truncate(int(read));
        bytes += read;
        lines.append(chat::receivedLine(sender, datagram));
    }
    // Datagrams still waiting make the socket report again once the window
    // has had its turn.
    appendLines(lines, plainLine());
}

void OrvoChat::on_sendButton_clicked()
{
    const QString text = messageEdit->text();
    const chat::Outgoing out = chat::interpret(text, for_ip->isChecked(), ipEdit->text());
    switch (out.kind) {
    case chat::Outgoing::Nothing:
        return;
    case chat::Outgoing::ListAddresses:
        appendLines({chat::addressListLine(Platform::instance().localIPv4Addresses())}, redLine());
        messageEdit->clear();
        return;
    case chat::Outgoing::UnknownCommand:
        appendLines({chat::unknownCommandLine(out.word)}, plainLine());
        return;
    case chat::Outgoing::Datagram:
        break;
    }
    if (!socket) {
        // No port was ever opened (the settings could not be read at start):
        // say so and keep the line for when a port is set.
        appendLines({QStringLiteral("! Not sent: no chat port is open")}, plainLine());
        return;
    }
    // A failed send (no valid address, too large) is not reported, as with
    // any datagram lost on the way.
    if (!out.target.isNull())
        socket->writeDatagram(out.payload, out.target, chat::socketPort(port));
    if (out.echo)
        appendLines({*out.echo}, plainLine());
    messageEdit->clear();
}

void OrvoChat::returnPressed()
{
    on_sendButton_clicked();
}

void OrvoChat::on_chatEdit_customContextMenuRequested(QPoint pos)
{
    Q_UNUSED(pos)
    menu->clear();
    menu->addAction(QIcon(tr(":/img/del_1.png")), QStringLiteral("Очистить все"), this, SLOT(clear_all()));
    menu->exec(QCursor::pos());
}

void OrvoChat::clear_all()
{
    chatEdit->clear();
    conversationEmpty = true;
}

// Every line is inserted as plain text, so what a peer sends can never turn
// into markup, pictures or links in the view.
void OrvoChat::appendLines(const QStringList& lines, const QTextCharFormat& format)
{
    if (lines.isEmpty())
        return;
    QScrollBar* bar = chatEdit->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();

    QTextDocument* document = chatEdit->document();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (const QString& line : lines) {
        if (!conversationEmpty)
            cursor.insertBlock(QTextBlockFormat(), format);
        conversationEmpty = false;
        cursor.insertText(chat::withBreakOpportunities(line), format);
    }
    cursor.endEditBlock();
    trimConversation();

    if (atBottom)
        bar->setValue(bar->maximum());
}

void OrvoChat::trimConversation()
{
    QTextDocument* document = chatEdit->document();
    int lines = document->blockCount();
    int characters = document->characterCount();
    if (lines <= kMaxLines && characters <= kMaxCharacters)
        return;
    QTextBlock keep = document->begin();
    const QTextBlock last = document->lastBlock();
    while (keep != last && (lines > kMaxLines / 10 * 9 || characters > kMaxCharacters / 10 * 9)) {
        characters -= keep.length();
        --lines;
        keep = keep.next();
    }
    QTextCursor cursor(document);
    cursor.setPosition(keep.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
