#pragma once
// A player with its six real windows on the offscreen platform, in a fresh
// app folder: the executable path points into a temporary folder that is
// also the current directory, dialogs are scripted, the audio engine runs on
// an output the test pumps by hand, and ending the program is counted.
#include "audio/lecteur_media.h"
#include "audio/sortie_manuelle.h"
#include "config/configuration.h"
#include "support/acces_fenetres.h"
#include "support/dialogues_scriptes.h"
#include "support/dossier_temp.h"
#include "ui/actions.h"
#include "ui/bureau/plateau.h"
#include "ui/module.h"
#include "ui/tform1.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>

#include <memory>

namespace vt::test {

class FenetresTest : public ::testing::Test {
protected:
    void SetUp() override {
        ancien_dossier_ = QDir::currentPath();
        QDir::setCurrent(QFile::decodeName(QByteArray::fromStdString(app.chemin())));
        vt::etablir_emplacements(app / "vantrel");
    }
    void TearDown() override {
        module.reset();
        vt::etablir_emplacements(vt::chemin_executable());
        QDir::setCurrent(ancien_dossier_);
    }

    // Creates the module on the configuration file chosen now, as the
    // process does at its start; no window yet.
    void creer_module(std::unique_ptr<vt::SortieManuelle> sortie) {
        sortie_ = sortie.get();
        module.reset();
        configuration = std::make_unique<vt::Configuration>(vt::emplacements().fichier_config);
        module = std::make_unique<vt::ModuleVantrel>(*configuration, std::move(sortie));
    }

    // Creates the module and its windows; `fichier` as the command line's.
    void demarrer(std::optional<std::string> fichier = std::nullopt, bool audio = true) {
        creer_module(std::make_unique<vt::SortieManuelle>(audio));
        module->terminer = [this] { ++fins; };
        module->creer_fenetres();
        if (fichier) module->lecteur->fichiers_exterieurs({*fichier}, true);
        f1 = fenetres_module().Form1;
        vt::installer_plateau(*module);
    }

    vt::Actions& actions() { return *module->actions; }
    // The windows, which the module hands to no one else.
    const vt::FenetresModule& fenetres_module() const { return AccesFenetres::de(*module); }
    vt::Plateau& plateau() { return *f1->findChild<vt::Plateau*>(); }

    // A configuration in the app folder.
    void ecrire_config(const std::string& rep_skin = "skin/default/",
                       const std::string& fichier = "default.sk", int gauche = 194, int haut = 235,
                       const std::string& rep_pl = "playlist/", bool boucle = false) {
        app.ecrire("vantrel.config",
                   vt::texte_configuration(rep_skin, fichier, gauche, haut, rep_pl, boucle));
    }

    // Copies the skins shipped with the player into the app folder.
    void copier_skins() {
        QDir source(QStringLiteral(VANTREL_SOURCE_DIR "/skin"));
        for (const QString& sous : source.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDir d(source.filePath(sous));
            for (const QString& f : d.entryList(QDir::Files))
                app.ecrire("skin/" + sous.toStdString() + "/" + f.toStdString(),
                           lire_fichier(QFile::encodeName(d.filePath(f)).toStdString()));
        }
    }

    // Copies a fixture into the app folder; returns its path.
    std::string fixture(const std::string& nom, const std::string& sous_nom = "") {
        std::string octets = lire_fichier(std::string(VANTREL_FIXTURES_DIR) + "/" + nom);
        return app.ecrire(sous_nom.empty() ? nom : sous_nom, octets);
    }

    // Renders `ms` milliseconds of output.
    void pomper_ms(int ms) { sortie_->pomper(static_cast<std::size_t>(ms) * 44100 / 1000); }

    lecteur_media& lecteur() { return module->lecteur->media(); }
    bool joue() { return lecteur().moteur().en_lecture(lecteur().canal); }
    bool en_pause() { return lecteur().moteur().en_pause(lecteur().canal); }

    // Whether element `w` shows the picture of source element `source`.
    bool montre(vt::ImageVt* w, std::string_view source) {
        return w->image() == f1->element(source)->image();
    }

    static void souris(QWidget* w, QEvent::Type type, Qt::MouseButton b, Qt::MouseButtons e, QPoint p) {
        QMouseEvent ev(type, QPointF(p), QPointF(w->mapToGlobal(p)), b, e, Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    }
    static void appui(QWidget* w, QPoint p = {1, 1}, Qt::MouseButton b = Qt::LeftButton) {
        souris(w, QEvent::MouseButtonPress, b, b, p);
    }
    static void relache(QWidget* w, QPoint p = {1, 1}, Qt::MouseButton b = Qt::LeftButton) {
        souris(w, QEvent::MouseButtonRelease, b, Qt::NoButton, p);
    }
    static void clic(QWidget* w, QPoint p = {1, 1}, Qt::MouseButton b = Qt::LeftButton) {
        appui(w, p, b);
        relache(w, p, b);
    }
    static void glisser(QWidget* w, QPoint p, Qt::MouseButtons e = Qt::LeftButton) {
        souris(w, QEvent::MouseMove, Qt::NoButton, e, p);
    }

    DossierTemp app;
    DialoguesScriptes dialogues;
    std::unique_ptr<vt::Configuration> configuration;  // outlives the module
    std::unique_ptr<vt::ModuleVantrel> module;
    TForm1* f1 = nullptr;
    int fins = 0;

private:
    vt::SortieManuelle* sortie_ = nullptr;
    QString ancien_dossier_;
};

// The player started on the default configuration; with `TicALaMain` its
// clock is stopped and the test ticks by hand.
template <bool TicALaMain>
class DemarreTest : public FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        demarrer();
        if (TicALaMain) module->lecteur->arreter_horloge();
    }
};

}  // namespace vt::test
