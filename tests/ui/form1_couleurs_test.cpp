// The selector's marked entry and the play list's scroll bars, drawn in
// colours that read on the skin: checked on the pixels the widgets paint.
#include "ui/fixture.h"
#include "ui/widgets_vt.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include <string>

namespace {

using vt::test::FenetresTest;

class Form1Couleurs : public FenetresTest, public testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        copier_skins();
        const std::string skin = GetParam();
        ecrire_config("skin/" + skin + "/", skin == "default" ? "default.sk" : skin + ".sk");
        QDir().mkpath(QStringLiteral("playlist"));
        for (const char* n : {"a", "b", "c"}) app.ecrire(std::string("playlist/") + n + ".vtlist", "");
        demarrer();
        module->lecteur->arreter_horloge();
        f1->show();
        f1->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f1));
    }
};

double luminance(QColor c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); }

// The entry under the pointer or the keyboard stands out from the black
// list, and its black text from its mark; the others stay black.
TEST_P(Form1Couleurs, SelectorMarksTheEntryUnderTheCursor) {
    QComboBox* c = f1->Comboplaylist;
    c->setFocus();
    c->showPopup();
    ASSERT_TRUE(c->view()->isVisible());
    ASSERT_EQ(c->count(), 3);
    c->view()->setCurrentIndex(c->model()->index(1, 0));
    QApplication::processEvents();
    const QImage img = c->view()->viewport()->grab().toImage();
    const QRect marque = c->view()->visualRect(c->model()->index(1, 0));
    const QRect autre = c->view()->visualRect(c->model()->index(2, 0));
    // Past the end of the short names, inside the view.
    const int x = std::min(marque.right(), img.width() - 1) - 2;
    const QColor fond_marque = img.pixelColor(x, marque.center().y());
    EXPECT_GT(luminance(fond_marque), 0.3) << fond_marque.name().toStdString();
    EXPECT_EQ(img.pixelColor(x, autre.center().y()), QColor(Qt::black));
    // The marked entry's text is drawn in black: its darkest pixel is far
    // darker than the mark.
    double plus_sombre = 1;
    for (int i = marque.left(); i < x; ++i)
        for (int y = marque.top(); y <= marque.bottom(); ++y)
            plus_sombre = std::min(plus_sombre, luminance(img.pixelColor(i, y)));
    EXPECT_LT(plus_sombre, 0.1);
    c->hidePopup();
}

// The play list's scroll bar is thin and drawn in the list's colours: the
// background at its edges, a track one step lighter, the handle halfway
// to the text. No horizontal bar hides the last row, which shows whole at
// the end: long names are cut with an ellipsis at the list's width.
TEST_P(Form1Couleurs, ListScrollBarsAreThinInTheSkinsColours) {
    std::vector<std::string> v;
    for (int i = 0; i < 40; ++i)
        v.push_back("/m/" + std::string(60, static_cast<char>('a' + i % 26)) + ".mp3");
    f1->deposer(v);
    QApplication::processEvents();
    QScrollBar* barre = f1->list_lecture->verticalScrollBar();
    ASSERT_TRUE(barre->isVisible());
    EXPECT_LE(barre->width(), vt::kEpaisseurDefilement);
    EXPECT_FALSE(f1->list_lecture->horizontalScrollBar()->isVisible());
    EXPECT_EQ(f1->list_lecture->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(f1->list_lecture->viewport()->height(), f1->list_lecture->height());
    EXPECT_GE(f1->list_lecture->viewport()->width(), f1->list_lecture->width() - vt::kEpaisseurDefilement);
    // Scrolled to the end, the last row shows whole, its end not under the bar.
    QApplication::processEvents();
    barre->setValue(barre->maximum());
    const QRect derniere = f1->list_lecture->visualRect(module->liste.index(39, 0));
    EXPECT_EQ(derniere.bottom() + 1, 130);
    EXPECT_EQ(derniere.width(), f1->list_lecture->viewport()->width());
    EXPECT_LE(f1->list_lecture->viewport()->width(), f1->list_lecture->width() - barre->width());

    const QColor fond = f1->list_lecture->palette().color(QPalette::Base);
    const QColor texte = f1->list_lecture->palette().color(QPalette::Text);
    barre->setValue(0);
    const QImage img = barre->grab().toImage();
    const int x = img.width() / 2;
    auto proche = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <=
               6;
    };
    auto melange = [&](double t) {
        return QColor(qRound(fond.red() + t * (texte.red() - fond.red())),
                      qRound(fond.green() + t * (texte.green() - fond.green())),
                      qRound(fond.blue() + t * (texte.blue() - fond.blue())));
    };
    EXPECT_EQ(img.pixelColor(0, img.height() - 2), fond);                     // beside the track
    EXPECT_TRUE(proche(img.pixelColor(x, img.height() - 2), melange(0.12)));  // the track, below the handle
    EXPECT_TRUE(proche(img.pixelColor(x, 4), melange(0.5)));                  // the handle
}

INSTANTIATE_TEST_SUITE_P(Skins, Form1Couleurs, testing::Values("default", "ivoire"));

// The mark: the skin's status-line colour when it stands out from black,
// else the list's text colour.
TEST(Surlignage, SkinColourWhenItReadsOnBlack) {
    EXPECT_EQ(vt::couleur_surlignage(QColor(0x4fd0ff), Qt::white), QColor(0x4fd0ff));
    EXPECT_EQ(vt::couleur_surlignage(QColor(0x8a4b1a), QColor(0xefefef)), QColor(0xefefef));
    EXPECT_EQ(vt::couleur_surlignage(Qt::black, QColor(0xefefef)), QColor(0xefefef));
    EXPECT_EQ(vt::couleur_surlignage(Qt::yellow, QColor(0xefefef)), QColor(Qt::yellow));
}

}  // namespace
