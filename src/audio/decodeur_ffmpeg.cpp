// The FFmpeg decoder: demuxing and decoding with libavformat and
// libavcodec, resampling with libswresample to the engine's format. It
// takes the files libsndfile does not read (WMA, AAC and the rest). Built
// into libvantrel_ffmpeg.so for the executable (opened only when such a file
// is played), linked in for the tests and benchmarks.
#include "audio/decodeur.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

namespace vt::audio {

namespace {

// Probing a file (open, headers, stream information) may use this much CPU
// time of the calling thread before it is abandoned.
constexpr std::int64_t kBudgetSondageNs = 150'000'000;
// Consecutive packets that fail to decode before the rest of the file is
// given up, as if it had ended.
constexpr int kErreursMax = 1000;
constexpr int kTailleTamponAvio = 32 * 1024;

std::int64_t temps_cpu_fil_ns() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Demuxers that would open other files (play lists, segment lists, image
// sequences) are refused: only the file the user chose is read.
int refuser_ouverture(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

// FFmpeg's log is silent unless VANTREL_JOURNAL_AUDIO is set ("debug",
// "verbose", "warning", "error", anything else: "info"). Applied once.
void configurer_journal_ffmpeg() {
    static std::once_flag une_fois;
    std::call_once(une_fois, [] {
        const char* v = std::getenv("VANTREL_JOURNAL_AUDIO");
        int niveau = AV_LOG_QUIET;
        if (v && *v) {
            niveau = AV_LOG_INFO;
            if (std::strcmp(v, "debug") == 0)
                niveau = AV_LOG_DEBUG;
            else if (std::strcmp(v, "verbose") == 0)
                niveau = AV_LOG_VERBOSE;
            else if (std::strcmp(v, "warning") == 0)
                niveau = AV_LOG_WARNING;
            else if (std::strcmp(v, "error") == 0)
                niveau = AV_LOG_ERROR;
        }
        av_log_set_level(niveau);
    });
}

class DecodeurFFmpeg final : public Decodeur {
public:
    explicit DecodeurFFmpeg(const Signaux* s)
        : signaux_(s), disposition_(std::make_unique<AVChannelLayout>()) {}
    ~DecodeurFFmpeg() override;
    bool preparer(const std::string& chemin, int frequence);

    std::int64_t longueur() const override { return longueur_; }
    std::int64_t longueur_finale(std::int64_t fin, std::int64_t longueur) const override;
    bool remplir(Tranche& t) override;
    void chercher(std::int64_t trame) override;
    const char* nom() const override { return "FFmpeg"; }

private:
    bool interrompu() const;
    int recevoir_trame();
    bool preparer_resampleur(const AVFrame* trame);
    void convertir(Tranche& bloc);
    float* destination(Tranche& bloc, std::size_t trames);
    void range(Tranche& bloc, const float* ecrit, std::size_t trames);
    void vider_resampleur();
    static int lire_octets(void* moi, std::uint8_t* tampon, int taille);
    static std::int64_t chercher_octets(void* moi, std::int64_t decalage, int origine);
    static int interruption(void* moi);

    const Signaux* signaux_;
    int fd_ = -1;
    std::int64_t pos_fichier_ = 0;
    AVIOContext* avio_ = nullptr;
    AVFormatContext* format_ctx_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* swr_ = nullptr;
    AVPacket* paquet_ = nullptr;
    AVFrame* trame_ = nullptr;
    int indice_ = -1;
    int base_num_ = 1, base_den_ = 1;  // the stream's time base
    std::int64_t debut_flux_ = 0;      // the stream's start time, in its time base
    int frequence_ = 44100;
    std::int64_t longueur_ = 0;
    bool estimee_ = true;           // longueur_ from the bit rate and the file's size
    std::int64_t fin_exacte_ = -1;  // where the stream's sound ends, when the container counts it
    bool rogne_ = false;            // the demuxer told the decoder what delay and padding to drop
    std::int64_t marge_ = 0;        // two of the codec's frames, in engine frames
    std::unique_ptr<AVChannelLayout> disposition_;  // resampler input
    int format_entree_ = -1;
    int frequence_entree_ = 0;
    std::vector<float> debord_;  // converted frames that did not fit a block
    std::size_t debord_trames_ = 0, debord_lu_ = 0;
    std::int64_t a_jeter_ = 0;  // frames before a seek target still to drop
    std::int64_t cible_ = -1;   // seek target waiting for the first frame's time
    bool paquets_finis_ = false, decodeur_fini_ = false, resampleur_vide_ = false;
    int erreurs_ = 0;                 // consecutive decoding errors
    std::int64_t limite_cpu_ns_ = 0;  // probing budget (calling thread), 0 = none
};

DecodeurFFmpeg::~DecodeurFFmpeg() {
    avcodec_free_context(&codec_);
    avformat_close_input(&format_ctx_);
    if (avio_) {
        av_freep(&avio_->buffer);
        avio_context_free(&avio_);
    }
    swr_free(&swr_);
    av_packet_free(&paquet_);
    av_frame_free(&trame_);
    av_channel_layout_uninit(disposition_.get());
    if (fd_ >= 0) ::close(fd_);
}

// ---------------------------------------------------------------- probing

bool DecodeurFFmpeg::interrompu() const {
    if (signaux_ && signaux_->arret && signaux_->arret->load(std::memory_order_relaxed)) return true;
    return limite_cpu_ns_ != 0 && temps_cpu_fil_ns() > limite_cpu_ns_;
}

int DecodeurFFmpeg::interruption(void* moi) {
    return static_cast<DecodeurFFmpeg*>(moi)->interrompu() ? 1 : 0;
}

int DecodeurFFmpeg::lire_octets(void* moi, std::uint8_t* tampon, int taille) {
    auto* f = static_cast<DecodeurFFmpeg*>(moi);
    if (f->interrompu()) return AVERROR_EXIT;
    for (;;) {
        ssize_t n = ::pread(f->fd_, tampon, std::size_t(taille), f->pos_fichier_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return AVERROR(errno);
        if (n == 0) return AVERROR_EOF;
        f->pos_fichier_ += n;
        return int(n);
    }
}

std::int64_t DecodeurFFmpeg::chercher_octets(void* moi, std::int64_t decalage, int origine) {
    auto* f = static_cast<DecodeurFFmpeg*>(moi);
    origine &= ~AVSEEK_FORCE;
    struct stat st {};
    if (origine == AVSEEK_SIZE || origine == SEEK_END) {
        if (::fstat(f->fd_, &st) != 0) return AVERROR(errno);
        if (origine == AVSEEK_SIZE) return st.st_size;
    }
    std::int64_t cible;
    switch (origine) {
        case SEEK_SET:
            cible = decalage;
            break;
        case SEEK_CUR:
            cible = f->pos_fichier_ + decalage;
            break;
        case SEEK_END:
            cible = std::int64_t(st.st_size) + decalage;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (cible < 0) return AVERROR(EINVAL);
    f->pos_fichier_ = cible;
    return cible;
}

bool DecodeurFFmpeg::preparer(const std::string& chemin, int frequence) {
    frequence_ = frequence;
    // Only regular files: a directory, a FIFO or a device could block or never end.
    fd_ = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;

    auto* tampon = static_cast<unsigned char*>(av_malloc(kTailleTamponAvio));
    if (!tampon) return false;
    avio_ = avio_alloc_context(tampon, kTailleTamponAvio, 0, this, &DecodeurFFmpeg::lire_octets, nullptr,
                               &DecodeurFFmpeg::chercher_octets);
    if (!avio_) {
        av_free(tampon);
        return false;
    }
    format_ctx_ = avformat_alloc_context();
    if (!format_ctx_) return false;
    format_ctx_->pb = avio_;
    format_ctx_->io_open = &refuser_ouverture;
    format_ctx_->interrupt_callback.callback = &DecodeurFFmpeg::interruption;
    format_ctx_->interrupt_callback.opaque = this;

    limite_cpu_ns_ = temps_cpu_fil_ns() + kBudgetSondageNs;
    // The path is given for the extension hint only; the data comes from avio_.
    if (avformat_open_input(&format_ctx_, chemin.c_str(), nullptr, nullptr) < 0) {
        limite_cpu_ns_ = 0;
        return false;  // format_ctx_ is freed and null
    }
    // Pictures and video are never shown. The stream probe would decode them
    // to learn their size (a large cover picture costs 100 ms and more); a
    // placeholder size spares that when the file has sound.
    bool audio = false;
    for (unsigned i = 0; i < format_ctx_->nb_streams; ++i)
        audio = audio || format_ctx_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    for (unsigned i = 0; audio && i < format_ctx_->nb_streams; ++i) {
        AVCodecParameters* p = format_ctx_->streams[i]->codecpar;
        if (p->codec_type != AVMEDIA_TYPE_VIDEO) continue;
        format_ctx_->streams[i]->discard = AVDISCARD_ALL;
        if (p->width <= 0 || p->height <= 0) p->width = p->height = 1;
        if (p->format < 0) p->format = AV_PIX_FMT_RGB24;
    }
    avformat_find_stream_info(format_ctx_, nullptr);
    bool trop_long = interrompu();
    limite_cpu_ns_ = 0;
    if (trop_long) return false;

    const AVCodec* decodeur = nullptr;
    indice_ = av_find_best_stream(format_ctx_, AVMEDIA_TYPE_AUDIO, -1, -1, &decodeur, 0);
    if (indice_ < 0 || !decodeur) return false;
    for (unsigned i = 0; i < format_ctx_->nb_streams; ++i)
        if (int(i) != indice_) format_ctx_->streams[i]->discard = AVDISCARD_ALL;
    AVStream* st_audio = format_ctx_->streams[indice_];
    // A stream whose header gives an impossible rate cannot be played.
    if (st_audio->codecpar->sample_rate != 0 && !frequence_jouable(st_audio->codecpar->sample_rate))
        return false;

    codec_ = avcodec_alloc_context3(decodeur);
    if (!codec_ || avcodec_parameters_to_context(codec_, st_audio->codecpar) < 0) return false;
    codec_->pkt_timebase = st_audio->time_base;
    codec_->thread_count = 1;
    // Decoders that can (MP3, AC-3...) then write interleaved float themselves.
    codec_->request_sample_fmt = AV_SAMPLE_FMT_FLT;
    if (avcodec_open2(codec_, decodeur, nullptr) < 0) return false;

    paquet_ = av_packet_alloc();
    trame_ = av_frame_alloc();
    if (!paquet_ || !trame_) return false;

    base_num_ = st_audio->time_base.num;
    base_den_ = st_audio->time_base.den;
    if (base_num_ <= 0 || base_den_ <= 0) base_num_ = base_den_ = 1;
    debut_flux_ = st_audio->start_time != AV_NOPTS_VALUE ? st_audio->start_time : 0;
    std::int64_t estimation = 0;
    if (st_audio->duration != AV_NOPTS_VALUE && st_audio->duration > 0)
        estimation = av_rescale_q(st_audio->duration, st_audio->time_base, AVRational{1, frequence_});
    else if (format_ctx_->duration != AV_NOPTS_VALUE && format_ctx_->duration > 0)
        estimation = av_rescale(format_ctx_->duration, frequence_, AV_TIME_BASE);
    longueur_ = estimation;
    estimee_ = estimation == 0 || format_ctx_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    const int taux = codec_->sample_rate > 0 ? codec_->sample_rate : frequence_;
    marge_ = av_rescale(2 * std::max(codec_->frame_size, 1024), frequence_, taux);
    // A container that counts its stream to the sample (MP4's edit list,
    // Ogg's granule positions, FLAC's header) says where the sound ends:
    // what the decoder gives past it is the encoder's padding of the last
    // frame, a silence that would be heard between two tracks. Coarser
    // counts (milliseconds in ASF or Matroska) cannot place that end.
    if (!estimee_ && longueur_ > 0 && std::int64_t(base_num_) * taux <= base_den_) fin_exacte_ = longueur_;
    return true;
}

// The container's length stays the length: a decoder's frames end up to a
// codec frame away from it (a WMA decoder drops its first frame, and gives
// the last packet's padding after a seek). A file that ends well before it
// (cut short) ends where it ends, and a length guessed from the bit rate
// gives way to the frames decoded, and so does the length of a stream the
// demuxer trims of its encoder's delay and padding (an MP3's header counts
// whole frames, padding included: the decoded end is the sound's).
std::int64_t DecodeurFFmpeg::longueur_finale(std::int64_t fin, std::int64_t longueur) const {
    if (estimee_ || rogne_ || longueur <= 0 || fin < longueur - marge_) return fin;
    return longueur;
}

// ---------------------------------------------------------------- decoding

void DecodeurFFmpeg::chercher(std::int64_t trame) {
    AVRational base{base_num_, base_den_};
    std::int64_t ts = debut_flux_ + av_rescale_q(trame, AVRational{1, frequence_}, base);
    int r = avformat_seek_file(format_ctx_, indice_, INT64_MIN, ts, ts, 0);
    if (r < 0) r = av_seek_frame(format_ctx_, indice_, ts, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(codec_);
    if (swr_ && swr_init(swr_) < 0) swr_free(&swr_);
    debord_trames_ = debord_lu_ = 0;
    a_jeter_ = 0;
    cible_ = r >= 0 ? trame : -1;
    paquets_finis_ = decodeur_fini_ = resampleur_vide_ = false;
    erreurs_ = 0;
}

// Next decoded frame into trame_: 1, or 0 at the end of the stream (or of
// what can be decoded), -1 when a request or the stream's close interrupts.
int DecodeurFFmpeg::recevoir_trame() {
    for (;;) {
        if (signaux_ && signaux_->leve()) return -1;
        int r = avcodec_receive_frame(codec_, trame_);
        if (r == 0) {
            erreurs_ = 0;
            return 1;
        }
        if (r == AVERROR_EOF) return 0;
        if (r != AVERROR(EAGAIN)) {
            if (++erreurs_ > kErreursMax) return 0;
            continue;
        }
        if (paquets_finis_) return 0;
        r = av_read_frame(format_ctx_, paquet_);
        if (r < 0) {
            // End of file, or a read or demuxing error: what was decoded is
            // the whole track. Draining gives the decoder's last frames.
            avcodec_send_packet(codec_, nullptr);
            paquets_finis_ = true;
            continue;
        }
        if (paquet_->stream_index != indice_) {
            av_packet_unref(paquet_);
            continue;
        }
        if (av_packet_get_side_data(paquet_, AV_PKT_DATA_SKIP_SAMPLES, nullptr)) rogne_ = true;
        r = avcodec_send_packet(codec_, paquet_);
        av_packet_unref(paquet_);
        if (r < 0 && r != AVERROR(EAGAIN) && ++erreurs_ > kErreursMax) {
            avcodec_send_packet(codec_, nullptr);
            paquets_finis_ = true;
        }
    }
}

bool DecodeurFFmpeg::preparer_resampleur(const AVFrame* t) {
    // Zero-initialised before anything is copied into it.
    AVChannelLayout entree{};
    if (t->ch_layout.nb_channels > 0 && t->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC) {
        if (av_channel_layout_copy(&entree, &t->ch_layout) < 0) return false;
    } else {
        // Some decoders (WMA) give a channel count without a layout.
        int n = t->ch_layout.nb_channels > 0 ? t->ch_layout.nb_channels : codec_->ch_layout.nb_channels;
        if (n <= 0) return false;
        av_channel_layout_default(&entree, n);
    }
    if (swr_ && t->format == format_entree_ && t->sample_rate == frequence_entree_ &&
        av_channel_layout_compare(&entree, disposition_.get()) == 0) {
        av_channel_layout_uninit(&entree);
        return true;
    }
    swr_free(&swr_);
    av_channel_layout_uninit(disposition_.get());
    *disposition_ = entree;  // takes over what `entree` holds
    format_entree_ = t->format;
    frequence_entree_ = t->sample_rate;
    // A damaged header can claim hundreds of MHz, or 1 Hz, for which merely
    // setting up the resampler takes seconds and gigabytes: such frames are skipped.
    if (!frequence_jouable(frequence_entree_)) return false;
    AVChannelLayout stereo{};
    av_channel_layout_default(&stereo, 2);
    if (swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLT, frequence_, disposition_.get(),
                            AVSampleFormat(format_entree_), frequence_entree_, 0, nullptr) < 0) {
        swr_free(&swr_);
        return false;
    }
    if (disposition_->nb_channels == 1) {
        // Mono goes to both sides at full level (the default mix is 3 dB down).
        const double matrice[2] = {1.0, 1.0};
        swr_set_matrix(swr_, matrice, 1);
    }
    if (swr_init(swr_) < 0) {
        swr_free(&swr_);
        return false;
    }
    return true;
}

// Where the next `n` converted frames go: straight into the block when they
// fit, else into the overflow buffer (then copied into the following blocks).
float* DecodeurFFmpeg::destination(Tranche& b, std::size_t n) {
    if (a_jeter_ == 0 && n <= kTramesTranche - b.trames) return b.donnees + 2 * b.trames;
    if (debord_.size() < 2 * n) debord_.resize(2 * n);
    return debord_.data();
}

void DecodeurFFmpeg::range(Tranche& b, const float* ecrit, std::size_t n) {
    if (ecrit != debord_.data()) {
        b.trames += std::uint32_t(n);
        return;
    }
    std::size_t jetees = std::min<std::size_t>(std::size_t(a_jeter_), n);
    a_jeter_ -= std::int64_t(jetees);
    debord_trames_ = n;
    debord_lu_ = jetees;
}

void DecodeurFFmpeg::convertir(Tranche& b) {
    if (cible_ >= 0) {
        // First frame after a seek: drop what lies before the target, or
        // start the track position where the demuxer landed.
        if (trame_->best_effort_timestamp != AV_NOPTS_VALUE) {
            std::int64_t debut = av_rescale_q(trame_->best_effort_timestamp - debut_flux_,
                                              AVRational{base_num_, base_den_}, AVRational{1, frequence_});
            if (debut < cible_) {
                a_jeter_ = cible_ - debut;
            } else if (debut > cible_ && b.trames == 0) {
                b.debut = debut;
            }
        }
        cible_ = -1;
    }
    // Packed float (or mono float) at the device rate needs no resampler: a
    // copy, or a copy to both sides. A resampler at the same rate holds no
    // delayed frames, so leaving it here reorders nothing.
    const int canaux = trame_->ch_layout.nb_channels;
    const bool flottant =
        trame_->format == AV_SAMPLE_FMT_FLT || (canaux == 1 && trame_->format == AV_SAMPLE_FMT_FLTP);
    if (flottant && (canaux == 1 || canaux == 2) && trame_->sample_rate == frequence_ &&
        (!swr_ || frequence_entree_ == frequence_)) {
        std::size_t n = std::size_t(std::max(trame_->nb_samples, 0));
        if (n == 0) return;
        float* sortie = destination(b, n);
        const auto* source = reinterpret_cast<const float*>(trame_->extended_data[0]);
        if (canaux == 2) {
            std::memcpy(sortie, source, n * 2 * sizeof(float));
        } else {
            for (std::size_t i = 0; i < n; ++i) sortie[2 * i] = sortie[2 * i + 1] = source[i];
        }
        range(b, sortie, n);
        return;
    }
    if (!preparer_resampleur(trame_)) return;  // a frame that cannot be converted is skipped
    int maximum = swr_get_out_samples(swr_, trame_->nb_samples);
    if (maximum <= 0) return;
    float* sortie = destination(b, std::size_t(maximum));
    auto* octets = reinterpret_cast<std::uint8_t*>(sortie);
    int n = swr_convert(swr_, &octets, maximum, const_cast<const std::uint8_t**>(trame_->extended_data),
                        trame_->nb_samples);
    range(b, sortie, n > 0 ? std::size_t(n) : 0);
}

void DecodeurFFmpeg::vider_resampleur() {
    debord_trames_ = debord_lu_ = 0;
    if (!swr_) return;
    int maximum = swr_get_out_samples(swr_, 0);
    if (maximum <= 0) return;
    if (debord_.size() < 2 * std::size_t(maximum)) debord_.resize(2 * std::size_t(maximum));
    auto* sortie = reinterpret_cast<std::uint8_t*>(debord_.data());
    int n = swr_convert(swr_, &sortie, maximum, nullptr, 0);
    debord_trames_ = n > 0 ? std::size_t(n) : 0;
    std::size_t jetees = std::min<std::size_t>(std::size_t(a_jeter_), debord_trames_);
    debord_lu_ = jetees;
    a_jeter_ -= std::int64_t(jetees);
}

bool DecodeurFFmpeg::remplir(Tranche& b) {
    while (b.trames < kTramesTranche) {
        if (debord_lu_ < debord_trames_) {
            std::size_t k = std::min<std::size_t>(kTramesTranche - b.trames, debord_trames_ - debord_lu_);
            std::memcpy(b.donnees + 2 * b.trames, debord_.data() + 2 * debord_lu_, k * 2 * sizeof(float));
            b.trames += std::uint32_t(k);
            debord_lu_ += k;
            continue;
        }
        if (decodeur_fini_) {
            if (!resampleur_vide_) {
                resampleur_vide_ = true;
                vider_resampleur();
                continue;
            }
            b.fin = true;
            break;
        }
        int r = recevoir_trame();
        if (r < 0) return false;
        if (r == 0) {
            decodeur_fini_ = true;
            continue;
        }
        convertir(b);
        av_frame_unref(trame_);
    }
    if (fin_exacte_ >= 0 && b.debut + std::int64_t(b.trames) >= fin_exacte_) {
        b.trames = std::uint32_t(std::max<std::int64_t>(fin_exacte_ - b.debut, 0));
        b.fin = true;
    }
    return true;
}

}  // namespace

}  // namespace vt::audio

extern "C" __attribute__((visibility("default"))) vt::audio::Decodeur* creer_decodeur_ffmpeg(
    const char* chemin, int frequence, const vt::audio::Signaux* signaux) {
    vt::audio::configurer_journal_ffmpeg();
    auto d = std::make_unique<vt::audio::DecodeurFFmpeg>(signaux);
    if (!d->preparer(chemin, frequence)) return nullptr;
    return d.release();
}
