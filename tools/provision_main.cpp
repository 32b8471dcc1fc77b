// Installs orvo.db with its tables in the program's data directory when no
// database exists there yet; an existing file is left as it is.
#include "db/database.h"
#include "db/provisioner.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The data directory is named after the program, not after this tool.
    QCoreApplication::setApplicationName(QStringLiteral("OrvoWidgets"));
    const QString directory = db::dataDirectory();
    QString error;
    QTextStream out(stdout);
    if (!db::provision(directory, &error)) {
        QTextStream(stderr) << "orvo-provision: " << error << '\n';
        return 1;
    }
    out << directory << db::kFileName << '\n';
    return 0;
}
