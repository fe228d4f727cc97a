// Time text, slider arithmetic, the status-line scroll and the random draw.
#include "player/regles.h"
#include "ui/curseurs.h"

#include <gtest/gtest.h>
#include <set>

namespace {

TEST(TimeText, MinutesAndSecondsWithLeadingZeros) {
    EXPECT_EQ(vt::texte_temps(0), "00 : 00");
    EXPECT_EQ(vt::texte_temps(999), "00 : 00");
    EXPECT_EQ(vt::texte_temps(59999), "00 : 59");
    EXPECT_EQ(vt::texte_temps(65000), "01 : 05");
    EXPECT_EQ(vt::texte_temps(600000), "10 : 00");
    EXPECT_EQ(vt::texte_temps(3599000), "59 : 59");
    EXPECT_EQ(vt::texte_temps(6005000), "100 : 05");
    EXPECT_EQ(vt::texte_temps(-5), "00 : 00");
}

// Designed sizes: 100-pixel bars, 5-pixel cursors, so the span is 95.
TEST(SliderArithmetic, ValuesAtEndsAndDesignedPlaces) {
    EXPECT_EQ(vt::valeur_curseur(0, 95), 0);
    EXPECT_EQ(vt::valeur_curseur(95, 95), 255);
    EXPECT_EQ(vt::valeur_curseur(50, 95), 134);  // balance at rest
    EXPECT_EQ(vt::valeur_curseur(94, 95), 252);  // highest click on the volume bar
    EXPECT_EQ(vt::valeur_curseur(10, 0), 0);     // a degenerate skin divides by nothing
    EXPECT_EQ(vt::pourcent_volume(255), 100);
    EXPECT_EQ(vt::pourcent_volume(0), 0);
    EXPECT_EQ(vt::pourcent_balance(0), -50);
    EXPECT_EQ(vt::pourcent_balance(128), 0);
    EXPECT_EQ(vt::pourcent_balance(127), -1);
    EXPECT_EQ(vt::pourcent_balance(255), 50);
}

// Every value is truncated toward zero, never rounded: each point below has
// a fraction above one half, where rounding would give one more.
TEST(SliderArithmetic, TruncatesWhereRoundingWouldGoUp) {
    struct Cas {
        int offset, span, attendu;
    };
    // offset * 255 / span = 2.68, 10.74, 18.79, 53.68, 69.79, 29.53, 0.78
    for (const Cas& c : {Cas{1, 95, 2}, Cas{4, 95, 10}, Cas{7, 95, 18}, Cas{20, 95, 53}, Cas{26, 95, 69},
                         Cas{11, 95, 29}, Cas{1, 328, 0}})
        EXPECT_EQ(vt::valeur_curseur(c.offset, c.span), c.attendu) << c.offset << " of " << c.span;
    EXPECT_EQ(vt::gauche_position(149, 10000, 328, 8), 8 + 4);  // 4.89
    EXPECT_EQ(vt::gauche_position(2, 3, 1, 0), 0);              // 0.67
    EXPECT_EQ(vt::cible_position(2, 328, 215000), 1310);        // 1310.98
    EXPECT_EQ(vt::cible_position(2, 3, 1000), 666);             // 666.67
    EXPECT_EQ(vt::pourcent_volume(254), 99);                    // 99.61
    EXPECT_EQ(vt::pourcent_volume(200), 78);                    // 78.43 (below one half: control)
    EXPECT_EQ(vt::pourcent_balance(254), 49);                   // 49.61
}

// The position cursor runs from the bar's left edge to where its right
// edge meets the bar's right edge; the seek target stays within 0..T.
TEST(SliderArithmetic, PositionCursorAndSeekStayInRange) {
    const int span = 335 - 7;
    EXPECT_EQ(vt::gauche_position(0, 10000, span, 8), 8);
    EXPECT_EQ(vt::gauche_position(10000, 10000, span, 8), 8 + span);
    EXPECT_EQ(vt::gauche_position(5000, 10000, span, 8), 8 + 164);
    EXPECT_EQ(vt::gauche_position(5, 0, span, 8), 8);
    for (int off = -3; off <= span + 3; ++off) {
        auto t = vt::cible_position(off, span, 215000);
        EXPECT_GE(t, 0);
        EXPECT_LE(t, 215000);
    }
    EXPECT_EQ(vt::cible_position(span, span, 215000), 215000);
    EXPECT_EQ(vt::cible_position(0, span, 215000), 0);
    EXPECT_EQ(vt::cible_position(span / 2, span, 1000), 500);
}

// Over many ticks the pad swings between 1 and 61 - L blanks, one per tick.
TEST(StatusScroll, PadGrowsAndShrinksBetweenItsBounds) {
    vt::Defilement d;
    const QString texte = QStringLiteral("Lecture : a.mp3");  // 15 characters
    std::vector<int> pads;
    for (int i = 0; i < 200; ++i) {
        QString vu = d.avancer(texte);
        ASSERT_TRUE(vu.endsWith(texte));
        pads.push_back(static_cast<int>(vu.size() - texte.size()));
    }
    EXPECT_EQ(pads[0], 1);
    EXPECT_EQ(*std::max_element(pads.begin(), pads.end()), 61 - 15);
    EXPECT_EQ(*std::min_element(pads.begin(), pads.end()), 1);
    for (std::size_t i = 1; i < pads.size(); ++i) EXPECT_EQ(std::abs(pads[i] - pads[i - 1]), 1) << i;
}

// A text longer than 59 characters alternates between one blank and none;
// a new text continues from the pad reached so far.
TEST(StatusScroll, LongTextAlternatesAndStateIsNeverReset) {
    vt::Defilement d;
    QString long_texte(70, QLatin1Char('x'));
    std::vector<int> pads;
    for (int i = 0; i < 6; ++i) pads.push_back(static_cast<int>(d.avancer(long_texte).size() - 70));
    EXPECT_EQ(pads, (std::vector<int>{1, 0, 1, 0, 1, 0}));
    vt::Defilement e;
    for (int i = 0; i < 10; ++i) e.avancer(QStringLiteral("abc"));
    EXPECT_EQ(e.longueur_pad(), 10);
    EXPECT_EQ(e.avancer(QStringLiteral("other")).size(), 11 + 5);
}

struct HorlogeFixe {
    std::time_t t;
    HorlogeFixe(std::time_t v) : t(v) {
        vt::horloge() = [this] { return t; };
    }
    ~HorlogeFixe() {
        vt::horloge() = [] { return std::time(nullptr); };
    }
};

// The draw never gives the selected entry, reaches every other one, and
// repeats itself within the same second.
TEST(RandomDraw, NeverTheSelectedEntryAndSeededBySecond) {
    HorlogeFixe h(1000);
    std::set<int> vus;
    for (std::time_t s = 0; s < 400; ++s) {
        h.t = 1000 + s;
        int r = vt::tirer_autre(5, 2);
        ASSERT_NE(r, 2);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 5);
        vus.insert(r);
    }
    EXPECT_EQ(vus, (std::set<int>{0, 1, 3, 4}));
    h.t = 77;
    EXPECT_EQ(vt::tirer_autre(1000, 3), vt::tirer_autre(1000, 3));
}

