// The file information window, filled by the menu's "Propriétés": its
// layout, the title and address, and the size text for real files of many
// sizes, in the point and comma locales.
#include "playlist/liste_courante.h"
#include "ui/fixture.h"
#include "ui/tform2.h"
#include "ui/tform6.h"

#include <QLocale>

namespace {

using vt::test::FenetresTest;

class Information : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        demarrer();
        f6 = fenetres_module().Form6;
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override {
        QLocale::setDefault(locale_);
        FenetresTest::TearDown();
    }
    // A file of `octets` bytes (sparse: its content is never read) added to
    // the play list; returns its index.
    int ajouter_fichier(const std::string& nom, qint64 octets) {
        const std::string chemin = app.ecrire(nom, "");
        QFile f(QFile::decodeName(QByteArray::fromStdString(chemin)));
        EXPECT_TRUE(f.resize(octets));
        module->liste.ajouter_nommes_par_dernier_separateur({chemin});
        return module->liste.nombre() - 1;
    }
    // "Propriétés" on entry i.
    QString proprietes(int i) {
        f1->selectionner(i);
        fenetres_module().Form2->Label1Click();
        return f6->label_taille->text();
    }
    TForm6* f6 = nullptr;

private:
    QLocale locale_;
};

// A black 353 x 283 tool window named "info", with its headings in lime and
// its values in silver, bold "MS Sans Serif", the values in fixed wrapped
// areas.
TEST_F(Information, LayoutMatchesTheDesign) {
    EXPECT_TRUE(f6->windowFlags() & Qt::Tool);
    EXPECT_EQ(f6->windowTitle(), QStringLiteral("info"));
    EXPECT_EQ(f6->size(), QSize(353, 283));
    EXPECT_EQ(f6->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_FALSE(f6->isVisible());
    const QColor vert(0, 255, 0), argent(192, 192, 192);
    struct Attendu {
        vt::LabelVt* label;
        QString texte;
        QPoint place;
        QColor couleur;
        int hauteur;
    };
    const Attendu attendus[] = {
        {f6->titre, QStringLiteral("titre : "), {5, 3}, vert, 16},
        {f6->label_titre, QStringLiteral("none"), {80, 8}, argent, 11},
        {f6->adresse, QStringLiteral("adresse : "), {5, 93}, vert, 13},
        {f6->label_adresse, QStringLiteral("none"), {80, 96}, argent, 11},
        {f6->label1, QStringLiteral("taille : "), {9, 190}, vert, 13},
        {f6->label_taille, QStringLiteral("none"), {63, 193}, argent, 11},
    };
    for (const auto& a : attendus) {
        SCOPED_TRACE(a.label->objectName().toStdString());
        EXPECT_EQ(a.label->text(), a.texte);
        EXPECT_EQ(a.label->pos(), a.place);
        EXPECT_EQ(a.label->couleur(), a.couleur);
        EXPECT_EQ(a.label->font().pixelSize(), a.hauteur);
        EXPECT_TRUE(a.label->font().bold());
        EXPECT_EQ(a.label->font().family(), QStringLiteral("MS Sans Serif"));
    }
    EXPECT_EQ(f6->label_titre->size(), QSize(270, 70));
    EXPECT_EQ(f6->label_adresse->size(), QSize(267, 92));
    EXPECT_EQ(f6->label_taille->size(), QSize(267, 17));
    for (auto* l : {f6->label_titre, f6->label_adresse, f6->label_taille}) EXPECT_TRUE(l->wordWrap());
}

// The size column through the real window, with a point as separator: the
// general format cut to five characters, including the scientific form of
// tiny files and the bare separator of the largest 32-bit size.
TEST_F(Information, SizeTextForEachSize) {
    const std::pair<qint64, const char*> cas[] = {
        {0, "0 Mo"},
        {1, "9.536 Mo"},
        {104, "9.918 Mo"},
        {105, "0.000 Mo"},
        {500, "0.000 Mo"},
        {999'999, "0.953 Mo"},
        {1'048'576, "1 Mo"},
        {3'670'016, "3.5 Mo"},
        {5'000'000, "4.768 Mo"},
        {123'456'789, "117.7 Mo"},
        {2'147'483'647, "2047. Mo"},
    };
    for (const auto& [octets, attendu] : cas) {
        SCOPED_TRACE(octets);
        const int i = ajouter_fichier("f" + std::to_string(octets) + ".mp3", octets);
        EXPECT_EQ(proprietes(i), QString::fromLatin1(attendu));
    }
}

// A French locale writes the comma as the separator.
TEST_F(Information, FrenchLocaleUsesAComma) {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(proprietes(ajouter_fichier("a.mp3", 5'000'000)), QStringLiteral("4,768 Mo"));
    EXPECT_EQ(proprietes(ajouter_fichier("b.mp3", 1)), QStringLiteral("9,536 Mo"));
    EXPECT_EQ(proprietes(ajouter_fichier("c.mp3", 1'048'576)), QStringLiteral("1 Mo"));
}

// A file that is gone, or a path that is a directory, shows a plain marker
// instead of a size; the title and address are still filled.
TEST_F(Information, MissingFileShowsFichierIntrouvable) {
    const int i = ajouter_fichier("parti.mp3", 10);
    ASSERT_TRUE(QFile::remove(QFile::decodeName(QByteArray::fromStdString(app / "parti.mp3"))));
    EXPECT_EQ(proprietes(i), QStringLiteral("fichier introuvable"));
    EXPECT_EQ(f6->label_titre->text(), QStringLiteral("parti.mp3"));
    EXPECT_TRUE(f6->isVisible());

    app.ecrire("dossier.mp3/x", "");
    module->liste.ajouter_nommes_par_dernier_separateur({app / "dossier.mp3"});
    EXPECT_EQ(proprietes(module->liste.nombre() - 1), QStringLiteral("fichier introuvable"));
}

// The title is the entry's display name as the list shows it (never a tag),
// the address its full path, both decoded for display.
TEST_F(Information, TitleIsTheDisplayNameAndAddressTheFullPath) {
    const int i = ajouter_fichier("dossier été/Chanson à tags.mp3", 2000);
    proprietes(i);
    EXPECT_EQ(f6->label_titre->text(), QStringLiteral("Chanson à tags.mp3"));
    EXPECT_EQ(f6->label_adresse->text(),
              QFile::decodeName(QByteArray::fromStdString(app / "dossier été/Chanson à tags.mp3")));
    EXPECT_EQ(f6->label_titre->text(), module->liste.data(module->liste.index(i, 0)).toString());
}

// A snapshot: selecting another entry changes nothing until "Propriétés" is
// used again, which refills the already visible window.
TEST_F(Information, SnapshotRefilledOnlyByProprietes) {
    const int a = ajouter_fichier("un.mp3", 1'048'576);
    const int b = ajouter_fichier("deux.wav", 3'670'016);
    proprietes(a);
    ASSERT_TRUE(f6->isVisible());
    f1->selectionner(b);
    EXPECT_EQ(f6->label_titre->text(), QStringLiteral("un.mp3"));
    EXPECT_EQ(f6->label_taille->text(), QStringLiteral("1 Mo"));
    fenetres_module().Form2->setVisible(true);
    fenetres_module().Form2->Label1Click();
    EXPECT_TRUE(f6->isVisible());
    EXPECT_FALSE(fenetres_module().Form2->isVisible());
    EXPECT_EQ(f6->label_titre->text(), QStringLiteral("deux.wav"));
    EXPECT_EQ(f6->label_adresse->text(), QFile::decodeName(QByteArray::fromStdString(app / "deux.wav")));
    EXPECT_EQ(f6->label_taille->text(), QStringLiteral("3.5 Mo"));
}

}  // namespace
