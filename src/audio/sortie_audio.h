#pragma once
// Device outputs of the audio engine. An output opens one device format
// (interleaved stereo 32-bit float at the engine's rate) and pulls the mixed
// sound from a source, on its own thread (a sound card) or on the caller's
// (the manual output of the tests). A second native output only has to
// implement SortieAudio.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

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
};

// The default output: an SDL2 audio device, 2048 frames per period. A watch
// thread checks the device a few times a second and reopens the default
// device when the one in use went away (headphones unplugged).
class SortieSDL : public SortieAudio {
public:
    static constexpr std::size_t kTramesParPeriode = 2048;

    SortieSDL();
    ~SortieSDL() override;
    bool ouvrir(int frequence, SourceAudio& source) override;
    void lancer(bool marche) override;
    void fermer() override;
    std::size_t trames_par_periode() const override { return kTramesParPeriode; }
    bool temps_reel() const override { return true; }

    // Diagnostics: how many times the device was reopened after a loss.
    int reouvertures() const { return reouvertures_.load(); }

private:
    bool ouvrir_peripherique();  // with verrou_ held
    void surveiller();
    static void rappel(void* moi, std::uint8_t* flux, int octets);

    std::mutex verrou_;          // device id, open state; never taken by the device thread
    std::condition_variable reveil_;
    std::thread surveillant_;
    bool ouverte_ = false;
    bool en_marche_ = false;
    bool sous_systeme_ = false;  // SDL audio subsystem initialised by us
    std::uint32_t peripherique_ = 0;
    int frequence_ = 0;
    SourceAudio* source_ = nullptr;
    std::atomic<int> reouvertures_{0};
};

// An output for tests and benchmarks: nothing is pulled until `pomper` asks,
// on the calling thread, which must also be the thread that makes the engine
// calls. `ouverture_reussit` false simulates a machine without a sound device.
class SortieManuelle : public SortieAudio {
public:
    explicit SortieManuelle(bool ouverture_reussit = true);
    bool ouvrir(int frequence, SourceAudio& source) override;
    void lancer(bool marche) override;
    void fermer() override;
    std::size_t trames_par_periode() const override { return kPeriode; }
    bool temps_reel() const override { return false; }

    // Renders exactly `trames` stereo frames through the mixer (interleaved
    // L, R floats). Data that the files hold but the decoders have not yet
    // produced is waited for, so the result does not depend on timing.
    // Silence when the output is not open or paused.
    std::vector<float> pomper(std::size_t trames);
    // The same into a caller's buffer of 2 * `trames` floats.
    void pomper_dans(float* sortie, std::size_t trames);

    bool ouverte() const { return source_ != nullptr; }
    int frequence() const { return frequence_; }

private:
    static constexpr std::size_t kPeriode = 2048;
    bool ouverture_reussit_;
    bool en_marche_ = false;
    int frequence_ = 0;
    SourceAudio* source_ = nullptr;
};

}  // namespace vt
