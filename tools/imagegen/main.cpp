// Draws every bitmap the program ships with and writes them as PNG files.
// Usage: orvo_imagegen <output-dir>

#include "drawings.h"
#include "paintkit.h"

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

#include <functional>
#include <utility>
#include <vector>

int main(int argc, char **argv)
{
    // Text rendering needs a platform; the offscreen one is enough.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: orvo_imagegen <output-dir>\n";
        return 2;
    }
    const QString outDir = args.at(1);
    if (!QDir().mkpath(outDir)) {
        QTextStream(stderr) << "cannot create " << outDir << '\n';
        return 1;
    }

    const std::vector<std::pair<const char *, std::function<QImage()>>> jobs = {
        {"main_skin.png", draw::clockGraphite},
        {"main_skin1.png", draw::clockSilver},
        {"main_skin2.png", draw::clockNavy},
        {"main_skin3.png", draw::clockWood},
        {"main_skin4.png", draw::clockFrost},
        {"stiker.png", [] { return draw::sticker(QColor(0xff, 0xf0, 0x9a)); }},
        {"stiker1.png", [] { return draw::sticker(QColor(0xc8, 0xf0, 0xb4)); }},
        {"stiker2.png", [] { return draw::sticker(QColor(0xff, 0xc8, 0xdc)); }},
        {"stiker3.png", [] { return draw::sticker(QColor(0xc2, 0xe0, 0xff)); }},
        {"stiker4.png", [] { return draw::sticker(QColor(0xfb, 0xfb, 0xf7)); }},
        {"tray.png", [] { return draw::trayIcon(); }},
        {"setup.png", draw::iconSetup},
        {"chat.png", draw::iconChat},
        {"calendar.png", draw::iconCalendar},
        {"help.png", draw::iconHelp},
        {"exit.png", draw::iconExit},
        {"save.png", draw::iconSave},
        {"new.png", draw::iconNew},
        {"del_1.png", draw::iconDelete},
        {"view.png", draw::iconView},
        {"note.png", draw::iconNote},
        {"new_note.png", draw::iconNewNote},
        {"edit_note.png", draw::iconEditNote},
        {"view_note.png", draw::iconViewNote},
        {"arrow-left.png", draw::iconArrowLeft},
        {"arrow-right.png", draw::iconArrowRight},
        {"chat_fon.png", draw::chatBackground},
        {"splash.png", draw::splash},
    };

    int failures = 0;
    for (const auto &job : jobs) {
        if (!kit::save(job.second(), outDir, QString::fromLatin1(job.first)))
            ++failures;
    }
    // The application icon the desktop's menus show, in the theme's sizes.
    const QString desktopDir = QDir(outDir).filePath(QStringLiteral("../desktop/icons"));
    QDir().mkpath(desktopDir);
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        if (!kit::save(draw::trayIcon(size), desktopDir, QStringLiteral("orvowidgets-%1.png").arg(size)))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
