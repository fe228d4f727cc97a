#!/bin/sh
# Installs the Debian packages that building, running and testing need,
# and only those that are missing. Uses sudo when not run as root.
set -eu
PKGS="build-essential cmake pkg-config clang-format
qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-dejavu-core
fonts-liberation2 fonts-comic-neue qt6-translations-l10n
libsndfile1-dev libsamplerate0-dev libmpg123-dev zlib1g-dev libtag1-dev
libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libsdl2-dev libxcb1-dev
libgtest-dev libgmock-dev libbenchmark-dev
libpulse-dev pulseaudio
dbus-daemon
dpkg-dev lintian appstream desktop-file-utils
xvfb at-spi2-core python3-gi gir1.2-atspi-2.0"
if [ "${VANTREL_EXTRA_PKGS:-}" ]; then PKGS="$PKGS $VANTREL_EXTRA_PKGS"; fi
missing=""
for p in $PKGS; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends $missing
