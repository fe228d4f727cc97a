// Corrupt and unreadable media through the real windows: named on the
// command line, dropped on the main window, loaded from a play list, and
// walked across with next and back, by hand and by the timer. The player
// never stops answering, the status text tells what happened ("Lecture : "
// and the name for a file that opens, "Lecture impossible : " and the name
// for one that does not, never shown as playing), and the next good file
// plays.
#include "playlist/fichiers_playlist.h"
#include "playlist/liste_courante.h"
#include "ui/fixture.h"

#include <sys/stat.h>
#include <QMimeData>
#include <QUrl>

namespace {

using vt::test::FenetresTest;

const std::string kLecture = "Lecture : ";
const std::string kImpossible = "Lecture impossible : ";

// The status text of an entry that opened or not.
std::string lecture(const std::string& nom, bool ouvert) { return (ouvert ? kLecture : kImpossible) + nom; }

// The corrupt fixtures; those that hold some decodable sound play it and end
// (the others cannot be opened at all).
struct Corrompu {
    const char* nom;
    bool joue_un_peu;
};
const Corrompu kCorrompus[] = {
    {"vide.mp3", false},   {"aleatoire.mp3", false}, {"tronque.mp3", true},
    {"menteur.wav", true}, {"texte.txt", false},     {"image.png", false},
};

void PrintTo(const Corrompu& c, std::ostream* os) { *os << c.nom; }

class Corrompus : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        app.ecrire("playlist/.garde", "");
    }
    void demarrer_sans_minuteur(std::optional<std::string> fichier = std::nullopt) {
        demarrer(std::move(fichier));
        module->lecteur->arreter_horloge();  // the test ticks by hand
    }
    // Pumps up to `ms` of output in 100 ms steps with a tick after each, as
    // the real timer would run; stops early once nothing plays.
    void laisser_jouer(int ms) {
        for (int t = 0; t < ms; t += 100) {
            if (!joue()) break;
            pomper_ms(100);
            module->lecteur->tic();
        }
    }
    // The status text, as UTF-8 so that failures print it readably.
    std::string statut() const { return f1->label_affiche->text().toStdString(); }
    // Pumps until the current track reaches its end (at most 5 s), then ticks once.
    void jusqua_la_fin() {
        for (int t = 0; t < 5000 && joue(); t += 100) {
            if (lecteur().moteur().position(lecteur().flux) == lecteur().moteur().longueur(lecteur().flux))
                break;
            pomper_ms(100);
        }
        module->lecteur->tic();
    }
    void suivant() {
        appui(f1->image_next);
        relache(f1->image_next);
    }
    void precedent() {
        appui(f1->image_back);
        relache(f1->image_back);
    }
    // The list's entries after a drop of the corrupt fixtures under audio
    // names (a text and a picture named as sound, a missing file, a folder),
    // then one good file; `ouverts` tells which ones open.
    std::vector<std::string> fichiers_deposes(std::vector<bool>* ouverts = nullptr) {
        std::vector<std::string> v;
        if (ouverts) {
            for (const Corrompu& c : kCorrompus) ouverts->push_back(c.joue_un_peu);
            ouverts->insert(ouverts->end(), {false, false, true});
        }
        for (const Corrompu& c : kCorrompus) {
            std::string nom = c.nom;
            if (nom == "texte.txt") nom = "texte.mp3";
            if (nom == "image.png") nom = "image.wav";
            v.push_back(fixture(c.nom, nom));
        }
        v.push_back(app / "absent.mp3");
        ::mkdir((app / "dossier.wma").c_str(), 0700);
        v.push_back(app / "dossier.wma");
        v.push_back(fixture("ton440.wav"));
        return v;
    }
};

class CorrompuEnArgument : public Corrompus, public ::testing::WithParamInterface<Corrompu> {};

