#pragma once
// SDL2, opened at run time (dlopen of libSDL2-2.0.so.0) rather than linked,
// as libpulse is: SDL2 is only the fallback output, and with a sound server
// there the engine's library does not map it and the dozen libraries it
// brings (some 6 ms of the engine's loading). Only the types and constants
// come from the headers; every call goes through the table below.
#include <SDL2/SDL.h>

namespace vt::audio {

// One member per SDL function used, named after it without "SDL_".
#define VT_FONCTIONS_SDL(X) \
    X(SetHint)              \
    X(InitSubSystem)        \
    X(QuitSubSystem)        \
    X(OpenAudioDevice)      \
    X(PauseAudioDevice)     \
    X(CloseAudioDevice)     \
    X(GetAudioDeviceStatus)

struct BibliothequeSDL {
#define VT_MEMBRE(nom) decltype(&::SDL_##nom) nom = nullptr;
    VT_FONCTIONS_SDL(VT_MEMBRE)
#undef VT_MEMBRE
};

// The table, loaded on first use (thread-safe); nullptr when SDL2 is
// missing, damaged or lacks a function (bibliotheque_optionnelle.h).
const BibliothequeSDL* bibliotheque_sdl();

}  // namespace vt::audio
