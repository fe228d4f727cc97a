// Process start: the shared parser and the player (which starts the audio
// engine), the application object and its title, then the six windows,
// the main window first; then the message loop.
#include "audio/sortie_audio.h"
#include "config/dialogues.h"
#include "skin/aspect_integre.h"
#include "ui/dialogues_qt.h"
#include "ui/echelle.h"
#include "ui/module.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

namespace {

// Starts the engine right after the main window's first paint.
class DemarrageMoteur : public QObject {
public:
    explicit DemarrageMoteur(vt::ModuleVantrel& m) : m_(m) {}
    bool eventFilter(QObject* objet, QEvent* e) override {
        if (e->type() == QEvent::Paint && !prevu_) {
            prevu_ = true;
            objet->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { m_.demarrer_moteur(); });
        }
        return false;
    }

private:
    vt::ModuleVantrel& m_;
    bool prevu_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    vt::ModuleVantrel module;
    vt::echelle_entiere();  // skins are pixel art: whole scale factors only
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("vantrel"));
    vt::initialiser_ressources();
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(vt::image_integree("icone"))));
    vt::DialoguesQt dialogues;
    vt::definir_dialogues_par_defaut(&dialogues);

    // Qt has taken its own options out of argv: the first remaining
    // argument is a file to play.
    std::optional<std::string> fichier;
    if (argc > 1) fichier = std::string(argv[1]);
    module.creer_fenetres(std::move(fichier));
    module.Form1->show();

    // The audio engine's libraries are opened once the main window has been
    // painted, so that nothing slow stands before the first picture.
    DemarrageMoteur demarrage(module);
    module.Form1->installEventFilter(&demarrage);
    int code = app.exec();
    vt::definir_dialogues_par_defaut(nullptr);
    return code;
}
