#include "audio/sortie_pulse.h"

#include "audio/bibliotheque_pulse.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vt {

bool descripteurs_epuises() {
    const int d = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (d < 0) return errno == EMFILE || errno == ENFILE;
    ::close(d);
    return false;
}

namespace {
constexpr std::size_t kOctetsParTrame = 2 * sizeof(float);
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
// A command's fade-out written: the stream is corked this long after the
// server should have played its last frame.
constexpr std::uint64_t kApresFonduUs = 10000;
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

std::size_t trames_fondu(int frequence) {
    return std::max<std::size_t>(16, std::size_t(std::max(frequence, 0)) * 6 / 1000);
}

void appliquer_rampe(float* trames, std::size_t n, std::size_t de, std::size_t total, float g0, float d0, float g1,
                     float d1) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t k = de + i;
        const float t = k >= total ? 1.0f : float(k + 1) / float(total);
        trames[2 * i] *= k >= total ? g1 : g0 + (g1 - g0) * t;
        trames[2 * i + 1] *= k >= total ? d1 : d0 + (d1 - d0) * t;
    }
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

using audio::BibliothequePulse;

SuitePerteFlux suite_perte_flux(bool contexte_ok, int erreur, bool attente_sink) {
    if (!contexte_ok) return SuitePerteFlux::QuitterServeur;
    if (erreur == PA_ERR_NOENTITY) return attente_sink ? SuitePerteFlux::Attendre : SuitePerteFlux::AttendreSink;
    return SuitePerteFlux::Recreer;
}

struct SortiePulse::Etat {
    const BibliothequePulse* pa = nullptr;

    // Created and destroyed by the thread that holds `bascule` (GUI or watch
    // thread), used under the main loop lock.
    pa_threaded_mainloop* boucle = nullptr;
    pa_context* contexte = nullptr;
    pa_stream* flux = nullptr;
    pa_time_event* minuteur = nullptr;   // next try to write
    pa_time_event* echeance = nullptr;   // bounded waits of ouvrir and connecter
    bool echu = false;

    // Under the main loop lock.
    bool flux_pret = false;
    int frequence = 44100;
    SourceAudio* source = nullptr;
    std::int64_t tirees = 0;     // frames pulled from the source since ouvrir
    std::int64_t entendues = 0;  // of them, heard or dropped
    // Of them, written to the current stream: behind `tirees` while a new
    // stream plays again what the lost one had not played (`retenues`).
    std::int64_t ecrites = 0;
    // The last frames pulled, frame k at (k mod capacity): 2 floats each.
    // Allocated by ouvrir, never in a callback.
    std::vector<float> retenues;
    // The first frame of the sound since ouvrir or the last flush: nothing
    // older is played again.
    std::int64_t plancher = 0;
    // The server's own view of what has been heard, asked for while the
    // stream plays (see noter_vue): output frame `vue` was being heard at
    // `vue_t`.
    bool vue_valide = false;
    std::int64_t vue = 0;
    pa_usec_t vue_t = 0, vue_demandee = 0;
    bool joue = false;           // the heard count runs: uncorked with sound
    std::int64_t base = 0;       // heard count when it started to run
    pa_usec_t depart = 0;
    bool inactif = false;        // stopped pulling: nothing audible
    float gauche = 1, droite = 1;
    bool suspendu = false;       // corked for a pause
    // Corked since vider, until enough new sound is written (kAvanceMs):
    // corking is what makes the server drop at once what its device had
    // already mixed of ours.
    bool vide = true;
    pa_usec_t vide_depuis = 0;   // the first sound written since (0: none yet)
    std::int64_t debut_vide = 0;  // `ecrites` when the stream was last emptied
    std::int64_t tampon_serveur = 0;  // the server's target buffer, in frames
    bool en_marche = false;      // lancer
    // A command's fade-out (see couper): what follows it once it is heard
    // (Aucune: none under way), whether it is written yet, the frames
    // written when the command came (the server's write index) and the
    // heard count then.
    enum class Coupure { Aucune, Pause, Vidage };
    Coupure coupure = Coupure::Aucune;
    bool coupure_placee = false;
    std::int64_t coupure_ecrites = 0, coupure_entendues = 0;
    pa_time_event* fin_coupure = nullptr;
    pa_usec_t question = 0;  // when the server was last asked where it plays
    // Paused after a fade-out: the frame the resume plays from (-1: none),
    // and the first frame written again faded in (-1: none).
    std::int64_t reprise = -1, fondu_entree = -1;
    // The gains of the sound written (the level and balance heard once it
    // plays), and a level change waiting for the server's answer.
    float gauche_ecrit = 1, droite_ecrit = 1;
    bool niveaux_demandes = false;
    // The last ramp written to them: from (rampe_g, rampe_d), starting at
    // frame rampe_debut, trames_rampe long.
    std::int64_t rampe_debut = 0;
    float rampe_g = 1, rampe_d = 1;
    std::size_t trames_rampe = 0;  // trames_fondu
    std::vector<float> brouillon;  // frames written again; allocated by ouvrir
    bool lu_depuis_vide = false;  // the stream played since it was emptied
    // Silence written ahead of the sound after the stream is emptied (see
    // ecrire_silence): still to write, and written but not yet started.
    bool silence_due = false;
    std::int64_t silence_tete = 0;
    std::vector<float> silence;  // 2 kMargeFonduMs, allocated by ouvrir
    std::string titre;           // media name, raw bytes as the file name
    CompteurRecreations recreations;
    // connecter found no server: ouvrir does not wait for it a second time.
    bool sonde_echouee = false;
    // The last connection failed for want of a thread for libpulse's loop
    // (the server may well be there): ouvrir does not wait for it.
    bool sans_fil = false;
    // The local socket of the server last reached ("" for none or a
    // remote one), watched while it is gone.
    std::string socket;
    // The server has no device for our stream: subscribed to its sink
    // events, the output waits for one to appear instead of asking again.
    bool attente_sink = false;

