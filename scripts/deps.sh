#!/bin/sh
# Installs the Debian packages Tessivo needs to build and test, when missing.
# Runs apt-get directly as root, through sudo otherwise.
set -eu
PKGS="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libicu-dev libpcre2-dev"
if [ "${TESSIVO_BUILD_GUI:-ON}" = "ON" ]; then
  # The window program: Qt 6 Widgets, Qt's Japanese button texts, Qt's SVG icon plugins (without
  # them every icon draws empty), and for screenshots and tests a virtual display and CJK fonts.
  PKGS="$PKGS qt6-base-dev qt6-translations-l10n libqt6svg6 xvfb xauth fonts-noto-cjk"
fi
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing" >&2
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing
