// The executable's engine finds the FFmpeg decoder in libvantrel_ffmpeg.so,
// beside its own library, opened when the first file that libsndfile does
// not read is played, and never unloaded (RTLD_NODELETE: its decoders'
// code lives there, and an open given up may still run it after the engine
// is gone, ouverture_flux.h). A library that is missing, not a regular file, damaged or not
// the one the build made (its recorded sum) leaves no factory: the files
// only FFmpeg reads are then refused as unplayable.
#include "audio/bibliotheque_optionnelle.h"
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
        if (void* dl = ouvrir_module(chemin, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
            resoudre(dl, "creer_decodeur_ffmpeg", fabrique);
    });
    return fabrique;
}

}  // namespace vt::audio
