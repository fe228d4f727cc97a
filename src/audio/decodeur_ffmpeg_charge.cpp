// The executable's engine finds the FFmpeg decoder in libvantrel_ffmpeg.so,
// beside its own library, opened when the first file that libsndfile does
// not read is played, and kept open from then on (its decoders' code lives
// there).
#include "audio/decodeur.h"

#include <dlfcn.h>
#include <mutex>
#include <string>

namespace vt::audio {

CreerDecodeurFFmpeg fabrique_ffmpeg() {
    static std::once_flag une_fois;
    static CreerDecodeurFFmpeg fabrique = nullptr;
    std::call_once(une_fois, [] {
        Dl_info info{};
        std::string chemin;
        if (::dladdr(reinterpret_cast<void*>(&fabrique_ffmpeg), &info) && info.dli_fname) {
            chemin = info.dli_fname;
            std::size_t sep = chemin.find_last_of('/');
            chemin = sep == std::string::npos ? std::string() : chemin.substr(0, sep + 1);
        }
        chemin += kBibliothequeFFmpeg;
        if (void* dl = ::dlopen(chemin.c_str(), RTLD_NOW | RTLD_LOCAL))
            fabrique = reinterpret_cast<CreerDecodeurFFmpeg>(::dlsym(dl, "creer_decodeur_ffmpeg"));
    });
    return fabrique;
}

}  // namespace vt::audio
