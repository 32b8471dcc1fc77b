#!/bin/sh
# Runs TEST FUNCTION in a network namespace (10.231.0.1) joined by a veth pair to a second one (10.231.0.2, at
# $ORVO_PEER_NETNS); both go with it, so nothing reaches this machine's network. 77: namespaces cannot be made.
set -eu
unshare -n true 2>/dev/null || { echo "SKIP: no network namespace can be made here (root and iproute2 are needed)"; exit 77; }
ORVO_HOST_NETNS=$(readlink /proc/self/ns/net) exec unshare -n sh -ec '
ip link set lo up
unshare -n sleep 600 &
peer=$!
trap "kill $peer" EXIT
while [ "$(readlink /proc/$peer/ns/net)" = "$(readlink /proc/self/ns/net)" ]; do sleep 0.01; done
ip link add home type veth peer name peer netns $peer
ip addr add 10.231.0.1/24 dev home; ip link set home up; ip route add default dev home
nsenter --net=/proc/$peer/ns/net sh -ec "ip link set lo up; ip addr add 10.231.0.2/24 dev peer; ip link set peer up; ip route add default dev peer"
until ip link show home | grep -q LOWER_UP; do sleep 0.05; done
ORVO_PEER_NETNS=/proc/$peer/ns/net "$0" "$1"' "$1" "$2"
