#include "app/startup.h"

#include <QCoreApplication>

namespace {

void setUnlessSet(const char* name, const char* value)
{
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}

}  // namespace

void prepareApplication()
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
}
