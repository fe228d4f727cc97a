// The audio engine: open streams, channels and the mixer.
//
// Threads
//   GUI thread      makes every MoteurAudio call. ouvrir_flux waits for an
//                   opening thread at most 250 ms (ouverture_flux.h); every
//                   other call only changes a few fields or posts a
//                   request, and returns at once.
//   opening thread  probes the file of each ouvrir_flux with the decoder
//                   table (decodeurs.h), then waits for the next one. One
//                   whose open the GUI thread gave up on runs to its end
//                   alone (at most two at once), closes what it opened,
//                   never touches the engine and ends; destroying the
//                   engine waits for it at most 250 ms.
//   decoder thread  one per open stream (FluxAudio): reads, decodes and
//                   resamples into the stream's ring (24 blocks of 4096
//                   frames, about 2.2 s), then sleeps on a semaphore until the
//                   reader has freed half the ring (about once a second while
//                   playing), a seek or replay arrives, or the stream closes.
//                   It never takes the mixer lock.
//   device thread   SDL's callback (or the caller of SortieManuelle::pomper)
//                   runs Etat::remplir: volume, pan, mute, pause and level
//                   ramps. It never allocates, never does file I/O and never
//                   waits for a decoder; missing data is silence. Its only
//                   lock is the mixer lock, which the GUI thread holds for a
//                   few microseconds per call (no I/O, no allocation, no
//                   thread join inside).
//   watch thread    SortieSDL's: reopens a device that went away.
//                   SortiePulse's: recreates a killed stream, and reaches
//                   the server again when it went away (the heard count,
//                   and so every position, stays where the sound stopped
//                   until then).
//
// Data and locks
//   `verrou` (mixer lock) guards the channels, the fade-out voices and the
//   reading side of every stream's ring: whoever holds it is the ring's only
//   reader (the device thread while mixing; the GUI thread when stop, seek or
//   replay drops what is queued). The GUI thread alone touches the stream
//   table. Queries read atomics and take no lock.
//   Lock order: SDL's device lock -> mixer lock (the callback runs under
//   SDL's lock), and likewise PulseAudio's main loop lock -> mixer lock
//   (SortieAudio::bloquer takes it before the mixer lock, and the output's
//   own calls are never made with the mixer lock held); a stream's request
//   lock and wait lock are leaves. The GUI
//   thread never opens or closes the device, nor destroys a stream, while
//   holding the mixer lock.
//
// Series
//   Every play of an already played stream and every seek starts a new series
//   (FluxAudio::nouvelle_serie): the queue is dropped and the decoder is asked
//   to go on from the new place. Blocks decoded for an older series are
//   dropped unread, so late data never plays and never moves the position.
//
// Joins
//   A stream queued on a channel (`suivant`) takes the channel's place in
//   the middle of a period, right after the end block of what it plays: the
//   mixer goes on reading from it, so the join holds no silence and no
//   change of gain. Each stream's decoder resamples to the engine's rate and
//   channel count, so files of other formats join the same way. The decoder
//   tells the end of its file (FluxAudio::surveiller_fin) on its thread; the
//   mixer tells the join when it mixes it, or, with a server output, the
//   output frame where it went out, which the GUI thread compares with the
//   heard count when it collects the events. Events wait in a small fixed
//   ring (no allocation on the device thread) and `reveil` is called after
//   the mixer lock is released; a FinDecodee of an older series is dropped
//   as it is collected.
//
// Time
//   A stream's position is the track frame that the mixer last rendered, so
//   elapsed time, the end of the track and the second of silence that
//   follows it are all counted in frames rendered to the output.
//
// Server outputs (SortieAudio::controles_serveur, the PulseAudio output)
//   The server holds about a second of mixed sound, so "rendered" is not
//   "heard". The channel last started is the pilot: the mixer takes it at
//   full level and the output ramps what the server holds to its level and
//   balance; its pause fades out and corks the stream (the mixer ignores
//   it); stopping or seeking it fades out and flushes the stream, and so
//   does every start. Other channels
//   are mixed as usual (their controls are heard after the buffer).
//   Time is counted in heard frames: the mixer numbers the frames it pulls,
//   each channel keeps which track frames went out at which output frames
//   (`segments`), and the output tells how many pulled frames have been
//   heard; a position is the track frame under that count. The end of a
//   file is the output frame just past its last frame (`fin_sortie`): the
//   position reaches the length once that is heard, and the channel stops
//   playing one heard second later. The mixer writes `fini` and the end
//   state only for the other outputs; with a server the queries work them
//   out, and releasing a channel writes its heard position into the stream.
//
// The parts: this file holds the engine's calls and the stream table; the
// mixer is in moteur_mixage.cpp, the events in moteur_evenements.cpp, the
// state they share in moteur_etat.h.
#include "audio/moteur_etat.h"

