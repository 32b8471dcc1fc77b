#pragma once

#include <QString>
#include <functional>

// Network namespaces of a test's own, for tests that broadcast or send to
// anything but 127.0.0.1: such traffic must never reach this machine's own
// network. `runInOwnNamespace` re-runs the calling test function in a child
// under `unshare -n`; its namespace, links and addresses vanish with it,
// however it ends.
namespace netns {

struct Run
{
    bool inside = false;  // this is the child: go on with the test
    bool skip = false;    // namespaces cannot be made here; `detail` says why
    bool passed = false;  // the child's result, whose output is in `detail`
    QString detail;
};
Run runInOwnNamespace(const char* testFunction);

// In the child: a second namespace joined to this one by a veth pair, this
// side kHome, the other kPeer, each routing every address (broadcasts too)
// over the pair. Returns what went wrong, empty on success.
inline const char kHome[] = "10.231.0.1";
inline const char kPeer[] = "10.231.0.2";
QString addPeerNamespace();
// Runs `work` with the thread in the peer namespace: sockets bound there
// stay there.
void inPeer(const std::function<void()>& work);

}  // namespace netns
