#include "boxanswerer.h"
#include "testdatadir.h"

#include "clock/digitalclockwidget.h"
#include "platform/linuxplatform.h"

#include <QProcess>
#include <QToolButton>
#include <QtTest>

#include <unistd.h>

// Switches the XKB group of `display` as a layout hot key would.
static bool lockGroup(const QByteArray& display, int group);

namespace {

using Times = QList<qint64>;  // idle, kernel, user

// An X server of its own; -displayfd makes it pick a free display and name
// it once it accepts clients, -noreset keeps what one client set after it
// disconnects.
struct XvfbServer
{
    QProcess process;

    QByteArray start()
    {
        process.start(QStringLiteral("Xvfb"), QStringList{"-displayfd", "1", "-noreset", "-nolisten", "tcp"});
        QByteArray number;
        while (!number.contains('\n') && process.waitForReadyRead(10000))
            number += process.readAllStandardOutput();
        return number.contains('\n') ? ':' + number.trimmed() : QByteArray();
    }
    ~XvfbServer()
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(5000);
    }
};

// Sets DISPLAY (a null value unsets it) until it goes out of scope.
struct DisplayVariable
{
    QByteArray old = qgetenv("DISPLAY");

    explicit DisplayVariable(const QByteArray& value) { set(value); }
    ~DisplayVariable() { set(old); }
    static void set(const QByteArray& value) { value.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", value); }
};

QString fixture(const char* name)
{
    return QFINDTESTDATA(QStringLiteral("fixtures/") + QLatin1String(name));
}

}  // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void processorTimes_data()
    {
        QTest::addColumn<QString>("path");      // read through the platform when set
        QTest::addColumn<QByteArray>("text");   // parsed directly otherwise
        QTest::addColumn<int>("ticksPerSecond");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<Times>("ticks");       // idle, kernel, user in clock ticks; empty: not checked

        // user+nice, idle+iowait, system+irq+softirq+steal + idle
        QTest::newRow("all fields") << QString() << QByteArray("cpu  100 20 30 400 50 6 7 8 9 10\ncpu0 1 2 3 4 5 6 7\n")
                                    << 100 << true << Times{450, 501, 120};
        QTest::newRow("no steal") << QString() << QByteArray("cpu 1 2 3 4 5 6 7\n") << 100 << true << Times{9, 25, 3};
        QTest::newRow("tick rate not dividing 10^7") << QString() << QByteArray("cpu 10 0 0 0 0 0 0\n") << 3 << true
                                                     << Times{0, 0, 10};
        QTest::newRow("cut inside the last number") << QString() << QByteArray("cpu 1 2 3 4 5 6 7") << 100 << false << Times{};
        QTest::newRow("too few fields") << QString() << QByteArray("cpu 1 2 3 4\n") << 100 << false << Times{};
        QTest::newRow("per-processor line first") << QString() << QByteArray("cpu0 1 2 3 4 5 6 7\n") << 100 << false << Times{};
        QTest::newRow("not a number") << QString() << QByteArray("cpu 1 2 -3 4 5 6 7\n") << 100 << false << Times{};
        QTest::newRow("overflowing the sum") << QString() << QByteArray("cpu 1 2 3 9223372036854775807 5 6 7\n") << 100
                                             << false << Times{};
        QTest::newRow("overflowing in 100-ns units") << QString() << QByteArray("cpu 0 0 0 100000000000000 0 0 0\n")
                                                     << 100 << false << Times{};
        const int hz = int(sysconf(_SC_CLK_TCK));
        QTest::newRow("fixture file") << fixture("proc_stat") << QByteArray() << hz << true << Times{88794, 92672, 13083};
        QTest::newRow("truncated file") << fixture("proc_stat_truncated") << QByteArray() << hz << false << Times{};
        QTest::newRow("missing file") << "/nonexistent/stat" << QByteArray() << hz << false << Times{};
        QTest::newRow("a directory") << QDir::tempPath() << QByteArray() << hz << false << Times{};
        QTest::newRow("this system") << "/proc/stat" << QByteArray() << hz << true << Times{};
    }

    void processorTimes()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, text);
        QFETCH(int, ticksPerSecond);
        QFETCH(bool, ok);
        QFETCH(Times, ticks);

        qint64 idle = -1, kernel = -1, user = -1;
        if (path.isEmpty())
            QCOMPARE(LinuxPlatform::parseProcStat(text, ticksPerSecond, idle, kernel, user), ok);
        else
            QCOMPARE(LinuxPlatform(path).processorTimes(idle, kernel, user), ok);
        if (!ok) {
            QCOMPARE((Times{idle, kernel, user}), (Times{-1, -1, -1}));
        } else if (!ticks.isEmpty()) {
            auto units = [&](qint64 t) { return t * 10000000 / ticksPerSecond; };
            QCOMPARE((Times{idle, kernel, user}), (Times{units(ticks[0]), units(ticks[1]), units(ticks[2])}));
        } else {
            QVERIFY(idle > 0 && kernel >= idle && user >= 0);
        }
    }

    void memoryLoad_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("percent");  // -1: any value in 0..100

        QTest::newRow("fixture file") << fixture("meminfo") << QByteArray() << true << 75;
        QTest::newRow("truncated file") << fixture("meminfo_truncated") << QByteArray() << false << 0;
        QTest::newRow("missing file") << "/nonexistent/meminfo" << QByteArray() << false << 0;
        QTest::newRow("this system") << "/proc/meminfo" << QByteArray() << true << -1;
        QTest::newRow("truncating division") << QString() << QByteArray("MemTotal: 3 kB\nMemAvailable: 1 kB\n") << true << 66;
        QTest::newRow("available first") << QString() << QByteArray("MemAvailable: 0 kB\nMemTotal: 8 kB\n") << true << 100;
        QTest::newRow("older kernel") << QString() << QByteArray("MemTotal: 8 kB\nMemFree: 2 kB\n") << false << 0;
        QTest::newRow("value cut short") << QString() << QByteArray("MemTotal: 800 kB\nMemAvailable: 20") << false << 0;
        QTest::newRow("no total") << QString() << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << false << 0;
        QTest::newRow("more available than total") << QString() << QByteArray("MemTotal: 5 kB\nMemAvailable: 9 kB\n")
                                                   << false << 0;
    }

    void memoryLoad()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(int, percent);

        int result = -7;
        if (path.isEmpty())
            QCOMPARE(LinuxPlatform::parseMeminfo(text, result), ok);
        else
            QCOMPARE(LinuxPlatform(QStringLiteral("/proc/stat"), path).memoryLoad(result), ok);
        if (!ok)
            QCOMPARE(result, -7);
        else if (percent >= 0)
            QCOMPARE(result, percent);
        else
            QVERIFY(result >= 0 && result <= 100);
    }

    void layoutCountry_data()
    {
        QTest::addColumn<QByteArray>("rulesNames");
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("expected");

        const QByteArray usRu("evdev\0pc105\0us,ru\0,\0grp:alt_shift_toggle\0", 41);
        QTest::newRow("first group") << usRu << 0 << "USA";
        QTest::newRow("second group") << usRu << 1 << "RUS";
        QTest::newRow("group beyond the list") << usRu << 2 << "";
        QTest::newRow("german") << QByteArray("evdev\0pc105\0de\0\0\0", 16) << 0 << "DEU";
        QTest::newRow("variant in the name") << QByteArray("evdev\0pc105\0us(intl)\0", 21) << 0 << "USA";
        QTest::newRow("not a country") << QByteArray("evdev\0pc105\0latam,epo\0", 22) << 1 << "EPO";
        QTest::newRow("unknown two letters") << QByteArray("evdev\0pc105\0xq\0", 15) << 0 << "XQ";
        QTest::newRow("no property") << QByteArray() << 0 << "";
    }

    void layoutCountry()
    {
        QFETCH(QByteArray, rulesNames);
        QFETCH(int, group);
        QFETCH(QString, expected);

        QCOMPARE(LinuxPlatform::countryOfLayout(LinuxPlatform::layoutOfGroup(rulesNames, group)), expected);
    }

    void noDisplayGivesEmptyIndicator_data()
    {
        QTest::addColumn<QByteArray>("display");
        QTest::newRow("no DISPLAY") << QByteArray();
        QTest::newRow("nobody listening") << QByteArray(":4093");
    }

    void noDisplayGivesEmptyIndicator()
    {
        QFETCH(QByteArray, display);
        DisplayVariable variable(display);
        LinuxPlatform platform;
        QCOMPARE(platform.keyboardLayoutCountry(), QString());
        QCOMPARE(platform.keyboardLayoutCountry(), QString());
    }

    void indicatorFollowsXkbGroup()
    {
        XvfbServer server;
        const QByteArray display = server.start();
        QVERIFY2(!display.isEmpty(), "no Xvfb display (is Xvfb installed?)");
        QCOMPARE(QProcess::execute(QStringLiteral("setxkbmap"),
                                   {"-display", QString::fromLatin1(display), "-layout", "us,ru"}),
                 0);

        TestDataDir data;
        data.open();
        BoxAnswerer boxes;
        DisplayVariable variable(display);
        LinuxPlatform x11;
        Platform::setInstance(&x11);
        DigitalClockWidget clock;
        Platform::setInstance(nullptr);  // the clock keeps the layer it was built with
        auto* indicator = clock.findChild<QToolButton*>(QStringLiteral("lang_label"));
        QTimerEvent tick(0);
        for (const auto& [group, expected] : {std::pair{-1, "USA"}, {1, "RUS"}, {0, "USA"}}) {
            if (group >= 0)
                QVERIFY(lockGroup(display, group));
            QCoreApplication::sendEvent(&clock, &tick);
            QCOMPARE(indicator->text(), QLatin1String(expected));
        }
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"

// Xlib's macros would clash with Qt's names above.
#include <X11/Xlib.h>
#include <X11/XKBlib.h>

static bool lockGroup(const QByteArray& display, int group)
{
    Display* connection = XOpenDisplay(display.constData());
    if (!connection)
        return false;
    const bool sent = XkbLockGroup(connection, XkbUseCoreKbd, unsigned(group));
    XSync(connection, False);
    XCloseDisplay(connection);
    return sent;
}
