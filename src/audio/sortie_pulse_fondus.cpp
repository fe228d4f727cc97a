// The PulseAudio output's fades: level, balance and mute ramp, and pause,
// stop and seek fade out, written over the server's queue a little past
// where it plays (sortie_pulse.h tells how); a resume fades in. The stream
// and its clock are in sortie_pulse.cpp, the state in sortie_pulse_etat.h.
//
// Threads: the timing answers and the end of a fade-out come on libpulse's
// main loop thread; definir_niveaux, suspendre and vider on the GUI thread,
// which takes `bascule`, then the main loop lock (lock order: main loop
// lock -> mixer lock; nothing here takes the mixer lock).
#include "audio/sortie_pulse_etat.h"

#include <algorithm>

namespace vt {

std::size_t trames_fondu(int frequence) {
    return std::max<std::size_t>(16, std::size_t(std::max(frequence, 0)) * 6 / 1000);
}

void appliquer_rampe(float* trames, std::size_t n, std::size_t de, std::size_t total, float g0, float d0,
                     float g1, float d1) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t k = de + i;
        const float t = k >= total ? 1.0f : float(k + 1) / float(total);
        trames[2 * i] *= k >= total ? g1 : g0 + (g1 - g0) * t;
        trames[2 * i + 1] *= k >= total ? d1 : d0 + (d1 - d0) * t;
    }
}

#if VANTREL_AVEC_PULSE

namespace {
// A command's fade-out written: the stream is corked this long after the
// server should have played its last frame.
constexpr std::uint64_t kApresFonduUs = 10000;
// How far the heard count may run ahead of the server's view (after a
// pause and resume the test server showed 38 ms).
constexpr std::int64_t kDeriveMs = 50;
}  // namespace

// Asks the server where it plays; `reponse` runs with its answer, and
// `sans_reponse` at once when the question cannot be sent.
template <class SansReponse>
void SortiePulse::Etat::demander_ou_il_joue(pa_stream_success_cb_t reponse, SansReponse sans_reponse) {
    question = pa->rtclock_now();
    if (pa_operation* o = pa->stream_update_timing_info(flux, reponse, this))
        abandonner(o);
    else
        sans_reponse();
}

void SortiePulse::Etat::sur_temps_coupure(pa_stream* f, int ok, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    if (f == e->flux && e->coupure != Coupure::Aucune && !e->coupure_placee) e->placer_fondu(ok != 0);
}

void SortiePulse::Etat::sur_temps_niveaux(pa_stream* f, int ok, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    if (f == e->flux && e->niveaux_demandes) e->placer_niveaux(ok != 0);
}

void SortiePulse::Etat::sur_fin_coupure(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* moi) {
    auto* e = static_cast<Etat*>(moi);
    if (e->flux && e->coupure != Coupure::Aucune && e->coupure_placee) e->terminer_coupure();
}

