#pragma once
// One open audio file: its decoder (decodeur.h: mpg123 or libsndfile, else FFmpeg) runs
// on a worker thread that fills a bounded ring of blocks in the engine's
// format (interleaved stereo float at the engine's rate), read by the mixer.
//
// Ring: kBlocs blocks of kTramesParBloc frames. The worker fills free blocks
// and publishes each one whole (the last one of the file carries `fin`),
// then sleeps until half the ring is free again, so it wakes about once a
// second while a track plays. The reader is whoever holds the engine's mixer
// lock; it frees blocks as it reads them and wakes the worker. Controls do
// not wait for the ring: volume, pan, mute and pause act where the mixer
// reads, and a seek drops what the ring holds.
//
// Series: a seek (or a replay) drops what the ring holds and starts a new
// series number; the worker tags each block with the series it decoded it
// for and the reader drops blocks of older series.
#include "audio/decodeur.h"
#include "audio/decodeurs.h"

#include <semaphore.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace vt::audio {

class FluxAudio {
public:
    static constexpr std::size_t kTramesParBloc = kTramesTranche;
    static constexpr std::size_t kBlocs = 24;

    // `donnees` points into the ring's memory.
    struct Bloc : Tranche {
        std::uint32_t serie = 0;
    };

    // Memory for a ring, kept by the engine from one stream to the next so
    // that opening a stream neither allocates nor touches fresh pages.
    using Memoire = std::unique_ptr<float[]>;
    static Memoire nouvelle_memoire() { return Memoire(new float[kBlocs * kTramesParBloc * 2]); }

    // Opens and probes `chemin` on the calling thread (a regular file only;
    // the engine does it on a thread of its own, ouverture_flux.h) with the first decoder of the table, among
    // `decodeurs`, that plays it (decodeurs.h); then starts the worker,
    // which begins decoding at once. nullptr when the file has no playable
    // audio stream; `memoire` (allocated when null) is then handed back
    // through `memoire`.
    static std::shared_ptr<FluxAudio> ouvrir(const std::string& chemin, int frequence, Memoire& memoire,
                                             ChoixDecodeurs decodeurs = ChoixDecodeurs::Tous);
    // The same in three steps, for an open made on another thread
    // (ouverture_flux.h): a stream with no decoder yet, on `memoire`
    // (allocated when null); preparer opens and probes `chemin` with `table`
    // on the calling thread (false: nothing plays it); lancer then starts the
    // worker (false: no thread to be had).
    static std::shared_ptr<FluxAudio> nouveau(Memoire memoire);
    bool preparer(const std::string& chemin, int frequence, ChoixDecodeurs decodeurs,
                  std::span<const EntreeDecodeur> table);
    bool lancer();
    // Raises the stop signal from any thread: a probe that reads (FFmpeg's
    // interruption) gives up at its next look.
    void abandonner() { arret_ = true; }
    ~FluxAudio();
    // Stops the worker and gives the ring's memory back; the stream is then
    // dead and only waits for its destruction.
    Memoire rendre_memoire();
    FluxAudio(const FluxAudio&) = delete;
    FluxAudio& operator=(const FluxAudio&) = delete;

    // ---- Reader side: only with the mixer lock held.
    // The block being read (frames left, or the fully read end block), after
    // dropping blocks of older series and freeing fully read ones; nullptr
    // when nothing is published yet.
    Bloc* tete();
    std::uint32_t lu_dans_tete() const { return decalage_; }
    // Marks `trames` frames of the head block as read.
    void consommer(std::uint32_t trames);
    struct Disponible {
        std::size_t trames = 0;  // published and unread, current series
        bool fin = false;        // the end of the series is among them
    };
    Disponible disponible();
    // Copies up to `trames` unread frames without reading them; returns the count.
    std::size_t copier_a_venir(float* destination, std::size_t trames);
    // Drops everything queued and starts a new series at `trame`; the caller
    // then passes the returned series to demander_position.
    std::uint32_t nouvelle_serie(std::int64_t trame);

    // ---- GUI thread.
    // Asks the worker to go on decoding from `trame` for `serie`.
    void demander_position(std::uint32_t serie, std::int64_t trame);
    // The series the reader takes (the latest seek or replay).
    std::uint32_t serie() const { return serie_; }
    // `rappel(serie)` runs on the worker each time it has published the end
    // of the file for `serie`; at once (on the caller) when that already
    // happened for the current series. Replaces the previous one.
    void surveiller_fin(std::function<void(std::uint32_t)> rappel);
    // The worker has published the end of the current series.
    bool decodage_fini() const { return fin_serie_.load() == std::int64_t(serie_); }

    // ---- Any thread.
    // Frames of the track that the mixer has played (the reader writes it).
    std::atomic<std::int64_t> position{0};
    // Length in frames (0: unknown): the decoder's at opening, then as the
    // end of the decoding settles it (Decodeur::longueur_finale).
    std::atomic<std::int64_t> longueur{0};
    // The last frame has been played.
    std::atomic<bool> fini{false};
    int frequence() const { return frequence_; }
    // The decoder that plays the file: "libsndfile", "mpg123" or "FFmpeg".
    const char* decodeur() const { return decodeur_->nom(); }

    // Waiting for the worker (manual output only, never the device thread).
    std::uint64_t publications() const { return publications_.load(); }
    // Waits until the worker has published again since `vue` and either half
    // the ring is ready, the end is published or it went idle; false at `limite`.
    bool attendre_publication(std::uint64_t vue, std::chrono::steady_clock::time_point limite);
    // Wakes the worker if it sleeps (no effect otherwise).
    void reveiller();

private:
    explicit FluxAudio(Memoire memoire);
    void arreter_fil();
    void boucle();
    bool produire_bloc();
    void traiter_requete();
    void signaler_publication(bool important);
    void liberer_tete();

    // The decoder: worker thread only once it runs.
    std::unique_ptr<Decodeur> decodeur_;
    Signaux signaux_;
    int frequence_ = 44100;
    bool fin_publiee_ = false;
    std::int64_t position_decodee_ = 0;
    std::uint32_t serie_decodee_ = 0;

    // Ring.
    Memoire memoire_;
    Bloc blocs_[kBlocs];
    std::atomic<std::uint64_t> ecrits_{0}, lus_{0};
    std::uint32_t decalage_ = 0;  // reader: frames read in the head block
    std::uint32_t serie_ = 0;     // reader: the current series

    // Worker control.
    std::thread fil_;
    sem_t reveil_;
    bool semaphore_prete_ = false;
    std::atomic<bool> arret_{false}, endormi_{false}, requete_en_attente_{false};
    std::mutex verrou_requete_;
    std::uint32_t requete_serie_ = 0;
    std::int64_t requete_trame_ = 0;

    // The end of the file: the series whose end was published last (-1:
    // none yet) and who wants to know.
    std::atomic<std::int64_t> fin_serie_{-1};
    std::mutex verrou_fin_;
    std::function<void(std::uint32_t)> rappel_fin_;

    // Publication signal for the manual output.
    std::atomic<std::uint64_t> publications_{0};
    std::atomic<bool> attente_{false};
    std::mutex verrou_attente_;
    std::condition_variable cv_attente_;
};

}  // namespace vt::audio
