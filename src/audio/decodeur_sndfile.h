#pragma once
// The libsndfile decoder (WAV, FLAC, Ogg Vorbis and Opus, MP3 through
// mpg123; mono or stereo), resampled with libsamplerate when the file's rate
// is not the engine's.
#include "audio/decodeur.h"

#include <memory>
#include <string>

namespace vt::audio {

// Opens `chemin` (a regular file only): with mpg123 when its first bytes
// are MPEG audio's (an ID3v2 tag or a frame sync), else with libsndfile; on
// Ouvert, `decodeur` holds the decoder. Files of more than two channels are left to
// FFmpeg, which knows their layouts' down-mixes.
Ouverture ouvrir_sans_ffmpeg(const std::string& chemin, int frequence, const Signaux* signaux,
                         std::unique_ptr<Decodeur>& decodeur);

}  // namespace vt::audio
