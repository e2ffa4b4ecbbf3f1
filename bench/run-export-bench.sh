#!/usr/bin/env bash
# Measures the export on the Million table (1,000,000 rows, 8 mixed columns) beside the bare
# fetch-and-discard loop of the same path and the peers freebcp, bsqldb and isql, all against
# one sandbox server, and the export's memory at 100,000 rows. Prints a Markdown table:
# whole-process wall time (connect included), rows/s, output MB/s and peak RSS.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
runs="${RUNS:-3}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target velloxa-sandbox bench_export velloxa-export >/dev/null

export ODBCSYSINI="$build/odbc"
unset TDSPORT TDSHOST TDSVER TDSDUMP FREETDSCONF

work="$(mktemp -d)"
trap 'kill ${sandbox_pid:-} 2>/dev/null; rm -rf "$work"' EXIT
source "$root/scripts/start-sandbox.sh"
start_sandbox "$work/server.log" --port 0 --account bench:bench \
  --database "Bench=$root/bench/data/million.sql"
port="$sandbox_port"
connection() { echo "Driver={SQL Server};Server=127.0.0.1,$port;Database=$1;Uid=bench;Pwd=bench;"; }
query="SELECT * FROM [Million]"

# measure NAME ROWS OUTPUT-FILE-OR-EMPTY COMMAND...: the best wall time of $runs runs, with its RSS.
printf '| Run | Rows | Wall time (best of %s) | Rows/s | MB/s | Peak RSS |\n|---|---|---|---|---|---|\n' "$runs"
measure() {
  local name="$1" rows="$2" out="$3"; shift 3
  local best="" best_rss=""
  for _ in $(seq 1 "$runs"); do
    rm -f "$work/out.txt"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/stdout" 2>"$work/stderr" \
      || { echo "$name failed: $(cat "$work/stderr")" >&2; return 1; }
    read -r wall rss <"$work/time"
    if [ -z "$best" ] || awk "BEGIN{exit !($wall < $best)}"; then best="$wall"; best_rss="$rss"; fi
  done
  local bytes=0
  if [ -n "$out" ]; then bytes="$(stat -c %s "$out")"; fi
  awk -v n="$name" -v r="$rows" -v w="$best" -v k="$best_rss" -v b="$bytes" 'BEGIN{
    mbs = b > 0 ? sprintf("%.1f", b / w / 1e6) : "-";
    printf "| %s | %d | %.2f s | %d | %s | %.1f MiB |\n", n, r, w, r / w, mbs, k / 1024 }'
}

measure "bare ODBC loop, blocks (auto: 1024 rows)" 1000000 "" "$build/bin/bench_export" bare "$(connection Bench)" Million
measure "bare ODBC loop, 64-row blocks" 1000000 "" "$build/bin/bench_export" bare "$(connection Bench)" Million 64
measure "bare ODBC loop, one row per fetch" 1000000 "" "$build/bin/bench_export" bare "$(connection Bench)" Million 1
measure "export run (bench_export)" 1000000 "$work/out.txt" "$build/bin/bench_export" export "$(connection Bench)" Million "$work/out.txt"
measure "velloxa-export" 1000000 "$work/out.txt" "$build/bin/velloxa-export" --server 127.0.0.1 --port "$port" --database Bench --user bench --password bench --table Million --output "$work/out.txt"
measure "freebcp queryout -c -t," 1000000 "$work/out.txt" freebcp "$query" queryout "$work/out.txt" -c -t, -S "127.0.0.1:$port" -U bench -P bench -D Bench
measure "bsqldb -t ," 1000000 "$work/out.txt" sh -c "echo '$query' | bsqldb -S 127.0.0.1:$port -U bench -P bench -D Bench -t , >'$work/out.txt'"
measure "isql -b -d," 1000000 "$work/out.txt" sh -c "echo '$query' | isql -k '$(connection Bench)' -b -d, >'$work/out.txt'"
measure "velloxa-export, 100,000 rows" 100000 "$work/out.txt" "$build/bin/velloxa-export" --server 127.0.0.1 --port "$port" --database Bench --user bench --password bench --table HundredThousand --output "$work/out.txt"
measure "bare ODBC loop, 100,000 rows" 100000 "" "$build/bin/bench_export" bare "$(connection Bench)" HundredThousand
