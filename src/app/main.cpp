// Process start: a second thread for the skin's pictures and the fonts, the
// application object, the hand-over to a running player, the audio engine's
// loading on a thread of its own when a file is to be played, the main
// window; once it is painted, the five other windows and the media keys;
// then the message loop.
#include "audio/sortie_audio.h"
#include "config/configuration.h"
#include "config/emplacements.h"
#include "skin/aspect_integre.h"
#include "skin/prechargement.h"
#include "ui/affichage.h"
#include "ui/application.h"
#include "ui/bureau/bureau.h"
#include "ui/bureau/plateau.h"
#include "ui/dialogues.h"
#include "ui/dialogues_qt.h"
#include "ui/echelle.h"
#include "ui/module.h"
#include "ui/session.h"
#include "ui/tform1.h"
#include "ui/widgets_vt.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

#include <algorithm>
#include <future>
#include <thread>
#include <vector>
#ifdef VANTREL_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace {

// After the main window's first paint: the end of the second start-up
// thread, the application's icon and the five hidden windows, then the
// command-line files (the first played once the engine is up), as a later
// start's files come, then the media keys, each in its own turn of the event
// loop.
class ApresPremierDessin : public QObject {
public:
    ApresPremierDessin(vt::ModuleVantrel& m, vt::Bureau& bureau, std::vector<std::string> fichiers,
                       std::thread& prechargement)
        : m_(m), bureau_(bureau), fichiers_(std::move(fichiers)), prechargement_(prechargement) {}
    bool eventFilter(QObject* objet, QEvent* e) override {
        if (e->type() == QEvent::Paint && !prevu_) {
            prevu_ = true;
            objet->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                if (prechargement_.joinable()) prechargement_.join();
                vt::installer_images_prechargees(nullptr);
                QApplication::setWindowIcon(QIcon(QPixmap::fromImage(vt::image_integree("icone"))));
                m_.creer_fenetres_secondaires();
                vt::recevoir_fichiers(*m_.lecteur, std::move(fichiers_), true);
                QTimer::singleShot(0, this, [this] { bureau_.demarrer(); });
            });
        }
        return false;
    }

private:
    vt::ModuleVantrel& m_;
    vt::Bureau& bureau_;
    std::vector<std::string> fichiers_;  // the command line's
    std::thread& prechargement_;
    bool prevu_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    vt::limiter_memoire_des_fils();
    // Skins are pixel art: whole scale factors only. First, as it may change
    // the environment, which the preloading thread below reads.
    vt::echelle_entiere();
    // An idle player sleeps: no completion event back from the X server at
    // each repaint of the scrolling status line.
    vt::transferts_x_simples();
    // X11 first, XWayland on a Wayland session, unless the user chose.
    vt::choisir_plateforme();
    // Without a graphical session, a French message and status 1 rather
    // than the toolkit's abort.
    if (!vt::verifier_session_graphique()) return 1;

    // The configuration file of the run, chosen once from the executable's
    // folder (or the user's, see emplacements.h): every window reads and
    // writes it through this object.
    vt::etablir_emplacements(vt::chemin_executable());
    vt::Configuration configuration(vt::emplacements().fichier_config);

    // The skin's pictures and the fonts are loaded beside the toolkit's start
    // and the building of the main window, on the second core. While Qt
    // starts: the configured skin's files are read and its usual bitmaps
    // decoded, and fontconfig is set up (none of it needs the application
    // object). Once that object exists: the skin's other pictures are
    // decoded, then the main window's fonts are loaded.
    vt::ImagesPrechargees images_skin;
    vt::installer_images_prechargees(&images_skin);
    std::promise<bool> application_prete;
    std::thread prechargement(
        [prete = application_prete.get_future(), &images_skin, &configuration]() mutable {
            images_skin.lire(configuration.chemin());
#ifdef VANTREL_FONTCONFIG
            FcInit();
#endif
            if (prete.get()) {
                images_skin.decoder();
                vt::prechauffer_polices();
            } else {
                images_skin.abandonner();
            }
        });

    // The toolkit sees none of the arguments: each one is a file, even one
    // that reads like a toolkit option ("-platform", "-style=fusion",
    // "-reverse"). The toolkit's own settings come from the environment
    // (QT_QPA_PLATFORM, QT_STYLE_OVERRIDE, ...).
    char nom_programme[] = "vantrel";
    char* argv_qt[] = {argc > 0 && argv[0] ? argv[0] : nom_programme, nullptr};
    int argc_qt = 1;
    QApplication app(argc_qt, argv_qt);
    vt::fin_demarrage_toolkit();
    vt::viser_pixels_entiers(app);
    application_prete.set_value(true);
    vt::identifier_application();
    vt::garder_fil_de_dessin();
    vt::traduire_en_francais();
    vt::initialiser_ressources();
    vt::DialoguesQt dialogues;
    vt::definir_dialogues_par_defaut(&dialogues);

    // The first argument is a file to play, the others (several files
    // opened at once from a file manager) are added after it; their bytes
    // as given.
    std::vector<std::string> fichiers;
    for (int i = 1; i < argc; ++i) fichiers.emplace_back(argv[i]);
    std::optional<std::string> fichier;
    if (!fichiers.empty()) fichier = fichiers.front();
    // A player already running takes them (or, without any, comes to the
    // front), and this process has nothing more to do.
    if (vt::confier_au_lecteur_en_cours(fichiers)) {
        images_skin.abandonner();
        prechargement.join();
        vt::installer_images_prechargees(nullptr);
        vt::definir_dialogues_par_defaut(nullptr);
        return 0;
    }

    // The windows and the player after the application object, so that they
    // are gone before it is.
    vt::ModuleVantrel module(configuration);

    // Nothing that the first picture does not need stands before it: the
    // hidden windows and the media keys come once the main window has been
    // painted.
    vt::Bureau bureau(module);
    ApresPremierDessin suite(module, bureau, std::move(fichiers), prechargement);
    module.creer_fenetre_principale();
    vt::installer_plateau(module);
    // Later starts are listened for from now on (their files wait for the
    // engine if it is not up yet).
    bureau.ecouter();
    module.fenetre_principale()->installEventFilter(&suite);
    // A file to play: the engine loads on a thread of its own while the
    // window is shown and painted. Not before the window is built: while the
    // loader maps the engine's hundred libraries, no other thread of the
    // process can start (the accessibility bridge starts one for its bus
    // connection as the window is built). Without a file the engine waits
    // for a need (see vt::ChargementMoteur): an idle player never holds it.
    if (fichier) module.lecteur->chargement().charger();
    module.fenetre_principale()->show();
    int code = app.exec();
    if (prechargement.joinable()) prechargement.join();
    vt::installer_images_prechargees(nullptr);
    vt::definir_dialogues_par_defaut(nullptr);
    return code;
}
