#!/usr/bin/env bash
# Cross-builds the Windows layer with the mingw-w64 compiler, checks that its
# adapter compiles against the toolkit's headers, and runs the core's checks
# under Wine on a private X server.
#   run.sh SOURCE_DIR OUTPUT_DIR QT_INCLUDE_DIRS(;-separated)
set -euo pipefail
SRC="$1"
OUT="$2"
IFS=';' read -r -a QT_INCLUDES <<< "${3:-}"
mkdir -p "$OUT"

need() {
  echo "missing $1 (Debian package $2, listed in scripts/debian-packages.txt)" >&2
  exit 1
}
CXX="$(command -v x86_64-w64-mingw32-g++-win32 || command -v x86_64-w64-mingw32-g++ || true)"
[ -n "$CXX" ] || need "the mingw-w64 C++ compiler" g++-mingw-w64-x86-64-win32
WINE="$(command -v wine64 || true)"
[ -n "$WINE" ] || { [ -x /usr/lib/wine/wine64 ] && WINE=/usr/lib/wine/wine64; } || need wine64 wine64
WINESERVER="$(dirname "$WINE")/wineserver"
[ -x "$WINESERVER" ] || WINESERVER="$(command -v wineserver)"
command -v Xvfb > /dev/null || need Xvfb xvfb

FLAGS=(-std=c++17 -Wall -Wextra -Wpedantic -Werror -I"$SRC")

# The adapter needs the toolkit, which Debian does not ship for this
# compiler; its headers are plain enough to check the adapter's syntax.
includes=()
for dir in "${QT_INCLUDES[@]}"; do
  # The host's make spec describes the host's compiler, not this one.
  [[ "$dir" == */mkspecs/* ]] || includes+=(-isystem "$dir")
done
"$CXX" "${FLAGS[@]}" -fsyntax-only "${includes[@]}" "$SRC/platform/win/winplatform.cpp"
echo "PASS  the adapter compiles for Windows"

# Static, so that Wine needs none of the compiler's own libraries.
"$CXX" "${FLAGS[@]}" -O1 -municode -static -o "$OUT/tst_winsystem.exe" \
  "$SRC/platform/win/winsystem.cpp" "$SRC/tests/win/tst_winsystem.cpp" -liphlpapi -lws2_32

# A prefix of our own, kept between runs (its first start takes some
# seconds); no prompts for the .NET and HTML runtimes, no debug chatter.
export WINEPREFIX="$OUT/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# A server of an earlier run that was cut short would still hold its display.
"$WINESERVER" -k 2> /dev/null || true

# user32 needs a display. Xvfb picks a free one and names it on fd 3.
exec 3> "$OUT/display"
Xvfb -displayfd 3 -nolisten tcp 2> "$OUT/xvfb.log" &
XVFB=$!
exec 3>&-
cleanup() {
  "$WINESERVER" -k 2> /dev/null || true
  kill "$XVFB" 2> /dev/null || true
  wait "$XVFB" 2> /dev/null || true
}
trap cleanup EXIT
trap 'exit 1' INT TERM
for _ in $(seq 100); do
  [ -s "$OUT/display" ] && break
  sleep 0.1
done
[ -s "$OUT/display" ] || { echo "Xvfb did not start" >&2; cat "$OUT/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$OUT/display")"

# Output through a file: the checks give up their console near the end.
status=0
# Wine takes the user locale, English (United States), from the variables.
LC_ALL=en_US.UTF-8 timeout 60 "$WINE" "$OUT/tst_winsystem.exe" > "$OUT/tst_winsystem.log" 2>&1 || status=$?
cat "$OUT/tst_winsystem.log"
exit "$status"
