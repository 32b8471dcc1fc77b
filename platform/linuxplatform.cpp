#include "platform/linuxplatform.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QNetworkInterface>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

// Xlib's macros (Bool, None, Status...) clash with Qt's names: keep them last.
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>

namespace {

constexpr qint64 kUnitsPerSecond = 10000000;  // 100-ns units

// Reads at most `limit` bytes; /proc files report no size, so read until EOF.
bool readFile(const QString& path, int limit, QByteArray& out)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out.resize(limit);
    int used = 0;
    bool ok = true;
    while (used < limit) {
        const ssize_t n = ::read(fd, out.data() + used, size_t(limit - used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        used += int(n);
    }
    ::close(fd);
    out.truncate(used);
    return ok;
}

bool toTicks(const QByteArray& field, qint64& value)
{
    if (field.isEmpty())
        return false;
    for (const char c : field) {
        if (c < '0' || c > '9')
            return false;
    }
    bool ok = false;
    value = field.toLongLong(&ok);
    return ok;
}

bool addTicks(qint64& sum, qint64 value)
{
    return !__builtin_add_overflow(sum, value, &sum);
}

// ticks * 10^7 / ticksPerSecond without overflowing on the way.
bool toUnits(qint64 ticks, qint64 ticksPerSecond, qint64& units)
{
    qint64 whole = 0;
    if (__builtin_mul_overflow(ticks / ticksPerSecond, kUnitsPerSecond, &whole))
        return false;
    const qint64 part = (ticks % ticksPerSecond) * kUnitsPerSecond / ticksPerSecond;
    return !__builtin_add_overflow(whole, part, &units);
}

// The value of a "Name:   1234 kB" line; the line must be complete.
bool meminfoField(const QByteArray& text, const QByteArray& name, qint64& value)
{
    int at = -1;
    if (text.startsWith(name))
        at = 0;
    else if ((at = text.indexOf('\n' + name)) >= 0)
        ++at;
    if (at < 0)
        return false;
    const int end = text.indexOf('\n', at);
    if (end < 0)
        return false;
    const QList<QByteArray> parts = text.mid(at + name.size(), end - at - name.size()).simplified().split(' ');
    return toTicks(parts.value(0), value);
}

}  // namespace

Platform* createSystemPlatform()
{
    return new LinuxPlatform();
}

LinuxPlatform::LinuxPlatform(const QString& statPath, const QString& meminfoPath)
    : m_statPath(statPath)
    , m_meminfoPath(meminfoPath)
    , m_ticksPerSecond(sysconf(_SC_CLK_TCK))
{
}

LinuxPlatform::~LinuxPlatform()
{
    if (m_display)
        XCloseDisplay(m_display);
}

bool LinuxPlatform::processorTimes(qint64& idle, qint64& kernel, qint64& user)
{
    // The "cpu" line comes first and is far shorter than this.
    QByteArray text;
    return readFile(m_statPath, 4096, text) && parseProcStat(text, m_ticksPerSecond, idle, kernel, user);
}

bool LinuxPlatform::memoryLoad(int& percent)
{
    QByteArray text;
    return readFile(m_meminfoPath, 65536, text) && parseMeminfo(text, percent);
}

void LinuxPlatform::sleepMs(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

QDateTime LinuxPlatform::currentDateTime()
{
    return QDateTime::currentDateTime();
}

QString LinuxPlatform::layoutSupportWarning()
{
    return QString();
}

QStringList LinuxPlatform::localIPv4Addresses()
{
    QStringList addresses;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                addresses.append(entry.ip().toString());
        }
    }
    return addresses;
}

QString LinuxPlatform::desktopName()
{
    QByteArray name = qgetenv("DISPLAY");
    if (name.isEmpty())
        name = qgetenv("WAYLAND_DISPLAY");
    return QString::fromLocal8Bit(name);
}

bool LinuxPlatform::hasXDisplay()
{
    openDisplay();
    return m_display != nullptr;
}

