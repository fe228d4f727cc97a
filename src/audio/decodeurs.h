#pragma once
// The decoders as a table: one row per decoder, tried in order for each
// file. A row says which files it takes (by their first bytes) and how it
// opens one; the first row that opens the file plays it. A row that does not
// read the file (Ouverture::Inconnu) leaves it to the next row that takes it;
// a file read but unplayable (Ouverture::Injouable: an impossible sample
// rate) ends the search there, so that FFmpeg never loads for it.
//
//   mpg123      MPEG audio, by its first bytes (an ID3v2 tag or a frame sync)
//   libsndfile  the rest that it reads: WAV, FLAC, Ogg Vorbis and Opus, mono or stereo
//   FFmpeg      whatever is left (WMA, AAC, more than two channels...),
//               from libvantrel_ffmpeg.so, opened by the first file that needs it
//
// Adding a decoder is adding its row to the table (decodeurs.cpp).
#include "audio/decodeur.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace vt::audio {

// How many of a file's first bytes the rows look at.
inline constexpr std::size_t kOctetsDebut = 16;

// The file being opened: a regular, non-empty file, with a descriptor read
// from its start and its first bytes. A row that keeps the descriptor (its
// decoder closes it) sets `fd` to -1; the search closes what is left.
struct FichierAudio {
    std::string chemin;
    int fd = -1;
    std::string_view debut;  // up to kOctetsDebut bytes
};

using OuvrirDecodeur = Ouverture (*)(FichierAudio& fichier, int frequence, const Signaux* signaux,
                                     std::unique_ptr<Decodeur>& decodeur);

struct EntreeDecodeur {
    const char* nom;                        // as Decodeur::nom gives it
    bool (*prend)(std::string_view debut);  // the files it takes, by their first bytes
    OuvrirDecodeur ouvrir;                  // on Ouvert, `decodeur` holds the decoder
    bool leger;                             // loaded with the engine (else on demand)
};

// The engine's decoders, in the order they are tried.
std::span<const EntreeDecodeur> table_decodeurs();

// Opens `chemin` with the first row of `table` that `choix` keeps
// (SansFFmpeg: the light rows, FFmpegSeul: the others), that takes the
// file and opens it. Injouable for what is not a regular non-empty file.
Ouverture ouvrir_decodeur(std::span<const EntreeDecodeur> table, ChoixDecodeurs choix,
                          const std::string& chemin, int frequence, const Signaux* signaux,
                          std::unique_ptr<Decodeur>& decodeur);

// True while an open is loading the FFmpeg module (the first file that
// needs it): a wait for an open may then take longer (ouverture_flux.h).
bool module_ffmpeg_en_chargement();

// The rows' own parts (each decoder's file).
bool entete_mpeg(std::string_view debut);
Ouverture ouvrir_mpg123(FichierAudio& fichier, int frequence, const Signaux* signaux,
                        std::unique_ptr<Decodeur>& decodeur);
Ouverture ouvrir_sndfile(FichierAudio& fichier, int frequence, const Signaux* signaux,
                         std::unique_ptr<Decodeur>& decodeur);
Ouverture ouvrir_ffmpeg(FichierAudio& fichier, int frequence, const Signaux* signaux,
                        std::unique_ptr<Decodeur>& decodeur);

}  // namespace vt::audio
