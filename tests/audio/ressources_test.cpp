// Open, play, stop and close cycles leak no memory, file descriptors or threads.
#include "outils_audio.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (gcc ships no header for it): bytes allocated and not yet freed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using namespace vt::test::audio;

// Resident memory in KiB; under AddressSanitizer, whose quarantine keeps freed
// blocks resident for a long while, the live heap instead.
long memoire_ko() {
#if defined(__SANITIZE_ADDRESS__)
    return long(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    return memoire_residente_ko();
#endif
}

void cycle(MoteurDeTest& l, const char* nom) {
    l.lm.flux = l.m.ouvrir_flux(fixture(nom));
    l.lm.canal = l.m.jouer_flux(-1, l.lm.flux);
    l.pomper(512);
    l.arreter();
}

// A thousand cycles over several formats end with the descriptors and
// threads they started with, and with the resident memory of the first ones.
TEST(Ressources, ThousandCyclesLeakNothing) {
    const char* noms[] = {"ton440.mp3", "ton440.wav", "ton440.ogg", "ton440.wma", "court.mp3"};
    MoteurDeTest l;
    for (int i = 0; i < 50; ++i) cycle(l, noms[i % 5]);
    int fd = descripteurs_ouverts();
    int fils = fils_d_execution();
    long memoire = memoire_ko();
    for (int i = 0; i < 1000; ++i) cycle(l, noms[i % 5]);
    EXPECT_EQ(descripteurs_ouverts(), fd);
    EXPECT_EQ(fils_d_execution(), fils);
    // Each cycle allocates about 400 KB of ring; a leak of even one percent
    // of that per cycle would show as 4 MB.
    EXPECT_LT(memoire_ko() - memoire, 3 * 1024);
}

// Streams opened and closed without ever playing release everything too.
TEST(Ressources, OpenAndCloseWithoutPlaying) {
    MoteurDeTest l;
    l.m.fermer_flux(l.m.ouvrir_flux(fixture("ton440.flac")));  // the opening thread waits from then on
    int fd = descripteurs_ouverts();
    int fils = fils_d_execution();
    for (int i = 0; i < 200; ++i) l.m.fermer_flux(l.m.ouvrir_flux(fixture("ton440.flac")));
    EXPECT_EQ(descripteurs_ouverts(), fd);
    EXPECT_EQ(fils_d_execution(), fils);
}

}  // namespace
