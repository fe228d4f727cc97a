// CPU cost of the audio engine: one minute of MP3 decoded and mixed through
// the engine (manual output, pumped as fast as possible, decoder thread
// included) against the same file decoded by the engine's decoder alone, in
// one run, for each decoder (mpg123, which the engine gives MP3 to, and
// FFmpeg, which it gives what the light decoders do not read). The
// MP3 (stereo, 44.1 kHz, 128 kb/s) is encoded at start into a temporary
// folder with libavcodec's LAME encoder.
#include "audio/decodeur.h"
#include "audio/lecteur_media.h"
#include "audio/sortie_manuelle.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <mpg123.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace {

constexpr int kFrequence = 44100;
constexpr int kSecondes = 60;
std::string g_fichier;

double cpu_processus() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// A minute of something like music: a three-note chord that changes every
// half second, with harmonics, a slow vibrato, different on each side, and a
// little noise, so that the encoder and decoder do real work.
void signal(float* g, float* d, int n, std::int64_t debut) {
    static const double notes[][3] = {
        {220, 277.2, 329.6}, {246.9, 311.1, 370}, {196, 246.9, 293.7}, {261.6, 329.6, 392}};
    static unsigned alea = 12345;
    for (int i = 0; i < n; ++i) {
        double t = double(debut + i) / kFrequence;
        const double* accord = notes[std::int64_t(t * 2) % 4];
        double vib = 1 + 0.003 * std::sin(2 * M_PI * 5 * t);
        double sg = 0, sd = 0;
        for (int k = 0; k < 3; ++k)
            for (int h = 1; h <= 4; ++h) {
                double p = 2 * M_PI * accord[k] * h * vib * t;
                sg += std::sin(p) / (h * 8.0);
                sd += std::sin(p + k + h) / (h * 8.0);
            }
        alea = alea * 1103515245 + 12345;
        double bruit = (double((alea >> 16) & 0x7fff) / 32768.0 - 0.5) * 0.02;
        g[i] = float(sg * 0.6 + bruit);
        d[i] = float(sd * 0.6 - bruit);
    }
}

// Without `entete`, the file has neither an ID3 tag nor a Xing header: its
// frames alone, as a stream recorder leaves them.
bool encoder_mp3(const std::string& chemin, bool entete = true) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
    if (!codec) return false;
    AVFormatContext* sortie = nullptr;
    if (avformat_alloc_output_context2(&sortie, nullptr, "mp3", chemin.c_str()) < 0) return false;
    AVStream* st = avformat_new_stream(sortie, nullptr);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->sample_rate = kFrequence;
    av_channel_layout_default(&c->ch_layout, 2);
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->bit_rate = 128000;
    c->time_base = AVRational{1, kFrequence};
    AVDictionary* options = nullptr;
    if (!entete) {
        av_dict_set(&options, "write_xing", "0", 0);
        av_dict_set(&options, "id3v2_version", "0", 0);
    }
    bool ok = avcodec_open2(c, codec, nullptr) >= 0 &&
              avcodec_parameters_from_context(st->codecpar, c) >= 0 &&
              avio_open(&sortie->pb, chemin.c_str(), AVIO_FLAG_WRITE) >= 0 &&
              avformat_write_header(sortie, &options) >= 0;
    st->time_base = AVRational{1, kFrequence};
    AVFrame* trame = av_frame_alloc();
    AVPacket* paquet = av_packet_alloc();
    auto ecrire = [&](AVFrame* f) {
        if (avcodec_send_frame(c, f) < 0) return false;
        while (avcodec_receive_packet(c, paquet) == 0) {
            av_packet_rescale_ts(paquet, c->time_base, st->time_base);
            paquet->stream_index = st->index;
            if (av_interleaved_write_frame(sortie, paquet) < 0) return false;
        }
        return true;
    };
    std::int64_t fait = 0;
    while (ok && fait < std::int64_t(kSecondes) * kFrequence) {
        trame->nb_samples = c->frame_size;
        trame->format = c->sample_fmt;
        av_channel_layout_copy(&trame->ch_layout, &c->ch_layout);
        trame->sample_rate = kFrequence;
        ok = av_frame_get_buffer(trame, 0) >= 0;
        if (!ok) break;
        signal(reinterpret_cast<float*>(trame->data[0]), reinterpret_cast<float*>(trame->data[1]),
               trame->nb_samples, fait);
        trame->pts = fait;
        fait += trame->nb_samples;
        ok = ecrire(trame);
        av_frame_unref(trame);
    }
    ok = ok && ecrire(nullptr) && av_write_trailer(sortie) >= 0;
    av_dict_free(&options);
    av_frame_free(&trame);
    av_packet_free(&paquet);
    avcodec_free_context(&c);
    avio_closep(&sortie->pb);
    avformat_free_context(sortie);
    return ok;
}

