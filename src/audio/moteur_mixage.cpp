// The audio engine's mixer: each period of the output, the channels'
// streams mixed with their gains, level ramps and fade-out voices, the
// queued stream joined right after the end block of what it follows, and
// what the output may write (pret). The engine's calls are in
// moteur_audio.cpp, with the notes on threads, series, joins and time.
//
// Threads: remplir and pret run on the output's thread (SDL's callback,
// PulseAudio's main loop, or the caller of SortieManuelle::pomper) and take
// the mixer lock (`verrou`), under the device's own lock (SDL's device lock
// or PulseAudio's main loop lock -> mixer lock). They never allocate, never
// do file I/O and never wait for a decoder, except attendre, for the manual
// output only, which waits outside the mixer lock. An event is pushed under
// `verrou_evenements` (a leaf) and the caller woken once the mixer lock is
// released. fondre, marquer_fini and the others run with the mixer lock
// held, on whichever thread holds it.
#include "audio/moteur_etat.h"

#include <algorithm>

namespace vt::moteur {

namespace {

// The manual output waits at most this long for a decoder.
constexpr auto kAttenteMax = std::chrono::seconds(5);
// A queued stream is rendered once the server holds no more than this
// unread ahead of its first frame (or its sink's latency, when longer: a
// sink reads up to that at once). The output looks every 10 ms, with the
// server's view asked each time; under this, a busy machine would let the
// server run dry at the join, and the sound written then would come late.
constexpr auto kAvanceJoint = std::chrono::milliseconds(40);
// A server output is held back this long past the end of a file with
// nothing queued, so that the caller's decision (the decoder's end event)
// can still queue what follows: a short file is read and mixed whole as it
// starts, before the event is taken.
constexpr auto kRetenueFin = std::chrono::milliseconds(300);

// Mixes `n` frames of `source` into `sortie` (added, or written when
// `Ecrire`: the first channel of a period saves clearing the buffer), gains
// moving toward the targets. When `arret_au_silence`, stops as soon as both
// gains are 0 and returns the frames used; otherwise uses all `n`.
template <bool Ecrire>
std::size_t ajouter(float* __restrict sortie, const float* __restrict source, std::size_t n, float& g,
                    float& d, float cg, float cd, bool arret_au_silence) {
    std::size_t i = 0;
    for (; i < n && (g != cg || d != cd); ++i) {
        g = approcher(g, cg);
        d = approcher(d, cd);
        if constexpr (Ecrire) {
            sortie[2 * i] = source[2 * i] * g;
            sortie[2 * i + 1] = source[2 * i + 1] * d;
        } else {
            sortie[2 * i] += source[2 * i] * g;
            sortie[2 * i + 1] += source[2 * i + 1] * d;
        }
        if (arret_au_silence && g == 0.0f && d == 0.0f) return i + 1;
    }
    if (g == 0.0f && d == 0.0f) {
        if (arret_au_silence) return i;
        if constexpr (Ecrire) std::fill(sortie + 2 * i, sortie + 2 * n, 0.0f);
        return n;
    }
    // Steady gains: four floats (two frames) at a time, which the compiler
    // turns into vector instructions.
    const float gains[4] = {g, d, g, d};
    std::size_t j = 2 * i;
    const std::size_t fin = 2 * n;
    for (; j + 4 <= fin; j += 4) {
        for (std::size_t k = 0; k < 4; ++k) {
            if constexpr (Ecrire)
                sortie[j + k] = source[j + k] * gains[k];
            else
                sortie[j + k] += source[j + k] * gains[k];
        }
    }
    for (; j < fin; ++j) {
        if constexpr (Ecrire)
            sortie[j] = source[j] * gains[j & 1];
        else
            sortie[j] += source[j] * gains[j & 1];
    }
    return n;
}

}  // namespace

// Starts a fade-out voice from what the channel would play next.
void MoteurMixage::Etat::fondre(Canal& c) {
    if (c.etat.load() != EtatCanal::Lecture || !c.flux || (c.gain_g == 0 && c.gain_d == 0)) return;
    Fondu* f = &fondus[0];
    for (Fondu& x : fondus)
        if (x.reste() < f->reste()) f = &x;
    f->lu = 0;
    f->trames = c.flux->copier_a_venir(f->donnees.data(), kTramesFondu);
    float g = c.gain_g, d = c.gain_d;
    for (std::size_t i = 0; i < f->trames; ++i) {
        g = approcher(g, 0);
        d = approcher(d, 0);
        f->donnees[2 * i] *= g;
        f->donnees[2 * i + 1] *= d;
    }
}

void MoteurMixage::Etat::marquer_fini(FluxAudio& f) {
    if (f.fini.load()) return;
    f.position = f.longueur.load();
    f.fini = true;
}

// The end block of what `c` plays is fully read: the queued stream, if
// any, takes its place from output frame `sortie` on. False: nothing
// was queued.
bool MoteurMixage::Etat::joindre(Canal& c, bool serveur, std::int64_t sortie) {
    if (!c.suivant) return false;
    FluxAudio& ancien = *c.flux;
    const int avant = c.id_flux;
    if (serveur)
        ancien.position = ancien.longueur.load();
    else
        marquer_fini(ancien);
    c.flux = std::move(c.suivant);
    c.id_flux = c.id_suivant;
    c.id_suivant = 0;
    c.silence_fin = 0;
    c.retenue_armee = false;
    c.effacer_histoire(0);
    pousser(Evenement::Type::Joint, c.id_flux, 0);
    if (!serveur) {
        pousser(Evenement::Type::Entendu, c.id_flux, 0);
    } else if (c.nb_joints < Canal::kJoints) {
        c.joints[c.nb_joints++] = {sortie, c.id_flux, avant};
    }
    joint_a_signaler = true;
    return true;
}

// The last frame of the file went out just before output frame `sortie`.
void MoteurMixage::Etat::terminer(Canal& c, FluxAudio& f, bool serveur, std::int64_t sortie) {
    if (serveur)
        c.fin_sortie = sortie;
    else
        marquer_fini(f);
    c.etat = EtatCanal::Fin;
    c.silence_fin = 0;
}

// Mixes one channel into the period; with `vierge` (nothing written yet)
// it writes instead of adding. Returns the frames it wrote from the start.
// `serveur`: a server output, whose count of pulled frames was `debut`
// at the start of the period; `gere`: the server applies this channel's
// controls.
std::size_t MoteurMixage::Etat::mixer_canal(Canal& c, float* sortie, std::size_t n, bool vierge, bool serveur,
                                            bool gere, std::int64_t debut) {
    EtatCanal etat = c.etat.load(std::memory_order_relaxed);
    if (etat == EtatCanal::Libre || etat == EtatCanal::Termine) return 0;
    bool pause = !gere && c.pause.load(std::memory_order_relaxed);
    if (etat == EtatCanal::Fin) {
        if (!pause) {
            c.silence_fin += std::int64_t(n);
            if (!serveur && c.silence_fin >= frequence) c.etat = EtatCanal::Termine;
        }
        // Ended on a server output that then went away.
        if (!serveur) marquer_fini(*c.flux);
        return 0;
    }
    FluxAudio* f = c.flux.get();
    float cg, cd;
    if (gere)
        cg = cd = 1.0f;
    else
        c.cibles(cg, cd);
    if (pause && c.gain_g == 0 && c.gain_d == 0) return 0;  // paused: frozen
    if (etat == EtatCanal::Amorce) {
        if (c.delai_depart) {
            // A real device pulls on its own thread: the first period after
            // a play goes by, so that the volume and pan the caller sets
            // right after the play apply from the first frame.
            c.delai_depart = false;
            return 0;
        }
        FluxAudio::Disponible d = f->disponible();
        if (!d.fin && d.trames < seuil_amorce) return 0;
        if (d.fin && d.trames == 0 && !c.suivant) {
            terminer(c, *f, serveur, debut);
            return 0;
        }
        c.etat = EtatCanal::Lecture;
    }
    if (c.attaque_franche) {
        c.gain_g = cg;
        c.gain_d = cd;
        c.attaque_franche = false;
    }
    std::size_t fait = 0;
    while (fait < n) {
        FluxAudio::Bloc* b = f->tete();
        if (!b) {
            // The decoder is late: silence, and start again once a period is there.
            if (seuil_amorce > 0) c.etat = EtatCanal::Amorce;
            return fait;
        }
        std::uint32_t lu = f->lu_dans_tete();
        if (lu >= b->trames) {  // the end block, fully played
            if (joindre(c, serveur, debut + std::int64_t(fait))) {
                f = c.flux.get();
                continue;
            }
            terminer(c, *f, serveur, debut + std::int64_t(fait));
            c.silence_fin = std::int64_t(n - fait);
            return fait;
        }
        std::size_t k = std::min<std::size_t>(n - fait, b->trames - lu);
        float* o = sortie + 2 * fait;
        const float* source = b->donnees + 2 * lu;
        std::size_t pris = vierge ? ajouter<true>(o, source, k, c.gain_g, c.gain_d, cg, cd, pause)
                                  : ajouter<false>(o, source, k, c.gain_g, c.gain_d, cg, cd, pause);
        std::int64_t position = b->debut + lu + std::int64_t(pris);
        if (serveur) c.noter(debut + std::int64_t(fait), b->debut + lu, std::int64_t(pris));
        f->consommer(std::uint32_t(pris));
        f->position.store(position, std::memory_order_relaxed);
        fait += pris;
        if (pris < k) return fait;  // paused and silent now
    }
    // The last frame of the file may have been the last frame of this
    // period; what is queued joins at the start of the next one, when its
    // first frame goes out.
    FluxAudio::Bloc* b = f->tete();
    if (b && b->fin && f->lu_dans_tete() >= b->trames && !c.suivant)
        terminer(c, *f, serveur, debut + std::int64_t(fait));
    return fait;
}

void MoteurMixage::Etat::remplir(float* sortie, std::size_t trames, bool attendre_donnees) {
    if (attendre_donnees) attendre(trames);
    const bool serveur = this->sortie->controles_serveur();
    bool joint;
    {
        std::lock_guard<std::mutex> g(verrou);
        mixer(sortie, trames, serveur);
        joint = joint_a_signaler;
        joint_a_signaler = false;
    }
    if (joint) reveiller_appelant();
}

void MoteurMixage::Etat::mixer(float* sortie, std::size_t trames, bool serveur) {
    const std::int64_t debut = tirees;
    tirees += std::int64_t(trames);
    bool vierge = true;
    for (int i = 0; i < nb_canaux; ++i) {
        std::size_t ecrites =
            mixer_canal(canaux[i], sortie, trames, vierge, serveur, serveur && i == pilote, debut);
        if (vierge && ecrites > 0) {
            std::fill(sortie + 2 * ecrites, sortie + 2 * trames, 0.0f);
            vierge = false;
        }
    }
    if (vierge) std::fill(sortie, sortie + 2 * trames, 0.0f);
    for (Fondu& f : fondus) {
        std::size_t k = std::min(trames, f.reste());
        for (std::size_t i = 0; i < 2 * k; ++i) sortie[i] += f.donnees[2 * f.lu + i];
        f.lu += k;
    }
}

MoteurMixage::Etat::Pret MoteurMixage::Etat::pret(std::int64_t non_lues, std::int64_t lecture_avance) {
    const bool serveur = sortie->controles_serveur();
    std::lock_guard<std::mutex> g(verrou);
    Pret p{false, std::size_t(-1)};
    for (const Fondu& f : fondus)
        if (f.reste() > 0) p.audible = true;
    for (int i = 0; i < nb_canaux; ++i) {
        Canal& c = canaux[i];
        EtatCanal e = c.etat.load();
        if (e == EtatCanal::Libre || e == EtatCanal::Termine) continue;
        bool pause = !(serveur && i == pilote) && c.pause.load();
        if (e == EtatCanal::Fin) {
            // The second of silence after the end is written too: it is
            // how long the channel still plays; not at once when the end
            // went out with the last period.
            if (!pause && c.silence_fin < frequence) p.audible = true;
            if (c.silence_fin == 0 && retenir_fin(c)) p.trames = 0;
            continue;
        }
        if (pause && c.gain_g == 0 && c.gain_d == 0) continue;  // frozen
        p.audible = true;
        FluxAudio::Disponible d = c.flux->disponible();
        if (d.fin && c.suivant) {
            // The queued stream stays a draft while the server holds more
            // unread before the join than it needs (kAvanceJoint, or what
            // its sink reads at once): only the file's end is written
            // meanwhile, and the output looks again shortly.
            // Nor does it join while the joins not heard yet fill their
            // list: one more would never be told heard.
            if (c.nb_joints >= Canal::kJoints ||
                (non_lues >= 0 &&
                 non_lues + std::int64_t(d.trames) > std::max(avance_joint(), lecture_avance))) {
                p.trames = std::min(p.trames, d.trames);
                p.joint_retenu = true;
                continue;
            }
            // What is queued follows at once: its decoded sound counts; a
            // queued file decoded whole is written up to its end, where
            // what follows it is held back in its turn (a short file).
            FluxAudio::Disponible s = c.suivant->disponible();
            if (s.fin) {
                p.trames = std::min(p.trames, d.trames + s.trames);
                continue;
            }
            d.trames += s.trames;
            d.fin = false;
        }
        if (d.fin) {
            // Nothing queued yet: up to the file's end only, for a moment.
            if (retenir_fin(c)) p.trames = std::min(p.trames, d.trames);
            continue;
        }
        if (e == EtatCanal::Amorce && d.trames < seuil_amorce)
            p.trames = 0;
        else
            p.trames = std::min(p.trames, d.trames);
    }
    return p;
}

std::int64_t MoteurMixage::Etat::avance_joint() const {
    return std::int64_t(frequence) * kAvanceJoint.count() / 1000;
}

// Whether what follows the end of `c`'s file is still held back.
bool MoteurMixage::Etat::retenir_fin(Canal& c) {
    const auto maintenant = std::chrono::steady_clock::now();
    if (!c.retenue_armee) {
        c.retenue_armee = true;
        c.retenue = maintenant;
    }
    return maintenant - c.retenue < kRetenueFin;
}

// Manual output: waits until every playing channel has the next `trames`
// frames decoded, or the end of its file in sight.
void MoteurMixage::Etat::attendre(std::size_t trames) {
    auto limite = std::chrono::steady_clock::now() + kAttenteMax;
    std::vector<std::pair<std::shared_ptr<FluxAudio>, std::uint64_t>> attentes;
    for (;;) {
        attentes.clear();
        {
            std::lock_guard<std::mutex> g(verrou);
            for (int i = 0; i < nb_canaux; ++i) {
                Canal& c = canaux[i];
                EtatCanal e = c.etat.load();
                if (e != EtatCanal::Amorce && e != EtatCanal::Lecture) continue;
                if (c.pause.load() && c.gain_g == 0 && c.gain_d == 0) continue;
                std::uint64_t vue = c.flux->publications();
                FluxAudio::Disponible d = c.flux->disponible();
                if (d.trames > trames) continue;
                if (d.fin) {
                    // The queued stream follows within these frames.
                    if (!c.suivant) continue;
                    std::uint64_t vue_suivant = c.suivant->publications();
                    FluxAudio::Disponible s = c.suivant->disponible();
                    if (s.fin || d.trames + s.trames > trames) continue;
                    c.suivant->reveiller();
                    attentes.emplace_back(c.suivant, vue_suivant);
                    continue;
                }
                c.flux->reveiller();
                attentes.emplace_back(c.flux, vue);
            }
        }
        if (attentes.empty()) return;
        for (auto& [f, vue] : attentes)
            if (!f->attendre_publication(vue, limite)) return;
    }
}

}  // namespace vt::moteur
