#pragma once

#include <functional>

// Network namespaces of a test's own, for traffic that must never reach this
// machine's own network (broadcasts, any address but 127.0.0.1).
namespace netns {

// Re-runs the current test function in a child under `unshare -n`, whose
// namespaces vanish with it however it ends. There, and never in the caller's
// namespace, it joins a second namespace by a veth pair (this side kHome, the
// other kPeer, each routing every address over the pair) and returns true.
// Elsewhere it returns false, having recorded the child's result, or a skip
// where namespaces cannot be made.
bool inOwnNamespace();
inline const char kHome[] = "10.231.0.1";
inline const char kPeer[] = "10.231.0.2";

// Runs `work` with the thread in the peer namespace: sockets bound there stay there.
void inPeer(const std::function<void()>& work);

}  // namespace netns
