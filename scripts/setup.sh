#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the missing Debian packages,
# builds, and prepares the database in the user's data directory (an
# existing orvo.db is left untouched).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ORVO_BUILD_DIR:-$ROOT/build}"

packages=()
while read -r line; do
  line="${line%%#*}"
  line="$(echo "$line" | xargs)"
  [ -n "$line" ] && packages+=("$line")
done < "$ROOT/scripts/debian-packages.txt"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE="${ORVO_BUILD_TYPE:-RelWithDebInfo}" > /dev/null
cmake --build "$BUILD" -j"$(nproc)"

"$BUILD/orvo-provision" > /dev/null
