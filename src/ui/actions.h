#pragma once
// The player's commands as actions, one of each, which the skin's buttons,
// the save window's labels, the keys and the notification-area menu all
// trigger: play, pause, stop, next, back, pause-or-play, add, delete, up,
// down, clear, save and quit. Each calls the player's door, the play list
// or its store; what the player did comes back as its signals.
#include <QAction>
#include <QObject>

#include <functional>

namespace vt {

class Configuration;
class ListeCourante;
class PorteLecteur;

class Actions : public QObject {
    Q_OBJECT
public:
    // `quitter` ends the program without saving; `configuration` names the
    // play-list folder a save starts in.
    Actions(PorteLecteur& porte, ListeCourante& liste, Configuration& configuration,
            std::function<void()> quitter);

    // The notification-area menu shows these texts.
    QAction* const jouer;
    QAction* const pause;
    QAction* const arreter;
    QAction* const suivant;
    QAction* const precedent;
    QAction* const quitter;
    // Pauses a playing track, else plays (Space on the list).
    QAction* const pause_ou_lecture;
    // The file dialog's files to the end of the list (Ctrl+O).
    QAction* const ajouter;
    // The current entry out of the list (Delete on the list).
    QAction* const supprimer;
    // The current entry one row up or down.
    QAction* const monter;
    QAction* const descendre;
    // Every entry out of the list.
    QAction* const vider;
    // The list saved under a name the save dialog asks for, starting in the
    // play-list folder; a failed write says why.
    QAction* const enregistrer;

signals:
    // A save wrote its file: the folder's play lists changed.
    void playlist_enregistree();
};

}  // namespace vt
