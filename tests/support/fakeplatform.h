#pragma once

#include "platform/platform.h"

#include <QStringList>

// A platform whose answers are set by the test.
class FakePlatform : public Platform
{
public:
    bool timesOk = true, memoryOk = true;
    qint64 idle = 0, kernel = 0, user = 0;
    int memory = 0;
    QString layout, layoutWarning, lastError;
    QDateTime now = QDateTime(QDate(2024, 1, 1), QTime(12, 0));
    QStringList addresses{QStringLiteral("127.0.0.1")};
    QList<QRect> screens;  // empty: those of the platform in use
    bool xDisplay = true, statusNotifierTray = false;

    bool processorTimes(qint64& i, qint64& k, qint64& u) override
    {
        return timesOk && ((i = idle), (k = kernel), (u = user), true);
    }
    bool memoryLoad(int& percent) override { return memoryOk && ((percent = memory), true); }
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
    Q_DISABLE_COPY(FakePlatformScope)
};
