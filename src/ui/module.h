#pragma once
// The process-wide objects of the main window's module and the six
// windows, created in the start-up order: the player
// (which initialises the audio engine, or loads it when something is to be
// played: Lecteur::chargement) and its clock, the actions every front end
// shares, then TForm1 (whose creation runs its start-up sequence) and the
// five secondary windows. The settings are read at start and written at
// close here, through the configuration object.
#include "config/configuration.h"
#include "player/lecteur.h"
#include "playlist/liste_courante.h"
#include "ui/navigation.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

namespace vt {

class Actions;
class Plateau;
namespace test {
struct AccesFenetres;
}

// The six windows, which the module alone holds: no window is given
// another, the process gets the main one as a plain widget.
struct FenetresModule {
    TForm1* Form1 = nullptr;
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;
    TForm6* Form6 = nullptr;
};

struct ModuleVantrel {
    // `configuration`: the configuration file of the run, which outlives the
    // module; `sortie`: the audio output (nullptr = the device).
    explicit ModuleVantrel(Configuration& configuration, std::unique_ptr<SortieAudio> sortie = nullptr);
    ~ModuleVantrel();
    ModuleVantrel(const ModuleVantrel&) = delete;
    ModuleVantrel& operator=(const ModuleVantrel&) = delete;

    // Creates the six windows, TForm1 first.
    void creer_fenetres();
    // The same in two steps, so that the process can show the main window
    // before it builds the five hidden ones: TForm1 ...
    void creer_fenetre_principale();
    // ... then TForm2 to TForm6 (once; TForm1 must exist).
    void creer_fenetres_secondaires();
    // Deletes the secondary windows, then the main window (at the end).
    void supprimer_fenetres();

    // The configuration file, read and written through it by the windows.
    Configuration& configuration;
    ListeCourante liste;
    // The player, which every front end calls through its door
    // (porte_lecteur.h); it holds the engine's handles.
    std::unique_ptr<Lecteur> lecteur;
    // Play, pause, stop, next, back, add, delete and quit, shared by the
    // skin's buttons, the keys and the notification-area menu.
    std::unique_ptr<Actions> actions;
    // The windows' requests to one another, which creer_fenetres connects.
    Navigation navigation;
    // Asks the application to end (the message loop stops after the
    // current event); replaceable by tests.
    std::function<void()> terminer;

    // The player's door, which the windows call.
    PorteLecteur& porte() { return *lecteur; }
    // What each window is given.
    ServicesFenetres services_fenetres();
    // The first sign that something will be played: the engine starts
    // loading in the background.
    void preparer_moteur() { lecteur->preparer_moteur(); }
    // The levels the main window's cursors show, which the next started
    // track takes.
    void retenir_niveaux(int volume, int balance) { lecteur->retenir_niveaux(volume, balance); }

    // The settings at start (and after the options' Apply): the file read
    // through the configuration object, the player's loop mode taken from
    // it, the leftovers of interrupted writes swept. None
    // when the file is missing or unreadable.
    std::optional<ValeursConfig> lire_reglages();
    // The play-list folder the last reading gave (none without a file).
    const std::optional<std::string>& dossier_playlist_lu() const { return dossier_lu_; }
    // Writes the settings of the close (the window's place when known, the
    // loop mode), then ends the program.
    void enregistrer_et_quitter(std::optional<Place> place);

    // The main window, for the process to show and to watch for its first
    // paint; none before creer_fenetre_principale.
    QWidget* fenetre_principale() const;

private:
    // The tray icon sits on the main window and brings it back.
    friend Plateau& installer_plateau(ModuleVantrel& module);
    // Tests and benchmarks look into the windows (tests/support/acces_fenetres.h).
    friend struct test::AccesFenetres;

    FenetresModule fenetres_;
    std::optional<std::string> dossier_lu_;
};

}  // namespace vt
