// Texts that fit: every window built, each label, check box and state of
// the status line measured in the font it is drawn with against the box it
// is drawn in; the design's fonts drawn with the free fonts standing for
// them; the time labels sized to their text past 99 minutes.
#include "player/regles.h"
#include "ui/fixture.h"
#include "ui/tform2.h"
#include "ui/tform3.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"
#include "ui/widgets_vt.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QStyleOptionButton>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

using vt::test::FenetresTest;

class Textes : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        copier_skins();
        ecrire_config();
        demarrer();
        module->lecteur->arreter_horloge();
    }
    std::vector<QWidget*> fenetres() {
        return {fenetres_module().Form1, fenetres_module().Form2, fenetres_module().Form3,
                fenetres_module().Form4, fenetres_module().Form5, fenetres_module().Form6};
    }
};

// Where a label's text goes wrong, for the failure message.
std::string ou(const QWidget* w) {
    return (w->window()->objectName() + QLatin1Char('.') + w->objectName() + QStringLiteral(" \"") +
            (qobject_cast<const QLabel*>(w) ? qobject_cast<const QLabel*>(w)->text()
                                            : qobject_cast<const QCheckBox*>(w)->text()) +
            QLatin1Char('"'))
        .toStdString();
}

// The three design families are drawn with the free fonts that stand for
// them, which tools/install-deps.sh installs: without them the fallback is
// wider and the texts below do not fit.
TEST(Polices, DesignFamiliesResolveToTheFreeFonts) {
    struct Cas {
        const char* famille;
        const char* libre;
    };
    for (const Cas c : {Cas{"Arial", "Liberation Sans"}, Cas{"MS Sans Serif", "Liberation Sans"},
                        Cas{"Comic Sans MS", "Comic Neue"}}) {
        EXPECT_EQ(vt::famille_libre(c.famille), QString::fromLatin1(c.libre));
        for (bool gras : {false, true}) {
            const QFont f = vt::police(c.famille, 13, gras);
            EXPECT_EQ(QFontInfo(f).family(), QString::fromLatin1(c.libre))
                << c.famille << (gras ? " bold" : "") << ": is the font installed (tools/install-deps.sh)?";
            EXPECT_EQ(QFontInfo(f).pixelSize(), 13) << c.famille;
            EXPECT_EQ(QFontInfo(f).bold(), gras) << c.famille;
        }
    }
    EXPECT_EQ(vt::famille_libre("Courier"), QStringLiteral("Courier"));
}

// Every label of every window shows its whole text: one line within its
// own box, or, for the labels that wrap, every word within the width and
// the lines within the height; and the box within its window, which clips
// whatever passes its edges.
TEST_F(Textes, EveryLabelFitsItsBoxAndItsWindow) {
    int mesures = 0;
    for (QWidget* fenetre : fenetres()) {
        for (QLabel* l : fenetre->findChildren<QLabel*>()) {
            // The status text is never shown itself; the status line has its own test below.
            if (l->objectName() == QLatin1String("label_affiche") ||
                l->objectName() == QLatin1String("label_lecture"))
                continue;
            if (l->text().isEmpty()) continue;
            const QFontMetrics fm(l->font());
            const QRect boite = l->contentsRect();
            // Where the text is drawn (left-aligned, from the top or centred).
            QRect texte = boite;
            if (l->wordWrap()) {
                for (const QString& mot : l->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    EXPECT_LE(fm.horizontalAdvance(mot), boite.width())
                        << ou(l) << " word " << mot.toStdString();
                EXPECT_LE(fm.boundingRect(boite, Qt::TextWordWrap, l->text()).height(), boite.height())
                    << ou(l);
            } else {
                EXPECT_LE(fm.horizontalAdvance(l->text()), boite.width()) << ou(l);
                EXPECT_LE(fm.height(), boite.height()) << ou(l);
                texte.setWidth(std::min(fm.horizontalAdvance(l->text()), boite.width()));
            }
            const QRect dans_fenetre(l->mapTo(fenetre, texte.topLeft()), texte.size());
            EXPECT_TRUE(fenetre->rect().contains(dans_fenetre))
                << ou(l) << " is drawn at " << dans_fenetre.x() << "," << dans_fenetre.y() << " "
                << dans_fenetre.width() << "x" << dans_fenetre.height() << ", past its window's "
                << fenetre->width() << "x" << fenetre->height();
            ++mesures;
        }
    }
    EXPECT_GE(mesures, 30);  // every window's labels were measured
}

// Check boxes: the text within the part of the box the style leaves beside
// the indicator.
TEST_F(Textes, CheckBoxTextsFitBesideTheirIndicator) {
    int mesures = 0;
    for (QWidget* fenetre : fenetres()) {
        for (QCheckBox* c : fenetre->findChildren<QCheckBox*>()) {
            if (c->text().isEmpty()) continue;
            QStyleOptionButton opt;
            opt.initFrom(c);
            opt.text = c->text();
            const QRect texte = c->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, c);
            EXPECT_LE(QFontMetrics(c->font()).horizontalAdvance(c->text()), texte.width()) << ou(c);
            EXPECT_TRUE(fenetre->rect().contains(QRect(c->mapTo(fenetre, QPoint(0, 0)), c->size()))) << ou(c);
            ++mesures;
        }
    }
    EXPECT_EQ(mesures, 1);  // the options window's loop box
}

