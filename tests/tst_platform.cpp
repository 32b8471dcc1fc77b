#include "boxanswerer.h"
#include "testdatadir.h"

#include "clock/digitalclockwidget.h"
#include "platform/linuxplatform.h"

#include <QProcess>
#include <QStandardPaths>
#include <QToolButton>
#include <QtTest>

#include <unistd.h>

// Switches the XKB group of `display` as a layout hot key would.
static bool lockGroup(const QByteArray& display, int group);

namespace {

using Times = QList<qint64>;  // idle, kernel, user

// An X server of its own for the duration of one test.
class XvfbServer
{
public:
    ~XvfbServer()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Returns ":N", or empty with `error` set.
    QByteArray start(QString& error)
    {
        // -displayfd picks a free display number and writes it once the
        // server accepts clients; -noreset keeps the layouts set by one
        // client after it disconnects.
        m_process.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                 QStringLiteral("-noreset"), QStringLiteral("-nolisten"),
                                                 QStringLiteral("tcp"),
                                                 QStringLiteral("-screen"), QStringLiteral("0"),
                                                 QStringLiteral("320x240x24")});
        if (!m_process.waitForStarted(10000)) {
            error = QStringLiteral("Xvfb did not start: ") + m_process.errorString();
            return {};
        }
        QByteArray number;
        while (!number.contains('\n') && m_process.waitForReadyRead(10000))
            number += m_process.readAllStandardOutput();
        if (!number.contains('\n')) {
            error = QStringLiteral("Xvfb named no display: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
            return {};
        }
        return ':' + number.trimmed();
    }

private:
    QProcess m_process;
};

class DisplayVariable
{
public:
    explicit DisplayVariable(const QByteArray& value) : m_old(qgetenv("DISPLAY")), m_had(qEnvironmentVariableIsSet("DISPLAY"))
    {
        if (value.isNull())
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", value);
    }
    ~DisplayVariable()
    {
        if (m_had)
            qputenv("DISPLAY", m_old);
        else
            qunsetenv("DISPLAY");
    }

private:
    QByteArray m_old;
    bool m_had;
};

class InstalledPlatform
{
public:
    explicit InstalledPlatform(Platform* platform) { Platform::setInstance(platform); }
    ~InstalledPlatform() { Platform::setInstance(nullptr); }
};

void tick(QWidget& clock)
{
    QTimerEvent event(0);
    QCoreApplication::sendEvent(&clock, &event);
}

QString fixture(const char* name)
{
    return QFINDTESTDATA(QStringLiteral("fixtures/") + QLatin1String(name));
}

}  // namespace

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void parseProcStat_data();
    void parseProcStat();
    void processorTimesFromFile_data();
    void processorTimesFromFile();
    void memoryLoad_data();
    void memoryLoad();
    void layoutCountry_data();
    void layoutCountry();
    void noDisplayGivesEmptyIndicator_data();
    void noDisplayGivesEmptyIndicator();
    void indicatorFollowsXkbGroup();
};

void TestPlatform::parseProcStat_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("ticksPerSecond");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Times>("expected");

    // user+nice = 120, idle+iowait = 450, system+irq+softirq+steal = 51.
    QTest::newRow("all fields") << QByteArray("cpu  100 20 30 400 50 6 7 8 9 10\ncpu0 1 2 3 4 5 6 7 8 9 10\n") << 100
                                << true << Times{45000000, 50100000, 12000000};
    QTest::newRow("no steal") << QByteArray("cpu 1 2 3 4 5 6 7\n") << 100 << true << Times{900000, 2500000, 300000};
    QTest::newRow("tick rate not dividing 10^7") << QByteArray("cpu 10 0 0 0 0 0 0\n") << 3 << true
                                                 << Times{0, 0, 33333333};
    QTest::newRow("cut inside the line") << QByteArray("cpu  100 20 30 400 5") << 100 << false << Times{};
    QTest::newRow("too few fields") << QByteArray("cpu 1 2 3 4\n") << 100 << false << Times{};
    QTest::newRow("empty") << QByteArray() << 100 << false << Times{};
    QTest::newRow("per-processor line first") << QByteArray("cpu0 1 2 3 4 5 6 7\n") << 100 << false << Times{};
    QTest::newRow("not a number") << QByteArray("cpu 1 2 x 4 5 6 7\n") << 100 << false << Times{};
    QTest::newRow("negative") << QByteArray("cpu 1 2 -3 4 5 6 7\n") << 100 << false << Times{};
    QTest::newRow("overflowing") << QByteArray("cpu 1 2 3 9223372036854775807 5 6 7\n") << 100 << false << Times{};
}

