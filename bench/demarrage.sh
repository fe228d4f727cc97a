#!/bin/sh
# Start-up time: from process start until the main window is mapped, and
# until its first picture is drawn (with xcb-damage), with the default skin,
# over several runs under a private Xvfb server; then the same for a bare Qt
# window (tools/fenetre_nue), the toolkit's own share on this machine.
# Run from the build folder (make bench does).
set -eu
RUNS=${RUNS:-15}
BUILD=$(pwd)
APP=$(mktemp -d)
trap 'rm -rf "$APP"; [ -n "${XPID:-}" ] && kill $XPID 2>/dev/null || true' EXIT
cp -r "$BUILD/app/skin" "$APP/skin"
mkdir -p "$APP/playlist"
cp "$BUILD/app/vantrel" "$BUILD/app/"*.so "$BUILD/app/"*.crc32 "$APP/"
printf '"skin/default/""default.sk""20""20""playlist/""false"' > "$APP/vantrel.config"
# A player the user runs must not take these starts: a runtime folder of
# their own (where the running player's socket lies) and no session bus.
export XDG_RUNTIME_DIR="$APP/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$APP/no-bus"
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || { echo "startup: Xvfb missing (apt-get install xvfb)"; exit 0; }
    Xvfb :77 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XPID=$!
    export DISPLAY=:77
    sleep 1
fi
# One run to warm the page cache, then the measured runs.
"$BUILD/tools/mesure_demarrage" 1 "$APP" "$APP/vantrel" >/dev/null 2>&1 || true
"$BUILD/tools/mesure_demarrage" "$RUNS" "$APP" "$APP/vantrel" 2>/dev/null | grep '^startup_'
if [ -x "$BUILD/tools/fenetre_nue" ]; then
    "$BUILD/tools/mesure_demarrage" 1 "$APP" "$BUILD/tools/fenetre_nue" >/dev/null 2>&1 || true
    "$BUILD/tools/mesure_demarrage" "$RUNS" "$APP" "$BUILD/tools/fenetre_nue" 2>/dev/null | grep '^startup_' |
        sed 's/^startup_/bare_qt_window_/'
fi
