// orvo-help: the help viewer, started by the program beside it. Usage:
// orvo-help COLLECTION IDENTIFIER; requests come on standard input (see
// app/helpprotocol.h).
#include "app/helpstore.h"
#include "app/helpviewer.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (argc != 3)
        return 2;
    // Before anything of the web engine is created, or it is ignored.
    HelpStore::registerScheme();
    prepareApplication();
    QApplication app(argc, argv);
    int code = 0;
    {
        HelpViewer viewer(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
        code = app.exec();
    }
    return code;
}
