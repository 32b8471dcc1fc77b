#pragma once

#include <QPixmap>
#include <QPoint>
#include <QStringList>
#include <QWidget>

#include "ui_orvochat.h"

class QMenu;
class QTextCharFormat;
class QUdpSocket;

// The LAN chat window: lines typed here go out as UDP datagrams to the whole
// network or to one IPv4 address on the stored port; every datagram that
// arrives on that port shows as "address: text". Everything is shown as
// plain text, and the conversation keeps only its most recent lines.
class OrvoChat : public QWidget, public Ui_chat_Form
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

    // Bounds of the conversation. When either is passed, the oldest lines go
    // until nine tenths of both are left: dropping lines costs a relayout of
    // the whole view, done once per thousand lines rather than per line.
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
    void appendLines(const QStringList& lines, const QTextCharFormat& format);
    void trimConversation();

    QPixmap background;
    QPixmap background_orig;
    int port = 0;
    QMenu* menu = nullptr;
    QUdpSocket* socket = nullptr;
    // The first line takes the empty view's one paragraph, even when it is
    // itself empty.
    bool conversationEmpty = true;
};
