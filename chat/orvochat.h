#pragma once

#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include "chat/arrivals.h"

#include "ui_orvochat.h"
#include "widgets/skinnedframe.h"

class QMenu;
class QUdpSocket;

// The LAN chat window: lines typed here go out as UDP datagrams to the whole
// network or to one IPv4 address on the stored port; every datagram that
// arrives on that port shows as "address: text". Everything is shown as
// plain text, and the conversation keeps only its most recent lines.
//
// The socket lives in a thread of its own, which takes datagrams off it as
// they come: the kernel's receive buffer holds only a few hundred, and laying
// out text in the window would otherwise let a burst overflow it. The window
// shows what was taken a pass at a time, in arrival order.
class OrvoChat : public QWidget
{
    Q_OBJECT
public:
    explicit OrvoChat(QWidget* parent = nullptr);
    ~OrvoChat() override;

    // Binds a new socket on the port's low 16 bits, replacing any earlier
    // one; a failed bind is reported and leaves the chat without reception.
    void open_port(const int& port);
    // Stores the port, and only once it is stored binds it.
    void change_port(const int& port);

    // Datagrams taken off the socket so far.
    qint64 datagramsReceived() const;

    // Bounds of the conversation (characters counted as the view counts
    // them, a paragraph break each). Past either, the oldest lines go, until
    // nineteen twentieths of both are left.
    static constexpr int kMaxLines = 10000;
    static constexpr int kMaxCharacters = 2000000;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void readPendingDatagrams();
    void on_sendButton_clicked();
    void on_chatEdit_customContextMenuRequested(QPoint pos);
    void clear_all();
    void returnPressed();

private:
    void showOwnLine(const QString& text, bool red = false);
    int appendLines(const chat::Arrivals::Batch& batch);
    void makeRoomFor(int lines, int characters);
    void releaseSocket();

    Ui_chat_Form ui;
    // Not dragged: the chat is an ordinary framed window.
    SkinnedFrame background;
    int port = 0;
    QMenu* menu = nullptr;
    QUdpSocket* socket = nullptr;
    // The first line takes the empty view's one paragraph, even when it is
    // itself empty.
    bool conversationEmpty = true;
    chat::Arrivals arrivals{kMaxLines, kMaxCharacters};
    // What one pass shows, adjusted after each so that a pass takes about
    // kPassMs whatever the lines cost to lay out.
    int charactersPerPass = 8 * 1024;
    QThread receiving;
};
