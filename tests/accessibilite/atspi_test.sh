#!/bin/sh
# The player on an accessibility bus of the test's own: a virtual X server,
# a private D-Bus session with the accessibility bus launcher, the real
# executable started from a copy of its app folder with one file, and a
# small AT-SPI client that presses "Stop" and "Lecture" and reads the status
# line back. Exits 77 (skipped) when Xvfb, the session bus, the launcher or
# the client's bindings are missing or do not start.
#
#   atspi_test.sh <app folder> <client script>
set -u
APP_SOURCE=$1
CLIENT=$2

passer() {
    echo "SKIP: $*"
    exit 77
}

command -v Xvfb > /dev/null 2>&1 || passer "Xvfb not installed"
command -v dbus-daemon > /dev/null 2>&1 || passer "dbus-daemon not installed"
# Debian's bindings belong to the system's Python, whatever else the PATH finds.
PY=/usr/bin/python3
[ -x "$PY" ] || PY=$(command -v python3) || passer "python3 not installed"
LANCEUR=""
for l in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
    [ -x "$l" ] && LANCEUR=$l && break
done
[ -n "$LANCEUR" ] || passer "at-spi-bus-launcher not installed"
"$PY" -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' 2> /dev/null ||
    passer "python3-gi or gir1.2-atspi-2.0 not installed"
[ -x "$APP_SOURCE/vantrel" ] || passer "no player built in $APP_SOURCE"

tmp=$(mktemp -d)
pids=""
nettoyer() {
    for p in $pids; do kill "$p" 2> /dev/null; done
    for p in $pids; do wait "$p" 2> /dev/null; done
    rm -rf "$tmp"
}
trap nettoyer EXIT
trap 'exit 1' INT TERM

# --- a virtual screen; its number comes back through a pipe. Without
# -noreset the server starts over each time its last client leaves (the
# accessibility launcher is one, briefly), refusing whoever connects
# meanwhile: the player, then, at random.
mkfifo "$tmp/ecran"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3> "$tmp/ecran" > "$tmp/xvfb.log" 2>&1 &
pids="$pids $!"
numero=$(timeout 10 head -n 1 "$tmp/ecran")
[ -n "$numero" ] || passer "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$numero"

# --- a private session bus, and the accessibility bus on it.
mkdir -m 700 "$tmp/run"
export XDG_RUNTIME_DIR="$tmp/run"
export HOME="$tmp"
unset XDG_CURRENT_DESKTOP SESSION_MANAGER AT_SPI_BUS_ADDRESS
dbus-daemon --session --nofork --nopidfile --address="unix:path=$tmp/bus" > "$tmp/dbus.log" 2>&1 &
pids="$pids $!"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/bus"
i=0
while [ ! -S "$tmp/bus" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
[ -S "$tmp/bus" ] || passer "dbus-daemon did not start: $(cat "$tmp/dbus.log")"
"$LANCEUR" --launch-immediately > "$tmp/lanceur.log" 2>&1 &
pids="$pids $!"

# --- the player, from a copy of its folder (its settings land there).
mkdir "$tmp/app"
cp -a "$APP_SOURCE/." "$tmp/app/"
# The first settings, as installed, when the build folder has none: no
# message box then stands in front of the window.
[ -f "$tmp/app/vantrel.config" ] ||
    printf '"skin/default/""default.sk""194""235""playlist/""false"' > "$tmp/app/vantrel.config"
"$PY" - "$tmp/app/a.wav" << 'FIN'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(44100)
    w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / 44100)))
                           for i in range(44100 * 30)))
FIN
(
    cd "$tmp/app" &&
        QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 SDL_AUDIODRIVER=dummy exec ./vantrel "$tmp/app/a.wav"
) > "$tmp/vantrel.log" 2>&1 &
pids="$pids $!"

"$PY" "$CLIENT" "Lecture : a.wav"
r=$?
if [ $r -ne 0 ] && [ $r -ne 77 ]; then
    echo "--- player's output"
    cat "$tmp/vantrel.log"
    echo "--- launcher's output"
    cat "$tmp/lanceur.log"
    echo "--- virtual screen's output"
    cat "$tmp/xvfb.log"
fi
exit $r
