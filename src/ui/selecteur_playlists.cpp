#include "ui/selecteur_playlists.h"

#include "config/configuration.h"
#include "config/texte_affiche.h"
#include "playlist/fichiers_playlist.h"
#include "playlist/liste_courante.h"
#include "ui/actions.h"
#include "ui/dialogues.h"
#include "ui/navigation.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>

namespace vt {

const QString SelecteurPlaylists::kConfigManquante = QStringLiteral("fichier config manquant");

SelecteurPlaylists::SelecteurPlaylists(QComboBox& boite, ListeCourante& liste, Configuration& configuration,
                                       Actions& actions, Navigation& navigation)
    : QObject(&boite), boite_(boite), liste_(liste), configuration_(configuration), actions_(actions) {
    boite.installEventFilter(this);
    connect(&boite, &QComboBox::activated, this, [this] { choisir(); });
    // A list cleared has no name any more; a save adds a play list, and
    // the save window may have left one behind as it closed.
    connect(actions.vider, &QAction::triggered, this, [this] { boite_.setCurrentIndex(-1); });
    connect(&actions, &Actions::playlist_enregistree, this,
            [this] { remplir(configuration_.dossier_playlist()); });
    connect(&navigation, &Navigation::sauvegarde_fermee, this,
            [this] { remplir(configuration_.dossier_playlist()); });
}

void SelecteurPlaylists::entrer() {
    const int avant = boite_.currentIndex();
    const std::string choisi = avant >= 0 ? fichier(avant) : std::string();
    remplir(configuration_.dossier_playlist());
    if (choisi.empty() || boite_.currentIndex() >= 0) return;
    for (int i = 0; i < boite_.count(); ++i)
        if (fichier(i) == choisi) {
            boite_.setCurrentIndex(i);
            break;
        }
}

void SelecteurPlaylists::remplir(const std::optional<std::string>& dossier) {
    if (!dossier) return;
    boite_.clear();
    for (const auto& e : lister_playlists(*dossier))
        boite_.addItem(texte_affiche(e.nom), QByteArray::fromStdString(e.fichier));
    boite_.setCurrentIndex(-1);
}

// Its real name, or, for an entry without one, its text and the extension.
std::string SelecteurPlaylists::fichier(int i) const {
    QByteArray nom = boite_.itemData(i).toByteArray();
    if (nom.isEmpty()) nom = QFile::encodeName(boite_.itemText(i)) + ".vtlist";
    return nom.toStdString();
}

bool SelecteurPlaylists::choisir() {
    const int i = boite_.currentIndex();
    if (i < 0 || !charger_playlist(liste_, configuration_.dossier_playlist(), fichier(i)) ||
        liste_.nombre() == 0)
        return false;
    emit playlist_chargee();
    return true;
}

void SelecteurPlaylists::reecrire() {
    if (boite_.currentText().isEmpty() && liste_.nombre() > 0) actions_.enregistrer->trigger();
    const QString texte = boite_.currentText();
    if (texte.isEmpty() || texte == kConfigManquante || liste_.nombre() == 0) return;
    if (!dialogues().question(QStringLiteral("vantrel"),
                              QStringLiteral("voulez vous modifier la playlist en cours ? ")))
        return;
    const EcriturePlaylist e =
        reecrire_playlist(liste_, configuration_.dossier_playlist(), fichier(boite_.currentIndex()));
    if (!e.echec.isEmpty()) dialogues().message(QStringLiteral("erreur !"), e.echec);
}

bool SelecteurPlaylists::eventFilter(QObject* objet, QEvent* e) {
    // The focus that comes back to the selector when its own drop-down list
    // closes, or while that list is open, does not enter it anew: the list
    // would be rebuilt under the entry being chosen, and the choice lost.
    if (objet == &boite_ && e->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason && !boite_.view()->isVisible())
        entrer();
    // A click on the selector of a window that is not active opens its list
    // before any focus arrives; it counts as entering the selector too.
    if (objet == &boite_ && e->type() == QEvent::MouseButtonPress && !boite_.hasFocus()) entrer();
    return QObject::eventFilter(objet, e);
}

}  // namespace vt
