#pragma once

#include "platform/platform.h"

#include <QStringList>

// A platform whose answers are set by the test.
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
    // Empty: the screens of the platform in use.
    QList<QRect> screens;
    bool xDisplay = true;
    bool statusNotifierTray = false;

    bool processorTimes(qint64& idleTime, qint64& kernelTime, qint64& userTime) override;
    bool memoryLoad(int& percent) override;
    QString keyboardLayoutCountry() override { return layout; }
    QString layoutSupportWarning() override { return layoutWarning; }
    void sleepMs(int) override {}
    QDateTime currentDateTime() override { return now; }
    QStringList localIPv4Addresses() override { return addresses; }
    QString lastErrorText() override { return lastError; }
    QString desktopName() override { return QStringLiteral(":fake"); }
    QList<QRect> screenAreas() override { return screens.isEmpty() ? Platform::screenAreas() : screens; }

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
