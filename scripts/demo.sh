#!/usr/bin/env bash
# Builds Velloxa, starts the sandbox SQL Server with its sample database and opens the
# wizard connected to it. The demo keeps its own settings store under demo-state/, so a
# login the user saved for real work is left alone.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELLOXA_BUILD_DIR:-$root/build}"
state="$root/demo-state"

mkdir -p "$state"
echo "Building Velloxa (log: $state/build.log) ..."
if ! "$root/scripts/build.sh" >"$state/build.log" 2>&1; then
  tail -n 40 "$state/build.log"
  exit 1
fi

unset TDSPORT TDSHOST TDSVER TDSDUMP
export ODBCSYSINI="$build/odbc"

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=1433
port_free "$port" || port=0

mkdir -p "$state/config"
source "$root/scripts/start-sandbox.sh"
start_sandbox "$state/sandbox.log" --port "$port" --browser \
  --database "Demo=$root/sandbox/sample/demo.sql" --account demo:demo123
port="$sandbox_port"
trap 'kill $sandbox_pid 2>/dev/null || true; [ -n "${xvfb:-}" ] && kill $xvfb 2>/dev/null || true' EXIT

# The saved login of the demo user: complete and working, so the wizard opens on the
# Table chooser the way it does for a returning user ("< Back" shows the Login window).
export XDG_CONFIG_HOME="$state/config"
cat >"$XDG_CONFIG_HOME/Orvanta.ini" <<INI
[Velloxa]
MSServer=127.0.0.1
Port=$port
MSUser=demo
MSPassword=demo123
MSDatabase=Demo
Local%20Connection=0
INI
chmod 600 "$XDG_CONFIG_HOME/Orvanta.ini"
mkdir -p "$HOME/Desktop"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$state/runtime"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi

cat <<TXT
Sandbox SQL Server running on 127.0.0.1,$port (log: $state/sandbox.log)
  Server: 127.0.0.1   Port: $port   Username: demo   Password: demo123   Database: Demo
  (or tick Local Connection with Server "localhost" when the port is 1433,
   or Server "localhost\\SQLEXPRESS" with Local Connection ticked)
  Connection string: Driver={SQL Server};Server=127.0.0.1,$port;Database=Demo;Uid=demo;Pwd=demo123;
The export lands in $HOME/Desktop/output.txt unless you choose another file.
TXT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting a virtual one (Xvfb :77); set DISPLAY to use your own."
  Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=:77
  sleep 1
fi
"$build/bin/velloxa"
