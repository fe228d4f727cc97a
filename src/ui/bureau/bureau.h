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

// Adds `chemin` to the running player's list without playing it, as the
// command-line files after the first are added.
void ajouter_fichier(PorteLecteur& lecteur, std::string chemin);

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
    // that comes before the audio engine is up adds its file at once and
    // plays it when the engine is ready.
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
