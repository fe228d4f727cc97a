#!/bin/sh
# How often the real player wakes up: the context switches of all its
# threads per second, playing, paused, stopped, and stopped while hidden in
# the notification area, under a private Xvfb server with a window manager
# and a private PulseAudio daemon with a null sink (both started here).
# Pause, stop and the tray button are clicked on the window itself, then the
# pointer leaves the window. Each state is measured over DUREE seconds
# (default 20) after a short settling time; ROUNDS (default 1) repeats the
# whole run and reports the median and the spread per state. Per-thread
# figures of the last round follow, to find who wakes.
# Run from the build folder (make bench does).
set -eu
BUILD=$(pwd)
DUREE=${DUREE:-20}
ROUNDS=${ROUNDS:-1}
for c in Xvfb pulseaudio ffmpeg xdotool; do
    command -v $c >/dev/null || { echo "idle: $c missing"; exit 0; }
done
. "$(cd "$(dirname "$0")" && pwd)/banc_x_pulse.sh"
banc_demarrer "idle" || exit 0

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$((DUREE * 3 + 60))" -ac 2 -ar 44100 -b:a 192k "$TMP/long.mp3"

# Context switches of every thread, summed (the voluntary ones alone with
# ctx_v: those the player asked for, not the preemptions that a busy
# machine adds); per thread with "par_fil".
ctx() { cat /proc/$1/task/*/status 2>/dev/null | awk '/ctxt_switches/ {s += $2} END {print s}'; }
ctx_v() { cat /proc/$1/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {s += $2} END {print s}'; }
par_fil() {
    for t in /proc/$1/task/*; do
        printf '%s\t%s\t%s\n' "${t##*/}" "$(awk '/ctxt_switches/ {s += $2} END {print s}' $t/status)" "$(cat $t/comm)"
    done | sort
}
# Wake-ups per second of state $1 over DUREE seconds, appended to $TMP/$1.
mesurer() {
    par_fil $VPID > "$TMP/fils0"
    c0=$(ctx $VPID); v0=$(ctx_v $VPID)
    sleep "$DUREE"
    c1=$(ctx $VPID); v1=$(ctx_v $VPID)
    par_fil $VPID > "$TMP/fils1"
    awk -v a="$c0" -v b="$c1" -v d="$DUREE" 'BEGIN {printf "%.2f\n", (b - a) / d}' >> "$TMP/$1"
    awk -v a="$v0" -v b="$v1" -v d="$DUREE" 'BEGIN {printf "%.2f\n", (b - a) / d}' >> "$TMP/v_$1"
    join -t "$(printf '\t')" "$TMP/fils0" "$TMP/fils1" 2>/dev/null |
        awk -F '\t' -v d="$DUREE" -v e="$1" '{ printf "  thread %-8s %-16s %-8s %.2f/s\n", e, $3, $1, ($4 - $2) / d }' >> "$TMP/fils_$1"
}
# Clicks the middle of main-window element at x y (its top-left corner and
# size), then moves the pointer off the window.
cliquer() {
    xdotool mousemove --window "$WID" $(($1 + $3 / 2)) $(($2 + $4 / 2)) click 1
    sleep 0.2
    xdotool mousemove 1000 740
}

r=0
while [ $r -lt "$ROUNDS" ]; do
    r=$((r + 1))
    (cd "$TMP" && SDL_AUDIODRIVER=pulseaudio exec ./vantrel "$TMP/long.mp3") >/dev/null 2>&1 &
    VPID=$!
    WID=""
    for _ in $(seq 100); do
        WID=$(xdotool search --onlyvisible --pid $VPID 2>/dev/null | head -1) || true
        [ -n "$WID" ] && break
        sleep 0.1
    done
    [ -n "$WID" ] || { echo "idle: no window"; exit 0; }
    xdotool mousemove 1000 740
    : > "$TMP/fils_playing"; : > "$TMP/fils_paused"; : > "$TMP/fils_stopped"; : > "$TMP/fils_hidden"
    sleep 4
    mesurer playing
    cliquer 106 217 29 14     # pause
    sleep 2
    mesurer paused
    cliquer 155 217 29 14     # stop
    sleep 2
    mesurer stopped
    cliquer 318 2 8 8         # hide in the notification area
    sleep 2
    mesurer hidden
    kill $VPID 2>/dev/null || true
    wait $VPID 2>/dev/null || true
    VPID=""
done

mediane() { sort -n "$TMP/$1" | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.2f min %.2f max %.2f n %d", m, v[1], v[NR], NR }'; }
echo "wake-ups of all the player's threads per second, over ${DUREE}s, $ROUNDS round(s):"
for e in playing paused stopped hidden; do
    echo "  wakeups_per_s_$e $(mediane $e)"
done
for e in playing paused stopped hidden; do
    echo "  voluntary_only_per_s_$e $(mediane v_$e)"
done
echo "targets: paused, stopped and hidden (stopped) <= 4"
cat "$TMP/fils_playing" "$TMP/fils_paused" "$TMP/fils_stopped" "$TMP/fils_hidden"
