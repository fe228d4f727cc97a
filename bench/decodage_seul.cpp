// The floor of the light decoders for bench/decodeurs.sh: decodes the file
// named as the argument alone, every frame as float and nothing else (an
// MP3 with mpg123, anything else with libsndfile), and prints the CPU
// seconds it took.
#include <mpg123.h>
#include <sndfile.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    timespec t0{}, t1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t0);
    const std::size_t l = std::strlen(argv[1]);
    if (l > 4 && std::strcmp(argv[1] + l - 4, ".mp3") == 0) {
        mpg123_init();
        mpg123_handle* mh = mpg123_new(nullptr, nullptr);
        if (!mh) return 1;
        mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
        mpg123_format_none(mh);
        mpg123_format2(mh, 0, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
        if (mpg123_open(mh, argv[1]) != MPG123_OK) return 1;
        std::vector<float> v(2 * 4096);
        std::size_t octets = 0;
        for (int r; (r = mpg123_read(mh, v.data(), v.size() * sizeof(float), &octets)) == MPG123_OK ||
                    r == MPG123_NEW_FORMAT;) {
        }
        mpg123_delete(mh);
    } else {
        SF_INFO info{};
        SNDFILE* sf = sf_open(argv[1], SFM_READ, &info);
        if (!sf) return 1;
        std::vector<float> v(4096 * std::size_t(info.channels));
        while (sf_readf_float(sf, v.data(), 4096) > 0) {
        }
        sf_close(sf);
    }
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t1);
    std::printf("%.4f\n", double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) * 1e-9);
    return 0;
}
