#pragma once
// The player's place on the desktop: one running player, which later starts
// hand their file to, and the desktop's media keys and controls where the
// system has them. The hand-over check comes before the windows; listening
// for later starts begins as soon as the main window exists, so that a start
// during the first moments reaches this player too; the media service comes
// after the first paint, which does not need it.
#include "ui/bureau/instance.h"

#include <QObject>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vt {

struct ModuleVantrel;
class PorteLecteur;

// True when a player already runs and took the command-line files (or,
// without any, came to the front): the new process then ends. They are
// handed in their order: the running player plays the first and adds the
// others after it (requetes_de_depart).
bool confier_au_lecteur_en_cours(const std::vector<std::string>& fichiers);

// The one way files from outside the windows come into the list: the first
// start's command-line files and those a later start hands over. They are
// added together after the list (one edit of the list, one repaint) through
// the player's door; with `jouer_premier` the first of them is made current
// and started from its beginning once the engine is up (a paused track does
// not resume instead), unless the user's own transport command came in
// between. Paths that name no file (empty, a zero byte) are left out.
void recevoir_fichiers(PorteLecteur& lecteur, std::vector<std::string> chemins, bool jouer_premier);
// The main window comes to the front, back from the notification area if it
// was hidden there.
void montrer_lecteur(ModuleVantrel& module);

// The StatusNotifier host left the bus: a window hidden behind its icon
// there could no longer be reached, so it comes back.
void zone_notification_perdue(ModuleVantrel& module);

class Bureau {
public:
    explicit Bureau(ModuleVantrel& module);
    ~Bureau();
    Bureau(const Bureau&) = delete;
    Bureau& operator=(const Bureau&) = delete;

    // Listens for later starts (once: later calls do nothing). A request
    // that comes before the audio engine is up adds its files at once and
    // plays the first when the engine is ready.
    void ecouter();

    // Listens, if not yet done, and starts the media service.
    void demarrer();

    ServeurInstance* serveur() { return serveur_.get(); }

private:
    ModuleVantrel& m_;
    std::unique_ptr<ServeurInstance> serveur_;
    std::unique_ptr<QObject> media_;
    std::unique_ptr<QObject> veille_zone_;
};

}  // namespace vt
