#!/usr/bin/env bash
# kvquery against Debian's quakestat (qstat) on the same simulated Quake 2
# servers on 127.0.0.1: 1, 20 and 1,000 servers that answer at once or
# after 20 ms, each queried N at a time (kvquery -j N, quakestat -maxsim N
# -sendinterval 0). The two run in turns, RUNS times each; the table shows
# the median wall times and their ratio, kvquery / quakestat (below 1.00:
# kvquery is faster).
#
#   tools/bench/kvquery-vs-qstat.sh [BUILD_DIR]    (default build/bench)
#
# Build first, optimised:
#   cmake --preset bench && cmake --build --preset bench -j2 --target q2sim_cli kvquery
#
# Settings through the environment: SIZES ("1 20 1000"), DELAYS ("0 20"),
# THREADS (N, 10), RUNS (15), BASE_PORT (21000: below the ephemeral ports that other programs' sockets take).
# Exit status: 0 when kvquery's median is no slower than quakestat's at
# every size (within 5 % or 1 ms of noise), 1 when not, 2 when the benchmark
# could not run.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/bench}
sizes=${SIZES:-1 20 1000}
delays=${DELAYS:-0 20}
threads=${THREADS:-10}
runs=${RUNS:-15}
base=${BASE_PORT:-21000}

q2sim=$build/bin/q2sim
kvquery=$build/bin/kvquery
for exe in "$q2sim" "$kvquery"; do
  [ -x "$exe" ] || { echo "kvquery-vs-qstat: $exe is missing; build the bench preset first (see $0)" >&2; exit 2; }
done
command -v quakestat >/dev/null || { echo "kvquery-vs-qstat: quakestat is missing (apt-get install qstat)" >&2; exit 2; }

work=$(mktemp -d)
sim_pid=
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=
  fi
}
trap 'stop_sim; rm -rf "$work"' EXIT

# Starts COUNT servers on ports from $base; when one of those ports is
# taken (by another program's socket), tries further up.
start_sim() { # start_sim COUNT DELAY
  for _ in 1 2 3 4 5; do
    : >"$work/sim.log"
    "$q2sim" --count "$1" --base-port "$base" --delay "$2" --quiet 2>"$work/sim.log" &
    sim_pid=$!
    for _ in $(seq 200); do
      grep -q serving "$work/sim.log" && return 0
      kill -0 "$sim_pid" 2>/dev/null || break
      sleep 0.05
    done
    stop_sim
    base=$((base + 1100))
  done
  cat "$work/sim.log" >&2
  exit 2
}

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
# Wall time of one run in ms; its output goes to the file given.
timed() {
  local out=$1 t0 t1
  shift
  t0=$EPOCHREALTIME
  "$@" >"$out" 2>/dev/null || true
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", (b - a) * 1000 }'
}

echo "kvquery -j N against quakestat -maxsim N -sendinterval 0 -raw ,, N = min($threads, servers); medians of $runs runs"
printf '%7s %6s  %12s %12s  %6s  %s\n' servers delay "kvquery ms" "quakestat ms" ratio answered
status=0
for delay in $delays; do
  for n in $sizes; do
    start_sim "$n" "$delay"
    for ((i = 0; i < n; i++)); do echo "127.0.0.1:$((base + i))"; done >"$work/hosts.txt"
    sed 's/^/Q2S /' "$work/hosts.txt" >"$work/qstat.txt"
    j=$((n < threads ? n : threads))
    : >"$work/kv.times"
    : >"$work/qs.times"
    for ((r = 0; r < runs; r++)); do
      timed "$work/kv.out" "$kvquery" -j "$j" -f "$work/hosts.txt" >>"$work/kv.times"
      echo >>"$work/kv.times"
      timed "$work/qs.out" quakestat -maxsim "$j" -sendinterval 0 -raw , -f "$work/qstat.txt" >>"$work/qs.times"
      echo >>"$work/qs.times"
    done
    stop_sim
    kv=$(median <"$work/kv.times")
    qs=$(median <"$work/qs.times")
    kv_ok=$(grep -vc "timed out\|Not a Quake2\|Error" "$work/kv.out" || true)
    qs_ok=$(grep '^Q2S,' "$work/qs.out" | grep -vc ',DOWN$\|,TIMEOUT$\|,ERROR' || true)
    ratio=$(awk -v a="$kv" -v b="$qs" 'BEGIN { printf "%.2f", a / b }')
    printf '%7s %4s ms  %12s %12s  %6s  %s/%s and %s/%s\n' "$n" "$delay" "$kv" "$qs" "$ratio" "$kv_ok" "$n" "$qs_ok" "$n"
    if ! awk -v a="$kv" -v b="$qs" 'BEGIN { exit !(a <= b * 1.05 || a <= b + 1) }'; then status=1; fi
  done
done
exit $status
