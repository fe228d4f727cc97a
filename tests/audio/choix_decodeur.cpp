// With VANTREL_TEST_DECODEUR=ffmpeg the audio tests' engines decode every
// file with FFmpeg alone: ctest runs the table of controls that way too
// ("ffmpeg.*"), so that both decoders behave alike under every control.
#include "outils_audio.h"

#include <cstdlib>
#include <cstring>

namespace vt::test::audio {

vt::audio::ChoixDecodeurs decodeurs_des_tests() {
    const char* v = std::getenv("VANTREL_TEST_DECODEUR");
    return v && std::strcmp(v, "ffmpeg") == 0 ? vt::audio::ChoixDecodeurs::FFmpegSeul
                                              : vt::audio::ChoixDecodeurs::Tous;
}

}  // namespace vt::test::audio
