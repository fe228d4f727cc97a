#!/bin/sh
# One minute of MP3 playback by the real player, under a private Xvfb server
# and a private PulseAudio daemon with a null sink (both started here).
# Reports the player's CPU seconds, the CPU it causes in the sound and X
# servers, its context switches per second, its resident memory after 30 s,
# and, for comparison, the bare decoding cost of the same minute.
# Run from the build folder (make bench does). VANTREL_SORTIE, if set, is
# passed on to the player ("sdl" or "pulse"; see README).
set -eu
BUILD=$(pwd)
DUREE=${DUREE:-60}
for c in Xvfb pulseaudio ffmpeg; do
    command -v $c >/dev/null || { echo "playback: $c missing"; exit 0; }
done
TMP=$(mktemp -d)
cleanup() {
    [ -n "${VPID:-}" ] && kill $VPID 2>/dev/null || true
    [ -n "${PPID_PA:-}" ] && kill $PPID_PA 2>/dev/null || true
    [ -n "${XPID:-}" ] && kill $XPID 2>/dev/null || true
    sleep 0.3
    rm -rf "$TMP"
}
trap cleanup EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$((DUREE + 20))" -ac 2 -ar 44100 -b:a 192k "$TMP/minute.mp3"

# A free display number, chosen by the server: other runs may be going on.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$TMP/display" >/dev/null 2>&1 &
XPID=$!
for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.05; done
[ -s "$TMP/display" ] || { echo "playback: Xvfb did not start"; exit 0; }
export DISPLAY=":$(cat "$TMP/display")"
export XDG_RUNTIME_DIR="$TMP/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$TMP/no-bus"  # not the user's session bus
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no --system=false \
    -L "module-native-protocol-unix socket=$TMP/pulse.sock auth-anonymous=1" \
    -L "module-null-sink sink_name=nul" -L "module-always-sink" >/dev/null 2>&1 &
PPID_PA=$!
export PULSE_SERVER="unix:$TMP/pulse.sock"
sleep 1.5

cp -r "$BUILD/app/skin" "$TMP/skin"; mkdir -p "$TMP/playlist"; cp "$BUILD/app/vantrel" "$BUILD/app/"*.so "$BUILD/app/"*.crc32 "$TMP/"
printf '"skin/default/""default.sk""20""20""playlist/""false"' > "$TMP/vantrel.config"

cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }   # utime + stime, in ticks
HZ=$(getconf CLK_TCK)

ctx() { ct=0; for t in /proc/$1/task/*; do ct=$((ct + $(awk '/ctxt_switches/ {s += $2} END {print s}' $t/status))); done; echo $ct; }

(cd "$TMP" && SDL_AUDIODRIVER=pulseaudio exec ./vantrel "$TMP/minute.mp3") >/dev/null 2>&1 &
VPID=$!
# Start-up is not playback: measure from five seconds in.
sleep 5
v0=$(cpu $VPID); c0=$(ctx $VPID); pa0=$(cpu $PPID_PA); x0=$(cpu $XPID)
sleep $((DUREE / 2))
rss=$(awk '/VmRSS/ {print $2}' /proc/$VPID/status)
sleep $((DUREE - DUREE / 2))
v1=$(cpu $VPID); c1=$(ctx $VPID); pa1=$(cpu $PPID_PA); x1=$(cpu $XPID)

# The bare decoding cost of the same minute: children's CPU time as bash reports it.
ffmpeg_cpu=$(bash -c "ffmpeg -v error -i '$TMP/minute.mp3' -t $DUREE -f null - ; times" | tail -1 |
    sed 's/[ms]/ /g' | awk '{printf "%.2f", $1 * 60 + $2 + $3 * 60 + $4}')

echo "playback over ${DUREE}s (per minute):"
awk -v a="$v0" -v b="$v1" -v hz="$HZ" -v d="$DUREE" 'BEGIN {printf "  player_cpu_s %.2f (target <= 0.3 per minute with the native PulseAudio output, 0.4 with SDL2)\n", (b - a) / hz * 60 / d}'
awk -v a="$pa0" -v b="$pa1" -v hz="$HZ" -v d="$DUREE" 'BEGIN {printf "  pulseaudio_cpu_s %.2f (target <= 0.25 with the native output)\n", (b - a) / hz * 60 / d}'
awk -v a="$x0" -v b="$x1" -v hz="$HZ" -v d="$DUREE" 'BEGIN {printf "  xserver_cpu_s %.2f\n", (b - a) / hz * 60 / d}'
awk -v a="$c0" -v b="$c1" -v d="$DUREE" 'BEGIN {printf "  context_switches_per_s %.1f (target < 30 with the native output, 100 with SDL2)\n", (b - a) / d}'
awk -v r="$rss" 'BEGIN {printf "  rss_after_30s_mib %.1f (target < 70)\n", r / 1024}'
echo "  ffmpeg_decode_cpu_s ${ffmpeg_cpu:-n/a}"
