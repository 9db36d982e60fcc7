#!/usr/bin/env bash
# Start-up of tavo-utility to a shown window, and its resident memory at that moment.
# Goals: below 0.5 s and below 60 MB. Runs the utility N times (default 5) headless
# (offscreen) and, where xvfb-run is present, under a real X server, and prints the
# median of each figure; under Xvfb it also saves a picture of the real window.
# The CPU figure (user + system time of the process until shown) is the one to compare
# on a busy machine; the wall-clock ones grow with the load. launch->exit under Xvfb
# includes starting the X server. It runs the testing build of the utility (the same
# program with --print-startup-ms and --screenshot), made with -DTAVO_TEST_HOOKS=ON.
#   bench/startup.sh [BUILD_DIR] [RUNS]      (BUILD_DIR default: build/release)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/release}" 2>/dev/null && pwd) || { echo "startup.sh: no build folder ${1:-$here/build/release}" >&2; exit 2; }
runs=${2:-5}
utility="$build/src/app/tavo-utility-testing"
[ -x "$utility" ] || { echo "startup.sh: no $utility (build it first: cmake -S . -B $build -DTAVO_TEST_HOOKS=ON && cmake --build $build --target tavo-utility-testing)" >&2; exit 2; }

work=$(mktemp -d /tmp/tavo-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"   # the benchmark never touches the operator's profile
# Loopback only: the utility opens no device traffic at start-up, but stays pointed away
# from the real network all the same.
link=(--device-port 10240 --bootp-server-port 0 --bootp-client-port 10068 --broadcast 127.255.255.255)

col() { awk -v c="$1" '{print $c}' "$work/figures" | median; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else print v[int((NR + 1) / 2)] }'; }

# One series: prints the medians of main-to-shown, process-to-shown, launch-to-exit and RSS.
series() {
    local label=$1; shift
    : >"$work/figures"
    for _ in $(seq "$runs"); do
        local t0 t1 line
        t0=$(date +%s%N)
        line=$( (cd "$work" && "$@" "$utility" "${link[@]}" --print-startup-ms 2>/dev/null) | grep '^startup ' || true)
        t1=$(date +%s%N)
        [ -n "$line" ] || { echo "$label: no figures (did the utility start?)" >&2; return 1; }
        echo "$line $(( (t1 - t0) / 1000000 ))" >>"$work/figures"
    done
    printf '%-10s main->shown %s ms  process->shown %s ms  CPU %s ms  VmRSS %s kB  launch->exit %s ms (%d runs)\n' \
        "$label" "$(col 3)" "$(col 5)" "$(col 9)" "$(col 7)" "$(col 10)" "$runs"
}

mkdir -p "$work/config"
QT_QPA_PLATFORM=offscreen series offscreen env
if command -v xvfb-run >/dev/null; then
    series xvfb env -u QT_QPA_PLATFORM xvfb-run -a
    shot=${TAVO_SCREENSHOT:-/tmp/tavo-utility-xvfb.png}
    (cd "$work" && env -u QT_QPA_PLATFORM xvfb-run -a "$utility" "${link[@]}" --screenshot "$shot" \
        --close-after-ms 1500 >/dev/null 2>&1) || true
    [ -s "$shot" ] && echo "picture of the window under Xvfb: $shot"
else
    echo "xvfb-run not found: the real-window series is skipped" >&2
fi