// FFmpeg alone: demux and decode every packet, nothing else.
std::int64_t decoder_seul_ici(const std::string& chemin) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, chemin.c_str(), nullptr, nullptr) < 0) return 0;
    avformat_find_stream_info(fmt, nullptr);
    const AVCodec* dec = nullptr;
    int indice = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &dec, 0);
    AVCodecContext* c = avcodec_alloc_context3(dec);
    avcodec_parameters_to_context(c, fmt->streams[indice]->codecpar);
    c->pkt_timebase = fmt->streams[indice]->time_base;
    avcodec_open2(c, dec, nullptr);
    AVPacket* p = av_packet_alloc();
    AVFrame* f = av_frame_alloc();
    std::int64_t echantillons = 0;
    auto recevoir = [&] {
        while (avcodec_receive_frame(c, f) == 0) {
            echantillons += f->nb_samples;
            av_frame_unref(f);
        }
    };
    while (av_read_frame(fmt, p) >= 0) {
        if (p->stream_index == indice) {
            avcodec_send_packet(c, p);
            recevoir();
        }
        av_packet_unref(p);
    }
    avcodec_send_packet(c, nullptr);
    recevoir();
    av_frame_free(&f);
    av_packet_free(&p);
    avcodec_free_context(&c);
    avformat_close_input(&fmt);
    return echantillons;
}

// mpg123 alone: every frame decoded to float, nothing else.
std::int64_t mpg123_seul_ici(const std::string& chemin) {
    mpg123_init();
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    if (!mh) return 0;
    mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    mpg123_format_none(mh);
    mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    std::int64_t n = 0;
    if (mpg123_open(mh, chemin.c_str()) == MPG123_OK) {
        std::vector<float> v(2 * 4096);
        std::size_t octets = 0;
        for (int r; (r = mpg123_read(mh, v.data(), v.size() * sizeof(float), &octets)) == MPG123_OK ||
                    r == MPG123_NEW_FORMAT;)
            n += std::int64_t(octets / (2 * sizeof(float)));
    }
    mpg123_delete(mh);
    return n;
}

using vt::audio::ChoixDecodeurs;

// The engine decodes on a thread of its own (and so with its own malloc
// arena); the reference does the same, so that both see the same allocator.
std::int64_t decoder_seul(const std::string& chemin, ChoixDecodeurs choix = ChoixDecodeurs::FFmpegSeul) {
    std::int64_t n = 0;
    std::thread fil([&] {
        n = choix == ChoixDecodeurs::FFmpegSeul ? decoder_seul_ici(chemin) : mpg123_seul_ici(chemin);
    });
    fil.join();
    return n;
}

// One minute through the engine, pumped as fast as possible; returns the frames rendered.
std::int64_t jouer_par_le_moteur(lecteur_media& lm, std::vector<float>& tampon) {
    auto& sortie = static_cast<vt::SortieManuelle&>(*lm.moteur().sortie());
    lm.flux = lm.moteur().ouvrir_flux(g_fichier);
    lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
    lm.moteur().definir_volume(lm.canal, 200);
    lm.moteur().definir_pan(lm.canal, 100);
    std::int64_t trames = 0;
    const std::size_t periode = tampon.size() / 2;
    while (lm.moteur().position(lm.flux) != lm.moteur().longueur(lm.flux)) {
        sortie.pomper_dans(tampon.data(), periode);
        trames += std::int64_t(periode);
    }
    benchmark::DoNotOptimize(tampon.data());
    lm.moteur().arreter_flux(lm.flux);
    lm.moteur().fermer_flux(lm.flux);
    lm.flux = 0;
    lm.canal = -1;
    return trames;
}

void BM_DecodageFFmpegSeul(benchmark::State& state) {
    std::int64_t n = 0;
    for (auto _ : state) {
        n = decoder_seul(g_fichier);
        benchmark::DoNotOptimize(n);
    }
    state.counters["trames"] = double(n);
}

void BM_MoteurDecodageEtMixage(benchmark::State& state) {
    lecteur_media lm(std::make_unique<vt::SortieManuelle>());
    std::vector<float> tampon(2 * 2048);
    std::int64_t trames = 0;
    rusage avant{}, apres{};
    getrusage(RUSAGE_SELF, &avant);
    for (auto _ : state) trames = jouer_par_le_moteur(lm, tampon);
    getrusage(RUSAGE_SELF, &apres);
    state.counters["trames"] = double(trames);
    // Context switches of the whole process per minute of sound.
    state.counters["commutations"] =
        double(apres.ru_nvcsw - avant.ru_nvcsw + apres.ru_nivcsw - avant.ru_nivcsw) /
        double(state.iterations());
}

void BM_DecodageMpg123Seul(benchmark::State& state) {
    std::int64_t n = 0;
    for (auto _ : state) {
        n = decoder_seul(g_fichier, ChoixDecodeurs::SansFFmpeg);
        benchmark::DoNotOptimize(n);
    }
    state.counters["trames"] = double(n);
}

// Opening an hour of MP3 without a Xing header (the minute without one,
// sixty times over): the engine reads its frames through to learn its
// length.
std::string g_heure;

