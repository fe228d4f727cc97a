// Play-list files: the text written, the selector's scan of the play-list
// directory, loading a chosen play list and the targets of both writers.
#include "playlist/fichiers_playlist.h"
#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "playlist/liste_courante.h"
#include "support/dialogues_scriptes.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using vt::EntreePlaylist;
using vt::test::DossierTemp;
using vt::test::lire_fichier;

std::vector<std::string> noms(const std::vector<EntreePlaylist>& v) {
    std::vector<std::string> r;
    for (const EntreePlaylist& e : v) r.push_back(e.nom);
    return r;
}

std::vector<std::string> fichiers(const std::vector<EntreePlaylist>& v) {
    std::vector<std::string> r;
    for (const EntreePlaylist& e : v) r.push_back(e.fichier);
    return r;
}

// Runs a block with the process's current directory set to `dossier`.
class DansDossier {
public:
    explicit DansDossier(const std::string& dossier) : ancien_(QDir::currentPath()) {
        EXPECT_TRUE(QDir::setCurrent(QFile::decodeName(QByteArray::fromStdString(dossier))));
    }
    ~DansDossier() { QDir::setCurrent(ancien_); }

private:
    QString ancien_;
};

// --- The play-list text --------------------------------------------------

// Each path between its own pair of quotes, nothing else: two paths of 16
// bytes make 36 bytes; no path makes an empty text.
TEST(PlaylistTexte, QuotedPathsWithNothingBetween) {
    std::vector<std::string> deux = {"C:\\Musique\\a.mp3", "C:\\Musique\\b.wav"};
    std::string t = vt::texte_playlist(deux);
    EXPECT_EQ(t, "\"C:\\Musique\\a.mp3\"\"C:\\Musique\\b.wav\"");
    EXPECT_EQ(t.size(), 36u);
    EXPECT_EQ(vt::texte_playlist(std::vector<std::string>{}), "");

    vt::ListeCourante l;
    EXPECT_EQ(vt::texte_playlist(l), "");
    l.ajouter_nommes_par_dernier_separateur(deux);
    l.ajouter_nommes_par_dernier_separateur({""});
    EXPECT_EQ(vt::texte_playlist(l), t + "\"\"");
}

// --- Loading -------------------------------------------------------------

// Written with ecrire and read back with lire_playlist: the same paths, in
// the same order, blanks, accents and non-UTF-8 bytes included.
TEST(PlaylistLecture, WriteThenLoadGivesTheSamePaths) {
    DossierTemp d;
    std::vector<std::string> paths = {
        "/home/user/Musique/Artiste 042/Album 7/12 - Titre du morceau.mp3",
        "  blancs devant et derrière  ",
        "/m/Été/Ça va à l'île.wav",
        std::string("/m/latin1-\xE9t\xE9-\xFF\x80.wma"),
        "C:\\Musique\\x.MP3",
        "/m/A.mp3",
        "/m/A.mp3",
        "nom\tavec\ttabs\net retour.mp3",
    };
    gestion_vantrel p;
    ASSERT_TRUE(p.ecrire(d / "r.vtlist", vt::texte_playlist(paths)));
    auto lu = vt::lire_playlist(d / "r.vtlist");
    ASSERT_TRUE(lu.has_value());
    EXPECT_EQ(*lu, paths);

    vt::ListeCourante l;
    l.remplacer(*lu);
    EXPECT_EQ(vt::texte_playlist(l), lire_fichier(d / "r.vtlist"));
    EXPECT_EQ(l.nom(3), std::string("latin1-\xE9t\xE9-\xFF\x80.wma"));
}

// A name holding a double quote cannot be stored: that entry alone is left
// out of the written list (from a vector or the list); every other comes back.
TEST(PlaylistLecture, NameWithAQuoteCostsNoOtherEntry) {
    DossierTemp d;
    const std::vector<std::string> avec = {"/m/x.wav", "/m/q\"uote.wav", "\"\"\"", "/m/y.wav", "/m/\""};
    vt::ListeCourante l;
    l.remplacer(avec);
    gestion_vantrel p;
    for (const std::string& texte : {vt::texte_playlist(avec), vt::texte_playlist(l)}) {
        ASSERT_TRUE(p.ecrire(d / "q.vtlist", texte));
        EXPECT_EQ(vt::lire_playlist(d / "q.vtlist"), (std::vector<std::string>{"/m/x.wav", "/m/y.wav"}));
    }
}

