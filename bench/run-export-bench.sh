#!/usr/bin/env bash
# The export's speed beside the bare fetch loop of the same path (`bench_export bare`: the same
# connection, statement, bound buffers and fetches, the rows discarded) and beside the peers
# freebcp, bsqldb and isql, all against one sandbox server; and its peak memory at 100,000,
# 1,000,000 and 5,000,000 rows; what the file formats cost beside the default; and what gzip and
# zstd at their default levels cost beside the uncompressed file, paired and in instructions per
# row (callgrind: the 200,000-row run less the 100,000-row run, over 100,000).
#
# The machine may be shared and its speed drifts: every comparison runs the two whole
# processes in turn (A B A B ..., after one warm-up of each) and reports the ratio A/B pair by
# pair, as median, min and max, for the wall time and for the CPU time (user + system).
# Each run writes a fresh file (the old one is removed before it starts, outside the timing).
# Prints Markdown tables. PAIRS (default 12) sets the pairs per comparison.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
pairs="${PAIRS:-12}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target velloxa-sandbox bench_export velloxa-export >/dev/null

export ODBCSYSINI="$build/odbc"
unset TDSPORT TDSHOST TDSVER TDSDUMP FREETDSCONF

work="$(mktemp -d)"
trap 'kill ${sandbox_pid:-} 2>/dev/null; rm -rf "$work"' EXIT
source "$root/scripts/start-sandbox.sh"
start_sandbox "$work/server.log" --port 0 --account bench:bench \
  --database "Bench=$root/bench/data/million.sql" \
  --database "Long=$root/bench/data/long.sql" \
  --database "Wide=$root/bench/data/wide.sql"
port="$sandbox_port"
out="$work/out.txt"
connection() { echo "Driver={SQL Server};Server=127.0.0.1,$port;Database=$1;Uid=bench;Pwd=bench;"; }
export_cmd() { echo "$build/bin/velloxa-export --server 127.0.0.1 --port $port --database $1 --user bench --password bench --table $2 --output $out"; }
bare_cmd() { echo "$build/bin/bench_export bare '$(connection "$1")' $2"; }

# run COMMAND: runs it once (a shell command line) into a fresh output file; prints
# "wall cpu peak-KiB".
run() {
  rm -f "$out"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" sh -c "$1" >"$work/stdout" 2>"$work/stderr" \
    || { echo "failed: $1: $(cat "$work/stderr")" >&2; exit 1; }
  awk '{ printf "%s %.3f %s\n", $1, $2 + $3, $4 }' "$work/time"
}

# compare NAME A B: PAIRS alternating pairs; one Markdown row with A's and B's median wall
# time and the median [min-max] of the wall and CPU ratios A/B.
compare() {
  local name="$1" a="$2" b="$3"
  run "$a" >/dev/null
  run "$b" >/dev/null
  : >"$work/pairs"
  for _ in $(seq 1 "$pairs"); do
    echo "$(run "$a") $(run "$b")" >>"$work/pairs"
  done
  awk -v name="$name" '
    function sorted_stats(values, n,   i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && values[j - 1] > values[j]; j--) { t = values[j]; values[j] = values[j - 1]; values[j - 1] = t }
      median = n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
      low = values[1]; high = values[n]
    }
    { n++; wa[n] = $1; wb[n] = $4; rw[n] = $1 / $4; rc[n] = $2 / $5 }
    END {
      sorted_stats(wa, n); a = median
      sorted_stats(wb, n); b = median
      sorted_stats(rw, n); w = sprintf("%.2f [%.2f-%.2f]", median, low, high)
      sorted_stats(rc, n); c = sprintf("%.2f [%.2f-%.2f]", median, low, high)
      printf "| %s | %.2f s | %.2f s | %s | %s |\n", name, a, b, w, c
    }' "$work/pairs"
}

# memory NAME ROWS COMMAND: the median peak RSS of three runs.
memory() {
  local name="$1" rows="$2" cmd="$3"
  for _ in 1 2 3; do run "$cmd"; done | awk -v name="$name" -v rows="$rows" '
    { peak[NR] = $3; wall[NR] = $1 }
    END {
      for (i = 2; i <= NR; i++) for (j = i; j > 1 && peak[j - 1] > peak[j]; j--) { t = peak[j]; peak[j] = peak[j - 1]; peak[j - 1] = t }
      printf "| %s | %s | %.1f MiB |\n", name, rows, peak[2] / 1024 }'
}

query="SELECT * FROM [Million]"
echo "Alternating pairs: $pairs per row; ratio = A / B, median [min-max]."
echo
echo "| A / B | A (median) | B (median) | wall ratio | CPU ratio |"
echo "|---|---|---|---|---|"
compare "velloxa-export / bare loop, Million (1,000,000 rows x 8)" "$(export_cmd Bench Million)" "$(bare_cmd Bench Million)"
compare "velloxa-export / bare loop, Long (20,000 rows, 10 KB nvarchar(max))" "$(export_cmd Long Long)" "$(bare_cmd Long Long)"
compare "velloxa-export / bare loop, Wide (50,000 rows x 200)" "$(export_cmd Wide Wide)" "$(bare_cmd Wide Wide)"
compare "velloxa-export / freebcp queryout -c -t, (Million)" "$(export_cmd Bench Million)" \
  "freebcp '$query' queryout $out -c -t, -S 127.0.0.1:$port -U bench -P bench -D Bench"
compare "velloxa-export / bsqldb -t , (Million)" "$(export_cmd Bench Million)" \
  "echo '$query' | bsqldb -S 127.0.0.1:$port -U bench -P bench -D Bench -t , >$out"
compare "velloxa-export / isql -b -d, (Million)" "$(export_cmd Bench Million)" \
  "echo '$query' | isql -k '$(connection Bench)' -b -d, >$out"
echo
echo "| File format / the default (Million) | A (median) | B (median) | wall ratio | CPU ratio |"
echo "|---|---|---|---|---|"
for format in "--encoding utf-8" "--encoding utf-8-bom --quote needed" "--quote needed" "--quote all" "--encoding utf-16le"; do
  compare "$format" "$(export_cmd Bench Million) $format" "$(export_cmd Bench Million)"
done
echo
echo "| Compression / uncompressed (Million) | A (median) | B (median) | wall ratio | CPU ratio |"
echo "|---|---|---|---|---|"
for codec in zstd gzip; do
  compare "--compress $codec" "$(export_cmd Bench Million) --compress $codec" "$(export_cmd Bench Million)"
done

# instructions NAME OPTIONS: the client's instructions per row, by callgrind.
instructions() {
  local name="$1" options="$2" counts=()
  for view in HundredThousand TwoHundredThousand; do
    rm -f "$out"
    valgrind --tool=callgrind --callgrind-out-file=/dev/null $(export_cmd Bench $view) $options 2>"$work/callgrind" >/dev/null
    counts+=("$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/callgrind")")
  done
  echo "| $name | $(( (counts[1] - counts[0]) / 100000 )) |"
}
echo
echo "| Client instructions per row (Million) | Per row |"
echo "|---|---|"
instructions "uncompressed" ""
instructions "--compress zstd" "--compress zstd"
instructions "--compress gzip" "--compress gzip"
echo
echo "| Peak RSS (median of 3) | Rows | Peak RSS |"
echo "|---|---|---|"
memory "velloxa-export" 100,000 "$(export_cmd Bench HundredThousand)"
memory "velloxa-export" 1,000,000 "$(export_cmd Bench Million)"
memory "velloxa-export" 5,000,000 "$(export_cmd Bench FiveMillion)"
memory "bare loop" 1,000,000 "$(bare_cmd Bench Million)"
