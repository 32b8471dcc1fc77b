#include "fakeplatform.h"

bool FakePlatform::processorTimes(qint64& idleTime, qint64& kernelTime, qint64& userTime)
{
    if (!timesOk)
        return false;
    idleTime = idle;
    kernelTime = kernel;
    userTime = user;
    return true;
}

bool FakePlatform::memoryLoad(int& percent)
{
    if (memoryOk)
        percent = memory;
    return memoryOk;
}
