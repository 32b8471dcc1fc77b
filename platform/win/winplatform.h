#pragma once

#include "platform/platform.h"
#include "platform/win/winsystem.h"

// The gadgets' view of a Windows desktop: the Win32 calls of WinSystem in
// the toolkit's types.
class WinPlatform : public Platform
{
public:
    WinPlatform() = default;

    bool processorTimes(qint64& idle, qint64& kernel, qint64& user) override;
    bool memoryLoad(int& percent) override;
    QString keyboardLayoutCountry() override;
    QString layoutSupportWarning() override;
    void sleepMs(int milliseconds) override;
    QDateTime currentDateTime() override;
    QStringList localIPv4Addresses() override;
    QString lastErrorText() override;
    QString desktopName() override;
    // Windows has no X, and one notification area.
    bool hasXDisplay() override { return false; }
    bool trayIsStatusNotifier() override { return false; }

private:
    WinSystem m_system;
};
