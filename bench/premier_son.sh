#!/bin/sh
# First sound and memory of the real player, under a private Xvfb server with
# a window manager and a private PulseAudio daemon with a null sink (both
# started here):
#  - first_sound_ms: from the launch of the player with a file named on the
#    command line to the first non-silent sample in the null sink's monitor
#    (recorded with 5 ms fragments, so the figure is late by at most about
#    that much), median, min and max of ROUNDS (default 5) launches;
#  - rss/pss after start-up (no file, 3 s after launch) and after 30 s of
#    playback (DUREE seconds, default 30), from /proc/PID/smaps_rollup.
# Run from the build folder (make bench does).
set -eu
BUILD=$(pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
ROUNDS=${ROUNDS:-5}
DUREE=${DUREE:-30}
for c in Xvfb pulseaudio ffmpeg parec python3; do
    command -v $c >/dev/null || { echo "first sound: $c missing"; exit 0; }
done
TMP=$(mktemp -d)
cleanup() {
    [ -n "${WMPID:-}" ] && kill $WMPID 2>/dev/null || true
    [ -n "${PPID_PA:-}" ] && kill $PPID_PA 2>/dev/null || true
    [ -n "${XPID:-}" ] && kill $XPID 2>/dev/null || true
    sleep 0.3
    rm -rf "$TMP"
}
trap cleanup EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$((DUREE + 20))" -ac 2 -ar 44100 -b:a 192k "$TMP/son.mp3"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$TMP/display" >/dev/null 2>&1 &
XPID=$!
for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.05; done
[ -s "$TMP/display" ] || { echo "first sound: Xvfb did not start"; exit 0; }
export DISPLAY=":$(cat "$TMP/display")"
if command -v openbox >/dev/null; then
    openbox --sm-disable >/dev/null 2>&1 &
    WMPID=$!
fi
export XDG_RUNTIME_DIR="$TMP/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$TMP/no-bus"  # not the user's session bus
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no --system=false \
    -L "module-native-protocol-unix socket=$TMP/pulse.sock auth-anonymous=1" \
    -L "module-null-sink sink_name=nul" -L "module-always-sink" >/dev/null 2>&1 &
PPID_PA=$!
export PULSE_SERVER="unix:$TMP/pulse.sock"
sleep 1.5

cp -r "$BUILD/app/skin" "$TMP/skin"; mkdir -p "$TMP/playlist"; cp "$BUILD/app/vantrel" "$BUILD/app/"*.so "$TMP/"
printf '"skin/default/""default.sk""20""20""playlist/""false"' > "$TMP/vantrel.config"

cd "$TMP"
SDL_AUDIODRIVER=pulseaudio python3 "$HERE/premier_son.py" "$TMP/vantrel" "$TMP/son.mp3" "$ROUNDS" "$DUREE"
