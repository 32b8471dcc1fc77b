#!/usr/bin/env bash
# Installs what is missing, builds, prepares orvo.db and runs every test.
# The tests use private data directories and their own X servers.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${ORVO_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
cd "$BUILD"
ctest --output-on-failure --timeout 600 -j2
