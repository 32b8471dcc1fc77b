#include "app/orvowidgets.h"
#include "app/startup.h"
#include "resources/resources.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    prepareApplication();
    QApplication app(argc, argv);
    orvoInitResources();
    // A tray program: closing a gadget or the settings page only hides it.
    app.setQuitOnLastWindowClosed(false);
    int code = 0;
    {
        OrvoWidgets window;
        code = app.exec();
    }
    return code;
}