// Every state of the status line's swing fits it, for each fixed status
// text and for a short file name, over two whole swings.
TEST_F(Textes, StatusLineFitsAtEveryStepOfItsSwing) {
    const QFontMetrics fm(f1->label_lecture->font());
    const int largeur = f1->label_lecture->contentsRect().width();
    for (const QString& statut :
         {QStringLiteral("vantrel, en attente ...."), QStringLiteral("vantrel  en attente ..."),
          QStringLiteral("Pause ... "), QStringLiteral("Lecture : b660.wav"),
          QStringLiteral("sélection : b660.wav")}) {
        vt::Defilement d;
        int plus_large = 0;
        for (int tic = 0; tic < 2 * 62; ++tic) {
            const QString montre = d.avancer(statut);
            plus_large = std::max(plus_large, fm.horizontalAdvance(montre));
            EXPECT_LE(fm.horizontalAdvance(montre), largeur)
                << "tick " << tic << ": \"" << montre.toStdString() << "\"";
        }
        EXPECT_GT(plus_large, fm.horizontalAdvance(statut));  // the swing was measured at its widest
    }
}

// A WAV of 8-bit mono samples at a low rate: hours of sound in a small file.
std::string wav_lent(int secondes, int taux) {
    const std::uint32_t donnees = static_cast<std::uint32_t>(secondes) * static_cast<std::uint32_t>(taux);
    std::string w;
    auto u32 = [&w](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&w](std::uint16_t v) {
        w.push_back(static_cast<char>(v & 0xFF));
        w.push_back(static_cast<char>(v >> 8));
    };
    w += "RIFF";
    u32(36 + donnees);
    w += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(static_cast<std::uint32_t>(taux));
    u32(static_cast<std::uint32_t>(taux));  // bytes per second
    u16(1);
    u16(8);
    w += "data";
    u32(donnees);
    for (std::uint32_t i = 0; i < donnees; ++i) w.push_back(static_cast<char>(i % 2 ? 0x90 : 0x70));
    return w;
}

// Minutes beyond 99 show whole, in the elapsed and in the total time: the
// labels take the size of their text.
TEST_F(Textes, TimesPastNinetyNineMinutesShowWhole) {
    // 1 kHz, the lowest rate a stream may have: 6 MB.
    const std::string chemin = app.ecrire("long.wav", wav_lent(6005, 1000));  // 100 min 05 s
    f1->deposer({chemin});
    f1->selectionner(0);
    appui(f1->image_play);
    ASSERT_TRUE(joue());
    auto entier = [](vt::LabelVt* l) {
        return QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->contentsRect().width();
    };
    appui(f1->Shape1);
    EXPECT_EQ(f1->label_total->text(), QStringLiteral("100 : 05"));
    EXPECT_TRUE(entier(f1->label_total)) << f1->label_total->width();
    relache(f1->Shape1);

    auto& lm = lecteur();
    lm.moteur().aller_a_ms(lm.flux, 6004 * 1000);
    pomper_ms(200);
    module->lecteur->tic();
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("100 : 04"));
    EXPECT_TRUE(entier(f1->label_temps)) << f1->label_temps->width();
    // Back to a short time: the label follows its text down again.
    const int large = f1->label_temps->width();
    lm.moteur().aller_a_ms(lm.flux, 5000);
    pomper_ms(200);
    module->lecteur->tic();
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 05"));
    EXPECT_LT(f1->label_temps->width(), large);
    EXPECT_TRUE(entier(f1->label_temps));
}

}  // namespace

namespace {

// The options window's loop box is drawn red on black, as the window
// around it, not on the style's light button colour.
TEST_F(Textes, LoopBoxIsRedOnBlack) {
    QCheckBox* c = fenetres_module().Form4->check_boucle;
    fenetres_module().Form4->show();
    QApplication::processEvents();
    const QImage img = c->grab().toImage();
    QStyleOptionButton opt;
    opt.initFrom(c);
    opt.text = c->text();
    const QRect texte = c->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, c);
    const int fin_texte = texte.left() + QFontMetrics(c->font()).horizontalAdvance(c->text());
    // Between the text's end and the box's right edge, and above the text.
    for (QPoint p : {QPoint((fin_texte + c->width()) / 2, c->height() / 2), QPoint(texte.center().x(), 0)})
        EXPECT_EQ(img.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
    int rouges = 0;
    for (int x = texte.left(); x < fin_texte; ++x)
        for (int y = 0; y < img.height(); ++y) {
            const QColor px = img.pixelColor(x, y);
            if (px.red() > 150 && px.green() < 80 && px.blue() < 80) ++rouges;
        }
    EXPECT_GT(rouges, 20);  // the text is drawn in red
}

}  // namespace