void BM_OuvertureMp3SansEntete(benchmark::State& state) {
    lecteur_media lm(std::make_unique<vt::SortieManuelle>());
    std::int64_t longueur = 0;
    for (auto _ : state) {
        const int flux = lm.moteur().ouvrir_flux(g_heure);
        longueur = lm.moteur().longueur_ms(flux);
        lm.moteur().fermer_flux(flux);
    }
    state.counters["longueur_s"] = double(longueur) / 1000.0;
}

BENCHMARK(BM_OuvertureMp3SansEntete)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Opening the minute of MP3 behind a 50 MB ID3v2 tag (a large cover
// picture), as the player does when the track starts: the decoder skips the
// tag rather than parsing it.
std::string g_grande_etiquette;

void BM_OuvertureMp3GrandeEtiquette(benchmark::State& state) {
    lecteur_media lm(std::make_unique<vt::SortieManuelle>());
    for (auto _ : state) {
        const int flux = lm.moteur().ouvrir_flux(g_grande_etiquette);
        benchmark::DoNotOptimize(flux);
        lm.moteur().fermer_flux(flux);
    }
}

BENCHMARK(BM_OuvertureMp3GrandeEtiquette)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DecodageMpg123Seul)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DecodageFFmpegSeul)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MoteurDecodageEtMixage)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The ratio itself: engine and FFmpeg alone measured in turns, so that a
// change of load on the machine weighs on both alike; medians of the pairs.
void comparer(int paires, ChoixDecodeurs choix) {
    const char* nom = choix == ChoixDecodeurs::FFmpegSeul ? "FFmpeg" : "mpg123";
    lecteur_media lm(std::make_unique<vt::SortieManuelle>(), choix);
    std::vector<float> tampon(2 * 2048);
    std::vector<double> seul, moteur, rapports;
    for (int i = 0; i < paires; ++i) {
        double t0 = cpu_processus();
        benchmark::DoNotOptimize(decoder_seul(g_fichier, choix));
        double t1 = cpu_processus();
        benchmark::DoNotOptimize(jouer_par_le_moteur(lm, tampon));
        double t2 = cpu_processus();
        seul.push_back(t1 - t0);
        moteur.push_back(t2 - t1);
        rapports.push_back((t2 - t1) / (t1 - t0));
    }
    auto mediane = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf(
        "audio engine / %s alone, CPU time for one minute of MP3 (median of %d pairs): %.3f"
        " (engine %.1f ms, %s alone %.1f ms)\n",
        nom, paires, mediane(rapports), mediane(moteur) * 1e3, nom, mediane(seul) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
    char modele[] = "/tmp/vantrel-bench-audio-XXXXXX";
    if (!mkdtemp(modele)) return 1;
    std::string dossier = modele;
    g_fichier = dossier + "/minute.mp3";
    av_log_set_level(AV_LOG_QUIET);
    if (!encoder_mp3(g_fichier)) {
        std::fprintf(stderr, "bench_audio: cannot encode the test MP3 (libmp3lame missing?)\n");
        return 1;
    }
    const std::string minute_sans_entete = dossier + "/minute_sans_entete.mp3";
    g_heure = dossier + "/heure_sans_entete.mp3";
    if (!encoder_mp3(minute_sans_entete, false)) return 1;
    {
        std::FILE* m = std::fopen(minute_sans_entete.c_str(), "rb");
        std::FILE* h = std::fopen(g_heure.c_str(), "wb");
        std::vector<char> octets;
        for (int c; m && (c = std::fgetc(m)) != EOF;) octets.push_back(char(c));
        for (int i = 0; h && i < 60; ++i) std::fwrite(octets.data(), 1, octets.size(), h);
        if (m) std::fclose(m);
        if (h) std::fclose(h);
    }
    {
        // One APIC frame of 50 MB in an ID3v2.4 tag, its sizes in 7-bit bytes.
        const auto taille = [](std::size_t n) {
            return std::string{char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F),
                               char(n & 0x7F)};
        };
        const std::string image =
            std::string("\0image/jpeg\0\x03\0\xFF\xD8\xFF\xE0", 18) + std::string(50 << 20, 'j');
        const std::string cadre = "APIC" + taille(image.size()) + std::string(2, '\0') + image;
        g_grande_etiquette = dossier + "/grande_etiquette.mp3";
        std::FILE* m = std::fopen(g_fichier.c_str(), "rb");
        std::FILE* g = std::fopen(g_grande_etiquette.c_str(), "wb");
        if (g) std::fwrite("ID3\x04\0\0", 1, 6, g);
        if (g) std::fwrite((taille(cadre.size()) + cadre).data(), 1, cadre.size() + 4, g);
        for (int c; m && g && (c = std::fgetc(m)) != EOF;) std::fputc(c, g);
        if (m) std::fclose(m);
        if (g) std::fclose(g);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    comparer(15, ChoixDecodeurs::SansFFmpeg);
    comparer(15, ChoixDecodeurs::FFmpegSeul);
    std::remove(g_fichier.c_str());
    std::remove(minute_sans_entete.c_str());
    std::remove(g_heure.c_str());
    std::remove(g_grande_etiquette.c_str());
    rmdir(dossier.c_str());
    return 0;
}
