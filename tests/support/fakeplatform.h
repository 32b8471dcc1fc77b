#pragma once

#include "platform/platform.h"

#include <QStringList>

// A platform whose answers are set by the test; it records the order in
// which it was asked, so tests can check what happens before what.
class FakePlatform : public Platform
{
public:
    bool timesOk = true;
    qint64 idle = 0;
    qint64 kernel = 0;
    qint64 user = 0;

    bool memoryOk = true;
    int memory = 0;

    QString layout;
    QString layoutWarning;
    QDateTime now = QDateTime(QDate(2024, 1, 1), QTime(12, 0));
    QStringList addresses{QStringLiteral("127.0.0.1")};
    QString lastError;
    bool xDisplay = true;
    bool statusNotifierTray = false;

    // "sleep 10", "times", "memory", "layout", "now", in call order.
    QStringList calls;

    bool processorTimes(qint64& idleTime, qint64& kernelTime, qint64& userTime) override;
    bool memoryLoad(int& percent) override;
    QString keyboardLayoutCountry() override;
    QString layoutSupportWarning() override { return layoutWarning; }
    void sleepMs(int milliseconds) override;
    QDateTime currentDateTime() override;
    QStringList localIPv4Addresses() override { return addresses; }
    QString lastErrorText() override { return lastError; }
    QString desktopName() override { return QStringLiteral(":fake"); }
    bool hasXDisplay() override { return xDisplay; }
    bool trayIsStatusNotifier() override { return statusNotifierTray; }
};

// Installs a fake for the life of one test and returns to the real layer.
struct FakePlatformScope
{
    FakePlatform fake;
    FakePlatformScope() { Platform::setInstance(&fake); }
    ~FakePlatformScope() { Platform::setInstance(nullptr); }
    FakePlatformScope(const FakePlatformScope&) = delete;
    FakePlatformScope& operator=(const FakePlatformScope&) = delete;
};
