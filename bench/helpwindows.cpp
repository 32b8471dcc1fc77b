#include "helpwindows.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <algorithm>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

HelpWindows::HelpWindows()
    : display(XOpenDisplay(nullptr))
{
}

HelpWindows::~HelpWindows()
{
    if (display)
        XCloseDisplay(display);
}

QByteArray HelpWindows::property(unsigned long window, const char* name, unsigned long type) const
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QByteArray value;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, type, &actual,
                           &format, &count, &after, &data)
            == Success
        && data) {
        // Xlib hands 32-bit items as longs.
        value = QByteArray(reinterpret_cast<const char*>(data),
                           int(count * (format == 32 ? sizeof(long) : unsigned(format / 8))));
        XFree(data);
    }
    return value;
}

QList<WId> HelpWindows::find(qint64 pid, const QString& title) const
{
    QList<WId> found;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!display || pid <= 0 || !XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        const QByteArray owner = property(children[i], "_NET_WM_PID", XA_CARDINAL);
        if (owner.size() == sizeof(long) && *reinterpret_cast<const long*>(owner.constData()) == pid
            && XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable
            && QString::fromUtf8(property(children[i], "_NET_WM_NAME", AnyPropertyType)) == title)
            found << WId(children[i]);
    }
    if (children)
        XFree(children);
    return found;
}

void HelpWindows::moveAside(WId window) const
{
    XMoveWindow(display, Window(window), DisplayWidth(display, DefaultScreen(display)), 0);
    XFlush(display);
}

void HelpWindows::close(WId window) const
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, Window(window), False, NoEventMask, &event);
    XFlush(display);
}

bool HelpWindows::paints(WId window, QRgb colour) const
{
    XWindowAttributes attributes;
    if (!display || !XGetWindowAttributes(display, Window(window), &attributes))
        return false;
    // In strips: whole-window images would stay in the heap of a process
    // whose memory is being measured.
    constexpr int kStrip = 32;
    for (int y = 0; y < attributes.height; y += kStrip) {
        const QImage strip = QGuiApplication::primaryScreen()
                                 ->grabWindow(window, 0, y, -1, qMin(kStrip, attributes.height - y))
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const auto* first = reinterpret_cast<const QRgb*>(strip.constBits());
        const auto* last = first + strip.width() * strip.height();
        if (std::find(first, last, colour | 0xff000000u) != last)
            return true;
    }
    return false;
}

QList<qint64> HelpWindows::processTree(qint64 pid)
{
    QList<qint64> tree{pid};
    for (int i = 0; i < tree.size(); ++i) {
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(tree[i]));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : children.readAll().simplified().split(' ')) {
            if (!child.isEmpty())
                tree << child.toLongLong();
        }
    }
    return tree;
}

bool HelpWindows::allEnded(const QList<qint64>& processes)
{
    for (qint64 pid : processes) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z "))
            return false;
    }
    return true;
}
