// The skin loader: validation of the skin file, the messages it shows and
// what it hands to the main window.
#include "skin/chargeur_skin.h"
#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "config/texte_affiche.h"
#include "skin/elements.h"
#include "support/dossier_temp.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using vt::ResultatSkin;
using vt::test::DossierTemp;

const QString kDebug = QStringLiteral("debug skin");
const QString kErreur = QStringLiteral("skin erreur !");
const QString kNonValide = QStringLiteral("fichier_skin non valide , chargement par default ...");
const QString kTrop = QStringLiteral("beaucoup trop d'erreur dans ce fichier...");
const QString kSuffixeManquant = QStringLiteral(" - ce fichier donc le skin fait réference n'existe pa !");

// Records everything the loader does to the window.
class CibleEnregistree final : public vt::CibleSkin {
public:
    std::vector<std::pair<std::string, QImage>> images;
    std::vector<std::array<QColor, 3>> couleurs;
    int cachages = 0, montrages = 0;

    void definir_image(std::string_view element, const QImage& image) override {
        images.emplace_back(std::string(element), image);
    }
    void definir_couleurs(QColor a, QColor b, QColor c) override { couleurs.push_back({a, b, c}); }
    void montrer_label_lecture(bool visible) override { ++(visible ? montrages : cachages); }
    bool rien_applique() const {
        return images.empty() && couleurs.empty() && cachages == 0 && montrages == 0;
    }
};

// The colour that identifies the picture of row `valeur`.
QColor couleur_rangee(int valeur) { return QColor(valeur * 5, 255 - valeur * 5, (valeur * 37) % 256); }

QString q(const std::string& chemin) { return QFile::decodeName(QByteArray::fromStdString(chemin)); }

void ecrire_bmp(const std::string& chemin, int l, int h, QColor c) {
    QImage img(l, h, QImage::Format_RGB32);
    img.fill(c);
    ASSERT_TRUE(img.save(q(chemin), "BMP")) << chemin;
}

// A skin in `dossier`: "skin.sk" naming r2.bmp .. r42.bmp, couleurs.bmp and
// `mot_cle`, each picture (valeur + 1) x 2 in its row's colour; with
// `nombre` values in all (extra values name files that exist).
struct Skin {
    std::string rep, chemin;
};
Skin fabriquer_skin(const DossierTemp& dossier, const std::string& mot_cle, unsigned nombre = 44) {
    Skin s{dossier.chemin(), dossier / "skin.sk"};
    std::string texte = "\"essai\"\r\n";
    for (unsigned v = 2; v <= nombre; ++v) {
        std::string nom;
        if (v <= 42) {
            nom = "r" + std::to_string(v) + ".bmp";
            ecrire_bmp(s.rep + nom, static_cast<int>(v) + 1, 2, couleur_rangee(static_cast<int>(v)));
        } else if (v == 43) {
            nom = "couleurs.bmp";
            QImage c(4, 2, QImage::Format_RGB32);
            c.fill(Qt::gray);
            c.setPixelColor(0, 0, QColor(10, 20, 30));
            c.setPixelColor(1, 0, QColor(200, 210, 220));
            c.setPixelColor(2, 0, QColor(250, 128, 0));
            c.setPixelColor(3, 0, QColor(1, 2, 3));
            EXPECT_TRUE(c.save(q(s.rep + nom), "BMP"));
        } else if (v == 44) {
            nom = mot_cle;
        } else {
            nom = "extra" + std::to_string(v) + ".bmp";
            ecrire_bmp(s.rep + nom, 2, 2, Qt::black);
        }
        vt::ajouter_valeur(texte, nom);
        texte += "\r\n";
    }
    dossier.ecrire("skin.sk", texte);
    return s;
}

void supprimer(const std::string& chemin) { ASSERT_TRUE(QFile::remove(q(chemin))) << chemin; }

QString manquant(const std::string& chemin) { return q(chemin) + kSuffixeManquant; }

using Messages = std::vector<std::pair<QString, QString>>;

