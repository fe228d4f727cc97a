// Skin pictures decoded ahead at start-up: what is read, when the loader
// may take a picture from there, and that the loader's result is the same
// with or without them.
#include "skin/prechargement.h"
#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "skin/chargeur_skin.h"
#include "skin/elements.h"
#include "support/dossier_temp.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using vt::ImagesPrechargees;
using vt::test::DossierTemp;

QString q(const std::string& chemin) { return QFile::decodeName(QByteArray::fromStdString(chemin)); }

class Cible final : public vt::CibleSkin {
public:
    std::vector<std::pair<std::string, QImage>> images;
    std::vector<QColor> couleurs;
    void definir_image(std::string_view e, const QImage& i) override {
        images.emplace_back(std::string(e), i);
    }
    void definir_couleurs(QColor a, QColor b, QColor c) override { couleurs = {a, b, c}; }
    void montrer_label_lecture(bool) override {}
};

// The default skin shipped with the player, copied into a fresh folder, and
// a configuration naming it.
class Prechargement : public ::testing::Test {
protected:
    void SetUp() override {
        QDir source(QStringLiteral(VANTREL_SOURCE_DIR "/skin/default"));
        for (const QString& f : source.entryList(QDir::Files))
            dossier.ecrire("skin/" + f.toStdString(),
                           vt::test::lire_fichier(QFile::encodeName(source.filePath(f)).toStdString()));
        rep_skin = dossier / "skin/";
        config = dossier.ecrire("vantrel.config",
                                vt::texte_configuration(rep_skin, "default.sk", 20, 20, "playlist/", false));
    }
    void TearDown() override { vt::installer_images_prechargees(nullptr); }

    // The files the loader decodes for this skin.
    std::set<std::string> fichiers_decodes() {
        gestion_vantrel g;
        EXPECT_TRUE(g.charger(rep_skin + "default.sk"));
        std::set<std::string> f{rep_skin + g.valeur(vt::kValeurCouleurs)};
        for (const vt::Element& e : vt::kElementsSkin)
            f.insert(rep_skin + g.valeur(static_cast<unsigned>(e.valeur)));
        return f;
    }

    Cible charger() {
        Cible c;
        vt::ChargeurSkin chargeur;
        EXPECT_EQ(chargeur.charger(rep_skin + "default.sk", rep_skin, c), vt::ResultatSkin::Applique);
        EXPECT_TRUE(chargeur.messages.empty());
        return c;
    }

    DossierTemp dossier;
    std::string rep_skin, config;
};

// Every picture the loader decodes is decoded ahead, and the loader hands
// the window exactly the same pictures and colours with them as without.
TEST_F(Prechargement, LoaderGivesTheSamePicturesWithOrWithout) {
    const Cible seul = charger();
    ImagesPrechargees p;
    p.lire(config);
    p.decoder();
    const std::set<std::string> fichiers = fichiers_decodes();
    EXPECT_EQ(p.nombre(), fichiers.size());
    for (const std::string& f : fichiers) EXPECT_TRUE(p.prendre(f).has_value()) << f;

    vt::installer_images_prechargees(&p);
    const Cible avec = charger();
    ASSERT_EQ(avec.images.size(), seul.images.size());
    for (std::size_t i = 0; i < seul.images.size(); ++i) {
        EXPECT_EQ(avec.images[i].first, seul.images[i].first);
        EXPECT_EQ(avec.images[i].second, seul.images[i].second) << seul.images[i].first;
    }
    EXPECT_EQ(avec.couleurs, seul.couleurs);
}

