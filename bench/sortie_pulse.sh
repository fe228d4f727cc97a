#!/bin/sh
# One minute of MP3 playback by the real player with each output, SDL2 and
# the native PulseAudio output, through lecture_60s.sh (private Xvfb and
# PulseAudio daemon with a null sink). Reports, for each output, the
# player's CPU, the PulseAudio server's CPU (seconds per minute of
# playback) and the player's context switches per second.
# Targets with the native output: player <= 0.3 s, server <= 0.25 s,
# < 30 switches/s. DUREE (seconds, default 60) shortens the runs.
# Run from the build folder.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
for sortie in sdl pulse; do
    echo "-- output $sortie" >&2
    VANTREL_SORTIE=$sortie sh "$HERE/lecture_60s.sh" > "$OUT/$sortie.log" 2>&1 || true
done
valeur() { sed -n "s/^ *$2 \([0-9.]*\).*/\1/p" "$OUT/$1.log" | tail -1; }
printf '%-8s %18s %22s %24s\n' output player_cpu_s/min pulseaudio_cpu_s/min context_switches/s
for sortie in sdl pulse; do
    printf '%-8s %18s %22s %24s\n' "$sortie" "$(valeur $sortie player_cpu_s)" \
        "$(valeur $sortie pulseaudio_cpu_s)" "$(valeur $sortie context_switches_per_s)"
done
echo "targets (pulse): player <= 0.3, pulseaudio <= 0.25, switches < 30"