void TestPlatform::parseProcStat()
{
    QFETCH(QByteArray, text);
    QFETCH(int, ticksPerSecond);
    QFETCH(bool, ok);
    QFETCH(Times, expected);

    qint64 idle = -1, kernel = -1, user = -1;
    QCOMPARE(LinuxPlatform::parseProcStat(text, ticksPerSecond, idle, kernel, user), ok);
    if (ok)
        QCOMPARE((Times{idle, kernel, user}), expected);
    else
        QCOMPARE((Times{idle, kernel, user}), (Times{-1, -1, -1}));
}

void TestPlatform::processorTimesFromFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<Times>("ticks");  // idle, kernel, user in clock ticks; empty: not checked

    QTest::newRow("fixture") << fixture("proc_stat") << true << Times{88794, 92672, 13083};
    QTest::newRow("truncated") << fixture("proc_stat_truncated") << false << Times{};
    QTest::newRow("missing") << QStringLiteral("/nonexistent/stat") << false << Times{};
    QTest::newRow("a directory") << QDir::tempPath() << false << Times{};
    QTest::newRow("this system") << QStringLiteral("/proc/stat") << true << Times{};
}

void TestPlatform::processorTimesFromFile()
{
    QFETCH(QString, path);
    QFETCH(bool, ok);
    QFETCH(Times, ticks);

    LinuxPlatform platform(path);
    qint64 idle = -1, kernel = -1, user = -1;
    QCOMPARE(platform.processorTimes(idle, kernel, user), ok);
    if (!ticks.isEmpty()) {
        const qint64 unit = 10000000 / sysconf(_SC_CLK_TCK);
        QCOMPARE((Times{idle, kernel, user}), (Times{ticks[0] * unit, ticks[1] * unit, ticks[2] * unit}));
    } else if (ok) {
        QVERIFY(idle > 0);
        QVERIFY(kernel >= idle);
        QVERIFY(user >= 0);
    }
}

void TestPlatform::memoryLoad_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("percent");  // -1: any value in 0..100

    QTest::newRow("fixture") << fixture("meminfo") << QByteArray() << true << 75;
    QTest::newRow("truncated file") << fixture("meminfo_truncated") << QByteArray() << false << 0;
    QTest::newRow("missing file") << QStringLiteral("/nonexistent/meminfo") << QByteArray() << false << 0;
    QTest::newRow("this system") << QStringLiteral("/proc/meminfo") << QByteArray() << true << -1;
    QTest::newRow("truncating division") << QString() << QByteArray("MemTotal: 3 kB\nMemAvailable: 2 kB\n") << true << 33;
    QTest::newRow("available first") << QString() << QByteArray("MemAvailable: 0 kB\nMemTotal: 8 kB\n") << true << 100;
    QTest::newRow("older kernel, no MemAvailable") << QString() << QByteArray("MemTotal: 8 kB\nMemFree: 2 kB\n") << false << 0;
    QTest::newRow("value cut short") << QString() << QByteArray("MemTotal: 800 kB\nMemAvailable: 20") << false << 0;
    QTest::newRow("no total") << QString() << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << false << 0;
    QTest::newRow("more available than total") << QString() << QByteArray("MemTotal: 5 kB\nMemAvailable: 9 kB\n") << false << 0;
}

