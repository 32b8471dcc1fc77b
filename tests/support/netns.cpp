#include "netns.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

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
    QProcess process;  // kills a script that hangs
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    const bool finished = process.waitForFinished(120000);
    *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void enter(int fd)
{
    if (setns(fd, CLONE_NEWNET) != 0)
        qFatal("cannot switch network namespaces");
}

// In the child, which refuses to go on in the caller's namespace: what went wrong, if anything.
QString addPeerNamespace()
{
    if (ownNamespace() == qgetenv(kParent))
        return QStringLiteral("still in the caller's network namespace");
    homeFd = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (homeFd < 0 || unshare(CLONE_NEWNET) != 0)
        return QStringLiteral("cannot make a second network namespace");
    peerFd = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    enter(homeFd);
    QString output;
    const QString veth = QStringLiteral(
        "set -e; peer=/proc/%1/fd/%2\n"
        "ip link add home type veth peer name peer netns $peer\n"
        "ip addr add %3/24 dev home; ip link set home up; ip route add default dev home\n"
        "nsenter --net=$peer sh -ec 'ip link set lo up; ip addr add %4/24 dev peer; ip link set peer up; "
        "ip route add default dev peer'\n"
        "for i in $(seq 200); do ip link show home | grep -q LOWER_UP && exit 0; sleep 0.05; done; exit 1");
    const bool up = sh(veth.arg(getpid()).arg(peerFd).arg(QLatin1String(kHome), QLatin1String(kPeer)), &output);
    return up ? QString() : QStringLiteral("the veth pair did not come up: ") + output;
}

}  // namespace

bool inOwnNamespace()
{
    if (qEnvironmentVariableIsSet(kParent)) {
        const QString error = addPeerNamespace();
        return QTest::qVerify(error.isEmpty(), "inOwnNamespace()", qPrintable(error), __FILE__, __LINE__);
    }
    qputenv(kParent, ownNamespace());
    QString output;
    const QString command = QStringLiteral("exec unshare -n -- sh -ec 'ip link set lo up; exec \"$0\" \"$1\"' '%1' %2");
    const bool ran = sh(command.arg(QCoreApplication::applicationFilePath(), QTest::currentTestFunction()), &output);
    qunsetenv(kParent);
    // A test that never started could not have a working namespace made.
    if (!output.contains(QLatin1String("Start testing"))) {
        output.prepend(QStringLiteral("no network namespace can be made here (root and iproute2 are needed): "));
        QTest::qSkip(qPrintable(output.trimmed()), __FILE__, __LINE__);
        return false;
    }
    const bool passed = ran && output.contains(QLatin1String(" passed, 0 failed, 0 skipped"));
    QTest::qVerify(passed, "the test in its own namespace", qPrintable(output), __FILE__, __LINE__);
    return false;
}

void inPeer(const std::function<void()>& work)
{
    enter(peerFd);
    work();
    enter(homeFd);
}

}  // namespace netns
