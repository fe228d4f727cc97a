// The PulseAudio output's connection: connecting (at the start, within a
// delay, with SDL2 or waiting as the fallback), a stream or the server lost,
// the watch thread that makes the stream again or reaches the server again,
// and closing. The stream and its clock are in sortie_pulse.cpp, the state
// in sortie_pulse_etat.h.
//
// Threads: the context's and the stream's losses are seen on libpulse's
// main loop thread (main loop lock held), which only notes them and wakes
// the watch thread (`m_evenements`, a leaf). The watch thread and the GUI's
// calls hold `bascule` and take the main loop lock inside it; creating and
// destroying the loop and the context is done without the main loop lock
// (`bascule` held). While the server is away the watch thread connects
// without `bascule`, so that the GUI's calls are not held up.
#include "audio/sortie_pulse_etat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace vt {

bool descripteurs_epuises() {
    const int d = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (d < 0) return errno == EMFILE || errno == ENFILE;
    ::close(d);
    return false;
}

std::string chemin_socket_serveur(std::string_view serveurs) {
    // Space-separated, each possibly led by "{machine id}".
    while (!serveurs.empty()) {
        const std::size_t fin = serveurs.find(' ');
        std::string_view s = serveurs.substr(0, fin);
        serveurs = fin == std::string_view::npos ? std::string_view() : serveurs.substr(fin + 1);
        if (!s.empty() && s.front() == '{') {
            const std::size_t f = s.find('}');
            s = f == std::string_view::npos ? std::string_view() : s.substr(f + 1);
        }
        if (s.substr(0, 5) == "unix:") s.remove_prefix(5);
        if (!s.empty() && s.front() == '/') return std::string(s);
    }
    return {};
}

#if VANTREL_AVEC_PULSE

namespace {
// What was written to the server and not yet heard is kept this long (the
// server holds about kTamponMs of it): a new stream plays it again first, so
// that sound lost with a server or a stream goes on from what was heard.
constexpr int kRetenueMs = 3 * SortiePulse::kTamponMs;
// The server gone: the tries to reach it again, the first at once, then
// 0.5 s, 0.75 s, then every second; and, between them, as soon as its
// socket is made anew (looked at every kSondeSocket: a server started again
// is heard within that, not at the next try).
std::chrono::milliseconds attente_reconnexion(int essai) {
    return std::chrono::milliseconds(essai == 0 ? 0 : std::min(250 * (essai + 1), 1000));
}
constexpr std::chrono::milliseconds kSondeSocket{100};
// Frames written again over the server's queue per write (a fade-out covers
// the whole rest of the queue with silence, so that nothing of the old sound
// follows a late cork).
constexpr std::size_t kTramesBrouillon = 4096;

// Which file a path names, to tell a socket made anew from a stale one.
struct IdentiteFichier {
    bool existe = false;
    dev_t peripherique = 0;
    ino_t inode = 0;
    bool operator==(const IdentiteFichier&) const = default;
};
IdentiteFichier identite_fichier(const std::string& chemin) {
    struct stat st {};
    if (chemin.empty() || ::stat(chemin.c_str(), &st) != 0) return {};
    return {true, st.st_dev, st.st_ino};
}
}  // namespace

SuitePerteFlux suite_perte_flux(bool contexte_ok, int erreur, bool attente_sink) {
    if (!contexte_ok) return SuitePerteFlux::QuitterServeur;
    if (erreur == PA_ERR_NOENTITY)
        return attente_sink ? SuitePerteFlux::Attendre : SuitePerteFlux::AttendreSink;
    return SuitePerteFlux::Recreer;
}

// Waits for `condition` (with the lock held) at most `delai`.
template <class F>
bool SortiePulse::Etat::attendre(F condition, std::chrono::milliseconds delai) {
    echu = false;
    auto us = std::uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(delai).count());
    echeance = pa->context_rttime_new(contexte, pa->rtclock_now() + us, &sur_echeance, this);
    while (!condition() && !echu) pa->threaded_mainloop_wait(boucle);
    pa->threaded_mainloop_get_api(boucle)->time_free(echeance);
    echeance = nullptr;
    return condition();
}

void SortiePulse::Etat::signaler(bool panne_serveur) {
    {
        std::lock_guard<std::mutex> g(m_evenements);
        (panne_serveur ? panne : flux_perdu) = true;
    }
    cv_evenements.notify_one();
}

void SortiePulse::Etat::sur_etat_contexte(pa_context* c, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    pa_context_state_t s = e->pa->context_get_state(c);
    if (!PA_CONTEXT_IS_GOOD(s)) {
        // Nothing more is heard from now on (only a connection that
        // plays has a stream; a try to reach the server has none).
        if (e->flux) {
            e->arreter_horloge();
            e->noter_perte();
        }
        e->signaler(true);
    }
    e->pa->threaded_mainloop_signal(e->boucle, 0);
}

