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
. "$HERE/banc_x_pulse.sh"
banc_demarrer "first sound" || exit 0

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$((DUREE + 20))" -ac 2 -ar 44100 -b:a 192k "$TMP/son.mp3"

cd "$TMP"
SDL_AUDIODRIVER=pulseaudio python3 "$HERE/premier_son.py" "$TMP/vantrel" "$TMP/son.mp3" "$ROUNDS" "$DUREE"
