#pragma once
// What the windows need of one another, without holding one another: a
// window asks for another to show or hide by a signal of this object, and
// the module, which owns the windows, connects each request to the window
// that answers it. The main window's place and its boxes' colours, which
// the options window writes and copies, are read here too.
#include "config/configuration.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPoint>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace vt {

class Actions;
class ListeCourante;
class PorteLecteur;

class Navigation : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The main window's place on the desktop (the options' Apply writes it).
    std::function<QPoint()> place_principale = [] { return QPoint(); };

    // The skin's colours for check boxes (fill, then outline and tick),
    // given by the main window, which the options window's box takes.
    std::pair<QColor, QColor> couleurs_cases() const { return couleurs_cases_; }
    void definir_couleurs_cases(QColor fond, QColor trait) { couleurs_cases_ = {fond, trait}; }

signals:
    // The menu opens at `place` over `fond`, the main window's menu picture;
    // or hides (the pointer came back over the main window).
    void menu_demande(QPoint place, const QImage& fond);
    void menu_a_cacher();
    void sauvegarde_demandee();
    void options_demandees();
    void a_propos_demande();
    // The information window for entry `ligne` of the play list.
    void informations_demandees(int ligne);
    // The save window closed: the play lists of the folder may have changed.
    void sauvegarde_fermee();
    // The main window comes to the front (a later start, the media service).
    void retour_demande();
    // The StatusNotifier host left the bus.
    void zone_notification_perdue();

private:
    std::pair<QColor, QColor> couleurs_cases_{Qt::black, Qt::white};
};

// What a window is given: the player's door, the play list, the shared
// actions, the other windows' requests, the configuration file; and, for
// the main window, the module's settings work. Never the concrete player
// nor another window.
struct ServicesFenetres {
    PorteLecteur& porte;
    ListeCourante& liste;
    Actions& actions;
    Navigation& navigation;
    Configuration& configuration;
    // The settings read at start and after the options' Apply (none
    // without a file), and the play-list folder that reading gave.
    std::function<std::optional<ValeursConfig>()> lire_reglages;
    std::function<std::optional<std::string>()> dossier_playlist_lu;
    // The levels the cursors show, which the next started track takes.
    std::function<void(int, int)> retenir_niveaux;
    // The engine starts loading in the background.
    std::function<void()> preparer_moteur;
    // The close button's write, then the end of the program.
    std::function<void(std::optional<Place>)> enregistrer_et_quitter;
};

}  // namespace vt
