# What the installation tests share, read by each one with
#   . "$(dirname "$0")/commun.sh"
# the count of failed checks and the final report, a temporary folder and
# the player a test starts (both gone at exit), the sums of the modules and
# the wait for a started player to open its file.

echecs=0
echec() {
    echo "FAILED: $*"
    echecs=$((echecs + 1))
}
verifier() {  # verifier <message> <command...>
    msg=$1
    shift
    "$@" || echec "$msg"
}
# bilan <what>: status 1 and the count when a check failed.
bilan() {
    if [ "$echecs" -ne 0 ]; then
        echo "$echecs check(s) failed"
        exit 1
    fi
    echo "$1: all checks passed"
}

# The test's folder and the player it runs ($pid, empty when none). A test
# with more to undo at exit defines nettoyer_aussi.
tmp=$(mktemp -d)
pid=""
nettoyer_aussi() { :; }
nettoyer() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; fi
    nettoyer_aussi
    chmod -R u+w "$tmp" 2>/dev/null
    rm -rf "$tmp"
}
trap nettoyer EXIT

# The sum recorded beside a module: the CRC-32 of its bytes (from a gzip
# stream's trailer).
crc32() { set -- $(gzip -c < "$1" | tail -c 8 | od -An -tx1 -N4); echo "$4$3$2$1"; }

# attendre_ouverture <pid> <file>: waits up to 15 s for the player to hold
# <file> open, or to end; `ouvert` is then "oui" if it held it. A message at
# start would be a modal box holding the rest of the start-up: the file
# would never be opened.
attendre_ouverture() {
    ouvert=""
    i=0
    while [ $i -lt 150 ] && kill -0 "$1" 2>/dev/null; do
        if ls -l "/proc/$1/fd" 2>/dev/null | grep -qF "$2"; then
            ouvert=oui
            break
        fi
        sleep 0.1
        i=$((i + 1))
    done
}
