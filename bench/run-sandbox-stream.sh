#!/usr/bin/env bash
# Builds the sandbox server and the streaming benchmark, serves bench/data/million.sql as
# database "Bench" and streams its Million table once through the ODBC driver.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target velloxa-sandbox bench_sandbox_stream >/dev/null

export ODBCSYSINI="$build/odbc"
unset TDSPORT TDSHOST TDSVER TDSDUMP FREETDSCONF

output="$(mktemp)"
trap 'kill ${sandbox_pid:-} 2>/dev/null; rm -f "$output"' EXIT
source "$root/scripts/start-sandbox.sh"
start_sandbox "$output" --port 0 --database "Bench=$root/bench/data/million.sql" --account bench:bench
port="$sandbox_port"

"$build/bin/bench_sandbox_stream" "Driver={SQL Server};Server=127.0.0.1,$port;Database=Bench;Uid=bench;Pwd=bench;"
