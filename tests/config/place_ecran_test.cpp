// Where a stored place goes among the screens' available areas: a
// 1024x768 screen with a 30-pixel panel at its bottom, and a second one.
#include "config/place_ecran.h"

#include <gtest/gtest.h>

namespace {

const QRect kGauche(0, 0, 1024, 738);
const QRect kDroite(1024, 0, 1280, 994);
const QSize kFenetre(349, 291);

TEST(PlaceEcran, MovesOnlyWhatLiesOffEveryScreen) {
    struct Cas {
        const char* quoi;
        QPoint stockee;
        std::vector<QRect> zones;
        QPoint attendue;
    } cas[] = {
        {"on screen", {194, 235}, {kGauche}, {194, 235}},
        {"across two screens side by side", {900, 100}, {kGauche, kDroite}, {900, 100}},
        {"right monitor removed", {1500, 300}, {kGauche}, {1024 - 349, 300}},
        {"doubled by a scale of 2", {388, 470}, {QRect(0, 0, 512, 369)}, {512 - 349, 369 - 291}},
        {"nearest is the screen it overlaps most", {2200, 900}, {kGauche, kDroite}, {2304 - 349, 994 - 291}},
        {"partly below the shorter screen goes to it", {700, 600}, {kGauche, kDroite}, {1024 - 349, 738 - 291}},
        {"nearest of two it does not touch", {3000, 100}, {kGauche, kDroite}, {2304 - 349, 100}},
        {"no screen", {5000, 5000}, {}, {5000, 5000}},
    };
    for (const Cas& c : cas)
        EXPECT_EQ(vt::place_visible(QRect(c.stockee, kFenetre), c.zones), c.attendue) << c.quoi;
}

}  // namespace
