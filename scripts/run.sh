#!/usr/bin/env bash
# Installs what is missing, builds, prepares orvo.db and starts OrvoWidgets.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ORVO_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No desktop session (DISPLAY is not set): built and prepared, not started." >&2
  exit 1
fi
nohup "$BUILD/OrvoWidgets" > /dev/null 2>&1 &
echo "OrvoWidgets started (pid $!): look for its icon in the notification area."
