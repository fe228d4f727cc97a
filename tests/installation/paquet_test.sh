#!/bin/sh
# Builds the Debian package from the build folder and checks it: its name,
# control fields and file list; the desktop entry, the AppStream file and the
# package itself through desktop-file-validate, appstreamcli and lintian
# (each when installed); then starts the packaged player from its unpacked
# files, made read-only as an installed system folder is, and checks that a
# user's first start makes their own settings and plays without a message.
#
#   paquet_test.sh <cpack> <build folder> <version>
set -u
CPACK=$1
BUILD=$2
VERSION=$3
. "$(dirname "$0")/commun.sh"
monte=""
nettoyer_aussi() {
    if [ -n "$monte" ]; then umount -l "$monte" 2>/dev/null; fi
}

if ! command -v dpkg-deb > /dev/null 2>&1; then
    echo "note: dpkg-deb not installed, no Debian package to check"
    exit 0
fi
if ! "$CPACK" -G DEB -B "$tmp/paquet" --config "$BUILD/CPackConfig.cmake" > "$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAILED: cpack -G DEB"
    exit 1
fi
arch=$(dpkg --print-architecture)
DEB="$tmp/paquet/vantrel_${VERSION}_${arch}.deb"
if [ ! -f "$DEB" ]; then
    ls "$tmp/paquet"
    echo "FAILED: no package named vantrel_${VERSION}_${arch}.deb"
    exit 1
fi

# --- control fields.
champ() { dpkg-deb -f "$DEB" "$1"; }
verifier "Package: vantrel" test "$(champ Package)" = "vantrel"
verifier "Version: $VERSION" test "$(champ Version)" = "$VERSION"
verifier "Architecture: $arch" test "$(champ Architecture)" = "$arch"
verifier "Section: sound" test "$(champ Section)" = "sound"
case $(champ Maintainer) in *?" <"?*@?*">") ;; *) echec "Maintainer is a name and an address: $(champ Maintainer)" ;; esac
verifier "Homepage" test -n "$(champ Homepage)"
verifier "Description" test -n "$(champ Description)"
verifier "Recommends: libpulse0 (the native output)" test "$(champ Recommends)" = "libpulse0"
verifier "Suggests: qt6-wayland (native Wayland where no X server runs)" test "$(champ Suggests)" = "qt6-wayland"
depends=$(champ Depends)
# Computed from the libraries: the toolkit (libqt6gui6 has the X11 plug-in), the tag reader, both decoders, both outputs.
for lib in libqt6widgets6 libqt6gui6 libtag1v5 libsndfile1 libsamplerate0 libavformat59 libavcodec59 libswresample4 libsdl2-2.0-0 libc6; do
    case "$depends" in *"$lib "*|*"$lib,"*|*"$lib") ;; *) echec "Depends lacks $lib: $depends" ;; esac
done

# --- the file list: everything under /usr, owned by root.
dpkg-deb -c "$DEB" > "$tmp/contenu"
awk '{ print $6 }' "$tmp/contenu" | sed 's|/$||' > "$tmp/fichiers"
for f in ./usr/bin/vantrel ./usr/lib/vantrel/vantrel ./usr/lib/vantrel/libvantrel_moteur.so ./usr/lib/vantrel/libvantrel_ffmpeg.so \
         ./usr/lib/vantrel/libvantrel_moteur.so.crc32 ./usr/lib/vantrel/libvantrel_ffmpeg.so.crc32 \
         ./usr/lib/vantrel/vantrel.config ./usr/lib/vantrel/playlist ./usr/lib/vantrel/skin/default/default.sk \
         ./usr/lib/vantrel/skin/ivoire/ivoire.sk ./usr/share/applications/vantrel.desktop \
         ./usr/share/icons/hicolor/48x48/apps/vantrel.png ./usr/share/icons/hicolor/256x256/apps/vantrel.png \
         ./usr/share/metainfo/org.vantrel.vantrel.metainfo.xml \
         ./usr/share/doc/vantrel/copyright ./usr/share/doc/vantrel/changelog.gz ./usr/share/man/man1/vantrel.1.gz; do
    grep -qx "$f" "$tmp/fichiers" || echec "package lacks $f"
