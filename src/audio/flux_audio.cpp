#include "audio/flux_audio.h"

#include "audio/decodeurs.h"

#include <pthread.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace vt::audio {

FluxAudio::FluxAudio(Memoire memoire) : memoire_(memoire ? std::move(memoire) : nouvelle_memoire()) {
    for (std::size_t i = 0; i < kBlocs; ++i) blocs_[i].donnees = memoire_.get() + i * 2 * kTramesParBloc;
    semaphore_prete_ = sem_init(&reveil_, 0, 0) == 0;
    signaux_.arret = &arret_;
    signaux_.requete = &requete_en_attente_;
}

std::shared_ptr<FluxAudio> FluxAudio::nouveau(Memoire memoire) {
    return std::shared_ptr<FluxAudio>(new FluxAudio(std::move(memoire)));
}

std::shared_ptr<FluxAudio> FluxAudio::ouvrir(const std::string& chemin, int frequence, Memoire& memoire,
                                             ChoixDecodeurs decodeurs) {
    std::shared_ptr<FluxAudio> flux = nouveau(std::move(memoire));
    if (!flux->preparer(chemin, frequence, decodeurs, table_decodeurs()) || !flux->lancer()) {
        memoire = flux->rendre_memoire();
        return nullptr;
    }
    return flux;
}

