#pragma once

#include <QByteArray>

#include <functional>

// The windowing system the program asks the toolkit for.
struct WindowingChoice
{
    // The toolkit's platform name; empty leaves the choice to the toolkit.
    QByteArray platform;
    // Whether to tell the user that window positions and the layout
    // indicator need X.
    bool warnNoX = false;
};

// On a Wayland desktop (`sessionType` "wayland" or a `waylandDisplay`) the
// program runs on X11 when `xReachable` says an X display (XWayland) takes
// connections: only there can its windows keep their places, be dragged and
// stay on top, and only there is the keyboard layout known. Without one it
// runs natively. A platform the user set (`qpaPlatform`) stays, and so does
// the toolkit's choice elsewhere; `xReachable` is asked only when it matters.
WindowingChoice chooseWindowing(const QByteArray& qpaPlatform, const QByteArray& sessionType,
                                const QByteArray& waylandDisplay, const std::function<bool()>& xReachable);

// What the process settles before the application object exists: how the
// widgets and the help viewer's web engine are drawn, and on which windowing
// system they run. Returns true when it chose the windowing system through
// QT_QPA_PLATFORM, which is meant for the application object alone: once
// that exists, the caller takes it back, so that programs started from this
// one (files opened with their handlers) choose their own.
bool prepareApplication();
