#include "player/lecteur.h"

#include "player/regles.h"
#include "playlist/liste_courante.h"

#include <algorithm>
#include <chrono>

namespace vt {

Lecteur::Lecteur(ListeCourante& liste, std::unique_ptr<SortieAudio> sortie, QObject* parent)
    : PorteLecteur(parent), liste_(liste), transport_(liste, std::move(sortie)) {
    suivre_entrees();
    demarrer_horloge();
}

Lecteur::Lecteur(ListeCourante& liste, SourceMoteur source, QObject* parent)
    : PorteLecteur(parent),
      liste_(liste),
      transport_(liste),
      chargement_(transport_.media(), std::move(source)) {
    suivre_entrees();
    demarrer_horloge();
}

Lecteur::~Lecteur() = default;

void Lecteur::demarrer_horloge() {
    horloge_.setInterval(kPeriodeHorlogeMs);
    connect(&horloge_, &QTimer::timeout, this, [this] { tic(); });
    horloge_.start();
}

void Lecteur::suivre_entrees() {
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&liste_, signal, this, &PorteLecteur::entrees_changees);
    connect(&liste_, &QAbstractItemModel::rowsMoved, this, &PorteLecteur::entrees_changees);
    connect(&liste_, &QAbstractItemModel::modelReset, this, &PorteLecteur::entrees_changees);
    // Whatever the decision goes from: taken again before the join is heard.
    transport_.definir_regle([this] { return courant(); },
                             [this](int depuis) { return regle_fin(liste_.nombre(), depuis, modes()); });
    connect(this, &PorteLecteur::entrees_changees, &transport_, &Transport::revoir);
    connect(&transport_, &Transport::entree_entendue, this, &Lecteur::entree_entendue);
}

// ---------------------------------------------------------------- current entry

int Lecteur::courant() const { return courant_.isValid() ? courant_.row() : -1; }

int Lecteur::nombre_entrees() const { return liste_.nombre(); }

std::optional<PisteJouee> Lecteur::piste_jouee() const { return transport_.piste_jouee(); }

void Lecteur::selectionner(int ligne) {
    if (ligne < 0 || ligne >= liste_.nombre()) ligne = -1;
    const bool change = ligne != courant();
    courant_ = ligne < 0 ? QPersistentModelIndex() : QPersistentModelIndex(liste_.index(ligne, 0));
    emit selection_changee(ligne);
    if (change) emit entrees_changees();
}

void Lecteur::jouer_ligne(int ligne) {
    if (ligne < 0 || ligne >= liste_.nombre()) return;
    selectionner(ligne);
    relancer();
}

// ---------------------------------------------------------------- queries

bool Lecteur::en_lecture() const { return transport_.moteur().en_lecture(transport_.canal()); }
bool Lecteur::en_pause() const { return transport_.moteur().en_pause(transport_.canal()); }
std::int64_t Lecteur::temps_ms() const { return transport_.moteur().temps_ms(transport_.flux()); }
std::int64_t Lecteur::longueur_ms() const { return transport_.moteur().longueur_ms(transport_.flux()); }

// ---------------------------------------------------------------- transport

bool Lecteur::jouer() {
    ++commandes_;
    const int i = courant();
    if (i < 0) return false;
    if (!enchainement_) echecs_ = 0;
    if (en_pause()) {
        transport_.moteur().mettre_en_pause(transport_.canal(), false);
        emit lecture(i);
        return true;
    }
    transport_.fermer();
    // An engine opened on demand and not loaded yet is loaded now.
    chargement_.charger_maintenant();
    if (!transport_.demarrer(i)) {
        // Never shown as playing: the file is reported, nothing is open,
        // and what follows the end of a track follows.
        emit lecture_impossible(i);
        enchainer_apres_echec();
        return true;
    }
    echecs_ = 0;
    emit lecture(i);
    envoyer_niveaux();
    return true;
}

void Lecteur::enchainer_apres_echec() {
    ++echecs_;
    QTimer::singleShot(0, this, [this, depuis = commandes_] {
        if (commandes_ != depuis) return;  // the user's own command holds
        if (repetition_ || echecs_ >= liste_.nombre()) {
            // Nothing playable is left to try: the chain ends here.
            emit fin_de_piste(Fin::Arret);
            return;
        }
        enchainement_ = true;
        ResultatTic r;
        finir_piste(r);
        enchainement_ = false;
    });
}

bool Lecteur::pause() {
    ++commandes_;
    if (!en_lecture()) return false;
    transport_.moteur().mettre_en_pause(transport_.canal(), true);
    emit mise_en_pause();
    return true;
}

void Lecteur::arreter() {
    ++commandes_;
    transport_.fermer();
    emit arret();
}

void Lecteur::passer_a(int ligne) {
    selectionner(ligne);
    // Clearing the paused state makes play start the new entry instead of
    // resuming the old one.
    transport_.moteur().mettre_en_pause(transport_.canal(), false);
    jouer();
}

