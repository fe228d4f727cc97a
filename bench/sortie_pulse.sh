#!/bin/sh
# The two outputs, SDL2 and the native PulseAudio output, side by side:
#  - one minute of MP3 playback by the real player with each, through
#    lecture_60s.sh (private Xvfb and PulseAudio daemon with a null sink):
#    the player's CPU, the PulseAudio server's CPU (seconds per minute of
#    playback) and the player's context switches per second;
#  - the heard delay of each control (volume, balance, mute, pause, resume,
#    seek, stop; a start for information), through bench_controles: from the
#    call on the engine until the change is in the null sink's monitor
#    recording, placed on the sink's timeline by a reference stream of
#    clicks, median and max over REPETITIONS (default 8) of each. The
#    monitor's lead (how far ahead of the heard frame it had already handed
#    frames to the recorder, which a change can no longer reach) is printed
#    with them; bench/bench_controles.cpp says exactly what is measured.
# Targets with the native output: player <= 0.3 s, server <= 0.25 s,
# < 30 switches/s, every control heard within 100 ms. DUREE (seconds,
# default 60) shortens the playback runs. Run from the build folder.
set -eu
BUILD=$(pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
for sortie in sdl pulse; do
    echo "-- output $sortie" >&2
    VANTREL_SORTIE=$sortie sh "$HERE/lecture_60s.sh" > "$OUT/$sortie.log" 2>&1 || true
done
if [ -x "$BUILD/bench/bench_controles" ]; then
    echo "-- heard delay of the controls" >&2
    "$BUILD/bench/bench_controles" > "$OUT/controles.log" 2>/dev/null || true
else
    echo "bench_controles: not built" > "$OUT/controles.log"
fi
valeur() { sed -n "s/^ *$2 \([0-9.]*\).*/\1/p" "$OUT/$1.log" | tail -1; }
printf '%-8s %18s %22s %24s\n' output player_cpu_s/min pulseaudio_cpu_s/min context_switches/s
for sortie in sdl pulse; do
    printf '%-8s %18s %22s %24s\n' "$sortie" "$(valeur $sortie player_cpu_s)" \
        "$(valeur $sortie pulseaudio_cpu_s)" "$(valeur $sortie context_switches_per_s)"
done
echo "targets (pulse): player <= 0.3, pulseaudio <= 0.25, switches < 30"
for sortie in sdl pulse; do
    if [ -z "$(valeur $sortie player_cpu_s)" ]; then
        echo "output $sortie: no figures; the playback run ended with:"
        tail -5 "$OUT/$sortie.log"
    fi
done
echo
# "median / max" of a control's heard delay with an output, from the
# program's lines "heard_delay_ms <output> <control> median <m> max <M> n <k>".
delai() {
    awk -v s="$1" -v c="$2" '$1 == "heard_delay_ms" && $2 == s && $3 == c {
        v = ($4 == "median") ? $5 " / " $7 : "n/a" } END { print (v == "") ? "n/a" : v }' "$OUT/controles.log"
}
avance() {
    awk -v s="$1" '$1 == "monitor_lead_ms" && $2 == s { v = $4 " / " $6 } END { print (v == "") ? "n/a" : v }' \
        "$OUT/controles.log"
}
printf '%-34s %16s %16s\n' "heard delay, ms (median / max)" pulse sdl
for c in volume pan mute pause resume seek stop start; do
    printf '%-34s %16s %16s\n' "$c" "$(delai pulse $c)" "$(delai sdl $c)"
done
printf '%-34s %16s %16s\n' "monitor lead at the call" "$(avance pulse)" "$(avance sdl)"
echo "target (pulse): every control within 100 ms (start: for information)"
grep -v '^heard_delay_ms\|^monitor_lead_ms' "$OUT/controles.log" || true