// An empty file loads as an empty list (not as a failure).
TEST(PlaylistLecture, EmptyFileIsAnEmptyList) {
    DossierTemp d;
    d.ecrire("vide.vtlist", "");
    auto lu = vt::lire_playlist(d / "vide.vtlist");
    ASSERT_TRUE(lu.has_value());
    EXPECT_TRUE(lu->empty());
}

// Line breaks and blanks typed between the quoted paths are ignored; a last
// unpaired quote opens no entry.
TEST(PlaylistLecture, HandEditedFileWithLineBreaks) {
    DossierTemp d;
    d.ecrire("main.vtlist", "\"/m/a.mp3\"\r\n\"/m/b.wav\"\n  \"c.wma\"\n# note\n\"/m/inachev");
    auto lu = vt::lire_playlist(d / "main.vtlist");
    ASSERT_TRUE(lu.has_value());
    EXPECT_EQ(*lu, (std::vector<std::string>{"/m/a.mp3", "/m/b.wav", "c.wma"}));
}

// A file that vanished, a directory with the play-list extension and an
// empty path give nothing.
TEST(PlaylistLecture, UnreadableFileGivesNothing) {
    DossierTemp d;
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(d / "d.vtlist")));
    EXPECT_FALSE(vt::lire_playlist(d / "parti.vtlist").has_value());
    EXPECT_FALSE(vt::lire_playlist(d / "d.vtlist").has_value());
    EXPECT_FALSE(vt::lire_playlist("").has_value());
}

// A file whose extension differs in case loads under its real name, taken
// from the scan.
TEST(PlaylistLecture, MixedCaseExtensionLoadsUnderItsRealName) {
    DossierTemp d;
    d.ecrire("pl/jazz.VTLIST", "\"/m/j.mp3\"");
    auto liste = vt::lister_playlists(d / "pl/");
    ASSERT_EQ(liste.size(), 1u);
    auto lu = vt::lire_playlist(d / "pl/" + liste[0].fichier);
    ASSERT_TRUE(lu.has_value());
    EXPECT_EQ(*lu, std::vector<std::string>{"/m/j.mp3"});
}

// --- Scanning the play-list directory ------------------------------------

// Rock.vtlist and jazz.VTLIST are listed as Rock and jazz; x.txt and names
// whose last extension is something else are not.
TEST(PlaylistScan, OnlyVtlistInAnyCase) {
    DossierTemp d;
    for (const char* n : {"Rock.vtlist", "jazz.VTLIST", "x.txt", "blues.VtList", "vtlist", "a.vtlist.bak",
                          "b.vtlis", "c.xvtlist", "sans"})
        d.ecrire(std::string("pl/") + n, "");
    auto liste = vt::lister_playlists(d / "pl/");
    EXPECT_EQ(noms(liste), (std::vector<std::string>{"blues", "jazz", "Rock"}));
    EXPECT_EQ(fichiers(liste), (std::vector<std::string>{"blues.VtList", "jazz.VTLIST", "Rock.vtlist"}));
}

// a.b.vtlist is a.b, a hidden .h.vtlist is .h, the bare ".vtlist" has an
// empty name, and a sub-directory d.vtlist is d.
TEST(PlaylistScan, DotsHiddenFilesAndSubdirectories) {
    DossierTemp d;
    d.ecrire("pl/a.b.vtlist", "");
    d.ecrire("pl/.h.vtlist", "");
    d.ecrire("pl/.vtlist", "");
    d.ecrire("pl/d.vtlist/dedans.vtlist", "");
    auto liste = vt::lister_playlists(d / "pl/");
    EXPECT_EQ(noms(liste), (std::vector<std::string>{"", ".h", "a.b", "d"}));
}

