#include "fakeplatform.h"

bool FakePlatform::processorTimes(qint64& idleTime, qint64& kernelTime, qint64& userTime)
{
    calls.append(QStringLiteral("times"));
    if (!timesOk)
        return false;
    idleTime = idle;
    kernelTime = kernel;
    userTime = user;
    return true;
}

bool FakePlatform::memoryLoad(int& percent)
{
    calls.append(QStringLiteral("memory"));
    if (!memoryOk)
        return false;
    percent = memory;
    return true;
}

QString FakePlatform::keyboardLayoutCountry()
{
    calls.append(QStringLiteral("layout"));
    return layout;
}

void FakePlatform::sleepMs(int milliseconds)
{
    calls.append(QStringLiteral("sleep %1").arg(milliseconds));
}

QDateTime FakePlatform::currentDateTime()
{
    calls.append(QStringLiteral("now"));
    return now;
}
