#include "boxanswerer.h"
#include "testdatadir.h"

#include "clock/digitalclockwidget.h"
#include "platform/linuxplatform.h"

#include <QProcess>
#include <QToolButton>
#include <QtTest>

#include <cerrno>
#include <unistd.h>

// Switches the XKB group of `display` as a layout hot key would.
static bool lockGroup(const QByteArray& display, int group);

namespace {

using Times = QList<qint64>;  // idle, kernel, user in clock ticks

// Sets DISPLAY (a null value unsets it) until it goes out of scope.
struct DisplayVariable
{
    QByteArray old = qgetenv("DISPLAY");
    explicit DisplayVariable(const QByteArray& value) { set(value); }
    ~DisplayVariable() { set(old); }
    static void set(const QByteArray& value) { value.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", value); }
};

// A row's source: "file:PATH" is read through the platform, anything else
// is parsed as the file's text.
bool isFile(const QByteArray& source)
{
    return source.startsWith("file:");
}

QString path(const QByteArray& source)
{
    const QString rest = QString::fromLatin1(source.mid(5));
    return rest.startsWith(QLatin1Char('/')) ? rest : QFINDTESTDATA(QStringLiteral("fixtures/") + rest);
}

}  // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void processorTimes_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<Times>("ticks");  // empty: any plausible sample
        // user+nice, idle+iowait, system+irq+softirq+steal + idle
        QTest::newRow("all fields") << QByteArray("cpu  100 20 30 400 50 6 7 8 9 10\ncpu0 1 2 3 4 5 6 7\n") << true
                                    << Times{450, 501, 120};
        QTest::newRow("no steal") << QByteArray("cpu 1 2 3 4 5 6 7\n") << true << Times{9, 25, 3};
        QTest::newRow("cut inside the last number") << QByteArray("cpu 1 2 3 4 5 6 7") << false << Times{};
        QTest::newRow("too few fields") << QByteArray("cpu 1 2 3 4\n") << false << Times{};
        QTest::newRow("per-processor line first") << QByteArray("cpu0 1 2 3 4 5 6 7\n") << false << Times{};
        QTest::newRow("not a number") << QByteArray("cpu 1 2 -3 4 5 6 7\n") << false << Times{};
        QTest::newRow("overflowing the sum") << QByteArray("cpu 1 2 3 9223372036854775807 5 6 7\n") << false << Times{};
        QTest::newRow("overflowing in 100-ns units") << QByteArray("cpu 0 0 0 100000000000000 0 0 0\n") << false
                                                     << Times{};
        QTest::newRow("fixture file") << QByteArray("file:proc_stat") << true << Times{88794, 92672, 13083};
        QTest::newRow("missing file") << QByteArray("file:/nonexistent/stat") << false << Times{};
        QTest::newRow("this system") << QByteArray("file:/proc/stat") << true << Times{};
    }

    void processorTimes()
    {
        QFETCH(QByteArray, source);
        QFETCH(bool, ok);
        QFETCH(Times, ticks);
        const int hz = int(sysconf(_SC_CLK_TCK));
        qint64 idle = -1, kernel = -1, user = -1;
        if (isFile(source))
            QCOMPARE(LinuxPlatform(path(source)).processorTimes(idle, kernel, user), ok);
        else
            QCOMPARE(LinuxPlatform::parseProcStat(source, hz, idle, kernel, user), ok);
        auto units = [&](qint64 t) { return t * 10000000 / hz; };
        if (!ok)
            QCOMPARE((Times{idle, kernel, user}), (Times{-1, -1, -1}));
        else if (!ticks.isEmpty())
            QCOMPARE((Times{idle, kernel, user}), (Times{units(ticks[0]), units(ticks[1]), units(ticks[2])}));
        else
            QVERIFY(idle > 0 && kernel >= idle && user >= 0);
    }

    void memoryLoad_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<int>("percent");  // -1: fails; 101: any value in 0..100
        QTest::newRow("fixture file") << QByteArray("file:meminfo") << 75;
        QTest::newRow("missing file") << QByteArray("file:/nonexistent/meminfo") << -1;
        QTest::newRow("this system") << QByteArray("file:/proc/meminfo") << 101;
        QTest::newRow("truncating division") << QByteArray("MemTotal: 3 kB\nMemAvailable: 1 kB\n") << 66;
        QTest::newRow("available first") << QByteArray("MemAvailable: 0 kB\nMemTotal: 8 kB\n") << 100;
        QTest::newRow("older kernel") << QByteArray("MemTotal: 8 kB\nMemFree: 2 kB\n") << -1;
        QTest::newRow("value cut short") << QByteArray("MemTotal: 800 kB\nMemAvailable: 20") << -1;
        QTest::newRow("no total") << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << -1;
        QTest::newRow("more available than total") << QByteArray("MemTotal: 5 kB\nMemAvailable: 9 kB\n") << -1;
    }

    void memoryLoad()
    {
        QFETCH(QByteArray, source);
        QFETCH(int, percent);
        int result = -7;
        const bool ok = isFile(source) ? LinuxPlatform(QStringLiteral("/proc/stat"), path(source)).memoryLoad(result)
                                       : LinuxPlatform::parseMeminfo(source, result);
        QCOMPARE(ok, percent >= 0);
        if (percent < 0)
            QCOMPARE(result, -7);
        else if (percent <= 100)
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
        QTest::newRow("variant in the name") << QByteArray("evdev\0pc105\0us(intl)\0", 21) << 0 << "USA";
        QTest::newRow("not a country") << QByteArray("evdev\0pc105\0latam,epo\0", 22) << 1 << "EPO";
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
        // An X server of its own: -displayfd names the free display it took.
        QProcess xvfb;
        xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-noreset", "-nolisten", "tcp"});
        QByteArray number;
        while (!number.contains('\n') && xvfb.waitForReadyRead(10000))
            number += xvfb.readAllStandardOutput();
        QVERIFY2(number.contains('\n'), "no Xvfb display (is Xvfb installed?)");
        const QByteArray display = ':' + number.trimmed();
        auto stop = qScopeGuard([&] {
            xvfb.kill();
            xvfb.waitForFinished();
        });
        QCOMPARE(QProcess::execute("setxkbmap", {"-display", QString::fromLatin1(display), "-layout", "us,ru"}), 0);

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
        QVERIFY(boxes.seen.isEmpty());  // nothing to warn about on this system
    }

    void addressesAndErrorTexts()
    {
        LinuxPlatform platform;
        const QStringList addresses = platform.localIPv4Addresses();
        QVERIFY2(addresses.contains(QStringLiteral("127.0.0.1")), qPrintable(addresses.join(';')));
        for (const QString& address : addresses)
            QVERIFY2(!address.contains(QLatin1Char(':')), qPrintable(address));
        errno = ENOENT;
        QCOMPARE(platform.lastErrorText(), QStringLiteral("No such file or directory"));
        errno = 0;
        QCOMPARE(platform.lastErrorText(), QString());
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
