#pragma once
// The SDL2 device output.
#include "audio/sortie_audio.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

namespace vt {

namespace audio {
struct BibliothequeSDL;
}

// The default output: an SDL2 audio device, 2048 frames per period. A watch
// thread checks the device a few times a second and reopens the default
// device when the one in use went away (headphones unplugged).
class SortieSDL : public SortieAudio {
public:
    static constexpr std::size_t kTramesParPeriode = 2048;
    // What the device is asked to buffer: SDL2's PulseAudio driver makes
    // it the stream's whole latency, and the smaller it is the more often
    // the server wakes SDL2's thread for sound. 4096 frames (93 ms at 44.1 kHz) keep
    // a control heard within a tenth of a second, at less than half the
    // CPU of 2048 (SDL2's thread: 0.18 s per minute of playback, against
    // 0.42 s).
    static constexpr std::size_t kTramesPeripherique = 2 * kTramesParPeriode;

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

    std::mutex verrou_;  // device id, open state; never taken by the device thread
    std::condition_variable reveil_;
    std::thread surveillant_;
    bool ouverte_ = false;
    bool en_marche_ = false;
    bool sous_systeme_ = false;  // SDL audio subsystem initialised by us
    std::uint32_t peripherique_ = 0;
    int frequence_ = 0;
    SourceAudio* source_ = nullptr;
    std::atomic<int> reouvertures_{0};
    const audio::BibliothequeSDL* sdl_ = nullptr;  // SDL2's calls, once opened
};

}  // namespace vt
