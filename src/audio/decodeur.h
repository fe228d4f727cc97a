#pragma once
// A decoder: what turns one open audio file into the engine's sound
// (interleaved stereo float at the engine's rate), a block at a time, on the
// stream's worker thread (FluxAudio).
//
// The decoders stand behind this one interface, tried in the order of their
// table (decodeurs.h). A file goes first to the light ones: MP3 to mpg123
// (decodeur_mpg123.cpp), WAV, FLAC, Ogg Vorbis and Opus to libsndfile
// (decodeur_sndfile.cpp), mono or stereo; they load in a few milliseconds.
// What they cannot open goes to FFmpeg (WMA, AAC and the rest:
// decodeur_ffmpeg.cpp).
// FFmpeg and the hundred-odd libraries it brings cost tens of milliseconds
// and tens of megabytes to load, so the executable's engine keeps it in a
// library of its own (libvantrel_ffmpeg.so, beside the engine's), opened
// only when a file needs it.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vt::audio {

// Frames in one block of a stream's ring.
inline constexpr std::size_t kTramesTranche = 4096;

// Sample rates a file may have: outside them the stream is a damaged or
// crafted header (a 176 KB WAV claiming 1 Hz would last two days and take
// gigabytes to resample), and the file cannot be played.
inline constexpr long long kFrequenceFichierMin = 1000;
inline constexpr long long kFrequenceFichierMax = 768000;
inline bool frequence_jouable(long long f) { return f >= kFrequenceFichierMin && f <= kFrequenceFichierMax; }

// A block being filled: `kTramesTranche` frames of room at `donnees`.
struct Tranche {
    float* donnees = nullptr;  // 2 * kTramesTranche floats
    std::int64_t debut = 0;    // track position of the first frame (engine frames)
    std::uint32_t trames = 0;
    bool fin = false;  // nothing follows in this series
};

// What interrupts a decoder: the stream closing, or a request (seek,
// replay) waiting. Owned by the stream; read by the decoder's loops.
struct Signaux {
    const std::atomic<bool>* arret = nullptr;
    const std::atomic<bool>* requete = nullptr;
    bool leve() const {
        return (arret && arret->load(std::memory_order_relaxed)) ||
               (requete && requete->load(std::memory_order_relaxed));
    }
};

class Decodeur {
public:
    Decodeur() = default;
    virtual ~Decodeur() = default;
    Decodeur(const Decodeur&) = delete;
    Decodeur& operator=(const Decodeur&) = delete;

    // The track's length in engine frames as known at opening (0: unknown).
    virtual std::int64_t longueur() const = 0;
    // The length once decoding has ended at engine frame `fin`, `longueur`
    // being the length so far: by default `fin`, as the light decoders give
    // a file's frames to the frame.
    virtual std::int64_t longueur_finale(std::int64_t fin, std::int64_t /*longueur*/) const { return fin; }
    // Fills `t` from `t.trames` up to kTramesTranche frames, or to the end
    // of the file (then `t.fin`). A decoder that lands after the asked place
    // (after a seek) may move `t.debut` while `t.trames` is 0. False when
    // the signals interrupted it (the block is then dropped).
    virtual bool remplir(Tranche& t) = 0;
    // Goes on from engine frame `trame`.
    virtual void chercher(std::int64_t trame) = 0;
    // "libsndfile", "mpg123" or "FFmpeg".
    virtual const char* nom() const = 0;
};

// What a decoder's opening found.
enum class Ouverture {
    Ouvert,     // the decoder plays it
    Inconnu,    // not a file this decoder reads: another one may
    Injouable,  // read, but no decoder could play it (an impossible sample rate)
};

// Which decoders an engine tries, given when it is made (the player's is
// all of them; tests, benchmarks and the fuzz target run the same files
// through each one): all of them, the light ones alone, FFmpeg alone.
enum class ChoixDecodeurs { Tous, SansFFmpeg, FFmpegSeul };

}  // namespace vt::audio

// The FFmpeg decoder's factory (libvantrel_ffmpeg.so's one exported
// symbol, or linked in): a decoder for `chemin`, nullptr when FFmpeg finds
// no playable audio stream in it. `signaux` outlives the decoder.
extern "C" vt::audio::Decodeur* creer_decodeur_ffmpeg(const char* chemin, int frequence,
                                                      const vt::audio::Signaux* signaux);
using CreerDecodeurFFmpeg = vt::audio::Decodeur* (*)(const char*, int, const vt::audio::Signaux*);

namespace vt::audio {
// The FFmpeg decoder's factory as this build has it: linked in (tests,
// benchmarks) or from libvantrel_ffmpeg.so, opened at the first call;
// nullptr when that library cannot be opened.
CreerDecodeurFFmpeg fabrique_ffmpeg();
inline constexpr const char* kBibliothequeFFmpeg = "libvantrel_ffmpeg.so";
}  // namespace vt::audio
