// The menu picture of each shipped skin: its entries are written black, and
// the one under the pointer white, on it; both must read everywhere an
// entry's text lies.
#include <gtest/gtest.h>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>

namespace {

double lineaire(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double luminance(QColor c) {
    return 0.2126 * lineaire(c.redF()) + 0.7152 * lineaire(c.greenF()) + 0.0722 * lineaire(c.blueF());
}

// Contrast ratio of two luminances, 1 to 21.
double contraste(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }

struct Entree {
    const char* nom;
    QRect zone;  // where the entry's text is drawn in the 75 x 250 menu
};

constexpr double kContrasteMinimal = 3.5;

class MenuLisible : public testing::TestWithParam<const char*> {};

TEST_P(MenuLisible, BlackAndWhiteEntriesReadOnThePicture) {
    const QString chemin = QStringLiteral(VANTREL_SOURCE_DIR "/skin/%1/image_fond_menu.bmp").arg(GetParam());
    const QImage img(chemin);
    ASSERT_FALSE(img.isNull()) << chemin.toStdString();
    const Entree entrees[] = {
        {"Ouvrir", QRect(12, 8, 51, 20)},      {"Enregistrer", QRect(7, 43, 62, 12)},
        {"playlist", QRect(7, 57, 40, 12)},    {"Option", QRect(8, 89, 54, 17)},
        {"Propriétés", QRect(6, 133, 58, 12)}, {"A propos", QRect(11, 176, 51, 12)},
        {"Quitter", QRect(10, 214, 55, 20)},
    };
    for (const Entree& e : entrees) {
        double pire_noir = 21, pire_blanc = 21;
        for (int y = e.zone.top(); y <= e.zone.bottom(); ++y)
            for (int x = e.zone.left(); x <= e.zone.right(); ++x) {
                ASSERT_TRUE(img.rect().contains(x, y)) << e.nom;
                const double l = luminance(img.pixelColor(x, y));
                pire_noir = std::min(pire_noir, contraste(l, 0.0));
                pire_blanc = std::min(pire_blanc, contraste(l, 1.0));
            }
        EXPECT_GE(pire_noir, kContrasteMinimal) << GetParam() << " " << e.nom << " in black";
        EXPECT_GE(pire_blanc, kContrasteMinimal) << GetParam() << " " << e.nom << " in white";
    }
}

INSTANTIATE_TEST_SUITE_P(Skins, MenuLisible, testing::Values("default", "ivoire"));

}  // namespace