// Subscribed to the sink events: the stream is made again once.
void SortiePulse::Etat::sur_abonnement(pa_context*, int ok, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    if (ok && e->attente_sink) e->signaler(false);
}

// A sink appeared while our stream had none: made again now.
void SortiePulse::Etat::sur_evenement(pa_context*, pa_subscription_event_type_t t, std::uint32_t, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    if (!e->attente_sink || (t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK ||
        (t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_NEW)
        return;
    // The server called back: not one of the kills in a row.
    e->recreations.remettre_a_zero();
    e->signaler(false);
}

void SortiePulse::Etat::sur_echeance(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    e->echu = true;
    e->pa->threaded_mainloop_signal(e->boucle, 0);
}

// The stream or the server is lost (the clock just stopped): the sound
// stopped where the server's view, carried forward to now, says, when
// that is behind the clock. The heard count goes back there, and a new
// stream plays again from there.
void SortiePulse::Etat::noter_perte() {
    if (!vue_valide) return;
    vue_valide = false;
    auto ecoule = std::int64_t((pa->rtclock_now() - vue_t) * std::uint64_t(frequence) / 1000000u);
    entendues = entendues_apres_perte(entendues, vue + ecoule, tirees, capacite_retenues(), plancher);
}

// No sink for the stream: nothing is written and nothing is asked of
// the server until it reports a new sink. The subscription is confirmed
// before one more try, so that a sink added meanwhile is not missed.
void SortiePulse::Etat::attendre_sink() {
    attente_sink = true;
    pa->context_set_subscribe_callback(contexte, &sur_evenement, this);
    abandonner(pa->context_subscribe(contexte, PA_SUBSCRIPTION_MASK_SINK, &sur_abonnement, this));
}

void SortiePulse::Etat::quitter_attente_sink() {
    if (!attente_sink) return;
    attente_sink = false;
    abandonner(pa->context_subscribe(contexte, PA_SUBSCRIPTION_MASK_NULL, nullptr, nullptr));
    pa->context_set_subscribe_callback(contexte, nullptr, nullptr);
}

// A write refused: the server went away (or only our stream).
void SortiePulse::Etat::echec_ecriture() {
    if (PA_CONTEXT_IS_GOOD(pa->context_get_state(contexte))) {
        if (pa->stream_get_state(flux) == PA_STREAM_READY) return;  // a passing refusal
        arreter_horloge();
        noter_perte();
        signaler(false);
    } else {
        arreter_horloge();
        noter_perte();
        signaler(true);
    }
}

// Before a new stream takes over from a lost one (server or stream):
// what was heard stays heard, the rest is written again first, and the
// stream waits corked until it holds enough (as after a flush).
void SortiePulse::Etat::reprendre() {
    abandonner_coupure();
    arreter_horloge();
    // Older than what was kept: lost for good, counted as dropped.
    entendues = std::max(entendues, tirees - capacite_retenues());
    ecrites = entendues;
    vider_flux();
    inactif = false;
}

bool SortiePulse::Etat::connecter(std::chrono::milliseconds delai) {
    if (boucle) return contexte != nullptr;
    pa = audio::bibliotheque_pulse();
    if (!pa) return false;
    sans_fil = false;
    boucle = pa->threaded_mainloop_new();
    if (!boucle) return false;
    pa_proplist* p = pa->proplist_new();
    pa->proplist_sets(p, PA_PROP_APPLICATION_NAME, "vantrel");
    pa->proplist_sets(p, PA_PROP_APPLICATION_ID, "vantrel");
    pa->proplist_sets(p, PA_PROP_MEDIA_ROLE, "music");
    contexte = pa->context_new_with_proplist(pa->threaded_mainloop_get_api(boucle), "vantrel", p);
    pa->proplist_free(p);
    bool pret = contexte && pa->threaded_mainloop_start(boucle) >= 0;
    // The loop's thread could not be made: no server is waited for.
    sans_fil = contexte && !pret;
    if (pret) {
        verrouiller();
        pa->context_set_state_callback(contexte, &sur_etat_contexte, this);
        // Never start a server: a missing one means SDL2.
        pret = pa->context_connect(contexte, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
               attendre(
                   [&] {
                       pa_context_state_t s = pa->context_get_state(contexte);
                       return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
                   },
                   delai) &&
               pa->context_get_state(contexte) == PA_CONTEXT_READY;
        if (pret) {
            const char* serveur = pa->context_get_server(contexte);
            if (serveur) socket = chemin_socket_serveur(serveur);
        }
        deverrouiller();
    }
    if (!pret) detruire();
    return pret;
}

bool SortiePulse::Etat::ouvrir_flux(std::chrono::milliseconds delai) {
    verrouiller();
    bool pret = pa->context_get_state(contexte) == PA_CONTEXT_READY && creer_flux() &&
                attendre(
                    [&] {
                        pa_stream_state_t s = pa->stream_get_state(flux);
                        return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
                    },
                    delai) &&
                flux_pret;
    deverrouiller();
    return pret;
}

void SortiePulse::Etat::detruire() {
    if (!boucle) return;
    verrouiller();
    lacher_flux();
    pa_mainloop_api* api = pa->threaded_mainloop_get_api(boucle);
    if (minuteur) api->time_free(minuteur);
    minuteur = nullptr;
    if (fin_coupure) api->time_free(fin_coupure);
    fin_coupure = nullptr;
    coupure = Coupure::Aucune;
    attente_sink = false;
    if (contexte) {
        pa->context_set_subscribe_callback(contexte, nullptr, nullptr);
        pa->context_set_state_callback(contexte, nullptr, nullptr);
        pa->context_disconnect(contexte);
        pa->context_unref(contexte);
        contexte = nullptr;
    }
    deverrouiller();
    pa->threaded_mainloop_stop(boucle);
    pa->threaded_mainloop_free(boucle);
    boucle = nullptr;
}

bool SortiePulse::connecter() {
    std::lock_guard<std::recursive_mutex> b(e_->bascule);
    bool ok = e_->connecter(delai_);
    e_->sonde_echouee = !ok;
    return ok;
}

bool SortiePulse::ouvrir(int frequence, SourceAudio& source) {
    if (mode_.load() != Mode::Ferme) fermer();
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (e.boucle) e.verrouiller();
    e.source = &source;
    e.frequence = frequence;
    e.retenues.assign(std::size_t(std::int64_t(frequence) * kRetenueMs / 1000) * 2, 0.0f);
    e.trames_rampe = trames_fondu(frequence);
    e.brouillon.assign(kTramesBrouillon * 2, 0.0f);
    e.silence.assign(std::size_t(std::int64_t(frequence) * 2 * kMargeFonduMs / 1000) * 2, 0.0f);
    e.silence_due = false;
    e.silence_tete = 0;
    e.gauche_ecrit = e.droite_ecrit = e.rampe_g = e.rampe_d = 1;
    e.rampe_debut = 0;
    e.niveaux_demandes = false;
    e.coupure = Etat::Coupure::Aucune;
    e.reprise = e.fondu_entree = -1;
    e.tirees = e.entendues = e.ecrites = e.base = e.plancher = 0;
    e.vue_valide = false;
    e.joue = false;
    e.inactif = false;
    e.suspendu = false;
    e.vide = true;
    e.en_marche = false;
    e.gauche = e.droite = 1;
    e.titre.clear();
    e.recreations.remettre_a_zero();
    if (e.boucle) e.deverrouiller();
    {
        std::lock_guard<std::mutex> g(e.m_evenements);
        e.arret = e.panne = e.flux_perdu = e.essai_demande = false;
    }
    // A server that did not answer connecter a moment ago is not waited
    // for a second time here.
    const bool essayer = !e.sonde_echouee;
    e.sonde_echouee = false;
    if (essayer && e.connecter(delai_) && e.ouvrir_flux(delai_)) {
        mode_ = Mode::Pulse;
        if (lancer_fil(e.surveillant, [this] { surveiller(); })) return true;
        // No thread left for the watch: no output rather than one that
        // would never come back from a loss.
        e.detruire();
        mode_ = Mode::Ferme;
        e.source = nullptr;
        return false;
    }
    e.detruire();
    if (repli_ == Repli::SDL) {
        mode_ = Mode::SDL;
        e.secours = std::make_unique<SortieSDL>();
        if (e.secours->ouvrir(frequence, source)) return true;
        e.secours.reset();
    }
    // Waiting is for a server that may come: not with a libpulse that
    // cannot be loaded (missing or damaged), unless that load met the
    // descriptors running out.
    const bool libpulse = audio::bibliotheque_pulse() != nullptr || descripteurs_epuises();
    if (!libpulse || e.sans_fil || !attendre_serveur(source)) {
        mode_ = Mode::Ferme;
        e.source = nullptr;
        return false;
    }
    return true;
}

bool SortiePulse::attendre_serveur(SourceAudio& source) {
    // Nothing else to play on (no server yet, no SDL2 device, or no
    // descriptor left for either): the output waits for a server as after
    // a crash. The engine starts and plays meanwhile, its heard count at 0,
    // and the track is heard from where it stands once a server answers.
    Etat& e = *e_;
    e.source = &source;
    mode_ = Mode::Attente;
    return lancer_fil(e.surveillant, [this] {
        reconnecter();
        surveiller();
    });
}

void SortiePulse::surveiller() {
    Etat& e = *e_;
    std::unique_lock<std::mutex> g(e.m_evenements);
    for (;;) {
        e.cv_evenements.wait(g, [&] { return e.arret || e.panne || e.flux_perdu; });
        if (e.arret) return;
        // The server gone, or only our stream killed (then made again).
        bool panne = e.panne;
        e.panne = e.flux_perdu = false;
        g.unlock();
        bool perdu = false;
        {
            std::lock_guard<std::recursive_mutex> b(e.bascule);
            if (mode_.load() == Mode::Pulse && (panne || !recreer_flux())) {
                quitter_serveur();
                perdu = true;
            }
        }
        if (perdu) reconnecter();
        g.lock();
    }
}

bool SortiePulse::recreer_flux() {
    Etat& e = *e_;
    if (!e.recreations.accepter(std::chrono::steady_clock::now())) return false;
    e.verrouiller();
    bool ok = e.pa->context_get_state(e.contexte) == PA_CONTEXT_READY;
    if (ok) {
        e.lacher_flux();
        e.reprendre();
        ok = e.creer_flux();
    }
    e.deverrouiller();
    if (ok) ++recreations_;
    return ok;
}

void SortiePulse::quitter_serveur() {
    Etat& e = *e_;
    // The heard count stops where the sound stopped; the engine goes on
    // handing its controls, kept for the next stream.
    e.verrouiller();
    e.arreter_horloge();
    e.deverrouiller();
    mode_ = Mode::Attente;
    e.detruire();
}

void SortiePulse::reconnecter() {
    Etat& e = *e_;
    // The socket the server listens on, when it is a local one: a server
    // started again makes it anew, and is tried at once.
    std::string chemin;
    {
        std::lock_guard<std::recursive_mutex> b(e.bascule);
        chemin = e.socket;
    }
    if (chemin.empty()) {
        const char* serveur = std::getenv("PULSE_SERVER");
        const char* execution = std::getenv("XDG_RUNTIME_DIR");
        chemin = serveur                   ? chemin_socket_serveur(serveur)
                 : execution && *execution ? std::string(execution) + "/pulse/native"
                                           : std::string();
    }
    IdentiteFichier vu = identite_fichier(chemin);
    for (int essai = 0;; ++essai) {
        {
            std::unique_lock<std::mutex> g(e.m_evenements);
            const auto limite = std::chrono::steady_clock::now() + attente_reconnexion(essai);
            bool nouveau = false;
            for (;;) {
                const auto reste = limite - std::chrono::steady_clock::now();
                const auto pas = chemin.empty()
                                     ? reste
                                     : std::min<std::chrono::steady_clock::duration>(reste, kSondeSocket);
                if (e.cv_evenements.wait_for(g, pas, [&] { return e.arret || e.essai_demande; })) break;
                if (std::chrono::steady_clock::now() >= limite) break;
                const IdentiteFichier maintenant = identite_fichier(chemin);
                nouveau = maintenant.existe && !(maintenant == vu);
                vu = maintenant;
                if (nouveau) break;
            }
            if (e.arret) return;
            // Asked by the engine, or a server's socket made anew: this try
            // at once, the next ones as after a first try.
            if (e.essai_demande || nouveau) essai = 0;
            e.essai_demande = false;
            // What a failed try signalled.
            e.panne = e.flux_perdu = false;
        }
        // While waiting for the server, the GUI's calls only note what they
        // ask (under `bascule`) and never touch the connection: this thread
        // makes it without holding them up.
        const bool connecte = e.connecter(delai_);
        vu = identite_fichier(chemin);
        if (!connecte) continue;
        std::lock_guard<std::recursive_mutex> b(e.bascule);
        e.verrouiller();
        e.reprendre();
        bool ok = e.creer_flux();
        if (ok) {
            e.recreations.remettre_a_zero();
            mode_ = Mode::Pulse;
        }
        e.deverrouiller();
        if (ok) {
            ++reconnexions_;
            return;
        }
        e.detruire();
    }
}

void SortiePulse::fermer() {
    Etat& e = *e_;
    {
        std::lock_guard<std::mutex> g(e.m_evenements);
        e.arret = true;
    }
    e.cv_evenements.notify_all();
    if (e.surveillant.joinable()) e.surveillant.join();
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    e.detruire();
    if (e.secours) {
        e.secours->fermer();
        e.secours.reset();
    }
    mode_ = Mode::Ferme;
    e.source = nullptr;
}

#endif

}  // namespace vt