// A complete skin with "activer": every element in table order, each with its
// row's picture, the three colours from the first pixels, the label hidden.
TEST(ChargeurSkin, ValidSkinFillsEveryElementInTableOrder) {
    DossierTemp dossier;
    Skin s = fabriquer_skin(dossier, "activer");
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;

    EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Applique);

    EXPECT_TRUE(chargeur.messages.empty());
    ASSERT_EQ(cible.images.size(), vt::kElementsSkin.size());
    for (std::size_t i = 0; i < vt::kElementsSkin.size(); ++i) {
        const vt::Element& e = vt::kElementsSkin[i];
        SCOPED_TRACE(std::string(e.nom));
        EXPECT_EQ(cible.images[i].first, e.nom);
        const QImage& img = cible.images[i].second;
        EXPECT_EQ(img.size(), QSize(e.valeur + 1, 2));
        EXPECT_EQ(img.pixelColor(0, 0), couleur_rangee(e.valeur));
    }
    ASSERT_EQ(cible.couleurs.size(), 1u);
    EXPECT_EQ(cible.couleurs[0][0], QColor(10, 20, 30));
    EXPECT_EQ(cible.couleurs[0][1], QColor(200, 210, 220));
    EXPECT_EQ(cible.couleurs[0][2], QColor(250, 128, 0));
    EXPECT_EQ(cible.cachages, 1);
    EXPECT_EQ(cible.montrages, 0);
    EXPECT_EQ(chargeur.parseur.nombre_valeurs(), 44u);  // the parser now holds the skin file
}

// The keyword is compared exactly: "Activer" and "activer " show the label.
TEST(ChargeurSkin, KeywordIsCaseSensitiveAndExact) {
    for (const char* mot : {"Activer", "activer ", "ACTIVER", ""}) {
        SCOPED_TRACE(mot);
        DossierTemp dossier;
        Skin s = fabriquer_skin(dossier, mot);
        vt::ChargeurSkin chargeur;
        CibleEnregistree cible;
        EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Applique);
        EXPECT_EQ(cible.images.size(), vt::kElementsSkin.size());
        EXPECT_EQ(cible.couleurs.size(), 1u);
        EXPECT_EQ(cible.cachages, 0);
        EXPECT_EQ(cible.montrages, 1);
        EXPECT_TRUE(chargeur.messages.empty());
    }
}

// Missing files give their path messages, in value order, up to the third;
// the third is followed by the too-many message; the skin is then invalid
// and the window is left as it was. Value 43 (the colours) is tested like
// the others; with 43 values the skin is invalid without any path message;
// with 45, value 44 (the keyword here) is tested as a file. Each row: the
// keyword, the number of values, the files removed, the paths reported, and
// whether the too-many message follows.
TEST(ChargeurSkin, MissingFilesGiveTheirMessagesUpToTheThirdThenInvalid) {
    struct Ligne {
        std::string mot_cle;
        unsigned nombre;
        std::vector<std::string> supprimes, signales;
        bool trop;
    };
    const std::vector<Ligne> lignes = {
        {"activer", 44, {"r4.bmp", "r7.bmp", "r9.bmp"}, {"r4.bmp", "r7.bmp", "r9.bmp"}, true},
        {"x",
         44,
         {"r2.bmp", "r3.bmp", "r20.bmp", "r30.bmp", "r42.bmp", "couleurs.bmp"},
         {"r2.bmp", "r3.bmp", "r20.bmp"},
         true},
        {"x", 44, {"couleurs.bmp", "r42.bmp"}, {"r42.bmp", "couleurs.bmp"}, false},
        {"activer", 43, {}, {}, false},
        {"activer", 45, {}, {"activer"}, false},
    };
    for (const Ligne& l : lignes) {
        DossierTemp dossier;
        Skin s = fabriquer_skin(dossier, l.mot_cle, l.nombre);
        for (const std::string& f : l.supprimes) supprimer(s.rep + f);
        vt::ChargeurSkin chargeur;
        CibleEnregistree cible;
        EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Invalide) << l.nombre;
        Messages attendus;
        for (const std::string& f : l.signales) attendus.push_back({kDebug, manquant(s.rep + f)});
        if (l.trop) attendus.push_back({kDebug, kTrop});
        attendus.push_back({kErreur, kNonValide});
        EXPECT_EQ(chargeur.messages, attendus) << l.nombre << " values, " << l.supprimes.size() << " removed";
        EXPECT_TRUE(cible.rien_applique());
    }
}

// A value naming a 1 MB path shows cut; a million quotes (values naming the
// folder) give the usual three messages, too many, then invalid.
TEST(ChargeurSkin, HugeValuesAreShownCutAndCountlessValuesStopAtTheThirdMessage) {
    DossierTemp dossier;
    for (const std::string& valeur : {std::string(1 << 20, 'n'), std::string()}) {
        Skin s = fabriquer_skin(dossier, "activer");
        std::string texte = vt::test::lire_fichier(s.chemin);
        valeur.empty() ? texte.append(1000000, '"') : texte.insert(texte.find("\"r5"), "\"" + valeur + "\"");
        dossier.ecrire("skin.sk", texte);
        vt::ChargeurSkin chargeur;
        CibleEnregistree cible;
        EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Invalide);
        EXPECT_EQ(chargeur.messages.size(), valeur.empty() ? 5u : 2u);
        for (const auto& m : chargeur.messages) EXPECT_LT(m.second.size(), 2 * vt::kOctetsAffiches);
    }
}

