# Sourced by the refresh benchmarks, from the project root. Builds q2sim
# (bench preset) and the program's refresh benchmark (win64), then
#   start_simulated_servers Q2SIM-OPTION...
# starts q2sim with those options on 127.0.0.1 in the background, and the
# Wine session the benchmark runs in; both are stopped when the script
# exits. $log is q2sim's log; files named "$log.*" are removed with it.
tools/scripts/install-deps.sh
cmake --preset bench >/dev/null && cmake --build --preset bench -j2 --target q2sim_cli >/dev/null
cmake --preset win64 >/dev/null && cmake --build --preset win64 -j2 --target app_refresh_bench >/dev/null

start_simulated_servers() {
  log=$(mktemp)
  build/bench/bin/q2sim "$@" --quiet >"$log" 2>&1 &
  sim=$!
  trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$log" "$log".*; tools/scripts/wine-session.sh stop build/win64' EXIT
  sleep 1
  kill -0 $sim || { cat "$log"; exit 2; }
  eval "$(tools/scripts/wine-session.sh start build/win64)"
}
