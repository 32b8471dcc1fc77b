#pragma once

#include "platform/platform.h"

#include <QByteArray>
#include <QHash>
#include <QString>

struct _XDisplay;

// The clock's view of a Linux desktop: processor and memory figures from
// /proc, the keyboard layout from the X server's keyboard extension.
//
// X keeps one layout state for the whole display, so unlike systems where
// every window (and every console) carries its own layout there is nothing
// to ask per window: the active group of the core keyboard is the layout the
// user types with, whichever window is in front, terminals included.
class LinuxPlatform : public Platform
{
public:
    explicit LinuxPlatform(const QString& statPath = QStringLiteral("/proc/stat"),
                           const QString& meminfoPath = QStringLiteral("/proc/meminfo"));
    ~LinuxPlatform() override;

    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    bool processorTimes(qint64& idle, qint64& kernel, qint64& user) override;
    bool memoryLoad(int& percent) override;
    // The display named by DISPLAY is opened on the first call; without one
    // the answer is always empty.
    QString keyboardLayoutCountry() override;
    // The X keyboard state needs nothing loaded beforehand: never a warning.
    QString layoutSupportWarning() override;
    void sleepMs(int milliseconds) override;
    QDateTime currentDateTime() override;
    // Every IPv4 address of every interface, in the kernel's interface order.
    QStringList localIPv4Addresses() override;
    // strerror of errno.
    QString lastErrorText() override;
    // The X display (or Wayland socket) named by the session's environment.
    QString desktopName() override;
    // Opens the display for the keyboard layout, which then keeps it.
    bool hasXDisplay() override;
    // The toolkit's own test when it creates a tray icon: a StatusNotifier
    // watcher on the session bus with a host registered.
    bool trayIsStatusNotifier() override;

    // The first ("cpu") line of /proc/stat, counted in clock ticks of
    // `ticksPerSecond`, as 100-ns units: user = user + nice; idle = idle +
    // iowait; kernel = system + irq + softirq + steal + idle. A line that is
    // cut short, malformed or overflowing gives false.
    static bool parseProcStat(const QByteArray& text, long ticksPerSecond, qint64& idle,
                              qint64& kernel, qint64& user);
    // Memory in use from MemTotal and MemAvailable, in whole percent.
    static bool parseMeminfo(const QByteArray& text, int& percent);

    // The layout of XKB group `group` from the _XKB_RULES_NAMES property
    // (rules, model, layouts "us,ru", variants, options; NUL-separated).
    static QString layoutOfGroup(const QByteArray& rulesNames, int group);
    // "us" -> "USA": a layout named after a country gives that country's
    // three-letter code; any other name ("latam", "epo") is shown upper-cased.
    static QString countryOfLayout(const QString& layout, const QHash<QString, QString>& alpha3);
    static QString countryOfLayout(const QString& layout);
    // alpha-2 -> alpha-3 from an iso-codes iso_3166-1.json file; empty when
    // the file cannot be read.
    static QHash<QString, QString> loadCountryCodes(const QString& jsonPath);

private:
    bool openDisplay();

    QString m_statPath;
    QString m_meminfoPath;
    long m_ticksPerSecond;
    _XDisplay* m_display = nullptr;
    bool m_displayTried = false;
    bool m_hasXkb = false;
    unsigned long m_rulesAtom = 0;
};