#include "audio/fabrique_sortie.h"
#include "config/nom_chemin.h"

#include <algorithm>
#include <limits>

namespace vt::moteur {

// Sets one control of a channel with the mixer lock held; when the
// server applies that channel's controls, hands it the new levels.
template <class F>
void MoteurMixage::Etat::regler(int indice, F modifier) {
    Canal* c = canal(indice);
    if (!c || !actif(*c)) return;
    const bool serveur = sortie->controles_serveur();
    bool gere;
    float g = 1, d = 1;
    {
        std::lock_guard<std::mutex> v(verrou);
        modifier(*c);
        gere = serveur && indice == pilote;
        if (gere) c->niveaux(g, d);
    }
    if (gere) sortie->definir_niveaux(g, d);
}

// Destroys a stream that no channel holds any more, keeping its memory.
void MoteurMixage::Etat::detruire(std::shared_ptr<FluxAudio> f) {
    if (f && f.use_count() == 1 && !memoire_libre) memoire_libre = f->rendre_memoire();
}

// With a server output (`serveur`), `entendues` is the output's heard
// count: the stream keeps the position heard when it was released.
void MoteurMixage::Etat::liberer(Canal& c, bool serveur, std::int64_t entendues) {
    const int indice = int(&c - canaux.get());
    // The pilot's queue is flushed: what would follow was never heard.
    if (!(serveur && indice == pilote)) fondre(c);
    if (serveur && c.flux && c.etat.load() != EtatCanal::Libre) {
        std::int64_t fin = c.fin_sortie.load();
        if (fin >= 0 && entendues >= fin)
            marquer_fini(*c.flux);
        else
            c.flux->position = c.piste_entendue(entendues);
    }
    if (EntreeFlux* e = trouver(c.id_flux); e && e->canal == indice) e->canal = -1;
    retirer_suivant(c);
    c.nb_joints = 0;
    c.flux.reset();  // the stream table still owns it: never the last reference
    c.id_flux = 0;
    c.etat = EtatCanal::Libre;
    c.pause = false;
    if (indice == pilote) pilote = -1;
}

// Drops the stream queued on `c`; true when there was one.
bool MoteurMixage::Etat::retirer_suivant(Canal& c) {
    if (!c.suivant) return false;
    if (EntreeFlux* e = trouver(c.id_suivant); e && e->canal == int(&c - canaux.get())) e->canal = -1;
    c.suivant.reset();
    c.id_suivant = 0;
    return true;
}

// The channel has ended: for a server output, once the second after its
// end has been heard.
bool MoteurMixage::Etat::termine(const Canal& c, bool serveur, std::int64_t entendues) const {
    EtatCanal e = c.etat.load();
    if (e == EtatCanal::Termine) return true;
    if (e != EtatCanal::Fin || !serveur) return false;
    std::int64_t fin = c.fin_sortie.load();
    return fin >= 0 && entendues >= fin + frequence;
}

bool MoteurMixage::Etat::actif(const Canal& c) const {
    if (!c.actif()) return false;
    if (c.etat.load() != EtatCanal::Fin || !sortie->controles_serveur()) return true;
    return !termine(c, true, sortie->trames_entendues());
}

MoteurMixage::Etat::Vue MoteurMixage::Etat::vue(const EntreeFlux& ef, int id) {
    const FluxAudio& f = *ef.flux;
    Vue v{f.position.load(), f.fini.load()};
    if (ef.canal < 0 || !sortie->controles_serveur()) return v;
    std::int64_t entendues = sortie->trames_entendues();
    std::lock_guard<std::mutex> g(verrou);
    const Canal* c = canal(ef.canal);
    if (!c || !c->flux) return v;
    if (c->id_flux != id) {
        // A stream that a join mixed on the channel follows: its last frame
        // went out just before that join, and it is heard up to there.
        for (std::size_t k = 0; k < c->nb_joints; ++k) {
            if (c->joints[k].avant != id) continue;
            const std::int64_t reste = std::max<std::int64_t>(c->joints[k].sortie - entendues, 0);
            v.position = std::max<std::int64_t>(f.longueur.load() - reste, 0);
            v.fini = reste == 0;
        }
        return v;
    }
    std::int64_t fin = c->fin_sortie.load();
    if (fin >= 0 && entendues >= fin) {
        v.fini = true;
    } else {
        v.position = c->piste_entendue(entendues);
        v.fini = false;
    }
    return v;
}

// ---------------------------------------------------------------- MoteurAudio

MoteurMixage::MoteurMixage(std::unique_ptr<SortieAudio> sortie, audio::ChoixDecodeurs decodeurs,
                           std::span<const audio::EntreeDecodeur> table)
    : etat_(std::make_unique<Etat>()) {
    etat_->sortie = sortie ? std::move(sortie) : creer_sortie_par_defaut();
    etat_->ouvertures = std::make_unique<audio::OuverturesFlux>(table, decodeurs);
}

MoteurMixage::~MoteurMixage() { fermer(); }

SortieAudio* MoteurMixage::sortie() { return etat_->sortie.get(); }

bool MoteurMixage::initialise() const { return etat_->initialise; }

bool MoteurMixage::initialiser(int frequence, int canaux_max) {
    Etat& e = *etat_;
    if (e.initialise) return true;
    if (frequence < 8000 || frequence > 192000) return false;
    e.frequence = frequence;
    e.nb_canaux = std::clamp(canaux_max, 1, 256);
    e.canaux = std::make_unique<Canal[]>(std::size_t(e.nb_canaux));
    e.seuil_amorce = e.sortie->temps_reel() ? e.sortie->trames_par_periode() : 0;
    e.pilote = -1;
    e.tirees = 0;
    if (!e.sortie->ouvrir(frequence, e)) {
        e.canaux.reset();
        e.nb_canaux = 0;
        return false;
    }
    e.initialise = true;
    e.sortie->lancer(true);
    return true;
}

void MoteurMixage::fermer() {
    Etat& e = *etat_;
    if (!e.initialise) return;
    {
        Blocage b(*e.sortie);
        const bool serveur = e.sortie->controles_serveur();
        const std::int64_t entendues = serveur ? e.sortie->trames_entendues() : 0;
        std::lock_guard<std::mutex> g(e.verrou);
        for (int i = 0; i < e.nb_canaux; ++i) e.liberer(e.canaux[i], serveur, entendues);
    }
    e.sortie->fermer();
    e.flux.clear();  // joins the decoders
    e.memoire_libre.reset();
    e.canaux.reset();
    e.nb_canaux = 0;
    e.fondus = {};
    e.initialise = false;
}

int MoteurMixage::ouvrir_flux(const std::string& chemin) {
    Etat& e = *etat_;
    if (!e.initialise) return 0;
    std::shared_ptr<FluxAudio> f = e.ouvertures->ouvrir(chemin, e.frequence, e.memoire_libre);
    if (!f) return 0;
    int id = e.prochain_id;
    while (e.flux.count(id)) id = id == std::numeric_limits<int>::max() ? 1 : id + 1;
    e.prochain_id = id == std::numeric_limits<int>::max() ? 1 : id + 1;
    f->surveiller_fin([&e, id](std::uint32_t serie) {
        e.pousser(Evenement::Type::FinDecodee, id, serie);
        e.reveiller_appelant();
    });
    e.flux[id].flux = std::move(f);
    e.flux[id].nom = std::string(nom_affiche(chemin));
    return id;
}

int MoteurMixage::jouer_flux(int canal_demande, int flux) {
    Etat& e = *etat_;
    Etat::EntreeFlux* ef = e.initialise ? e.trouver(flux) : nullptr;
    if (!ef) return -1;
    Blocage b(*e.sortie);
    const bool serveur = e.sortie->controles_serveur();
    const std::int64_t entendues = serveur ? e.sortie->trames_entendues() : 0;
    bool recommencer = ef->deja_joue;
    std::uint32_t serie = 0;
    int choisi = -1;
    {
        std::lock_guard<std::mutex> g(e.verrou);
        if (Canal* ancien = e.canal(ef->canal)) e.liberer(*ancien, serveur, entendues);
        if (e.canal(canal_demande)) {
            choisi = canal_demande;
        } else {
            for (int i = 0; i < e.nb_canaux && choisi < 0; ++i)
                if (e.canaux[i].etat.load() == EtatCanal::Libre) choisi = i;
            for (int i = 0; i < e.nb_canaux && choisi < 0; ++i)
                if (e.termine(e.canaux[i], serveur, entendues)) choisi = i;
        }
        if (choisi < 0) return -1;
        Canal& c = e.canaux[choisi];
        if (c.etat.load() != EtatCanal::Libre) e.liberer(c, serveur, entendues);
        if (recommencer) serie = ef->flux->nouvelle_serie(0);
        c.flux = ef->flux;
        c.id_flux = flux;
        c.pause = false;
        c.muet = false;
        c.volume = 255;
        c.pan = 128;
        c.gain_g = c.gain_d = 0;
        // A track that starts while another fades out (next, back, a double
        // click) fades in as well; a start from silence takes its level at
        // once, so that the file's first frames go out unchanged.
        c.attaque_franche =
            std::none_of(e.fondus.begin(), e.fondus.end(), [](const Fondu& f) { return f.reste() > 0; });
        // A server applies the volume and pan set right after: no wait.
        c.delai_depart = e.seuil_amorce > 0 && !serveur;
        c.silence_fin = 0;
        c.retenue_armee = false;
        c.effacer_histoire(ef->flux->position.load());
        c.etat = EtatCanal::Amorce;
        e.pilote = choisi;
    }
    if (recommencer) ef->flux->demander_position(serie, 0);
    ef->canal = choisi;
    ef->deja_joue = true;
    if (serveur) {
        // What the server holds would delay the start; what is heard of
        // another track fades out and this one follows it, faded in.
        if (e.sortie->enchainer()) {
            std::lock_guard<std::mutex> g(e.verrou);
            e.canaux[choisi].attaque_franche = false;
        }
        e.sortie->definir_niveaux(1.0f, 1.0f);
        e.sortie->suspendre(false);
    }
    e.sortie->definir_titre(ef->nom);
    e.sortie->reveiller();
    return choisi;
}

void MoteurMixage::arreter_flux(int flux) {
    Etat& e = *etat_;
    Etat::EntreeFlux* ef = e.trouver(flux);
    if (!ef || ef->canal < 0) return;
    Blocage b(*e.sortie);
    const bool serveur = e.sortie->controles_serveur();
    const std::int64_t entendues = serveur ? e.sortie->trames_entendues() : 0;
    bool pilote = false;
    {
        std::lock_guard<std::mutex> g(e.verrou);
        if (Canal* c = e.canal(ef->canal); c && c->id_suivant == flux) {
            // Only queued: what plays goes on.
            e.retirer_suivant(*c);
            return;
        }
        if (Canal* c = e.canal(ef->canal); c && c->id_flux == flux) {
            pilote = ef->canal == e.pilote;
            e.liberer(*c, serveur, entendues);
        }
        ef->canal = -1;
    }
    if (serveur && pilote) {
        e.sortie->vider();
        e.sortie->definir_niveaux(1.0f, 1.0f);
        e.sortie->suspendre(false);
        e.sortie->reveiller();
    }
}

void MoteurMixage::fermer_flux(int flux) {
    Etat& e = *etat_;
    auto it = e.flux.find(flux);
    if (it == e.flux.end()) return;
    arreter_flux(flux);
    std::shared_ptr<FluxAudio> f = std::move(it->second.flux);
    e.flux.erase(it);
    e.detruire(std::move(f));  // joins its decoder, outside the mixer lock
}

bool MoteurMixage::en_pause(int canal) const {
    const Canal* c = etat_->canal(canal);
    return c && etat_->actif(*c) && c->pause.load();
}

void MoteurMixage::mettre_en_pause(int canal, bool pause) {
    Etat& e = *etat_;
    Canal* c = e.canal(canal);
    if (!c || !e.actif(*c)) return;
    const bool serveur = e.sortie->controles_serveur();
    bool gere;
    {
        std::lock_guard<std::mutex> g(e.verrou);
        c->pause = pause;
        gere = serveur && canal == e.pilote;
    }
    if (gere)
        e.sortie->suspendre(pause);
    else if (!pause)
        e.sortie->reveiller();
}

bool MoteurMixage::en_lecture(int canal) const {
    const Canal* c = etat_->canal(canal);
    return c && etat_->actif(*c);
}

void MoteurMixage::definir_volume(int canal, int volume) {
    etat_->regler(canal, [&](Canal& c) { c.volume = std::clamp(volume, 0, 255); });
}

void MoteurMixage::definir_pan(int canal, int pan) {
    etat_->regler(canal, [&](Canal& c) { c.pan = std::clamp(pan, 0, 255); });
}

void MoteurMixage::definir_muet(int canal, bool muet) {
    etat_->regler(canal, [&](Canal& c) { c.muet = muet; });
}

std::int64_t MoteurMixage::temps_ms(int flux) const {
    Etat& e = *etat_;
    auto it = e.flux.find(flux);
    if (it == e.flux.end()) return 0;
    Etat::Vue v = e.vue(it->second, flux);
    std::int64_t longueur = longueur_ms(flux);
    if (v.fini) return longueur;
    std::int64_t t = v.position * 1000 / e.frequence;
    return longueur > 0 ? std::min(t, longueur) : t;
}

std::int64_t MoteurMixage::longueur_ms(int flux) const {
    const Etat& e = *etat_;
    auto it = e.flux.find(flux);
    if (it == e.flux.end()) return 0;
    return it->second.flux->longueur.load() * 1000 / e.frequence;
}

void MoteurMixage::aller_a_ms(int flux, std::int64_t ms) {
    Etat& e = *etat_;
    Etat::EntreeFlux* ef = e.trouver(flux);
    if (!ef) return;
    FluxAudio& f = *ef->flux;
    std::int64_t longueur = f.longueur.load();
    std::int64_t trame = std::max<std::int64_t>(ms, 0) * e.frequence / 1000;
    if (longueur > 0) trame = std::min(trame, longueur);
    Blocage b(*e.sortie);
    const bool serveur = e.sortie->controles_serveur();
    bool gere = false;
    std::uint32_t serie;
    {
        std::lock_guard<std::mutex> g(e.verrou);
        if (Canal* c = e.canal(ef->canal); c && c->id_flux == flux) {
            gere = serveur && ef->canal == e.pilote;
            // The pilot's queue is flushed: what would follow was never heard.
            if (!gere) e.fondre(*c);
            if (c->etat.load() != EtatCanal::Libre) c->etat = EtatCanal::Amorce;
            c->gain_g = c->gain_d = 0;  // ramps in from silence
            c->attaque_franche = false;
            c->silence_fin = 0;
            c->retenue_armee = false;
            c->effacer_histoire(trame);
        }
        serie = f.nouvelle_serie(trame);
    }
    f.demander_position(serie, trame);
    if (gere) e.sortie->vider();
    e.sortie->reveiller();
}

std::int64_t MoteurMixage::position(int flux) const {
    Etat& e = *etat_;
    auto it = e.flux.find(flux);
    if (it == e.flux.end()) return 0;
    const FluxAudio& f = *it->second.flux;
    Etat::Vue v = e.vue(it->second, flux);
    std::int64_t longueur = f.longueur.load();
    if (v.fini) return longueur;
    // Below the length until the last frame is played, even when the
    // estimated length was short.
    return std::clamp<std::int64_t>(v.position, 0, std::max<std::int64_t>(longueur, 1) - 1);
}

std::int64_t MoteurMixage::longueur(int flux) const {
    Etat& e = *etat_;
    auto it = e.flux.find(flux);
    if (it == e.flux.end()) return 0;
    const FluxAudio& f = *it->second.flux;
    std::int64_t longueur = f.longueur.load();
    return e.vue(it->second, flux).fini ? longueur : std::max<std::int64_t>(longueur, 1);
}

bool MoteurMixage::enchainer_flux(int canal, int flux) {
    Etat& e = *etat_;
    Etat::EntreeFlux* ef = e.trouver(flux);
    Canal* c = e.canal(canal);
    if (!ef || !c || ef->canal >= 0 || ef->deja_joue || !e.actif(*c)) return false;
    {
        std::lock_guard<std::mutex> g(e.verrou);
        EtatCanal etat = c->etat.load();
        // Ended with the last period, no silence rendered since: still in
        // time (the hold on the file's end may not even have started).
        if (etat == EtatCanal::Fin && c->silence_fin == 0) {
            c->etat = EtatCanal::Lecture;
            etat = EtatCanal::Lecture;
        }
        if (etat != EtatCanal::Amorce && etat != EtatCanal::Lecture) return false;
        e.retirer_suivant(*c);
        c->suivant = ef->flux;
        c->id_suivant = flux;
    }
    ef->canal = canal;
    ef->deja_joue = true;
    e.sortie->reveiller();
    return true;
}

bool MoteurMixage::retirer_enchainement(int canal) {
    Etat& e = *etat_;
    Canal* c = e.canal(canal);
    if (!c) return false;
    Blocage b(*e.sortie);
    {
        std::lock_guard<std::mutex> g(e.verrou);
        if (e.retirer_suivant(*c)) {
            // What replaces it is queued right after: the end of the file
            // is held back afresh for that (a hold armed when the file was
            // read to its end is long over near the join).
            c->retenue_armee = false;
            return true;
        }
    }
    return e.retirer_joint(*c);
}

// With a server output, the last stream joined on `c` and not heard yet
// is withdrawn while the output can still write over its join (the
// output's thread held off by the caller): the channel goes back to the
// end of the stream that join followed, the join's output frame is the
// next one pulled again, and a stream queued next joins there.
bool MoteurMixage::Etat::retirer_joint(Canal& c) {
    Canal::Joint joint;
    {
        std::lock_guard<std::mutex> g(verrou);
        if (int(&c - canaux.get()) != pilote || c.nb_joints == 0 || !sortie->controles_serveur())
            return false;
        joint = c.joints[c.nb_joints - 1];
        if (joint.id != c.id_flux) return false;
    }
    EntreeFlux* avant = trouver(joint.avant);
    if (!avant || !avant->flux || !sortie->revenir(joint.sortie)) return false;
    std::lock_guard<std::mutex> g(verrou);
    if (EntreeFlux* retire = trouver(joint.id)) retire->canal = -1;
    c.flux = avant->flux;
    c.id_flux = joint.avant;
    --c.nb_joints;
    c.etat = EtatCanal::Lecture;
    c.silence_fin = 0;
    c.retenue_armee = false;
    c.effacer_histoire(avant->flux->longueur.load());
    tirees = joint.sortie;
    return true;
}

bool MoteurMixage::decodage_fini(int flux) const {
    auto it = etat_->flux.find(flux);
    return it != etat_->flux.end() && it->second.flux->decodage_fini();
}

}  // namespace vt::moteur

namespace vt {

std::unique_ptr<MoteurAudio> creer_moteur_decodeurs(std::unique_ptr<SortieAudio> sortie,
                                                    audio::ChoixDecodeurs decodeurs) {
    return std::make_unique<moteur::MoteurMixage>(std::move(sortie), decodeurs);
}

std::unique_ptr<MoteurAudio> creer_moteur_table(std::unique_ptr<SortieAudio> sortie,
                                                std::span<const audio::EntreeDecodeur> table) {
    return std::make_unique<moteur::MoteurMixage>(std::move(sortie), audio::ChoixDecodeurs::Tous, table);
}

}  // namespace vt

// The factory, the library's one exported symbol.
extern "C" __attribute__((visibility("default"))) vt::MoteurAudio* creer_moteur(vt::SortieAudio* sortie) {
    return new vt::moteur::MoteurMixage(std::unique_ptr<vt::SortieAudio>(sortie),
                                        vt::audio::ChoixDecodeurs::Tous);
}
