#include "app/orvowidgets.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "platform/platform.h"
#include "resources/resources.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    const bool platformChosen = prepareApplication();
    QApplication app(argc, argv);
    if (platformChosen)
        qunsetenv("QT_QPA_PLATFORM");
    orvoInitResources();
    // Names the menu entry, whose icon a Wayland compositor shows for the windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvowidgets.OrvoWidgets"));
    // A tray program: closing a gadget or the settings page only hides it.
    app.setQuitOnLastWindowClosed(false);
    // A second start (from the menu while it also started at login) would
    // show a second clock and fight the first over the settings and the
    // chat port: it brings the running one's clock forward instead.
    SingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
                            Platform::instance().desktopName());
    if (!instance.isFirst()) {
        instance.activateRunning();
        return 0;
    }
    int code = 0;
    {
        OrvoWidgets window;
        QObject::connect(&instance, &SingleInstance::activated, &window, &OrvoWidgets::show_clock);
        code = app.exec();
    }
    return code;
}
