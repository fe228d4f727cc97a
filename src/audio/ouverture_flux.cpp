#include "audio/ouverture_flux.h"

#include <pthread.h>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>

namespace vt::audio {

namespace {

using Horloge = std::chrono::steady_clock;

// The FFmpeg module's first loading is not the file's doing (tens of
// milliseconds, a second or more on a cold disk): while it lasts, the
// caller waits on, up to this long in all.
constexpr std::chrono::milliseconds kDelaiModule{3000};

}  // namespace

// One open, shared by the caller and the opening thread. `flux` is the
// opening thread's alone until `finie`, except for its stop signal.
struct OuverturesFlux::Tache {
    std::mutex verrou;
    std::condition_variable fin;
    std::shared_ptr<FluxAudio> flux;
    bool ouvert = false;
    bool finie = false;       // the opening thread is done with the stream
    bool abandonnee = false;  // the caller has given up: the thread closes what it opened

    // On the opening thread.
    void executer(const std::string& chemin, int frequence, std::span<const EntreeDecodeur> table,
                  ChoixDecodeurs choix) {
        pthread_setname_np(pthread_self(), "vt-ouverture");
        const bool ok = flux->preparer(chemin, frequence, choix, table);
        std::unique_lock<std::mutex> g(verrou);
        ouvert = ok;
        if (abandonnee) {
            // Closed here, before the end is told: the decoder's code is not
            // the caller's to run, nor its time.
            std::shared_ptr<FluxAudio> perdu = std::move(flux);
            g.unlock();
            perdu.reset();
            g.lock();
        }
        finie = true;
        fin.notify_all();
    }
};

OuverturesFlux::OuverturesFlux(std::span<const EntreeDecodeur> table, ChoixDecodeurs choix)
    : table_(table), choix_(choix) {}

OuverturesFlux::~OuverturesFlux() {
    const Horloge::time_point limite = Horloge::now() + kDelaiFermeture;
    for (EnCours& a : abandonnees_) {
        std::unique_lock<std::mutex> g(a.tache->verrou);
        if (!a.tache->fin.wait_until(g, limite, [&] { return a.tache->finie; })) {
            // Still inside the file: it ends alone (see the header).
            g.unlock();
            a.fil.detach();
            continue;
        }
        g.unlock();
        a.fil.join();
    }
}

void OuverturesFlux::recolter() {
    std::erase_if(abandonnees_, [](EnCours& a) {
        {
            std::lock_guard<std::mutex> g(a.tache->verrou);
            if (!a.tache->finie) return false;
        }
        a.fil.join();
        return true;
    });
}

std::size_t OuverturesFlux::abandonnees() {
    recolter();
    return abandonnees_.size();
}

std::shared_ptr<FluxAudio> OuverturesFlux::ouvrir(const std::string& chemin, int frequence,
                                                  FluxAudio::Memoire& memoire) {
    if (abandonnees() >= kAbandonneesMax) return nullptr;
    const Horloge::time_point debut = Horloge::now();
    auto tache = std::make_shared<Tache>();
    tache->flux = FluxAudio::nouveau(std::move(memoire));
    std::thread fil;
    try {
        fil = std::thread([tache, chemin, frequence, table = table_, choix = choix_] {
            tache->executer(chemin, frequence, table, choix);
        });
    } catch (const std::system_error&) {
        // No thread to be had: nothing is opened rather than the caller
        // held by the file.
        memoire = tache->flux->rendre_memoire();
        return nullptr;
    }
    std::unique_lock<std::mutex> g(tache->verrou);
    Horloge::time_point limite = debut + kDelai;
    while (!tache->fin.wait_until(g, limite, [&] { return tache->finie; })) {
        if (!module_ffmpeg_en_chargement() || limite >= debut + kDelaiModule) {
            // Given up: the thread closes what it opens and ends alone.
            tache->abandonnee = true;
            tache->flux->abandonner();
            g.unlock();
            abandonnees_.push_back(EnCours{std::move(tache), std::move(fil)});
            return nullptr;
        }
        limite = std::min(limite + kDelai, debut + kDelaiModule);
    }
    g.unlock();
    fil.join();
    std::shared_ptr<FluxAudio> flux = std::move(tache->flux);
    if (!tache->ouvert || !flux->lancer()) {
        memoire = flux->rendre_memoire();
        return nullptr;
    }
    return flux;
}

}  // namespace vt::audio
