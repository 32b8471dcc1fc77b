#include "platform/linuxplatform.h"

#include <QtTest>

#include <cerrno>

using Figures = QList<qint64>;

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    // /proc/stat: idle, kernel, user in 100-ns units at 100 ticks a second; /proc/meminfo: memory used in percent.
    void procFiles_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Figures>("figures");  // empty: refused
        // idle + iowait; system + irq + softirq + steal + idle; user + nice (which hold the guests)
        QTest::newRow("all fields") << QByteArray("cpu  100 20 30 400 50 6 7 8 9 10\ncpu0 1 2 3 4 5 6 7\n")
                                    << Figures{45000000, 50100000, 12000000};
        QTest::newRow("no steal") << QByteArray("cpu 1 2 3 4 5 6 7\n") << Figures{900000, 2500000, 300000};
        QTest::newRow("cut inside the last number") << QByteArray("cpu 1 2 3 4 5 6 7") << Figures{};
        QTest::newRow("too few fields") << QByteArray("cpu 1 2 3 4\n") << Figures{};
        QTest::newRow("per-processor line first") << QByteArray("cpu0 1 2 3 4 5 6 7\n") << Figures{};
        QTest::newRow("not a number") << QByteArray("cpu 1 2 -3 4 5 6 7\n") << Figures{};
        QTest::newRow("overflowing the sum") << QByteArray("cpu 0 0 0 9223372036854775807 9223372036854775807 0 0\n") << Figures{};
        QTest::newRow("overflowing in 100-ns units") << QByteArray("cpu 0 0 0 100000000000000 0 0 0\n") << Figures{};
        QTest::newRow("memory, truncated") << QByteArray("MemTotal:   3 kB\nMemFree: 2 kB\nMemAvailable:  1 kB\n") << Figures{66};
        QTest::newRow("older kernel") << QByteArray("MemTotal: 8 kB\nMemFree: 2 kB\n") << Figures{};
        QTest::newRow("memory cut short") << QByteArray("MemTotal: 800 kB\nMemAvailable: 20") << Figures{};
        QTest::newRow("no total") << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << Figures{};
        QTest::newRow("more available than total") << QByteArray("MemTotal: 5 kB\nMemAvailable: 9 kB\n") << Figures{};
    }

    void procFiles()
    {
        QFETCH(QByteArray, text);
        QFETCH(Figures, figures);
        qint64 idle = 0, kernel = 0, user = 0;
        int percent = 0;
        const bool stat = text.startsWith("cpu");
        QCOMPARE(stat ? LinuxPlatform::parseProcStat(text, 100, idle, kernel, user)
                      : LinuxPlatform::parseMeminfo(text, percent),
                 !figures.isEmpty());
        if (!figures.isEmpty())
            QCOMPARE((stat ? Figures{idle, kernel, user} : Figures{percent}), figures);
    }

    void layoutCountry()
    {
        // rules, model, layouts, variants, options: NUL-separated, as X keeps them.
        const QByteArray names("evdev\0pc105\0us(intl),latam,epo\0\0", 32);
        for (const auto& [group, country] : {std::pair{0, "USA"}, {1, "LATAM"}, {2, "EPO"}, {3, ""}})
            QCOMPARE(LinuxPlatform::countryOfLayout(LinuxPlatform::layoutOfGroup(names, group)), QLatin1String(country));
    }

    // The real layer on this machine: its /proc, interfaces and errno, and no display.
    void thisSystem()
    {
        auto restore = qScopeGuard([display = qgetenv("DISPLAY")] { qputenv("DISPLAY", display); });
        qunsetenv("DISPLAY");
        LinuxPlatform system;
        qint64 idle = 0, kernel = 0, user = 0;
        int memory = -1;
        QVERIFY(system.processorTimes(idle, kernel, user) && idle > 0 && kernel >= idle && user >= 0);
        QVERIFY(system.memoryLoad(memory) && memory >= 0 && memory <= 100);
        LinuxPlatform missing(QStringLiteral("/nonexistent/stat"), QStringLiteral("/nonexistent/meminfo"));
        QVERIFY(!missing.processorTimes(idle, kernel, user) && !missing.memoryLoad(memory));
        QCOMPARE(system.keyboardLayoutCountry(), QString());

        const QStringList addresses = system.localIPv4Addresses();
        QVERIFY2(addresses.contains("127.0.0.1") && !addresses.join(';').contains(':'), qPrintable(addresses.join(';')));
        errno = ENOENT;
        QCOMPARE(system.lastErrorText(), QStringLiteral("No such file or directory"));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