TEST(RandomDraw, BoundedWithOneOrNoEntry) {
    EXPECT_EQ(vt::tirer_autre(1, 0), 0);
    EXPECT_EQ(vt::tirer_autre(0, -1), -1);
    EXPECT_EQ(vt::tirer_autre(2, 0), 1);
    EXPECT_EQ(vt::tirer_autre(2, 1), 0);
}

}  // namespace

namespace {

// A value set from elsewhere (the media keys) puts the cursor back where
// that value is read: every place of a bar narrower than 255 pixels comes
// back to itself; the ends map to the ends; out-of-range values are held.
TEST(SliderArithmetic, ValueToCursorPlace) {
    for (int span : {1, 28, 95, 254}) {
        for (int o = 0; o <= span; ++o)
            EXPECT_EQ(vt::offset_curseur(vt::valeur_curseur(o, span), span), o) << span << " " << o;
    }
    struct Cas {
        int valeur, span, offset;
    };
    for (const Cas& c : {Cas{0, 95, 0}, Cas{255, 95, 95}, Cas{128, 95, 48}, Cas{300, 95, 95}, Cas{-7, 95, 0},
                         Cas{255, 600, 600}, Cas{1, 600, 3}, Cas{100, 0, 0}, Cas{100, -5, 0}})
        EXPECT_EQ(vt::offset_curseur(c.valeur, c.span), c.offset) << c.valeur << " " << c.span;
}

// The end-of-track rule: the same answer at the tick and for what is
// queued ahead of a join. Random draws are checked in RandomDraw.
TEST(EndOfTrackRule, EachModeFromEachPlace) {
    using Fin = vt::PorteLecteur::Fin;
    const struct {
        vt::ModesFin modes;
        int n, depuis;
        Fin fin;
        int ligne;
    } cas[] = {
        {{true, false, true}, 3, 2, Fin::Repetition, 2},
        {{true, false, false}, 3, -1, Fin::SansCourant, -1},
        {{false, true, false}, 1, 0, Fin::Hasard, 0},
        {{false, true, true}, 3, -1, Fin::SansCourant, -1},
        {{false, false, true}, 3, 1, Fin::EntreeSuivante, 2},
        {{false, false, true}, 3, 2, Fin::EntreeSuivante, 0},
        {{false, false, true}, 3, -1, Fin::EntreeSuivante, 0},
        {{false, false, true}, 0, -1, Fin::EntreeSuivante, -1},
        {{false, false, false}, 3, 1, Fin::Arret, -1},
    };
    for (const auto& c : cas) {
        const vt::ChoixFin r = vt::regle_fin(c.n, c.depuis, c.modes);
        EXPECT_EQ(r.fin, c.fin) << c.n << " from " << c.depuis;
        EXPECT_EQ(r.ligne, c.ligne) << c.n << " from " << c.depuis;
    }
}

// A queued decision taken again: the same decision for the same entry
// stands; an entry removed from the list, another entry or another mode
// does not; a random draw stands unless its entry left the list or became
// the one the rule goes from.
TEST(EndOfTrackRule, QueuedDecisionStandsOrNot) {
    using Fin = vt::PorteLecteur::Fin;
    const struct {
        vt::ChoixFin choix;
        Fin fin;
        int ligne, depuis;
        bool tient;
    } cas[] = {
        {{Fin::EntreeSuivante, 2}, Fin::EntreeSuivante, 2, 1, true},
        {{Fin::EntreeSuivante, 2}, Fin::EntreeSuivante, 1, 0, false},   // a row chosen
        {{Fin::EntreeSuivante, 1}, Fin::EntreeSuivante, -1, 0, false},  // its row deleted
        {{Fin::Repetition, 0}, Fin::EntreeSuivante, 0, 0, false},       // repeat ticked
        {{Fin::Arret, -1}, Fin::EntreeSuivante, 1, 0, false},           // loop off
        {{Fin::Hasard, 3}, Fin::Hasard, 1, 0, true},
        {{Fin::Hasard, 3}, Fin::Hasard, 1, 1, false},
        {{Fin::Hasard, 3}, Fin::Hasard, -1, 0, false},
        {{Fin::Hasard, 0}, Fin::Hasard, 0, 0, true},  // one entry: drawn again
    };
    for (const auto& c : cas)
        EXPECT_EQ(vt::decision_tient(c.choix, c.fin, c.ligne, c.depuis), c.tient)
            << int(c.choix.fin) << " " << c.choix.ligne << " for " << int(c.fin) << " " << c.ligne;
}

}  // namespace
