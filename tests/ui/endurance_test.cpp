// Soak: ten thousand automatic track ends over 50 ms files, in repeat, random
// and loop modes in turn, with the output pumped and the timer ticked by hand.
// Every end starts the next track as its mode says, and the process's memory,
// file descriptors and threads stay flat.
#include "support/wav.h"
#include "ui/fixture.h"

#include <dirent.h>
#include <unistd.h>
#include <chrono>
#include <fstream>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (gcc ships no header for it): bytes allocated and
// not yet freed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using vt::test::FenetresTest;

int entrees(const char* dossier) {
    int n = 0;
    if (DIR* d = ::opendir(dossier)) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') ++n;
        ::closedir(d);
    }
    return n;
}

// Resident memory in KiB. Under AddressSanitizer freed blocks stay resident in
// its quarantine for a long while, so there the live heap is counted instead.
long memoire_ko() {
#if defined(__SANITIZE_ADDRESS__)
    return long(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    std::ifstream f("/proc/self/statm");
    long total = 0, residente = 0;
    f >> total >> residente;
    return residente * (::sysconf(_SC_PAGESIZE) / 1024);
#endif
}

class Endurance : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config("skin/default/", "default.sk", 194, 235, "playlist/", true);  // loop on
        demarrer();
        module->lecteur->arreter_horloge();  // the test ticks by hand
        std::vector<std::string> chemins;
        for (int i = 0; i < kPistes; ++i)
            chemins.push_back(
                app.ecrire("p" + std::to_string(i) + ".wav", vt::test::octets_wav(50, 300 + 50 * i)));
        f1->deposer(chemins);
    }

    enum class Mode { Repetition, Hasard, Boucle };
    void choisir(Mode m) {
        f1->check_repeat->setChecked(m == Mode::Repetition);
        f1->check_random->setChecked(m == Mode::Hasard);
    }

    // Plays the current track to its end; checks that a new stream of the
    // entry the mode calls for has started.
    void une_fin(Mode mode, int k) {
        const int avant = f1->index_courant();
        const int flux_avant = lecteur().flux;
        // The 50 ms of sound and what follows, as the event loop and the
        // timer meet them: the engine's end queues the next entry, which the
        // player switches to once it is heard; the tick decides when nothing
        // was queued in time.
        for (int ms = 0; ms < 200 && lecteur().flux == flux_avant; ms += 10) {
            pomper_ms(10);
            QApplication::processEvents();
            module->lecteur->tic();
        }
        const int apres = f1->index_courant();
        ASSERT_TRUE(joue()) << "end " << k << ": nothing started";
        ASSERT_NE(lecteur().flux, flux_avant) << "end " << k;
        ASSERT_LT(lecteur().moteur().position(lecteur().flux), lecteur().moteur().longueur(lecteur().flux))
            << "end " << k;
        switch (mode) {
            case Mode::Repetition:
                ASSERT_EQ(apres, avant) << "end " << k;
                break;
            case Mode::Hasard:
                ASSERT_NE(apres, avant) << "end " << k;
                break;
            case Mode::Boucle:
                ASSERT_EQ(apres, (avant + 1) % kPistes) << "end " << k;
                break;
        }
        ASSERT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : p%1.wav").arg(apres)) << "end " << k;
    }

    static constexpr int kPistes = 5;
};

// Ten thousand ends: modes change every 250 ends (loop, repeat, random...).
// Descriptors and threads are counted after the first thousand ends and at
// the end, and must be equal; memory may not grow by more than 4 MiB, which a
// leak of 512 bytes per track would pass.
TEST_F(Endurance, TenThousandTrackEndsKeepResourcesFlat) {
    constexpr int kFins = 10000;
    constexpr int kParMode = 250;
    constexpr int kChauffe = 1000;
    const Mode modes[] = {Mode::Boucle, Mode::Repetition, Mode::Hasard};
    f1->selectionner(0);
    appui(f1->image_play);
    ASSERT_TRUE(joue());

    int descripteurs = 0, fils = 0;
    long memoire = 0;
    for (int k = 0; k < kFins; ++k) {
        const Mode mode = modes[(k / kParMode) % 3];
        if (k % kParMode == 0) choisir(mode);
        une_fin(mode, k);
        if (HasFatalFailure()) return;
        if (k == kChauffe - 1) {
            descripteurs = entrees("/proc/self/fd");
            fils = entrees("/proc/self/task");
            memoire = memoire_ko();
        }
    }
    // A stream just closed may still be winding down its decoding thread on
    // a loaded machine: give it a moment; a leaked one stays and fails.
    for (int i = 0;
         i < 200 && (entrees("/proc/self/fd") != descripteurs || entrees("/proc/self/task") != fils); ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(entrees("/proc/self/fd"), descripteurs);
    EXPECT_EQ(entrees("/proc/self/task"), fils);
    const long croissance = memoire_ko() - memoire;
    EXPECT_LT(croissance, 4 * 1024) << "memory grew by " << croissance << " KiB over " << kFins - kChauffe
                                    << " track ends";
    RecordProperty("memory_growth_kib", std::to_string(croissance));
}

}  // namespace
