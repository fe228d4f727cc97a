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
    std::string chemin;
    int frequence = 0;
    std::mutex verrou;
    std::condition_variable fin;
    std::shared_ptr<FluxAudio> flux;
    bool ouvert = false;
    bool finie = false;       // the opening thread is done with the stream
    bool abandonnee = false;  // the caller has given up: the thread closes what it opened

    // On the opening thread; true when the caller gave it up.
    bool executer(std::span<const EntreeDecodeur> table, ChoixDecodeurs choix) {
        const bool ok = flux->preparer(chemin, frequence, choix, table);
        std::unique_lock<std::mutex> g(verrou);
        ouvert = ok;
        const bool perdue = abandonnee;
        if (perdue) {
            // Closed here, before the end is told: the decoder's code is not
            // the caller's to run, nor its time.
            std::shared_ptr<FluxAudio> perdu = std::move(flux);
            g.unlock();
            perdu.reset();
            g.lock();
        }
        finie = true;
        fin.notify_all();
        return perdue;
    }
};

// The waiting opening thread's box: the next open, or its end. A thread
// already there is woken at once, where a new one would wait for its first
// turn on a busy machine (heard as a longer silence at a change of track).
struct OuverturesFlux::Poste {
    std::mutex verrou;
    std::condition_variable reveil;
    std::shared_ptr<Tache> tache;
    bool fin = false;

    // The opening thread's life: opens until it is told to end, or until
    // an open of its own is given up (another thread takes its place).
    void servir(std::span<const EntreeDecodeur> table, ChoixDecodeurs choix) {
        pthread_setname_np(pthread_self(), "vt-ouverture");
        for (;;) {
            std::shared_ptr<Tache> t;
            {
                std::unique_lock<std::mutex> g(verrou);
                reveil.wait(g, [&] { return tache || fin; });
                if (!tache) return;
                t = std::move(tache);
            }
            if (t->executer(table, choix)) return;
        }
    }
};

OuverturesFlux::OuverturesFlux(std::span<const EntreeDecodeur> table, ChoixDecodeurs choix)
    : table_(table), choix_(choix) {}

OuverturesFlux::~OuverturesFlux() {
    if (poste_) {
        {
            std::lock_guard<std::mutex> g(poste_->verrou);
            poste_->fin = true;
        }
        poste_->reveil.notify_all();
        fil_.join();  // waiting: it ends at once
    }
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
    if (!poste_) {
        try {
            auto poste = std::make_shared<Poste>();
            fil_ = std::thread([poste, table = table_, choix = choix_] { poste->servir(table, choix); });
            poste_ = std::move(poste);
        } catch (const std::system_error&) {
            // No thread to be had: nothing is opened rather than the caller
            // held by the file.
            return nullptr;
        }
    }
    auto tache = std::make_shared<Tache>();
    tache->chemin = chemin;
    tache->frequence = frequence;
    tache->flux = FluxAudio::nouveau(std::move(memoire));
    {
        std::lock_guard<std::mutex> g(poste_->verrou);
        poste_->tache = tache;
    }
    poste_->reveil.notify_one();
    std::unique_lock<std::mutex> g(tache->verrou);
    Horloge::time_point limite = debut + kDelai;
    while (!tache->fin.wait_until(g, limite, [&] { return tache->finie; })) {
        if (!module_ffmpeg_en_chargement() || limite >= debut + kDelaiModule) {
            // Given up: the thread closes what it opens and ends alone.
            tache->abandonnee = true;
            tache->flux->abandonner();
            g.unlock();
            // That thread ends with this open; the next open starts another.
            abandonnees_.push_back(EnCours{std::move(tache), std::move(fil_)});
            poste_.reset();
            return nullptr;
        }
        limite = std::min(limite + kDelai, debut + kDelaiModule);
    }
    g.unlock();
    std::shared_ptr<FluxAudio> flux = std::move(tache->flux);
    if (!tache->ouvert || !flux->lancer()) {
        memoire = flux->rendre_memoire();
        return nullptr;
    }
    return flux;
}

}  // namespace vt::audio
