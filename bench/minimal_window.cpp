// The baseline of bench_startup: the least a Qt Widgets program does to put
// one window of the clock's size on the screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.resize(360, 90);
    window.show();
    return app.exec();
}
