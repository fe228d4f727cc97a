#pragma once
// The audio engine's calls and the player object holding its two handles,
// the open stream (0 = none) and its channel (-1 = none).
//
// MoteurAudio is the one list of the engine's calls, all pure: an engine
// that forgets one does not compile. Two engines implement them: the real
// one (moteur_audio.cpp, made by creer_moteur) and MoteurNul below, the
// engine that is not there, which answers until the real one is loaded.
// Adding a call means declaring it here and implementing it in both.
//
// All calls come from the GUI thread and return at once (ouvrir_flux
// within 250 ms: a probe that takes longer is given up, the file then
// counts as unplayable):
//   initialiser / fermer                       engine start and end
//   ouvrir_flux -> handle or 0                 open a file, non-looping
//   jouer_flux(-1, flux) -> channel or -1      start it on a free channel
//   arreter_flux, fermer_flux                  stop, then release
//   en_pause / mettre_en_pause                 paused query, pause or resume
//   en_lecture                                 playing query
//   definir_volume 0..255, definir_pan 0..255 (0 left, 128 centre, 255 right)
//   definir_muet
//   temps_ms, longueur_ms, aller_a_ms          elapsed, total, seek (ms)
//   position, longueur                         read position and length;
//                                              equal once the file is played out
//   enchainer_flux, retirer_enchainement       queue a stream after what a
//                                              channel plays, or drop it
//   definir_reveil, evenements, decodage_fini  the events of the joins
// Operations on no stream or no channel are harmless; queries then answer
// that nothing plays.
#include "audio/decodeur.h"
#include "audio/decodeurs.h"
#include "audio/sortie_audio.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vt {

// How the player starts the engine: 44100 Hz, 32 channels. The device
// output is the one the engine was made with.
inline constexpr int kFrequenceMoteur = 44100;
inline constexpr int kCanauxMoteur = 32;

class MoteurAudio {
public:
    MoteurAudio() = default;
    virtual ~MoteurAudio() = default;
    MoteurAudio(const MoteurAudio&) = delete;
    MoteurAudio& operator=(const MoteurAudio&) = delete;

    virtual bool initialiser(int frequence, int canaux_max) = 0;
    virtual void fermer() = 0;
    virtual bool initialise() const = 0;

    virtual int ouvrir_flux(const std::string& chemin) = 0;
    virtual int jouer_flux(int canal_demande, int flux) = 0;
    virtual void arreter_flux(int flux) = 0;
    virtual void fermer_flux(int flux) = 0;

    virtual bool en_pause(int canal) const = 0;
    virtual void mettre_en_pause(int canal, bool pause) = 0;
    virtual bool en_lecture(int canal) const = 0;
    virtual void definir_volume(int canal, int volume) = 0;
    virtual void definir_pan(int canal, int pan) = 0;
    virtual void definir_muet(int canal, bool muet) = 0;

    virtual std::int64_t temps_ms(int flux) const = 0;
    virtual std::int64_t longueur_ms(int flux) const = 0;
    virtual void aller_a_ms(int flux, std::int64_t ms) = 0;
    // In frames of the engine's rate. The position stays below the length
    // until the last frame of the file has been rendered to the output.
    virtual std::int64_t position(int flux) const = 0;
    virtual std::int64_t longueur(int flux) const = 0;

    // ---- Joins without a gap. A stream queued on a channel follows the
    // last frame of what the channel plays, frame for frame, in the same
    // output stream and with the channel's controls; the channel number
    // stays. Two events tell the caller what happens:
    //   FinDecodee  the decoder of `flux` has read its file to the end (for
    //               the stream's latest play or seek; older ones are dropped),
    //               which comes before the end is heard by what the engine
    //               and the server hold
    //   Joint       the queued stream `flux` has taken the channel's place
    //               in the mix (with a server output, up to what the server
    //               holds before it is heard): a stream can be queued after it
    //   Entendu     the first frame of the queued stream `flux` is heard
    // Stream handles are never reused, so an event about a stream the caller
    // no longer holds is simply not its own.
    struct Evenement {
        enum class Type : std::uint8_t { FinDecodee, Joint, Entendu };
        Type type = Type::FinDecodee;
        int flux = 0;
    };
    // Queues the opened, never played stream `flux` after what `canal`
    // plays, in place of what was queued. False when the channel does not
    // play or its track has already played out (the join would be late).
    virtual bool enchainer_flux(int canal, int flux) = 0;
    // Drops the last stream queued on `canal`: the one waiting to join, or
    // else, with a server output, the last one joined and not heard yet,
    // as long as its join is far enough ahead of what is heard for the
    // output to write over it (the channel then plays to the end of what
    // that stream followed, and a stream queued next joins there). True
    // when one was dropped (the caller then closes it).
    virtual bool retirer_enchainement(int canal) = 0;
    // `reveil` is called, from any thread, when events wait; the caller
    // then collects them on its own thread. An empty function stops the
    // calls: once this returns, the previous one is never called again.
    virtual void definir_reveil(std::function<void()> reveil) = 0;
    // The events since the last call, in order. `attente_ms` receives how
    // long until a join already mixed is heard (-1: none): no wake-up
    // comes for that one, the caller asks again then.
    virtual std::vector<Evenement> evenements(std::int64_t& attente_ms) = 0;
    // The decoder of `flux` has read its file to the end.
    virtual bool decodage_fini(int flux) const = 0;

