// The skinned slider on its own: a 100-pixel bar under a 5-pixel cursor
// (span 95, the designed volume slider), its label, and what it reports.
#include "ui/glissiere.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>

#include <memory>
#include <string>
#include <vector>

namespace {

class Glissiere : public ::testing::Test {
protected:
    void creer(bool actif = true) {
        vt::GlissiereSkin::Reglages r{
            .allume = "on",
            .eteint = "off",
            .etiquette = label,
            .texte = [](int o, int s) { return QString::number(vt::valeur_curseur(o, s)); },
            .survol_envoie = true};
        r.actif = [actif] { return actif; };
        g = std::make_unique<vt::GlissiereSkin>(
            barre, curseur, r, [this](vt::ImageVt*, std::string_view s) { images.emplace_back(s); }, nullptr);
        QObject::connect(g.get(), &vt::GlissiereSkin::choisi, [this](int o, int) {
            choix.push_back(o);
            echo_pris = g->recevoir(0);  // the player's echo of the choice
        });
    }
    static void souris(QWidget* w, QEvent::Type t, Qt::MouseButton b, Qt::MouseButtons e, int x) {
        QMouseEvent ev(t, QPointF(x, 2), QPointF(w->mapToGlobal(QPoint(x, 2))), b, e, Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    }
    void clic_barre(Qt::MouseButton b, int x) {
        souris(barre, QEvent::MouseButtonPress, b, b, x);
        souris(barre, QEvent::MouseButtonRelease, b, Qt::NoButton, x);
    }
    int offset() const { return curseur->x() - barre->x(); }

    QWidget fenetre;
    vt::ImageVt* barre = new vt::ImageVt(&fenetre, "barre", QRect(10, 20, 100, 4), true);
    vt::ImageVt* curseur = new vt::ImageVt(&fenetre, "curseur", QRect(60, 12, 5, 20), true);
    vt::LabelVt* label = new vt::LabelVt(&fenetre, QString(), QPoint(0, 0), false);
    std::unique_ptr<vt::GlissiereSkin> g;
    std::vector<std::string> images;
    std::vector<int> choix;
    bool echo_pris = true;
};

// A bar click puts the cursor's left edge at the click, lit then unlit, and
// reports it once; the left button writes the label, another one does not;
// the last cursor-width pixels and a slider not in use move nothing.
TEST_F(Glissiere, BarClickMovesReportsAndLights) {
    const struct {
        Qt::MouseButton bouton;
        int x;
        bool actif;
        int offset;  // after the click; 50 = unmoved
        QString texte;
    } cas[] = {{Qt::LeftButton, 0, true, 0, "0"},
               {Qt::LeftButton, 94, true, 94, "252"},
               {Qt::LeftButton, 95, true, 50, ""},
               {Qt::RightButton, 10, true, 10, ""},
               {Qt::LeftButton, 10, false, 50, ""}};
    for (const auto& c : cas) {
        g.reset(), images.clear(), choix.clear(), label->clear(), label->hide(), echo_pris = true;
        creer(c.actif);
        g->placer(50);
        clic_barre(c.bouton, c.x);
        const bool bouge = c.offset != 50;
        EXPECT_EQ(offset(), c.offset) << c.x;
        EXPECT_EQ(choix, bouge ? std::vector<int>(1, c.offset) : std::vector<int>()) << c.x;
        const std::vector<std::string> eclairage =
            bouge ? std::vector<std::string>{"on", "off"} : std::vector<std::string>{};
        EXPECT_EQ(images, eclairage) << c.x;
        EXPECT_EQ(label->text(), c.texte) << c.x;
        EXPECT_TRUE(label->isHidden()) << c.x;
        EXPECT_EQ(echo_pris, !bouge) << c.x;  // an echo never puts the cursor back
    }
}

// A drag past the end holds the cursor there; a move without a button
// reports the place again and changes nothing; the wheel moves by notches.
TEST_F(Glissiere, DragHoverAndWheel) {
    creer();
    g->placer(50);
    souris(curseur, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 300);
    EXPECT_EQ(offset(), 95);
    souris(curseur, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, -40);
    EXPECT_EQ(offset(), 95);
    EXPECT_EQ(choix, (std::vector<int>{95, 95}));
    g->molette(60);
    EXPECT_EQ(offset(), 95);  // half a notch waits
    g->molette(-180);
    EXPECT_EQ(offset(), 92);  // the turn back dropped the half notch: one notch of 3 pixels
    EXPECT_TRUE(g->recevoir(20));
    EXPECT_EQ(offset(), 20);
}

}  // namespace