void TestPlatform::memoryLoad()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(int, percent);

    int result = -7;
    if (path.isEmpty()) {
        QCOMPARE(LinuxPlatform::parseMeminfo(text, result), ok);
    } else {
        LinuxPlatform platform(QStringLiteral("/proc/stat"), path);
        QCOMPARE(platform.memoryLoad(result), ok);
    }
    if (!ok)
        QCOMPARE(result, -7);
    else if (percent >= 0)
        QCOMPARE(result, percent);
    else
        QVERIFY(result >= 0 && result <= 100);
}

void TestPlatform::layoutCountry_data()
{
    QTest::addColumn<QByteArray>("rulesNames");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("expected");

    const QByteArray usRu("evdev\0pc105\0us,ru\0,\0grp:alt_shift_toggle\0", 41);
    QTest::newRow("first group") << usRu << 0 << "USA";
    QTest::newRow("second group") << usRu << 1 << "RUS";
    QTest::newRow("group beyond the list") << usRu << 2 << "";
    QTest::newRow("german") << QByteArray("evdev\0pc105\0de\0\0\0", 16) << 0 << "DEU";
    QTest::newRow("british") << QByteArray("evdev\0pc105\0gb,fr\0", 18) << 0 << "GBR";
    QTest::newRow("variant in the name") << QByteArray("evdev\0pc105\0us(intl)\0", 21) << 0 << "USA";
    QTest::newRow("not a country") << QByteArray("evdev\0pc105\0latam,epo\0", 22) << 1 << "EPO";
    QTest::newRow("unknown two letters") << QByteArray("evdev\0pc105\0xq\0", 15) << 0 << "XQ";
    QTest::newRow("no property") << QByteArray() << 0 << "";
}

void TestPlatform::layoutCountry()
{
    QFETCH(QByteArray, rulesNames);
    QFETCH(int, group);
    QFETCH(QString, expected);

    QCOMPARE(LinuxPlatform::countryOfLayout(LinuxPlatform::layoutOfGroup(rulesNames, group)), expected);
}

void TestPlatform::noDisplayGivesEmptyIndicator_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::newRow("no DISPLAY") << QByteArray();
    QTest::newRow("nobody listening") << QByteArray(":4093");
}

void TestPlatform::noDisplayGivesEmptyIndicator()
{
    QFETCH(QByteArray, display);
    DisplayVariable variable(display);
    LinuxPlatform platform;
    QCOMPARE(platform.keyboardLayoutCountry(), QString());
    QCOMPARE(platform.keyboardLayoutCountry(), QString());
}

void TestPlatform::indicatorFollowsXkbGroup()
{
    for (const char* tool : {"Xvfb", "setxkbmap"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is not installed; the keyboard layout needs a real X server").arg(QLatin1String(tool))));
    }
    XvfbServer server;
    QString error;
    const QByteArray display = server.start(error);
    QVERIFY2(!display.isEmpty(), qPrintable(error));
    QCOMPARE(QProcess::execute(QStringLiteral("setxkbmap"),
                               {QStringLiteral("-display"), QString::fromLatin1(display), QStringLiteral("-layout"),
                                QStringLiteral("us,ru")}),
             0);

    TestDataDir data;
    data.open();
    BoxAnswerer boxes;
    DisplayVariable variable(display);
    LinuxPlatform x11;
    InstalledPlatform installed(&x11);
    DigitalClockWidget clock;
    auto* indicator = clock.findChild<QToolButton*>(QStringLiteral("lang_label"));
    QVERIFY(indicator);

    tick(clock);
    QCOMPARE(indicator->text(), QStringLiteral("USA"));
    QVERIFY(lockGroup(display, 1));
    tick(clock);
    QCOMPARE(indicator->text(), QStringLiteral("RUS"));
    QVERIFY(lockGroup(display, 0));
    tick(clock);
    QCOMPARE(indicator->text(), QStringLiteral("USA"));
    QVERIFY(boxes.seen.isEmpty());
}

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
