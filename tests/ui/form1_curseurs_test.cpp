// Volume, balance and position sliders: drags, clicks on the bars, the value
// labels and what reaches the audio channel.
#include "playlist/liste_courante.h"
#include "support/wav.h"
#include "ui/fixture.h"

namespace {

using vt::test::DemarreTest;

class Curseurs : public DemarreTest<true> {
protected:
    void jouer(int ms = 4000) {
        f1->deposer({app.ecrire("t.wav", vt::test::octets_wav(ms))});
        f1->selectionner(0);
        appui(f1->image_play);
    }
    int offset(vt::ImageVt* c, vt::ImageVt* b) { return c->x() - b->x(); }
};

// Rest places after start-up: volume at the right end, balance at 50,
// position at the left.
TEST_F(Curseurs, RestPlaces) {
    EXPECT_EQ(offset(f1->curseur_volume, f1->barre_volume), 95);
    EXPECT_EQ(offset(f1->curseur_balance, f1->barre_balance), 50);
    EXPECT_EQ(offset(f1->curseur_position, f1->barre_position), 0);
}

// Dragging moves the cursor to the pointer and shows the percentage; a move
// past either end, however far, stops at that end with the end's value.
TEST_F(Curseurs, VolumeDragReachesEachEnd) {
    auto* c = f1->curseur_volume;
    appui(c);
    EXPECT_TRUE(montre(c, "image_volumeon"));
    glisser(c, {-45, 5});  // to offset 50
    EXPECT_EQ(offset(c, f1->barre_volume), 50);
    EXPECT_FALSE(f1->label_vol->isHidden());
    EXPECT_EQ(f1->label_vol->text(), QStringLiteral("52"));  // 134 * 100 / 255
    glisser(c, {-60, 5});                                    // offset -10: the left end
    EXPECT_EQ(offset(c, f1->barre_volume), 0);
    EXPECT_EQ(f1->label_vol->text(), QStringLiteral("0"));
    glisser(c, {400, 5});  // far past the right end: full volume
    EXPECT_EQ(offset(c, f1->barre_volume), 95);
    EXPECT_EQ(module->lecteur->volume(), 255);
    relache(c);
    EXPECT_TRUE(montre(c, "image_volumeoff"));
    EXPECT_TRUE(f1->label_vol->isHidden());
}

// The balance label runs from -50 to 50; a drag past an end gives 0 or 255.
TEST_F(Curseurs, BalanceLabel) {
    auto* c = f1->curseur_balance;
    appui(c);
    glisser(c, {-300, 3});
    EXPECT_EQ(f1->label_bal->text(), QStringLiteral("-50"));
    EXPECT_EQ(module->lecteur->balance(), 0);
    glisser(c, {400, 3});
    EXPECT_EQ(f1->label_bal->text(), QStringLiteral("50"));
    EXPECT_EQ(module->lecteur->balance(), 255);
    relache(c);
}

// A click on a bar puts the cursor there; the rightmost cursor-width pixels
// do nothing; another button moves without the label.
TEST_F(Curseurs, BarClicks) {
    clic(f1->barre_volume, {94, 2});
    EXPECT_EQ(offset(f1->curseur_volume, f1->barre_volume), 94);  // volume 252, the highest by click
    EXPECT_TRUE(f1->label_vol->isHidden());
    clic(f1->barre_volume, {95, 2});
    clic(f1->barre_volume, {99, 2});
    EXPECT_EQ(offset(f1->curseur_volume, f1->barre_volume), 94);
    clic(f1->barre_balance, {10, 2}, Qt::RightButton);
    EXPECT_EQ(offset(f1->curseur_balance, f1->barre_balance), 10);
    EXPECT_EQ(f1->label_bal->text(), QStringLiteral("128"));  // no label update without the left button
}

// What the sliders say reaches the channel: volume 0 silences the output.
TEST_F(Curseurs, VolumeReachesTheChannel) {
    jouer();
    clic(f1->barre_volume, {0, 2});
    pomper_ms(200);  // let the level ramp settle
    auto& sortie = static_cast<vt::SortieManuelle&>(*lecteur().moteur().sortie());
    auto echantillons = sortie.pomper(4410);
    float max = 0;
    for (float v : echantillons) max = std::max(max, std::abs(v));
    EXPECT_LT(max, 0.001f);
    // A move without a button sends the value again and moves nothing.
    clic(f1->barre_volume, {60, 2});
    const int x = f1->curseur_volume->x();
    glisser(f1->curseur_volume, {2, 2}, Qt::NoButton);
    EXPECT_EQ(f1->curseur_volume->x(), x);
    pomper_ms(200);
    echantillons = sortie.pomper(4410);
    max = 0;
    for (float v : echantillons) max = std::max(max, std::abs(v));
    EXPECT_GT(max, 0.05f);
}

// Pressing the position cursor lights it and mutes; dragging seeks only
// while playing; releasing unmutes.
TEST_F(Curseurs, PositionDragSeeksMuted) {
    auto* c = f1->curseur_position;
    appui(c);  // nothing plays: lit, nothing moves
    EXPECT_TRUE(montre(c, "curseur_position_on"));
    glisser(c, {100, 5});
    EXPECT_EQ(offset(c, f1->barre_position), 0);
    relache(c);
    EXPECT_TRUE(montre(c, "curseur_position_off"));

    jouer(4000);
    appui(c);
    pomper_ms(100);
    auto& sortie = static_cast<vt::SortieManuelle&>(*lecteur().moteur().sortie());
    auto muet = sortie.pomper(2205);
    float max = 0;
    for (float v : muet) max = std::max(max, std::abs(v));
    EXPECT_LT(max, 0.001f);
    const int span = f1->barre_position->width() - c->width();
    glisser(c, {span / 2, 5});
    EXPECT_EQ(offset(c, f1->barre_position), span / 2);
    pomper_ms(50);
    EXPECT_NEAR(lecteur().moteur().temps_ms(lecteur().flux), 2000, 150);
    glisser(c, {-span, 5});  // past the left end: the start of the track
    EXPECT_EQ(offset(c, f1->barre_position), 0);
    relache(c);
    pomper_ms(100);
    auto son = sortie.pomper(2205);
    max = 0;
    for (float v : son) max = std::max(max, std::abs(v));
    EXPECT_GT(max, 0.05f);
}

// A click on the position bar seeks there once, only while playing.
TEST_F(Curseurs, PositionBarClick) {
    const int span = f1->barre_position->width() - f1->curseur_position->width();
    clic(f1->barre_position, {100, 3});
    EXPECT_EQ(offset(f1->curseur_position, f1->barre_position), 0);
    jouer(4000);
    clic(f1->barre_position, {span / 4, 3});
    EXPECT_EQ(offset(f1->curseur_position, f1->barre_position), span / 4);
    pomper_ms(20);
    EXPECT_NEAR(lecteur().moteur().temps_ms(lecteur().flux), 1000, 150);
    clic(f1->barre_position, {span + 2, 3});
    EXPECT_EQ(offset(f1->curseur_position, f1->barre_position), span / 4);
    EXPECT_TRUE(montre(f1->curseur_position, "curseur_position_off"));
}

}  // namespace
