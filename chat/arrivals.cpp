#include "chat/arrivals.h"

namespace chat {

namespace {

// A line's characters in the view, its paragraph break included, at least.
qint64 leastLength(const Arrivals::Line& line)
{
    return line.text.size() + (line.payload.size() + 3) / 4 + 1;
}

}  // namespace

Arrivals::Arrivals(int maxLines, int maxCharacters)
    : maxLines(maxLines), maxCharacters(maxCharacters)
{
}

bool Arrivals::add(QVector<Line> lines, int datagrams)
{
    QMutexLocker lock(&mutex);
    received += datagrams;
    for (Line& line : lines) {
        leastCharacters += leastLength(line);
        waiting.push_back(std::move(line));
    }
    while (waiting.size() > size_t(maxLines) || leastCharacters > maxCharacters) {
        leastCharacters -= leastLength(waiting.front());
        waiting.pop_front();
        dropped = true;
    }
    const bool wake = !awake && !waiting.empty();
    awake = awake || wake;
    return wake;
}

Arrivals::Batch Arrivals::take(int bytes, int lines)
{
    Batch batch;
    QMutexLocker lock(&mutex);
    batch.restart = std::exchange(dropped, false);
    int taken = 0;
    while (!waiting.empty() && batch.lines.size() < lines
           && (batch.lines.isEmpty() || taken + waiting.front().text.size() + waiting.front().payload.size() < bytes)) {
        Line& line = waiting.front();
        taken += line.text.size() + line.payload.size();
        leastCharacters -= leastLength(line);
        batch.lines.append(std::move(line));
        waiting.pop_front();
    }
    return batch;
}

bool Arrivals::settle()
{
    QMutexLocker lock(&mutex);
    awake = !waiting.empty();
    return awake;
}

qint64 Arrivals::datagrams() const
{
    QMutexLocker lock(&mutex);
    return received;
}

}  // namespace chat
