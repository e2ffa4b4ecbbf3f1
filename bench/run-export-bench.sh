#!/usr/bin/env bash
# The export's speed beside the bare fetch loop of the same path (`bench_export bare`: the same
# connection, statement, bound buffers and fetches, the rows discarded) and beside the peers
# freebcp, bsqldb and isql, all against one sandbox server; what the file formats, and gzip and
# zstd at their default levels, cost beside the default; and its peak memory at 100,000,
# 1,000,000 and 5,000,000 rows; and what a job run costs beside the same plain run.
#
#   bench/run-export-bench.sh [instructions] [times] [formats] [memory]   (default: all four)
#
# instructions: what the client executes per row (valgrind's callgrind), for the export and
# the bare loop: (run of the larger cut - run of the smaller) / the rows between them, so
# that start-up and connect cancel out. It does not depend on the machine's load: the figure
# to track. Needs valgrind.
#
# times: the machine may be shared and its speed drifts: every comparison runs the two whole
# processes in turn (A B A B ..., after one warm-up of each) and reports the ratio A/B pair by
# pair, as median, min and max, for the wall time and for the CPU time (user + system). The
# server runs on processor SERVER_CPU (default 0) and every client on CLIENT_CPU (default 1)
# (`taskset`): on a quiet machine the wall ratio is then the export's cost where the server
# is not slowed by it; on a busy one it mostly measures the load, which is printed with each
# table. Each run writes a fresh file (the old one is removed before it starts, outside the
# timing). PAIRS (default 12) sets the pairs per comparison.
#
# Prints Markdown tables.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
pairs="${PAIRS:-12}"
server_cpu="${SERVER_CPU:-0}"
client_cpu="${CLIENT_CPU:-1}"
sections="${*:-instructions times formats jobs memory}"
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
taskset -apc "$server_cpu" "$sandbox_pid" >/dev/null
out="$work/out.txt"
connection() { echo "Driver={SQL Server};Server=127.0.0.1,$port;Database=$1;Uid=bench;Pwd=bench;"; }
export_cmd() { echo "$build/bin/velloxa-export --server 127.0.0.1 --port $port --database $1 --user bench --password bench --table $2 --output $out"; }
bare_cmd() { echo "$build/bin/bench_export bare '$(connection "$1")' $2"; }

# run COMMAND: runs it once (a shell command line) into a fresh output file; prints
# "wall cpu peak-KiB".
run() {
  rm -f "$out"
  taskset -c "$client_cpu" /usr/bin/time -f "%e %U %S %M" -o "$work/time" sh -c "$1" >"$work/stdout" 2>"$work/stderr" \
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

# instructions COMMAND: what the client executes, start to end (callgrind).
instructions() {
  rm -f "$out"
  eval "valgrind --tool=callgrind --callgrind-out-file=/dev/null $1" 2>&1 >/dev/null \
    | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

declare -A bare_small bare_large
# per_row NAME DATABASE SMALL LARGE ROWS UNIT UNITS [OPTIONS]: one Markdown row with the
# instructions per row of the export (with OPTIONS) and of the bare loop, what the export adds
# per row, and per UNIT (UNITS of them in a row).
per_row() {
  local name="$1" db="$2" small="$3" large="$4" rows="$5" unit="$6" units="$7" options="${8:-}"
  local es el
  es="$(instructions "$(export_cmd "$db" "$small") $options")"
  el="$(instructions "$(export_cmd "$db" "$large") $options")"
  if [ -z "${bare_large[$db]:-}" ]; then # the same for every file format
    bare_small[$db]="$(instructions "$(bare_cmd "$db" "$small")")"
    bare_large[$db]="$(instructions "$(bare_cmd "$db" "$large")")"
  fi
  awk -v name="$name" -v es="$es" -v el="$el" -v bs="${bare_small[$db]}" -v bl="${bare_large[$db]}" -v rows="$rows" -v unit="$unit" -v units="$units" 'BEGIN {
    e = (el - es) / rows; b = (bl - bs) / rows
    printf "| %s | %.0f | %.0f | %.0f | %.2f per %s |\n", name, e, b, e - b, (e - b) / units, unit }'
}

load() { echo "Load: $(uptime | sed 's/.*load average/load average/'); $(nproc) processors."; }

query="SELECT * FROM [Million]"
if [[ " $sections " == *" instructions "* ]]; then
echo "Client instructions per row (callgrind; the difference of two cuts of each table)."
echo
echo "| Table | export | bare loop | the export adds | |"
echo "|---|---|---|---|---|"
per_row "Million (200,000 - 100,000 rows x 8)" Bench HundredThousand TwoHundredThousand 100000 value 8
per_row "Wide (10,000 - 5,000 rows x 200)" Wide FiveThousand TenThousand 5000 value 200
per_row "Long (4,000 - 2,000 rows, 5,000 characters)" Long TwoThousand FourThousand 2000 character 5000
for format in "--encoding utf-8" "--quote needed" "--quote all" "--encoding utf-16le" "--compress zstd" "--compress gzip"; do
  per_row "Million, $format" Bench HundredThousand TwoHundredThousand 100000 value 8 "$format"
done
echo
fi
if [[ " $sections " == *" times "* ]]; then
echo "Alternating pairs: $pairs per row; ratio = A / B, median [min-max]; server on processor $server_cpu, clients on $client_cpu."
load
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
load
echo
fi
if [[ " $sections " == *" formats "* ]]; then
load
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
load
echo
fi
if [[ " $sections " == *" jobs "* ]]; then
  # A job's overhead: the job file read and the table's columns checked; with a rising column (its
  # first run: every row) also the highest value asked for, the rows ordered and the job file rewritten.
  $(export_cmd Bench Million) --save-job "$work/plain.velloxa"
  $(export_cmd Bench Million) --after-column Id --save-job "$work/rising.velloxa"
  echo "| Job run / plain run (Million) | A (median) | B (median) | wall ratio | CPU ratio |"
  echo "|---|---|---|---|---|"
  compare "--job" "$build/bin/velloxa-export --job $work/plain.velloxa --password bench" "$(export_cmd Bench Million)"
  compare "--job with --after-column Id, first run" \
    "cp $work/rising.velloxa $work/run.velloxa && $build/bin/velloxa-export --job $work/run.velloxa --password bench" \
    "cp $work/rising.velloxa $work/other.velloxa && $(export_cmd Bench Million)"
fi
if [[ " $sections " == *" memory "* ]]; then
echo "| Peak RSS (median of 3) | Rows | Peak RSS |"
echo "|---|---|---|"
memory "velloxa-export" 100,000 "$(export_cmd Bench HundredThousand)"
memory "velloxa-export" 1,000,000 "$(export_cmd Bench Million)"
memory "velloxa-export" 5,000,000 "$(export_cmd Bench FiveMillion)"
memory "bare loop" 1,000,000 "$(bare_cmd Bench Million)"
fi
