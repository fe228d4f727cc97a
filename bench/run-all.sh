#!/bin/sh
# Runs every benchmark program; `make bench` starts it from the build folder.
./bench/bench_playlist
