// The ramps with which the PulseAudio output changes the level, fades out
// at a pause, a stop or a seek and fades in at a resume, and where it
// places them against what the server plays.
#include "audio/sortie_pulse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A steady stereo sound (sides differ) ramped at a rate, whole or in the
// pieces the output writes it in: about 6 ms (at least 16 frames), the same
// gains either way, the last frame at the target, the first one step from
// the start, no step larger than the ramp's slope. Each row: rate, its
// ramp's frames, piece length, start and target gains (left, right).
TEST(AppliquerRampe, SixMillisecondsSameShapeWholeOrInPiecesEndingAtTheTarget) {
    const struct {
        int frequence;
        std::size_t n, morceau;
        float g0, d0, g1, d1;
    } lignes[] = {{44100, 264, 264, 1, 1, 0, 0},   {44100, 264, 100, 0, 0, 1, 1},
                  {48000, 288, 7, 1, 1, 0, 0},     {8000, 48, 1, 0, 0, 1, 1},
                  {192000, 1152, 500, 1, 1, 0, 0}, {2000, 16, 3, 1, 1, 0.5f, 0},
                  {22050, 132, 64, 1, 1, 0.5f, 0}, {96000, 576, 333, 0.25f, 1, 1, 0.25f}};
    for (const auto& l : lignes) {
        const std::size_t n = vt::trames_fondu(l.frequence);
        ASSERT_EQ(n, l.n) << l.frequence;
        std::vector<float> entier(2 * n + 4), morceaux(2 * n + 4);
        for (std::size_t i = 0; i < n + 2; ++i) {
            entier[2 * i] = morceaux[2 * i] = 0.5f;
            entier[2 * i + 1] = morceaux[2 * i + 1] = -0.25f;
        }
        vt::appliquer_rampe(entier.data(), n + 2, 0, n, l.g0, l.d0, l.g1, l.d1);
        for (std::size_t de = 0; de < n + 2; de += l.morceau)
            vt::appliquer_rampe(morceaux.data() + 2 * de, std::min(l.morceau, n + 2 - de), de, n, l.g0, l.d0,
                                l.g1, l.d1);
        SCOPED_TRACE(::testing::Message()
                     << l.frequence << " piece " << l.morceau << " to " << l.g1 << "," << l.d1);
        EXPECT_EQ(entier, morceaux);
        for (std::size_t i : {n - 1, n, n + 1}) {  // the end, and past it
            EXPECT_FLOAT_EQ(entier[2 * i], 0.5f * l.g1) << i;
            EXPECT_FLOAT_EQ(entier[2 * i + 1], -0.25f * l.d1) << i;
        }
        EXPECT_NEAR(entier[0], 0.5f * (l.g0 + (l.g1 - l.g0) / float(n)), 1e-6);
        EXPECT_NEAR(entier[1], -0.25f * (l.d0 + (l.d1 - l.d0) / float(n)), 1e-6);
        for (std::size_t i = 1; i < n; ++i) {
            EXPECT_LE(std::fabs(entier[2 * i] - entier[2 * i - 2]), 0.5f / float(n) + 1e-6f) << i;
            EXPECT_LE(std::fabs(entier[2 * i + 1] - entier[2 * i - 1]), 0.25f / float(n) + 1e-6f) << i;
        }
    }
    // No ramp at full gains: the samples unchanged.
    std::vector<float> d{0.3f, -0.7f};
    vt::appliquer_rampe(d.data(), 1, 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(d, (std::vector<float>{0.3f, -0.7f}));
}

// Where a command's fade-out starts. Each row: frames written, the server's
// write and read indexes and device latency (frames), the answer's age,
// the margin, the heard count at the command -> the first faded frame.
TEST(DebutFondu, PastWhatTheServerReadUnlessFarAheadOfTheLaterOfItsViewAndTheCount) {
    const struct {
        const char* cas;
        std::int64_t ecrites, ecriture, lecture, latence, age, marge, entendues, attendu;
    } lignes[] = {
        // 88200 written, 22050 queued (read up to 66150) and 22050 more in
        // the device: frame 44100 is heard. Reading is half a second ahead:
        // the fade starts 2 margins past what is heard, the server rewinds.
        {"device half a second ahead", 88200, 89200, 67150, 22050, 0, 1323, 40000, 46746},
        {"answer 441 frames old", 88200, 89200, 67150, 22050, 441, 1323, 40000, 47187},
        {"count ahead of the server", 88200, 89200, 67150, 22050, 0, 1323, 50000, 52646},
        // Right after a start: a second of device latency reported.
        {"device latency far too long", 42336, 42336, 2000, 44100, 0, 882, 1000, 2764},
        // 20 ms in the device: a margin past what was read, no rewind.
        {"small device latency", 44100, 44100, 30000, 882, 0, 1323, 0, 31323},
        {"negative age ignored", 44100, 44100, 30000, 882, -500, 1323, 0, 31323},
        {"nearly drained: nothing to fade", 44100, 44100, 44000, 0, 0, 1323, 43000, 44100},
    };
    for (const auto& l : lignes)
        EXPECT_EQ(vt::debut_fondu(l.ecrites, l.ecriture, l.lecture, l.latence, l.age, l.marge, l.entendues),
                  l.attendu)
            << l.cas;
}

}  // namespace
