#!/bin/bash
# commission-batch.sh - the commissioning line with one device alone and with a batch,
# same image, same pace, in the same run: `tavo commission` against one tavo-sim process
# on loopback (ports of its own, broadcasts to 127.255.255.255 only; no root needed).
#
# usage: bench/commission-batch.sh
#   N=100        devices of the batch          BLOCKS=200  blocks of the image
#   PACE=300     milliseconds between blocks   BUILD=<Release build folder>
# Prints, for one device and for the batch: the line's wall time, the slowest device's
# seconds (BootP reply to its report line), the line's CPU share of one core, its peak
# memory, and the verified devices and re-sent blocks of the report.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
BUILD=${BUILD:-$ROOT/build-bench-rel}
N=${N:-100}
BLOCKS=${BLOCKS:-200}
PACE=${PACE:-300}
T=$(mktemp -d /tmp/commission-batch.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$T"' EXIT

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target tavo tavo-sim >/dev/null
TAVO=$BUILD/src/cli/tavo
SIM=$BUILD/tools/sim/tavo-sim
LINK=(--device-port 21024 --bootp-server-port 21067 --bootp-client-port 21068 --broadcast 127.255.255.255)

head -c $((BLOCKS * 256)) /dev/urandom >"$T/image.TAV"
printf '# the batch settings\n21 5A\n3C 0F\n40 01\n' >"$T/registers.txt"

run_line() {  # DEVICES
    local k=$1 data="$T/data-$1"
    mkdir -p "$data"
    "$SIM" --port 21024 --bootp-server-port 21067 --bootp-client-port 21068 --broadcast 127.255.255.255 \
        --bootp-interval-ms 500 --bootp-max-requests 2000 --max-seconds 1200 \
        --macs-from 02:4B:7E:30:00:00 --count "$k" >"$T/sim-$k.log" 2>&1 &
    local sim=$!
    for _ in $(seq 100); do grep -q "^ready port" "$T/sim-$k.log" && break; sleep 0.1; done
    /usr/bin/time -f "%e %U %S %M" -o "$T/time-$k" "$TAVO" commission --image "$T/image.TAV" \
        --registers "$T/registers.txt" --ip-pool 127.0.1.1-127.0.1.250 --report "$T/report-$k.csv" \
        --data-dir "$data" --pace-ms "$PACE" --devices "$k" --max-seconds 1200 "${LINK[@]}" >"$T/line-$k.log" 2>&1 || true
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    read -r wall user sys rss <"$T/time-$k"
    /usr/bin/python3 - "$T/report-$k.csv" "$k" "$wall" "$user" "$sys" "$rss" <<'PY'
import csv, sys
path, k, wall, user, sys_, rss = sys.argv[1], int(sys.argv[2]), *map(float, sys.argv[3:])
rows = list(csv.DictReader(open(path, newline="")))
verified = sum(r["outcome"] == "verified" for r in rows)
resent = sum(int(r["blocks_resent"]) for r in rows)
slowest = max(float(r["seconds"]) for r in rows) if rows else 0
print(f"{k:4d} devices: wall {wall:7.1f} s, slowest device {slowest:6.1f} s, CPU {100*(user+sys_)/wall:5.2f} % of a core, "
      f"peak {rss/1024:6.1f} MB, {verified}/{k} verified, {resent} blocks re-sent")
PY
}

echo "image: $BLOCKS blocks ($((BLOCKS * 256)) bytes), pace $PACE ms; $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)"
run_line 1
run_line "$N"
