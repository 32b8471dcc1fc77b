#!/usr/bin/env bash
# The Windows layer: its adapter compiles against Qt's headers (Debian has no Qt for mingw-w64), and its core,
# cross-built, passes its checks under Wine.   run.sh SOURCE_DIR OUTPUT_DIR QT_INCLUDE_DIRS(;-separated)
set -euo pipefail
SRC="$1" OUT="$2"
IFS=';' read -r -a QT_INCLUDES <<< "${3:-}"
CXX=x86_64-w64-mingw32-g++-win32 WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver
for tool in "$CXX" "$WINE" Xvfb; do
  command -v "$tool" > /dev/null || { echo "$tool is missing: see scripts/debian-packages.txt" >&2; exit 1; }
done
mkdir -p "$OUT"

FLAGS=(-std=c++17 -Wall -Wextra -Wpedantic -Werror -I"$SRC")
includes=()
for dir in "${QT_INCLUDES[@]}"; do
  [[ "$dir" == */mkspecs/* ]] || includes+=(-isystem "$dir")  # a mkspec is the host compiler's
done
"$CXX" "${FLAGS[@]}" -fsyntax-only "${includes[@]}" "$SRC/platform/win/winplatform.cpp"
echo "PASS  the adapter compiles for Windows"
# Static, so that Wine needs none of the compiler's own libraries.
"$CXX" "${FLAGS[@]}" -O1 -static -o "$OUT/tst_winsystem.exe" \
  "$SRC/platform/win/winsystem.cpp" "$SRC/tests/win/tst_winsystem.cpp" -liphlpapi -lws2_32

# A prefix of our own, kept between runs (its first start takes seconds); no
# prompts for the .NET and HTML runtimes, no debug chatter.
export WINEPREFIX="$OUT/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$WINESERVER" -k 2> /dev/null || true  # a run cut short may have left one

# user32 needs a display: Xvfb picks a free one and names it on fd 3.
Xvfb -displayfd 3 -nolisten tcp 3> "$OUT/display" 2> /dev/null &
XVFB=$!
trap '"$WINESERVER" -k 2> /dev/null; kill $XVFB; wait $XVFB' EXIT
for _ in $(seq 100); do [ -s "$OUT/display" ] && break; sleep 0.1; done
# Wine takes the user locale (en-US) from the variables.
DISPLAY=":$(head -n1 "$OUT/display")" LC_ALL=en_US.UTF-8 timeout 60 "$WINE" "$OUT/tst_winsystem.exe"
