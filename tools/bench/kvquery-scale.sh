#!/usr/bin/env bash
# Scale benchmark of kvquery: 1,000 simulated Quake 2 servers on 127.0.0.1
# that each answer 20 ms after their query, queried 10 at a time. The ideal
# is 1000 / 10 x 20 ms = 2.0 s; the bar is 1.2 x ideal. Debian's quakestat
# (qstat) runs on the same servers in the same run for comparison.
#
#   tools/bench/kvquery-scale.sh [BUILD_DIR]    (default build/sim-bench)
#
# Build first, optimised:
#   cmake --preset bench -B build/sim-bench
#   cmake --build build/sim-bench -j2 --target q2sim_cli kvquery
#
# Settings through the environment: SERVERS (1000), DELAY_MS (20),
# THREADS (10), RUNS (3), BASE_PORT (41000).
# Exit status: 0 when kvquery's median run meets the bar, 1 when not, 2 when
# the benchmark could not run.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/sim-bench}
servers=${SERVERS:-1000}
delay=${DELAY_MS:-20}
threads=${THREADS:-10}
runs=${RUNS:-3}
base=${BASE_PORT:-41000}

q2sim=$build/bin/q2sim
kvquery=$build/bin/kvquery
for exe in "$q2sim" "$kvquery"; do
  if [ ! -x "$exe" ]; then
    echo "kvquery-scale: $exe is missing; build the bench preset first (see the top of $0)" >&2
    exit 2
  fi
done
if ! command -v quakestat >/dev/null; then
  echo "kvquery-scale: quakestat is missing (apt-get install qstat)" >&2
  exit 2
fi

work=$(mktemp -d)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

"$q2sim" --count "$servers" --base-port "$base" --delay "$delay" --quiet 2>"$work/sim.log" &
sim_pid=$!
# Ready once it reports the servers it serves; it exits at once when a port is taken.
for _ in $(seq 200); do
  grep -q "serving" "$work/sim.log" 2>/dev/null && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    cat "$work/sim.log" >&2
    sim_pid=
    exit 2
  fi
  sleep 0.05
done
grep -q "serving" "$work/sim.log" || { echo "kvquery-scale: q2sim did not start" >&2; exit 2; }

for ((i = 0; i < servers; i++)); do
  echo "127.0.0.1:$((base + i))"
done >"$work/hosts.txt"
sed 's/^/Q2S /' "$work/hosts.txt" >"$work/qstat.txt"

ideal=$(awk -v n="$servers" -v t="$threads" -v d="$delay" 'BEGIN { printf "%.3f", (n + t - 1 - (n + t - 1) % t) / t * d / 1000 }')
now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
ratio() { awk -v a="$1" -v b="$ideal" 'BEGIN { printf "%.2f", a / b }'; }

echo "$servers servers on 127.0.0.1:$base-$((base + servers - 1)), reply delay $delay ms, $threads at once"
echo "ideal: $servers / $threads x $delay ms = $ideal s; bar: 1.2 x ideal"
printf '%-4s  %-22s  %-22s\n' run "kvquery -j $threads" "quakestat -maxsim $threads"

kv_times=()
for ((r = 1; r <= runs; r++)); do
  t0=$(now)
  status=0
  "$kvquery" -j "$threads" -f "$work/hosts.txt" >"$work/kv.out" 2>"$work/kv.err" || status=$?
  t1=$(now)
  kv=$(elapsed "$t0" "$t1")
  kv_ok=$(grep -vc "timed out\|Not a Quake2\|Error" "$work/kv.out" || true)
  kv_times+=("$kv")

  t0=$(now)
  quakestat -sendinterval 0 -maxsim "$threads" -raw ',' -f "$work/qstat.txt" >"$work/qs.out" 2>&1 || true
  t1=$(now)
  qs=$(elapsed "$t0" "$t1")
  qs_ok=$(grep '^Q2S,' "$work/qs.out" | grep -vc ',DOWN$\|,TIMEOUT$\|,ERROR' || true)

  printf '%-4s  %6s s (%4s x) %4s ok  %6s s (%4s x) %4s ok\n' "$r" "$kv" "$(ratio "$kv")" "$kv_ok" \
    "$qs" "$(ratio "$qs")" "$qs_ok"
  if [ "$status" -ne 0 ] || [ "$kv_ok" -ne "$servers" ]; then
    echo "kvquery: exit status $status, $kv_ok of $servers servers answered" >&2
    head -5 "$work/kv.err" >&2
  fi
done

median=$(printf '%s\n' "${kv_times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
bar=$(awk -v i="$ideal" 'BEGIN { printf "%.3f", i * 1.2 }')
if awk -v m="$median" -v b="$bar" 'BEGIN { exit !(m <= b) }'; then
  echo "kvquery median $median s ($(ratio "$median") x ideal) is within the bar of $bar s"
else
  echo "kvquery median $median s ($(ratio "$median") x ideal) misses the bar of $bar s"
  exit 1
fi
