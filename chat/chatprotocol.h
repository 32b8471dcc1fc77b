#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>

// The chat's rules that need no window: what a typed line asks for, how a
// datagram becomes a conversation line, and how the stored port reaches the
// socket. A chat line travels as one UDP datagram holding nothing but its
// UTF-8 text.
namespace chat {

// What pressing "Отправить" does with the message line.
struct Outgoing
{
    enum Kind {
        Nothing,         // empty line: nothing happens
        ListAddresses,   // "/ip": the local IPv4 addresses, in red
        UnknownCommand,  // any other "/" line: a notice, the line is kept
        Datagram,        // an ordinary message
    };
    Kind kind = Nothing;
    QString word;         // UnknownCommand: the command word
    QByteArray payload;   // Datagram: the bytes on the wire
    QHostAddress target;  // Datagram: null when the address line holds no address
    // Datagram: what the sender's own view shows at once. A line to one
    // address shows as typed; a broadcast shows only when it comes back.
    std::optional<QString> echo;
};

Outgoing interpret(const QString& text, bool toOneAddress, const QString& addressLine);

// The address typed into the masked line "000.000.000.000": four decimal
// groups of 0 to 255, zero padding allowed. Anything else gives a null address.
QHostAddress parseAddressLine(const QString& text);

QString unknownCommandLine(const QString& word);
QString addressListLine(const QStringList& addresses);

// The payload's text: UTF-8 up to the first zero byte.
QString decodePayload(const QByteArray& payload);

// An IPv4 peer reached through the dual-stack socket shows as a dotted quad,
// the form "/ip" lists, not as an IPv4-mapped IPv6 address.
QString senderText(const QHostAddress& sender);

// "address: text" on one line: a peer cannot break its text into lines that
// look like other senders' lines.
QString receivedLine(const QHostAddress& sender, const QByteArray& payload);
// The text part of that line: the payload's text with its line breaks made blanks.
QString receivedText(const QByteArray& payload);

// The stored port is a signed number (the settings page allows up to
// 999999); the socket layer takes its low 16 bits.
quint16 socketPort(int port);

}  // namespace chat
