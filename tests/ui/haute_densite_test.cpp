// High-density screens: the windows drawn at a scale of 2 show every skin
// pixel, picture and frame as a uniform 2 x 2 block of the colour it has at
// scale 1 (no smoothing, no gap between pictures, no thinner line), and the
// scale factors forced through Qt's variables are rounded to whole numbers.
#include "ui/echelle.h"
#include "ui/fixture.h"
#include "ui/tform2.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"
#include "ui/widgets_vt.h"

#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <memory>

namespace {

using vt::test::FenetresTest;

QImage rendre(QWidget* fenetre, int echelle) {
    QImage img(fenetre->size() * echelle, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(echelle);
    img.fill(Qt::magenta);
    fenetre->render(&img);
    return img;
}

// What the toolkit draws itself (text, lists, check boxes): fonts and styles
// are drawn afresh at each scale, so those areas are not compared.
QRegion dessine_par_qt(QWidget* fenetre) {
    QRegion r;
    for (QWidget* w : fenetre->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(fenetre) || qobject_cast<vt::ImageVt*>(w) || qobject_cast<vt::FormeVt*>(w))
            continue;
        r += QRect(w->mapTo(fenetre, QPoint(0, 0)), w->size());
    }
    return r;
}

struct Ecart {
    int compares = 0;
    int differents = 0;
    QString premiers;
};

// Compares each pixel of the window at scale 1 outside `exclus` with its
// 2 x 2 block at scale 2.
Ecart comparer(QWidget* fenetre) {
    const QImage un = rendre(fenetre, 1);
    const QImage deux = rendre(fenetre, 2);
    const QRegion exclus = dessine_par_qt(fenetre);
    Ecart e;
    for (int y = 0; y < un.height(); ++y)
        for (int x = 0; x < un.width(); ++x) {
            if (exclus.contains(QPoint(x, y))) continue;
            ++e.compares;
            const QRgb attendu = un.pixel(x, y);
            bool pareil = true;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    pareil = pareil && deux.pixel(2 * x + dx, 2 * y + dy) == attendu;
            if (!pareil && ++e.differents <= 5) {
                QWidget* w = fenetre->childAt(x, y);
                e.premiers +=
                    QStringLiteral(" (%1,%2 in %3)").arg(x).arg(y).arg(w ? w->objectName() : QString());
            }
        }
    return e;
}

class HauteDensite : public FenetresTest {};

// The main window with the default skin, the menu, the options, the about
// and the file information windows: the pictures and frames at scale 2 are
// those of scale 1, each pixel doubled.
TEST_F(HauteDensite, WindowsAtScaleTwoArePixelDoubledAtScaleOne) {
    copier_skins();
    ecrire_config();
    demarrer(std::nullopt, false);
    const std::pair<const char*, QWidget*> fenetres[] = {{"TForm1", f1},
                                                         {"TForm2", fenetres_module().Form2},
                                                         {"TForm4", fenetres_module().Form4},
                                                         {"TForm5", fenetres_module().Form5},
                                                         {"TForm6", fenetres_module().Form6}};
    for (auto [nom, fenetre] : fenetres) {
        ASSERT_NE(fenetre, nullptr) << nom;
        const Ecart e = comparer(fenetre);
        // Most of each window is skin pictures and frames, so the comparison
        // covers a real part of it.
        EXPECT_GT(e.compares, fenetre->width() * fenetre->height() / 4) << nom;
        EXPECT_EQ(e.differents, 0) << nom << ":" << e.premiers.toStdString();
    }
}

// A frame's outline stays as thick, in skin pixels, at scale 2: one and
// two pixel outlines cover two and four device pixels.
TEST_F(HauteDensite, FrameOutlinesScaleWithTheWindow) {
    for (int epaisseur : {1, 2}) {
        QWidget parent;
        parent.resize(40, 30);
        parent.setAttribute(Qt::WA_NoSystemBackground);
        auto* cadre = new vt::FormeVt(&parent, QRect(5, 5, 30, 20), Qt::red, epaisseur, Qt::black);
        const QImage deux = rendre(cadre, 2);
        for (int i = 0; i < 2 * epaisseur; ++i) {
            EXPECT_EQ(deux.pixelColor(30, i), QColor(Qt::red)) << epaisseur << " top row " << i;
            EXPECT_EQ(deux.pixelColor(30, 39 - i), QColor(Qt::red)) << epaisseur << " bottom row " << i;
            EXPECT_EQ(deux.pixelColor(i, 20), QColor(Qt::red)) << epaisseur << " left column " << i;
            EXPECT_EQ(deux.pixelColor(59 - i, 20), QColor(Qt::red)) << epaisseur << " right column " << i;
        }
        EXPECT_EQ(deux.pixelColor(30, 2 * epaisseur), QColor(Qt::black)) << epaisseur;
        EXPECT_EQ(deux.pixelColor(2 * epaisseur, 20), QColor(Qt::black)) << epaisseur;
    }
}

// QT_SCALE_FACTOR and QT_SCREEN_SCALE_FACTORS values are rounded as the
// screen's own factor is: half up, at least 1, screen names kept; what is
// not a factor is left alone.
TEST(FacteursEntiers, ForcedFactorsAreRoundedToWholeNumbers) {
    EXPECT_EQ(vt::facteurs_entiers("1.5"), "2");
    EXPECT_EQ(vt::facteurs_entiers("2"), "2");
    EXPECT_EQ(vt::facteurs_entiers("1.25"), "1");
    EXPECT_EQ(vt::facteurs_entiers("2.75"), "3");
    EXPECT_EQ(vt::facteurs_entiers("0.4"), "1");
    EXPECT_EQ(vt::facteurs_entiers("HDMI-1=1.5;DP-2=1.25;eDP=3"), "HDMI-1=2;DP-2=1;eDP=3");
    EXPECT_EQ(vt::facteurs_entiers("1.5;2.5"), "2;3");
    EXPECT_EQ(vt::facteurs_entiers("abc"), "abc");
    EXPECT_EQ(vt::facteurs_entiers("-2"), "-2");
    EXPECT_EQ(vt::facteurs_entiers(""), "");
}

// At scale 2 a click reaches the element drawn under it: device pixels at
// half a window pixel go to the window pixel they lie in, where the toolkit
// would give the edge of an 8-pixel button to its right or lower neighbour
// (the close button's lower and right edge to the title strip).
TEST_F(HauteDensite, HalfPixelClicksReachTheElementDrawnThere) {
    ecrire_config();
    demarrer();
    f1->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f1));
    std::unique_ptr<QObject> filtre(vt::viser_pixels_entiers(*QCoreApplication::instance()));
    const QPoint coin = f1->image_quitter->pos();
    const struct {
        double dx, dy;
        bool fin;
    } cas[] = {{3.5, 3.5, true},  {7.5, 7.5, true},  {7.5, 0.0, true},  {0.0, 7.5, true},
               {8.0, 3.0, false}, {3.0, 8.0, false}, {-0.5, 3.0, false}};
    for (const auto& c : cas) {
        const int avant = fins;
        const QPointF p = QPointF(coin) + QPointF(c.dx, c.dy);
        for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(t, p, p, f1->mapToGlobal(p), Qt::LeftButton,
                          t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(f1->windowHandle(), &e);
        }
        EXPECT_EQ(fins, avant + (c.fin ? 1 : 0)) << c.dx << "," << c.dy;
    }
}

}  // namespace
