// The baseline of bench_idle_memory: the least a Qt Widgets program does to
// show a clock that changes every second.
#include <QApplication>
#include <QLCDNumber>
#include <QTime>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLCDNumber clock(8);
    clock.setWindowTitle(QStringLiteral("Bare clock"));
    clock.resize(360, 90);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &clock,
                     [&clock] { clock.display(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))); });
    tick.start(1000);
    clock.show();
    return app.exec();
}
