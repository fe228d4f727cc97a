// The plain rules behind the sliders' drags and wheel, the play list's keys
// and a row dragged along the list: pixels or keys in, outcome out.
#include "ui/curseurs.h"
#include "ui/gestes.h"

#include <gtest/gtest.h>

namespace {

// A drag's proposed offset, on the designed span (95) and on a skin whose
// cursor fills its bar (span 0): past either end, however far, the end.
TEST(Curseurs, DragReachesEachEnd) {
    const struct { int propose, span, offset; } cas[] = {
        {50, 95, 50}, {95, 95, 95}, {96, 95, 95}, {400, 95, 95}, {0, 95, 0}, {-1, 95, 0}, {-300, 95, 0},
        {7, 0, 0},    {-7, 0, 0},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(vt::offset_glisse(c.propose, c.span), c.offset) << c.propose << " " << c.span;
        // Volume 255 at the right end, 0 at the left, on a real bar.
        if (c.span > 0 && c.propose >= c.span) EXPECT_EQ(vt::valeur_curseur(vt::offset_glisse(c.propose, c.span), c.span), 255);
    }
}

// Notches over a bar: 3 px a notch on the designed bar (8 of 255), at least
// one pixel on a short one, held to the bar at both ends.
TEST(Curseurs, WheelSteps) {
    const struct { int offset, span, crans, apres; } cas[] = {
        {50, 95, 1, 53}, {50, 95, -1, 47}, {50, 95, 3, 59}, {94, 95, 1, 95}, {95, 95, 1, 95},
        {1, 95, -1, 0},  {0, 95, -5, 0},   {3, 10, 1, 4},   {3, 10, -1, 2},  {0, 0, 1, 0},
        {200, 328, 2, 220},
    };
    for (const auto& c : cas)
        EXPECT_EQ(vt::offset_molette(c.offset, c.span, c.crans), c.apres) << c.offset << " " << c.span;
    EXPECT_EQ(vt::valeur_curseur(53, 95) - vt::valeur_curseur(50, 95), 8);
}

// A wheel's deltas: whole notches of 120, smaller pieces gathered, a turn
// the other way starting afresh.
TEST(Curseurs, WheelNotches) {
    vt::CransMolette m;
    const struct { int delta, crans; } suite[] = {
        {120, 1}, {-240, -2}, {60, 0}, {60, 1}, {90, 0}, {-30, 0}, {-90, -1}, {360, 3}, {40, 0}, {80, 1},
    };
    for (const auto& s : suite) EXPECT_EQ(m.ajouter(s.delta), s.crans) << s.delta;
}

// The list's keys: with a modifier other than the keypad's, the list's own.
TEST(Gestes, ListKeys) {
    using T = vt::ToucheListe;
    const struct { int touche; Qt::KeyboardModifiers m; bool repetee; T action; } cas[] = {
        {Qt::Key_Space, Qt::NoModifier, false, T::PauseLecture},
        {Qt::Key_Space, Qt::NoModifier, true, T::Ignorer},
        {Qt::Key_Space, Qt::ControlModifier, false, T::Aucune},
        {Qt::Key_Delete, Qt::NoModifier, false, T::Supprimer},
        {Qt::Key_Delete, Qt::KeypadModifier, true, T::Supprimer},
        {Qt::Key_Delete, Qt::ShiftModifier, false, T::Aucune},
        {Qt::Key_Return, Qt::NoModifier, false, T::Lancer},
        {Qt::Key_Enter, Qt::KeypadModifier, true, T::Ignorer},
        {Qt::Key_Backspace, Qt::NoModifier, false, T::Aucune},
        {Qt::Key_Down, Qt::NoModifier, false, T::Aucune},
    };
    for (const auto& c : cas) EXPECT_EQ(vt::touche_liste(c.touche, c.m, c.repetee), c.action) << c.touche;
}

// The row a dragged entry goes to in a list of 5 (and an empty one).
TEST(Gestes, RowUnderTheDraggedEntry) {
    const struct { int sous, cote, nombre, ligne; } cas[] = {
        {2, 0, 5, 2}, {-1, 0, 5, 4}, {0, -1, 5, 0}, {3, -1, 5, 2}, {3, 1, 5, 4}, {4, 1, 5, 4}, {-1, 1, 5, 4},
        {-1, 0, 0, -1},
    };
    for (const auto& c : cas) EXPECT_EQ(vt::ligne_visee(c.sous, c.cote, c.nombre), c.ligne) << c.sous << c.cote;
}

}  // namespace