// A file changed after it was read is not taken: the loader decodes the new
// file. One that became undecodable gives the loader's message, as it would
// without the pictures decoded ahead.
TEST_F(Prechargement, ChangedFileIsDecodedAgain) {
    ImagesPrechargees p;
    p.lire(config);
    p.decoder();
    vt::installer_images_prechargees(&p);
    gestion_vantrel g;
    ASSERT_TRUE(g.charger(rep_skin + "default.sk"));
    const std::string fond = rep_skin + g.valeur(static_cast<unsigned>(vt::kElementsSkin[0].valeur));
    QImage nouvelle(7, 5, QImage::Format_RGB32);
    nouvelle.fill(QColor(1, 2, 3));
    ASSERT_TRUE(QFile::remove(q(fond)));
    ASSERT_TRUE(nouvelle.save(q(fond), "BMP"));
    EXPECT_FALSE(p.prendre(fond).has_value());
    const QImage lue = vt::lire_image(fond);
    EXPECT_EQ(lue.size(), QSize(7, 5));
    EXPECT_EQ(lue.pixelColor(0, 0), QColor(1, 2, 3));

    dossier.ecrire("skin/" + g.valeur(static_cast<unsigned>(vt::kElementsSkin[0].valeur)),
                   "BM pas une image");
    Cible c;
    vt::ChargeurSkin chargeur;
    EXPECT_EQ(chargeur.charger(rep_skin + "default.sk", rep_skin, c), vt::ResultatSkin::ImageIllisible);
    ASSERT_EQ(chargeur.messages.size(), 1u);
    EXPECT_EQ(chargeur.messages[0].second, QStringLiteral("image illisible : ") + q(fond));
}

// Bitmaps are decoded as they are read, other pictures only by the second
// step. The loader coming before that step has begun does not wait for it:
// what is decoded is taken, the rest given up, and the step that comes later
// does nothing. Giving up after the step keeps everything.
TEST_F(Prechargement, LoaderBeforeTheSecondStepTakesOnlyTheBitmaps) {
    gestion_vantrel g;
    ASSERT_TRUE(g.charger(rep_skin + "default.sk"));
    const std::string nom_png = g.valeur(static_cast<unsigned>(vt::kElementsSkin[0].valeur));
    const std::string png = rep_skin + nom_png;
    const std::string bmp = rep_skin + g.valeur(vt::kValeurCouleurs);
    ASSERT_NE(png, bmp);
    QImage image = vt::lire_image(png);
    ASSERT_FALSE(image.isNull());
    ASSERT_TRUE(QFile::remove(q(png)));
    ASSERT_TRUE(image.save(q(png), "PNG"));  // a PNG under its bitmap's name

    ImagesPrechargees p;
    p.lire(config);
    EXPECT_TRUE(p.prendre(bmp).has_value());
    EXPECT_FALSE(p.prendre(png).has_value());
    p.decoder();
    EXPECT_FALSE(p.prendre(png).has_value());
    EXPECT_EQ(p.nombre(), fichiers_decodes().size() - 1);

    ImagesPrechargees abandon;
    abandon.lire(config);
    abandon.abandonner();
    abandon.decoder();
    EXPECT_FALSE(abandon.prendre(png).has_value());
    EXPECT_EQ(abandon.nombre(), fichiers_decodes().size() - 1);

    ImagesPrechargees complet;
    complet.lire(config);
    complet.decoder();
    complet.abandonner();
    EXPECT_EQ(complet.nombre(), fichiers_decodes().size());
    const std::optional<QImage> lue = complet.prendre(png);
    ASSERT_TRUE(lue.has_value());
    EXPECT_EQ(*lue, image);
}

// Nothing is read when the configuration, the skin file or the skin's
// values are missing; nothing is then waited for.
TEST_F(Prechargement, NothingReadWithoutAUsableSkin) {
    auto essai = [&](const std::string& fichier_config) {
        ImagesPrechargees p;
        p.lire(fichier_config);
        p.decoder();
        return p.nombre();
    };
    EXPECT_EQ(essai(dossier / "absent.config"), 0u);
    const std::string sans_skin = dossier.ecrire(
        "b.config", vt::texte_configuration(rep_skin, "absent.sk", 20, 20, "playlist/", false));
    EXPECT_EQ(essai(sans_skin), 0u);
    // 43 values: the loader refuses the skin, so nothing is worth decoding.
    std::string texte;
    for (int v = 1; v <= 43; ++v) vt::ajouter_valeur(texte, "image_fond.bmp");
    dossier.ecrire("skin/court.sk", texte);
    const std::string court =
        dossier.ecrire("c.config", vt::texte_configuration(rep_skin, "court.sk", 20, 20, "playlist/", false));
    EXPECT_EQ(essai(court), 0u);
    EXPECT_EQ(essai(config), fichiers_decodes().size());
}

}  // namespace
