// The FFmpeg decoder linked into the program (tests, benchmarks).
#include "audio/decodeur.h"

namespace vt::audio {

CreerDecodeurFFmpeg fabrique_ffmpeg() { return &creer_decodeur_ffmpeg; }

}  // namespace vt::audio
