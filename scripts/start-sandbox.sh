# Sourced by the demo and the benchmark scripts (bash, `set -e`, with $build set).
# start_sandbox LOG ARGS...: starts $build/bin/velloxa-sandbox ARGS in the background, its
# output in LOG, and waits until it reports its port. Sets sandbox_pid and sandbox_port;
# on failure shows LOG, stops the server and exits.
start_sandbox() {
  local log="$1"
  shift
  "$build/bin/velloxa-sandbox" "$@" >"$log" 2>&1 &
  sandbox_pid=$!
  # A large database script takes a while to load before the server listens.
  for _ in $(seq 1 600); do
    grep -q "^velloxa-sandbox listening on port " "$log" 2>/dev/null && break
    kill -0 "$sandbox_pid" 2>/dev/null || break
    sleep 0.1
  done
  sandbox_port="$(sed -n 's/^velloxa-sandbox listening on port \([0-9]*\).*/\1/p' "$log" | head -n 1)"
  if [ -z "$sandbox_port" ]; then
    echo "The sandbox server did not start:" >&2
    cat "$log" >&2
    kill "$sandbox_pid" 2>/dev/null || true
    exit 1
  fi
}
