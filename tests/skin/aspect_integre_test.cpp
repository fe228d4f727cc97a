// The built-in look compiled into the program and the skins shipped in the
// repository's skin/ folder.
#include "skin/aspect_integre.h"
#include "config/gestion_vantrel.h"
#include "skin/chargeur_skin.h"
#include "skin/elements.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

namespace {

class CibleEnregistree final : public vt::CibleSkin {
public:
    std::map<std::string, QImage, std::less<>> images;
    int appels_images = 0;
    std::vector<std::array<QColor, 3>> couleurs;
    int cachages = 0;

    void definir_image(std::string_view element, const QImage& image) override {
        images[std::string(element)] = image;
        ++appels_images;
    }
    void definir_couleurs(QColor a, QColor b, QColor c) override { couleurs.push_back({a, b, c}); }
    void montrer_label_lecture(bool visible) override { cachages += !visible; }
};

bool decoration(int valeur) {
    return valeur == 6 || valeur == 34 || valeur == 39 || valeur == 40 || valeur == 41;
}

// WCAG contrast ratio between two colours.
double contraste(QColor a, QColor b) {
    auto lum = [](QColor c) {
        auto canal = [](double v) {
            v /= 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * canal(c.red()) + 0.7152 * canal(c.green()) + 0.0722 * canal(c.blue());
    };
    double l1 = lum(a), l2 = lum(b);
    if (l1 < l2) std::swap(l1, l2);
    return (l1 + 0.05) / (l2 + 0.05);
}

// Every element, the title strip and its buttons included, has a built-in
// picture at its built-in size.
TEST(AspectIntegre, EveryElementHasAPictureAtItsBuiltInSize) {
    for (const auto* table : {&vt::kElementsSkin[0], &vt::kElementsFixes[0]}) {
        std::size_t n = table == &vt::kElementsSkin[0] ? vt::kElementsSkin.size() : vt::kElementsFixes.size();
        for (std::size_t i = 0; i < n; ++i) {
            const vt::Element& e = table[i];
            SCOPED_TRACE(std::string(e.nom));
            QImage img = vt::image_integree(e.nom);
            ASSERT_FALSE(img.isNull());
            EXPECT_EQ(img.size(), QSize(e.largeur, e.hauteur));
        }
    }
}

// Elements that share a row show the same picture; unknown names give none.
TEST(AspectIntegre, RowsShareOnePictureAndUnknownNamesGiveNone) {
    EXPECT_EQ(vt::image_integree("image_add"), vt::image_integree("image_add_off"));
    EXPECT_EQ(vt::image_integree("image_playoff"), vt::image_integree("image_play"));
    EXPECT_NE(vt::image_integree("image_play"), vt::image_integree("image_playon"));
    EXPECT_TRUE(vt::image_integree("pas_un_element").isNull());
    EXPECT_TRUE(vt::image_integree("").isNull());
    EXPECT_TRUE(vt::image_integree("../builtin/image_fond").isNull());
}

// The about window's pictures and the application icon are there too.
TEST(AspectIntegre, AboutPicturesAndIconExist) {
    EXPECT_EQ(vt::image_integree("about_fond").size(), QSize(641, 516));
    EXPECT_EQ(vt::image_integree("about_logo").size(), QSize(200, 37));
    EXPECT_EQ(vt::image_integree("icone").size(), QSize(64, 64));
}

// The built-in colours come from the colour bitmap and keep the list and the
// status line readable.
TEST(AspectIntegre, BuiltInColoursAreReadable) {
    vt::CouleursSkin c = vt::couleurs_integrees();
    EXPECT_GE(contraste(c.fond_liste, c.texte_liste), 7.0);
    QImage ecran = vt::image_integree("image_fond_lecture");
    QColor fond_ecran = ecran.pixelColor(ecran.width() / 2, ecran.height() / 2);
    EXPECT_GE(contraste(fond_ecran, c.texte_lecture), 4.5);
}

// Applying the built-in look sets all 55 elements and the colours, and leaves
// the status line visible.
TEST(AspectIntegre, ApplyingTheBuiltInLookSetsEveryElement) {
    CibleEnregistree cible;
    vt::appliquer_aspect_integre(cible);
    EXPECT_EQ(cible.appels_images, static_cast<int>(vt::kElementsSkin.size()));
    for (const vt::Element& e : vt::kElementsSkin)
        EXPECT_FALSE(cible.images[std::string(e.nom)].isNull()) << e.nom;
    ASSERT_EQ(cible.couleurs.size(), 1u);
    EXPECT_EQ(cible.couleurs[0][0], vt::couleurs_integrees().fond_liste);
    EXPECT_EQ(cible.cachages, 0);
}

// The repository's default skin is valid, shows the built-in pictures at their
// built-in sizes, adds real decorations and a full-size menu background, and
// keeps the status line.
TEST(SkinsLivres, DefaultSkinIsValidAndMatchesTheBuiltInLook) {
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    const std::string rep = std::string(VANTREL_SOURCE_DIR) + "/skin/default/";
    ASSERT_EQ(chargeur.charger(rep + "default.sk", rep, cible), vt::ResultatSkin::Applique);
    EXPECT_TRUE(chargeur.messages.empty());
    EXPECT_EQ(chargeur.parseur.nombre_valeurs(), 44u);
    EXPECT_EQ(cible.appels_images, static_cast<int>(vt::kElementsSkin.size()));
    for (const vt::Element& e : vt::kElementsSkin) {
        SCOPED_TRACE(std::string(e.nom));
        const QImage& img = cible.images[std::string(e.nom)];
        if (decoration(e.valeur)) {
            EXPECT_GT(img.width() * img.height(), 1);
        } else if (e.valeur == 42) {
            EXPECT_EQ(img.size(), QSize(75, 250));
        } else {
            EXPECT_EQ(img.size(), QSize(e.largeur, e.hauteur));
            if (e.valeur != 22) {  // the background leaves the labels to the decorations
                EXPECT_EQ(img.convertToFormat(QImage::Format_RGB32),
                          vt::image_integree(e.nom).convertToFormat(QImage::Format_RGB32));
            }
        }
    }
    ASSERT_EQ(cible.couleurs.size(), 1u);
    vt::CouleursSkin integre = vt::couleurs_integrees();
    EXPECT_EQ(cible.couleurs[0][0], integre.fond_liste);
    EXPECT_EQ(cible.couleurs[0][1], integre.texte_liste);
    EXPECT_EQ(cible.couleurs[0][2], integre.texte_lecture);
    EXPECT_EQ(cible.cachages, 0);
}

// The second shipped skin is valid, looks different and hides the status line.
TEST(SkinsLivres, IvoireSkinIsValidAndHidesTheStatusLine) {
    vt::ChargeurSkin chargeur;
    CibleEnregistree cible;
    const std::string rep = std::string(VANTREL_SOURCE_DIR) + "/skin/ivoire/";
    ASSERT_EQ(chargeur.charger(rep + "ivoire.sk", rep, cible), vt::ResultatSkin::Applique);
    EXPECT_TRUE(chargeur.messages.empty());
    EXPECT_EQ(cible.appels_images, static_cast<int>(vt::kElementsSkin.size()));
    EXPECT_EQ(cible.cachages, 1);
    EXPECT_NE(cible.images["image_fond"], vt::image_integree("image_fond"));
    EXPECT_NE(cible.images["image_play"], vt::image_integree("image_play"));
    ASSERT_EQ(cible.couleurs.size(), 1u);
    EXPECT_GE(contraste(cible.couleurs[0][0], cible.couleurs[0][1]), 7.0);
}

}  // namespace
