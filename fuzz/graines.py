#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds come from the project's own files: the configuration layouts the
tests use, the shipped skin text and bitmaps, play lists naming the test
fixtures, and the small audio fixtures of tests/data/. Seeds of the targets
that split their input with FuzzedDataProvider are encoded the way it reads
them (strings from the front, numbers from the back), so that each one
builds the case it is named after. The corpora are committed; run this again
only after changing a target's input layout:  python3 fuzz/graines.py
"""
import os
import shutil
import struct

RACINE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(RACINE, "fuzz", "corpus")
DONNEES = os.path.join(RACINE, "tests", "data")


class Fdp:
    """Builds an input that FuzzedDataProvider (LLVM 14) reads back as given."""

    def __init__(self):
        self.avant = bytearray()
        self.arriere = []  # bytes in the order they are consumed from the end

    def chaine(self, octets):
        self.avant += octets.replace(b"\\", b"\\\\") + b"\\ "

    def entier(self, valeur, minimum, maximum):
        etendue = maximum - minimum
        v = valeur - minimum
        assert 0 <= v <= etendue
        n = 0
        while n < 8 and (etendue >> (8 * n)) > 0:
            n += 1
        for i in reversed(range(n)):  # most significant first
            self.arriere.append((v >> (8 * i)) & 0xFF)

    def booleen(self, b):
        self.entier(1 if b else 0, 0, 255)

    def u32(self, v):
        self.entier(v, 0, 2**32 - 1)

    def octets(self):
        return bytes(self.avant) + bytes(reversed(self.arriere))


def ecrire(cible, nom, octets):
    d = os.path.join(CORPUS, cible)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, nom), "wb") as f:
        f.write(octets)


def fixture(nom):
    with open(os.path.join(DONNEES, nom), "rb") as f:
        return f.read()


def config():
    ecrire("fuzz_config", "defaut.config", b'"skin/default/""default.sk""194""235""playlist/""false"')
    ecrire("fuzz_config", "signes.config", b'"skin/ivoire/""ivoire.sk""  -20""+7x""/home/u/listes/""true"')
    ecrire("fuzz_config", "bornes.config",
           b'"skin\\default\\""default.sk""99999999999""-2147483648""playlist\\"')
    ecrire("fuzz_config", "impair.config", b'x"a""b"c"d')
    with open(os.path.join(RACINE, "skin", "default", "default.sk"), "rb") as f:
        ecrire("fuzz_config", "default.sk", f.read())


def playlist():
    listes = {
        "fixtures": b"".join(b'"/home/u/Musique/' + n.encode() + b'"' for n in sorted(os.listdir(DONNEES))),
        "windows": b'"C:\\Musique\\Album\\titre 1.mp3""D:\\son.WAV""\\\\serveur\\partage\\x.wma"',
        "accents": '"/m/Été/chanson d\'été.mp3""/m/ÉCOLE/Zoé.ogg""/m/a/"'.encode("utf-8"),
        "vide": b"",
    }
    for nom, texte in listes.items():
        f = Fdp()
        f.chaine(texte)
        f.entier(1, -1, 3), f.entier(1, 0, 2)   # swap the first two entries
        f.entier(0, -1, 3), f.entier(0, 0, 2)   # delete the first
        f.entier(2, 0, 8)                        # two files in the folder
        f.chaine(b"jazz"), f.entier(0, 0, 3)     # jazz.vtlist
        f.chaine(b"notes"), f.entier(3, 0, 3)    # notes
        f.chaine(b"ja"), f.booleen(True)         # folder value ending with "ja"
        ecrire("fuzz_playlist", nom, f.octets())


def skin():
    def image(f, mode, l=8, h=4, bmp=True):
        f.entier(mode, 0, 5)
        if mode in (1, 2, 3):
            f.entier(l, 1, 48), f.entier(h, 1, 48)
            f.booleen(False)  # 32-bit
            f.u32(0x336699)
            f.booleen(bmp)  # true: BMP, false: PNG
        if mode == 2:
            f.entier(30, 0, 255)  # truncated to 30 bytes (the pictures are < 256 bytes)
        if mode == 4:
            f.chaine(b"BM\x00\x01 not a picture")
        if mode == 3:
            f.entier(2, 1, 8)
            for _ in range(2):
                f.entier(0x41, 0, 255)
                f.entier(3, 0, 254)

    def valeurs(f, n, activer=True, choix=lambda i: i % 6):
        f.booleen(True)  # structured text
        f.entier(n, 0, 50)
        for i in range(1, n + 1):
            f.chaine(b"\n" if i > 1 else b"skin ")
            if i == 1:
                continue
            if i == 44:
                f.booleen(activer)
                if activer:
                    continue
            f.entier(1, 0, 15)
            f.entier(choix(i), 0, 5)

    # Every picture sound: the skin applies.
    f = Fdp()
    for k in range(6):
        image(f, 1, 4 + k, 3, bmp=k != 2)
    valeurs(f, 44)
    f.entier(1, 0, 31)
    ecrire("fuzz_skin", "saine", f.octets())
    # Truncated and damaged pictures: the loader stops at the first.
    f = Fdp()
    for mode in [1, 1, 2, 3, 4, 1]:
        image(f, mode)
    valeurs(f, 44, activer=False)
    f.entier(1, 0, 31)
    ecrire("fuzz_skin", "abimee", f.octets())
    # Missing files and too few values.
    f = Fdp()
    for mode in [0, 1, 0, 1, 5, 1]:
        image(f, mode)
    valeurs(f, 30)
    f.entier(1, 0, 31)
    ecrire("fuzz_skin", "incomplete", f.octets())
    # The shipped skin's text as raw bytes, its pictures all missing.
    f = Fdp()
    for _ in range(6):
        f.entier(0, 0, 5)
    f.booleen(False)
    with open(os.path.join(RACINE, "skin", "default", "default.sk"), "rb") as s:
        f.chaine(s.read())
    f.entier(1, 0, 31)
    ecrire("fuzz_skin", "default.sk", f.octets())
    # A shipped bitmap as raw bytes.
    with open(os.path.join(RACINE, "skin", "default", "couleurs.bmp"), "rb") as s:
        ecrire("fuzz_skin", "couleurs.bmp", s.read())


def bmp():
    # Shipped bitmaps as they are, one stored top-down, one with the longest
    # information header, and one with a colour table (8 bits per pixel).
    def lire(nom):
        with open(os.path.join(RACINE, "skin", "default", nom), "rb") as f:
            return f.read()
    for nom in ["couleurs.bmp", "image_play.bmp", "curseur_volume.bmp"]:
        ecrire("fuzz_bmp", nom, lire(nom))
    o = bytearray(lire("image_play.bmp"))
    largeur, hauteur = struct.unpack_from("<ii", o, 18)
    pas = (largeur * 3 + 3) & ~3
    lignes = [bytes(o[54 + y * pas:54 + (y + 1) * pas]) for y in range(hauteur)]
    struct.pack_into("<i", o, 22, -hauteur)
    o[54:] = b"".join(reversed(lignes))
    ecrire("fuzz_bmp", "haut_en_bas.bmp", bytes(o))
    o = bytearray(lire("couleurs.bmp"))
    v5 = o[:14] + struct.pack("<I", 124) + o[18:54] + bytes(124 - 40) + o[54:]
    struct.pack_into("<I", v5, 10, 14 + 124)
    struct.pack_into("<I", v5, 2, len(v5))
    ecrire("fuzz_bmp", "entete_v5.bmp", bytes(v5))
    palette = struct.pack("<2sIHHI", b"BM", 14 + 40 + 8 + 4, 0, 0, 14 + 40 + 8)
    palette += struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 8, 0, 4, 2835, 2835, 2, 0)
    palette += bytes([0, 0, 0, 0, 255, 255, 255, 0]) + bytes([0, 1, 0, 0, 1, 0, 0, 0])
    ecrire("fuzz_bmp", "palette.bmp", palette)


def audio():
    # First byte: the extension (index into .mp3 .wav .ogg .wma .flac .m4a .aac "")
    # and, in its upper bits, seek, pause and seek place; bit 0x20 set gives
    # the file to FFmpeg alone, clear to mpg123 or libsndfile first. Each
    # file is there both ways ("ffmpeg_" names the FFmpeg one).
    ext = {".mp3": 0, ".wav": 1, ".ogg": 2, ".wma": 3, ".flac": 4}
    for nom in ["court.mp3", "court.wav", "court.ogg", "court.wma", "tronque.mp3", "menteur.wav",
                "pochette.mp3", "deux_tons.mp3", "texte.txt", "image.png", "vide.mp3"]:
        base, e = os.path.splitext(nom)
        choix = ext.get(e, 7) | 0x08 | 0x10 | 0x30
        ecrire("fuzz_audio", "ffmpeg_" + nom, bytes([choix]) + fixture(nom))
        ecrire("fuzz_audio", nom, bytes([choix & ~0x20]) + fixture(nom))
    ecrire("fuzz_audio", "aleatoire.mp3", bytes([0]) + fixture("aleatoire.mp3")[:2048])
    ecrire("fuzz_audio", "debut.flac", bytes([4]) + fixture("ton440.flac")[:6000])
    ecrire("fuzz_audio", "debut.wav", bytes([1]) + fixture("ton440.wav")[:3000])
    # What fuzzing found: a WAV claiming 0x20005622 Hz (one byte off 22050),
    # for which setting up the resampler took seconds and gigabytes per frame.
    wav = bytearray(fixture("ton440.wav")[:7234])
    wav[24:28] = struct.pack("<I", 0x20005622)
    ecrire("fuzz_audio", "taux_absurde.wav", bytes([0x19]) + bytes(wav))
    ecrire("fuzz_audio", "ffmpeg_taux_absurde.wav", bytes([0x39]) + bytes(wav))
    # A WAV claiming 1 Hz: its second of 44.1 kHz sound would last half a day.
    wav = bytearray(fixture("ton440.wav"))
    wav[24:28] = struct.pack("<I", 1)
    ecrire("fuzz_audio", "un_hertz.wav", bytes([0x19]) + bytes(wav))


if __name__ == "__main__":
    shutil.rmtree(CORPUS, ignore_errors=True)
    config()
    playlist()
    skin()
    bmp()
    audio()
    for d in sorted(os.listdir(CORPUS)):
        fichiers = os.listdir(os.path.join(CORPUS, d))
        taille = sum(os.path.getsize(os.path.join(CORPUS, d, x)) for x in fichiers)
        print(f"{d}: {len(fichiers)} seeds, {taille} bytes")
