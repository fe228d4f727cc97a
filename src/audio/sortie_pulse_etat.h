#pragma once
// The PulseAudio output's state, shared by its three parts (private to
// src/audio): sortie_pulse.cpp (the stream: writing, the heard clock, the
// title), sortie_pulse_fondus.cpp (fades and level ramps written over the
// server's queue: pause, stop, seek, level, balance) and
// sortie_pulse_connexion.cpp (connecting, a stream or the server lost,
// reconnecting).
//
// Threads and locks (see sortie_pulse.h): libpulse's main loop thread runs
// the callbacks and pulls from the engine with the main loop lock held
// (lock order: main loop lock -> mixer lock); the GUI's calls and the watch
// thread hold `bascule` and take the main loop lock inside it, never the
// other way round. `m_evenements` is a leaf.
#include "audio/bibliotheque_pulse.h"
#include "audio/sortie_pulse.h"

#if VANTREL_AVEC_PULSE

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

struct SortiePulse::Etat {
    static constexpr std::size_t kOctetsParTrame = 2 * sizeof(float);

    const audio::BibliothequePulse* pa = nullptr;

    // Created and destroyed by the thread that holds `bascule` (GUI or watch
    // thread), used under the main loop lock.
    pa_threaded_mainloop* boucle = nullptr;
    pa_context* contexte = nullptr;
    pa_stream* flux = nullptr;
    pa_time_event* minuteur = nullptr;  // next try to write
    pa_time_event* echeance = nullptr;  // bounded waits of ouvrir and connecter
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
    std::int64_t vue_lue = 0;      // the output frame the server had read up to then
    std::int64_t vue_latence = 0;  // its sink's configured latency, in frames
    // The latency the sink itself runs at now (the shortest any of its
    // streams or recorders asks for), in frames; -1: not known. Asked for
    // with the view while a queued stream is held back, at most every
    // kSinkUs.
    std::int64_t latence_sink = -1;
    pa_usec_t sink_demande = 0;
    bool joint_retenu = false;  // the engine holds a queued stream back (SourceAudio::Pret)
    pa_usec_t vue_t = 0, vue_demandee = 0;
    bool joue = false;      // the heard count runs: uncorked with sound
    std::int64_t base = 0;  // heard count when it started to run
    pa_usec_t depart = 0;
    bool inactif = false;  // stopped pulling: nothing audible
    float gauche = 1, droite = 1;
    bool suspendu = false;  // corked for a pause
    // Corked since vider, until enough new sound is written (kAvanceMs):
    // corking is what makes the server drop at once what its device had
    // already mixed of ours.
    bool vide = true;
    pa_usec_t vide_depuis = 0;        // the first sound written since (0: none yet)
    std::int64_t debut_vide = 0;      // `ecrites` when the stream was last emptied
    std::int64_t tampon_serveur = 0;  // the server's target buffer, in frames
    bool en_marche = false;           // lancer
    // A command's fade-out (see couper): what follows it once it is heard
    // (Aucune: none under way), whether it is written yet, the frames
    // written when the command came (the server's write index) and the
    // heard count then.
    enum class Coupure { Aucune, Pause, Vidage };
    Coupure coupure = Coupure::Aucune;
    bool coupure_placee = false;
    std::int64_t coupure_ecrites = 0, coupure_entendues = 0;
    std::int64_t coupure_recul = 0;  // the step back still to make then (recul)
    pa_time_event* fin_coupure = nullptr;
    // Whether a new start follows the fade-out at once (SortiePulse::enchainer).
    bool enchainement = false;
    // A new start that follows at once is written over the queue right
    // behind the fade-out, with no cork and no flush (see enchainer): the
    // output frame (counted as when the command came) the fade-out ends
    // on, and the frame heard by the server's view when the fade was
    // written, at `fondu_t`.
    std::int64_t fin_fondu_trame = 0, fondu_serveur = 0;
    pa_usec_t fondu_t = 0;
    // The new sound's first write goes back this many frames over the
    // queue; the server's queue is then that much shorter than it asks
    // for, which is written beyond what it asks (`dette`).
    std::int64_t recul = 0, dette = 0;
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
    bool lu_depuis_vide = false;   // the stream played since it was emptied
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
    void abandonner(pa_operation* o) {
        if (o) pa->operation_unref(o);
    }
    // Right after a flush the server has not asked for more yet, and no
    // room left does not mean a full buffer: full is half the server's.
    bool plein() const { return ecrites - debut_vide >= std::max<std::int64_t>(tampon_serveur / 2, 1); }
    bool bouche() const { return suspendu || !en_marche || vide; }
    void calculer_entendues() { entendues = horloge(pa->rtclock_now()); }
    static void sur_demande(pa_stream*, std::size_t, void* moi) { static_cast<Etat*>(moi)->ecrire(); }

