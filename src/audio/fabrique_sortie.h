#pragma once
// Which output the engine plays through, chosen once when it is made.
#include "audio/sortie_audio.h"

#include <memory>
#include <string_view>

namespace vt {

// The output the engine uses when none is given. VANTREL_SORTIE chooses:
// "sdl" for SDL2, "pulse" for PulseAudio only (silent until a server
// answers); anything else, or nothing, for PulseAudio when a server answers
// within 200 ms, otherwise SDL2 when it has a device and else PulseAudio
// once a server answers. SDL2 is also used when SDL_AUDIODRIVER asks
// for SDL's silent drivers ("dummy", "disk"), as the tests do.
std::unique_ptr<SortieAudio> creer_sortie_par_defaut();
// The same for an explicit choice ("sdl", "pulse", anything else: automatic).
std::unique_ptr<SortieAudio> creer_sortie(std::string_view choix);

}  // namespace vt
