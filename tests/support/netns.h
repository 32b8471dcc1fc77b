#pragma once

#include <QHostAddress>
#include <QString>
#include <functional>

// Network namespaces of a test's own, for tests that broadcast or send to
// anything but 127.0.0.1: such traffic must never leave through this
// machine's own network.
//
// A test function calls `enterOwnNetworkNamespace` first. In the test
// process it re-runs this executable for that one function under
// `unshare -n`, waits for it and reports its result; the function body then
// runs only in that child, whose namespace, links and addresses vanish with
// it, however it ends.
namespace netns {

struct Entry
{
    enum State {
        Inside,       // this process runs in a namespace of its own: go on
        Finished,     // the child ran the function; `passed` tells the result
        Unavailable,  // namespaces cannot be created here; `detail` says why
    };
    State state = Unavailable;
    bool passed = false;
    QString detail;  // the child's output when it failed, or why unavailable
};

Entry enterOwnNetworkNamespace(const char* testFunction);

// Two namespaces joined by a veth pair: the process's own namespace with
// `home()` and a second one with `away()`. Both send every address, the
// broadcast address included, over the pair. Built inside the namespace
// that `enterOwnNetworkNamespace` created.
class VethPair
{
public:
    VethPair();
    ~VethPair();
    VethPair(const VethPair&) = delete;
    VethPair& operator=(const VethPair&) = delete;

    // Empty when the pair is ready.
    QString error() const { return m_error; }

    static QHostAddress home() { return QHostAddress(QStringLiteral("10.231.0.1")); }
    static QHostAddress away() { return QHostAddress(QStringLiteral("10.231.0.2")); }

    // Runs `work` with the calling thread in the second namespace: sockets
    // created (bound) there stay there.
    void inAway(const std::function<void()>& work);

private:
    bool run(const QString& program, const QStringList& arguments);

    int m_home = -1;
    int m_away = -1;
    QString m_error;
};

}  // namespace netns
