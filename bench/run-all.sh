#!/bin/sh
# Runs every benchmark program; `make bench` starts it from the build folder.
set -e
for b in ./bench/bench_*; do
    [ -x "$b" ] || continue
    echo "== $b"
    "$b"
done
