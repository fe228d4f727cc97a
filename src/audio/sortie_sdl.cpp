#include "audio/sortie_sdl.h"

#include "audio/bibliotheque_sdl.h"

#include <chrono>
#include <cstring>
#include <system_error>

namespace vt {

namespace {
using audio::bibliotheque_sdl;
// How often the watch thread checks that the device is still there.
constexpr auto kIntervalleSurveillance = std::chrono::milliseconds(250);
}  // namespace

SortieSDL::SortieSDL() = default;

SortieSDL::~SortieSDL() { fermer(); }

void SortieSDL::rappel(void* moi, std::uint8_t* flux, int octets) {
    auto* s = static_cast<SortieSDL*>(moi);
    auto trames = std::size_t(octets) / (2 * sizeof(float));
    s->source_->remplir(reinterpret_cast<float*>(flux), trames, false);
}

bool SortieSDL::ouvrir_peripherique() {
    SDL_AudioSpec voulu{};
    voulu.freq = frequence_;
    voulu.format = AUDIO_F32SYS;
    voulu.channels = 2;
    voulu.samples = Uint16(kTramesPeripherique);
    voulu.callback = &SortieSDL::rappel;
    voulu.userdata = this;
    SDL_AudioSpec obtenu{};
    // No format change allowed: SDL converts if the hardware wants another one.
    peripherique_ = sdl_->OpenAudioDevice(nullptr, 0, &voulu, &obtenu, 0);
    return peripherique_ != 0;
}

bool SortieSDL::ouvrir(int frequence, SourceAudio& source) {
    fermer();
    std::lock_guard<std::mutex> g(verrou_);
    // Without SDL2 on the machine there is no device to open.
    sdl_ = bibliotheque_sdl();
    if (!sdl_) return false;
    // SDL would otherwise install its own SIGINT/SIGTERM handlers.
    sdl_->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl_->SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "vantrel");
    if (sdl_->InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    sous_systeme_ = true;
    frequence_ = frequence;
    source_ = &source;
    if (!ouvrir_peripherique()) {
        sdl_->QuitSubSystem(SDL_INIT_AUDIO);
        sous_systeme_ = false;
        source_ = nullptr;
        return false;
    }
    ouverte_ = true;
    en_marche_ = false;
    try {
        surveillant_ = std::thread([this] { surveiller(); });
    } catch (const std::system_error&) {
        // No thread left for the watch: no device rather than one that
        // would never be reopened after a loss.
        ouverte_ = false;
        sdl_->CloseAudioDevice(peripherique_);
        peripherique_ = 0;
        sdl_->QuitSubSystem(SDL_INIT_AUDIO);
        sous_systeme_ = false;
        source_ = nullptr;
        return false;
    }
    return true;
}

void SortieSDL::lancer(bool marche) {
    std::lock_guard<std::mutex> g(verrou_);
    if (!ouverte_) return;
    en_marche_ = marche;
    if (peripherique_) sdl_->PauseAudioDevice(peripherique_, marche ? 0 : 1);
}

void SortieSDL::surveiller() {
    std::unique_lock<std::mutex> g(verrou_);
    while (ouverte_) {
        reveil_.wait_for(g, kIntervalleSurveillance, [this] { return !ouverte_; });
        if (!ouverte_) break;
        // A device that went away reports "stopped"; a paused one "paused".
        if (sdl_->GetAudioDeviceStatus(peripherique_) != SDL_AUDIO_STOPPED) continue;
        if (peripherique_) sdl_->CloseAudioDevice(peripherique_);
        peripherique_ = 0;
        if (ouvrir_peripherique()) {
            ++reouvertures_;
            if (en_marche_) sdl_->PauseAudioDevice(peripherique_, 0);
        }
    }
}

void SortieSDL::fermer() {
    {
        std::lock_guard<std::mutex> g(verrou_);
        if (!sous_systeme_) return;
        ouverte_ = false;
    }
    reveil_.notify_all();
    if (surveillant_.joinable()) surveillant_.join();
    std::lock_guard<std::mutex> g(verrou_);
    if (peripherique_) sdl_->CloseAudioDevice(peripherique_);
    peripherique_ = 0;
    sdl_->QuitSubSystem(SDL_INIT_AUDIO);
    sous_systeme_ = false;
    source_ = nullptr;
    en_marche_ = false;
}

}  // namespace vt
