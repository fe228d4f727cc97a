// What follows a track joins it without a gap, decided at the decoder's end
// and shown once heard; on the engine with the hand-pumped output.
#include "lecteur_manuel.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <functional>

namespace {

using Fin = vt::Lecteur::Fin;

constexpr int kTaux = 44100;

// Frames [debut, debut + n) of one stereo tone (440 Hz left, 660 Hz right,
// amplitude 0.5), in 16-bit samples.
std::vector<short> ton(std::size_t debut, std::size_t n) {
    std::vector<short> v(2 * n);
    for (std::size_t i = 0; i < 2 * n; ++i)
        v[i] = short(
            std::lround(16383 * std::sin(2 * M_PI * (i % 2 ? 660 : 440) * double(debut + i / 2) / kTaux)));
    return v;
}

std::string ecrire(const std::string& chemin, int format, const std::vector<short>& v) {
    SF_INFO info{0, kTaux, 2, format, 0, 0};
    SNDFILE* sf = sf_open(chemin.c_str(), SFM_WRITE, &info);
    sf_writef_short(sf, v.data(), sf_count_t(v.size() / 2));
    sf_close(sf);
    return chemin;
}

constexpr int kWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16, kFlac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;

// The cut falls between two zero crossings, so that a dropped, repeated or
// silent frame shows.
constexpr std::size_t kTramesA = 30001, kTramesB = 21999;

class Enchainement : public vt::test::LecteurManuel {
protected:
    // Two halves of the tone, then `autres` more copies of the second.
    void deux_moities(int format, int autres = 0) {
        a = ton(0, kTramesA);
        b = ton(kTramesA, kTramesB);
        liste.ajouter_nommes_par_dernier_separateur({ecrire(d / "a", format, a)});
        const std::string chemin_b = ecrire(d / "b", format, b);
        for (int k = 0; k <= autres; ++k) liste.ajouter_nommes_par_dernier_separateur({chemin_b});
    }
    // Starts `ligne` and waits until its decoder's end has been taken.
    void demarrer(int ligne, bool file_attendue) {
        lecteur->selectionner(ligne);
        ASSERT_TRUE(lecteur->jouer());
        const vt::MoteurAudio& m = lecteur->media().moteur();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m.decodage_fini(lecteur->media().flux); }, 5000));
        if (file_attendue) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return lecteur->entree_en_file().has_value(); }, 5000));
        }
        QTest::qWait(20);  // the decoder's end reaches the player
    }

    vt::test::DossierTemp d;
    std::vector<short> a, b;
};

enum class Mode { Boucle, Repetition, Hasard };

struct CasJoint {
    const char* nom;
    int format;
    Mode mode;
    int depart = 0;  // 1: from the last entry, which wraps to the first
};

class JointExact : public Enchainement, public ::testing::WithParamInterface<CasJoint> {};

// The frames rendered for a track and what follows it are the frames of
// the files, one after the other, bit for bit at full volume and centred
// balance: no silence, no dropped or repeated frame, no level change. The
// selection, the playing entry and the started-track signal (which the
// windows, the media service and the screen readers follow) change when the
// first frame of what follows is heard, not when it is queued.
TEST_P(JointExact, FramesAreTheFilesOneAfterTheOther) {
    const CasJoint c = GetParam();
    deux_moities(c.format);
    lecteur->definir_boucle(c.mode == Mode::Boucle);
    lecteur->definir_repetition(c.mode == Mode::Repetition);
    lecteur->definir_aleatoire(c.mode == Mode::Hasard);
    demarrer(c.depart, true);
    // Repeat plays the entry again, the others the other half.
    const int suivante = c.mode == Mode::Repetition ? c.depart : 1 - c.depart;
    std::vector<short> attendu = c.depart == 0 ? a : b;
    const std::size_t joint = attendu.size() / 2;
    const std::vector<short>& suite = suivante == 0 ? a : b;
    attendu.insert(attendu.end(), suite.begin(), suite.end());
    const std::uint64_t numero = lecteur->piste_jouee()->numero;
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture),
        fins(lecteur.get(), &vt::Lecteur::fin_de_piste);
    std::vector<float> rendu = rendre(joint - 100);
    EXPECT_TRUE(lectures.isEmpty() && fins.isEmpty() && lecteur->courant() == c.depart &&
                lecteur->piste_jouee()->numero == numero);
    EXPECT_GT(lecteur->temps_ms(), std::int64_t(joint * 1000 / kTaux) - 80);
    rendu = rendre(joint + 100, std::move(rendu));
    ASSERT_EQ(lectures.count(), 1);
    EXPECT_EQ(lectures.at(0).at(0).toInt(), suivante);
    constexpr Fin kFins[] = {Fin::EntreeSuivante, Fin::Repetition, Fin::Hasard};  // by mode
    EXPECT_EQ(fins.at(0).at(0).value<Fin>(), kFins[int(c.mode)]);
    EXPECT_TRUE(lecteur->courant() == suivante && lecteur->piste_jouee()->ligne == suivante &&
                lecteur->piste_jouee()->numero == numero + 1);
    EXPECT_LT(lecteur->temps_ms(), 10);
    EXPECT_EQ(lecteur->tic().fin, Fin::PasDeFin);          // the tick after the join decides nothing more
    rendu = rendre(attendu.size() / 2, std::move(rendu));  // what follows to its end
    std::size_t i = 0;
    while (i < attendu.size() && rendu[i] == float(attendu[i]) / 32768.0f) ++i;
    EXPECT_EQ(i, attendu.size()) << "first differing frame " << i / 2 << " (join at " << joint << ")";
    EXPECT_EQ(lecteur->courant(), suivante);
}