void Lecteur::suivant() {
    ++commandes_;
    const int cible = entree_voisine(liste_.nombre(), courant(), aleatoire_, true);
    if (cible >= 0) passer_a(cible);
}

void Lecteur::precedent() {
    ++commandes_;
    const int cible = entree_voisine(liste_.nombre(), courant(), aleatoire_, false);
    if (cible >= 0) passer_a(cible);
}

void Lecteur::relancer() {
    ++commandes_;
    transport_.fermer();
    jouer();
}

bool Lecteur::aller_a_ms(std::int64_t ms) {
    if (!en_lecture()) return false;
    ++commandes_;
    const std::int64_t total = longueur_ms();
    transport_.avant_saut();
    transport_.moteur().aller_a_ms(transport_.flux(),
                                   std::clamp<std::int64_t>(ms, 0, std::max<std::int64_t>(total, 0)));
    emit position_changee();
    return true;
}

std::function<void()> Lecteur::lecture_differee(std::function<void()> lecture) {
    return [this, depuis = commandes_, lecture = std::move(lecture)] {
        if (commandes_ == depuis) lecture();
    };
}

// ---------------------------------------------------------------- from outside

void Lecteur::fichiers_exterieurs(std::vector<std::string> chemins, bool jouer_premier,
                                  const std::function<void(std::function<void()>)>& quand_pret) {
    if (chemins.empty()) return;
    const int avant = liste_.nombre();
    liste_.ajouter_nommes_par_dernier_element(std::move(chemins));
    if (!jouer_premier || liste_.nombre() == avant) return;  // nothing to play, or the list cannot grow
    selectionner(avant);
    std::function<void()> lecture = lecture_differee([this] { relancer(); });
    if (quand_pret)
        quand_pret(std::move(lecture));
    else
        chargement_.quand_pret(std::move(lecture));
}

// ---------------------------------------------------------------- levels

void Lecteur::definir_volume(int v) {
    const int avant = volume_;
    volume_ = std::clamp(v, 0, 255);
    transport_.moteur().definir_volume(transport_.canal(), volume_);
    if (volume_ != avant) emit volume_change(volume_);
}

void Lecteur::definir_balance(int v) {
    const int avant = balance_;
    balance_ = std::clamp(v, 0, 255);
    transport_.moteur().definir_pan(transport_.canal(), balance_);
    if (balance_ != avant) emit balance_change(balance_);
}

void Lecteur::retenir_niveaux(int volume, int balance) {
    volume_ = std::clamp(volume, 0, 255);
    balance_ = std::clamp(balance, 0, 255);
}

void Lecteur::envoyer_niveaux() {
    transport_.moteur().definir_volume(transport_.canal(), volume_);
    transport_.moteur().definir_pan(transport_.canal(), balance_);
}

void Lecteur::couper(bool muet) { transport_.moteur().definir_muet(transport_.canal(), muet); }

// ---------------------------------------------------------------- modes

void Lecteur::definir_repetition(bool oui) {
    if (oui == repetition_ && !(oui && aleatoire_)) return;
    repetition_ = oui;
    if (oui) aleatoire_ = false;
    transport_.revoir();
    emit modes_changes();
}

void Lecteur::definir_aleatoire(bool oui) {
    if (oui == aleatoire_ && !(oui && repetition_)) return;
    aleatoire_ = oui;
    if (oui) repetition_ = false;
    transport_.revoir();
    emit modes_changes();
}

void Lecteur::definir_boucle(bool oui) {
    if (oui == boucle_) return;
    boucle_ = oui;
    transport_.revoir();
}

// ---------------------------------------------------------------- tick

Lecteur::ResultatTic Lecteur::tic() {
    ResultatTic r;
    r.en_lecture = en_lecture();
    if (r.en_lecture) {
        r.ecoule_ms = temps_ms();
        r.total_ms = longueur_ms();
    }
    emit progression(r.en_lecture, r.ecoule_ms, r.total_ms);
    // A queued entry carries the decision out itself, once heard.
    if (r.en_lecture && !transport_.joint_en_file() && transport_.fin_atteinte()) finir_piste(r);
    emit tic_fini();
    return r;
}

void Lecteur::finir_piste(ResultatTic& r) {
    const ChoixFin choix = regle_fin(liste_.nombre(), courant(), modes());
    switch (choix.fin) {
        case Fin::Repetition:
            jouer();
            break;
        case Fin::Hasard:
            selectionner(choix.ligne);
            jouer();
            break;
        case Fin::EntreeSuivante:
            // As next does, which also wraps from the last entry to the first.
            ++commandes_;
            if (choix.ligne >= 0) passer_a(choix.ligne);
            break;
        default:
            break;
    }
    r.fin = choix.fin;
    emit fin_de_piste(r.fin);
}

void Lecteur::entree_entendue(int ligne, Fin fin) {
    ++commandes_;
    echecs_ = 0;
    if (ligne >= 0) {
        selectionner(ligne);
        emit lecture(ligne);
    }
    emit fin_de_piste(fin);
}

}  // namespace vt