// With 45 values whose value 44 names an existing file the skin is valid, the
// last value is never tested, and the label stays visible.
TEST(ChargeurSkin, ExtraValuesNamingFilesKeepTheSkinValid) {
    DossierTemp dossier;
    Skin s = fabriquer_skin(dossier, "r2.bmp", 46);
    supprimer(s.rep + "extra46.bmp");  // the last value: never looked at
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Applique);
    EXPECT_TRUE(chargeur.messages.empty());
    EXPECT_EQ(cible.images.size(), vt::kElementsSkin.size());
    EXPECT_EQ(cible.cachages, 0);
}

// A skin file without a single quote: nothing to test, only the invalid message;
// the parser holds the skin file's text.
TEST(ChargeurSkin, FileWithoutQuotesIsInvalid) {
    DossierTemp dossier;
    std::string chemin = dossier.ecrire("vide.sk", "no values here");
    vt::ChargeurSkin chargeur;
    chargeur.parseur.texte = "\"config\"";
    CibleEnregistree cible;
    EXPECT_EQ(chargeur.charger(chemin, dossier.chemin(), cible), ResultatSkin::Invalide);
    EXPECT_EQ(chargeur.messages, (Messages{{kErreur, kNonValide}}));
    EXPECT_TRUE(cible.rien_applique());
    EXPECT_EQ(chargeur.parseur.texte, "no values here");
}

// The default skin path missing: no message at all, nothing changed; the
// comparison is exact, so another spelling of it gets the message.
TEST(ChargeurSkin, MissingDefaultSkinIsSilent) {
    DossierTemp dossier;
    const QString avant = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(q(dossier.chemin())));
    vt::ChargeurSkin chargeur;
    chargeur.parseur.texte = "\"config\"";
    CibleEnregistree cible;

    EXPECT_EQ(chargeur.charger(std::string(vt::kCheminSkinDefaut), "skin/default/", cible),
              ResultatSkin::Inaccessible);
    EXPECT_TRUE(chargeur.messages.empty());
    EXPECT_EQ(chargeur.charger("./skin/default/default.sk", "./skin/default/", cible),
              ResultatSkin::Inaccessible);
    QDir::setCurrent(avant);

    EXPECT_EQ(chargeur.messages,
              (Messages{{kErreur, QStringLiteral("skin inaccessible ! chargement par default ... ")}}));
    EXPECT_TRUE(cible.rien_applique());
    EXPECT_EQ(chargeur.parseur.texte, "\"config\"");
}

// Any other skin path that cannot be opened, a directory included: the
// inaccessible message once, nothing changed.
TEST(ChargeurSkin, InaccessibleSkinShowsOneMessage) {
    DossierTemp dossier;
    QDir().mkpath(q(dossier / "dossier.sk"));
    for (const std::string& chemin : {dossier / "absent.sk", dossier / "dossier.sk", std::string()}) {
        vt::ChargeurSkin chargeur;
        CibleEnregistree cible;
        EXPECT_EQ(chargeur.charger(chemin, dossier.chemin(), cible), ResultatSkin::Inaccessible);
        EXPECT_EQ(chargeur.messages,
                  (Messages{{kErreur, QStringLiteral("skin inaccessible ! chargement par default ... ")}}));
        EXPECT_TRUE(cible.rien_applique());
    }
}

// A bitmap that exists but is no picture (garbage, an empty file, or a FIFO,
// which passes the existence test but is not read: it could block for
// ever): the elements of earlier values change, then the run stops with a
// message naming the file. Each row: the value, and the file's contents
// (none: a FIFO).
TEST(ChargeurSkin, UndecodableBitmapStopsAfterEarlierElements) {
    const std::vector<std::pair<int, std::optional<std::string>>> lignes = {
        {10, "BM this is not a bitmap"}, {2, ""}, {3, std::nullopt}};
    for (const auto& [valeur, contenu] : lignes) {
        DossierTemp dossier;
        Skin s = fabriquer_skin(dossier, "activer");
        const std::string fichier = "r" + std::to_string(valeur) + ".bmp";
        if (contenu) {
            dossier.ecrire(fichier, *contenu);
        } else {
            supprimer(s.rep + fichier);
            ASSERT_EQ(::mkfifo((s.rep + fichier).c_str(), 0600), 0);
        }
        vt::ChargeurSkin chargeur;
        CibleEnregistree cible;
        EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::ImageIllisible) << fichier;
        EXPECT_EQ(chargeur.messages,
                  (Messages{{kErreur, QStringLiteral("image illisible : ") + q(s.rep + fichier)}}));
        std::vector<std::string> attendus;
        for (const vt::Element& e : vt::kElementsSkin)
            if (e.valeur < valeur) attendus.emplace_back(e.nom);
        std::vector<std::string> recus;
        for (const auto& [nom, img] : cible.images) recus.push_back(nom);
        EXPECT_EQ(recus, attendus) << fichier;
        EXPECT_TRUE(cible.couleurs.empty());
        EXPECT_EQ(cible.cachages, 0);
    }
}

