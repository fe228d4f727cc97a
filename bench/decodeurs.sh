#!/bin/sh
# First sound, private memory and CPU while playing, per decoder, beside two
# other players (Audacious and mpv, when installed), in one run, under a
# private Xvfb server and a private PulseAudio daemon (banc_x_pulse.sh):
#  - first_sound_s: from the launch with a file to the moment the player's
#    stream exists on the sound server (polled every 20 ms), median of ROUNDS
#    (default 5) launches;
#  - uss_mib: private memory (USS: private clean + dirty pages) 10 s into
#    playback;
#  - cpu_s_per_min: the player's CPU from 5 s to 5 + DUREE s (default 30) of
#    playback, per minute;
#  - gui_s_per_min, decoder_s_per_min, output_s_per_min: the same CPU of
#    the player's window thread, its decoding threads and its PulseAudio
#    thread (n/a for the peers), from each thread's scheduler time;
#  - floor_s_per_min: the same file decoded alone by the decoder in use
#    (mpg123 or libsndfile: bench/decodage_seul; FFmpeg: `ffmpeg -f null`),
#    per minute.
# Lines: "<case> first_sound_s M uss_mib U cpu_s_per_min C gui_s_per_min G
# decoder_s_per_min D output_s_per_min O floor_s_per_min F".
# Cases: vantrel_mp3 (mpg123), vantrel_wma (FFmpeg), audacious_mp3, mpv_mp3.
# Run from the build folder (make bench does).
set -eu
BUILD=$(pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
ROUNDS=${ROUNDS:-5}
DUREE=${DUREE:-30}
for c in Xvfb pulseaudio pactl ffmpeg; do
    command -v $c >/dev/null || { echo "decoders: $c missing"; exit 0; }
done
. "$HERE/banc_x_pulse.sh"
banc_demarrer "decoders" || exit 0
LONG=$((DUREE + 30))
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$LONG" -ac 2 -ar 44100 -b:a 192k "$TMP/son.mp3"
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=$LONG" -ac 2 -ar 44100 -c:a wmav2 -b:a 192k "$TMP/son.wma"
# The peers keep their settings here, not in the user's; the font caches
# stay the user's (without them a first start scans every font).
export XDG_CONFIG_HOME="$TMP/config"
mkdir -p "$XDG_CONFIG_HOME"
HZ=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The CPU nanoseconds of each thread of $1, as "<name> <ns>" lines.
fils() { for t in /proc/$1/task/*; do printf '%s %s\n' "$(cat $t/comm)" "$(cut -d' ' -f1 $t/schedstat)"; done 2>/dev/null; }
# fil_par_min BEFORE AFTER NAME: CPU seconds per minute of playback of the
# threads named NAME (all of them live through the measure).
fil_par_min() {
    awk -v n="$3" -v d="$DUREE" 'FNR == 1 { f++ } $1 == n { s[f] += $2 } END { printf "%.3f", (s[2] - s[1]) / 1e9 * 60 / d }' "$1" "$2"
}
uss() { awk '/^Private_(Clean|Dirty):/ {s += $2} END {printf "%.1f", s / 1024}' "/proc/$1/smaps_rollup"; }
flux_present() { [ -n "$(pactl list short sink-inputs 2>/dev/null)" ]; }
arreter() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; VPID=; }
maintenant() { date +%s.%N; }

# lancer CMD...: starts the player in the background as $VPID.
lancer() { (cd "$TMP" && exec "$@") >/dev/null 2>&1 & VPID=$!; }

mesurer() {
    nom=$1 plancher=$2
    shift 2
    premiers=""
    for _ in $(seq "$ROUNDS"); do
        while flux_present; do sleep 0.1; done
        t0=$(maintenant)
        lancer "$@"
        t=""
        for _ in $(seq 500); do
            if flux_present; then t=$(maintenant); break; fi
            sleep 0.02
        done
        [ -n "$t" ] && premiers="$premiers $(awk -v a="$t0" -v b="$t" 'BEGIN {printf "%.3f", b - a}')"
        arreter "$VPID"
        sleep 0.5
    done
    premier=$(printf '%s\n' $premiers | sort -n | awk '{v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]}')
    lancer "$@"
    sleep 5
    c0=$(cpu "$VPID")
    fils "$VPID" > "$TMP/fils0"
    sleep 5
    u=$(uss "$VPID")
    sleep $((DUREE - 5))
    c1=$(cpu "$VPID")
    fils "$VPID" > "$TMP/fils1"
    arreter "$VPID"
    g=n/a d=n/a o=n/a
    if [ "$nom" != "${nom#vantrel}" ]; then
        g=$(fil_par_min "$TMP/fils0" "$TMP/fils1" vantrel)
        d=$(fil_par_min "$TMP/fils0" "$TMP/fils1" vt-decodeur)
        o=$(fil_par_min "$TMP/fils0" "$TMP/fils1" threaded-ml)
    fi
    echo "$nom first_sound_s ${premier:-n/a} uss_mib $u cpu_s_per_min $(awk -v a="$c0" -v b="$c1" -v hz="$HZ" -v d="$DUREE" \
        'BEGIN {printf "%.3f", (b - a) / hz * 60 / d}') gui_s_per_min $g decoder_s_per_min $d output_s_per_min $o" \
        "floor_s_per_min $plancher"
}

# The decoders alone on the same files, per minute of sound.
plancher_ffmpeg() {
    bash -c "ffmpeg -v error -i '$1' -f null - ; times" | tail -1 | sed 's/[ms]/ /g' |
        awk -v d="$LONG" '{printf "%.3f", ($1 * 60 + $2 + $3 * 60 + $4) * 60 / d}'
}
plancher_sndfile() {
    [ -x "$BUILD/bench/decodage_seul" ] || { echo n/a; return; }
    "$BUILD/bench/decodage_seul" "$1" | awk -v d="$LONG" '{printf "%.3f", $1 * 60 / d}'
}
p_mp3_sndfile=$(plancher_sndfile "$TMP/son.mp3")
p_mp3_ffmpeg=$(plancher_ffmpeg "$TMP/son.mp3")
p_wma=$(plancher_ffmpeg "$TMP/son.wma")

export SDL_AUDIODRIVER=pulseaudio
mesurer vantrel_mp3 "$p_mp3_sndfile" ./vantrel "$TMP/son.mp3"
mesurer vantrel_wma "$p_wma" ./vantrel "$TMP/son.wma"
if command -v audacious >/dev/null; then
    mesurer audacious_mp3 "$p_mp3_ffmpeg" audacious "$TMP/son.mp3"
fi
if command -v mpv >/dev/null; then
    mesurer mpv_mp3 "$p_mp3_ffmpeg" mpv --no-config --no-video --ao=pulse --really-quiet "$TMP/son.mp3"
fi
