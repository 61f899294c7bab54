#!/usr/bin/env bash
# Scale benchmark of Skovalt's refresh: 1,000 simulated Quake 2 servers on
# 127.0.0.1 (native q2sim) that each answer 20 ms after their query, queried
# by the program's refresh under Wine with 10 and with 50 workers, then by
# Debian's quakestat with -maxsim 10 on the same servers in the same run.
# The ideal is 1000 / 10 x 20 ms = 2.0 s (0.4 s with 50 workers); the bar
# is 1.25 x ideal with 10 workers, and no slower than quakestat.
#
#   tools/bench/refresh-scale.sh
#
# Builds what it needs (bench preset for q2sim, win64 for the program).
set -euo pipefail
cd "$(dirname "$0")/../.."
servers=${SERVERS:-1000}
delay=${DELAY_MS:-20}
base=${BASE_PORT:-24000}  # below the ephemeral ports, which clients take at random

. tools/bench/simulated-servers.sh
start_simulated_servers --count "$servers" --base-port "$base" --delay "$delay"
(cd build/win64/bin && BENCH_PORT_BASE=$base BENCH_SERVERS=$servers \
  /usr/lib/wine/wine64 app_refresh_bench.exe --gtest_also_run_disabled_tests 2>/dev/null | grep BENCH)

for i in $(seq 0 $((servers - 1))); do echo "Q2S 127.0.0.1:$((base + i))"; done >"$log.q"
for run in 1 2; do
  start=$(date +%s.%N)
  answered=$(quakestat -sendinterval 0 -maxsim 10 -raw , -f "$log.q" 2>/dev/null | grep '^Q2S,' | grep -vc ',DOWN$\|,TIMEOUT$' || true)
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v n="$servers" -v a="$answered" \
    'BEGIN { t = e - s; printf "[ BENCH    ] quakestat -maxsim 10: %.3f s (%.2f x ideal %.3f s), %d answered\n", t, t / (n / 10 * 0.02), n / 10 * 0.02, a }'
done
