#pragma once

#include <QDateTime>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the gadgets need from the operating system, behind one interface so
// that their own logic can be driven by a fake in tests.
class Platform
{
public:
    virtual ~Platform();

    // Processor times since boot in 100-ns units: idle, kernel (which
    // includes idle, as on the system this program was first written for)
    // and user. Returns false when no sample could be taken.
    virtual bool processorTimes(qint64& idle, qint64& kernel, qint64& user) = 0;

    // Percentage of physical memory in use. Returns false when unknown.
    virtual bool memoryLoad(int& percent) = 0;

    // Three-letter country abbreviation of the active keyboard layout
    // ("USA", "RUS"), or empty when it cannot be told.
    virtual QString keyboardLayoutCountry() = 0;

    // What to tell the user once, when the clock is built, about a part of
    // the layout indicator the system could not provide; empty when none.
    virtual QString layoutSupportWarning() = 0;

    // Blocks the calling thread.
    virtual void sleepMs(int milliseconds) = 0;

    // Local date and time: the one clock every gadget reads.
    virtual QDateTime currentDateTime() = 0;

    // This machine's IPv4 addresses in dotted-quad form, loopback included,
    // in the system's own order; empty when the list cannot be read.
    virtual QStringList localIPv4Addresses() = 0;

    // The system's message for the last error of the calling thread, white
    // space trimmed; empty when no error is recorded.
    virtual QString lastErrorText() = 0;

    // Names the desktop the program shows on (an X display, a login
    // session), so that each of a user's desktops runs its own program.
    virtual QString desktopName() = 0;

    // Where windows may go: the available area (panels left out) of each
    // attached screen, the primary one first.
    virtual QList<QRect> screenAreas();

    // Whether the X display named by the session takes a connection; on a
    // Wayland desktop that is its X server (XWayland). False where windows
    // are not X windows at all.
    virtual bool hasXDisplay() = 0;

    // Whether the notification area hosts the tray icon as a StatusNotifier
    // item: its panel reports a click as one activation and knows no double
    // click. False for an XEmbed tray, and where the system has only one kind.
    virtual bool trayIsStatusNotifier() = 0;

    // The layer in use: the one installed with setInstance, or the real one
    // of this system, created on first use.
    static Platform& instance();
    // Installs `platform` (not owned); nullptr returns to the real one.
    static void setInstance(Platform* platform);
};

// The real layer of the system the program was built for.
Platform* createSystemPlatform();
