#pragma once

#include "platform/platform.h"

#include <QStringList>

// A platform whose answers are set by the caller; it records the order in
// which it was asked, so callers can check what happens before what.
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
    QDateTime now = QDateTime(QDate(2024, 1, 1), QTime(12, 0));

    // "sleep 10", "times", "memory", "layout", "now", in call order.
    QStringList calls;

    bool processorTimes(qint64& idleTime, qint64& kernelTime, qint64& userTime) override;
    bool memoryLoad(int& percent) override;
    QString keyboardLayoutCountry() override;
    void sleepMs(int milliseconds) override;
    QDateTime currentDateTime() override;
};