bool LinuxPlatform::trayIsStatusNotifier()
{
    const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusInterface watcher(watcherName, QStringLiteral("/StatusNotifierWatcher"), watcherName,
                           QDBusConnection::sessionBus());
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

QString LinuxPlatform::lastErrorText()
{
    const int code = errno;
    if (code == 0)
        return QString();
    return QString::fromLocal8Bit(std::strerror(code)).trimmed();
}

bool LinuxPlatform::parseProcStat(const QByteArray& text, long ticksPerSecond, qint64& idle,
                                  qint64& kernel, qint64& user)
{
    // Without the line end the line may have been cut inside a number.
    const int end = text.indexOf('\n');
    if (end < 0 || ticksPerSecond <= 0)
        return false;
    const QList<QByteArray> fields = text.left(end).simplified().split(' ');
    // cpu user nice system idle iowait irq softirq [steal guest guest_nice]
    if (fields.size() < 8 || fields.at(0) != "cpu")
        return false;
    qint64 v[8] = {};
    for (int i = 1; i < fields.size(); ++i) {
        qint64 value = 0;
        if (!toTicks(fields.at(i), value))
            return false;
        if (i <= 8)
            v[i - 1] = value;
    }
    const qint64 userT = v[0], niceT = v[1], systemT = v[2], idleT = v[3], iowaitT = v[4],
                 irqT = v[5], softirqT = v[6], stealT = v[7];
    // guest and guest_nice are already counted in user and nice.
    qint64 userSum = 0, idleSum = 0, kernelSum = 0;
    if (!addTicks(userSum, userT) || !addTicks(userSum, niceT) || !addTicks(idleSum, idleT)
        || !addTicks(idleSum, iowaitT) || !addTicks(kernelSum, systemT) || !addTicks(kernelSum, irqT)
        || !addTicks(kernelSum, softirqT) || !addTicks(kernelSum, stealT) || !addTicks(kernelSum, idleSum))
        return false;
    qint64 idleUnits = 0, kernelUnits = 0, userUnits = 0;
    if (!toUnits(idleSum, ticksPerSecond, idleUnits) || !toUnits(kernelSum, ticksPerSecond, kernelUnits)
        || !toUnits(userSum, ticksPerSecond, userUnits))
        return false;
    idle = idleUnits;
    kernel = kernelUnits;
    user = userUnits;
    return true;
}

bool LinuxPlatform::parseMeminfo(const QByteArray& text, int& percent)
{
    qint64 total = 0, available = 0;
    if (!meminfoField(text, "MemTotal:", total) || !meminfoField(text, "MemAvailable:", available))
        return false;
    if (total <= 0 || available > total)
        return false;
    percent = int((total - available) * 100 / total);
    return true;
}

QString LinuxPlatform::layoutOfGroup(const QByteArray& rulesNames, int group)
{
    const QList<QByteArray> names = rulesNames.split('\0');
    const QList<QByteArray> layouts = names.value(2).split(',');
    if (group < 0 || group >= layouts.size())
        return QString();
    return QString::fromLatin1(layouts.at(group)).trimmed();
}

QHash<QString, QString> LinuxPlatform::loadCountryCodes(const QString& jsonPath)
{
    QHash<QString, QString> codes;
    QFile file(jsonPath);
    if (!file.open(QIODevice::ReadOnly))
        return codes;
    const QJsonArray countries = QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("3166-1")).toArray();
    for (const QJsonValue& entry : countries) {
        const QJsonObject country = entry.toObject();
        const QString alpha2 = country.value(QStringLiteral("alpha_2")).toString();
        const QString alpha3 = country.value(QStringLiteral("alpha_3")).toString();
        if (!alpha2.isEmpty() && !alpha3.isEmpty())
            codes.insert(alpha2, alpha3);
    }
    return codes;
}

QString LinuxPlatform::countryOfLayout(const QString& layout, const QHash<QString, QString>& alpha3)
{
    // A layout may carry its variant in parentheses: "us(intl)".
    QString name = layout.section(QLatin1Char('('), 0, 0).trimmed().toUpper();
    if (name.size() == 2)
        return alpha3.value(name, name);
    return name;
}

QString LinuxPlatform::countryOfLayout(const QString& layout)
{
    static const QHash<QString, QString> codes =
        loadCountryCodes(QStringLiteral("/usr/share/iso-codes/json/iso_3166-1.json"));
    return countryOfLayout(layout, codes);
}

bool LinuxPlatform::openDisplay()
{
    if (!m_displayTried) {
        m_displayTried = true;
        m_display = XOpenDisplay(nullptr);
        if (m_display) {
            int opcode = 0, event = 0, error = 0;
            int major = XkbMajorVersion, minor = XkbMinorVersion;
            m_hasXkb = XkbQueryExtension(m_display, &opcode, &event, &error, &major, &minor);
        }
    }
    return m_display && m_hasXkb;
}

QString LinuxPlatform::keyboardLayoutCountry()
{
    if (!openDisplay())
        return QString();
    XkbStateRec state;
    if (XkbGetState(m_display, XkbUseCoreKbd, &state) != Success)
        return QString();
    // Asking for a property that was never named is an X error, which would
    // end the process: look the atom up without creating it until it exists.
    if (m_rulesAtom == None)
        m_rulesAtom = XInternAtom(m_display, "_XKB_RULES_NAMES", True);
    if (m_rulesAtom == None)
        return QString();
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display, DefaultRootWindow(m_display), m_rulesAtom, 0, 1024, False, XA_STRING,
                           &type, &format, &items, &after, &data)
        != Success)
        return QString();
    QByteArray names;
    if (data && type == XA_STRING && format == 8)
        names = QByteArray(reinterpret_cast<const char*>(data), int(items));
    if (data)
        XFree(data);
    return countryOfLayout(layoutOfGroup(names, state.group));
}
