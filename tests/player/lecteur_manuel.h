#pragma once
// The player's tests' one fixture: a play list, the player on the engine
// with the hand-pumped output, and the pumps that run it.
#include "audio/sortie_manuelle.h"
#include "player/lecteur.h"
#include "playlist/liste_courante.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

#include <memory>
#include <string>
#include <vector>

namespace vt::test {

inline std::string fichier_essai(const std::string& nom) {
    return std::string(VANTREL_FIXTURES_DIR) + "/" + nom;
}

class LecteurManuel : public ::testing::Test {
protected:
    void SetUp() override {
        auto s = std::make_unique<SortieManuelle>();
        sortie = s.get();
        lecteur = std::make_unique<Lecteur>(liste, std::move(s));
    }
    lecteur_media& lm() { return lecteur->media(); }
    std::vector<float> pomper_ms(int ms) {
        return sortie->pomper(static_cast<std::size_t>(ms) * 44100 / 1000);
    }
    // Pumps until the playing stream's read position reaches its length.
    void jusqua_la_fin() {
        for (int k = 0; k < 400 && lm().moteur().position(lm().flux) != lm().moteur().longueur(lm().flux);
             ++k)
            sortie->pomper(1024);
        ASSERT_EQ(lm().moteur().position(lm().flux), lm().moteur().longueur(lm().flux));
    }
    // Pumps until `tout` holds `trames` frames, the event loop running
    // between periods.
    std::vector<float> rendre(std::size_t trames, std::vector<float> tout = {}) {
        while (tout.size() / 2 < trames) {
            const std::vector<float> v = sortie->pomper(std::min<std::size_t>(512, trames - tout.size() / 2));
            tout.insert(tout.end(), v.begin(), v.end());
            QCoreApplication::processEvents();
        }
        return tout;
    }
    // Runs what the event loop has waiting until nothing is left.
    static void vider_boucle() {
        for (int k = 0; k < 50; ++k) QCoreApplication::processEvents();
    }

    ListeCourante liste;
    SortieManuelle* sortie = nullptr;
    std::unique_ptr<Lecteur> lecteur;
};

}  // namespace vt::test
