// The PulseAudio output (sortie_pulse.h), its stream: what is written to
// the server and the heard clock, and the engine's calls that start, hold,
// wake and name it. The fades written over the server's queue are in
// sortie_pulse_fondus.cpp, connecting and the losses of the stream or the
// server in sortie_pulse_connexion.cpp; the state the three share in
// sortie_pulse_etat.h.
//
// Threads: libpulse's main loop thread runs the stream's callbacks and
// ecrire, which pulls from the engine (lock order: main loop lock -> mixer
// lock). The engine's calls (GUI thread) take `bascule`, then the main loop
// lock, and are never made with the mixer lock held; bloquer holds both
// across a call of the engine that stops, seeks or starts.
#include "audio/sortie_pulse.h"

#include "audio/sortie_pulse_etat.h"

#include <algorithm>
#include <cstring>

namespace vt {

#if VANTREL_AVEC_PULSE

namespace {
// A channel waiting for its decoder: the next try to write.
constexpr std::uint64_t kReessaiUs = 10000;
// After a flush, the stream stays corked until it holds this much sound (or
// until the server's buffer is full, or nothing more comes): at the uncork
// the server rewinds its device and mixes the stream again from "now", as
// far ahead as the device's latency, and a queue shorter than that runs dry
// at once. Sound written during that underrun makes the server rewind again
// by what it counted as missing, and on the test server that skipped 0.3 to
// 0.55 s of the track right after its start (the position, counted from the
// uncork, then reached the length that long after the last sound was heard).
// Half the buffer is the sink latency our buffer asks for (kTamponMs -
// 2 kRequeteMs).
constexpr std::int64_t kAvanceMs = SortiePulse::kTamponMs / 2;
// A decoder slower than this to provide it, counted from the first sound
// written after the flush: the stream starts with what there is. 100 ms
// counted from the flush let a busy machine (a decoder just started, a
// stream made again after a loss) uncork a stream holding a tenth of a
// second, and the underrun skipped 0.3 s of the track's start.
constexpr std::uint64_t kAttenteAvanceUs = 300000;
// How often the sink's own latency is asked for, with the view, while a
// queued stream is held back (the only time it is used).
constexpr pa_usec_t kSinkUs = 200000;
}  // namespace

void SortiePulse::Etat::sur_etat_flux(pa_stream* f, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    if (f != e->flux) return;
    switch (e->pa->stream_get_state(f)) {
        case PA_STREAM_READY:
            e->flux_pret = true;
            e->quitter_attente_sink();
            if (const pa_buffer_attr* a = e->pa->stream_get_buffer_attr(f))
                e->tampon_serveur = std::int64_t(a->tlength / kOctetsParTrame);
            if (e->vide) e->vider_flux();
            e->appliquer_niveaux();
            e->appliquer_bouchon();
            e->ecrire();
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            e->arreter_horloge();
            e->noter_perte();
            e->flux_pret = false;
            switch (suite_perte_flux(PA_CONTEXT_IS_GOOD(e->pa->context_get_state(e->contexte)),
                                     e->pa->context_errno(e->contexte), e->attente_sink)) {
                case SuitePerteFlux::QuitterServeur:
                    e->signaler(true);
                    break;
                case SuitePerteFlux::Recreer:
                    e->signaler(false);
                    break;
                case SuitePerteFlux::AttendreSink:
                    e->attendre_sink();
                    break;
                case SuitePerteFlux::Attendre:
                    break;
            }
            break;
        default:
            break;
    }
    e->pa->threaded_mainloop_signal(e->boucle, 0);
}

void SortiePulse::Etat::sur_deplacement(pa_stream*, void* moi) {
    // Another device (the default one changed, or the user moved us):
    // the queue moved along; go on writing.
    auto* e = static_cast<Etat*>(moi);
    e->inactif = false;
    e->latence_sink = -1;
    e->ecrire();
}

void SortiePulse::Etat::sur_minuteur(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi) {
    static_cast<Etat*>(moi)->ecrire();
}

void SortiePulse::Etat::sur_temps(pa_stream* f, int ok, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    if (ok && f == e->flux) e->noter_vue();
}

// The heard count follows the clock from the uncork, which is when the
// sound starts when the server's device already runs; on a device that
// starts with our stream the sound comes a latency later, and a stream
// lost then would go on from a place not heard yet. So while the stream
// plays, the server is asked every quarter second what it has played
// (vt::trame_entendue); a lost stream's sound is replayed from there
// when that is behind the clock (noter_perte). The view is not used to
// steer the clock: right after an uncork the test server's device
// reports up to a second of latency while its monitor already carries
// the sound.
void SortiePulse::Etat::demander_vue() {
    if (!joue || !flux_pret) return;
    pa_usec_t t = pa->rtclock_now();
    // A queued stream held back waits for the server to read near it: its
    // view is asked for at each try.
    if (t - vue_demandee < (joint_retenu ? kReessaiUs : pa_usec_t(kRequeteMs) * 1000)) return;
    vue_demandee = t;
    abandonner(pa->stream_update_timing_info(flux, &sur_temps, this));
    if (joint_retenu && t - sink_demande >= kSinkUs) {
        sink_demande = t;
        abandonner(pa->context_get_sink_info_by_index(contexte, pa->stream_get_device_index(flux),
                                                      &sur_info_sink, this));
    }
}

void SortiePulse::Etat::sur_info_sink(pa_context*, const pa_sink_info* i, int, void* moi) {
    if (!i) return;
    auto* e = static_cast<Etat*>(moi);
    e->latence_sink = i->configured_latency > 0
                          ? std::int64_t(i->configured_latency * std::uint64_t(e->frequence) / 1000000u)
                          : -1;
}

// How far ahead of what is heard the server reads our stream: what its
// sink runs at, when that is known and shorter than what the stream asked
// for (another stream or a recorder asks for less).
std::int64_t SortiePulse::Etat::lecture_avance() const {
    return latence_sink > 0 ? std::min(vue_latence, latence_sink) : vue_latence;
}

void SortiePulse::Etat::noter_vue() {
    const pa_timing_info* ti = pa->stream_get_timing_info(flux);
    if (!ti || ti->read_index_corrupt || ti->write_index_corrupt || !joue) return;
    const std::int64_t ecriture = std::int64_t(ti->write_index) / std::int64_t(kOctetsParTrame);
    const std::int64_t lecture = std::int64_t(ti->read_index) / std::int64_t(kOctetsParTrame);
    vue = trame_entendue(ecrites, ecriture, lecture,
                         std::int64_t(ti->sink_usec * std::uint64_t(frequence) / 1000000u));
    vue_lue = trame_lue(ecrites, ecriture, lecture);
    vue_latence = std::int64_t(ti->configured_sink_usec * std::uint64_t(frequence) / 1000000u);
    // The view holds at the moment the server stamped it, not when its
    // answer came: a busy server or main loop delays the answer, and the
    // place carried from its arrival would lie that much behind (played
    // twice after a loss). The stamp is wall-clock time; its age is
    // never more than the time since the question.
    pa_usec_t t = pa->rtclock_now();
    vue_t = t - std::min(pa->timeval_age(&ti->timestamp), t - vue_demandee);
    vue_valide = true;
}

void SortiePulse::Etat::armer(std::uint64_t dans_us) {
    pa_usec_t quand = pa->rtclock_now() + dans_us;
    if (minuteur)
        pa->context_rttime_restart(contexte, minuteur, quand);
    else
        minuteur = pa->context_rttime_new(contexte, quand, &sur_minuteur, this);
}

void SortiePulse::Etat::desarmer() {
    if (minuteur) pa->context_rttime_restart(contexte, minuteur, PA_USEC_INVALID);
}

// Writes what the server asks for, as far as there is sound to write.
void SortiePulse::Etat::ecrire() {
    if (!flux || !flux_pret || !source || !en_marche || coupure != Coupure::Aucune) return;
    std::size_t octets_libres = pa->stream_writable_size(flux);
    if (octets_libres == std::size_t(-1)) return;
    // After a new start written back over the queue, the server asks for
    // that much less than its queue lacks.
    std::size_t libres = octets_libres / kOctetsParTrame + std::size_t(dette);
    if (silence_due && !ecrire_silence()) return;
    // First what a lost stream had not played.
    if (libres > 0 && ecrites < tirees) {
        if (!rejouer(libres)) {
            armer(kReessaiUs);
            return;
        }
    }
    if (libres == 0) {
        if (vide && plein()) deboucher_apres_vide();
        desarmer();
        return;
    }
    SourceAudio::Pret p = source->pret(non_lues(pa->rtclock_now()), lecture_avance());
    joint_retenu = p.joint_retenu;
    if (!p.audible) {
        inactif = true;
        desarmer();
        // Nothing more comes: what was written plays.
        if (vide && ecrites > debut_vide) deboucher_apres_vide();
        return;
    }
    inactif = false;
    demander_vue();
    // The stream ran dry: everything written was heard, and the clock
    // starts again with the new sound (not while what is ahead of it plays).
    if (joue && pa->rtclock_now() >= depart && horloge(pa->rtclock_now()) >= ecrites) {
        entendues = ecrites;
        demarrer_horloge();
    }
    std::size_t reste = std::min(libres, p.trames);
    while (reste > 0) {
        void* donnees = nullptr;
        std::size_t octets = reste * kOctetsParTrame;
        if (pa->stream_begin_write(flux, &donnees, &octets) < 0 || !donnees || octets < kOctetsParTrame)
            break;
        std::size_t k = std::min(reste, octets / kOctetsParTrame);
        source->remplir(static_cast<float*>(donnees), k, false);
        retenir(static_cast<const float*>(donnees), k);
        if (gauche_ecrit != 1.0f || droite_ecrit != 1.0f)
            appliquer_rampe(static_cast<float*>(donnees), k, 0, 0, 1, 1, gauche_ecrit, droite_ecrit);
        // Counted as pulled even if the write fails: the engine counted
        // them, and a new stream plays them again.
        tirees += std::int64_t(k);
        ecrites = tirees;
        reste -= k;
        libres -= k;
        const std::int64_t decalage = -recul * std::int64_t(kOctetsParTrame);
        recul = 0;
        dette = std::max<std::int64_t>(dette - std::int64_t(k), 0);
        if (pa->stream_write(flux, donnees, k * kOctetsParTrame, nullptr, decalage, PA_SEEK_RELATIVE) < 0) {
            echec_ecriture();
            break;
        }
    }
    if (vide && ecrites > debut_vide && vide_depuis == 0) vide_depuis = pa->rtclock_now();
    if (vide && ecrites > debut_vide &&
        ((libres == 0 && plein()) || ecrites - debut_vide >= std::int64_t(frequence) * kAvanceMs / 1000 ||
         pa->rtclock_now() - vide_depuis >= kAttenteAvanceUs))
        deboucher_apres_vide();
    // Room left that the decoders could not fill yet: try again shortly.
    if (libres > 0)
        armer(kReessaiUs);
    else
        desarmer();
}

// The stream emptied: a little silence first. At the uncork the server
// mixes the stream again from what its device plays, over the silence
// it had mixed for it ahead of that (up to the device's latency), and
// its sink's monitor, which had handed that silence on already, drops
// as much of the new sound: without this the first milliseconds of a
// start, a seek or a resume (the fade-in with them) are lost there, up
// to the 20 ms a monitor recorded with a short latency gives its sink.
// The sound comes that much later; the heard count starts after it.
bool SortiePulse::Etat::ecrire_silence() {
    const std::int64_t n = std::int64_t(silence.size() / 2);
    silence_due = false;
    silence_tete = n;
    if (n == 0 || pa->stream_write(flux, silence.data(), std::size_t(n) * kOctetsParTrame, nullptr, 0,
                                   PA_SEEK_RELATIVE) >= 0)
        return true;
    echec_ecriture();
    return false;
}

// Keeps the `k` frames about to be pulled (from output frame `tirees`).
void SortiePulse::Etat::retenir(const float* donnees, std::size_t k) {
    const std::int64_t capacite = capacite_retenues();
    if (capacite == 0) return;
    std::int64_t n = std::min<std::int64_t>(std::int64_t(k), capacite);
    donnees += 2 * (std::int64_t(k) - n);
    std::int64_t debut = (tirees + std::int64_t(k) - n) % capacite;
    std::int64_t premier = std::min(n, capacite - debut);
    std::copy(donnees, donnees + 2 * premier, retenues.data() + 2 * debut);
    std::copy(donnees + 2 * premier, donnees + 2 * n, retenues.data());
}

// Writes again, from `ecrites`, kept frames that a lost stream had not
// played, at most `libres`, which it lowers. False if the server refused.
bool SortiePulse::Etat::rejouer(std::size_t& libres) {
    const std::int64_t capacite = capacite_retenues();
    while (libres > 0 && ecrites < tirees) {
        std::int64_t debut = ecrites % capacite;
        std::int64_t k = std::min({std::int64_t(libres), tirees - ecrites, capacite - debut});
        k = std::min<std::int64_t>(k, std::int64_t(brouillon.size() / 2));
        std::copy(retenues.data() + 2 * debut, retenues.data() + 2 * (debut + k), brouillon.data());
        // After a pause's fade-out the first frames fade in.
        const std::int64_t total = std::int64_t(trames_rampe);
        if (fondu_entree >= 0 && (ecrites < fondu_entree || ecrites >= fondu_entree + total))
            fondu_entree = -1;
        const std::int64_t fait = fondu_entree >= 0 ? ecrites - fondu_entree : 0;
        appliquer_rampe(brouillon.data(), std::size_t(k), std::size_t(fait),
                        fondu_entree >= 0 ? trames_rampe : 0, 0, 0, gauche_ecrit, droite_ecrit);
        if (pa->stream_write(flux, brouillon.data(), std::size_t(k) * kOctetsParTrame, nullptr, 0,
                             PA_SEEK_RELATIVE) < 0) {
            echec_ecriture();
            return false;
        }
        ecrites += k;
        libres -= std::size_t(k);
    }
    return true;
}

pa_cvolume SortiePulse::Etat::volume() const {
    pa_cvolume v;
    std::memset(&v, 0, sizeof v);
    v.channels = 2;
    v.values[0] = v.values[1] = PA_VOLUME_NORM;
    return v;
}

void SortiePulse::Etat::vider_flux() {
    vide = true;
    vide_depuis = 0;
    debut_vide = ecrites;
    lu_depuis_vide = false;
    silence_due = true;
    silence_tete = 0;
    recul = dette = 0;
    rampe_g = gauche_ecrit;  // no ramp in what follows
    rampe_d = droite_ecrit;
    vue_valide = false;
}

void SortiePulse::Etat::deboucher_apres_vide() {
    vide = false;
    appliquer_bouchon();
}

void SortiePulse::Etat::appliquer_bouchon() {
    // A fade-out under way corks when it has been heard.
    if (!flux_pret || coupure != Coupure::Aucune) return;
    bool b = bouche();
    if (b)
        arreter_horloge();
    else if (!joue && ecrites > entendues)
        demarrer_horloge();
    abandonner(pa->stream_cork(flux, b ? 1 : 0, nullptr, nullptr));
}

// The media name for the server, which wants UTF-8 (file names are raw
// bytes): "vantrel" when there is none.
std::string SortiePulse::Etat::titre_utf8() const {
    if (titre.empty()) return "vantrel";
    if (pa->utf8_valid(titre.c_str())) return titre;
    std::string t;
    if (char* filtre = pa->utf8_filter(titre.c_str())) {
        t = filtre;
        pa->xfree(filtre);
    }
    return t.empty() ? "vantrel" : t;
}

void SortiePulse::Etat::appliquer_titre() {
    if (!flux_pret) return;
    pa_proplist* p = pa->proplist_new();
    pa->proplist_sets(p, PA_PROP_MEDIA_NAME, titre_utf8().c_str());
    abandonner(pa->stream_proplist_update(flux, PA_UPDATE_REPLACE, p, nullptr, nullptr));
    pa->proplist_free(p);
}

// What has been heard: the stream plays in real time from the moment it
// is uncorked with sound in it, until what was written runs out. The
// server's interpolated timing proved unreliable right after a flush or
// an uncork (ahead by up to the whole buffer), so the count follows the
// clock, restarted at every uncork, frozen while corked or when the
// server or the stream is lost, and never past what was written.
std::int64_t SortiePulse::Etat::horloge(pa_usec_t maintenant) const {
    if (!joue) return entendues;
    // Before `depart` while the silence ahead of the sound plays.
    auto ecoule = (std::int64_t(maintenant) - std::int64_t(depart)) * std::int64_t(frequence) / 1000000;
    return std::clamp(base + ecoule, entendues, ecrites);
}

// Of the frames written, those the server has not read yet: its last
// view carried forward at the rate it reads while the stream plays (-1:
// no view of this stream playing).
std::int64_t SortiePulse::Etat::non_lues(pa_usec_t maintenant) const {
    if (!joue || !vue_valide || maintenant < vue_t) return -1;
    const auto ecoule = std::int64_t((maintenant - vue_t) * std::uint64_t(frequence) / 1000000u);
    return std::clamp<std::int64_t>(ecrites - (vue_lue + ecoule), 0, ecrites);
}

// The clock stops (cork) or starts again (uncork, or sound after the
// stream ran dry).
void SortiePulse::Etat::arreter_horloge() {
    calculer_entendues();
    joue = false;
}

void SortiePulse::Etat::demarrer_horloge() {
    calculer_entendues();
    joue = true;
    lu_depuis_vide = true;
    base = entendues;
    depart = pa->rtclock_now() + pa_usec_t(silence_tete * 1000000 / frequence);
    silence_tete = 0;
}

bool SortiePulse::Etat::creer_flux() {
    pa_sample_spec ss{PA_SAMPLE_FLOAT32NE, std::uint32_t(frequence), 2};
    pa_channel_map carte;
    pa->channel_map_init_stereo(&carte);
    pa_proplist* p = pa->proplist_new();
    pa->proplist_sets(p, PA_PROP_MEDIA_ROLE, "music");
    flux = pa->stream_new_with_proplist(contexte, titre_utf8().c_str(), &ss, &carte, p);
    pa->proplist_free(p);
    if (!flux) return false;
    vue_valide = false;
    latence_sink = -1;
    sink_demande = 0;
    flux_pret = false;
    pa->stream_set_state_callback(flux, &sur_etat_flux, this);
    pa->stream_set_write_callback(flux, &sur_demande, this);
    pa->stream_set_moved_callback(flux, &sur_deplacement, this);
    auto octets_ms = [&](int ms) {
        return std::uint32_t(std::int64_t(frequence) * ms / 1000 * kOctetsParTrame);
    };
    pa_buffer_attr attr;
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = octets_ms(kTamponMs);
    attr.minreq = octets_ms(kRequeteMs);
    attr.prebuf = std::uint32_t(SortieSDL::kTramesParPeriode * kOctetsParTrame);
    attr.fragsize = std::uint32_t(-1);
    pa_cvolume v = volume();
    // No device named: the server's default, followed when it changes.
    // No automatic timing updates: the heard count follows our own clock,
    // and those updates would wake the loop's thread every 1.5 s even
    // while the stream is corked or the player stopped.
    auto drapeaux = pa_stream_flags_t(bouche() ? PA_STREAM_START_CORKED : 0);
    if (pa->stream_connect_playback(flux, nullptr, &attr, drapeaux, &v, nullptr) < 0) {
        lacher_flux();
        return false;
    }
    return true;
}

void SortiePulse::Etat::lacher_flux() {
    if (!flux) return;
    pa->stream_set_state_callback(flux, nullptr, nullptr);
    pa->stream_set_write_callback(flux, nullptr, nullptr);
    pa->stream_set_moved_callback(flux, nullptr, nullptr);
    if (pa->stream_get_state(flux) != PA_STREAM_UNCONNECTED) pa->stream_disconnect(flux);
    pa->stream_unref(flux);
    flux = nullptr;
    flux_pret = false;
}

SortiePulse::SortiePulse(Repli repli, std::chrono::milliseconds delai)
    : e_(std::make_unique<Etat>()), repli_(repli), delai_(delai) {}

SortiePulse::~SortiePulse() { fermer(); }

void SortiePulse::lancer(bool marche) {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    switch (mode_.load()) {
        case Mode::SDL:
            e.en_marche = marche;
            if (e.secours) e.secours->lancer(marche);
            break;
        case Mode::Pulse:
            e.verrouiller();
            e.en_marche = marche;
            e.appliquer_bouchon();
            if (marche) e.armer(0);
            e.deverrouiller();
            break;
        default:
            e.en_marche = marche;
            break;
    }
}

void SortiePulse::bloquer() {
    e_->bascule.lock();
    if (mode_.load() == Mode::Pulse) e_->verrouiller();
}

void SortiePulse::debloquer() {
    if (mode_.load() == Mode::Pulse) e_->deverrouiller();
    e_->bascule.unlock();
}

std::int64_t SortiePulse::trames_entendues() {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (mode_.load() != Mode::Pulse) return e.entendues;  // frozen while waiting for the server
    e.verrouiller();
    e.calculer_entendues();
    std::int64_t h = e.entendues;
    e.deverrouiller();
    return h;
}

void SortiePulse::reveiller() {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (mode_.load() == Mode::Attente) {
        e.inactif = false;
        {
            std::lock_guard<std::mutex> g(e.m_evenements);
            e.essai_demande = true;
        }
        e.cv_evenements.notify_all();
        return;
    }
    if (mode_.load() != Mode::Pulse) return;
    e.verrouiller();
    e.inactif = false;
    e.armer(0);
    e.deverrouiller();
}

void SortiePulse::definir_titre(const std::string& nom) {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    const Mode mode = mode_.load();
    if (mode == Mode::Attente) {
        e.titre = nom;  // given to the next stream
        return;
    }
    if (mode != Mode::Pulse) return;
    e.verrouiller();
    if (nom != e.titre) {
        e.titre = nom;
        e.appliquer_titre();
    }
    e.deverrouiller();
}

#else  // no libpulse headers: the output never reaches a server

struct SortiePulse::Etat {
    std::unique_ptr<SortieSDL> secours;
};

SortiePulse::SortiePulse(Repli repli, std::chrono::milliseconds delai)
    : e_(std::make_unique<Etat>()), repli_(repli), delai_(delai) {}
SortiePulse::~SortiePulse() { fermer(); }
bool SortiePulse::connecter() { return false; }
bool SortiePulse::ouvrir(int frequence, SourceAudio& source) {
    fermer();
    if (repli_ != Repli::SDL) return false;
    e_->secours = std::make_unique<SortieSDL>();
    if (!e_->secours->ouvrir(frequence, source)) {
        e_->secours.reset();
        return false;
    }
    mode_ = Mode::SDL;
    return true;
}
void SortiePulse::lancer(bool marche) {
    if (e_->secours) e_->secours->lancer(marche);
}
void SortiePulse::fermer() {
    if (e_->secours) e_->secours->fermer();
    e_->secours.reset();
    mode_ = Mode::Ferme;
}
bool SortiePulse::attendre_serveur(SourceAudio&) { return false; }
void SortiePulse::surveiller() {}
bool SortiePulse::recreer_flux() { return false; }
void SortiePulse::quitter_serveur() {}
void SortiePulse::reconnecter() {}
void SortiePulse::bloquer() {}
void SortiePulse::debloquer() {}
std::int64_t SortiePulse::trames_entendues() { return 0; }
void SortiePulse::definir_niveaux(float, float) {}
void SortiePulse::suspendre(bool) {}
void SortiePulse::vider() {}
bool SortiePulse::enchainer() { return false; }
bool SortiePulse::revenir(std::int64_t) { return false; }
void SortiePulse::reveiller() {}
void SortiePulse::definir_titre(const std::string&) {}

#endif

}  // namespace vt
