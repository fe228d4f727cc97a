// Where a stored place goes among the screens' available areas: a
// 1024x768 screen with a 30-pixel panel at its bottom, and a second one;
// and how a secondary window is kept within its screen.
#include "ui/place_ecran.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const QRect kGauche(0, 0, 1024, 738);
const QRect kDroite(1024, 0, 1280, 994);
const QSize kFenetre(349, 291);
constexpr int kBarre = 12;

// Kept while any part of the title strip lies within an area; brought back
// whole into the nearest area otherwise.
TEST(PlaceEcran, MovesOnlyAWindowWhoseTitleStripIsOffEveryScreen) {
    struct Cas {
        const char* quoi;
        QPoint stockee;
        std::vector<QRect> zones;
        QPoint attendue;
    } cas[] = {
        {"on screen", {194, 235}, {kGauche}, {194, 235}},
        {"20 pixels beyond the left edge", {-20, 7}, {kGauche}, {-20, 7}},
        {"all but its last column beyond the left edge", {-348, 100}, {kGauche}, {-348, 100}},
        {"wholly beyond the left edge", {-349, 100}, {kGauche}, {0, 100}},
        {"only its strip's last row on screen", {100, -11}, {kGauche}, {100, -11}},
        {"strip just above the top", {100, -12}, {kGauche}, {100, 0}},
        {"strip on the panel's last free row", {100, 737}, {kGauche}, {100, 737}},
        {"strip on the panel", {100, 738}, {kGauche}, {100, 738 - 291}},
        {"across two screens side by side", {900, 100}, {kGauche, kDroite}, {900, 100}},
        {"below the shorter screen, strip on the taller", {1100, 900}, {kGauche, kDroite}, {1100, 900}},
        {"right monitor removed", {1500, 300}, {kGauche}, {1024 - 349, 300}},
        {"doubled by a scale of 2", {1400, 1000}, {QRect(0, 0, 640, 497)}, {640 - 349, 497 - 291}},
        {"3000,3000", {3000, 3000}, {kGauche}, {1024 - 349, 738 - 291}},
        {"nearest of two it does not touch", {3000, 100}, {kGauche, kDroite}, {2304 - 349, 100}},
        {"32-bit limits", {INT_MAX, INT_MIN}, {kGauche, kDroite}, {2304 - 349, 0}},
        {"32-bit limits, other way", {INT_MIN, INT_MAX}, {kGauche, kDroite}, {0, 738 - 291}},
        {"no screen", {5000, 5000}, {}, {5000, 5000}},
    };
    for (const Cas& c : cas)
        EXPECT_EQ(vt::place_visible(c.stockee, kFenetre, kBarre, c.zones), c.attendue) << c.quoi;
}

// After the monitor under the window went away, a window left partly off
// every screen (a 34-pixel strip) comes back whole into the nearest one; a
// window whole on a remaining screen stays.
TEST(PlaceEcran, WindowOfARemovedMonitorComesBackWhole) {
    const struct {
        const char* quoi;
        QPoint place;
        std::vector<QRect> zones;
        QPoint attendue;
    } cas[] = {
        {"34 pixels left on the left screen", {990, 200}, {kGauche}, {1024 - 349, 200}},
        {"wholly on the removed screen", {1500, 300}, {kGauche}, {1024 - 349, 300}},
        {"below the panel too", {990, 600}, {kGauche}, {1024 - 349, 738 - 291}},
        {"whole on the remaining screen", {675, 447}, {kGauche}, {675, 447}},
        {"whole on the remaining right screen", {1024, 0}, {kGauche, kDroite}, {1024, 0}},
        {"across two remaining screens, mostly right", {900, 100}, {kGauche, kDroite}, {1024, 100}},
        {"larger than the screen", {-50, -50}, {QRect(0, 0, 300, 200)}, {0, 0}},
        {"no screen left", {1500, 300}, {}, {1500, 300}},
    };
    for (const auto& c : cas) EXPECT_EQ(vt::place_entiere(c.place, kFenetre, c.zones), c.attendue) << c.quoi;
}

TEST(PlaceEcran, SecondaryWindowFitsItsScreen) {
    const QRect zone2x(0, 0, 640, 497);  // 1280x1024 at 2x, a panel below
    const QRect droite(1280, 0, 1024, 738);
    struct Cas {
        const char* quoi;
        QRect cadre;
        QRect zone;
        QRect attendu;
    } cas[] = {
        {"fits: unchanged", {100, 50, 353, 300}, kGauche, {100, 50, 353, 300}},
        {"save window at 2x", {-149, 141, 789, 215}, zone2x, {0, 141, 640, 215}},
        {"file dialog at 2x", {-90, 20, 818, 440}, zone2x, {0, 20, 640, 440}},
        {"taller than the area", {10, 10, 407, 530}, zone2x, {10, 0, 407, 497}},
        {"off the right and the bottom", {900, 600, 353, 300}, kGauche, {1024 - 353, 738 - 300, 353, 300}},
        {"on the right screen", {1200, 100, 400, 200}, droite, {1280, 100, 400, 200}},
        {"larger than the right screen", {1200, -5, 1500, 900}, droite, {1280, 0, 1024, 738}},
        {"no area", {-10, -10, 50, 50}, QRect(), {-10, -10, 50, 50}},
    };
    for (const Cas& c : cas) EXPECT_EQ(vt::cadre_dans_zone(c.cadre, c.zone), c.attendu) << c.quoi;
}

}  // namespace
