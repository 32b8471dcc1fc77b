#!/usr/bin/env bash
# Runs the program on a private X server with a freshly provisioned data
# directory and prints the processor time it used while left alone, as a
# percentage of one core (user + system time from /proc/<pid>/stat). Side by
# side, over the same seconds, it measures bare_clock (a Qt program that only
# shows a ticking clock) started in the mode the program gives itself, and
# prints the ratio.
#
# Usage: bench/idle_cpu.sh BUILD_DIR/OrvoWidgets [SECONDS]   (default 60)
# orvo-provision is expected next to the executable, bare_clock in bench/
# below it (without it only the program is measured).
set -euo pipefail

if [[ $# -lt 1 || ! -x $1 ]]; then
    echo "usage: $0 PATH/TO/OrvoWidgets [SECONDS]" >&2
    exit 2
fi
exe=$(readlink -f "$1")
seconds=${2:-60}
settle=5
provision="$(dirname "$exe")/orvo-provision"
for tool in Xvfb "$provision"; do
    command -v "$tool" >/dev/null || { echo "$0: $tool not found" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
    [[ -n ${bare_pid:-} ]] && kill "$bare_pid" 2>/dev/null && wait "$bare_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$provision" >/dev/null

# -displayfd: the server picks a free display and writes its number once it
# accepts clients.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x800x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    sleep 0.1
done
[[ -s $work/display ]] || { echo "$0: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
command -v setxkbmap >/dev/null && setxkbmap -layout us,ru || true

QT_QPA_PLATFORM=xcb "$exe" >"$work/app.log" 2>&1 &
app_pid=$!
bare="$(dirname "$exe")/bench/bare_clock"
bare_pid=""
if [[ -x $bare ]]; then
    QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=${QT_XCB_GL_INTEGRATION:-none} \
        QT_QUICK_BACKEND=${QT_QUICK_BACKEND:-software} "$bare" >"$work/bare.log" 2>&1 &
    bare_pid=$!
fi

hz=$(getconf CLK_TCK)
# utime + stime in clock ticks; the fields after the ")" that ends the name.
cpu_ticks() {
    local stat rest
    stat=$(<"/proc/$1/stat")
    rest=${stat##*) }
    read -r -a f <<<"$rest"
    echo $((f[11] + f[12]))
}
now() { date +%s.%N; }

sleep "$settle"
kill -0 "$app_pid" 2>/dev/null || { echo "$0: the program ended early" >&2; cat "$work/app.log" >&2; exit 1; }
start_ticks=$(cpu_ticks "$app_pid")
[[ -n $bare_pid ]] && bare_start=$(cpu_ticks "$bare_pid")
start_time=$(now)
sleep "$seconds"
kill -0 "$app_pid" 2>/dev/null || { echo "$0: the program ended during the run" >&2; exit 1; }
end_ticks=$(cpu_ticks "$app_pid")
[[ -n $bare_pid ]] && bare_end=$(cpu_ticks "$bare_pid")
end_time=$(now)

awk -v s="$start_ticks" -v e="$end_ticks" -v t0="$start_time" -v t1="$end_time" -v hz="$hz" \
    -v startup="$start_ticks" -v settle="$settle" 'BEGIN {
    cpu = (e - s) / hz; wall = t1 - t0;
    printf "start-up (first %d s): %.2f s CPU\n", settle, startup / hz;
    printf "idle for %.1f s:       %.3f s CPU = %.3f %% of one core\n", wall, cpu, 100 * cpu / wall;
}'
if [[ -n $bare_pid ]]; then
    awk -v s="$bare_start" -v e="$bare_end" -v p0="$start_ticks" -v p1="$end_ticks" -v t0="$start_time" \
        -v t1="$end_time" -v hz="$hz" 'BEGIN {
        cpu = (e - s) / hz; wall = t1 - t0; prog = (p1 - p0) / hz;
        printf "bare_clock, same time: %.3f s CPU = %.3f %% of one core\n", cpu, 100 * cpu / wall;
        if (cpu > 0) printf "ratio OrvoWidgets/bare_clock: %.2f\n", prog / cpu;
        else printf "ratio OrvoWidgets/bare_clock: bare_clock used no measurable time\n";
    }'
fi
