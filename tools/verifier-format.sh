#!/bin/sh
# Fails, naming the files, when a C++ source of the tree differs from the
# committed .clang-format. Run by the test suite (ctest's "format"), so that
# `make test` and CI refuse a file off the format. Fix with:
#   clang-format -i <file>
set -eu
racine=$(cd "$(dirname "$0")/.." && pwd)
cd "$racine"
outil=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$outil" ]; then
    echo "clang-format is missing (tools/install-deps.sh installs it)" >&2
    exit 1
fi
hors_format=0
for f in $(find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | sort); do
    if ! "$outil" --dry-run -Werror "$f" >/dev/null 2>&1; then
        echo "off the format: $f" >&2
        hors_format=$((hors_format + 1))
    fi
done
[ "$hors_format" -eq 0 ] || { echo "$hors_format file(s) off the committed .clang-format" >&2; exit 1; }
