#!/bin/sh
# Builds nothing: runs every benchmark of a build (make bench builds them and
# starts this from the build folder), collects each figure, and prints one
# table: the figure, its target, and whether it holds. The programs' own
# output is kept in a scratch folder whose path is printed at the end.
#
# Figures come from Google Benchmark's JSON output (real time, the time a
# user waits, in ms), from the audio benchmark's CPU ratio line, from the
# start-up and playback scripts, from the idle script (wake-ups per second
# playing, paused, stopped and hidden), from the first-sound and memory
# script, and from bench_controles (the largest heard delay of each control
# with the native PulseAudio output), and from the decoders' script (first
# sound, private memory and CPU while playing, per decoder, beside Audacious
# and mpv). A figure that could not be measured (a
# missing tool or program) shows "n/a" and fails nothing; the exit status is
# 1 when a measured figure misses its target.
set -u
BUILD=$(pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
OUT=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-bench-XXXXXX")
RESULTS="$OUT/figures.tsv"
: > "$RESULTS"

say() { printf '%s\n' "$*" >&2; }

# Runs a benchmark program with JSON output into $OUT/<name>.json.
run_bench() {
    name=$1
    if [ ! -x "$BUILD/bench/$name" ]; then
        say "-- $name: not built"
        return
    fi
    say "-- $name"
    "$BUILD/bench/$name" --benchmark_out="$OUT/$name.json" --benchmark_out_format=json \
        > "$OUT/$name.log" 2>&1 || say "   $name exited with an error (see $OUT/$name.log)"
    # One line per run: program, benchmark name, real time in ms, error flag.
    awk -v prog="$name" '
        function ms(v, u) {
            if (u == "ns") return v / 1e6
            if (u == "us") return v / 1e3
            if (u == "s") return v * 1e3
            return v
        }
        /"name":/        { n = $0; sub(/^[^:]*: *"/, "", n); sub(/",? *$/, "", n); rt = ""; err = 0 }
        /"error_occurred": *true/ { err = 1 }
        /"real_time":/   { rt = $2; sub(/,$/, "", rt) }
        /"time_unit":/   { u = $2; gsub(/[",]/, "", u); if (n != "") printf "%s\t%s\t%.6f\t%d\n", prog, n, ms(rt + 0, u), err; n = "" }
    ' "$OUT/$name.json" 2>/dev/null >> "$RESULTS"
}

# The real time in ms of benchmark $2 of program $1 (a fixed iteration count
# or minimum time in its name is ignored); empty when absent or failed.
figure() {
    awk -F '\t' -v p="$1" -v n="$2" '
        $1 == p && $4 == 0 && ($2 == n || index($2, n "/iterations:") == 1 || index($2, n "/min_time:") == 1) { v = $3 }
        END { if (v != "") print v }' "$RESULTS"
}

run_bench bench_config
run_bench bench_playlist
run_bench bench_fenetre
run_bench bench_audio
run_bench bench_bureau
run_bench bench_chargement
# The engine's CPU over its decoder's alone, for each decoder.
rapport() {
    [ -f "$OUT/bench_audio.log" ] &&
        sed -n "s/^audio engine \/ $1 alone.*pairs): *\([0-9.]*\).*/\1/p" "$OUT/bench_audio.log" | tail -1
}
ratio=$(rapport FFmpeg)
ratio_mpg123=$(rapport mpg123)

# The scripts start the real player on an X server: not on the offscreen
# platform nor the dummy sound driver that the benchmark programs use.
say "-- demarrage.sh (start-up to map, under Xvfb)"
(cd "$BUILD" && env -u QT_QPA_PLATFORM -u SDL_AUDIODRIVER sh "$HERE/demarrage.sh") > "$OUT/demarrage.log" 2>&1 || say "   demarrage.sh failed (see $OUT/demarrage.log)"
demarrage() { sed -n "s/^$1 min [0-9.]* median \([0-9.]*\).*/\1/p" "$OUT/demarrage.log" | tail -1; }
startup=$(demarrage startup_to_map_ms)
startup_dessin=$(demarrage startup_to_first_picture_ms)
startup_nu=$(demarrage bare_qt_window_to_map_ms)

say "-- lecture_60s.sh (one minute of playback under PulseAudio)"
(cd "$BUILD" && env -u QT_QPA_PLATFORM -u SDL_AUDIODRIVER sh "$HERE/lecture_60s.sh") > "$OUT/lecture_60s.log" 2>&1 || say "   lecture_60s.sh failed (see $OUT/lecture_60s.log)"
valeur_lecture() { sed -n "s/^ *$1 \([0-9.]*\).*/\1/p" "$OUT/lecture_60s.log" | tail -1; }
cpu_lecture=$(valeur_lecture player_cpu_s)
cpu_serveur=$(valeur_lecture pulseaudio_cpu_s)
commutations=$(valeur_lecture context_switches_per_s)
rss=$(valeur_lecture rss_after_30s_mib)

say "-- veille.sh (wake-ups per second of the player, playing, paused, stopped, hidden)"
(cd "$BUILD" && env -u QT_QPA_PLATFORM -u SDL_AUDIODRIVER sh "$HERE/veille.sh") > "$OUT/veille.log" 2>&1 || say "   veille.sh failed (see $OUT/veille.log)"
reveils() { sed -n "s/^ *wakeups_per_s_$1 \([0-9.]*\).*/\1/p" "$OUT/veille.log" | tail -1; }

say "-- premier_son.sh (first sound after launch, memory)"
(cd "$BUILD" && env -u QT_QPA_PLATFORM -u SDL_AUDIODRIVER sh "$HERE/premier_son.sh") > "$OUT/premier_son.log" 2>&1 || say "   premier_son.sh failed (see $OUT/premier_son.log)"
premier_son=$(sed -n 's/^first_sound_ms median \([0-9.]*\).*/\1/p' "$OUT/premier_son.log" | tail -1)
memoire() { sed -n "s/^$1 \([0-9.]*\).*/\1/p" "$OUT/premier_son.log" | tail -1; }

say "-- decodeurs.sh (first sound, memory and CPU per decoder, beside Audacious and mpv)"
(cd "$BUILD" && env -u QT_QPA_PLATFORM -u SDL_AUDIODRIVER sh "$HERE/decodeurs.sh") > "$OUT/decodeurs.log" 2>&1 || say "   decodeurs.sh failed (see $OUT/decodeurs.log)"
# decodeur CASE FIELD: a figure of the decoders' script ("n/a" is empty).
decodeur() { awk -v c="$1" -v f="$2" '$1 == c { for (i = 2; i < NF; i += 2) if ($i == f && $(i + 1) != "n/a") print $(i + 1) }' "$OUT/decodeurs.log" 2>/dev/null | tail -1; }
# The smallest of the peers' figures, empty when neither was measured.
pairs_min() { for p in audacious_mp3 mpv_mp3; do decodeur $p "$1"; done | sort -n | head -1; }
fois() { [ -n "$1" ] && awk -v a="$1" -v k="$2" 'BEGIN { printf "%.3f", a * k }'; }
sur() { [ -n "$1" ] && [ -n "$2" ] && awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b }'; }

# Runs benchmark program $1 (described by $2) into $OUT/$1.log, when built.
banc_pulse() {
    if [ -x "$BUILD/bench/$1" ]; then
        say "-- $1 ($2)"
        (cd "$BUILD" && "$BUILD/bench/$1") > "$OUT/$1.log" 2>&1 ||
            say "   $1 exited with an error (see $OUT/$1.log)"
    else
        say "-- $1: not built"
    fi
}

# The heard delay of the controls through PulseAudio: a private daemon and
# the engine, no window; the program picks its own sound driver.
banc_pulse bench_controles "heard delay of the controls under PulseAudio"
# The largest heard delay in ms of control $1 with the native output.
delai_controle() {
    sed -n "s/^heard_delay_ms pulse $1 median [0-9.]* max \([0-9.]*\).*/\1/p" "$OUT/bench_controles.log" 2>/dev/null | tail -1
}

# Joins and commands heard through PulseAudio: silence and largest jump.
banc_pulse bench_joints "joins of two halves of a tone, pause, resume, seek, under PulseAudio"
# Field $3 (silence_ms or jump) of case $2 of kind $1 (join or command).
joint() {
    awk -v g="$1" -v c="$2" -v f="$3" '$1 == g && $2 == c { for (i = 3; i < NF; i += 2) if ($i == f) print $(i + 1) }' \
        "$OUT/bench_joints.log" 2>/dev/null | tail -1
}

# How late a change (a row chosen) still decides what follows a track.
banc_pulse bench_decision "latest change before a join that still decides what follows, under PulseAudio"
decision_tardive=$(sed -n 's/^decision latest_ms_before_join \([0-9]*\).*/\1/p' "$OUT/bench_decision.log" 2>/dev/null | tail -1)
decision_calme=$(sed -n 's/^decision latest_ms_before_join_quiet_sink \([0-9]*\).*/\1/p' "$OUT/bench_decision.log" 2>/dev/null | tail -1)

# One table row: label, figure, unit, comparison (< or <=), target.
failed=0
row() {
    label=$1 value=$2 unit=$3 op=$4 target=$5
    [ -n "$target" ] || value=""  # a target taken from peers that were not measured
    if [ -z "$value" ]; then
        printf '%-58s %12s  %-12s %s\n' "$label" "n/a" "$op $target $unit" "not measured"
        return
    fi
    holds=$(awk -v v="$value" -v t="$target" -v op="$op" 'BEGIN {
        ok = (op == "<") ? (v < t) : (v <= t); print ok ? "yes" : "NO" }')
    [ "$holds" = "yes" ] || failed=1
    printf '%-58s %12s  %-12s %s\n' "$label" "$(awk -v v="$value" -v u="$unit" 'BEGIN {
        if (u == "") printf "%.3f", v; else if (v < 10) printf "%.3f %s", v, u; else printf "%.1f %s", v, u }')" \
        "$op $target $unit" "$holds"
}

# A figure reported without a target.
info() {
    [ -n "$2" ] && printf '%-58s %12s  %-12s %s\n' "$1" "$(awk -v v="$2" 'BEGIN { printf "%.1f", v }') $3" "-" "-"
    return 0
}

echo
printf '%-58s %12s  %-12s %s\n' "figure" "measured" "target" "holds"
printf '%-58s %12s  %-12s %s\n' "------" "--------" "------" "-----"
row "config: all values of a 100k-value text, one pass" \
    "$(figure bench_config BM_AllValuesOnePass100k)" ms "<" 50
row "playlist: append 100k one by one (both views)" \
    "$(figure bench_playlist BM_Ajout100k/vues:1)" ms "<" 1000
row "playlist: append 100k one by one (model alone)" \
    "$(figure bench_playlist BM_Ajout100k/vues:0)" ms "<" 1000
for e in "0 delete the first" "1 delete the middle one" "2 swap two" "3 add one"; do
    row "playlist, 100k entries: ${e#* } (both views)" \
        "$(figure bench_playlist "BM_Edition100k/edition:${e%% *}/vues:1")" ms "<" 50
done
row "playlist: load a 10k-entry file (both views)" \
    "$(figure bench_playlist BM_ChargerPlaylist/entrees:10000/vues:1)" ms "<" 50
row "playlist: load a 100k-entry file (both views)" \
    "$(figure bench_playlist BM_ChargerPlaylist/entrees:100000/vues:1)" ms "<" 500
row "playlist: save a 100k-entry file" \
    "$(figure bench_playlist BM_EcrirePlaylist100k)" ms "<" 200
row "playlist: scan a folder of 10k play lists" \
    "$(figure bench_playlist BM_ListerPlaylists10k)" ms "<" 200
row "window: 400 ms tick while playing, 100k-entry list" \
    "$(figure bench_fenetre BM_TickWhilePlaying100k)" ms "<" 1
row "window: append 100k to both views" \
    "$(figure bench_fenetre BM_Append100kToBothViews)" ms "<" 1000
row "window: up, down, delete and add on 100k entries" \
    "$(figure bench_fenetre BM_Edits100k)" ms "<" 50
row "hand-over: 20,000 names from a second start into the list" \
    "$(figure bench_fenetre BM_Remise20000)" ms "<=" 1000
row "audio: engine CPU / mpg123 alone CPU, one minute of MP3" "$ratio_mpg123" "" "<=" 1.15
row "audio: engine CPU / FFmpeg alone CPU, one minute of MP3" "$ratio" "" "<=" 1.15
row "start-up to mapped window, median" "$startup" ms "<" 50
info "start-up to first picture, median" "$startup_dessin" ms
info "bare Qt window to mapped window, median (reference)" "$startup_nu" ms
row "start-up to mapped window / bare Qt window, same run" \
    "$([ -n "$startup" ] && [ -n "$startup_nu" ] && awk -v a="$startup" -v b="$startup_nu" 'BEGIN { if (b > 0) printf "%.3f", a / b }')" "" "<=" 1.10
# The engine's module is looked at on its loading thread before the first
# sound; the FFmpeg decoder's on the window's thread.
row "loading: engine module checked (sum, headers, needed libraries)" \
    "$(figure bench_chargement BM_ExaminerModule/moteur_avec_somme)" ms "<" 20
row "loading: FFmpeg module checked (sum, headers, needed libraries)" \
    "$(figure bench_chargement BM_ExaminerModule/ffmpeg_avec_somme)" ms "<" 20
row "start-up: looking for a running player, none" \
    "$(figure bench_bureau BM_AucunLecteur)" ms "<" 1
row "start-up: looking for a running player, crashed one's socket" \
    "$(figure bench_bureau BM_SocketAbandonne)" ms "<" 1
# The player picks its native PulseAudio output there (a server answers).
row "playback, one minute: player CPU" "$cpu_lecture" s "<=" 0.3
row "playback, one minute: sound server CPU for our stream" "$cpu_serveur" s "<=" 0.25
row "playback, one minute: context switches per second" "$commutations" "/s" "<" 30
row "playback, one minute: resident memory after 30 s" "$rss" MiB "<" 70
row "idle: wake-ups per second, paused" "$(reveils paused)" "/s" "<=" 4
row "idle: wake-ups per second, stopped" "$(reveils stopped)" "/s" "<=" 4
row "idle: wake-ups per second, stopped and hidden in the tray" "$(reveils hidden)" "/s" "<=" 4
info "wake-ups per second while playing" "$(reveils playing)" "/s"
row "first sound after launch with a file, median" "$premier_son" ms "<=" 100
row "memory: resident after start-up" "$(memoire rss_after_startup_mib)" MiB "<=" 50
info "memory: proportional (PSS) after start-up" "$(memoire pss_after_startup_mib)" MiB
info "memory: resident after 30 s of playback" "$(memoire rss_after_30s_playback_mib)" MiB
info "memory: proportional (PSS) after 30 s of playback" "$(memoire pss_after_30s_playback_mib)" MiB
# Per decoder, beside the peers: first sound at most half the fastest
# peer's, private memory at most three quarters of the leanest peer's, CPU
# while playing at most 1.2 times the decoder's own floor.
premier_pair=$(pairs_min first_sound_s)
uss_pair=$(pairs_min uss_mib)
for cas in "vantrel_mp3 MP3 (mpg123)" "vantrel_wma WMA (FFmpeg)"; do
    c=${cas%% *} n=${cas#* }
    row "$n: first sound (stream on the server), median" "$(fois "$(decodeur $c first_sound_s)" 1000)" ms "<=" \
        "$(fois "$premier_pair" 500 | awk '{ printf "%.0f", $1 }')"
    row "$n: private memory (USS) 10 s into playback" "$(decodeur $c uss_mib)" MiB "<=" \
        "$(fois "$uss_pair" 0.75 | awk '{ printf "%.1f", $1 }')"
    row "$n: CPU while playing / decoder alone" \
        "$(sur "$(decodeur $c cpu_s_per_min)" "$(decodeur $c floor_s_per_min)")" "" "<=" 1.2
    info "$n: CPU while playing, per minute" "$(fois "$(decodeur $c cpu_s_per_min)" 1000)" ms
    info "$n: of it, the window's thread" "$(fois "$(decodeur $c gui_s_per_min)" 1000)" ms
    info "$n: of it, the decoding threads" "$(fois "$(decodeur $c decoder_s_per_min)" 1000)" ms
    info "$n: of it, the PulseAudio thread" "$(fois "$(decodeur $c output_s_per_min)" 1000)" ms
done
for p in "audacious_mp3 Audacious" "mpv_mp3 mpv"; do
    c=${p%% *} n=${p#* }
    info "$n, MP3: first sound, median" "$(fois "$(decodeur $c first_sound_s)" 1000)" ms
    info "$n, MP3: private memory (USS) 10 s into playback" "$(decodeur $c uss_mib)" MiB
    info "$n, MP3: CPU while playing, per minute" "$(fois "$(decodeur $c cpu_s_per_min)" 1000)" ms
done
for c in volume pan mute pause resume seek stop; do
    row "PulseAudio output: $c heard after the call, max" "$(delai_controle $c)" ms "<=" 100
done
# Two halves of one tone in a row: no silence, no jump beyond the tone's own
# slope (0.031) and a codec's error.
for c in wav flac mp3 wav44to48; do
    row "join of two halves of a tone, $c: longest silence" "$(joint join $c silence_ms)" ms "<=" 1
    row "join of two halves of a tone, $c: largest sample jump" "$(joint join $c jump)" "" "<=" 0.05
done
row "join: latest change that still decides what follows" "$decision_tardive" "ms before" "<=" 150
row "join: the same on a sink reading half a second ahead" "$decision_calme" "ms before" "<=" 150
for c in pause pause_resume seek next; do
    info "PulseAudio output: $c mid-tone, longest silence inside the sound" "$(joint command $c silence_ms)" ms
    row "PulseAudio output: $c mid-tone, largest sample jump" "$(joint command $c jump)" "" "<=" 0.05
done
# The new start follows the fade-out with no silence between them.
row "PulseAudio output: next mid-tone, longest silence" "$(joint command next silence_ms)" ms "<=" 20
echo
echo "programs' output: $OUT"
exit $failed
