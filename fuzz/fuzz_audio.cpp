// The audio engine's open and decode of any bytes.
//
// The first byte of the input picks the file name's extension (FFmpeg takes
// it as a hint) and the decoders (bit 0x20: FFmpeg alone, else libsndfile
// first, then FFmpeg for what it does not read), the rest is the file. Each input is written to a file, then
// opened, started, pumped through the manual output for at most about 1.5 s
// of sound (with, as the input says, a seek, a pause and a resume, volume and
// balance), stopped and closed. Checked: the engine never crashes or hangs
// (the pump's waits are bounded, libFuzzer's -timeout catches the rest), the
// read position never passes the length, the elapsed time never passes the
// total, a stopped stream no longer plays, a closed one is gone, and file
// descriptors and threads do not pile up over the run.
#include "audio/decodeur.h"
#include "audio/lecteur_media.h"
#include "audio/sortie_manuelle.h"
#include "outils_fuzz.h"

#include <dirent.h>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using vt::fuzz::dossier_travail;

constexpr std::size_t kPeriode = 2048;
constexpr int kPeriodesMax = 32;  // about 1.5 s at 44.1 kHz

// One engine for each choice of decoders: all of them, FFmpeg alone.
struct Banc {
    vt::MoteurAudio* moteur = nullptr;
    vt::SortieManuelle* sortie = nullptr;
};
Banc bancs[2];

int entrees(const char* dossier) {
    int n = 0;
    if (DIR* d = ::opendir(dossier)) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (auto choix : {vt::audio::ChoixDecodeurs::Tous, vt::audio::ChoixDecodeurs::FFmpegSeul}) {
        Banc& b = bancs[choix == vt::audio::ChoixDecodeurs::FFmpegSeul];
        auto s = std::make_unique<vt::SortieManuelle>();
        b.sortie = s.get();
        b.moteur = vt::creer_moteur_decodeurs(std::move(s), choix).release();
        VT_EXIGER(vt::demarrer(*b.moteur));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const extensions[] = {".mp3", ".wav", ".ogg", ".wma", ".flac", ".m4a", ".aac", ""};
    static std::uint64_t executions = 0;
    if (size < 1) return 0;
    const std::uint8_t choix = data[0];
    const std::string chemin = dossier_travail() + "entree" + extensions[choix & 7];
    vt::fuzz::ecrire_fichier(chemin, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

    vt::MoteurAudio* moteur = bancs[(choix & 0x20) != 0].moteur;
    vt::SortieManuelle* sortie = bancs[(choix & 0x20) != 0].sortie;
    const int flux = moteur->ouvrir_flux(chemin);
    if (flux != 0) {
        const int canal = moteur->jouer_flux(-1, flux);
        VT_EXIGER(canal >= 0);
        moteur->definir_volume(canal, 200);
        moteur->definir_pan(canal, choix);
        std::vector<float> tampon(2 * kPeriode);
        for (int p = 0; p < kPeriodesMax && moteur->en_lecture(canal); ++p) {
            if (p == 4 && (choix & 0x08)) moteur->aller_a_ms(flux, (choix >> 4) * 60);
            if (p == 6 && (choix & 0x10)) moteur->mettre_en_pause(canal, true);
            if (p == 8) moteur->mettre_en_pause(canal, false);
            sortie->pomper_dans(tampon.data(), kPeriode);
            VT_EXIGER(moteur->position(flux) >= 0);
            VT_EXIGER(moteur->position(flux) <= moteur->longueur(flux));
            const std::int64_t t = moteur->temps_ms(flux), total = moteur->longueur_ms(flux);
            VT_EXIGER(t >= 0 && (total <= 0 || t <= total));
        }
        moteur->arreter_flux(flux);
        VT_EXIGER(!moteur->en_lecture(canal));
        moteur->fermer_flux(flux);
        VT_EXIGER(moteur->longueur(flux) == 0 && moteur->temps_ms(flux) == 0);
    }
    std::remove(chemin.c_str());

    // Every stream's file and decoder thread are released once closed.
    if (++executions % 256 == 0) {
        VT_EXIGER(entrees("/proc/self/fd") < 64);
        VT_EXIGER(entrees("/proc/self/task") < 16);
    }
    return 0;
}
