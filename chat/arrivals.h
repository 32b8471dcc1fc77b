#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QVector>

#include <deque>

namespace chat {

// Conversation lines on their way into the view, in arrival order. The
// receiving thread adds datagrams as it takes them off the socket, doing no
// more than it must so that it keeps up with the network; the window takes
// them a pass at a time and makes them text. Lines of the window's own (an
// echo, a command's answer) queue behind the datagrams that came before them.
//
// Bounded like the conversation: once the lines that came after a waiting
// line fill the view by themselves, that line could only be dropped there,
// so it goes here already.
class Arrivals
{
public:
    struct Line
    {
        QString text;        // an own line, or a datagram's "address: "
        QByteArray payload;  // a datagram's bytes up to its first zero byte
        bool red = false;
    };

    Arrivals(int maxLines, int maxCharacters);

    // Adds the lines at the end; true when the window has to be woken, that
    // is when it had nothing waiting and no pass to come.
    bool add(QVector<Line> lines, int datagrams = 0);

    struct Batch
    {
        QVector<Line> lines;
        // Waiting lines were dropped since the last batch: all the view
        // shows is older still and has to go as well.
        bool restart = false;
    };
    // The oldest waiting lines, at least one, up to `bytes` of payload and
    // text and at most `lines` lines.
    Batch take(int bytes, int lines);

    // Ends a pass: true while lines wait (the window goes on later);
    // otherwise the next line that is added wakes the window again.
    bool settle();

    // Datagrams ever handed in by the receiving thread.
    qint64 datagrams() const;

private:
    const int maxLines;
    const qint64 maxCharacters;
    mutable QMutex mutex;
    std::deque<Line> waiting;
    // The fewest characters the waiting lines can make: no character of the
    // view's, nor a replacement for bytes that are not UTF-8, takes more than
    // four bytes.
    qint64 leastCharacters = 0;
    bool dropped = false;
    bool awake = false;
    qint64 received = 0;
};

}  // namespace chat