INSTANTIATE_TEST_SUITE_P(Table, JointExact,
                         ::testing::Values(CasJoint{"WavLoop", kWav, Mode::Boucle},
                                           CasJoint{"WavLoopWraps", kWav, Mode::Boucle, 1},
                                           CasJoint{"WavRepeat", kWav, Mode::Repetition},
                                           CasJoint{"WavRandom", kWav, Mode::Hasard},
                                           CasJoint{"FlacLoop", kFlac, Mode::Boucle},
                                           CasJoint{"FlacRepeat", kFlac, Mode::Repetition},
                                           CasJoint{"FlacRandom", kFlac, Mode::Hasard}),
                         [](const auto& i) { return std::string(i.param.nom); });

// The join rendered but its events not taken yet: the ended track reads
// as played out, and the tick still leaves the end to the queued entry (a
// second decision would start another entry over it).
TEST_F(Enchainement, TickBeforeTheJoinIsTakenDecidesNothing) {
    deux_moities(kWav, 1);
    lecteur->definir_boucle(true);
    demarrer(0, true);
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture);
    sortie->pomper(kTramesA + 1000);
    ASSERT_TRUE(lecteur->transport().fin_atteinte());
    EXPECT_EQ(lecteur->tic().fin, Fin::PasDeFin);
    lecteur->traiter_evenements();
    ASSERT_EQ(lectures.count(), 1);
    EXPECT_EQ(lectures.at(0).at(0).toInt(), 1);
}

// What is chosen before the join is heard decides what follows: a row
// clicked, a box ticked, the loop flag or the list changed after the
// decoder's end.
enum class Geste { Selection, BoucleCoupee, Repetition, BoucleMise, SuiteRetiree };

struct CasRedecision {
    const char* nom;
    bool boucle;
    Geste geste;
    int suite;  // the entry that follows; -1: nothing
    Fin fin;
};

class Redecision : public Enchainement, public ::testing::WithParamInterface<CasRedecision> {};

