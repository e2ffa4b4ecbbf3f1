#!/bin/sh
# Runs a command against a Secret Service of its own: a private session bus (dbus-run-session)
# with GNOME Keyring's secrets component, its login keyring created and unlocked in a scratch
# home, so the user's own keyring is never touched. Exits 77 (skipped) where the packages are
# missing: dbus, gnome-keyring, libsecret-tools (scripts/install-packages.sh installs them).
set -eu
for tool in dbus-run-session gnome-keyring-daemon secret-tool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (packages dbus, gnome-keyring, libsecret-tools)"
    exit 77
  fi
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
# Set before the bus starts: the daemon it activates takes the bus's environment.
export HOME="$scratch" XDG_DATA_HOME="$scratch/data" XDG_CACHE_HOME="$scratch/cache" \
  XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime"
unset DISPLAY WAYLAND_DISPLAY
dbus-run-session -- sh -c '
  printf %s test-keyring | gnome-keyring-daemon --unlock --components=secrets >/dev/null || exit 1
  exec "$@"' sh "$@"
