// The sliders' arithmetic for drags and the wheel: pixels in, offset out.
#include "ui/gestes.h"
#include "ui/curseurs.h"

#include <QStringList>

#include <gtest/gtest.h>

// A drag past either end, however far, gives that end; a cursor that fills
// its bar (span 0) stays. Notches: 3 px each on the designed bar (8 of 255),
// one at least on a short bar, held to the bar.
TEST(CurseursCalcul, DragAndWheelReachTheEnds) {
    const int glisses[][3] = {{50, 95, 50}, {96, 95, 95},  {400, 95, 95},
                              {0, 95, 0},   {-300, 95, 0}, {7, 0, 0}};
    for (const auto& c : glisses) EXPECT_EQ(vt::offset_glisse(c[0], c[1]), c[2]) << c[0];
    const int crans[][4] = {{50, 95, 1, 53}, {50, 95, -3, 41}, {94, 95, 1, 95},   {1, 95, -1, 0},
                            {3, 10, -1, 2},  {0, 0, 1, 0},     {200, 328, 2, 220}};
    for (const auto& c : crans) EXPECT_EQ(vt::offset_molette(c[0], c[1], c[2]), c[3]) << c[0] << " " << c[1];
}

// A click on a bar: its left end is offset 0; from the span on (the last
// cursor-width pixels, 95..99 of the designed volume bar, 328..334 of the
// position bar) nothing moves; nor on a bar the cursor fills.
TEST(CurseursCalcul, BarClickReachesAllButTheLastCursorWidth) {
    const int clics[][3] = {{0, 95, 0},      {94, 95, 94},   {95, 95, -1}, {99, 95, -1},
                            {327, 328, 327}, {328, 328, -1}, {-1, 95, -1}, {0, 0, -1}};
    for (const auto& c : clics)
        EXPECT_EQ(vt::offset_clic(c[0], c[1]).value_or(-1), c[2]) << c[0] << " " << c[1];
}

// Type-ahead: a first letter goes to the next row after the current one
// whose name starts with it (round to the top, any case); more letters keep
// a row that still matches; the same letter again steps through its rows.
// An accent counts, in one character or as a letter and a combining accent
// (row 6, as some systems write file names).
TEST(ListeTapee, LettersChooseTheNextMatchingRow) {
    const QStringList noms = {"Bach.mp3", "beethoven.wav", "Brahms.mp3",     "Chopin.mp3",
                              "Élan.mp3", "bb.mp3",        "e\u0301cole.mp3"};
    auto nom = [&](int i) { return noms.at(i); };
    const struct {
        int courant;
        const char* saisie;
        int ligne;
    } cas[] = {{-1, "b", 0},  {0, "b", 1},  {2, "b", 5},    {5, "b", 0},  {-1, "be", 1},
               {1, "be", 1},  {0, "bR", 2}, {3, "c", 3},    {1, "bb", 5}, {5, "bb", 5},
               {2, "bbb", 5}, {0, "x", -1}, {0, "bax", -1}, {-1, "É", 4}, {-1, "é", 4},
               {4, "é", 6},   {0, "éc", 6}, {0, "e", -1},   {0, "", -1},  {9, "c", 3}};
    for (const auto& c : cas)
        EXPECT_EQ(vt::ligne_tapee(nom, int(noms.size()), c.courant, QString::fromUtf8(c.saisie)), c.ligne)
            << c.courant << " " << c.saisie;
    EXPECT_EQ(vt::ligne_tapee(nom, 0, -1, QStringLiteral("b")), -1);
}
