// The real SDL output path, through SDL's disk driver: with no delay it runs
// faster than real time and writes the device's samples to a file.
#include "audio/sortie_sdl.h"
#include "outils_audio.h"
#include "support/dossier_temp.h"
#include "support/environnement.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <thread>

namespace {

using namespace vt::test::audio;
using vt::test::DossierTemp;
using vt::test::Environnement;
using vt::test::lire_fichier;
using namespace std::chrono_literals;

std::vector<float> lire_flottants(const std::string& chemin) {
    std::string octets = lire_fichier(chemin);
    std::vector<float> v(octets.size() / sizeof(float));
    std::memcpy(v.data(), octets.data(), v.size() * sizeof(float));
    return v;
}

// Only the frames that carry sound: the device also wrote silence before the
// track started and after it ended.
std::vector<float> sans_silence(const std::vector<float>& s) {
    std::vector<float> r;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        if (s[i] == 0.0f && s[i + 1] == 0.0f) continue;
        r.push_back(s[i]);
        r.push_back(s[i + 1]);
    }
    return r;
}

// Waits (real time, bounded) until `condition` holds.
template <class F>
bool attendre(F condition, std::chrono::milliseconds max = 10s) {
    auto limite = std::chrono::steady_clock::now() + max;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A track played through SDL reaches the device whole: every frame of the
// tone once, in order, at 44.1 kHz stereo float, and the end is reported.
TEST(SortieSDL, DiskDriverReceivesTheWholeTrack) {
    DossierTemp dossier;
    std::string fichier = dossier / "sortie.raw";
    Environnement env;
    env.definir("SDL_AUDIODRIVER", "disk");
    env.definir("SDL_DISKAUDIOFILE", fichier);
    env.definir("SDL_DISKAUDIODELAY", "0");
    {
        lecteur_media lm;
        ASSERT_TRUE(lm.moteur().initialise());
        ASSERT_NE(dynamic_cast<vt::SortieSDL*>(lm.moteur().sortie()), nullptr);
        lm.flux = lm.moteur().ouvrir_flux(fixture("ton440.mp3"));
        lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
        bool fin_vue = false;
        ASSERT_TRUE(attendre([&] {
            fin_vue = fin_vue || lm.moteur().position(lm.flux) == lm.moteur().longueur(lm.flux);
            return !lm.moteur().en_lecture(lm.canal);
        }));
        EXPECT_TRUE(fin_vue);
        EXPECT_EQ(lm.moteur().longueur(lm.flux), 44100);
    }
    std::vector<float> son = sans_silence(lire_flottants(fichier));
    // A sine has a few samples that are exactly zero.
    EXPECT_NEAR(double(son.size() / 2), 44100.0, 30.0);
    for (Cote c : {kGauche, kDroite}) {
        EXPECT_NEAR(frequence(cote(son, c)), 440.0, 2.0);
        EXPECT_NEAR(efficace(cote(son, c, 2205, 41000)), kEfficaceTon, kEfficaceTon * 0.08);
        // No gap and no repeat: the tone's phase runs on smoothly.
        EXPECT_LT(saut_max(son, c), 0.04);
    }
}

// When the device goes away while a track plays, the engine reopens the
// default device and playback goes on. The disk driver's file is a link to
// /dev/full, so every write fails and the device is lost; the link is then
// turned to a real file, which the next reopened device writes.
TEST(SortieSDL, LostDeviceIsReopenedAndPlaybackGoesOn) {
    DossierTemp dossier;
    std::string lien = dossier / "peripherique.raw";
    std::string fichier = dossier.ecrire("apres.raw", "");
    ASSERT_EQ(::symlink("/dev/full", lien.c_str()), 0);
    Environnement env;
    env.definir("SDL_AUDIODRIVER", "disk");
    env.definir("SDL_DISKAUDIOFILE", lien);
    env.definir("SDL_DISKAUDIODELAY", "0");
    lecteur_media lm;
    ASSERT_TRUE(lm.moteur().initialise());
    auto& sortie = static_cast<vt::SortieSDL&>(*lm.moteur().sortie());
    lm.flux = lm.moteur().ouvrir_flux(fixture("ton1000.ogg"));
    lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
    // The first write fails: the device is lost and reopened, on /dev/full again.
    ASSERT_TRUE(attendre([&] { return sortie.reouvertures() >= 1; }));
    // The next device works.
    std::string nouveau = dossier / "nouveau_lien";
    ASSERT_EQ(::symlink(fichier.c_str(), nouveau.c_str()), 0);
    ASSERT_EQ(::rename(nouveau.c_str(), lien.c_str()), 0);
    int avant = sortie.reouvertures();
    ASSERT_TRUE(attendre([&] { return sortie.reouvertures() > avant; }));
    if (!lm.moteur().en_lecture(lm.canal)) {
        // While lost, SDL kept pulling in real time and the track ran out:
        // play it again, on the new device.
        lm.canal = lm.moteur().jouer_flux(-1, lm.flux);
    }
    ASSERT_TRUE(attendre([&] { return !lm.moteur().en_lecture(lm.canal); }));
    EXPECT_EQ(lm.moteur().position(lm.flux), lm.moteur().longueur(lm.flux));
    lm.moteur().fermer();
    std::vector<float> son = sans_silence(lire_flottants(fichier));
    EXPECT_GT(son.size() / 2, std::size_t(4410));
    EXPECT_NEAR(frequence(cote(son, kGauche)), 1000.0, 5.0);
}

// Random calls from the GUI thread while the device thread mixes as fast as
// it can (disk driver into /dev/null, no delay): no crash, no hang, and the
// queries stay consistent after every call.
TEST(SortieSDL, RandomCallsWhileTheDeviceMixes) {
    Environnement env;
    env.definir("SDL_AUDIODRIVER", "disk");
    env.definir("SDL_DISKAUDIOFILE", "/dev/null");
    env.definir("SDL_DISKAUDIODELAY", "0");
    lecteur_media lm;
    ASSERT_TRUE(lm.moteur().initialise());
    vt::MoteurAudio& m = lm.moteur();
    const char* fichiers[] = {"ton440.mp3",    "court.wav",   "ton1000.ogg", "court.wma",
                              "deux_tons.mp3", "tronque.mp3", "texte.txt",   "ton440.flac"};
    std::mt19937 alea(20261207);
    std::vector<std::pair<int, int>> ouverts;  // stream, channel
    for (int i = 0; i < 2000; ++i) {
        std::size_t k = ouverts.empty() ? 0 : alea() % ouverts.size();
        switch (alea() % 10) {
            case 0:
            case 1: {
                if (ouverts.size() >= 4) break;
                int f = m.ouvrir_flux(fixture(fichiers[alea() % 8]));
                ouverts.emplace_back(f, m.jouer_flux(-1, f));
                break;
            }
            case 2:
                if (ouverts.empty()) break;
                m.arreter_flux(ouverts[k].first);
                m.fermer_flux(ouverts[k].first);
                ouverts.erase(ouverts.begin() + std::ptrdiff_t(k));
                break;
            case 3:
                if (!ouverts.empty()) m.aller_a_ms(ouverts[k].first, std::int64_t(alea() % 1200) - 100);
                break;
            case 4:
                if (!ouverts.empty()) m.mettre_en_pause(ouverts[k].second, alea() % 2);
                break;
            case 5:
                if (!ouverts.empty()) m.definir_volume(ouverts[k].second, int(alea() % 300) - 20);
                break;
            case 6:
                if (!ouverts.empty()) m.definir_pan(ouverts[k].second, int(alea() % 256));
                break;
            case 7:
                if (!ouverts.empty()) m.definir_muet(ouverts[k].second, alea() % 2);
                break;
            case 8:
                if (!ouverts.empty()) ouverts[k].second = m.jouer_flux(-1, ouverts[k].first);
                break;
            default:
                std::this_thread::sleep_for(std::chrono::microseconds(alea() % 300));
                break;
        }
        for (auto [f, c] : ouverts) {
            std::int64_t t = m.temps_ms(f), l = m.longueur_ms(f);
            ASSERT_GE(t, 0);
            if (l > 0) {
                ASSERT_LE(t, l);
            }
            ASSERT_LE(m.position(f), m.longueur(f));
            if (m.en_pause(c)) {
                ASSERT_TRUE(m.en_lecture(c));
            }
        }
    }
    for (auto [f, c] : ouverts) m.fermer_flux(f);
}

}  // namespace