// A corrupt file named on the command line is added, selected and played
// if it opens: the status names it, what little it holds plays out, nothing
// hangs; then a good file dropped after it starts with next.
TEST_P(CorrompuEnArgument, CorruptFileAtStartThenNextGoodFilePlays) {
    const Corrompu c = GetParam();
    demarrer_sans_minuteur(fixture(c.nom));
    ASSERT_EQ(module->liste.nombre(), 1);
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(statut(), lecture(c.nom, c.joue_un_peu));
    EXPECT_EQ(montre(f1->image_play, "image_playon"), c.joue_un_peu);
    if (!c.joue_un_peu) {
        pomper_ms(200);
        EXPECT_FALSE(joue()) << c.nom;
    }
    laisser_jouer(3000);
    EXPECT_FALSE(joue()) << c.nom << " still plays after 3 s";
    // Played out, it says what the media service says (stopped), and scrolls.
    module->lecteur->tic();
    EXPECT_EQ(statut(), c.joue_un_peu ? std::string("vantrel  en attente ...") : lecture(c.nom, false));
    EXPECT_TRUE(f1->label_lecture->text().endsWith(f1->label_affiche->text()));

    f1->deposer({fixture("ton440.wav")});
    suivant();
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_EQ(statut(), kLecture + "ton440.wav");
    ASSERT_TRUE(joue());
    pomper_ms(300);
    EXPECT_GE(lecteur().moteur().temps_ms(lecteur().flux), 250);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CorrompuEnArgument, ::testing::ValuesIn(kCorrompus),
                         [](const ::testing::TestParamInfo<Corrompu>& i) {
                             std::string n = i.param.nom;
                             for (char& ch : n)
                                 if (ch == '.') ch = '_';
                             return n;
                         });

// Dropped through the window's drop event, the corrupt files are walked with
// next to the good one at the end, then with back to the first: at every
// step the selection moves by one and the status names the entry.
TEST_F(Corrompus, DroppedFilesNextAndBackAcrossThem) {
    demarrer_sans_minuteur();
    std::vector<bool> ouverts;
    const std::vector<std::string> fichiers = fichiers_deposes(&ouverts);
    QMimeData donnees;
    QList<QUrl> urls;
    for (const std::string& f : fichiers)
        urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(f)));
    donnees.setUrls(urls);
    QDropEvent depot(QPointF(20, 60), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(f1)->event(&depot);
    const int n = int(fichiers.size());
    ASSERT_EQ(module->liste.nombre(), n);

    f1->selectionner(0);
    appui(f1->image_play);
    EXPECT_EQ(statut(), kImpossible + "vide.mp3");
    for (int i = 1; i < n; ++i) {
        laisser_jouer(200);
        suivant();
        ASSERT_EQ(f1->index_courant(), i);
        EXPECT_EQ(statut(), lecture(module->liste.nom(i), ouverts[i]));
        EXPECT_EQ(montre(f1->image_play, "image_playon"), bool(ouverts[i]));
    }
    ASSERT_TRUE(joue());  // the good file, last
    pomper_ms(300);
    module->lecteur->tic();
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 00"));
    pomper_ms(800);
    module->lecteur->tic();
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 01"));

    for (int i = n - 2; i >= 0; --i) {
        precedent();
        ASSERT_EQ(f1->index_courant(), i);
        EXPECT_EQ(statut(), lecture(module->liste.nom(i), ouverts[i]));
        laisser_jouer(200);
    }
    precedent();  // back on the first entry does nothing
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(statut(), kImpossible + "vide.mp3");
    // Next wraps from the last entry to the first, good or not.
    f1->selectionner(n - 1);
    suivant();
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_FALSE(joue());
}

