#!/usr/bin/env bash
# Installs the Debian 12 packages Brimvale needs to build, run and test.
# Does nothing (and needs no network) when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev libqt6svg6
  libsqlite3-dev sqlite3
  libbenchmark-dev
  xvfb xauth xclip x11-utils xdotool
  fonts-dejavu-core
  clang-format
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n appstream desktop-file-utils lintian dpkg-dev # translations, install checks, .deb
  libwayland-dev libwayland-bin sway wl-clipboard foot  # Wayland data-control clipboard and its tests
  dbus-daemon libglib2.0-bin  # a private session bus and gdbus for the single-instance tests
  haskell-status-notifier-item-utils  # status-notifier-watcher: the tray menu over StatusNotifierItem in tests
  libxcb1-dev libxcb-xfixes0-dev  # the clipboard read on our own X connection
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
