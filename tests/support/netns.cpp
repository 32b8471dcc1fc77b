#include "netns.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netns {

namespace {

// Set in the child: the namespace of the test process that started it, which
// the child must not be in.
const char kParentVariable[] = "ORVO_TEST_NETNS_PARENT";
const int kChildTimeoutMs = 120000;

QByteArray currentNamespace()
{
    struct stat st {};
    if (stat("/proc/thread-self/ns/net", &st) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(st.st_ino));
}

// Runs a program to its end; false with its output in `why` otherwise.
bool runToEnd(const QString& program, const QStringList& arguments, QString* why)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        *why = QStringLiteral("%1 cannot be started: %2").arg(program, process.errorString());
        return false;
    }
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        *why = QStringLiteral("%1 did not finish").arg(program);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *why = QStringLiteral("%1 %2: %3")
                   .arg(program, arguments.join(QLatin1Char(' ')),
                        QString::fromLocal8Bit(process.readAll()).trimmed());
        return false;
    }
    return true;
}

}  // namespace

Entry enterOwnNetworkNamespace(const char* testFunction)
{
    Entry entry;
    const QByteArray parent = qgetenv(kParentVariable);
    if (!parent.isEmpty()) {
        const QByteArray own = currentNamespace();
        if (own.isEmpty() || own == parent) {
            entry.state = Entry::Finished;
            entry.detail = QStringLiteral("refusing to run: not in a network namespace of its own");
            return entry;
        }
        // A new namespace starts with its loopback down.
        QString why;
        if (!runToEnd(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                                             QStringLiteral("up")},
                      &why)) {
            entry.state = Entry::Finished;
            entry.detail = why;
            return entry;
        }
        entry.state = Entry::Inside;
        entry.passed = true;
        return entry;
    }

    QString why;
    if (!runToEnd(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("ip"), QStringLiteral("link"),
                                              QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")},
                  &why)) {
        entry.detail = QStringLiteral("network namespaces cannot be created here (needs root or CAP_SYS_ADMIN, "
                                      "unshare and iproute2), so this test does not run: ") + why;
        return entry;
    }

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QLatin1String(kParentVariable), QString::fromLatin1(currentNamespace()));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("--"),
                                            QCoreApplication::applicationFilePath(),
                                            QString::fromLatin1(testFunction)});
    entry.state = Entry::Finished;
    if (!child.waitForFinished(kChildTimeoutMs)) {
        child.kill();
        child.waitForFinished();
        entry.detail = QStringLiteral("timed out in its namespace:\n") + QString::fromLocal8Bit(child.readAll());
        return entry;
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    // The function must have run and passed, not been skipped or missed.
    static const QRegularExpression totals(QStringLiteral("Totals: \\d+ passed, 0 failed, 0 skipped"));
    entry.passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                   totals.match(output).hasMatch();
    entry.detail = QStringLiteral("in its own network namespace:\n") + output;
    return entry;
}

VethPair::VethPair()
{
    const QString homeLink = QStringLiteral("orvo-home");
    const QString awayLink = QStringLiteral("orvo-away");
    if (!run(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("add"), homeLink, QStringLiteral("type"),
                                    QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"),
                                    awayLink}))
        return;

    m_home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (m_home < 0 || unshare(CLONE_NEWNET) != 0) {
        m_error = QStringLiteral("cannot create the second namespace");
        return;
    }
    m_away = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (setns(m_home, CLONE_NEWNET) != 0)
        qFatal("cannot return to the test's own network namespace");
    if (m_away < 0) {
        m_error = QStringLiteral("cannot hold the second namespace");
        return;
    }

    const QString awayPath = QStringLiteral("/proc/%1/fd/%2").arg(getpid()).arg(m_away);
    const QString homeCidr = home().toString() + QLatin1String("/24");
    const QString awayCidr = away().toString() + QLatin1String("/24");
    const bool ok =
        run(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), awayLink, QStringLiteral("netns"),
                                   awayPath}) &&
        run(QStringLiteral("ip"), {QStringLiteral("addr"), QStringLiteral("add"), homeCidr, QStringLiteral("dev"),
                                   homeLink}) &&
        run(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"), homeLink, QStringLiteral("up")}) &&
        run(QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("default"),
                                   QStringLiteral("dev"), homeLink}) &&
        run(QStringLiteral("nsenter"), {QStringLiteral("--net=") + awayPath, QStringLiteral("sh"),
                                        QStringLiteral("-c"),
                                        QStringLiteral("ip link set lo up && ip addr add %1 dev %2 && "
                                                       "ip link set %2 up && ip route add default dev %2")
                                            .arg(awayCidr, awayLink)});
    if (!ok)
        return;

    // Datagrams sent before the pair carries are dropped.
    QElapsedTimer waited;
    waited.start();
    QString state;
    while (waited.elapsed() < 10000) {
        QProcess show;
        show.start(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("show"), homeLink});
        show.waitForFinished(5000);
        state = QString::fromLocal8Bit(show.readAll());
        if (state.contains(QLatin1String("LOWER_UP")))
            return;
        QThread::msleep(20);
    }
    m_error = QStringLiteral("the veth pair did not come up: ") + state;
}

VethPair::~VethPair()
{
    if (m_away >= 0)
        close(m_away);
    if (m_home >= 0)
        close(m_home);
}

void VethPair::inAway(const std::function<void()>& work)
{
    if (setns(m_away, CLONE_NEWNET) != 0)
        qFatal("cannot enter the second network namespace");
    work();
    if (setns(m_home, CLONE_NEWNET) != 0)
        qFatal("cannot return to the test's own network namespace");
}

bool VethPair::run(const QString& program, const QStringList& arguments)
{
    QString why;
    if (runToEnd(program, arguments, &why))
        return true;
    m_error = why;
    return false;
}

}  // namespace netns