// Sorted by name ignoring case, accented letters included; names equal but
// for case come in byte order, whatever the enumeration order.
TEST(PlaylistScan, SortedIgnoringCase) {
    DossierTemp d;
    for (const char* n : {"zouk", "Blues", "b", "ab", "Ab", "AB", "Été", "été", "Classique", "10", "2"})
        d.ecrire(std::string("pl/") + n + ".vtlist", "");
    auto liste = vt::lister_playlists(d / "pl/");
    EXPECT_EQ(noms(liste), (std::vector<std::string>{"10", "2", "AB", "Ab", "ab", "b", "Blues", "Classique",
                                                     "zouk", "Été", "été"}));
}

// A missing directory, a file in place of the directory and an empty
// directory give an empty list.
TEST(PlaylistScan, MissingDirectoryGivesNothing) {
    DossierTemp d;
    d.ecrire("fichier", "x");
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(d / "vide")));
    EXPECT_TRUE(vt::lister_playlists(d / "absent/").empty());
    EXPECT_TRUE(vt::lister_playlists(d / "fichier/").empty());
    EXPECT_TRUE(vt::lister_playlists(d / "vide/").empty());
    EXPECT_TRUE(vt::lister_playlists(std::string("a\0b/", 4)).empty());
}

// Without a trailing separator the value is a name prefix: "lists" looks in
// the current directory for names starting with "lists"; the file part is
// what follows the value, so the value plus the file part is the real file.
TEST(PlaylistScan, ValueWithoutTrailingSeparatorIsANamePrefix) {
    DossierTemp d;
    d.ecrire("listsjazz.vtlist", "\"/m/j.mp3\"");
    d.ecrire("lists.vtlist", "");
    d.ecrire("rock.vtlist", "");
    d.ecrire("lists/dedans.vtlist", "");
    DansDossier ici(d.chemin());
    auto liste = vt::lister_playlists("lists");
    EXPECT_EQ(noms(liste), (std::vector<std::string>{"lists", "listsjazz"}));
    EXPECT_EQ(fichiers(liste), (std::vector<std::string>{".vtlist", "jazz.vtlist"}));
    auto lu = vt::lire_playlist("lists" + liste[1].fichier);
    ASSERT_TRUE(lu.has_value());
    EXPECT_EQ(*lu, std::vector<std::string>{"/m/j.mp3"});

    // An empty value lists the current directory itself.
    EXPECT_EQ(noms(vt::lister_playlists("")), (std::vector<std::string>{"lists", "listsjazz", "rock"}));
    // The relative default form.
    EXPECT_EQ(noms(vt::lister_playlists("lists/")), std::vector<std::string>{"dedans"});
}

// A prefix after a folder part: only names in that folder starting with it.
TEST(PlaylistScan, FolderAndPrefix) {
    DossierTemp d;
    d.ecrire("pl/pop-a.vtlist", "");
    d.ecrire("pl/pop-b.VTLIST", "");
    d.ecrire("pl/rock.vtlist", "");
    auto liste = vt::lister_playlists(d / "pl/pop-");
    EXPECT_EQ(noms(liste), (std::vector<std::string>{"pop-a", "pop-b"}));
    EXPECT_EQ(fichiers(liste), (std::vector<std::string>{"a.vtlist", "b.VTLIST"}));
}

// --- Targets of the writers ----------------------------------------------

// ".vtlist" is appended unless the name already ends with it in any case.
TEST(PlaylistCibles, SaveTargetAppendsTheExtensionOnce) {
    EXPECT_EQ(vt::cible_sauvegarde("/p/Rock"), "/p/Rock.vtlist");
    EXPECT_EQ(vt::cible_sauvegarde("/p/Rock.vtlist"), "/p/Rock.vtlist");
    EXPECT_EQ(vt::cible_sauvegarde("/p/Rock.VTList"), "/p/Rock.VTList");
    EXPECT_EQ(vt::cible_sauvegarde("/p/a.vtlist.bak"), "/p/a.vtlist.bak.vtlist");
    EXPECT_EQ(vt::cible_sauvegarde("/p/avtlist"), "/p/avtlist.vtlist");
    EXPECT_EQ(vt::cible_sauvegarde("Rock"), "Rock.vtlist");
}

