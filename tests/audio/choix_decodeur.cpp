// With VANTREL_TEST_DECODEUR=ffmpeg the audio tests decode every file with
// FFmpeg alone: ctest runs the table of controls that way too ("ffmpeg.*"),
// so that both decoders behave alike under every control.
#include "audio/decodeur.h"

#include <cstdlib>
#include <cstring>

namespace {

const bool choisi = [] {
    const char* v = std::getenv("VANTREL_TEST_DECODEUR");
    if (v && std::strcmp(v, "ffmpeg") == 0) vt::audio::choisir_decodeurs(vt::audio::ChoixDecodeurs::FFmpegSeul);
    return true;
}();

}  // namespace
