#!/bin/sh
# Installs the build into a temporary prefix (with a space in its name) and
# checks what a user gets: the self-contained app folder, the launcher, the
# desktop entry and the icons; then starts the installed launcher from
# another folder with a relative file name, and checks that the player runs
# in its folder, found its skin and engine and plays that file; finally that
# installing again keeps the user's settings and play lists.
#
#   installation_test.sh <cmake> <build folder> <source folder>
set -u
CMAKE=$1
BUILD=$2
SOURCE=$3
. "$(dirname "$0")/commun.sh"

P="$tmp/mon prefixe"
if ! "$CMAKE" --install "$BUILD" --prefix "$P" > "$tmp/install.log" 2>&1; then
    cat "$tmp/install.log"
    echo "FAILED: cmake --install"
    exit 1
fi
APP="$P/lib/vantrel"

# --- the app folder: executable, engine beside it, skins, empty play-list
# folder, first settings.
verifier "executable in the app folder" test -x "$APP/vantrel"
verifier "engine library beside the executable" test -f "$APP/libvantrel_moteur.so"
# The sum beside each module is that of its installed bytes.
for m in "$APP"/*.so; do verifier "the sum beside $m" test "$(cat "$m.crc32")" = "$(crc32 "$m")"; done
( cd "$SOURCE/skin" && find . -type f ) | sort > "$tmp/skins-source"
( cd "$APP/skin" 2>/dev/null && find . -type f ) | sort > "$tmp/skins-app"
verifier "every shipped skin file in skin/" cmp -s "$tmp/skins-source" "$tmp/skins-app"
verifier "at least the default skin" grep -qx "./default/default.sk" "$tmp/skins-app"
for f in $(cat "$tmp/skins-source"); do
    cmp -s "$SOURCE/skin/$f" "$APP/skin/$f" || echec "skin file $f differs from the shipped one"
done
verifier "play-list folder" test -d "$APP/playlist"
verifier "play-list folder empty" test -z "$(ls -A "$APP/playlist" 2>/dev/null)"
verifier "first settings are the shipped defaults" cmp -s "$SOURCE/packaging/vantrel.config" "$APP/vantrel.config"
verifier "first settings name the default skin" \
    grep -q '^"skin/default/""default.sk""[0-9-]*""[0-9-]*""playlist/""true"$' "$APP/vantrel.config"
# Nothing outside the folder is needed: no library of ours elsewhere.
autres=$(find "$P" -name '*.so*' ! -path "$APP/*")
verifier "no library outside the app folder ($autres)" test -z "$autres"
if command -v readelf > /dev/null 2>&1; then
    chemins=$(readelf -d "$APP/vantrel" "$APP/libvantrel_moteur.so" | grep -E 'R(UN)?PATH')
    case $chemins in *"$BUILD"*) echec "installed programs still look in the build folder: $chemins" ;; esac
fi

# --- the launcher.
verifier "launcher is executable" test -x "$P/bin/vantrel"
verifier "launcher is a shell script" sh -n "$P/bin/vantrel"

# --- the desktop entry.
D="$P/share/applications/vantrel.desktop"
valeur() { awk -v k="$1" 'index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }' "$D"; }
if [ ! -f "$D" ]; then
    echec "desktop entry missing"
else
    verifier "desktop entry group" test "$(head -n 1 "$D")" = "[Desktop Entry]"
    verifier "Type=Application" test "$(valeur Type)" = "Application"
    verifier "Name=vantrel" test "$(valeur Name)" = "vantrel"
    for k in "GenericName[fr]" "Comment[fr]" "Comment" "GenericName"; do
        verifier "$k present" test -n "$(valeur "$k")"
    done
    verifier "Icon=vantrel" test "$(valeur Icon)" = "vantrel"
    verifier "Terminal=false" test "$(valeur Terminal)" = "false"
    for c in AudioVideo Audio Player; do
        case ";$(valeur Categories)" in *";$c;"*) ;; *) echec "Categories lacks $c" ;; esac
    done
    exec_=$(valeur Exec)
    verifier "Exec starts the installed launcher with the files opened together: $exec_" test "$exec_" = "\"$P/bin/vantrel\" %F"
    types=$(valeur MimeType)
    case $types in *";") ;; *) echec "MimeType ends with ;" ;; esac
    for t in audio/mpeg audio/x-wav audio/x-ms-wma; do
        case ";$types" in *";$t;"*) ;; *) echec "MimeType lacks $t" ;; esac
    done
    # The types the system gives to MP3, WAV and WMA files are listed, and
    # every listed type is one the system knows (a name or an alias).
    M=/usr/share/mime
    if [ -f "$M/globs2" ] && [ -f "$M/types" ]; then
        for ext in mp3 wav wma; do
            t=$(awk -F: -v g="*.$ext" '$3 == g { print $2; exit }' "$M/globs2")
            case ";$types" in *";$t;"*) ;; *) echec "no MimeType for .$ext files ($t)" ;; esac
        done
        for t in $(echo "$types" | tr ';' ' '); do
            grep -qx "$t" "$M/types" || awk '{ print $1 }' "$M/aliases" | grep -qx "$t" ||
                echec "unknown MIME type $t"
        done
    else
        echo "note: no shared-mime-info database, MIME names not checked"
    fi
    if command -v desktop-file-validate > /dev/null 2>&1; then
        verifier "desktop-file-validate" desktop-file-validate "$D"
    else
        echo "note: desktop-file-validate not installed, entry not validated"
    fi
fi

# --- the icons: PNG pictures of their theme size.
for n in 16 24 32 48 64 128 256; do
    f="$P/share/icons/hicolor/${n}x${n}/apps/vantrel.png"
    if [ ! -f "$f" ]; then
        echec "icon ${n}x${n} missing"
        continue
    fi
    signature=$(od -An -tx1 -N16 "$f" | tr -d ' \n')
    verifier "icon ${n}x${n} is a PNG" test "$signature" = "89504e470d0a1a0a0000000d49484452"
    taille=$(od -An -tu1 -j16 -N8 "$f" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    verifier "icon ${n}x${n} is $n x $n pixels (not $taille)" test "$taille" = "$n $n"
done

# --- start the installed player from another folder, with a file named
# relative to that folder.
mkdir -p "$tmp/ailleurs/mes titres"
ecrire_le32() {
    printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $((($1 >> 8) & 255)))"
    printf "\\$(printf %03o $((($1 >> 16) & 255)))\\$(printf %03o $((($1 >> 24) & 255)))"
}
ecrire_le16() { printf "\\$(printf %03o $(($1 & 255)))\\$(printf %03o $((($1 >> 8) & 255)))"; }
titre="$tmp/ailleurs/mes titres/un titre.wav"
octets=$((44100 * 4 * 30))  # 30 s of stereo 16-bit silence: still playing when looked at
{
    printf RIFF; ecrire_le32 $((36 + octets)); printf 'WAVEfmt '
    ecrire_le32 16; ecrire_le16 1; ecrire_le16 2; ecrire_le32 44100; ecrire_le32 176400
    ecrire_le16 4; ecrire_le16 16; printf data; ecrire_le32 $octets
    head -c $octets /dev/zero
} > "$titre"

# The user has chosen the other shipped skin: a skin that is not the default
# one and cannot be found is reported by a modal message at start.
printf '"skin/ivoire/""ivoire.sk""194""235""playlist/""false"' > "$APP/vantrel.config"
# lancer <launcher> <app folder> <what>: starts the launcher from
# $tmp/ailleurs with the file $titre named relative to that folder
# ($argument), and checks the player that runs.
argument="mes titres/un titre.wav"
# The player gets a runtime folder of its own and no session bus, so that a
# player the user runs does not take the file instead.
mkdir -p "$tmp/run" && chmod 700 "$tmp/run"
lancer() {
    cd "$tmp/ailleurs" || exit 1
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$tmp/run" \
        DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/no-bus" "$1" "$argument" > "$tmp/run.log" 2>&1 &
    pid=$!
    cd "$tmp" || exit 1
    # The launcher execs the player: the same process. A start-up message
    # (no settings, skin not found) would hold the playing of the file.
    attendre_ouverture "$pid" "$titre"
    if kill -0 "$pid" 2>/dev/null; then
        verifier "$3: the player runs in its folder" test "$(readlink "/proc/$pid/cwd")" = "$(readlink -f "$2")"
        verifier "$3: the player plays the file named relative to the caller's folder" test -n "$ouvert"
        verifier "$3: the engine was loaded from the app folder" \
            grep -qF "$(readlink -f "$2")/libvantrel_moteur.so" "/proc/$pid/maps"
        sleep 0.5
        verifier "$3: the player keeps running" kill -0 "$pid"
        kill "$pid"
        wait "$pid" 2>/dev/null
    else
        cat "$tmp/run.log"
        echec "$3: the installed player stopped at start"
    fi
    pid=""
}
lancer "$P/bin/vantrel" "$APP" "launcher"

# --- installing again keeps the user's settings and play lists.
printf '"skin/ivoire/""ivoire.sk""10""20""playlist/""true"' > "$APP/vantrel.config"
printf '"/musique/a.mp3"' > "$APP/playlist/ma liste.vtlist"
"$CMAKE" --install "$BUILD" --prefix "$P" > "$tmp/install2.log" 2>&1 || echec "second cmake --install"
verifier "settings kept by a second install" \
    test "$(cat "$APP/vantrel.config")" = '"skin/ivoire/""ivoire.sk""10""20""playlist/""true"'
verifier "play list kept by a second install" test -f "$APP/playlist/ma liste.vtlist"

# --- installing again, stripped as the Debian package is, while the
# installed player runs: the executable and the modules are new files
# moved into place, the ones the player has mapped are left to it (written
# over in place, they killed it), and each module's sum is that of its
# stripped bytes.
cd "$tmp/ailleurs" || exit 1
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$tmp/run" \
    DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/no-bus" "$P/bin/vantrel" "$argument" > "$tmp/run2.log" 2>&1 &
pid=$!
cd "$tmp" || exit 1
attendre_ouverture "$pid" "$titre"
noeuds() { for f in vantrel libvantrel_moteur.so libvantrel_ffmpeg.so; do stat -c %i "$APP/$f"; done; }
avant=$(noeuds)
# An earlier version's first settings, untouched, become the shipped ones.
printf '"skin/default/""default.sk""194""235""playlist/""false"' > "$APP/vantrel.config"
"$CMAKE" --install "$BUILD" --prefix "$P" --strip > "$tmp/install3.log" 2>&1 || echec "cmake --install --strip"
verifier "an earlier version's first settings become the shipped ones" \
    cmp -s "$SOURCE/packaging/vantrel.config" "$APP/vantrel.config"
sleep 0.5
verifier "the running player outlives an installation over it" kill -0 "$pid"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=""
for n in $(noeuds); do
    case " $(echo $avant) " in *" $n "*) echec "a file of the app folder was written over in place (inode $n)" ;; esac
done
verifier "nothing left of the installation beside the app folder" test ! -e "$APP/.installation"
for m in "$APP"/*.so; do verifier "the sum beside the stripped $m" test "$(cat "$m.crc32")" = "$(crc32 "$m")"; done

# --- the prefix moved as a whole, the launcher started through a link from
# another folder (as from ~/bin): it still finds its folder.
mv "$P" "$tmp/prefixe déplacé"
mkdir -p "$tmp/liens"
ln -s "$tmp/prefixe déplacé/bin/vantrel" "$tmp/liens/vantrel"
lancer "$tmp/liens/vantrel" "$tmp/prefixe déplacé/lib/vantrel" "moved prefix, linked launcher"

# --- a file whose name reads like a toolkit option is a file all the same.
cp "$titre" "$tmp/ailleurs/-platform"
titre="$tmp/ailleurs/-platform"
argument="-platform"
lancer "$tmp/liens/vantrel" "$tmp/prefixe déplacé/lib/vantrel" "a file named -platform"

bilan installation
