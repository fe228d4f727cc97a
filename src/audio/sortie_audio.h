#pragma once
// The contract between the audio engine and its device outputs. An output
// opens one device format (interleaved stereo 32-bit float at the engine's
// rate) and pulls the mixed sound from a source, on its own thread (a sound
// card) or on the caller's (the manual output of the tests). The outputs
// have a header each: sortie_sdl.h, sortie_pulse.h, sortie_manuelle.h.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

// What an output pulls from: the engine's mixer.
class SourceAudio {
public:
    virtual ~SourceAudio() = default;
    // Writes exactly `trames` stereo frames (2 floats each) into `sortie`.
    // With `attendre_donnees` false (a device thread) it never waits: missing
    // data is silence. With it true (manual output) it first waits, bounded,
    // for the decoders to produce the data that exists in the files.
    virtual void remplir(float* sortie, std::size_t trames, bool attendre_donnees) = 0;

    // For an output that keeps a long buffer on a sound server and would
    // rather leave it short than fill it with silence (SortiePulse): what
    // remplir can render now.
    struct Pret {
        // Something plays, waits for its decoder or fades out; false: only
        // silence would come, the output may stop pulling until reveiller.
        bool audible = true;
        // Frames that can be rendered without a playing channel running out
        // of decoded sound; 0 while a channel waits for its decoder.
        std::size_t trames = std::size_t(-1);
        // A queued stream is held back (see pret): the output should ask
        // the server where it reads more often until it goes out.
        bool joint_retenu = false;
    };
    // `non_lues`: of the frames written, how many the server has not read
    // yet (-1: not known); `lecture_avance`: how far the server reads ahead
    // of what is heard (its sink's latency), in frames. A stream queued to
    // follow a file is a draft that its caller may still withdraw until it
    // is rendered: it is rendered only once the server is about to read
    // past the file's end.
    virtual Pret pret(std::int64_t /*non_lues*/, std::int64_t /*lecture_avance*/) { return {}; }
};

class SortieAudio {
public:
    virtual ~SortieAudio() = default;
    // Opens the device for interleaved stereo float at `frequence` Hz, pulling
    // from `source`, device stopped. False when there is no usable device.
    virtual bool ouvrir(int frequence, SourceAudio& source) = 0;
    // Starts (true) or pauses (false) the pulling.
    virtual void lancer(bool marche) = 0;
    // Stops pulling and releases the device; harmless when not open. After
    // it returns the source is no longer called.
    virtual void fermer() = 0;
    // Frames pulled per period: the engine starts a track only once that
    // much sound is decoded, so that the first period is not silence.
    virtual std::size_t trames_par_periode() const = 0;
    // True when the pulling runs in real time on a device thread (the mixer
    // must then never wait for the decoder).
    virtual bool temps_reel() const = 0;

    // ---- Outputs whose sound server keeps a long buffer (SortiePulse). The
    // engine then hands the output the controls of its pilot channel (the
    // channel last started) and counts time in heard frames, not pulled
    // ones. The defaults describe a device that plays at once what it pulls.
    // True while the output applies the pilot's controls to what the server
    // holds: level and balance (definir_niveaux), pause (suspendre), stop
    // and seek (vider). May turn false while open (the server went away).
    virtual bool controles_serveur() const { return false; }
    // Holds the output's own thread off (no pull, no server event) until
    // the matching debloquer; nests. Taken before the mixer lock, never
    // inside it, and never from the thread that pulls.
    virtual void bloquer() {}
    virtual void debloquer() {}
    // Of the frames pulled since ouvrir, how many have been heard (or
    // dropped by vider). Never decreases, but when the server is lost: it
    // then goes back to what the server had played. Not with the mixer lock
    // held.
    virtual std::int64_t trames_entendues() { return 0; }
    // The pilot's level per side, 0..1 (linear), applied to what the server
    // already holds too.
    virtual void definir_niveaux(float /*gauche*/, float /*droite*/) {}
    // Pauses (true) keeping what the server holds, or goes on.
    virtual void suspendre(bool /*pause*/) {}
    // Drops what the server holds and has not played yet.
    virtual void vider() {}
    // The same for a start that follows at once (next, back, a double
    // click). True when what was heard fades out: the new sound then fades
    // in, close behind it.
    virtual bool enchainer() {
        vider();
        return false;
    }
    // Gives up the frames pulled from output frame `trame` on (a queued
    // stream mixed in there is withdrawn): the next frame pulled is
    // numbered `trame` and is heard in its place. False, and nothing
    // changes, when that place is heard already or too soon to be written
    // over, or when the output cannot write over what it holds.
    virtual bool revenir(std::int64_t /*trame*/) { return false; }
    // Something may have become audible (a start, a seek, a resume): pull
    // again if pulling had stopped for silence.
    virtual void reveiller() {}
    // The display name of what plays (raw bytes, as the file name), for the
    // desktop's sound settings.
    virtual void definir_titre(const std::string& /*nom*/) {}
};

}  // namespace vt
