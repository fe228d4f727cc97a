// Joins through PulseAudio, where a queued file is mixed in about a second
// before it is heard: the player names what is heard, never what is mixed.
// Against the private daemon of tests/audio/serveur_pulse.h; real time.
#include "audio/serveur_pulse.h"
#include "audio/sortie_pulse.h"
#include "player/lecteur.h"
#include "playlist/liste_courante.h"
#include "support/dossier_temp.h"
#include "support/wav.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <utility>
#include <vector>

#if VANTREL_AVEC_PULSE

namespace {

using Horloge = std::chrono::steady_clock;

class JointsPulse : public ::testing::Test {
protected:
    void SetUp() override {
        demon = std::make_unique<vt::test::pulse::DemonPulse>();
        if (!demon->pret()) GTEST_SKIP() << "no private PulseAudio daemon: " << demon->raison();
        env.definir("PULSE_SERVER", demon->serveur());
        lecteur = std::make_unique<vt::Lecteur>(
            liste, std::make_unique<vt::SortiePulse>(vt::SortiePulse::Repli::Silence));
        lecteur->arreter_horloge();  // ticks by hand
    }
    // `n` entries of `ms` of a tone each, looped.
    void remplir(int n, int ms) {
        for (int k = 0; k < n; ++k)
            liste.ajouter_nommes_par_dernier_separateur({dossier.ecrire(
                "e" + std::to_string(k) + ".wav", vt::test::octets_wav(ms, 440.0 + 110 * k))});
        lecteur->definir_boucle(true);
        lecteur->selectionner(0);
    }

