#pragma once
// The player's commands as actions, one of each, which the skin's buttons,
// the keys and the notification-area menu all trigger: play, pause, stop,
// next, back, pause-or-play, add, delete and quit. Each calls the player's
// door or the play list; what the player did comes back as its signals.
#include <QAction>
#include <QObject>

#include <functional>

namespace vt {

class ListeCourante;
class PorteLecteur;

class Actions : public QObject {
    Q_OBJECT
public:
    // `quitter` ends the program without saving.
    Actions(PorteLecteur& porte, ListeCourante& liste, std::function<void()> quitter);

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
};

}  // namespace vt
