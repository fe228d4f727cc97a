// The audio engine: open streams, channels and the mixer.
//
// Threads
//   GUI thread      makes every MoteurAudio call. ouvrir_flux probes the file
//                   here (bounded CPU budget); every other call only changes
//                   a few fields or posts a request, and returns at once.
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
#include "audio/lecteur_media.h"

#include "audio/fabrique_sortie.h"
#include "audio/flux_audio.h"
#include "audio/sortie_audio.h"
#include "config/nom_chemin.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

namespace vt {

using audio::FluxAudio;

namespace {

// Level ramps move a gain by at most this much per frame: a full swing takes
// 256 frames (5.8 ms at 44.1 kHz), short enough to be heard as immediate and
// long enough not to click.
constexpr float kPasRampe = 1.0f / 256.0f;
constexpr std::size_t kTramesFondu = 256;
constexpr std::size_t kFondus = 4;
// The manual output waits at most this long for a decoder.
constexpr auto kAttenteMax = std::chrono::seconds(5);
// A server output is held back this long past the end of a file with
// nothing queued, so that the caller's decision (the decoder's end event)
// can still queue what follows: a short file is read and mixed whole as it
// starts, before the event is taken.
constexpr auto kRetenueFin = std::chrono::milliseconds(300);

enum class EtatCanal : std::uint8_t {
    Libre,    // no stream
    Amorce,   // waiting for a device period of decoded sound before it starts
    Lecture,  // playing (possibly paused or muted)
    Fin,      // the file is played out; silence for one second, still playing
    Termine,  // ended: not playing, can be reused
};

float approcher(float valeur, float cible) {
    if (std::fabs(cible - valeur) <= kPasRampe) return cible;
    return valeur < cible ? valeur + kPasRampe : valeur - kPasRampe;
}

// Linear balance: the centre keeps both sides at full level; moving toward
// one side lowers the other side linearly to silence at the end.
void gains_pan(int pan, float& gauche, float& droite) {
    gauche = pan <= 128 ? 1.0f : float(255 - pan) / 127.0f;
    droite = pan >= 128 ? 1.0f : float(pan) / 128.0f;
}

struct Canal {
    std::shared_ptr<FluxAudio> flux;
    int id_flux = 0;
    std::atomic<EtatCanal> etat{EtatCanal::Libre};
    std::atomic<bool> pause{false};
    bool muet = false;
    int volume = 255;
    int pan = 128;
    float gain_g = 0, gain_d = 0;  // current gains, ramping toward the targets
    bool attaque_franche = true;   // a fresh start takes the target gains at once
    bool delai_depart = false;     // skip one device period: time for the volume and pan of the caller
    std::int64_t silence_fin = 0;  // frames rendered since the end of the file
    // Since when a server output is held back at the end of the file (not
    // held yet: `retenue_armee` false).
    bool retenue_armee = false;
    std::chrono::steady_clock::time_point retenue{};
    // The stream queued to follow the one that plays (0: none).
    std::shared_ptr<FluxAudio> suivant;
    int id_suivant = 0;
    // Server outputs: the joins mixed and not heard yet, oldest first: the
    // output frame where the queued stream's first frame went out, and its
    // handle (short files may join several times within what the server
    // holds).
    struct Joint {
        std::int64_t sortie = 0;
        int id = 0;
    };
    static constexpr std::size_t kJoints = 8;
    std::array<Joint, kJoints> joints{};
    std::size_t nb_joints = 0;

    // Server outputs: which track frames went out at which output frames.
    struct Segment {
        std::int64_t sortie = 0, piste = 0, trames = 0;
    };
    static constexpr std::size_t kSegments = 16;
    std::array<Segment, kSegments> segments{};
    std::size_t premier_segment = 0, nb_segments = 0;
    std::int64_t piste_avant = 0;  // the track frame heard before the first segment kept
    // The output frame just past the file's last frame; -1 until rendered.
    std::atomic<std::int64_t> fin_sortie{-1};

