// What makes gestion_vantrel::ecrire safe beyond the rename: the bytes
// reach the disk before the rename does, a file reached through a symbolic
// link keeps its link, and what killed writers left behind is removed at the
// next start (and nothing else is).
#include "config/gestion_vantrel.h"
#include "playlist/liste_courante.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using vt::test::DossierTemp;
using vt::test::existe;
using vt::test::lire_fichier;

// The path an open descriptor names.
std::string chemin_de(int fd) {
    std::string lien = "/proc/self/fd/" + std::to_string(fd);
    std::string cible(PATH_MAX, '\0');
    ssize_t n = ::readlink(lien.c_str(), cible.data(), cible.size());
    cible.resize(n > 0 ? std::size_t(n) : 0);
    return cible;
}

std::string cible_du_lien(const std::string& lien) {
    std::string cible(PATH_MAX, '\0');
    ssize_t n = ::readlink(lien.c_str(), cible.data(), cible.size());
    cible.resize(n > 0 ? std::size_t(n) : 0);
    return cible;
}

bool est_lien(const std::string& chemin) {
    struct stat st {};
    return ::lstat(chemin.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Records the writer's fsync and rename calls, in order, and makes them.
struct Trace {
    std::vector<std::string> appels;
    vt::AppelsEcriture appels_systeme{[this](int fd) {
                                          appels.push_back("fsync " + chemin_de(fd));
                                          return ::fsync(fd);
                                      },
                                      [this](const char* de, const char* vers) {
                                          appels.push_back("rename " + std::string(de));
                                          return ::rename(de, vers);
                                      }};
    Trace() { vt::definir_appels_ecriture(&appels_systeme); }
    ~Trace() { vt::definir_appels_ecriture(nullptr); }
};

// The temporary file is flushed to the disk before it is renamed over the
// target (a killed process keeps the page cache, a system crash does not:
// without the fsync the renamed file may come back empty).
TEST(EcritureSure, TemporaryFileIsFlushedBeforeItsRename) {
    DossierTemp d;
    const std::string f = d.ecrire("vantrel.config", "old");
    Trace t;
    gestion_vantrel g;
    ASSERT_TRUE(g.ecrire(f, "new bytes"));
    ASSERT_EQ(t.appels.size(), 2u);
    const std::string fsync = t.appels[0], rename = t.appels[1];
    ASSERT_EQ(fsync.rfind("fsync ", 0), 0u) << "the first call is not the fsync: " << fsync;
    ASSERT_EQ(rename.rfind("rename ", 0), 0u) << rename;
    // The same file: the temporary one, by its path.
    const std::string temporaire = rename.substr(7);
    EXPECT_EQ(fsync.substr(6), temporaire);
    EXPECT_EQ(temporaire.rfind(d / ".vantrel.config.", 0), 0u) << temporaire;
    EXPECT_EQ(lire_fichier(f), "new bytes");
}

// A failing fsync stops the replacement: the old file stays, and no
// temporary file.
TEST(EcritureSure, FailedFlushKeepsTheOldFile) {
    DossierTemp d;
    const std::string f = d.ecrire("vantrel.config", "old");
    bool renomme = false;
    vt::AppelsEcriture echec{[](int) { return -1; },
                             [&](const char* de, const char* vers) {
                                 renomme = true;
                                 return ::rename(de, vers);
                             }};
    vt::definir_appels_ecriture(&echec);
    gestion_vantrel g;
    const bool ok = g.ecrire(f, "new");
    vt::definir_appels_ecriture(nullptr);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(renomme);
    EXPECT_EQ(lire_fichier(f), "old");
    EXPECT_EQ(vt::retirer_restes_ecriture(
                  d.chemin(), [](std::string_view) { return true; }, std::chrono::seconds(-10)),
              0);
}

// A configuration reached through a symbolic link (relative or absolute,
// or through two links) keeps its links: the file at the end is replaced,
// in its own folder, and the link still leads to it.
TEST(EcritureSure, LinkedFileKeepsItsLink) {
    struct Cas {
        const char* nom;
        bool absolu;
        bool double_lien;
    };
    for (const Cas& c :
         {Cas{"relative", false, false}, Cas{"absolute", true, false}, Cas{"two links", false, true}}) {
        DossierTemp d;
        const std::string cible = d.ecrire("reel/vantrel.config", "old");
        ::chmod(cible.c_str(), 0640);
        ASSERT_EQ(::mkdir((d / "app").c_str(), 0755), 0);
        const std::string lien = d / "app/vantrel.config";
        std::string vise = c.absolu ? cible : "../reel/vantrel.config";
        if (c.double_lien) {
            ASSERT_EQ(::symlink("../reel/vantrel.config", (d / "app/intermediaire").c_str()), 0);
            vise = "intermediaire";
        }
        ASSERT_EQ(::symlink(vise.c_str(), lien.c_str()), 0);
        gestion_vantrel g;
        ASSERT_TRUE(g.ecrire(lien, "new bytes")) << c.nom;
        EXPECT_TRUE(est_lien(lien)) << c.nom << ": the link was replaced by a file";
        EXPECT_EQ(cible_du_lien(lien), vise) << c.nom;
        EXPECT_EQ(lire_fichier(cible), "new bytes") << c.nom;
        EXPECT_EQ(lire_fichier(lien), "new bytes") << c.nom;
        struct stat st {};
        ::stat(cible.c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, 0640u) << c.nom;
        // Nothing left in either folder.
        for (const char* dossier : {"app", "reel"})
            EXPECT_EQ(vt::retirer_restes_ecriture(
                          d / dossier, [](std::string_view) { return true; }, std::chrono::seconds(-10)),
                      0)
                << c.nom;
    }
}

// A link to a file that does not exist yet creates that file, link kept.
TEST(EcritureSure, DanglingLinkCreatesItsTarget) {
    DossierTemp d;
    ASSERT_EQ(::mkdir((d / "reel").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("reel/liste.vtlist", (d / "liste.vtlist").c_str()), 0);
    gestion_vantrel g;
    ASSERT_TRUE(g.ecrire(d / "liste.vtlist", "\"a\""));
    EXPECT_TRUE(est_lien(d / "liste.vtlist"));
    EXPECT_EQ(lire_fichier(d / "reel/liste.vtlist"), "\"a\"");
}

// Links that loop are refused and left as they are.
TEST(EcritureSure, LinkLoopIsRefused) {
    DossierTemp d;
    ASSERT_EQ(::symlink("b", (d / "a").c_str()), 0);
    ASSERT_EQ(::symlink("a", (d / "b").c_str()), 0);
    gestion_vantrel g;
    EXPECT_FALSE(g.ecrire(d / "a", "x"));
    EXPECT_TRUE(est_lien(d / "a"));
    EXPECT_TRUE(est_lien(d / "b"));
}

// When the linked file's folder cannot take a temporary file beside it (here
// its name leaves no room for the temporary name's 8 more bytes, which holds
// for root too), the save fails and the file stays whole, link kept: a
// rewrite in place, killed midway, would mix new bytes and old.
TEST(EcritureSure, LinkedFileWhoseFolderTakesNoTemporaryIsKeptWhole) {
    DossierTemp d;
    const std::string long_nom(250, 'n');
    const std::string cible = d.ecrire(long_nom, "old bytes that are longer than the new ones");
    ASSERT_EQ(::symlink(long_nom.c_str(), (d / "vantrel.config").c_str()), 0);
    gestion_vantrel g;
    EXPECT_FALSE(g.ecrire(d / "vantrel.config", "new"));
    EXPECT_TRUE(est_lien(d / "vantrel.config"));
    EXPECT_EQ(lire_fichier(cible), "old bytes that are longer than the new ones");
}

// Only regular files are replaced: a pipe, a socket or a folder, named or
// reached through a link, stays what it is and the save fails.
TEST(EcritureSure, OnlyRegularFilesAreReplaced) {
    DossierTemp d;
    ASSERT_EQ(::mkfifo((d / "tube").c_str(), 0600) + ::mkdir((d / "dossier").c_str(), 0700) +
                  ::mknod((d / "prise").c_str(), S_IFSOCK | 0600, 0),
              0);
    for (const std::string nom : {"tube", "dossier", "prise"}) {
        ASSERT_EQ(::symlink((d / nom).c_str(), (d / ("lien_" + nom)).c_str()), 0);
        for (const std::string& chemin : {d / ("lien_" + nom), d / nom})
            EXPECT_FALSE(gestion_vantrel().ecrire(chemin, "x"));
        struct stat st {};
        EXPECT_TRUE(::lstat((d / nom).c_str(), &st) == 0 && !S_ISREG(st.st_mode)) << nom;
    }
}

// Sets a file's modification time `secondes` into the past.
void vieillir(const std::string& chemin, int secondes) {
    timespec t[2];
    t[0].tv_sec = t[1].tv_sec = std::time(nullptr) - secondes;
    t[0].tv_nsec = t[1].tv_nsec = 0;
    ASSERT_EQ(::utimensat(AT_FDCWD, chemin.c_str(), t, AT_SYMLINK_NOFOLLOW), 0) << chemin;
}

// At start, temporary files that killed writers left of the configuration
// and of play lists, older than a minute, are removed; younger ones (a
// writer may be at work), other names, links and folders stay.
TEST(EcritureSure, LeftoversOfKilledWritersAreRemovedAtStart) {
    DossierTemp d;
    struct Cas {
        const char* nom;
        int age;
        bool retire;
    };
    const std::vector<Cas> app = {
        {".vantrel.config.Ab12Cd", 120, true},
        {".vantrel.config.zzzzzz", 3600, true},
        {".vantrel.config.Ab12Cd.", 120, false},  // not the pattern
        {".vantrel.config.Ab1", 120, false},
        {".vantrel.config.Ab-2Cd", 120, false},
        {".vantrel.config.Young1", 10, false},  // a writer may be at work
        {"vantrel.config.Ab12Cd", 120, false},
        {".autre.config.Ab12Cd", 120, false},  // not ours in the app folder
        {".liste.vtlist.Ab12Cd", 120, false},  // a play list's, but not in its folder
        {"vantrel.config", 120, false},
        {"notes.txt", 120, false},
    };
    const std::vector<Cas> listes = {
        {".Rock.vtlist.q1W2e3", 120, true},   {".a b.VTLIST.000000", 120, true},
        {".Rock.vtlist.q1W2e3x", 120, false}, {".Rock.vtlist.new001", 5, false},
        {".Rock.txt.q1W2e3", 120, false},     {".vantrel.config.Ab12Cd", 120, false},
        {"Rock.vtlist", 120, false},          {".cache", 120, false},
    };
    for (const Cas& c : app) vieillir(d.ecrire(std::string("app/") + c.nom, "x"), c.age);
    for (const Cas& c : listes) vieillir(d.ecrire(std::string("app/playlist/") + c.nom, "x"), c.age);
    // A folder and a link with a temporary's name are not files of ours.
    ASSERT_EQ(::mkdir((d / "app/playlist/.Dossier.vtlist.abcdef").c_str(), 0755), 0);
    vieillir(d / "app/playlist/.Dossier.vtlist.abcdef", 120);
    const std::string garde = d.ecrire("ailleurs.txt", "keep");
    ASSERT_EQ(::symlink(garde.c_str(), (d / "app/.vantrel.config.Lien00").c_str()), 0);
    vieillir(d / "app/.vantrel.config.Lien00", 120);
    vieillir(garde, 120);  // the link's target is old too: still not the link's age

    vt::retirer_restes_au_demarrage(d / "app/vantrel.config", d / "app/playlist/");

    for (const Cas& c : app) EXPECT_EQ(existe(d / "app/" + c.nom), !c.retire) << c.nom;
    for (const Cas& c : listes) EXPECT_EQ(existe(d / "app/playlist/" + c.nom), !c.retire) << c.nom;
    EXPECT_TRUE(existe(d / "app/playlist/.Dossier.vtlist.abcdef"));
    EXPECT_TRUE(est_lien(d / "app/.vantrel.config.Lien00"));
    EXPECT_EQ(lire_fichier(garde), "keep");

    // Without a play-list folder read from the configuration, only the app
    // folder is cleaned.
    vieillir(d.ecrire("app/.vantrel.config.Second", "x"), 120);
    vieillir(d.ecrire("app/playlist/.Pop.vtlist.Second", "x"), 120);
    vt::retirer_restes_au_demarrage(d / "app/vantrel.config", std::nullopt);
    EXPECT_FALSE(existe(d / "app/.vantrel.config.Second"));
    EXPECT_TRUE(existe(d / "app/playlist/.Pop.vtlist.Second"));
}

}  // namespace