done
dehors=$(grep -v -e '^\./usr/' -e '^\./usr$' -e '^\.$' "$tmp/fichiers")
verifier "nothing outside /usr ($dehors)" test -z "$dehors"
proprietaires=$(awk '{ print $2 }' "$tmp/contenu" | sort -u)
verifier "every file owned by root/root ($proprietaires)" test "$proprietaires" = "root/root"

dpkg-deb -x "$DEB" "$tmp/racine"
R="$tmp/racine"
verifier "the changelog is gzip data" sh -c "gzip -t '$R/usr/share/doc/vantrel/changelog.gz'"
verifier "the changelog's entry is this version" \
    sh -c "gzip -dc '$R/usr/share/doc/vantrel/changelog.gz' | head -n 1 | grep -q '^vantrel ($VERSION) '"
verifier "the desktop entry starts /usr/bin/vantrel" grep -qx 'Exec="/usr/bin/vantrel" %F' "$R/usr/share/applications/vantrel.desktop"
# The sum beside each (stripped) module is that of its packaged bytes.
for m in "$R"/usr/lib/vantrel/*.so; do
    verifier "the sum beside the packaged $m" test "$(cat "$m.crc32")" = "$(crc32 "$m")"
done
M="$R/usr/share/metainfo/org.vantrel.vantrel.metainfo.xml"
verifier "AppStream: French summary" grep -q '<summary xml:lang="fr">' "$M"
verifier "AppStream: English summary" grep -q '<summary>' "$M"
verifier "AppStream: the release $VERSION" grep -q "<release version=\"$VERSION\"" "$M"
verifier "AppStream: a screenshot" grep -q '<screenshot type="default">' "$M"

# --- the validators.
if command -v desktop-file-validate > /dev/null 2>&1; then
    verifier "desktop-file-validate" desktop-file-validate "$R/usr/share/applications/vantrel.desktop"
else
    echo "note: desktop-file-validate not installed"
fi
if command -v appstreamcli > /dev/null 2>&1; then
    if ! appstreamcli validate --no-net "$M" > "$tmp/appstream.log" 2>&1; then
        cat "$tmp/appstream.log"
        echec "appstreamcli validate"
    fi
else
    echo "note: appstreamcli not installed"
fi
if command -v lintian > /dev/null 2>&1; then
    # Root may run lintian only when it says so.
    lintian --allow-root --fail-on error "$DEB" > "$tmp/lintian.log" 2>&1
    r=$?
    cat "$tmp/lintian.log"
    verifier "lintian reports no error" test $r -eq 0
else
    echo "note: lintian not installed"
fi

# --- a user's first start of the packaged player, its folder read-only.
APP="$R/usr/lib/vantrel"
if mount --bind "$APP" "$APP" 2>/dev/null; then
    monte="$APP"
    mount -o remount,bind,ro "$APP" 2>/dev/null
else
    chmod -R a-w "$APP"
fi
if touch "$APP/.essai" 2>/dev/null; then
    rm -f "$APP/.essai"
    echo "note: no way to make the unpacked app folder read-only; first start not tried"
else
    mkdir -p "$tmp/maison" "$tmp/run" && chmod 700 "$tmp/run"
    printf 'RIFF\044\000\130\001WAVEfmt \020\000\000\000\001\000\002\000\104\254\000\000\020\261\002\000\004\000\020\000data\000\000\130\001' > "$tmp/titre.wav"
    head -c 22544384 /dev/zero >> "$tmp/titre.wav"   # two minutes of silence
    ( cd "$tmp" && HOME="$tmp/maison" XDG_CONFIG_HOME= XDG_DATA_HOME= XDG_RUNTIME_DIR="$tmp/run" \
        DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/no-bus" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
        exec "$R/usr/bin/vantrel" titre.wav ) > "$tmp/run.log" 2>&1 &
    pid=$!
    attendre_ouverture "$pid" "$tmp/titre.wav"
    if kill -0 "$pid" 2>/dev/null; then
        verifier "first start plays the file (no message box)" test -n "$ouvert"
        verifier "first start makes the user's settings from the installed ones" \
            cmp -s "$APP/vantrel.config" "$tmp/maison/.config/vantrel/vantrel.config"
        kill "$pid"
        wait "$pid" 2>/dev/null
    else
        cat "$tmp/run.log"
        echec "the packaged player stopped at start"
    fi
    pid=""
fi

bilan package