TEST_P(Redecision, ChangeBeforeTheJoinChangesWhatFollows) {
    const CasRedecision c = GetParam();
    deux_moities(kWav, 1);  // a, b, b
    lecteur->definir_boucle(c.boucle);
    demarrer(0, c.boucle);
    rendre(kTramesA / 2);
    switch (c.geste) {
        case Geste::Selection:
            lecteur->selectionner(1);
            break;
        case Geste::BoucleCoupee:
            lecteur->definir_boucle(false);
            break;
        case Geste::Repetition:
            lecteur->definir_repetition(true);
            break;
        case Geste::BoucleMise:
            lecteur->definir_boucle(true);
            break;
        case Geste::SuiteRetiree:
            liste.supprimer(1);
            break;
    }
    ASSERT_EQ(lecteur->entree_en_file() ? lecteur->entree_en_file()->ligne : -1, c.suite);
    QSignalSpy fins(lecteur.get(), &vt::Lecteur::fin_de_piste);
    const std::vector<float> rendu = rendre(kTramesA / 2 + 2000);
    const std::size_t apres = kTramesA - kTramesA / 2 + 1000;  // in what follows
    lecteur->tic();
    // With nothing queued the track plays out and the tick ends it.
    ASSERT_EQ(fins.count(), 1);
    EXPECT_EQ(fins.at(0).at(0).value<Fin>(), c.fin);
    EXPECT_EQ(lecteur->piste_jouee()->ligne, std::max(c.suite, 0));
    EXPECT_EQ(rendu[2 * apres] != 0.0f, c.suite >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Redecision,
    ::testing::Values(CasRedecision{"RowClicked", true, Geste::Selection, 2, Fin::EntreeSuivante},
                      CasRedecision{"LoopOff", true, Geste::BoucleCoupee, -1, Fin::Arret},
                      CasRedecision{"RepeatTicked", true, Geste::Repetition, 0, Fin::Repetition},
                      CasRedecision{"LoopOn", false, Geste::BoucleMise, 1, Fin::EntreeSuivante},
                      CasRedecision{"NextRowRemoved", true, Geste::SuiteRetiree, 1, Fin::EntreeSuivante}),
    [](const auto& i) { return std::string(i.param.nom); });

// Commands in the middle of the tone fade out and in: no sample jumps
// further than the tone moves plus one step of the ramp.
TEST_F(Enchainement, CommandsMidToneNeverJump) {
    deux_moities(kWav, 1);
    lecteur->definir_boucle(true);
    demarrer(0, true);
    const double pente = 2 * M_PI * 660 * 0.5 / kTaux + 0.5 / 256;
    std::vector<float> tout = rendre(4000);
    const std::function<void()> gestes[] = {[&] { lecteur->pause(); },         [&] { lecteur->jouer(); },
                                            [&] { lecteur->aller_a_ms(300); }, [&] { lecteur->suivant(); },
                                            [&] { lecteur->precedent(); },     [&] { lecteur->relancer(); },
                                            [&] { lecteur->arreter(); }};
    for (const auto& geste : gestes) {
        geste();
        tout = rendre(tout.size() / 2 + 3000, std::move(tout));
    }
    double saut = 0;
    for (std::size_t i = 2; i < tout.size(); ++i)
        saut = std::max(saut, double(std::fabs(tout[i] - tout[i - 2])));
    EXPECT_LT(saut, 2 * pente);
}

}  // namespace

// Short entries are queued ahead of what is heard (each is read whole before
// the one before it is heard): each is decided from the entry queued before
// it, not from the current one. WAV and FLAC in turn, looped.
TEST_F(Enchainement, ShortEntriesQueuedAheadFollowTheEntryBeforeThem) {
    const std::vector<short> court = ton(0, 3000);
    for (int k = 0; k < 4; ++k)
        liste.ajouter_nommes_par_dernier_separateur(
            {ecrire(d / ("c" + std::to_string(k)), k % 2 ? kFlac : kWav, court)});
    // The entries the decisions went from, when not the current one.
    std::vector<int> devant;
    lecteur->transport().definir_regle(
        [&] { return lecteur->courant(); },
        [&](int depuis) {
            if (depuis != lecteur->courant()) devant.push_back(depuis);
            return vt::regle_fin(liste.nombre(), depuis, vt::ModesFin{false, false, true});
        });
    demarrer(0, true);
    QSignalSpy lectures(lecteur.get(), &vt::Lecteur::lecture);
    // Before each period, every open stream (handles count from 1) has read
    // its file and the player has taken what that tells.
    const vt::MoteurAudio& m = lm().moteur();
    for (int periode = 0; periode < (4 * 3000 + 1500) / 512; ++periode) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (int id = 1; id < 64; ++id)
                    if (m.longueur(id) != 0 && !m.decodage_fini(id)) return false;
                return true;
            },
            5000));
        vider_boucle();
        sortie->pomper(512);
        vider_boucle();
    }
    EXPECT_EQ(devant, (std::vector<int>{1, 2, 3, 0}));
    ASSERT_EQ(lectures.count(), 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(lectures.at(k).at(0).toInt(), (k + 1) % 4);
}
