// The player installed where its user cannot write: every flow that reads or
// writes the settings or the play lists works on the user's own files, and
// the installed ones are never touched.
#include "config/emplacements.h"
#include "support/dossier_lecture_seule.h"
#include "ui/fixture.h"
#include "ui/tform3.h"
#include "ui/tform4.h"

#include <cstdlib>

namespace {

using vt::test::DossierLectureSeule;
using vt::test::DossierTemp;
using vt::test::existe;
using vt::test::FenetresTest;
using vt::test::lire_fichier;

class InstallationSysteme : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        copier_skins();
        app.ecrire("playlist/installee.vtlist", "\"/m/installee.mp3\"");
        installee_ = lire_fichier(app / "vantrel.config");
        ::setenv("XDG_CONFIG_HOME", (maison / "conf").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (maison / "donnees").c_str(), 1);
        verrou_ = std::make_unique<DossierLectureSeule>(app.chemin());
        if (!verrou_->actif()) GTEST_SKIP() << "no way to make a folder read-only for this process";
        vt::etablir_emplacements(app / "vantrel");
        demarrer();
        module->lecteur->arreter_horloge();
    }
    void TearDown() override {
        FenetresTest::TearDown();
        verrou_.reset();
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
        vt::etablir_emplacements(vt::chemin_executable());
    }
    std::string config_utilisateur() const { return maison / "conf/vantrel/vantrel.config"; }
    std::string playlists_utilisateur() const { return maison / "donnees/vantrel/playlist/"; }
    QStringList entrees() {
        QStringList v;
        for (int i = 0; i < f1->Comboplaylist->count(); ++i) v << f1->Comboplaylist->itemText(i);
        return v;
    }

    DossierTemp maison;
    std::string installee_;

private:
    std::unique_ptr<DossierLectureSeule> verrou_;
};

// The first start shows no message, takes the installed settings (skin,
// place) and leaves a copy of them as the user's.
TEST_F(InstallationSysteme, FirstStartIsSilentAndCopiesTheInstalledSettings) {
    EXPECT_TRUE(dialogues.messages.empty());
    EXPECT_EQ(f1->pos(), QPoint(194, 235));
    EXPECT_EQ(lire_fichier(config_utilisateur()), installee_);
    EXPECT_EQ(configuration->chemin(), config_utilisateur());
}

// The close button and the options' Apply write the user's settings; the
// installed file keeps its bytes.
TEST_F(InstallationSysteme, CloseButtonAndApplyWriteTheUsersSettings) {
    f1->move(300, 310);
    clic(f1->image_quitter);
    EXPECT_EQ(fins, 1);
    EXPECT_EQ(lire_fichier(config_utilisateur()),
              vt::texte_configuration("skin/default/", "default.sk", 300, 310, "playlist/", false));

    TForm4* f4 = fenetres_module().Form4;
    f4->show();
    f4->check_boucle->setChecked(true);
    f4->label_okClick();
    EXPECT_EQ(lire_fichier(config_utilisateur()),
              vt::texte_configuration("skin/default/", "default.sk", 300, 310, "playlist/", true));
    EXPECT_TRUE(module->lecteur->boucle());
    EXPECT_EQ(lire_fichier(app / "vantrel.config"), installee_);
    EXPECT_TRUE(dialogues.messages.empty());
}

// The stored "playlist/" is the user's folder: the selector lists it (not the
// installed one), the save window starts in the user's folder and writes
// there, a chosen list loads, and the rewrite goes there too.
TEST_F(InstallationSysteme, PlayListsLiveInTheUsersDataFolder) {
    f1->ComboplaylistEnter();
    EXPECT_TRUE(entrees().isEmpty());

    f1->deposer({"/m/a.mp3"});
    fenetres_module().Form3->show();
    dialogues.fichiers_a_enregistrer.push_back(playlists_utilisateur() + "Mix");
    fenetres_module().Form3->label_enregistreClick();
    EXPECT_EQ(dialogues.initiaux.back(), playlists_utilisateur());
    EXPECT_EQ(lire_fichier(playlists_utilisateur() + "Mix.vtlist"), "\"/m/a.mp3\"");
    EXPECT_EQ(entrees(), QStringList{QStringLiteral("Mix")});

    f1->image_del_allClick();
    f1->Comboplaylist->setCurrentIndex(0);
    f1->ComboplaylistChange();
    ASSERT_EQ(module->liste.nombre(), 1);
    EXPECT_EQ(module->liste.chemin(0), "/m/a.mp3");

    f1->deposer({"/m/b.mp3"});
    dialogues.reponses.push_back(true);
    f1->image_infoClick();
    EXPECT_EQ(lire_fichier(playlists_utilisateur() + "Mix.vtlist"), "\"/m/a.mp3\"\"/m/b.mp3\"");
    EXPECT_EQ(lire_fichier(app / "playlist/installee.vtlist"), "\"/m/installee.mp3\"");
}

// A skin of the user's own, named relative in the settings, is found in the
// user's data folder; the options window shows it as valid.
TEST_F(InstallationSysteme, UsersOwnSkinIsFoundInTheDataFolder) {
    const std::string mien = maison / "donnees/vantrel/skin/mien/";
    QDir source(QStringLiteral(VANTREL_SOURCE_DIR "/skin/ivoire"));
    for (const QString& f : source.entryList(QDir::Files)) {
        std::string nom = f == QStringLiteral("ivoire.sk") ? "mien.sk" : f.toStdString();
        maison.ecrire("donnees/vantrel/skin/mien/" + nom,
                      lire_fichier(QFile::encodeName(source.filePath(f)).toStdString()));
    }
    maison.ecrire("conf/vantrel/vantrel.config",
                  vt::texte_configuration("skin/mien/", "mien.sk", 194, 235, "playlist/", false));
    const QImage avant = f1->image_fond->image();
    f1->FormCreate();
    EXPECT_TRUE(dialogues.messages.empty());
    EXPECT_NE(f1->image_fond->image(), avant);  // the ivoire pictures, from the user's folder
    fenetres_module().Form4->show();
    EXPECT_EQ(fenetres_module().Form4->chemin_skin(), mien + "mien.sk");
}

}  // namespace
