#!/bin/bash
# bootp-compare.sh - `tavo bootp serve` against dnsmasq on the same BootP load, in the
# same run, with the shared load harness (two private network namespaces, a C load
# generator; see its README). Needs root for the namespaces; nothing leaves them.
#
# usage: bench/bootp-compare.sh            (K=1000 and K=5000 hosts, W=1)
#   KS="1000 5000"  host counts          N=20000  requests per run
#   REPS=3          runs per server      W=1      requests in flight
#   SERVERS="dnsmasq-quiet dnsmasq-log tavo tavo-quiet tavo-log"
#                   (tavo-log: --quiet with the request log, --log FILE)
#   HARNESS=<folder of run.sh>           BUILD=<Release build folder of tavo>
#   RT=1            run the harness (server and load alike) under SCHED_FIFO priority 10,
#                   so that other work on a busy machine does not decide the latencies
# Prints the harness's median table (throughput, p50, p90, p99, max, lost); the raw
# RESULT lines are in $BL_TMP/compare-results.txt.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/.." && pwd)
HARNESS=${HARNESS:-$(cd "$ROOT/../shared/bench/bootp-load" 2>/dev/null && pwd || echo /work/shared/bench/bootp-load)}
BUILD=${BUILD:-$ROOT/build-bootp-rel}
KS=${KS:-"1000 5000"}
N=${N:-20000}
REPS=${REPS:-3}
W=${W:-1}
RT=${RT:-0}
PREFIX=()
[ "$RT" = 1 ] && PREFIX=(chrt -f 10)
SERVERS=${SERVERS:-"dnsmasq-quiet dnsmasq-log tavo tavo-quiet tavo-log"}
export BL_TMP=${BL_TMP:-/tmp/bootp-compare}
T=$BL_TMP
mkdir -p "$T"

[ "$(id -u)" = 0 ] || { echo "bootp-compare: needs root (the harness makes network namespaces)"; exit 1; }
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target tavo >/dev/null
TAVO=$BUILD/src/cli/tavo

# "bootp.ini" with the harness's hosts: device i has MAC 02:4B:7E + (1 + i) and the
# address 10.77.0.16 + i, in a /19 as the dnsmasq range, gateway 10.77.0.1.
make_table() {  # K DIR
    mkdir -p "$2"
    /usr/bin/python3 - "$1" "$2/bootp.ini" <<'PY'
import ipaddress, sys
k, path = int(sys.argv[1]), sys.argv[2]
def aligned(ip):
    return ".".join("%3d" % int(o) for o in str(ip).split("."))
with open(path, "w", newline="") as f:
    for i in range(k):
        m = 1 + i
        mac = "024B7E%02X%02X%02X" % (m >> 16, (m >> 8) & 0xFF, m & 0xFF)
        ip = ipaddress.IPv4Address(int(ipaddress.IPv4Address("10.77.0.0")) + 16 + i)
        f.write("\r\n[%d]\r\nHType : 1 \r\nhlen : 6 \r\nIP : %s \r\nMAC : %s \r\nGateway : %s \r\nSubnet : %s\r\n"
                % (i + 1, aligned(ip), mac, aligned("10.77.0.1"), aligned("255.255.224.0")))
PY
}

RES=$T/compare-results.txt
: >"$RES"
for K in $KS; do
    "$HARNESS/mkhosts.py" "$K" --fmt dnsmasq >"$T/dnsmasq-$K.conf"
    make_table "$K" "$T/tavo-$K"
    LOADS=(-l "-n $K -k $K -w $W -t 120 -q")   # first contact of every MAC
    for _ in $(seq "$REPS"); do LOADS+=(-l "-n $N -k $K -w $W -t 60 -q"); done
    for S in $SERVERS; do
        rm -f "$T/dnsmasq.leases"
        DNSMASQ=(dnsmasq --no-daemon --conf-file="$T/dnsmasq-$K.conf" --port=0 --no-resolv
                 --no-hosts --interface=blpc0 --dhcp-range=10.77.0.0,static,255.255.224.0
                 --dhcp-broadcast --no-ping --dhcp-leasefile="$T/dnsmasq.leases"
                 --pid-file="$T/dnsmasq.pid" --dhcp-lease-max="$K" --log-facility=-)
        case $S in
        dnsmasq-quiet) CMD=("${DNSMASQ[@]}" --quiet-dhcp) ;;
        dnsmasq-log)   CMD=("${DNSMASQ[@]}") ;;
        tavo)          CMD=("$TAVO" bootp serve --data-dir "$T/tavo-$K" --interface blpc0) ;;
        tavo-quiet)    CMD=("$TAVO" bootp serve --data-dir "$T/tavo-$K" --interface blpc0 --quiet) ;;
        tavo-log)      rm -f "$T/requests-$K.jsonl"
                       CMD=("$TAVO" bootp serve --data-dir "$T/tavo-$K" --interface blpc0 --quiet
                            --log "$T/requests-$K.jsonl") ;;
        *) echo "unknown server $S"; exit 2 ;;
        esac
        echo "== $S K=$K" >&2
        "${PREFIX[@]}" "$HARNESS/run.sh" "${LOADS[@]}" "${CMD[@]}" |
            awk -v s="$S" -v k="$K" '/^---- bootpload/ {run=substr($0,15)} /^RESULT/ {print s, k, "[" run "]", $0}' >>"$RES"
        cp "$T/server.log" "$T/server-$S-$K.log"
    done
done
/usr/bin/python3 "$HARNESS/summarize.py" "$RES"
