#include "netns.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace netns {
namespace {

const char kParent[] = "ORVO_TEST_NETNS_PARENT";  // the test process's namespace
int homeFd = -1;
int peerFd = -1;

QByteArray ownNamespace()
{
    struct stat st {};
    return stat("/proc/thread-self/ns/net", &st) == 0 ? QByteArray::number(qulonglong(st.st_ino)) : QByteArray();
}

bool sh(const QString& script, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    const bool finished = process.waitForFinished(120000);
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace

Run runInOwnNamespace(const char* testFunction)
{
    Run run;
    const QByteArray parent = qgetenv(kParent);
    if (!parent.isEmpty()) {
        run.inside = ownNamespace() != parent && sh(QStringLiteral("ip link set lo up"), &run.detail);
        run.detail.prepend(QStringLiteral("not in a working network namespace of its own: "));
        return run;
    }
    if (!sh(QStringLiteral("unshare -n ip link set lo up"), &run.detail)) {
        run.skip = true;
        run.detail.prepend(QStringLiteral("network namespaces cannot be made here (root or CAP_SYS_ADMIN, unshare "
                                          "and iproute2 are needed), so this test does not run: "));
        return run;
    }
    qputenv(kParent, ownNamespace());
    run.passed = sh(QStringLiteral("exec unshare -n -- '%1' %2")
                        .arg(QCoreApplication::applicationFilePath(), QLatin1String(testFunction)),
                    &run.detail) &&
                 run.detail.contains(QRegularExpression(QStringLiteral("Totals: \\d+ passed, 0 failed, 0 skipped")));
    qunsetenv(kParent);
    return run;
}

QString addPeerNamespace()
{
    homeFd = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (homeFd < 0 || unshare(CLONE_NEWNET) != 0)
        return QStringLiteral("cannot make a second network namespace");
    peerFd = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (setns(homeFd, CLONE_NEWNET) != 0)
        qFatal("cannot return to the test's own network namespace");
    QString output;
    const bool ok = sh(QStringLiteral(
        "set -e; peer=/proc/%1/fd/%2\n"
        "ip link add home type veth peer name peer netns $peer\n"
        "ip addr add %3/24 dev home; ip link set home up; ip route add default dev home\n"
        "nsenter --net=$peer sh -ec 'ip link set lo up; ip addr add %4/24 dev peer; ip link set peer up; "
        "ip route add default dev peer'\n"
        "for i in $(seq 200); do ip link show home | grep -q LOWER_UP && exit 0; sleep 0.05; done; exit 1")
                           .arg(getpid()).arg(peerFd).arg(QLatin1String(kHome), QLatin1String(kPeer)),
                       &output);
    return ok ? QString() : QStringLiteral("the veth pair did not come up: ") + output;
}

void inPeer(const std::function<void()>& work)
{
    if (setns(peerFd, CLONE_NEWNET) != 0)
        qFatal("cannot enter the peer network namespace");
    work();
    if (setns(homeFd, CLONE_NEWNET) != 0)
        qFatal("cannot return to the test's own network namespace");
}

}  // namespace netns