    // Testing and diagnostics: the device output in use (none for the null
    // engine).
    virtual SortieAudio* sortie() = 0;
};

// The engine that is not there: it never starts, nothing opens, nothing
// plays, controls are lost and queries answer that nothing plays. It
// answers until the real engine is loaded, and for good when the engine's
// library cannot be opened (as with no sound device).
class MoteurNul final : public MoteurAudio {
public:
    bool initialiser(int, int) override { return false; }
    void fermer() override {}
    bool initialise() const override { return false; }
    int ouvrir_flux(const std::string&) override { return 0; }
    int jouer_flux(int, int) override { return -1; }
    void arreter_flux(int) override {}
    void fermer_flux(int) override {}
    bool en_pause(int) const override { return false; }
    void mettre_en_pause(int, bool) override {}
    bool en_lecture(int) const override { return false; }
    void definir_volume(int, int) override {}
    void definir_pan(int, int) override {}
    void definir_muet(int, bool) override {}
    std::int64_t temps_ms(int) const override { return 0; }
    std::int64_t longueur_ms(int) const override { return 0; }
    void aller_a_ms(int, std::int64_t) override {}
    std::int64_t position(int) const override { return 0; }
    std::int64_t longueur(int) const override { return 0; }
    bool enchainer_flux(int, int) override { return false; }
    bool retirer_enchainement(int) override { return false; }
    void definir_reveil(std::function<void()>) override {}
    std::vector<Evenement> evenements(std::int64_t& attente_ms) override {
        attente_ms = -1;
        return {};
    }
    bool decodage_fini(int) const override { return false; }
    SortieAudio* sortie() override { return nullptr; }
};

// Initialises `m` with the start-up constants; false when that fails.
// A failed start is silent.
bool demarrer(MoteurAudio& m);

}  // namespace vt

// The engine's one entry point, exported by libvantrel_moteur.so (and
// linked in for tests and benchmarks): a new engine, not started, on
// `sortie` (owned from then on; nullptr chooses the default output). The
// caller owns the result.
extern "C" vt::MoteurAudio* creer_moteur(vt::SortieAudio* sortie);
using CreerMoteur = vt::MoteurAudio* (*)(vt::SortieAudio*);

namespace vt {
// The same engine where it is linked in, trying only the decoders of
// `decodeurs` (tests, benchmarks and the fuzz target run the same files
// through each decoder).
std::unique_ptr<MoteurAudio> creer_moteur_decodeurs(std::unique_ptr<SortieAudio> sortie,
                                                    audio::ChoixDecodeurs decodeurs);
// The same engine, not started, trying the rows of `table` (decodeurs.h) in
// place of its own: tests put rows of their own among the real ones.
// `table` has static storage: an open given up may read it after the engine
// is gone.
std::unique_ptr<MoteurAudio> creer_moteur_table(std::unique_ptr<SortieAudio> sortie,
                                                std::span<const audio::EntreeDecodeur> table);
}  // namespace vt

class lecteur_media {
public:
    // Linked in, the engine is made and started at once (see demarrer); when
    // it is opened on demand (the executable), the null engine answers until
    // the player's loading (vt::ChargementMoteur) puts the real one in place.
    // A failed start is silent: the player then opens nothing and plays
    // nothing. Linked in, the engine tries the decoders of `decodeurs`.
    explicit lecteur_media(std::unique_ptr<vt::SortieAudio> sortie = nullptr,
                           vt::audio::ChoixDecodeurs decodeurs = vt::audio::ChoixDecodeurs::Tous);
    // The null engine in either build, until a loading puts one in place.
    struct MoteurAVenir {};
    explicit lecteur_media(MoteurAVenir) : moteur_(std::make_unique<vt::MoteurNul>()) {}
    // Closes the engine, releasing any open stream.
    ~lecteur_media();
    lecteur_media(const lecteur_media&) = delete;
    lecteur_media& operator=(const lecteur_media&) = delete;

    vt::MoteurAudio& moteur() { return *moteur_; }
    const vt::MoteurAudio& moteur() const { return *moteur_; }
    // Puts a loaded engine in place of the null one.
    void installer(std::unique_ptr<vt::MoteurAudio> m) { moteur_ = std::move(m); }
    // True once a real engine is in place (always when it is linked in).
    bool moteur_charge() const { return !dynamic_cast<const vt::MoteurNul*>(moteur_.get()); }

    int flux = 0;
    int canal = -1;

private:
    std::unique_ptr<vt::MoteurAudio> moteur_;
};
