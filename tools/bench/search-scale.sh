#!/usr/bin/env bash
# Benchmark of the player search: 2,000 simulated Quake 2 servers on
# 127.0.0.1 (native q2sim), 16 players each, answering 20 ms after their
# query, refreshed by the program under Wine with 50 workers, alternately
# without and with a player search. The search "Grunt1,Major1" matches 2 of
# each server's 16 players (q2sim names them Grunt, Major, ... Phantom,
# Grunt1, ...). The bar: the search adds no more than 10 % to the refresh,
# and no posted message waits 100 ms or more. Medians of RUNS refreshes each
# way are printed, with the user-interface thread's processor time, the
# steadier figure on a loaded machine.
#
#   tools/bench/search-scale.sh
#
# Builds what it needs (bench preset for q2sim, win64 for the program).
set -euo pipefail
cd "$(dirname "$0")/../.."
servers=${SERVERS:-2000}
players=${PLAYERS:-16}
delay=${DELAY_MS:-20}
base=${BASE_PORT:-21000}  # below the ephemeral ports, which clients take at random

. tools/bench/simulated-servers.sh
start_simulated_servers --count "$servers" --players "$players" --base-port "$base" --delay "$delay"
(cd build/win64/bin && BENCH_PORT_BASE=$base BENCH_SERVERS=$servers BENCH_WORKERS=${WORKERS:-50} \
  BENCH_SEARCH=${SEARCH:-Grunt1,Major1} BENCH_RUNS=${RUNS:-5} \
  /usr/lib/wine/wine64 app_refresh_bench.exe --gtest_filter='*PlayerSearch' 2>/dev/null | grep 'BENCH\|Failure\|Expected\|Which is\|FAILED')
