// The fades with which the PulseAudio output ends the sound at a pause, a
// stop or a seek, and starts it again at a resume: their length, their
// shape, and where a fade-out starts against what the server plays.
#include "audio/sortie_pulse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Each row: the output's rate -> the fade's frames (about 6 ms, at least 16).
TEST(TramesFondu, AboutSixMillisecondsAtEveryRate) {
    const struct {
        int frequence;
        std::size_t trames;
    } lignes[] = {{8000, 48}, {22050, 132}, {44100, 264}, {48000, 288}, {96000, 576}, {192000, 1152}, {2000, 16}};
    for (const auto& l : lignes) EXPECT_EQ(vt::trames_fondu(l.frequence), l.trames) << l.frequence;
}

// A steady stereo sound (both sides differ) ramped, whole or in the pieces
// the output writes it in: the same gains either way, the last frame at the
// target, the first one step from the start, and no step between
// neighbouring frames larger than the ramp's own slope. Each row: rate,
// piece length, start and target gains (left, right).
TEST(AppliquerRampe, SameShapeWholeOrInPiecesEndingAtTheTarget) {
    const struct {
        int frequence;
        std::size_t morceau;
        float g0, d0, g1, d1;
    } lignes[] = {{44100, 264, 1, 1, 0, 0},    {44100, 100, 0, 0, 1, 1},      {48000, 7, 1, 1, 0, 0},
                  {8000, 1, 0, 0, 1, 1},       {192000, 500, 1, 1, 0, 0},     {44100, 64, 1, 1, 0.5f, 0},
                  {96000, 333, 0.25f, 1, 1, 0.25f}};
    for (const auto& l : lignes) {
        const std::size_t n = vt::trames_fondu(l.frequence);
        std::vector<float> entier(2 * n), morceaux(2 * n);
        for (std::size_t i = 0; i < n; ++i) {
            entier[2 * i] = morceaux[2 * i] = 0.5f;
            entier[2 * i + 1] = morceaux[2 * i + 1] = -0.25f;
        }
        vt::appliquer_rampe(entier.data(), n, 0, n, l.g0, l.d0, l.g1, l.d1);
        for (std::size_t de = 0; de < n; de += l.morceau)
            vt::appliquer_rampe(morceaux.data() + 2 * de, std::min(l.morceau, n - de), de, n, l.g0, l.d0, l.g1, l.d1);
        SCOPED_TRACE(::testing::Message() << l.frequence << " piece " << l.morceau << " to " << l.g1 << "," << l.d1);
        EXPECT_EQ(entier, morceaux);
        EXPECT_FLOAT_EQ(entier[2 * (n - 1)], 0.5f * l.g1);
        EXPECT_FLOAT_EQ(entier[2 * (n - 1) + 1], -0.25f * l.d1);
        EXPECT_NEAR(entier[0], 0.5f * (l.g0 + (l.g1 - l.g0) / float(n)), 1e-6);
        EXPECT_NEAR(entier[1], -0.25f * (l.d0 + (l.d1 - l.d0) / float(n)), 1e-6);
        for (std::size_t i = 1; i < n; ++i) {
            EXPECT_LE(std::fabs(entier[2 * i] - entier[2 * i - 2]), 0.5f / float(n) + 1e-6f) << i;
            EXPECT_LE(std::fabs(entier[2 * i + 1] - entier[2 * i - 1]), 0.25f / float(n) + 1e-6f) << i;
        }
    }
}

// Frames past the ramp's length (a piece that runs over its end, or no
// ramp at all) take the target gains: silent after a fade-out, whole
// after a fade-in, the new level after a level change; full gains leave
// the samples unchanged.
TEST(AppliquerRampe, PastItsLengthTheTargetGains) {
    const struct {
        std::size_t de, total;
        float g0, g1, d1;
        std::vector<float> attendu;
    } lignes[] = {
        {14, 16, 1, 0, 0, {0.5f / 16, -0.25f / 16, 0, 0, 0, 0, 0, 0}},
        {14, 16, 0, 1, 1, {0.5f * 15 / 16, -0.25f * 15 / 16, 0.5f, -0.25f, 0.5f, -0.25f, 0.5f, -0.25f}},
        {0, 0, 1, 0.5f, 0, {0.25f, 0, 0.25f, 0, 0.25f, 0, 0.25f, 0}},
        {0, 0, 1, 1, 1, {0.5f, -0.25f, 0.5f, -0.25f, 0.5f, -0.25f, 0.5f, -0.25f}},
    };
    for (const auto& l : lignes) {
        std::vector<float> d{0.5f, -0.25f, 0.5f, -0.25f, 0.5f, -0.25f, 0.5f, -0.25f};
        vt::appliquer_rampe(d.data(), 4, l.de, l.total, l.g0, l.g0, l.g1, l.d1);
        EXPECT_EQ(d, l.attendu) << l.de << " of " << l.total;
    }
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
        // Right after a start: a second of device latency reported, the
        // server read 2000 frames, the count heard 1000.
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
