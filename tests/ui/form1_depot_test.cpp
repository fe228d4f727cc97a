// Files dropped on the main window reach the play list by their bytes,
// whatever the encoding of their names, and play as from the command line.
#include "support/wav.h"
#include "ui/fixture.h"

#include <QDropEvent>
#include <QMimeData>

#include <string>
#include <vector>

namespace {

using vt::test::DemarreTest;

class Form1Depot : public DemarreTest<true> {
protected:
    // Drops `urls` (a text/uri-list as a file manager writes it) on the window.
    void deposer(const QByteArray& uri_list) {
        QMimeData donnees;
        donnees.setData(QStringLiteral("text/uri-list"), uri_list);
        QDropEvent depot(QPointF(20, 60), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(f1)->event(&depot);  // delivered as the window system would
    }
    static QByteArray url(const std::string& chemin) {
        return "file://" + QByteArray::fromStdString(chemin).toPercentEncoding("/") + "\r\n";
    }
};

// Latin-1, bytes that are not UTF-8, UTF-8 accents, blanks and '%': each
// dropped file is listed by its exact bytes, and plays.
TEST_F(Form1Depot, NamesInAnyEncodingArriveWholeAndPlay) {
    const std::vector<std::string> noms = {"caf\xE9.wav", "\xFF.wav", "\xC3\xA9t\xC3\xA9.wav", "un deux.wav",
                                           "100%.wav"};
    QByteArray liste;
    std::vector<std::string> chemins;
    for (const std::string& n : noms) {
        chemins.push_back(app.ecrire(n, vt::test::octets_wav(300)));
        liste += url(chemins.back());
    }
    deposer(liste + url(app / "notes.txt"));
    ASSERT_EQ(module->liste.nombre(), static_cast<int>(noms.size()));
    for (int i = 0; i < module->liste.nombre(); ++i) {
        EXPECT_EQ(module->liste.chemin(i), chemins[static_cast<std::size_t>(i)]);
        EXPECT_EQ(module->liste.nom(i), noms[static_cast<std::size_t>(i)]);
        f1->selectionner(i);
        appui(f1->image_play);
        EXPECT_TRUE(joue()) << noms[static_cast<std::size_t>(i)];
    }
}

// URLs made by the toolkit (a drag from a Qt program) carry UTF-8 names,
// which arrive as those bytes.
TEST_F(Form1Depot, ToolkitUrlsArriveAsTheirUtf8Bytes) {
    QMimeData donnees;
    donnees.setUrls({QUrl::fromLocalFile(QStringLiteral("/d/\u00e9t\u00e9.mp3"))});
    QDropEvent depot(QPointF(20, 60), Qt::CopyAction, &donnees, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(f1)->event(&depot);
    ASSERT_EQ(module->liste.nombre(), 1);
    EXPECT_EQ(module->liste.chemin(0), "/d/\xC3\xA9t\xC3\xA9.mp3");
}

}  // namespace