    vt::test::DossierTemp dossier;
    vt::test::Environnement env;
    std::unique_ptr<vt::test::pulse::DemonPulse> demon;
    vt::ListeCourante liste;
    std::unique_ptr<vt::Lecteur> lecteur;
};

// The next entry is told as started when its first frame is heard: never
// before the first entry's 1.5 s have been heard, counted in the output's
// heard frames from its start (the server holds a buffer that the wall
// clock of a start does not show).
TEST_F(JointsPulse, NextEntryIsToldWhenHeardNotWhenMixed) {
    remplir(2, 1500);
    vt::SortieAudio& sortie = *lecteur->media().moteur().sortie();
    std::vector<std::int64_t> entendues;  // as each start is told
    std::vector<int> lignes;
    QObject::connect(lecteur.get(), &vt::Lecteur::lecture, [&](int ligne) {
        entendues.push_back(sortie.trames_entendues());
        lignes.push_back(ligne);
    });
    ASSERT_TRUE(lecteur->jouer());
    ASSERT_TRUE(QTest::qWaitFor([&] { return lignes.size() == 2; }, 5000));
    EXPECT_EQ(lignes, (std::vector<int>{0, 1}));
    EXPECT_GE(entendues[1] - entendues[0], 1500 * 44100 / 1000);
}

// Entries shorter than what the server holds follow one another as they
// are heard, 50 ms apart (a missed join costs the end hold: 300 ms).
TEST_F(JointsPulse, ShortEntriesFollowWithoutAGap) {
    remplir(6, 50);
    std::vector<std::pair<int, Horloge::time_point>> lectures;
    QObject::connect(lecteur.get(), &vt::Lecteur::lecture,
                     [&](int ligne) { lectures.emplace_back(ligne, Horloge::now()); });
    ASSERT_TRUE(lecteur->jouer());
    ASSERT_TRUE(QTest::qWaitFor([&] { return lectures.size() >= 24; }, 6000)) << lectures.size();
    // From the fourth on: the start's own wait for the server is over.
    const double ms =
        std::chrono::duration<double, std::milli>(lectures[23].second - lectures[3].second).count();
    EXPECT_LT(ms, 20 * 50 + 150);
    for (std::size_t k = 1; k < lectures.size(); ++k)
        EXPECT_EQ(lectures[k].first, (lectures[k - 1].first + 1) % 6) << k;
}

// A change made 150 ms before a join decides what follows, as if made
// earlier: the queued entry is withdrawn unheard. Playing the first of
// three looped entries, the second would follow. Another client plays and
// records as the player does, so that the sink reads half a second ahead,
// as on a quiet desktop: the queued entry is mixed in before the change.
// A seek as late is heard too: what follows waits for the track's new end.
struct ChangementTardif {
    const char* nom;
    void (*changer)(vt::Lecteur&, vt::ListeCourante&);
    const char* suivante;  // the file heard next; nullptr: none, the player stops
    int ligne;             // its row then
    int pas_avant_ms;      // nothing is heard next sooner after the change
};

// The sanitizer run is too slow for the last tenth of a second: it checks
// the same rows a little earlier.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::int64_t kAvantJointMs = 200;
#else
constexpr std::int64_t kAvantJointMs = 150;
#endif

class JointsPulseTardifs : public JointsPulse, public ::testing::WithParamInterface<ChangementTardif> {
protected:
    void SetUp() override {
        JointsPulse::SetUp();
        if (IsSkipped()) return;
        client = std::make_unique<vt::test::pulse::Client>(demon->serveur());
        ASSERT_TRUE(client->pret() && client->jouer_reference() && client->enregistrer());
    }
    std::unique_ptr<vt::test::pulse::Client> client;
};

// The engine tells a join heard once the heard count reaches the output
// frame where the queued stream's first frame went out (that frame is the
// heard count less the stream's heard position, read once it plays), not
// when the mixer wrote it.
TEST_F(JointsPulse, JoinIsToldOnceItsFirstFrameIsHeard) {
    lecteur_media lm(std::make_unique<vt::SortiePulse>(vt::SortiePulse::Repli::Silence));
    vt::MoteurAudio& m = lm.moteur();
    vt::SortieAudio& sortie = *m.sortie();
    const int a = m.ouvrir_flux(dossier.ecrire("a.wav", vt::test::octets_wav(300, 440.0)));
    const int b = m.ouvrir_flux(dossier.ecrire("b.wav", vt::test::octets_wav(800, 660.0)));
    const int canal = m.jouer_flux(-1, a);
    ASSERT_TRUE(canal >= 0 && m.enchainer_flux(canal, b));
    std::int64_t attente = -1, dit = -1;
    const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (dit < 0 && std::chrono::steady_clock::now() < fin) {
        for (const auto& e : m.evenements(attente))
            if (e.type == vt::MoteurAudio::Evenement::Type::Entendu && e.flux == b)
                dit = sortie.trames_entendues();
        QTest::qWait(1);
    }
    ASSERT_GE(dit, 0) << "never told";
    ASSERT_TRUE(QTest::qWaitFor([&] { return m.position(b) > 441; }, 2000));
    const std::int64_t joint = sortie.trames_entendues() - m.position(b);
    EXPECT_GE(dit, joint - 8);
}

TEST_P(JointsPulseTardifs, LateChangeDecidesWhatFollows) {
    remplir(3, 1500);
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture);
    ASSERT_TRUE(lecteur->jouer());
    const std::int64_t total = lecteur->longueur_ms();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lecteur->temps_ms() >= total - kAvantJointMs; }, 5000));
    GetParam().changer(*lecteur, liste);
    const Horloge::time_point change = Horloge::now();
    if (!GetParam().suivante) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !lecteur->en_lecture(); }, 4000));
        EXPECT_EQ(lectures.count(), 1);
        return;
    }
    // Within a second: not after the withdrawn entry (1.5 s) has played.
    ASSERT_TRUE(QTest::qWaitFor([&] { return lectures.count() == 2; }, 1000));
    EXPECT_GE(Horloge::now() - change, std::chrono::milliseconds(GetParam().pas_avant_ms));
    QTest::qWait(100);  // nothing else is told heard after it
    ASSERT_EQ(lectures.count(), 2);
    EXPECT_EQ(lectures.at(1).at(0).toInt(), GetParam().ligne);
    ASSERT_TRUE(lecteur->piste_jouee());
    const std::string chemin = lecteur->piste_jouee()->chemin;
    EXPECT_EQ(chemin.substr(chemin.rfind('/') + 1), GetParam().suivante);
}

INSTANTIATE_TEST_SUITE_P(
    Changements, JointsPulseTardifs,
    ::testing::Values(
        ChangementTardif{"RowChosen", [](vt::Lecteur& l, vt::ListeCourante&) { l.selectionner(1); }, "e2.wav",
                         2, 0},
        ChangementTardif{"NextRowDeleted", [](vt::Lecteur&, vt::ListeCourante& li) { li.supprimer(1); },
                         "e2.wav", 1, 0},
        ChangementTardif{"RepeatTicked",
                         [](vt::Lecteur& l, vt::ListeCourante&) { l.definir_repetition(true); }, "e0.wav", 0,
                         0},
        ChangementTardif{"LoopOff", [](vt::Lecteur& l, vt::ListeCourante&) { l.definir_boucle(false); },
                         nullptr, -1, 0},
        ChangementTardif{"SoughtBack", [](vt::Lecteur& l, vt::ListeCourante&) { l.aller_a_ms(1200); },
                         "e1.wav", 1, 250}),
    [](const auto& info) { return std::string(info.param.nom); });

}  // namespace

#endif
