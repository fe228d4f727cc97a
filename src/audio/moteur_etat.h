#pragma once
// The audio engine's state, shared by its three parts (private to
// src/audio): moteur_audio.cpp (the engine's calls and the stream table),
// moteur_mixage.cpp (the mixer, on the output's thread) and
// moteur_evenements.cpp (the events waiting for the caller). The threads,
// the data each lock guards and the lock order are told at the top of
// moteur_audio.cpp.
#include "audio/flux_audio.h"
#include "audio/lecteur_media.h"
#include "audio/ouverture_flux.h"
#include "audio/sortie_audio.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vt::moteur {

using audio::FluxAudio;

// Level ramps move a gain by at most this much per frame: a full swing takes
// 256 frames (5.8 ms at 44.1 kHz), short enough to be heard as immediate and
// long enough not to click.
constexpr float kPasRampe = 1.0f / 256.0f;
constexpr std::size_t kTramesFondu = 256;
constexpr std::size_t kFondus = 4;

enum class EtatCanal : std::uint8_t {
    Libre,    // no stream
    Amorce,   // waiting for a device period of decoded sound before it starts
    Lecture,  // playing (possibly paused or muted)
    Fin,      // the file is played out; silence for one second, still playing
    Termine,  // ended: not playing, can be reused
};

inline float approcher(float valeur, float cible) {
    if (std::fabs(cible - valeur) <= kPasRampe) return cible;
    return valeur < cible ? valeur + kPasRampe : valeur - kPasRampe;
}

// Linear balance: the centre keeps both sides at full level; moving toward
// one side lowers the other side linearly to silence at the end.
inline void gains_pan(int pan, float& gauche, float& droite) {
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
        int avant = 0;  // the stream it follows
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

// The engine: decoded streams (decodeurs.h: mpg123, libsndfile or FFmpeg)
// mixed into one device output.
class MoteurMixage final : public MoteurAudio {
public:
    MoteurMixage(std::unique_ptr<SortieAudio> sortie, audio::ChoixDecodeurs decodeurs,
                 std::span<const audio::EntreeDecodeur> table = audio::table_decodeurs());
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
    // The opens, each probed on a thread of its own (GUI thread).
    std::unique_ptr<audio::OuverturesFlux> ouvertures;
    bool initialise = false;
    int frequence = 44100;
    std::size_t seuil_amorce = 0;
    std::map<int, EntreeFlux> flux;  // GUI thread only
    int prochain_id = 1;
    FluxAudio::Memoire memoire_libre;  // a ring's memory, kept for the next stream

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

    EntreeFlux* trouver(int id) {
        auto it = flux.find(id);
        return it == flux.end() ? nullptr : &it->second;
    }
    Canal* canal(int c) const { return c >= 0 && c < nb_canaux ? &canaux[c] : nullptr; }

    // ---- The mixer (moteur_mixage.cpp), with the mixer lock held unless
    // said otherwise.
    void fondre(Canal& c);
    static void marquer_fini(FluxAudio& f);
    bool joindre(Canal& c, bool serveur, std::int64_t sortie);
    void terminer(Canal& c, FluxAudio& f, bool serveur, std::int64_t sortie);
    std::size_t mixer_canal(Canal& c, float* sortie, std::size_t n, bool vierge, bool serveur, bool gere,
                            std::int64_t debut);
    void remplir(float* sortie, std::size_t trames, bool attendre_donnees) override;
    void mixer(float* sortie, std::size_t trames, bool serveur);
    Pret pret(std::int64_t non_lues, std::int64_t lecture_avance) override;
    std::int64_t avance_joint() const;
    static bool retenir_fin(Canal& c);
    void attendre(std::size_t trames);

    // ---- The events (moteur_evenements.cpp).
    void pousser(Evenement::Type type, int id, std::uint32_t serie);
    void reveiller_appelant();

    // ---- The stream table and the queries (moteur_audio.cpp), GUI thread.
    // A stream's position and whether its end has been played.
    struct Vue {
        std::int64_t position = 0;
        bool fini = false;
    };
    template <class F>
    void regler(int indice, F modifier);
    void detruire(std::shared_ptr<FluxAudio> f);
    void liberer(Canal& c, bool serveur = false, std::int64_t entendues = 0);
    bool retirer_suivant(Canal& c);
    bool retirer_joint(Canal& c);
    bool termine(const Canal& c, bool serveur, std::int64_t entendues) const;
    bool actif(const Canal& c) const;
    Vue vue(const EntreeFlux& ef, int id);
};

}  // namespace vt::moteur