bool FluxAudio::lancer() {
    if (fil_.joinable()) return true;
    try {
        fil_ = std::thread([this] { boucle(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void FluxAudio::arreter_fil() {
    arret_ = true;
    if (fil_.joinable()) {
        sem_post(&reveil_);
        fil_.join();
    }
}

FluxAudio::Memoire FluxAudio::rendre_memoire() {
    arreter_fil();
    for (Bloc& b : blocs_) b.donnees = nullptr;
    ecrits_ = lus_ = 0;
    return std::move(memoire_);
}

FluxAudio::~FluxAudio() {
    arreter_fil();
    decodeur_.reset();
    if (semaphore_prete_) sem_destroy(&reveil_);
}

// ---------------------------------------------------------------- opening

bool FluxAudio::preparer(const std::string& chemin, int frequence, ChoixDecodeurs decodeurs,
                         std::span<const EntreeDecodeur> table) {
    frequence_ = frequence;
    if (!semaphore_prete_ ||
        ouvrir_decodeur(table, decodeurs, chemin, frequence, &signaux_, decodeur_) != Ouverture::Ouvert) {
        decodeur_.reset();
        return false;
    }
    longueur = decodeur_->longueur();
    return true;
}

// ---------------------------------------------------------------- worker

void FluxAudio::boucle() {
    pthread_setname_np(pthread_self(), "vt-decodeur");
    while (!arret_.load()) {
        if (requete_en_attente_.load()) {
            traiter_requete();
            continue;
        }
        std::uint64_t libres = kBlocs - (ecrits_.load() - lus_.load());
        if (!fin_publiee_ && libres > 0) {
            produire_bloc();
            continue;
        }
        // Nothing to do: sleep until the reader has freed half the ring, a
        // request arrives or the stream closes. Publishing `endormi_` before
        // looking at the ring again pairs with the reader's test in
        // liberer_tete(), so no wake-up is lost.
        endormi_.store(true);
        libres = kBlocs - (ecrits_.load() - lus_.load());
        if (arret_.load() || requete_en_attente_.load() || (!fin_publiee_ && libres >= kBlocs / 2)) {
            endormi_.store(false);
            continue;
        }
        signaler_publication(true);
        while (sem_wait(&reveil_) != 0 && errno == EINTR) {
        }
        endormi_.store(false);
    }
    signaler_publication(true);
}

void FluxAudio::reveiller() {
    if (endormi_.load() && endormi_.exchange(false)) sem_post(&reveil_);
}

void FluxAudio::demander_position(std::uint32_t serie, std::int64_t trame) {
    {
        std::lock_guard<std::mutex> g(verrou_requete_);
        requete_serie_ = serie;
        requete_trame_ = trame;
        requete_en_attente_ = true;
    }
    sem_post(&reveil_);
}

void FluxAudio::traiter_requete() {
    std::uint32_t serie;
    std::int64_t trame;
    {
        std::lock_guard<std::mutex> g(verrou_requete_);
        serie = requete_serie_;
        trame = requete_trame_;
        requete_en_attente_ = false;
    }
    if (serie == serie_decodee_) return;
    serie_decodee_ = serie;
    decodeur_->chercher(trame);
    fin_publiee_ = false;
    position_decodee_ = trame;
}

void FluxAudio::signaler_publication(bool important) {
    publications_.fetch_add(1);
    // A waiting pump is woken once half the ring is ready (or at the end, or
    // when the decoder stops), not for every block: a pump that runs faster
    // than the decoder then wakes a few times per second of sound.
    if (!important && ecrits_.load() - lus_.load() < kBlocs / 2) return;
    if (attente_.load()) {
        std::lock_guard<std::mutex> g(verrou_attente_);
        cv_attente_.notify_all();
    }
}

bool FluxAudio::attendre_publication(std::uint64_t vue, std::chrono::steady_clock::time_point limite) {
    std::unique_lock<std::mutex> g(verrou_attente_);
    attente_.store(true);
    bool ok = cv_attente_.wait_until(g, limite, [&] { return publications_.load() != vue || arret_.load(); });
    attente_.store(false);
    return ok;
}

// Fills the next free block and publishes it; false (nothing published)
// when a request or the close interrupts.
bool FluxAudio::produire_bloc() {
    Bloc& b = blocs_[ecrits_.load() % kBlocs];
    b.serie = serie_decodee_;
    b.debut = position_decodee_;
    b.trames = 0;
    b.fin = false;
    if (!decodeur_->remplir(b)) return false;
    position_decodee_ = b.debut + b.trames;
    if (b.fin) {
        longueur.store(decodeur_->longueur_finale(position_decodee_, longueur.load()));
        fin_publiee_ = true;
    }
    ecrits_.fetch_add(1);
    signaler_publication(b.fin);
    if (b.fin) {
        std::lock_guard<std::mutex> g(verrou_fin_);
        fin_serie_.store(b.serie);
        if (rappel_fin_) rappel_fin_(b.serie);
    }
    return true;
}

void FluxAudio::surveiller_fin(std::function<void(std::uint32_t)> rappel) {
    std::lock_guard<std::mutex> g(verrou_fin_);
    rappel_fin_ = std::move(rappel);
    if (rappel_fin_ && decodage_fini()) rappel_fin_(serie_);
}

// ---------------------------------------------------------------- reader

void FluxAudio::liberer_tete() {
    decalage_ = 0;
    std::uint64_t lus = lus_.fetch_add(1) + 1;
    std::uint64_t libres = kBlocs - (ecrits_.load() - lus);
    if (libres >= kBlocs / 2) reveiller();
}

FluxAudio::Bloc* FluxAudio::tete() {
    while (lus_.load(std::memory_order_relaxed) < ecrits_.load(std::memory_order_acquire)) {
        Bloc& b = blocs_[lus_.load(std::memory_order_relaxed) % kBlocs];
        if (b.serie != serie_ || (decalage_ >= b.trames && !b.fin)) {
            liberer_tete();
            continue;
        }
        return &b;
    }
    return nullptr;
}

void FluxAudio::consommer(std::uint32_t trames) { decalage_ += trames; }

FluxAudio::Disponible FluxAudio::disponible() {
    Disponible d;
    if (!tete()) return d;
    std::uint64_t fin = ecrits_.load(std::memory_order_acquire);
    std::uint32_t deja_lu = decalage_;
    for (std::uint64_t i = lus_.load(std::memory_order_relaxed); i < fin; ++i) {
        const Bloc& b = blocs_[i % kBlocs];
        if (b.serie != serie_) continue;
        d.trames += b.trames - deja_lu;
        deja_lu = 0;
        if (b.fin) {
            d.fin = true;
            break;
        }
    }
    return d;
}

std::size_t FluxAudio::copier_a_venir(float* destination, std::size_t trames) {
    std::size_t copie = 0;
    if (!tete()) return 0;
    std::uint64_t fin = ecrits_.load(std::memory_order_acquire);
    std::uint32_t deja_lu = decalage_;
    for (std::uint64_t i = lus_.load(std::memory_order_relaxed); i < fin && copie < trames; ++i) {
        const Bloc& b = blocs_[i % kBlocs];
        if (b.serie != serie_) continue;
        std::size_t k = std::min<std::size_t>(trames - copie, b.trames - deja_lu);
        std::memcpy(destination + 2 * copie, b.donnees + 2 * deja_lu, k * 2 * sizeof(float));
        copie += k;
        deja_lu = 0;
        if (b.fin) break;
    }
    return copie;
}

std::uint32_t FluxAudio::nouvelle_serie(std::int64_t trame) {
    lus_.store(ecrits_.load());
    decalage_ = 0;
    ++serie_;
    position = trame;
    fini = false;
    return serie_;
}

}  // namespace vt::audio