// A play list naming corrupt files (any name: play lists are not filtered),
// a missing one and a folder, with one good file among them: chosen in the
// selector, then walked with the notification menu's next and back.
TEST_F(Corrompus, PlayListOfCorruptFilesNextAndBack) {
    std::vector<std::string> chemins;
    for (const Corrompu& c : kCorrompus) chemins.push_back(fixture(c.nom));
    chemins.insert(chemins.begin() + 3, fixture("ton440.mp3"));
    chemins.push_back(app / "absent.flac");
    chemins.push_back(app.chemin());
    app.ecrire("playlist/corrompus.vtlist", vt::texte_playlist(chemins));
    demarrer_sans_minuteur();
    f1->ComboplaylistEnter();
    ASSERT_EQ(f1->Comboplaylist->count(), 1);
    f1->Comboplaylist->setCurrentIndex(0);
    f1->ComboplaylistChange();
    ASSERT_EQ(module->liste.nombre(), int(chemins.size()));
    ASSERT_EQ(f1->index_courant(), 0);

    // Those that open: tronque.mp3, ton440.mp3 and menteur.wav.
    const std::vector<bool> ouverts = {false, false, true, true, true, false, false, false, false};
    ASSERT_EQ(ouverts.size(), chemins.size());
    f1->list_lectureDblClick();
    for (int i = 1; i < int(chemins.size()); ++i) {
        laisser_jouer(200);
        actions().suivant->trigger();
        ASSERT_EQ(f1->index_courant(), i);
        EXPECT_EQ(statut(), lecture(module->liste.nom(i), ouverts[i]));
        EXPECT_TRUE(montre(f1->image_next, "image_nextoff"));
        if (i == 3) {
            EXPECT_TRUE(joue()) << "the good file";
            EXPECT_EQ(statut(), kLecture + "ton440.mp3");
        }
    }
    // The last entry is the app folder itself: its display name is empty.
    EXPECT_EQ(statut(), kImpossible);
    EXPECT_FALSE(joue());
    for (int i = int(chemins.size()) - 2; i >= 3; --i) {
        actions().precedent->trigger();
        ASSERT_EQ(f1->index_courant(), i);
        EXPECT_EQ(statut(), lecture(module->liste.nom(i), ouverts[i]));
    }
    ASSERT_TRUE(joue());
    pomper_ms(400);
    EXPECT_GE(lecteur().moteur().temps_ms(lecteur().flux), 350);
    // Stop then play again on a corrupt entry: the transport texts still follow.
    actions().precedent->trigger();
    actions().precedent->trigger();
    ASSERT_EQ(f1->index_courant(), 1);
    actions().arreter->trigger();
    EXPECT_EQ(statut(), "vantrel  en attente ...");
    actions().jouer->trigger();
    EXPECT_EQ(statut(), kImpossible + "aleatoire.mp3");
    clic(f1->image_pause);  // nothing plays: pause does nothing
    EXPECT_EQ(statut(), kImpossible + "aleatoire.mp3");
}

// With the loop flag on, files that play a little and then end are followed
// by the timer's advance, and the good file after them plays; a file that
// cannot be opened is reported and passed over at once, as if it had ended.
TEST_F(Corrompus, TimerAdvancesPastFilesThatEndEarly) {
    ecrire_config("skin/default/", "default.sk", 194, 235, "playlist/", true);  // loop on
    demarrer_sans_minuteur();
    f1->deposer({fixture("tronque.mp3"), fixture("menteur.wav"), fixture("ton440.wav"), fixture("vide.mp3"),
                 fixture("court.wav")});
    f1->selectionner(0);
    appui(f1->image_play);
    EXPECT_EQ(statut(), kLecture + "tronque.mp3");
    jusqua_la_fin();
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_EQ(statut(), kLecture + "menteur.wav");
    jusqua_la_fin();
    EXPECT_EQ(f1->index_courant(), 2);
    EXPECT_EQ(statut(), kLecture + "ton440.wav");
    ASSERT_TRUE(joue());
    jusqua_la_fin();
    // The empty file after it opens nothing: reported, never shown as
    // playing, and the advance goes on to the last good file.
    EXPECT_EQ(f1->index_courant(), 3);
    EXPECT_EQ(statut(), kImpossible + "vide.mp3");
    EXPECT_TRUE(montre(f1->image_play, "image_playoff"));
    EXPECT_FALSE(joue());
    QCoreApplication::processEvents();
    EXPECT_EQ(f1->index_courant(), 4);
    EXPECT_EQ(statut(), kLecture + "court.wav");
    EXPECT_TRUE(joue());
}

}  // namespace
