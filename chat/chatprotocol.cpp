#include "chat/chatprotocol.h"

#include <QVector>

namespace chat {

Outgoing interpret(const QString& text, bool toOneAddress, const QString& addressLine)
{
    Outgoing out;
    if (text.isEmpty())
        return out;
    if (text.startsWith(QLatin1Char('/'))) {
        if (text == QLatin1String("/ip")) {
            out.kind = Outgoing::ListAddresses;
        } else {
            out.kind = Outgoing::UnknownCommand;
            out.word = text.section(QLatin1Char(' '), 0, 0);
        }
        return out;
    }
    out.kind = Outgoing::Datagram;
    out.payload = text.toUtf8();
    if (toOneAddress) {
        out.target = parseAddressLine(addressLine);
        out.echo = text;
    } else {
        out.target = QHostAddress(QHostAddress::Broadcast);
    }
    return out;
}

QHostAddress parseAddressLine(const QString& text)
{
    // The mask leaves blanks in unfilled places; the toolkit's own parser
    // would read a zero-padded group such as "010" as octal.
    const QVector<QStringRef> groups = text.splitRef(QLatin1Char('.'));
    if (groups.size() != 4)
        return QHostAddress();
    quint32 address = 0;
    for (const QStringRef& raw : groups) {
        const QStringRef group = raw.trimmed();
        if (group.isEmpty() || group.size() > 3)
            return QHostAddress();
        uint value = 0;
        for (const QChar c : group) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return QHostAddress();
            value = value * 10 + uint(c.unicode() - '0');
        }
        if (value > 255)
            return QHostAddress();
        address = (address << 8) | value;
    }
    return QHostAddress(address);
}

QString unknownCommandLine(const QString& word)
{
    return QStringLiteral("! Unknown command: %1").arg(word);
}

QString addressListLine(const QStringList& addresses)
{
    return addresses.join(QLatin1Char(';'));
}

QString decodePayload(const QByteArray& payload)
{
    const int end = payload.indexOf('\0');
    return QString::fromUtf8(payload.constData(), end < 0 ? payload.size() : end);
}

QString senderText(const QHostAddress& sender)
{
    bool mapped = false;
    const quint32 v4 = sender.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : sender.toString();
}

QString receivedLine(const QHostAddress& sender, const QByteArray& payload)
{
    return senderText(sender) + QLatin1String(": ") + receivedText(payload);
}

QString receivedText(const QByteArray& payload)
{
    QString text = decodePayload(payload);
    for (QChar& c : text) {
        switch (c.unicode()) {
        case '\n': case '\r': case '\v': case '\f':
        case 0x85: case 0x2028: case 0x2029:
            c = QLatin1Char(' ');
            break;
        default:
            break;
        }
    }
    return text;
}

quint16 socketPort(int port)
{
    return quint16(port & 0xFFFF);
}

}  // namespace chat