    // The GUI's calls and the switch to the fallback (recursive: bloquer
    // nests the other calls).
    std::recursive_mutex bascule;
    std::unique_ptr<SortieSDL> secours;

    // Watch thread.
    std::thread surveillant;
    std::mutex m_evenements;
    std::condition_variable cv_evenements;
    bool arret = false, panne = false, flux_perdu = false;
    // Waiting for a server: the engine started, sought or resumed something,
    // try to reach it now.
    bool essai_demande = false;

    void verrouiller() { pa->threaded_mainloop_lock(boucle); }
    void deverrouiller() { pa->threaded_mainloop_unlock(boucle); }

    std::int64_t capacite_retenues() const { return std::int64_t(retenues.size() / 2); }

    void signaler(bool panne_serveur) {
        {
            std::lock_guard<std::mutex> g(m_evenements);
            (panne_serveur ? panne : flux_perdu) = true;
        }
        cv_evenements.notify_one();
    }

    void abandonner(pa_operation* o) {
        if (o) pa->operation_unref(o);
    }

    // ---- Callbacks, on the main loop thread with its lock held.

    static void sur_etat_contexte(pa_context* c, void* moi) {
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

    static void sur_etat_flux(pa_stream* f, void* moi) {
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

    static void sur_demande(pa_stream*, std::size_t, void* moi) { static_cast<Etat*>(moi)->ecrire(); }

    // Subscribed to the sink events: the stream is made again once.
    static void sur_abonnement(pa_context*, int ok, void* moi) {
        auto* e = static_cast<Etat*>(moi);
        if (ok && e->attente_sink) e->signaler(false);
    }
    // A sink appeared while our stream had none: made again now.
    static void sur_evenement(pa_context*, pa_subscription_event_type_t t, std::uint32_t, void* moi) {
        auto* e = static_cast<Etat*>(moi);
        if (!e->attente_sink || (t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK ||
            (t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_NEW)
            return;
        // The server called back: not one of the kills in a row.
        e->recreations.remettre_a_zero();
        e->signaler(false);
    }

    static void sur_deplacement(pa_stream*, void* moi) {
        // Another device (the default one changed, or the user moved us):
        // the queue moved along; go on writing.
        auto* e = static_cast<Etat*>(moi);
        e->inactif = false;
        e->ecrire();
    }

    static void sur_minuteur(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi) {
        static_cast<Etat*>(moi)->ecrire();
    }

    static void sur_echeance(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi) {
        auto* e = static_cast<Etat*>(moi);
        e->echu = true;
        e->pa->threaded_mainloop_signal(e->boucle, 0);
    }

    // Asks the server where it plays; `reponse` runs with its answer, and
    // `sans_reponse` at once when the question cannot be sent.
    template <class SansReponse>
    void demander_ou_il_joue(pa_stream_success_cb_t reponse, SansReponse sans_reponse) {
        question = pa->rtclock_now();
        if (pa_operation* o = pa->stream_update_timing_info(flux, reponse, this))
            abandonner(o);
        else
            sans_reponse();
    }
    static void sur_temps_coupure(pa_stream* f, int ok, void* moi) {
        auto* e = static_cast<Etat*>(moi);
        if (f == e->flux && e->coupure != Coupure::Aucune && !e->coupure_placee) e->placer_fondu(ok != 0);
    }
    static void sur_temps_niveaux(pa_stream* f, int ok, void* moi) {
        auto* e = static_cast<Etat*>(moi);
        if (f == e->flux && e->niveaux_demandes) e->placer_niveaux(ok != 0);
    }
    static void sur_fin_coupure(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi) {
        auto* e = static_cast<Etat*>(moi);
        if (e->flux && e->coupure != Coupure::Aucune && e->coupure_placee) e->terminer_coupure();
    }

    static void sur_temps(pa_stream* f, int ok, void* moi) {
        auto* e = static_cast<Etat*>(moi);
        if (ok && f == e->flux) e->noter_vue();
    }

    // ---- With the main loop lock held.

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
    void demander_vue() {
        if (!joue || !flux_pret) return;
        pa_usec_t t = pa->rtclock_now();
        if (t - vue_demandee < pa_usec_t(kRequeteMs) * 1000) return;
        vue_demandee = t;
        abandonner(pa->stream_update_timing_info(flux, &sur_temps, this));
    }
    void noter_vue() {
        const pa_timing_info* ti = pa->stream_get_timing_info(flux);
        if (!ti || ti->read_index_corrupt || ti->write_index_corrupt || !joue) return;
        vue = trame_entendue(ecrites, std::int64_t(ti->write_index) / std::int64_t(kOctetsParTrame),
                             std::int64_t(ti->read_index) / std::int64_t(kOctetsParTrame),
                             std::int64_t(ti->sink_usec * std::uint64_t(frequence) / 1000000u));
        // The view holds at the moment the server stamped it, not when its
        // answer came: a busy server or main loop delays the answer, and the
        // place carried from its arrival would lie that much behind (played
        // twice after a loss). The stamp is wall-clock time; its age is
        // never more than the time since the question.
        pa_usec_t t = pa->rtclock_now();
        vue_t = t - std::min(pa->timeval_age(&ti->timestamp), t - vue_demandee);
        vue_valide = true;
    }
    // The stream or the server is lost (the clock just stopped): the sound
    // stopped where the server's view, carried forward to now, says, when
    // that is behind the clock. The heard count goes back there, and a new
    // stream plays again from there.
    void noter_perte() {
        if (!vue_valide) return;
        vue_valide = false;
        auto ecoule = std::int64_t((pa->rtclock_now() - vue_t) * std::uint64_t(frequence) / 1000000u);
        entendues = entendues_apres_perte(entendues, vue + ecoule, tirees, capacite_retenues(), plancher);
    }

    void armer(std::uint64_t dans_us) {
        pa_usec_t quand = pa->rtclock_now() + dans_us;
        if (minuteur)
            pa->context_rttime_restart(contexte, minuteur, quand);
        else
            minuteur = pa->context_rttime_new(contexte, quand, &sur_minuteur, this);
    }
    void desarmer() {
        if (minuteur) pa->context_rttime_restart(contexte, minuteur, PA_USEC_INVALID);
    }

    // Writes what the server asks for, as far as there is sound to write.
    void ecrire() {
        if (!flux || !flux_pret || !source || !en_marche || coupure != Coupure::Aucune) return;
        std::size_t octets_libres = pa->stream_writable_size(flux);
        if (octets_libres == std::size_t(-1)) return;
        std::size_t libres = octets_libres / kOctetsParTrame;
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
        SourceAudio::Pret p = source->pret();
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
        // starts again with the new sound.
        if (joue && horloge(pa->rtclock_now()) >= ecrites) {
            entendues = ecrites;
            demarrer_horloge();
        }
        std::size_t reste = std::min(libres, p.trames);
        while (reste > 0) {
            void* donnees = nullptr;
            std::size_t octets = reste * kOctetsParTrame;
            if (pa->stream_begin_write(flux, &donnees, &octets) < 0 || !donnees || octets < kOctetsParTrame) break;
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
            if (pa->stream_write(flux, donnees, k * kOctetsParTrame, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
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
    bool ecrire_silence() {
        const std::int64_t n = std::int64_t(silence.size() / 2);
        silence_due = false;
        silence_tete = n;
        if (n == 0 || pa->stream_write(flux, silence.data(), std::size_t(n) * kOctetsParTrame, nullptr, 0,
                                       PA_SEEK_RELATIVE) >= 0)
            return true;
        echec_ecriture();
        return false;
    }

    // Right after a flush the server has not asked for more yet, and no
    // room left does not mean a full buffer: full is half the server's.
    bool plein() const { return ecrites - debut_vide >= std::max<std::int64_t>(tampon_serveur / 2, 1); }

    // Keeps the `k` frames about to be pulled (from output frame `tirees`).
    void retenir(const float* donnees, std::size_t k) {
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
    bool rejouer(std::size_t& libres) {
        const std::int64_t capacite = capacite_retenues();
        while (libres > 0 && ecrites < tirees) {
            std::int64_t debut = ecrites % capacite;
            std::int64_t k = std::min({std::int64_t(libres), tirees - ecrites, capacite - debut});
            k = std::min<std::int64_t>(k, std::int64_t(brouillon.size() / 2));
            std::copy(retenues.data() + 2 * debut, retenues.data() + 2 * (debut + k), brouillon.data());
            // After a pause's fade-out the first frames fade in.
            const std::int64_t total = std::int64_t(trames_rampe);
            if (fondu_entree >= 0 && (ecrites < fondu_entree || ecrites >= fondu_entree + total)) fondu_entree = -1;
            const std::int64_t fait = fondu_entree >= 0 ? ecrites - fondu_entree : 0;
            appliquer_rampe(brouillon.data(), std::size_t(k), std::size_t(fait), fondu_entree >= 0 ? trames_rampe : 0, 0,
                            0, gauche_ecrit, droite_ecrit);
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

    // No sink for the stream: nothing is written and nothing is asked of
    // the server until it reports a new sink. The subscription is confirmed
    // before one more try, so that a sink added meanwhile is not missed.
    void attendre_sink() {
        attente_sink = true;
        pa->context_set_subscribe_callback(contexte, &sur_evenement, this);
        abandonner(pa->context_subscribe(contexte, PA_SUBSCRIPTION_MASK_SINK, &sur_abonnement, this));
    }
    void quitter_attente_sink() {
        if (!attente_sink) return;
        attente_sink = false;
        abandonner(pa->context_subscribe(contexte, PA_SUBSCRIPTION_MASK_NULL, nullptr, nullptr));
        pa->context_set_subscribe_callback(contexte, nullptr, nullptr);
    }

    // A write refused: the server went away (or only our stream).
    void echec_ecriture() {
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
    void reprendre() {
        abandonner_coupure();
        arreter_horloge();
        // Older than what was kept: lost for good, counted as dropped.
        entendues = std::max(entendues, tirees - capacite_retenues());
        ecrites = entendues;
        vider_flux();
        inactif = false;
    }

    pa_cvolume volume() const {
        pa_cvolume v;
        std::memset(&v, 0, sizeof v);
        v.channels = 2;
        v.values[0] = v.values[1] = PA_VOLUME_NORM;
        return v;
    }

    // The level and balance: a stream heard ramps to them from a little
    // ahead of what is heard (placer_niveaux, once the server has said
    // where it plays); a queue nothing of which has played since it was
    // emptied is written again at them. Not while a fade-out plays: the new
    // gains are for what follows it.
    void appliquer_niveaux() {
        if (!flux_pret || coupure != Coupure::Aucune) return;
        if (gauche == gauche_ecrit && droite == droite_ecrit) return;
        if (joue) {
            if (niveaux_demandes) return;
            niveaux_demandes = true;
            demander_ou_il_joue(&sur_temps_niveaux, [this] { placer_niveaux(false); });
            return;
        }
        const bool ok = lu_depuis_vide || reecrire(std::max(debut_vide, tirees - capacite_retenues()), ecrites,
                                                   gauche_ecrit, droite_ecrit, gauche, droite, 0);
        rampe_g = gauche_ecrit = gauche;
        rampe_d = droite_ecrit = droite;
        if (!ok) echec_ecriture();
    }
    void placer_niveaux(bool reponse) {
        niveaux_demandes = false;
        if (coupure != Coupure::Aucune || !joue) {
            appliquer_niveaux();
            return;
        }
        const std::int64_t debut = placer(reponse, ecrites, horloge(pa->rtclock_now()), nullptr);
        float g0, d0;
        gains_ecrits(debut - 1, g0, d0);
        const bool ok = reecrire(debut, ecrites, g0, d0, gauche, droite, trames_rampe);
        rampe_debut = debut;
        rampe_g = g0;
        rampe_d = d0;
        gauche_ecrit = gauche;
        droite_ecrit = droite;
        if (!ok) echec_ecriture();
    }
    // The gains frame `k` was written with: within the last ramp, its own;
    // a new ramp goes on from there.
    void gains_ecrits(std::int64_t k, float& g, float& d) const {
        const std::int64_t i = k - rampe_debut;
        if (i < 0) {
            g = rampe_g;
            d = rampe_d;
        } else if (i >= std::int64_t(trames_rampe)) {
            g = gauche_ecrit;
            d = droite_ecrit;
        } else {
            const float t = float(i + 1) / float(trames_rampe);
            g = rampe_g + (gauche_ecrit - rampe_g) * t;
            d = rampe_d + (droite_ecrit - rampe_d) * t;
        }
    }

    // Where a rewrite of the queue starts (debut_fondu), the server's
    // answer to hand (`reponse` false: none came); `ecrites_` frames are
    // in its queue, `entendues_` heard by the clock. `attente_us`, when
    // given, receives the time until that frame is heard. The margin is
    // twice the time the answer took, when that is longer (a busy machine
    // or server: the rewrite takes as long to get there), up to 5 times.
    std::int64_t placer(bool reponse, std::int64_t ecrites_, std::int64_t entendues_, std::int64_t* attente_us) {
        const std::int64_t base_marge = std::int64_t(frequence) * SortiePulse::kMargeFonduMs / 1000;
        const std::int64_t reponse_trames =
            std::int64_t((pa->rtclock_now() - question) * std::uint64_t(frequence) / 1000000u);
        const std::int64_t marge = std::clamp(2 * reponse_trames, base_marge, 5 * base_marge);
        const pa_timing_info* ti = reponse ? pa->stream_get_timing_info(flux) : nullptr;
        std::int64_t debut = std::min(entendues_ + marge, ecrites_), ici = entendues_;
        if (ti && !ti->read_index_corrupt && !ti->write_index_corrupt) {
            // An answer a second old says nothing more.
            const std::int64_t age = std::min<std::int64_t>(
                frequence, std::int64_t(pa->timeval_age(&ti->timestamp) * std::uint64_t(frequence) / 1000000u));
            const std::int64_t ecriture = std::int64_t(ti->write_index) / std::int64_t(kOctetsParTrame);
            const std::int64_t lecture = std::int64_t(ti->read_index) / std::int64_t(kOctetsParTrame);
            const std::int64_t latence = std::int64_t(ti->sink_usec * std::uint64_t(frequence) / 1000000u);
            debut = debut_fondu(ecrites_, ecriture, lecture, latence, age, marge, entendues_);
            ici = entendue_selon_serveur(ecrites_, ecriture, lecture, latence, age, entendues_);
        }
        if (attente_us) *attente_us = std::max<std::int64_t>(debut - ici, 0) * 1000000 / frequence;
        // Nothing older than the kept frames is written again.
        return std::max(debut, tirees - capacite_retenues());
    }

    // Writes the kept frames [de, fin) again over the server's queue, which
    // ends at `fin`, ramping over `rampe` frames from (g0, d0) to (g1, d1).
    // False if the server refused.
    bool reecrire(std::int64_t de, std::int64_t fin, float g0, float d0, float g1, float d1, std::size_t rampe) {
        const std::int64_t capacite = capacite_retenues(), place = std::int64_t(brouillon.size() / 2);
        std::int64_t decalage = -(fin - de) * std::int64_t(kOctetsParTrame);
        for (std::int64_t k0 = de; k0 < fin;) {
            const std::int64_t k = std::min(fin - k0, place);
            for (std::int64_t i = 0; i < k; ++i) {
                const std::size_t j = std::size_t((k0 + i) % capacite);
                brouillon[std::size_t(2 * i)] = retenues[2 * j];
                brouillon[std::size_t(2 * i + 1)] = retenues[2 * j + 1];
            }
            appliquer_rampe(brouillon.data(), std::size_t(k), std::size_t(k0 - de), rampe, g0, d0, g1, d1);
            if (pa->stream_write(flux, brouillon.data(), std::size_t(k) * kOctetsParTrame, nullptr, decalage,
                                 PA_SEEK_RELATIVE) < 0)
                return false;
            decalage = 0;
            k0 += k;
        }
        return true;
    }

    bool bouche() const { return suspendu || !en_marche || vide; }
    void vider_flux() {
        vide = true;
        vide_depuis = 0;
        debut_vide = ecrites;
        lu_depuis_vide = false;
        silence_due = true;
        silence_tete = 0;
        rampe_g = gauche_ecrit;  // no ramp in what follows
        rampe_d = droite_ecrit;
        vue_valide = false;
    }
    void deboucher_apres_vide() {
        vide = false;
        appliquer_bouchon();
    }
    void appliquer_bouchon() {
        // A fade-out under way corks when it has been heard.
        if (!flux_pret || coupure != Coupure::Aucune) return;
        bool b = bouche();
        if (b)
            arreter_horloge();
        else if (!joue && ecrites > entendues)
            demarrer_horloge();
        abandonner(pa->stream_cork(flux, b ? 1 : 0, nullptr, nullptr));
    }

    // A pause (Pause) or a stop or seek (Vidage) while the stream is heard:
    // instead of corking at once, which cuts the wave wherever the device
    // is, the sound fades out a little ahead of what is heard (placer_fondu,
    // once the server has said where it plays), and the stream is corked
    // when that has been heard (terminer_coupure). Nothing is written
    // meanwhile. False when nothing is heard now: the caller corks at once.
    // A stop or seek during a pause's fade-out turns it into theirs.
    bool couper(Coupure suite) {
        if (coupure != Coupure::Aucune) {
            if (suite == Coupure::Vidage) coupure = Coupure::Vidage;
            return true;
        }
        if (!flux_pret || !joue || brouillon.empty() || horloge(pa->rtclock_now()) >= ecrites) return false;
        arreter_horloge();
        coupure = suite;
        coupure_placee = false;
        coupure_ecrites = ecrites;
        coupure_entendues = entendues;
        desarmer();
        demander_ou_il_joue(&sur_temps_coupure, [this] { placer_fondu(false); });
        return true;
    }

    // Writes the fade-out over the server's queue: the kept frames from
    // where it starts, faded, then silence up to what had been written.
    void placer_fondu(bool reponse) {
        std::int64_t attente_us = 0;  // until the fade starts to be heard
        const std::int64_t debut = placer(reponse, coupure_ecrites, coupure_entendues, &attente_us);
        const std::int64_t n = std::clamp<std::int64_t>(coupure_ecrites - debut, 0, std::int64_t(trames_rampe));
        float g0, d0;
        gains_ecrits(debut - 1, g0, d0);
        const bool ok = reecrire(debut, coupure_ecrites, g0, d0, 0, 0, trames_rampe);
        coupure_placee = true;
        reprise = coupure == Coupure::Pause ? debut + n : -1;
        if (!ok) {
            terminer_coupure();
            echec_ecriture();
            return;
        }
        attente_us += n * 1000000 / frequence;
        const pa_usec_t quand = pa->rtclock_now() + pa_usec_t(attente_us) + kApresFonduUs;
        if (fin_coupure)
            pa->context_rttime_restart(contexte, fin_coupure, quand);
        else
            fin_coupure = pa->context_rttime_new(contexte, quand, &sur_fin_coupure, this);
    }

    // The fade-out has been heard: corked, the rest of the queue (silence)
    // dropped; after a pause, the kept sound from the fade's end waits for
    // the resume, which fades it in.
    void terminer_coupure() {
        const Coupure suite = coupure;
        coupure = Coupure::Aucune;
        if (fin_coupure) pa->context_rttime_restart(contexte, fin_coupure, PA_USEC_INVALID);
        if (suite == Coupure::Pause) {
            ecrites = std::clamp(reprise < 0 ? entendues : reprise, entendues, tirees);
            reprise = ecrites;
            fondu_entree = ecrites;
            if (!suspendu) reprendre_apres_pause();
        }
        vider_flux();
        appliquer_bouchon();
        abandonner(pa->stream_flush(flux, nullptr, nullptr));
        appliquer_niveaux();
        armer(0);
    }
    // A resume after a pause's fade-out: heard up to where it plays again.
    void reprendre_apres_pause() {
        if (reprise < 0) return;
        entendues = std::max(entendues, std::min(reprise, ecrites));
        reprise = -1;
    }
    // A stream lost or a flush: no fade under way, nothing to fade in.
    void abandonner_coupure() {
        coupure = Coupure::Aucune;
        if (fin_coupure) pa->context_rttime_restart(contexte, fin_coupure, PA_USEC_INVALID);
        fondu_entree = -1;
    }

    // The media name for the server, which wants UTF-8 (file names are raw
    // bytes): "vantrel" when there is none.
    std::string titre_utf8() const {
        if (titre.empty()) return "vantrel";
        if (pa->utf8_valid(titre.c_str())) return titre;
        std::string t;
        if (char* filtre = pa->utf8_filter(titre.c_str())) {
            t = filtre;
            pa->xfree(filtre);
        }
        return t.empty() ? "vantrel" : t;
    }

    void appliquer_titre() {
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
    std::int64_t horloge(pa_usec_t maintenant) const {
        if (!joue) return entendues;
        // Before `depart` while the silence ahead of the sound plays.
        auto ecoule = (std::int64_t(maintenant) - std::int64_t(depart)) * std::int64_t(frequence) / 1000000;
        return std::clamp(base + ecoule, entendues, ecrites);
    }
    void calculer_entendues() { entendues = horloge(pa->rtclock_now()); }
    // The clock stops (cork) or starts again (uncork, or sound after the
    // stream ran dry).
    void arreter_horloge() {
        calculer_entendues();
        joue = false;
    }
    void demarrer_horloge() {
        calculer_entendues();
        joue = true;
        lu_depuis_vide = true;
        base = entendues;
        depart = pa->rtclock_now() + pa_usec_t(silence_tete * 1000000 / frequence);
        silence_tete = 0;
    }

    // Waits for `condition` (with the lock held) at most `delai`.
    template <class F>
    bool attendre(F condition, std::chrono::milliseconds delai) {
        echu = false;
        auto us = std::uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(delai).count());
        echeance = pa->context_rttime_new(contexte, pa->rtclock_now() + us, &sur_echeance, this);
        while (!condition() && !echu) pa->threaded_mainloop_wait(boucle);
        pa->threaded_mainloop_get_api(boucle)->time_free(echeance);
        echeance = nullptr;
        return condition();
    }

    bool creer_flux() {
        pa_sample_spec ss{PA_SAMPLE_FLOAT32NE, std::uint32_t(frequence), 2};
        pa_channel_map carte;
        pa->channel_map_init_stereo(&carte);
        pa_proplist* p = pa->proplist_new();
        pa->proplist_sets(p, PA_PROP_MEDIA_ROLE, "music");
        flux = pa->stream_new_with_proplist(contexte, titre_utf8().c_str(), &ss, &carte, p);
        pa->proplist_free(p);
        if (!flux) return false;
        vue_valide = false;
        flux_pret = false;
        pa->stream_set_state_callback(flux, &sur_etat_flux, this);
        pa->stream_set_write_callback(flux, &sur_demande, this);
        pa->stream_set_moved_callback(flux, &sur_deplacement, this);
        auto octets_ms = [&](int ms) { return std::uint32_t(std::int64_t(frequence) * ms / 1000 * kOctetsParTrame); };
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

    void lacher_flux() {
        if (!flux) return;
        pa->stream_set_state_callback(flux, nullptr, nullptr);
        pa->stream_set_write_callback(flux, nullptr, nullptr);
        pa->stream_set_moved_callback(flux, nullptr, nullptr);
        if (pa->stream_get_state(flux) != PA_STREAM_UNCONNECTED) pa->stream_disconnect(flux);
        pa->stream_unref(flux);
        flux = nullptr;
        flux_pret = false;
    }

    // ---- Without the main loop lock (GUI or watch thread, `bascule` held).

    bool connecter(std::chrono::milliseconds delai) {
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

    bool ouvrir_flux(std::chrono::milliseconds delai) {
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

    void detruire() {
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
};

SortiePulse::SortiePulse(Repli repli, std::chrono::milliseconds delai)
    : e_(std::make_unique<Etat>()), repli_(repli), delai_(delai) {}

SortiePulse::~SortiePulse() { fermer(); }

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
        chemin = serveur ? chemin_socket_serveur(serveur)
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
                const auto pas = chemin.empty() ? reste : std::min<std::chrono::steady_clock::duration>(reste, kSondeSocket);
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

void SortiePulse::definir_niveaux(float gauche, float droite) {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (mode_.load() == Mode::Attente) {
        e.gauche = gauche;
        e.droite = droite;
        return;
    }
    if (mode_.load() != Mode::Pulse) return;
    e.verrouiller();
    if (gauche != e.gauche || droite != e.droite) {
        e.gauche = gauche;
        e.droite = droite;
        e.appliquer_niveaux();
    }
    e.deverrouiller();
}

void SortiePulse::suspendre(bool pause) {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (mode_.load() == Mode::Attente) {
        e.suspendu = pause;
        return;
    }
    if (mode_.load() != Mode::Pulse) return;
    e.verrouiller();
    if (pause != e.suspendu) {
        e.suspendu = pause;
        // A pause while the stream is heard fades out first.
        if (!(pause && e.couper(Etat::Coupure::Pause))) {
            if (!pause) e.reprendre_apres_pause();
            e.appliquer_bouchon();
        }
        if (!pause) e.armer(0);
    }
    e.deverrouiller();
}

void SortiePulse::vider() {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (mode_.load() == Mode::Attente) {
        // Nothing of what was pulled is to be played again.
        e.entendues = e.ecrites = e.plancher = e.tirees;
        return;
    }
    if (mode_.load() != Mode::Pulse) return;
    e.verrouiller();
    if (e.flux_pret && e.couper(Etat::Coupure::Vidage)) {
        // Heard: faded out first, then corked and flushed.
        e.reprise = -1;
    } else if (e.flux_pret) {
        // A flush alone keeps what the device already mixed (up to its
        // latency). Corking first makes the server take that back into the
        // stream's queue at once, and the flush then drops the whole queue.
        e.abandonner_coupure();
        e.reprise = -1;
        e.vider_flux();
        e.appliquer_bouchon();
        e.abandonner(e.pa->stream_flush(e.flux, nullptr, nullptr));
    } else {
        e.vider_flux();  // a new stream: nothing written yet
    }
    e.entendues = e.ecrites = e.plancher = e.tirees;  // dropped, or not to be played again
    e.debut_vide = e.ecrites;
    e.deverrouiller();
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
void SortiePulse::reveiller() {}
void SortiePulse::definir_titre(const std::string&) {}

#endif

}  // namespace vt
