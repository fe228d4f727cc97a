#!/bin/sh
# Runs every fuzz target of a fuzz build for a while, from its committed seed
# corpus, a few at a time, and prints one line per target (runs, speed,
# corpus growth). New inputs go to a scratch corpus in the build folder, never
# into fuzz/corpus/; a failing input is saved in <build>/fuzz-artifacts/.
#
#   fuzz/run.sh <fuzz build folder> [seconds per target] [targets at a time]
set -eu
BUILD=$(cd "$1" && pwd)
SECONDS_PER_TARGET=${2:-30}
PARALLEL=${3:-2}
SRC=$(cd "$(dirname "$0")" && pwd)
TARGETS="fuzz_config fuzz_playlist fuzz_skin fuzz_bmp fuzz_audio"
OUT="$BUILD/fuzz-run"
mkdir -p "$OUT" "$BUILD/fuzz-artifacts"

run_one() {
    t=$1
    mkdir -p "$OUT/$t.corpus"
    # -timeout: one input may take this long (an endless decode would be a hang);
    # -max_len: the largest seed fits; -rss_limit_mb: a memory blow-up fails the run.
    if "$BUILD/fuzz/$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-artifacts/$t-" \
        "$OUT/$t.corpus" "$SRC/corpus/$t" > "$OUT/$t.log" 2>&1; then
        echo 0 > "$OUT/$t.rc"
    else
        echo $? > "$OUT/$t.rc"
    fi
}

n=0
for t in $TARGETS; do
    [ -x "$BUILD/fuzz/$t" ] || { echo "fuzz: $BUILD/fuzz/$t missing"; exit 1; }
    run_one "$t" &
    n=$((n + 1))
    if [ "$n" -ge "$PARALLEL" ]; then
        wait
        n=0
    fi
done
wait

status=0
for t in $TARGETS; do
    rc=$(cat "$OUT/$t.rc")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$OUT/$t.log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$OUT/$t.log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$OUT/$t.log" | tail -1 | cut -d' ' -f2)
    printf '%-14s %s  %10s runs  %7s/s  coverage %s\n' "$t" "$([ "$rc" = 0 ] && echo ok || echo FAILED)" \
        "${runs:-?}" "${speed:-?}" "${cov:-?}"
    if [ "$rc" != 0 ]; then
        status=1
        echo "---- $t: last lines of $OUT/$t.log"
        tail -40 "$OUT/$t.log"
    fi
done
exit $status
