#!/usr/bin/env bash
# Builds the libFuzzer targets (clang) and runs each for a bounded time:
#   tools/scripts/fuzz.sh [SECONDS]      (default 60 each)
# The reply fuzzer starts from the captured real replies, each preceded by
# the server list's template; the list-file fuzzer (Server.dat, Delta.dat,
# addresses, pasted text, the master list) from small files of each kind;
# the corpus grows in build/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
tools/scripts/install-deps.sh

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${SKOVALT_JOBS:-2}" --target kv_reply_fuzz kv_list_fuzz app_listfile_fuzz app_http_fuzz app_udpmaster_fuzz

corpus=build/fuzz/corpus
mkdir -p "$corpus/reply" "$corpus/list" "$corpus/listfile" "$corpus/http" "$corpus/udpmaster"
for f in kv/tests/fixtures/*.bin; do
  { printf '%%s%%t%%y%%t%%n/%%x%%t%%l%%t%%g%%t\0'; cat "$f"; } >"$corpus/reply/seed-$(basename "$f")"
done
printf 'q2dm1|The Edge\r\nbase1|Outer Base\n\nlast line' >"$corpus/list/seed"
# Server.dat with two records.
python3 -c 'import sys; r = lambda ip, texts: bytes(ip) + bytes([6, 109, 45, 0, 2]) + bytes(19) + texts
sys.stdout.buffer.write(b"kv\0" + r([127, 0, 0, 1], b"q.example\0One\0ctf\0") + r([10, 0, 0, 2], b"\0\0\0"))' \
  >"$corpus/listfile/seed"
# A master list (also pasted text), and a Delta.dat of a '+' and a '-'.
printf '# servers\r\n10.0.0.1:27910\r\n10.0.0.2\r\n10.0.0.1\r\nq2.example.net  27911 x\r\n' \
  >"$corpus/listfile/seed-master"
printf 'kv\0+\0\0\0\177\0\0\1\6\155\0\0-\0\0\0\n\0\0\2\7\155\0\0' >"$corpus/listfile/seed-delta"

# The first byte picks the piece size, the body limit and keepFirst.
printf '\x07HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=1\r\n10.0.\r\n4\r\n0.1\n\r\n0\r\nT: 1\r\n\r\n' \
  >"$corpus/http/seed-chunked"
printf '\xc1HTTP/1.0 302 Found\nLocation: /x\nContent-Length: 6\n\n4.7.10' >"$corpus/http/seed-version"
# A master's answer in two datagrams of one record each (127.0.0.1:27910,
# 10.0.0.2:27911), the second with a cut record after it.
printf '\x06\xff\xff\xff\xffservers \177\0\0\1\155\6\xff\xff\xff\xffservers \n\0\0\2\155\7\1\2' \
  >"$corpus/udpmaster/seed-two"

status=0
for target in kv_reply kv_list app_listfile app_http app_udpmaster; do
  log=build/fuzz/${target}_fuzz.log
  rc=0
  build/fuzz/bin/${target}_fuzz -max_total_time="$seconds" -max_len=70000 \
    -print_final_stats=1 -artifact_prefix=build/fuzz/ "$corpus/${target#*_}" >"$log" 2>&1 || rc=$?
  runs=$(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  echo "${target}_fuzz: ${runs:-?} executions in ${seconds}s, exit $rc"
  if [ $rc -ne 0 ]; then
    tail -40 "$log"
    status=1
  fi
done
exit $status
