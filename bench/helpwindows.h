#pragma once

#include <QList>
#include <QRgb>
#include <QWidget>

typedef struct _XDisplay Display;

// The help viewer runs as a process of its own: its windows are found,
// read and closed through the X server, its processes through /proc.
class HelpWindows
{
public:
    HelpWindows();
    ~HelpWindows();
    bool connected() const { return display != nullptr; }

    // The mapped top-level windows of process `pid` titled `title`, bottom
    // to top.
    QList<WId> find(qint64 pid, const QString& title) const;
    // Off the screen, where no later window covers it.
    void moveAside(WId window) const;
    // What a window manager's close button asks of the window.
    void close(WId window) const;
    // Whether the window's pixels hold `colour` (for a window on top).
    bool paints(WId window, QRgb colour) const;

    // `pid` and every process below it.
    static QList<qint64> processTree(qint64 pid);
    // Each gone, or a zombie that is not ours to reap.
    static bool allEnded(const QList<qint64>& processes);

private:
    QByteArray property(unsigned long window, const char* name, unsigned long type) const;
    Display* display = nullptr;
};
