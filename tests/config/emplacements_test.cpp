// Where the player keeps its files: the app folder when it can be written
// to, the user's XDG folders when it cannot (a system-wide install).
#include "config/emplacements.h"
#include "config/configuration.h"
#include "support/dossier_lecture_seule.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <map>

namespace {

using vt::test::DossierLectureSeule;
using vt::test::DossierTemp;
using vt::test::existe;
using vt::test::lire_fichier;

const std::string kPremiere = R"("skin/default/""default.sk""194""235""playlist/""false")";

// An environment given as a table.
struct Env {
    std::map<std::string, std::string> v;
    vt::LireEnvironnement f() const {
        return [this](const char* nom) -> const char* {
            auto i = v.find(nom);
            return i == v.end() ? nullptr : i->second.c_str();
        };
    }
};

bool est_dossier(const std::string& chemin) {
    struct stat st {};
    return ::stat(chemin.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A writable app folder keeps everything as it always was: the settings
// beside the executable, stored folders used as they are.
TEST(Emplacements, WritableAppFolderKeepsEverythingBesideTheExecutable) {
    DossierTemp app, maison;
    app.ecrire("vantrel.config", kPremiere);
    Env env{{{"HOME", maison.chemin()}}};
    const vt::Emplacements e = vt::choisir_emplacements(app / "vantrel", env.f());
    EXPECT_TRUE(vt::dossier_inscriptible(app.chemin()));
    EXPECT_EQ(e.dossier_app, app.chemin());
    EXPECT_EQ(e.fichier_config, app / "vantrel.config");
    EXPECT_EQ(e.dossier_donnees, "");
    EXPECT_EQ(vt::dossier_playlist(e, "playlist/"), "playlist/");
    EXPECT_EQ(vt::dossier_skin(e, "skin/default/", "default.sk"), "skin/default/");
    EXPECT_FALSE(existe(maison / ".config"));  // nothing made in the home folder
}

class AppLectureSeule : public ::testing::Test {
protected:
    void SetUp() override {
        app.ecrire("vantrel.config", kPremiere);
        app.ecrire("skin/default/default.sk", "\"x\"");
        verrou = std::make_unique<DossierLectureSeule>(app.chemin());
        if (!verrou->actif()) GTEST_SKIP() << "no way to make a folder read-only for this process";
    }
    void TearDown() override { verrou.reset(); }
    vt::Emplacements choisir() { return vt::choisir_emplacements(app / "vantrel", env.f()); }

    DossierTemp app, maison, xdg;
    Env env;
    std::unique_ptr<DossierLectureSeule> verrou;
};

// The XDG folders named by the environment hold the user's files; the first
// start copies the installed settings byte for byte.
TEST_F(AppLectureSeule, SettingsGoToTheUsersConfigFolderCopiedFromTheInstalledOnes) {
    env.v = {{"HOME", maison.chemin()}, {"XDG_CONFIG_HOME", xdg / "conf"}, {"XDG_DATA_HOME", xdg / "data/"}};
    const vt::Emplacements e = choisir();
    EXPECT_EQ(e.fichier_config, xdg / "conf/vantrel/vantrel.config");
    EXPECT_EQ(e.dossier_donnees, xdg / "data/vantrel/");
    EXPECT_EQ(lire_fichier(e.fichier_config), kPremiere);
    EXPECT_EQ(lire_fichier(app / "vantrel.config"), kPremiere);
    EXPECT_FALSE(existe(maison / ".config"));
}

// Without XDG variables (or with relative ones, which the XDG rules say to
// ignore) the folders are ~/.config and ~/.local/share.
TEST_F(AppLectureSeule, DefaultFoldersAreUnderHome) {
    for (const char* relatif : {"", "relatif/conf"}) {
        SCOPED_TRACE(relatif);
        env.v = {{"HOME", maison.chemin()}};
        if (*relatif) env.v["XDG_CONFIG_HOME"] = env.v["XDG_DATA_HOME"] = relatif;
        const vt::Emplacements e = choisir();
        EXPECT_EQ(e.fichier_config, maison / ".config/vantrel/vantrel.config");
        EXPECT_EQ(e.dossier_donnees, maison / ".local/share/vantrel/");
        EXPECT_EQ(lire_fichier(e.fichier_config), kPremiere);
    }
}

// The user's settings, once there, are theirs: a later start (or a new
// install's first settings) never replaces them, not even an unreadable file.
TEST_F(AppLectureSeule, ExistingUserSettingsAreKept) {
    env.v = {{"HOME", maison.chemin()}};
    const std::string siens = R"("skin/ivoire/""ivoire.sk""10""20""/musique/""true")";
    const std::string chemin = maison.ecrire(".config/vantrel/vantrel.config", siens);
    EXPECT_EQ(choisir().fichier_config, chemin);
    EXPECT_EQ(lire_fichier(chemin), siens);
    ::chmod(chemin.c_str(), 0);
    EXPECT_EQ(choisir().fichier_config, chemin);
    ::chmod(chemin.c_str(), 0600);
    EXPECT_EQ(lire_fichier(chemin), siens);
}

// A dangling link at the user's settings path is theirs: nothing is written
// through it. Folders made for the user are 0700 whatever the umask.
TEST_F(AppLectureSeule, DanglingLinkIsKeptAndMadeFoldersArePrivate) {
    env.v = {{"HOME", maison.chemin()}};
    maison.ecrire(".config/vantrel/autre", "");  // the folders
    ASSERT_EQ(::symlink((maison / "ailleurs").c_str(), (maison / ".config/vantrel/vantrel.config").c_str()),
              0);
    choisir();
    EXPECT_FALSE(existe(maison / "ailleurs"));
    const mode_t masque = ::umask(0);
    vt::dossier_playlist(vt::choisir_emplacements(app / "vantrel", Env{{{"HOME", xdg.chemin()}}}.f()),
                         "l/a/");
    ::umask(masque);
    for (const char* d :
         {".config", ".config/vantrel", ".local/share/vantrel/l", ".local/share/vantrel/l/a"}) {
        struct stat st {};
        EXPECT_EQ(::stat((xdg / d).c_str(), &st) == 0 ? st.st_mode & 07777 : 0, 0700u) << d;
    }
}

// An app folder without first settings gives the user none either: the
// player then says the configuration is missing, and its close button
// writes the user's file.
TEST(EmplacementsSansPremiere, NoInstalledSettingsMeansNoUserSettings) {
    DossierTemp app, maison;
    DossierLectureSeule verrou(app.chemin());
    if (!verrou.actif()) GTEST_SKIP() << "no way to make a folder read-only for this process";
    Env env{{{"HOME", maison.chemin()}}};
    const vt::Emplacements e = vt::choisir_emplacements(app / "vantrel", env.f());
    EXPECT_EQ(e.fichier_config, maison / ".config/vantrel/vantrel.config");
    EXPECT_FALSE(existe(e.fichier_config));
    EXPECT_TRUE(est_dossier(maison / ".config/vantrel"));
}

// No home to write to: the app folder stays (nothing is saved,
// nothing fails).
TEST_F(AppLectureSeule, NoUsableHomeKeepsTheAppFolder) {
    for (auto cas : std::vector<std::map<std::string, std::string>>{
             {},
             {{"HOME", "relatif"}},
             {{"HOME", maison.chemin()}, {"XDG_CONFIG_HOME", app / "vantrel.config/"}},  // a file in the way
         }) {
        env.v = cas;
        const vt::Emplacements e = choisir();
        EXPECT_EQ(e.fichier_config, app / "vantrel.config");
        EXPECT_EQ(e.dossier_donnees, "");
    }
}

// A relative play-list folder is the user's, made when used; an absolute one
// is used as it is. Skins are the user's copy only when it holds the skin.
TEST_F(AppLectureSeule, RelativeFoldersResolveUnderTheUsersDataFolder) {
    env.v = {{"HOME", maison.chemin()}};
    const vt::Emplacements e = choisir();
    const std::string donnees = maison / ".local/share/vantrel/";
    EXPECT_FALSE(est_dossier(donnees + "playlist/"));
    EXPECT_EQ(vt::dossier_playlist(e, "playlist/"), donnees + "playlist/");
    EXPECT_TRUE(est_dossier(donnees + "playlist/"));
    EXPECT_EQ(vt::dossier_playlist(e, "listes/a/b/"), donnees + "listes/a/b/");
    EXPECT_TRUE(est_dossier(donnees + "listes/a/b/"));
    EXPECT_EQ(vt::dossier_playlist(e, "/srv/listes/"), "/srv/listes/");

    EXPECT_EQ(vt::dossier_skin(e, "skin/default/", "default.sk"), "skin/default/");
    maison.ecrire(".local/share/vantrel/skin/mien/mien.sk", "\"x\"");
    EXPECT_EQ(vt::dossier_skin(e, "skin/mien/", "mien.sk"), donnees + "skin/mien/");
    EXPECT_EQ(vt::dossier_skin(e, "skin/mien/", "autre.sk"), "skin/mien/");
    EXPECT_EQ(vt::dossier_skin(e, "/opt/skin/mien/", "mien.sk"), "/opt/skin/mien/");
}

TEST(Emplacements, RelativePaths) {
    const std::pair<const char*, bool> cas[] = {
        {"", true},       {"playlist/", true},  {"../x/", true},    {"playlist\\", true},
        {"/abs/", false}, {"\\\\srv\\", false}, {"C:\\x\\", false}, {"d:/x/", false},
    };
    for (auto [chemin, relatif] : cas) EXPECT_EQ(vt::chemin_relatif(chemin), relatif) << chemin;
}

}  // namespace