    // Level and balance without pause (what a server applies).
    void niveaux(float& g, float& d) const {
        if (muet) {
            g = d = 0;
            return;
        }
        gains_pan(pan, g, d);
        float v = float(volume) / 255.0f;
        g *= v;
        d *= v;
    }
    void cibles(float& g, float& d) const {
        if (pause.load(std::memory_order_relaxed)) {
            g = d = 0;
            return;
        }
        niveaux(g, d);
    }

    void effacer_histoire(std::int64_t piste) {
        premier_segment = nb_segments = 0;
        piste_avant = piste;
        fin_sortie = -1;
    }
    // Track frames [piste, piste + n) went out at output frames from `sortie`.
    void noter(std::int64_t sortie, std::int64_t piste, std::int64_t n) {
        if (n <= 0) return;
        if (nb_segments > 0) {
            Segment& d = segments[(premier_segment + nb_segments - 1) % kSegments];
            if (d.sortie + d.trames == sortie && d.piste + d.trames == piste) {
                d.trames += n;
                return;
            }
        }
        if (nb_segments == kSegments) {
            const Segment& vieux = segments[premier_segment];
            piste_avant = vieux.piste + vieux.trames;
            premier_segment = (premier_segment + 1) % kSegments;
            --nb_segments;
        }
        segments[(premier_segment + nb_segments) % kSegments] = {sortie, piste, n};
        ++nb_segments;
    }
    // The track frame being heard once `entendues` output frames are.
    std::int64_t piste_entendue(std::int64_t entendues) const {
        std::int64_t p = piste_avant;
        for (std::size_t i = 0; i < nb_segments; ++i) {
            const Segment& s = segments[(premier_segment + i) % kSegments];
            if (s.sortie > entendues) break;
            p = s.piste + std::min(entendues - s.sortie, s.trames);
        }
        return p;
    }
    bool actif() const {
        EtatCanal e = etat.load();
        return e == EtatCanal::Amorce || e == EtatCanal::Lecture || e == EtatCanal::Fin;
    }
};

// Holds the output's thread off for a call that stops, seeks or starts
// (SortieAudio::bloquer); taken before the mixer lock.
class Blocage {
public:
    explicit Blocage(SortieAudio& s) : s_(s) { s_.bloquer(); }
    ~Blocage() { s_.debloquer(); }
    Blocage(const Blocage&) = delete;
    Blocage& operator=(const Blocage&) = delete;

private:
    SortieAudio& s_;
};

// The few milliseconds of sound that follow a stop or a seek, faded out.
struct Fondu {
    std::array<float, 2 * kTramesFondu> donnees{};
    std::size_t trames = 0, lu = 0;
    std::size_t reste() const { return trames - lu; }
};

// Mixes `n` frames of `source` into `sortie` (added, or written when
// `Ecrire`: the first channel of a period saves clearing the buffer), gains
// moving toward the targets. When `arret_au_silence`, stops as soon as both
// gains are 0 and returns the frames used; otherwise uses all `n`.
template <bool Ecrire>
std::size_t ajouter(float* __restrict sortie, const float* __restrict source, std::size_t n, float& g, float& d,
                    float cg, float cd, bool arret_au_silence) {
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

// The engine: decoded streams (decodeurs.h: mpg123, libsndfile or FFmpeg)
// mixed into one device output.
class MoteurMixage final : public MoteurAudio {
public:
    MoteurMixage(std::unique_ptr<SortieAudio> sortie, audio::ChoixDecodeurs decodeurs);
    ~MoteurMixage() override;

    bool initialiser(int frequence, int canaux_max) override;
    void fermer() override;
    bool initialise() const override;
    int ouvrir_flux(const std::string& chemin) override;
    int jouer_flux(int canal_demande, int flux) override;
    void arreter_flux(int flux) override;
    void fermer_flux(int flux) override;
    bool en_pause(int canal) const override;
    void mettre_en_pause(int canal, bool pause) override;
    bool en_lecture(int canal) const override;
    void definir_volume(int canal, int volume) override;
    void definir_pan(int canal, int pan) override;
    void definir_muet(int canal, bool muet) override;
    std::int64_t temps_ms(int flux) const override;
    std::int64_t longueur_ms(int flux) const override;
    void aller_a_ms(int flux, std::int64_t ms) override;
    std::int64_t position(int flux) const override;
    std::int64_t longueur(int flux) const override;
    bool enchainer_flux(int canal, int flux) override;
    bool retirer_enchainement(int canal) override;
    void definir_reveil(std::function<void()> reveil) override;
    std::vector<Evenement> evenements(std::int64_t& attente_ms) override;
    bool decodage_fini(int flux) const override;
    SortieAudio* sortie() override;

private:
    struct Etat;
    std::unique_ptr<Etat> etat_;
};

struct MoteurMixage::Etat : SourceAudio {
    struct EntreeFlux {
        std::shared_ptr<FluxAudio> flux;
        int canal = -1;
        bool deja_joue = false;
        std::string nom;  // display name (after the last separator)
    };

    std::unique_ptr<SortieAudio> sortie;
    audio::ChoixDecodeurs decodeurs = audio::ChoixDecodeurs::Tous;
    bool initialise = false;
    int frequence = 44100;
    std::size_t seuil_amorce = 0;
    std::map<int, EntreeFlux> flux;  // GUI thread only
    int prochain_id = 1;
    FluxAudio::Memoire memoire_libre;  // a ring's memory, kept for the next stream

    // Destroys a stream that no channel holds any more, keeping its memory.
    void detruire(std::shared_ptr<FluxAudio> f) {
        if (f && f.use_count() == 1 && !memoire_libre) memoire_libre = f->rendre_memoire();
    }

    std::mutex verrou;  // the mixer lock
    std::unique_ptr<Canal[]> canaux;
    int nb_canaux = 0;
    // Server outputs: the channel whose controls the server applies (-1:
    // none; written with the mixer lock), and the frames pulled since the
    // output opened (mixer lock).
    int pilote = -1;
    std::int64_t tirees = 0;
    std::array<Fondu, kFondus> fondus{};

    // Events waiting to be collected (verrou_evenements, a leaf): a fixed
    // ring, the oldest dropped when full. `serie`: for FinDecodee, the series
    // whose end it tells.
    struct EvenementSerie {
        Evenement e;
        std::uint32_t serie = 0;
    };
    static constexpr std::size_t kEvenements = 64;
    std::mutex verrou_evenements;
    std::array<EvenementSerie, kEvenements> file_evenements{};
    std::size_t premier_evenement = 0, nb_evenements = 0;
    std::function<void()> reveil;
    // The mixer joined a stream during this period: wake the caller once
    // the mixer lock is released.
    bool joint_a_signaler = false;

    void pousser(Evenement::Type type, int id, std::uint32_t serie) {
        std::lock_guard<std::mutex> g(verrou_evenements);
        if (nb_evenements == kEvenements) {
            premier_evenement = (premier_evenement + 1) % kEvenements;
            --nb_evenements;
        }
        file_evenements[(premier_evenement + nb_evenements) % kEvenements] = {{type, id}, serie};
        ++nb_evenements;
    }
    void reveiller_appelant() {
        std::lock_guard<std::mutex> g(verrou_evenements);
        if (reveil) reveil();
    }

    EntreeFlux* trouver(int id) {
        auto it = flux.find(id);
        return it == flux.end() ? nullptr : &it->second;
    }
    Canal* canal(int c) const { return c >= 0 && c < nb_canaux ? &canaux[c] : nullptr; }

    // ---- with the mixer lock held

    // Starts a fade-out voice from what the channel would play next.
    void fondre(Canal& c) {
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

    static void marquer_fini(FluxAudio& f) {
        if (f.fini.load()) return;
        f.position = f.longueur.load();
        f.fini = true;
    }

    // With a server output (`serveur`), `entendues` is the output's heard
    // count: the stream keeps the position heard when it was released.
    void liberer(Canal& c, bool serveur = false, std::int64_t entendues = 0) {
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
    bool retirer_suivant(Canal& c) {
        if (!c.suivant) return false;
        if (EntreeFlux* e = trouver(c.id_suivant); e && e->canal == int(&c - canaux.get())) e->canal = -1;
        c.suivant.reset();
        c.id_suivant = 0;
        return true;
    }

    // The end block of what `c` plays is fully read: the queued stream, if
    // any, takes its place from output frame `sortie` on. False: nothing
    // was queued.
    bool joindre(Canal& c, bool serveur, std::int64_t sortie) {
        if (!c.suivant) return false;
        FluxAudio& ancien = *c.flux;
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
            c.joints[c.nb_joints++] = {sortie, c.id_flux};
        }
        joint_a_signaler = true;
        return true;
    }

    // The last frame of the file went out just before output frame `sortie`.
    void terminer(Canal& c, FluxAudio& f, bool serveur, std::int64_t sortie) {
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
    std::size_t mixer_canal(Canal& c, float* sortie, std::size_t n, bool vierge, bool serveur, bool gere,
                            std::int64_t debut) {
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

    void remplir(float* sortie, std::size_t trames, bool attendre_donnees) override {
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

    void mixer(float* sortie, std::size_t trames, bool serveur) {
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

    Pret pret() override {
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
                // What is queued follows at once: its decoded sound counts.
                FluxAudio::Disponible s = c.suivant->disponible();
                if (s.fin) continue;
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

    // Whether what follows the end of `c`'s file is still held back.
    static bool retenir_fin(Canal& c) {
        const auto maintenant = std::chrono::steady_clock::now();
        if (!c.retenue_armee) {
            c.retenue_armee = true;
            c.retenue = maintenant;
        }
        return maintenant - c.retenue < kRetenueFin;
    }

    // ---- GUI thread, for the queries.

    // The channel has ended: for a server output, once the second after its
    // end has been heard.
    bool termine(const Canal& c, bool serveur, std::int64_t entendues) const {
        EtatCanal e = c.etat.load();
        if (e == EtatCanal::Termine) return true;
        if (e != EtatCanal::Fin || !serveur) return false;
        std::int64_t fin = c.fin_sortie.load();
        return fin >= 0 && entendues >= fin + frequence;
    }
    bool actif(const Canal& c) const {
        if (!c.actif()) return false;
        if (c.etat.load() != EtatCanal::Fin || !sortie->controles_serveur()) return true;
        return !termine(c, true, sortie->trames_entendues());
    }

    // Sets one control of a channel with the mixer lock held; when the
    // server applies that channel's controls, hands it the new levels.
    template <class F>
    void regler(int indice, F modifier) {
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

    // A stream's position and whether its end has been played.
    struct Vue {
        std::int64_t position = 0;
        bool fini = false;
    };
    Vue vue(const EntreeFlux& ef, int id) {
        const FluxAudio& f = *ef.flux;
        Vue v{f.position.load(), f.fini.load()};
        if (ef.canal < 0 || !sortie->controles_serveur()) return v;
        std::int64_t entendues = sortie->trames_entendues();
        std::lock_guard<std::mutex> g(verrou);
        const Canal* c = canal(ef.canal);
        if (!c || c->id_flux != id || !c->flux) return v;
        std::int64_t fin = c->fin_sortie.load();
        if (fin >= 0 && entendues >= fin) {
            v.fini = true;
        } else {
            v.position = c->piste_entendue(entendues);
            v.fini = false;
        }
        return v;
    }

    // Manual output: waits until every playing channel has the next `trames`
    // frames decoded, or the end of its file in sight.
    void attendre(std::size_t trames) {
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
};

// ---------------------------------------------------------------- MoteurAudio

MoteurMixage::MoteurMixage(std::unique_ptr<SortieAudio> sortie, audio::ChoixDecodeurs decodeurs)
    : etat_(std::make_unique<Etat>()) {
    etat_->sortie = sortie ? std::move(sortie) : creer_sortie_par_defaut();
    etat_->decodeurs = decodeurs;
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
    std::shared_ptr<FluxAudio> f = FluxAudio::ouvrir(chemin, e.frequence, e.memoire_libre, e.decodeurs);
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
        c.attaque_franche = std::none_of(e.fondus.begin(), e.fondus.end(), [](const Fondu& f) { return f.reste() > 0; });
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
        // What the server holds would delay the start.
        e.sortie->vider();
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
        // Ended with the last period and held back since: still in time.
        if (etat == EtatCanal::Fin && c->silence_fin == 0 && c->retenue_armee) {
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
    std::lock_guard<std::mutex> g(e.verrou);
    return e.retirer_suivant(*c);
}

void MoteurMixage::definir_reveil(std::function<void()> reveil) {
    Etat& e = *etat_;
    std::lock_guard<std::mutex> g(e.verrou_evenements);
    e.reveil = std::move(reveil);
}

std::vector<MoteurAudio::Evenement> MoteurMixage::evenements(std::int64_t& attente_ms) {
    Etat& e = *etat_;
    attente_ms = -1;
    std::vector<Evenement> r;
    if (!e.initialise) return r;
    std::vector<Etat::EvenementSerie> lus;
    {
        std::lock_guard<std::mutex> g(e.verrou_evenements);
        for (std::size_t i = 0; i < e.nb_evenements; ++i)
            lus.push_back(e.file_evenements[(e.premier_evenement + i) % Etat::kEvenements]);
        e.premier_evenement = e.nb_evenements = 0;
    }
    for (const Etat::EvenementSerie& x : lus) {
        if (x.e.type == Evenement::Type::FinDecodee) {
            // The end of an older series: the stream was sought or played
            // again since.
            const Etat::EntreeFlux* ef = e.trouver(x.e.flux);
            if (!ef || ef->flux->serie() != x.serie) continue;
        }
        r.push_back(x.e);
    }
    // Server outputs: the joins mixed and not heard yet.
    if (e.sortie->controles_serveur()) {
        const std::int64_t entendues = e.sortie->trames_entendues();
        std::lock_guard<std::mutex> g(e.verrou);
        for (int i = 0; i < e.nb_canaux; ++i) {
            Canal& c = e.canaux[i];
            std::size_t entendus = 0;
            while (entendus < c.nb_joints && entendues >= c.joints[entendus].sortie)
                r.push_back({Evenement::Type::Entendu, c.joints[entendus++].id});
            std::copy(c.joints.begin() + std::ptrdiff_t(entendus), c.joints.begin() + std::ptrdiff_t(c.nb_joints),
                      c.joints.begin());
            c.nb_joints -= entendus;
            if (c.nb_joints == 0) continue;
            std::int64_t ms = (c.joints[0].sortie - entendues) * 1000 / e.frequence + 1;
            attente_ms = attente_ms < 0 ? ms : std::min(attente_ms, ms);
        }
    }
    for (const Evenement& x : r)
        if (x.type == Evenement::Type::Entendu)
            if (const Etat::EntreeFlux* ef = e.trouver(x.flux)) e.sortie->definir_titre(ef->nom);
    return r;
}

bool MoteurMixage::decodage_fini(int flux) const {
    auto it = etat_->flux.find(flux);
    return it != etat_->flux.end() && it->second.flux->decodage_fini();
}

std::unique_ptr<MoteurAudio> creer_moteur_decodeurs(std::unique_ptr<SortieAudio> sortie,
                                                   audio::ChoixDecodeurs decodeurs) {
    return std::make_unique<MoteurMixage>(std::move(sortie), decodeurs);
}

}  // namespace vt

// The factory, the library's one exported symbol.
extern "C" __attribute__((visibility("default"))) vt::MoteurAudio* creer_moteur(vt::SortieAudio* sortie) {
    return new vt::MoteurMixage(std::unique_ptr<vt::SortieAudio>(sortie), vt::audio::ChoixDecodeurs::Tous);
}