    // ---- With the main loop lock held (callbacks: on the main loop
    // thread), unless said otherwise.

    // The stream, its writing and the heard clock (sortie_pulse.cpp).
    static void sur_etat_flux(pa_stream* f, void* moi);
    static void sur_deplacement(pa_stream*, void* moi);
    static void sur_minuteur(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi);
    static void sur_temps(pa_stream* f, int ok, void* moi);
    void demander_vue();
    void noter_vue();
    static void sur_info_sink(pa_context*, const pa_sink_info* i, int eol, void* moi);
    std::int64_t lecture_avance() const;
    void armer(std::uint64_t dans_us);
    void desarmer();
    void ecrire();
    bool ecrire_silence();
    void retenir(const float* donnees, std::size_t k);
    bool rejouer(std::size_t& libres);
    pa_cvolume volume() const;
    void vider_flux();
    void deboucher_apres_vide();
    void appliquer_bouchon();
    std::string titre_utf8() const;
    void appliquer_titre();
    std::int64_t horloge(pa_usec_t maintenant) const;
    std::int64_t non_lues(pa_usec_t maintenant) const;
    void arreter_horloge();
    void demarrer_horloge();
    bool creer_flux();
    void lacher_flux();

    // Fades and level ramps written over the server's queue
    // (sortie_pulse_fondus.cpp).
    template <class SansReponse>
    void demander_ou_il_joue(pa_stream_success_cb_t reponse, SansReponse sans_reponse);
    static void sur_temps_coupure(pa_stream* f, int ok, void* moi);
    static void sur_temps_niveaux(pa_stream* f, int ok, void* moi);
    static void sur_fin_coupure(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi);
    void appliquer_niveaux();
    void placer_niveaux(bool reponse);
    void gains_ecrits(std::int64_t k, float& g, float& d) const;
    std::int64_t placer(bool reponse, std::int64_t ecrites_, std::int64_t entendues_,
                        std::int64_t* attente_us, std::int64_t* selon_serveur = nullptr);
    bool reecrire(std::int64_t de, std::int64_t fin, float g0, float d0, float g1, float d1,
                  std::size_t rampe, std::int64_t bout = -1);
    bool couper(Coupure suite);
    void placer_fondu(bool reponse);
    void terminer_coupure();
    void placer_enchainement();
    void enchainer_derriere_fondu(std::int64_t bout, std::int64_t debut, std::int64_t ici);
    std::int64_t entendue_maintenant(pa_usec_t t) const;
    bool revenir(std::int64_t trame);
    void reprendre_apres_pause();
    void abandonner_coupure();

    // Connecting, losses and reconnecting (sortie_pulse_connexion.cpp);
    // connecter, ouvrir_flux and detruire without the main loop lock
    // (`bascule` held).
    template <class F>
    bool attendre(F condition, std::chrono::milliseconds delai);
    void signaler(bool panne_serveur);
    static void sur_etat_contexte(pa_context* c, void* moi);
    static void sur_abonnement(pa_context*, int ok, void* moi);
    static void sur_evenement(pa_context*, pa_subscription_event_type_t t, std::uint32_t, void* moi);
    static void sur_echeance(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi);
    void noter_perte();
    void attendre_sink();
    void quitter_attente_sink();
    void echec_ecriture();
    void reprendre();
    bool connecter(std::chrono::milliseconds delai);
    bool ouvrir_flux(std::chrono::milliseconds delai);
    void detruire();
};

}  // namespace vt

#endif
