// vantrel.config: its values, the exit writer and the atomic write.
#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <limits>

namespace {

using vt::test::DossierTemp;
using vt::test::existe;
using vt::test::lire_fichier;

// Values 3 and 4: blanks, sign, digits up to the first other byte; an
// overflow is clamped, never undefined.
TEST(ConfigNumbers, ReadsLikeTheWindowPositionRules) {
    EXPECT_EQ(vt::lire_entier(" -20"), -20);
    EXPECT_EQ(vt::lire_entier("194"), 194);
    EXPECT_EQ(vt::lire_entier("+7"), 7);
    EXPECT_EQ(vt::lire_entier("\t\n 12px"), 12);
    EXPECT_EQ(vt::lire_entier("abc"), 0);
    EXPECT_EQ(vt::lire_entier(""), 0);
    EXPECT_EQ(vt::lire_entier("-"), 0);
    EXPECT_EQ(vt::lire_entier("- 5"), 0);
    EXPECT_EQ(vt::lire_entier("2147483647"), 2147483647);
    EXPECT_EQ(vt::lire_entier("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(vt::lire_entier("2147483648"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(vt::lire_entier("-99999999999999999999999"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(vt::lire_entier("00042"), 42);
}

// Only the exact word "false" turns looping off.
TEST(ConfigLoopFlag, OnlyExactFalseIsOff) {
    EXPECT_FALSE(vt::lire_boucle("false"));
    for (const char* v : {"true", "", "False", "FALSE", "0", "false ", " false"})
        EXPECT_TRUE(vt::lire_boucle(v)) << v;
}

TEST(ConfigPath, DirectoryOfTheExecutablePlusFileName) {
    EXPECT_EQ(vt::chemin_config_pour("/opt/vantrel/vantrel"), "/opt/vantrel/vantrel.config");
    EXPECT_EQ(vt::chemin_config_pour("C:\\Prog\\vantrel.exe"), "C:\\Prog\\vantrel.config");
    EXPECT_EQ(vt::chemin_config_pour("vantrel"), "vantrel.config");
    // The last character is never taken as the separator.
    EXPECT_EQ(vt::chemin_config_pour("/"), "vantrel.config");
    EXPECT_EQ(vt::chemin_config_pour("/a/"), "/vantrel.config");
}

// The defaults with the window at (194, 235) and looping off: 55 bytes.
TEST(ConfigWriter, DefaultFileIsFiftyFiveBytes) {
    std::string t = vt::texte_configuration(vt::kRepSkinDefaut, vt::kFichierSkinDefaut, 194, 235,
                                            vt::kRepPlaylistDefaut, false);
    EXPECT_EQ(t, R"("skin/default/""default.sk""194""235""playlist/""false")");
    EXPECT_EQ(t.size(), 55u);
    EXPECT_EQ(vt::texte_configuration("a/", "b", -20, -3, "p/", true), R"("a/""b""-20""-3""p/""true")");
}

// A written file reads back with the same six values.
TEST(ConfigWriter, WrittenFileReadsBack) {
    DossierTemp d;
    gestion_vantrel g;
    g.ecrire(d / "vantrel.config",
             vt::texte_configuration("skins/blue dir/", "b\xe9.sk", -20, 7000, "lists/", true));
    gestion_vantrel lu;
    ASSERT_TRUE(lu.charger(d / "vantrel.config"));
    auto v = vt::lire_configuration(lu);
    EXPECT_TRUE(v.boucle);
    EXPECT_EQ(v.rep_skin, "skins/blue dir/");
    EXPECT_EQ(v.chemin_skin, "skins/blue dir/b\xe9.sk");
    EXPECT_EQ(v.gauche, -20);
    EXPECT_EQ(v.haut, 7000);
    EXPECT_EQ(lu.valeur(5), "lists/");
    EXPECT_EQ(lu.texte.find('\n'), std::string::npos);
}

// A short or empty file leaves the skin empty and looping on.
TEST(ConfigWriter, ShortFileGivesEmptyValuesAndLoopOn) {
    gestion_vantrel g;
    g.texte = R"("skin/")";
    auto v = vt::lire_configuration(g);
    EXPECT_TRUE(v.boucle);
    EXPECT_EQ(v.chemin_skin, "skin/");
    EXPECT_EQ(v.gauche, 0);
    EXPECT_EQ(v.haut, 0);
}

// The exit writer keeps values 1, 2 and 5 of the file on disk and takes
// the position and loop flag from the program.
TEST(ConfigExitWriter, KeepsSkinAndDirectoryFromDisk) {
    DossierTemp d;
    auto f = d.ecrire("vantrel.config", "\"s/\"\n\"x.sk\"\n\"1\"\n\"2\"\n\"pl/\"\n\"true\"\n");
    gestion_vantrel g;
    EXPECT_EQ(vt::texte_configuration_fermeture(g, f, 300, -4, false), R"("s/""x.sk""300""-4""pl/""false")");
}

TEST(ConfigExitWriter, WithoutAFileWritesTheDefaults) {
    DossierTemp d;
    gestion_vantrel g;
    g.texte = R"("stale""skin""text")";
    EXPECT_EQ(vt::texte_configuration_fermeture(g, d / "vantrel.config", 10, 20, true),
              R"("skin/default/""default.sk""10""20""playlist/""true")");
}

// A place the window system cannot tell keeps the stored one (the default
// without a file); a known place replaces it.
TEST(ConfigExitWriter, UnknownPlaceKeepsTheStoredOne) {
    const std::tuple<bool, std::optional<vt::Place>, const char*> cas[] = {
        {true, std::nullopt, R"("s/""x.sk""311""-42""pl/""false")"},
        {true, vt::Place{5, 6}, R"("s/""x.sk""5""6""pl/""false")"},
        {false, std::nullopt, R"("skin/default/""default.sk""194""235""playlist/""false")"}};
    for (const auto& [fichier, place, attendu] : cas) {
        DossierTemp d;
        vt::Configuration config(d / "vantrel.config");
        if (fichier) d.ecrire("vantrel.config", R"("s/""x.sk""311""-42""pl/""true")");
        EXPECT_EQ(config.lire().has_value(), fichier);
        ASSERT_TRUE(config.ecrire_sortie(place, false));
        EXPECT_EQ(lire_fichier(config.chemin()), attendu);
        ASSERT_TRUE(config.ecrire({"sk/", "a.sk", -20, 7, "pl/", true}));
        EXPECT_EQ(lire_fichier(config.chemin()), R"("sk/""a.sk""-20""7""pl/""true")");
        const auto v = config.lire();
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(std::tie(v->rep_playlist, v->gauche, v->haut, v->boucle),
                  std::make_tuple("pl/", -20, 7, true));
    }
}

// An unwritable folder leaves the old file as it was and no temporary file.
TEST(ConfigAtomicWrite, UnwritableFolderKeepsTheOldFile) {
    if (::geteuid() == 0) {
        // root ignores folder permissions; use a path under a regular file
        // instead, which cannot hold a temporary file either.
        DossierTemp d;
        auto fichier = d.ecrire("plain", "x");
        gestion_vantrel g;
        EXPECT_FALSE(g.ecrire(fichier + "/vantrel.config", "new"));
        EXPECT_EQ(lire_fichier(fichier), "x");
    }
    DossierTemp d;
    auto f = d.ecrire("ro/vantrel.config", "old bytes");
    std::string dossier = d / "ro";
    ::chmod(dossier.c_str(), 0555);
    gestion_vantrel g;
    bool ok = g.ecrire(f, "new bytes");
    ::chmod(dossier.c_str(), 0755);
    if (::geteuid() != 0) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(lire_fichier(f), "old bytes");
    }
    EXPECT_EQ(QDir(QFile::decodeName(QByteArray::fromStdString(dossier)))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              1);
}

// Writing over a directory fails and leaves it alone.
TEST(ConfigAtomicWrite, DirectoryTargetIsRefused) {
    DossierTemp d;
    d.ecrire("dir/inside", "x");
    gestion_vantrel g;
    EXPECT_FALSE(g.ecrire(d / "dir", "text"));
    EXPECT_EQ(lire_fichier(d / "dir/inside"), "x");
}

// The replaced file keeps its permission bits.
TEST(ConfigAtomicWrite, ReplacedFileKeepsItsMode) {
    DossierTemp d;
    auto f = d.ecrire("c", "old");
    ::chmod(f.c_str(), 0640);
    gestion_vantrel g;
    ASSERT_TRUE(g.ecrire(f, "new"));
    struct stat st {};
    ::stat(f.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(lire_fichier(f), "new");
}

// What a read gives, and what it should give for the values `r` (the app
// folder in use: the skin folder as stored).
auto champs(const vt::ValeursConfig& v) {
    return std::make_tuple(v.rep_skin, v.chemin_skin, v.gauche, v.haut, v.rep_playlist, v.boucle);
}
auto champs(const vt::Reglages& r) {
    return std::make_tuple(r.rep_skin, r.rep_skin + r.fichier_skin, r.gauche, r.haut, r.rep_playlist,
                           r.boucle);
}

// The object reads the six values by name from the file as it is now: a hand
// edit, a short file, an empty one; a missing file or a folder gives nothing.
TEST(ConfigObjet, ReadsTheValuesByName) {
    struct Cas {
        const char* texte;  // nullptr: no file; "/": a folder in its place
        std::optional<vt::Reglages> attendu;
    };
    const Cas cas[] = {
        {R"("sk/""a.sk""-20""7""pl/""false")", vt::Reglages{"sk/", "a.sk", -20, 7, "pl/", false}},
        {"\"s k/\"\r\n\"b\xe9.sk\"\n # note\n\" 12px\"\"x\"\"\"\"FALSE\"",
         vt::Reglages{"s k/", "b\xe9.sk", 12, 0, "", true}},
        {R"("sk/""a.sk")", vt::Reglages{"sk/", "a.sk", 0, 0, "", true}},
        {"", vt::Reglages{"", "", 0, 0, "", true}},
        {nullptr, std::nullopt},
        {"/", std::nullopt},
    };
    for (const Cas& c : cas) {
        DossierTemp d;
        if (c.texte && std::string_view(c.texte) == "/")
            QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(d / "vantrel.config")));
        else if (c.texte)
            d.ecrire("vantrel.config", c.texte);
        vt::Configuration config(d / "vantrel.config");
        const auto lu = config.lire();
        ASSERT_EQ(lu.has_value(), c.attendu.has_value()) << (c.texte ? c.texte : "(none)");
        if (!lu) {
            EXPECT_FALSE(config.dossier_playlist().has_value());
            continue;
        }
        EXPECT_EQ(champs(*lu), champs(*c.attendu));
        EXPECT_EQ(config.dossier_playlist(), c.attendu->rep_playlist);
    }
}

// What is written reads back the same, in the file's exact layout; a value
// holding a double quote leaves the file as it was.
TEST(ConfigObjet, WrittenValuesReadBack) {
    const vt::Reglages cas[] = {
        {"skin/default/", "default.sk", 194, 235, "playlist/", false},
        {"/abs/\xe9t\xe9/", "n\xff.sk", -2147483647 - 1, 2147483647, "", true},
        {"", "", 0, -1, "C:\\listes\\", true},
    };
    for (const vt::Reglages& r : cas) {
        DossierTemp d;
        vt::Configuration config(d / "vantrel.config");
        ASSERT_TRUE(config.ecrire(r));
        const std::string octets = lire_fichier(config.chemin());
        EXPECT_EQ(octets, vt::texte_configuration(r.rep_skin, r.fichier_skin, r.gauche, r.haut,
                                                  r.rep_playlist, r.boucle));
        const auto lu = config.lire();
        ASSERT_TRUE(lu.has_value());
        EXPECT_EQ(champs(*lu), champs(r));
        for (int i = 0; i < 3; ++i) {
            vt::Reglages avec_quote = r;
            (i == 0   ? avec_quote.rep_skin
             : i == 1 ? avec_quote.fichier_skin
                      : avec_quote.rep_playlist) += '"';
            EXPECT_FALSE(config.ecrire(avec_quote)) << i;
            EXPECT_EQ(lire_fichier(config.chemin()), octets) << i;
        }
    }
}

// The path is the one given at the start: a later change of the executable's
// folder moves nothing, and a second instance (the options window's) works
// on the same file with a parser of its own, seeing what the first wrote.
TEST(ConfigObjet, PathIsSetOnce) {
    DossierTemp a, b;
    vt::etablir_emplacements(a / "vantrel");
    vt::Configuration config(vt::emplacements().fichier_config);
    vt::Configuration options = config;
    vt::etablir_emplacements(b / "vantrel");
    EXPECT_EQ(vt::emplacements().fichier_config, b / "vantrel.config");
    EXPECT_EQ(vt::depart_dialogues(), b / "vantrel");
    const std::pair<int, int> places[] = {{10, 20}, {-5, 7}};
    for (const auto& [x, y] : places) {
        ASSERT_TRUE(config.ecrire_sortie(vt::Place{x, y}, true));
        EXPECT_EQ(config.chemin(), a / "vantrel.config");
        EXPECT_EQ(options.chemin(), a / "vantrel.config");
        const auto lu = options.lire();
        ASSERT_TRUE(lu.has_value());
        EXPECT_EQ(std::tie(lu->gauche, lu->haut, lu->boucle), std::make_tuple(x, y, true));
        ASSERT_TRUE(options.ecrire({"o/", "o.sk", y, x, "op/", false}));
        EXPECT_EQ(config.dossier_playlist(), "op/");
    }
    EXPECT_FALSE(existe(b / "vantrel.config"));
    vt::etablir_emplacements(vt::chemin_executable());
}

}  // namespace
