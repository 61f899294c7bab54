#!/usr/bin/env bash
# Skovalt's main job: starts a demo set of simulated Quake 2 servers on
# 127.0.0.1 (tools/q2sim/demo.cfg: busy, empty, full, CTF, Rocket Arena, a
# password mod, one slow and one silent server), prints what kvquery gets
# from them, then starts Skovalt under Wine on a list of those servers and
# refreshes them with a player search (SKOVALT_FIND, default
# "Vex,Rocket,Camper": three players of three servers, listed below the
# servers): on your display when there is one, else headless with a
# screenshot (its path is printed).
set -euo pipefail
cd "$(dirname "$0")/../.."
tools/scripts/install-deps.sh

jobs=${SKOVALT_JOBS:-2}
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs" --target q2sim_cli kvquery >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j"$jobs" --target Skovalt >/dev/null

log=$(mktemp)
build/native/bin/q2sim --config tools/q2sim/demo.cfg --seconds 600 >"$log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -f "$log"' EXIT
# The simulator prints one line per server once every port is bound.
for _ in $(seq 100); do
  [ "$(grep -c '127.0.0.1:' "$log")" -ge 8 ] && break
  kill -0 $sim 2>/dev/null || { cat "$log"; exit 1; }
  sleep 0.05
done

hosts=()
for port in $(seq 27910 27917); do hosts+=("127.0.0.1:$port"); done
echo "kvquery, ${#hosts[@]} servers (one never answers: it times out after 2 s):"
build/native/bin/kvquery --timeout 2 "${hosts[@]}" || true

python3 tools/scripts/demo-serverlist.py build/win64/demo-Server.dat --loopback 27910 8
export SKOVALT_FIND=${SKOVALT_FIND-Vex,Rocket,Camper}
echo "Skovalt, refreshing the same servers and looking for players: $SKOVALT_FIND"
tools/scripts/run-skovalt.sh build/win64 build/win64/demo-Server.dat
