#!/bin/sh
# Makes the small audio files the audio tests play, into tests/data/.
# Needs the `ffmpeg` program (Debian package ffmpeg); the files it writes are
# committed, so building and testing do not need it.
#
#   ton440.*     440 Hz sine, amplitude 0.5, one second, mono
#   ton440.flac, ton440.m4a (AAC) as well
#   moitie_a.m4a, moitie_b.m4a  the first 0.75 s and the next 0.5 s of one
#                440 Hz sine in AAC (a join between tracks)
#   ton1000.*    1 kHz sine, amplitude 0.5, one second, mono
#   court.*      50 ms of 440 Hz (the shortest track the player must handle)
#   stereo.wav   440 Hz on the left, 1 kHz on the right, half a second
#   deux_tons.*  half a second of 440 Hz, then half a second of 1 kHz (seeking)
#   deux_frequences.mp3  one second of 440 Hz at 48 kHz, then one second of
#                1 kHz at 32 kHz, in one stream of MP3 frames (a sample rate
#                that changes in the middle)
#   pochette.mp3 ton440.mp3 with a cover picture (a video stream to ignore)
#   bad inputs: vide.mp3 (empty), aleatoire.mp3 (random bytes), tronque.mp3
#   (the first 40 % of ton440.mp3), menteur.wav (header claims one second,
#   a quarter of it is there), image.png and texte.txt (no audio stream)
set -eu
cd "$(dirname "$0")/.."
out=tests/data
mkdir -p "$out"
ff="ffmpeg -hide_banner -loglevel error -nostdin -y"
# Output options that make a second run give the same bytes.
bx="-fflags +bitexact -flags:a +bitexact"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A mono sine of frequency $1 Hz lasting $2 s at $3 Hz, amplitude 0.5.
sine() { echo "aevalsrc=0.5*sin(2*PI*$1*t):s=$3:d=$2"; }

for f in 440 1000; do
    # MP3 at 44.1 kHz with its LAME header: decoder delay and padding are trimmed
    # on playback, so exactly 44100 frames come out.
    $ff -f lavfi -i "$(sine $f 1 44100)" -c:a libmp3lame -b:a 32k $bx "$out/ton$f.mp3"
    # WAV and WMA at 22.05 kHz: the engine resamples them to the device rate.
    $ff -f lavfi -i "$(sine $f 1 22050)" -c:a pcm_s16le $bx "$out/ton$f.wav"
    $ff -f lavfi -i "$(sine $f 1 22050)" -c:a wmav2 -b:a 32k $bx "$out/ton$f.wma"
    $ff -f lavfi -i "$(sine $f 1 44100)" -c:a libvorbis -q:a 0 $bx "$out/ton$f.ogg"
done
$ff -f lavfi -i "$(sine 440 1 44100)" -c:a flac -compression_level 8 $bx "$out/ton440.flac"
$ff -f lavfi -i "$(sine 440 1 44100)" -c:a aac -b:a 32k $bx "$out/ton440.m4a"
$ff -f lavfi -i "aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=0.75" -c:a aac -b:a 64k $bx "$out/moitie_a.m4a"
$ff -f lavfi -i "aevalsrc=0.5*sin(2*PI*440*(t+0.75)):s=44100:d=0.5" -c:a aac -b:a 64k $bx "$out/moitie_b.m4a"

# 50 ms files.
$ff -f lavfi -i "$(sine 440 0.05 44100)" -c:a libmp3lame -b:a 32k $bx "$out/court.mp3"
$ff -f lavfi -i "$(sine 440 0.05 22050)" -c:a pcm_s16le $bx "$out/court.wav"
$ff -f lavfi -i "$(sine 440 0.05 22050)" -c:a wmav2 -b:a 32k $bx "$out/court.wma"
$ff -f lavfi -i "$(sine 440 0.05 44100)" -c:a libvorbis -q:a 0 $bx "$out/court.ogg"

# Two different channels.
$ff -f lavfi -i "$(sine 440 0.5 22050)" -f lavfi -i "$(sine 1000 0.5 22050)" \
    -filter_complex "[0:a][1:a]join=inputs=2:channel_layout=stereo[a]" -map "[a]" \
    -c:a pcm_s16le $bx "$out/stereo.wav"

# 440 Hz then 1 kHz: where a seek lands can be heard.
deux="aevalsrc=0.5*sin(2*PI*if(lt(t\\,0.5)\\,440\\,1000)*t):d=1"
$ff -f lavfi -i "$deux:s=22050" -c:a pcm_s16le $bx "$out/deux_tons.wav"
$ff -f lavfi -i "$deux:s=44100" -c:a libmp3lame -b:a 32k $bx "$out/deux_tons.mp3"

# MP3 frames of two sample rates, one after the other, with no header that
# would tell a length or a rate for the whole file.
mp3_nu="-c:a libmp3lame -b:a 64k -write_xing 0 -id3v2_version 0 -write_id3v1 0"
$ff -f lavfi -i "$(sine 440 1 48000)" $mp3_nu $bx -f mp3 "$tmp/a48.mp3"
$ff -f lavfi -i "$(sine 1000 1 32000)" $mp3_nu $bx -f mp3 "$tmp/b32.mp3"
cat "$tmp/a48.mp3" "$tmp/b32.mp3" > "$out/deux_frequences.mp3"

# A picture without sound, and the tone with it as cover art.
$ff -f lavfi -i "color=c=red:s=8x8" -frames:v 1 $bx "$out/image.png"
$ff -i "$out/ton440.mp3" -i "$out/image.png" -map 0:a -map 1:v -c copy \
    -id3v2_version 3 -disposition:v attached_pic $bx "$out/pochette.mp3"

# Bad inputs.
: > "$out/vide.mp3"
# Random bytes from a fixed seed, so that running the script again gives the same file.
LC_ALL=C awk 'BEGIN { srand(20261207); for (i = 0; i < 8192; i++) printf "%c", int(rand() * 256) }' \
    > "$out/aleatoire.mp3"
taille=$(wc -c < "$out/ton440.mp3")
head -c $((taille * 2 / 5)) "$out/ton440.mp3" > "$out/tronque.mp3"
taille=$(wc -c < "$out/ton440.wav")
head -c $((44 + (taille - 44) / 4)) "$out/ton440.wav" > "$out/menteur.wav"
printf 'Ceci est un fichier texte, pas du son.\n' > "$out/texte.txt"

ls -l "$out"
du -ch "$out" | tail -1