// The level and balance: a stream heard ramps to them from a little
// ahead of what is heard (placer_niveaux, once the server has said
// where it plays); a queue nothing of which has played since it was
// emptied is written again at them. Not while a fade-out plays: the new
// gains are for what follows it.
void SortiePulse::Etat::appliquer_niveaux() {
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

void SortiePulse::Etat::placer_niveaux(bool reponse) {
    niveaux_demandes = false;
    if (coupure != Coupure::Aucune || !joue) {
        appliquer_niveaux();
        return;
    }
    // Nothing dropped is written again: after a new start written behind a
    // fade-out, the frames before it are that fade's.
    const std::int64_t debut =
        std::max(placer(reponse, ecrites, horloge(pa->rtclock_now()), nullptr), plancher);
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
void SortiePulse::Etat::gains_ecrits(std::int64_t k, float& g, float& d) const {
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
// given, receives the time until that frame is heard, `selon_serveur`
// the frame heard now by the server's own view. The margin is twice the
// time the answer took, when that is longer (a busy machine or server:
// the rewrite takes as long to get there), up to 5 times.
std::int64_t SortiePulse::Etat::placer(bool reponse, std::int64_t ecrites_, std::int64_t entendues_,
                                       std::int64_t* attente_us, std::int64_t* selon_serveur) {
    const std::int64_t base_marge = std::int64_t(frequence) * SortiePulse::kMargeFonduMs / 1000;
    const std::int64_t reponse_trames =
        std::int64_t((pa->rtclock_now() - question) * std::uint64_t(frequence) / 1000000u);
    const std::int64_t marge = std::clamp(2 * reponse_trames, base_marge, 5 * base_marge);
    const pa_timing_info* ti = reponse ? pa->stream_get_timing_info(flux) : nullptr;
    std::int64_t debut = std::min(entendues_ + marge, ecrites_), ici = entendues_, vue = entendues_;
    if (ti && !ti->read_index_corrupt && !ti->write_index_corrupt) {
        // An answer a second old says nothing more.
        const std::int64_t age = std::min<std::int64_t>(
            frequence, std::int64_t(pa->timeval_age(&ti->timestamp) * std::uint64_t(frequence) / 1000000u));
        const std::int64_t ecriture = std::int64_t(ti->write_index) / std::int64_t(kOctetsParTrame);
        const std::int64_t lecture = std::int64_t(ti->read_index) / std::int64_t(kOctetsParTrame);
        const std::int64_t latence = std::int64_t(ti->sink_usec * std::uint64_t(frequence) / 1000000u);
        debut = debut_fondu(ecrites_, ecriture, lecture, latence, age, marge, entendues_);
        ici = entendue_selon_serveur(ecrites_, ecriture, lecture, latence, age, entendues_);
        vue = trame_entendue(ecrites_, ecriture, lecture, latence) + age;
    }
    if (attente_us) *attente_us = std::max<std::int64_t>(debut - ici, 0) * 1000000 / frequence;
    // What is heard by the server's own view, unless that is far behind the
    // count: right after a start the server reports its device's latency
    // far too long, while the count may have run a little ahead of it since
    // (kDeriveMs).
    if (selon_serveur) *selon_serveur = std::max(vue, ici - std::int64_t(frequence) * kDeriveMs / 1000);
    // Nothing older than the kept frames is written again.
    return std::max(debut, tirees - capacite_retenues());
}

// Writes the kept frames [de, fin) again over the server's queue, which
// ends at `bout` (at `fin` when not given), ramping over `rampe` frames
// from (g0, d0) to (g1, d1); all four gains 0: silence, the kept frames
// not read. False if the server refused. A step back still to make
// (recul: the queue ends that much past `bout`) is made by this write.
bool SortiePulse::Etat::reecrire(std::int64_t de, std::int64_t fin, float g0, float d0, float g1, float d1,
                                 std::size_t rampe, std::int64_t bout) {
    const std::int64_t capacite = capacite_retenues(), place = std::int64_t(brouillon.size() / 2);
    const bool muet = g0 == 0 && d0 == 0 && g1 == 0 && d1 == 0;
    std::int64_t decalage = -((bout < 0 ? fin : bout) + recul - de) * std::int64_t(kOctetsParTrame);
    if (de < fin) recul = 0;
    for (std::int64_t k0 = de; k0 < fin;) {
        const std::int64_t k = std::min(fin - k0, place);
        if (muet) {
            std::fill(brouillon.begin(), brouillon.begin() + 2 * k, 0.0f);
        } else {
            for (std::int64_t i = 0; i < k; ++i) {
                const std::size_t j = std::size_t((k0 + i) % capacite);
                brouillon[std::size_t(2 * i)] = retenues[2 * j];
                brouillon[std::size_t(2 * i + 1)] = retenues[2 * j + 1];
            }
            appliquer_rampe(brouillon.data(), std::size_t(k), std::size_t(k0 - de), rampe, g0, d0, g1, d1);
        }
        if (pa->stream_write(flux, brouillon.data(), std::size_t(k) * kOctetsParTrame, nullptr, decalage,
                             PA_SEEK_RELATIVE) < 0)
            return false;
        decalage = 0;
        k0 += k;
    }
    return true;
}

// A pause (Pause) or a stop or seek (Vidage) while the stream is heard:
// instead of corking at once, which cuts the wave wherever the device
// is, the sound fades out a little ahead of what is heard (placer_fondu,
// once the server has said where it plays), and the stream is corked
// when that has been heard (terminer_coupure). Nothing is written
// meanwhile. False when nothing is heard now: the caller corks at once.
// A stop or seek during a pause's fade-out turns it into theirs.
bool SortiePulse::Etat::couper(Coupure suite) {
    if (coupure != Coupure::Aucune) {
        if (suite == Coupure::Vidage) coupure = Coupure::Vidage;
        return true;
    }
    if (!flux_pret || !joue || brouillon.empty() || horloge(pa->rtclock_now()) >= ecrites) return false;
    arreter_horloge();
    coupure = suite;
    coupure_placee = false;
    coupure_ecrites = ecrites;
    coupure_recul = recul;
    coupure_entendues = entendues;
    desarmer();
    demander_ou_il_joue(&sur_temps_coupure, [this] { placer_fondu(false); });
    return true;
}

// Writes the fade-out over the server's queue: the kept frames from
// where it starts, faded, then silence up to what had been written; or,
// when a new start follows at once, the fade-out alone, the new sound
// going on right behind it.
void SortiePulse::Etat::placer_fondu(bool reponse) {
    std::int64_t attente_us = 0;  // until the fade starts to be heard
    std::int64_t serveur = 0;
    const std::int64_t debut = placer(reponse, coupure_ecrites, coupure_entendues, &attente_us, &serveur);
    const std::int64_t n = std::clamp<std::int64_t>(coupure_ecrites - debut, 0, std::int64_t(trames_rampe));
    float g0, d0;
    gains_ecrits(debut - 1, g0, d0);
    const bool ok = reecrire(debut, enchainement ? debut + n : coupure_ecrites, g0, d0, 0, 0, trames_rampe,
                             coupure_ecrites);
    coupure_placee = true;
    fin_fondu_trame = debut + n;
    fondu_serveur = serveur;
    fondu_t = pa->rtclock_now();
    reprise = coupure == Coupure::Pause ? debut + n : -1;
    if (!ok) {
        terminer_coupure();
        echec_ecriture();
        return;
    }
    attente_us += n * 1000000 / frequence;
    if (enchainement) {
        enchainer_derriere_fondu(debut + n, debut + n, serveur);
        return;
    }
    const pa_usec_t quand = pa->rtclock_now() + pa_usec_t(attente_us) + kApresFonduUs;
    if (fin_coupure)
        pa->context_rttime_restart(contexte, fin_coupure, quand);
    else
        fin_coupure = pa->context_rttime_new(contexte, quand, &sur_fin_coupure, this);
}

// The fade-out has been heard: corked, the rest of the queue (silence)
// dropped; after a pause, the kept sound from the fade's end waits for
// the resume, which fades it in.
void SortiePulse::Etat::terminer_coupure() {
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
    enchainement = false;
    appliquer_bouchon();
    abandonner(pa->stream_flush(flux, nullptr, nullptr));
    appliquer_niveaux();
    armer(0);
}

// A new start that follows a fade-out at once, once the fade is written
// as a stop's (the new start came after the server's answer): the new
// sound goes back over the silence, right behind the fade-out, or, when
// that is about to be heard already (the new file took that long to
// open), a margin past what is heard now, as the server's view when the
// fade was written carries it forward. No second question: its answer
// would come that much later, and the silence with it.
void SortiePulse::Etat::placer_enchainement() {
    const std::int64_t ici =
        fondu_serveur + std::int64_t((pa->rtclock_now() - fondu_t) * std::uint64_t(frequence) / 1000000u);
    const std::int64_t marge = std::int64_t(frequence) * SortiePulse::kMargeFonduMs / 1000;
    const std::int64_t debut = std::clamp(ici + marge, fin_fondu_trame, coupure_ecrites);
    enchainer_derriere_fondu(coupure_ecrites, debut, ici);
}

// The fade-out is written and the new sound follows it without a cork or
// a flush, which make the server rewind its device and its sink's monitor
// drop the start of the new sound (the fade-in with it): the stream plays
// on, the new sound written from output frame `debut` (counted as when
// the command came) while the server's queue ends at `bout`: its next
// write goes back over what the server holds (the fade's silence), and
// what the queue then lacks of what had been written is written beyond
// what the server asks for. The new sound's first frame is heard once the
// server, which hears frame `ici` now by its own view (the clock may have
// drifted from it), gets there. The output frames before it, the fade's,
// count as dropped.
void SortiePulse::Etat::enchainer_derriere_fondu(std::int64_t bout, std::int64_t debut, std::int64_t ici) {
    coupure = Coupure::Aucune;
    coupure_placee = false;
    enchainement = false;
    if (fin_coupure) pa->context_rttime_restart(contexte, fin_coupure, PA_USEC_INVALID);
    recul = bout - debut;
    dette = coupure_ecrites + coupure_recul - debut;
    vue_valide = false;
    vide = false;
    silence_due = false;
    silence_tete = 0;
    rampe_g = gauche_ecrit;
    rampe_d = droite_ecrit;
    lu_depuis_vide = true;
    joue = true;
    base = entendues;
    depart = pa->rtclock_now() + pa_usec_t(std::max<std::int64_t>(debut - ici, 0) * 1000000 / frequence);
    appliquer_niveaux();
    armer(0);
}

// The frame heard now: the clock's, or the server's last view carried
// forward when that is further (the clock may lag behind it).
std::int64_t SortiePulse::Etat::entendue_maintenant(pa_usec_t t) const {
    std::int64_t ici = horloge(t);
    if (joue && vue_valide && t >= vue_t)
        ici = std::max(ici, vue + std::int64_t((t - vue_t) * std::uint64_t(frequence) / 1000000u));
    return ici;
}

// A queued stream withdrawn once mixed in from output frame `trame`: what
// the server holds of it is written over with silence at once, so that
// the withdrawn sound is never heard even if its replacement comes late,
// and the next write goes back over that silence to `trame` (recul), the
// queue then lacking what is written beyond the server's request (dette). Refused within twice
// kMargeFonduMs of what is heard (the server needs that long to take a
// write over what its device already mixed), while a fade-out or a new
// start behind one is under way, and before the first frame the server
// holds since it was emptied.
bool SortiePulse::Etat::revenir(std::int64_t trame) {
    if (!flux_pret || coupure != Coupure::Aucune || enchainement || brouillon.empty()) return false;
    if (trame > tirees || trame < (vide ? debut_vide : plancher)) return false;
    // A lost stream's frames still to play again go where the queue ends.
    if (recul > 0 && ecrites < tirees) return false;
    const std::int64_t marge = 2 * std::int64_t(frequence) * SortiePulse::kMargeFonduMs / 1000;
    if (trame < entendue_maintenant(pa->rtclock_now()) + marge) return false;
    if (trame < ecrites) {
        if (!reecrire(trame, ecrites, 0, 0, 0, 0, 0)) {
            echec_ecriture();
            return false;
        }
        recul = ecrites - trame;
        dette += recul;
        ecrites = trame;
    }
    tirees = trame;
    inactif = false;
    armer(0);
    return true;
}

// A resume after a pause's fade-out: heard up to where it plays again.
void SortiePulse::Etat::reprendre_apres_pause() {
    if (reprise < 0) return;
    entendues = std::max(entendues, std::min(reprise, ecrites));
    reprise = -1;
}

// A stream lost or a flush: no fade under way, nothing to fade in.
void SortiePulse::Etat::abandonner_coupure() {
    coupure = Coupure::Aucune;
    recul = dette = 0;
    enchainement = false;
    if (fin_coupure) pa->context_rttime_restart(contexte, fin_coupure, PA_USEC_INVALID);
    fondu_entree = -1;
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

bool SortiePulse::revenir(std::int64_t trame) {
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (mode_.load() != Mode::Pulse) return false;
    e.verrouiller();
    const bool ok = e.revenir(trame);
    e.deverrouiller();
    return ok;
}

// A stop whose fade-out a new start follows at once: the new sound is
// written right behind the fade-out (placer_fondu), or, when the fade is
// already written as a stop's, over its silence (placer_enchainement);
// the stream is not corked.
bool SortiePulse::enchainer() {
    vider();
    Etat& e = *e_;
    std::lock_guard<std::recursive_mutex> b(e.bascule);
    if (mode_.load() != Mode::Pulse) return false;
    e.verrouiller();
    const bool fondu = e.flux_pret && e.coupure == Etat::Coupure::Vidage;
    if (fondu && !e.enchainement) {
        e.enchainement = true;
        if (e.coupure_placee) {
            if (e.fin_coupure) e.pa->context_rttime_restart(e.contexte, e.fin_coupure, PA_USEC_INVALID);
            e.placer_enchainement();
        }
    }
    e.deverrouiller();
    return fondu;
}

#endif

}  // namespace vt