// The rewrite goes to value 5 of the configuration plus the file part; the
// configuration is read again each time.
TEST(PlaylistCibles, RewriteTargetFromTheConfiguration) {
    DossierTemp d;
    vt::Configuration config(d.ecrire(
        "vantrel.config", "\"skin/default/\"\"default.sk\"\"194\"\"235\"\"" + d.chemin() + "pl/\"\"true\""));
    d.ecrire("pl/jazz.VTLIST", "");
    vt::ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/m/a.mp3"});
    EXPECT_TRUE(vt::reecrire_playlist(l, config.dossier_playlist(), "jazz.VTLIST"));
    EXPECT_EQ(lire_fichier(d / "pl/jazz.VTLIST"), R"("/m/a.mp3")");
    d.ecrire("vantrel.config", "\"a\"\"b\"\"1\"\"2\"\"" + d.chemin() + "autre/\"\"true\"");
    d.ecrire("autre/.garde", "");
    EXPECT_TRUE(vt::reecrire_playlist(l, config.dossier_playlist(), "Rock.vtlist"));
    EXPECT_EQ(lire_fichier(d / "autre/Rock.vtlist"), R"("/m/a.mp3")");
}

// Without a readable configuration there is no target, so nothing is
// written; a load changes nothing either, nor a load of a missing file.
TEST(PlaylistCibles, RewriteTargetWithoutConfiguration) {
    DossierTemp d;
    vt::ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/x.mp3"});
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(d / "dossier.config")));
    for (const std::string& config : {d / "vantrel.config", d / "dossier.config"}) {
        vt::Configuration en(config);
        EXPECT_FALSE(vt::reecrire_playlist(l, en.dossier_playlist(), "Rock.vtlist"));
        EXPECT_FALSE(vt::charger_playlist(l, en.dossier_playlist(), "Rock.vtlist"));
    }
    vt::Configuration en(
        d.ecrire("vantrel.config", "\"s/\"\"d.sk\"\"0\"\"0\"\"" + d.chemin() + "\"\"true\""));
    EXPECT_FALSE(vt::charger_playlist(l, en.dossier_playlist(), "Parti.vtlist"));
    EXPECT_EQ(vt::texte_playlist(l), R"("/x.mp3")");
}

// Save, scan, load, rewrite: the whole round trip of a play list in the
// play-list directory.
TEST(PlaylistCibles, SaveScanLoadRewrite) {
    DossierTemp d;
    std::string rep = d.chemin() + "pl/";
    std::string config = d.ecrire("vantrel.config", "\"s/\"\"d.sk\"\"0\"\"0\"\"" + rep + "\"\"true\"");
    d.ecrire("pl/.garde", "");
    vt::Configuration en(config);
    vt::test::DialoguesScriptes dialogues;
    vt::ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/m/1 un.mp3", "/m/2 deux.wav"});
    EXPECT_FALSE(vt::enregistrer_playlist_sous(l, ""));  // no name: nothing written
    EXPECT_TRUE(vt::lister_playlists(rep).empty());
    ASSERT_TRUE(vt::enregistrer_playlist_sous(l, rep + "Mix"));
    auto liste = vt::lister_playlists(rep);
    ASSERT_EQ(noms(liste), std::vector<std::string>{"Mix"});

    l.ajouter_nommes_par_dernier_separateur({"/m/3 trois.wma"});
    ASSERT_TRUE(vt::reecrire_playlist(l, en.dossier_playlist(), liste[0].fichier));
    vt::ListeCourante lu;
    ASSERT_TRUE(vt::charger_playlist(lu, en.dossier_playlist(), liste[0].fichier));
    EXPECT_EQ(vt::texte_playlist(lu), R"("/m/1 un.mp3""/m/2 deux.wav""/m/3 trois.wma")");
}

}  // namespace