// A 1 x 1 colour bitmap: its pixel gives the list background, the missing
// pixels give black.
TEST(ChargeurSkin, OnePixelColourBitmapGivesBlackForMissingPixels) {
    DossierTemp dossier;
    Skin s = fabriquer_skin(dossier, "x");
    ecrire_bmp(s.rep + "couleurs.bmp", 1, 1, QColor(90, 80, 70));
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Applique);
    ASSERT_EQ(cible.couleurs.size(), 1u);
    EXPECT_EQ(cible.couleurs[0][0], QColor(90, 80, 70));
    EXPECT_EQ(cible.couleurs[0][1], QColor(0, 0, 0));
    EXPECT_EQ(cible.couleurs[0][2], QColor(0, 0, 0));
    EXPECT_TRUE(chargeur.messages.empty());
}

// A colour bitmap that cannot be decoded keeps the current colours; the
// pictures and the keyword still apply.
TEST(ChargeurSkin, UndecodableColourBitmapKeepsColours) {
    DossierTemp dossier;
    Skin s = fabriquer_skin(dossier, "activer");
    dossier.ecrire("couleurs.bmp", "garbage");
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Applique);
    EXPECT_EQ(cible.images.size(), vt::kElementsSkin.size());
    EXPECT_TRUE(cible.couleurs.empty());
    EXPECT_EQ(cible.cachages, 1);
    EXPECT_TRUE(chargeur.messages.empty());
}

// A directory named as a bitmap cannot be opened as a file: it is missing.
TEST(ChargeurSkin, DirectoryNamedAsBitmapIsMissing) {
    DossierTemp dossier;
    Skin s = fabriquer_skin(dossier, "activer");
    supprimer(s.rep + "r5.bmp");
    ASSERT_TRUE(QDir().mkpath(q(s.rep + "r5.bmp")));
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Invalide);
    EXPECT_EQ(chargeur.messages, (Messages{{kDebug, manquant(s.rep + "r5.bmp")}, {kErreur, kNonValide}}));
    EXPECT_TRUE(cible.rien_applique());
}

// Pictures in other formats are accepted, whatever their extension says.
TEST(ChargeurSkin, OtherImageFormatsAreAccepted) {
    DossierTemp dossier;
    Skin s = fabriquer_skin(dossier, "x");
    QImage png(7, 3, QImage::Format_RGB32);
    png.fill(QColor(1, 99, 200));
    ASSERT_TRUE(png.save(q(s.rep + "r2.bmp"), "PNG"));   // a PNG under a .bmp name
    ASSERT_TRUE(png.save(q(s.rep + "r3.bmp"), "JPEG"));  // and a JPEG
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    EXPECT_EQ(chargeur.charger(s.chemin, s.rep, cible), ResultatSkin::Applique);
    ASSERT_EQ(cible.images.size(), vt::kElementsSkin.size());
    EXPECT_EQ(cible.images[0].second.size(), QSize(7, 3));
    EXPECT_EQ(cible.images[0].second.pixelColor(3, 1), QColor(1, 99, 200));
    EXPECT_EQ(cible.images[2].second.size(), QSize(7, 3));
    EXPECT_TRUE(chargeur.messages.empty());
}

// File paths are the skin directory and the value put end to end: without a
// trailing separator the names run into the directory's last component.
TEST(ChargeurSkin, FileNamesAreDirectoryPlusValue) {
    DossierTemp dossier;
    Skin s = fabriquer_skin(dossier, "x");
    std::string sans_separateur = s.rep.substr(0, s.rep.size() - 1);
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    EXPECT_EQ(chargeur.charger(s.chemin, sans_separateur, cible), ResultatSkin::Invalide);
    ASSERT_GE(chargeur.messages.size(), 1u);
    EXPECT_EQ(chargeur.messages[0], (std::pair{kDebug, manquant(sans_separateur + "r2.bmp")}));
    EXPECT_TRUE(cible.rien_applique());
}

}  // namespace
