#!/bin/sh
# The first settings of the build's app folder: copied from the shipped
# vantrel.config where there is none or an earlier version's untouched
# first settings lie, any other one (or a link) left byte for byte as it
# is, and the build's own app folder has one.
#
#   config_initiale_test.sh <cmake> <source folder> <app folder>
set -u
CMAKE=$1
SOURCE=$2
APPDIR=$3
SCRIPT="$SOURCE/packaging/config_initiale.cmake"
SHIPPED="$SOURCE/packaging/vantrel.config"
. "$(dirname "$0")/commun.sh"
lancer() { "$CMAKE" -DSOURCE="$SHIPPED" -DCIBLE="$1/vantrel.config" -P "$SCRIPT"; }

# A folder without settings gets the shipped ones, byte for byte.
mkdir "$tmp/vide"
lancer "$tmp/vide" || echec "the script failed on an empty folder"
cmp -s "$SHIPPED" "$tmp/vide/vantrel.config" || echec "empty folder: not the shipped settings"

# An earlier version's first settings, untouched, become the shipped ones.
mkdir "$tmp/ancienne"
printf '"skin/default/""default.sk""194""235""playlist/""false"' > "$tmp/ancienne/vantrel.config"
lancer "$tmp/ancienne" && cmp -s "$SHIPPED" "$tmp/ancienne/vantrel.config" || echec "earlier first settings kept"

# The user's settings are never replaced, whatever they hold (here the
# earlier first settings, the window moved by one pixel).
mkdir "$tmp/utilise"
printf '"skin/default/""default.sk""195""235""playlist/""false"' > "$tmp/utilise/vantrel.config"
lancer "$tmp/utilise" || echec "the script failed on a folder with settings"
test "$(cat "$tmp/utilise/vantrel.config")" = '"skin/default/""default.sk""195""235""playlist/""false"' ||
    echec "existing settings were replaced"
: > "$tmp/utilise/vantrel.config"
lancer "$tmp/utilise"
test ! -s "$tmp/utilise/vantrel.config" || echec "an empty vantrel.config was replaced"

# A dangling link stays a link: nothing is written through it.
mkdir "$tmp/lien"
ln -s "$tmp/nulle-part" "$tmp/lien/vantrel.config"
lancer "$tmp/lien"
test -L "$tmp/lien/vantrel.config" && test ! -e "$tmp/nulle-part" || echec "a dangling link was followed or replaced"

# The build's app folder has its settings.
test -f "$APPDIR/vantrel.config" || echec "no vantrel.config in $APPDIR"

bilan "first settings"
