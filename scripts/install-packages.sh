#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, and any packages
# named as arguments (the extra tools of one script); installs nothing that is already
# there, so running it again is cheap.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  unixodbc unixodbc-dev tdsodbc freetds-bin
  libsqlite3-dev sqlite3
  libssl-dev
  fonts-liberation fontconfig
  xvfb xauth openbox xdotool wmctrl x11-utils
  desktop-file-utils appstream libxml2-utils
  zlib1g-dev libzstd-dev gzip zstd
  qtkeychain-qt6-dev dbus gnome-keyring libsecret-tools
  python3-tds python3-openssl
  libfmt-dev
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
else
  sudo=""
fi
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
