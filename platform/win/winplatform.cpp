#include "platform/win/winplatform.h"

Platform* createSystemPlatform()
{
    return new WinPlatform();
}

bool WinPlatform::processorTimes(qint64& idle, qint64& kernel, qint64& user)
{
    std::int64_t idleTime = 0, kernelTime = 0, userTime = 0;
    if (!WinSystem::processorTimes(idleTime, kernelTime, userTime))
        return false;
    idle = idleTime;
    kernel = kernelTime;
    user = userTime;
    return true;
}

bool WinPlatform::memoryLoad(int& percent)
{
    return WinSystem::memoryLoad(percent);
}

QString WinPlatform::keyboardLayoutCountry()
{
    return QString::fromStdWString(m_system.keyboardLayoutCountry());
}

QString WinPlatform::layoutSupportWarning()
{
    return QString::fromStdWString(m_system.layoutSupportWarning());
}

void WinPlatform::sleepMs(int milliseconds)
{
    WinSystem::sleepMs(milliseconds);
}

QDateTime WinPlatform::currentDateTime()
{
    return QDateTime::currentDateTime();
}

QStringList WinPlatform::localIPv4Addresses()
{
    QStringList addresses;
    for (const std::string& address : WinSystem::localIPv4Addresses())
        addresses.append(QString::fromLatin1(address.c_str()));
    return addresses;
}

QString WinPlatform::lastErrorText()
{
    // Nothing may run between the caller's failed call and this one that
    // could overwrite the thread's last error: straight to the system.
    return QString::fromStdWString(WinSystem::lastErrorText());
}

QString WinPlatform::desktopName()
{
    return QString::fromStdWString(WinSystem::desktopName());
}
