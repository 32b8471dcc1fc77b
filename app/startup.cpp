#include "app/startup.h"

#include "platform/platform.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void setUnlessSet(const char* name, const char* value)
{
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}

}  // namespace

WindowingChoice chooseWindowing(const QByteArray& qpaPlatform, const QByteArray& sessionType,
                                const QByteArray& waylandDisplay, const std::function<bool()>& xReachable)
{
    if (!qpaPlatform.isEmpty() || (sessionType != "wayland" && waylandDisplay.isEmpty()))
        return {};
    if (xReachable())
        return {"xcb", false};
    return {"wayland", true};
}

bool prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_UseSoftwareOpenGL, true);
    // The help viewer's web engine insists on it (it starts the same way).
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
    // The gadgets are drawn in software; the GL stack that the X11
    // integration would load at start costs tens of megabytes all day for
    // nothing. The help viewer, started from here, inherits them and draws its
    // pages in software too.
    // Either stays as the user set it.
    setUnlessSet("QT_XCB_GL_INTEGRATION", "none");
    setUnlessSet("QT_QUICK_BACKEND", "software");

    const WindowingChoice choice =
        chooseWindowing(qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY"),
                        [] { return Platform::instance().hasXDisplay(); });
    if (choice.warnNoX)
        std::fputs("OrvoWidgets: no X display (XWayland); the gadgets' window positions, dragging, "
                   "keeping on top and the keyboard layout indicator need X.\n",
                   stderr);
    if (choice.platform.isEmpty())
        return false;
    qputenv("QT_QPA_PLATFORM", choice.platform);
    return true;
}
