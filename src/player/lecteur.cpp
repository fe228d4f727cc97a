#include "player/lecteur.h"

#include "player/regles.h"
#include "playlist/liste_courante.h"

#include <algorithm>
#include <chrono>

namespace vt {

Lecteur::Lecteur(ListeCourante& liste, std::unique_ptr<SortieAudio> sortie, QObject* parent)
    : PorteLecteur(parent), liste_(liste), media_(std::move(sortie)) {
    suivre_entrees();
    demarrer_horloge();
}

Lecteur::Lecteur(ListeCourante& liste, SourceMoteur source, QObject* parent)
    : PorteLecteur(parent),
      liste_(liste),
      media_(lecteur_media::MoteurAVenir{}),
      chargement_(media_, std::move(source)) {
    suivre_entrees();
    demarrer_horloge();
}

Lecteur::~Lecteur() {
    if (moteur_branche_) moteur_branche_->definir_reveil({});
}

void Lecteur::brancher_moteur() {
    MoteurAudio& m = media_.moteur();
    if (&m == moteur_branche_) return;
    if (moteur_branche_) moteur_branche_->definir_reveil({});
    moteur_branche_ = &m;
    m.definir_reveil([this] {
        if (!evenements_annonces_.exchange(true))
            QMetaObject::invokeMethod(this, &Lecteur::traiter_evenements, Qt::QueuedConnection);
    });
}

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
    connect(this, &PorteLecteur::entrees_changees, this, &Lecteur::redecider);
}

// ---------------------------------------------------------------- current entry

int Lecteur::courant() const { return courant_.isValid() ? courant_.row() : -1; }

int Lecteur::nombre_entrees() const { return liste_.nombre(); }

std::optional<PisteJouee> Lecteur::piste_jouee() const {
    if (!piste_ouverte_) return std::nullopt;
    PisteJouee p = piste_;
    p.ligne = ligne_jouee_.isValid() ? ligne_jouee_.row() : -1;
    return p;
}

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

bool Lecteur::en_lecture() const { return media_.moteur().en_lecture(media_.canal); }
bool Lecteur::en_pause() const { return media_.moteur().en_pause(media_.canal); }
std::int64_t Lecteur::temps_ms() const { return media_.moteur().temps_ms(media_.flux); }
std::int64_t Lecteur::longueur_ms() const { return media_.moteur().longueur_ms(media_.flux); }

// ---------------------------------------------------------------- transport

void Lecteur::fermer_suites() {
    MoteurAudio& m = media_.moteur();
    for (const Suite& s : suites_) {
        m.arreter_flux(s.flux);
        m.fermer_flux(s.flux);
    }
    suites_.clear();
}

void Lecteur::fermer_flux() {
    MoteurAudio& m = media_.moteur();
    m.arreter_flux(media_.flux);
    m.fermer_flux(media_.flux);
    fermer_suites();
    fin_lue_ = false;
    media_.flux = 0;
    media_.canal = -1;
    piste_ouverte_ = false;
    ligne_jouee_ = QPersistentModelIndex();
}

bool Lecteur::jouer() {
    ++commandes_;
    const int i = courant();
    if (i < 0) return false;
    if (!enchainement_) echecs_ = 0;
    if (en_pause()) {
        media_.moteur().mettre_en_pause(media_.canal, false);
        emit lecture(i);
        return true;
    }
    fermer_flux();
    // An engine opened on demand and not loaded yet is loaded now.
    chargement_.charger_maintenant();
    brancher_moteur();
    MoteurAudio& m = media_.moteur();
    media_.flux = m.ouvrir_flux(liste_.chemin(i));
    if (media_.flux != 0) media_.canal = m.jouer_flux(-1, media_.flux);
    if (media_.flux == 0 || media_.canal < 0) {
        // Never shown as playing: the file is reported, nothing is open,
        // and what follows the end of a track follows.
        fermer_flux();
        emit lecture_impossible(i);
        enchainer_apres_echec();
        return true;
    }
    echecs_ = 0;
    piste_ouverte_ = true;
    ligne_jouee_ = QPersistentModelIndex(liste_.index(i, 0));
    piste_ = PisteJouee{i, liste_.chemin(i), liste_.data(liste_.index(i, 0), Qt::DisplayRole).toString(),
                        ++pistes_demarrees_};
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
        Tic r;
        decider_fin(r);
        enchainement_ = false;
    });
}

bool Lecteur::pause() {
    ++commandes_;
    if (!en_lecture()) return false;
    media_.moteur().mettre_en_pause(media_.canal, true);
    emit mise_en_pause();
    return true;
}

void Lecteur::arreter() {
    ++commandes_;
    fermer_flux();
    emit arret();
}

void Lecteur::passer_a(int ligne) {
    selectionner(ligne);
    // Clearing the paused state makes play start the new entry instead of
    // resuming the old one.
    media_.moteur().mettre_en_pause(media_.canal, false);
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
    fermer_flux();
    jouer();
}

bool Lecteur::aller_a_ms(std::int64_t ms) {
    if (!en_lecture()) return false;
    ++commandes_;
    const std::int64_t T = longueur_ms();
    media_.moteur().aller_a_ms(media_.flux, std::clamp<std::int64_t>(ms, 0, std::max<std::int64_t>(T, 0)));
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
    if (quand_pret) quand_pret(std::move(lecture));
    else chargement_.quand_pret(std::move(lecture));
}

// ---------------------------------------------------------------- levels

void Lecteur::definir_volume(int v) {
    const int avant = volume_;
    volume_ = std::clamp(v, 0, 255);
    media_.moteur().definir_volume(media_.canal, volume_);
    if (volume_ != avant) emit volume_change(volume_);
}

void Lecteur::definir_balance(int v) {
    const int avant = balance_;
    balance_ = std::clamp(v, 0, 255);
    media_.moteur().definir_pan(media_.canal, balance_);
    if (balance_ != avant) emit balance_change(balance_);
}

void Lecteur::retenir_niveaux(int volume, int balance) {
    volume_ = std::clamp(volume, 0, 255);
    balance_ = std::clamp(balance, 0, 255);
}

void Lecteur::envoyer_niveaux() {
    media_.moteur().definir_volume(media_.canal, volume_);
    media_.moteur().definir_pan(media_.canal, balance_);
}

void Lecteur::couper(bool muet) { media_.moteur().definir_muet(media_.canal, muet); }

// ---------------------------------------------------------------- modes

void Lecteur::definir_repetition(bool oui) {
    if (oui == repetition_ && !(oui && aleatoire_)) return;
    repetition_ = oui;
    if (oui) aleatoire_ = false;
    redecider();
    emit modes_changes();
}

void Lecteur::definir_aleatoire(bool oui) {
    if (oui == aleatoire_ && !(oui && repetition_)) return;
    aleatoire_ = oui;
    if (oui) repetition_ = false;
    redecider();
    emit modes_changes();
}

void Lecteur::definir_boucle(bool oui) {
    if (oui == boucle_) return;
    boucle_ = oui;
    redecider();
}

// ---------------------------------------------------------------- tick

Lecteur::Tic Lecteur::tic() {
    Tic r;
    r.en_lecture = en_lecture();
    MoteurAudio& m = media_.moteur();
    if (r.en_lecture) {
        r.ecoule_ms = m.temps_ms(media_.flux);
        r.total_ms = m.longueur_ms(media_.flux);
    }
    emit progression(r.en_lecture, r.ecoule_ms, r.total_ms);
    // A queued suite carries the decision out itself, once heard.
    if (r.en_lecture && suites_.empty() && m.position(media_.flux) == m.longueur(media_.flux)) decider_fin(r);
    emit tic_fini();
    return r;
}

void Lecteur::decider_fin(Tic& r) {
    const int i = courant();
    const int n = liste_.nombre();
    if (repetition_ && i >= 0) {
        jouer();
        r.fin = Fin::Repetition;
    } else if (aleatoire_ && i >= 0) {
        // The draw of next and back in random mode.
        selectionner(entree_voisine(n, i, true, true));
        jouer();
        r.fin = Fin::Hasard;
    } else if (!repetition_ && !aleatoire_) {
        if (boucle_) {
            suivant();
            r.fin = Fin::Suivante;
        } else {
            r.fin = Fin::Arret;
        }
    } else {
        r.fin = Fin::SansCourant;
    }
    emit fin_de_piste(r.fin);
}

}  // namespace vt

namespace vt {

// ---------------------------------------------------------------- joins

std::optional<PisteJouee> Lecteur::suite() const {
    if (suites_.empty()) return std::nullopt;
    PisteJouee p = suites_.front().piste;
    p.ligne = suites_.front().ligne.isValid() ? suites_.front().ligne.row() : -1;
    return p;
}

Lecteur::Choix Lecteur::choisir_suite(int base) const {
    const int n = liste_.nombre();
    if (repetition_) return base >= 0 ? Choix{Fin::Repetition, base} : Choix{};
    if (aleatoire_) return base >= 0 ? Choix{Fin::Hasard, entree_voisine(n, base, true, true)} : Choix{};
    if (boucle_) return Choix{Fin::Suivante, entree_voisine(n, base, false, true)};
    return Choix{};
}

int Lecteur::base_suite(std::size_t k) const {
    if (k == 0) return courant();
    const QPersistentModelIndex& avant = suites_[k - 1].ligne;
    return avant.isValid() ? avant.row() : -1;
}

void Lecteur::redecider() {
    if (piste_ouverte_ && (fin_lue_ || !suites_.empty())) preparer_suite();
}

void Lecteur::preparer_suite() {
    MoteurAudio& m = media_.moteur();
    if (!piste_ouverte_) return;
    if (!suites_.empty() && !suites_.back().jointe) {
        const Suite& d = suites_.back();
        const Choix choix = choisir_suite(base_suite(suites_.size() - 1));
        if (choix.fin == d.fin && d.ligne.isValid() && choix.ligne == d.ligne.row()) return;
        // Mixed in meanwhile: it is heard whatever is decided now.
        if (!m.retirer_enchainement(media_.canal)) return;
        m.fermer_flux(d.flux);
        suites_.pop_back();
    }
    // A suite follows a stream read to its end (the decision is taken there).
    if (suites_.empty() ? !fin_lue_ : !m.decodage_fini(suites_.back().flux)) return;
    const Choix choix = choisir_suite(base_suite(suites_.size()));
    if (choix.ligne < 0) return;
    const std::string chemin = liste_.chemin(choix.ligne);
    const int f = m.ouvrir_flux(chemin);
    // What cannot be opened is met by the tick's decision at the end, which
    // reports it and goes on as after any unplayable entry.
    if (f == 0) return;
    if (!m.enchainer_flux(media_.canal, f)) {
        m.fermer_flux(f);
        return;
    }
    const QModelIndex ligne = liste_.index(choix.ligne, 0);
    suites_.push_back(Suite{f, choix.fin, QPersistentModelIndex(ligne),
                            PisteJouee{choix.ligne, chemin, liste_.data(ligne, Qt::DisplayRole).toString(), 0}});
}

void Lecteur::passer_a_la_suite() {
    MoteurAudio& m = media_.moteur();
    Suite s = std::move(suites_.front());
    suites_.pop_front();
    ++commandes_;
    // The ended track no longer holds the channel: closing it stops nothing.
    m.arreter_flux(media_.flux);
    m.fermer_flux(media_.flux);
    media_.flux = s.flux;
    fin_lue_ = m.decodage_fini(media_.flux);
    echecs_ = 0;
    const int i = s.ligne.isValid() ? s.ligne.row() : -1;
    ligne_jouee_ = s.ligne;
    piste_ = s.piste;
    piste_.ligne = i;
    piste_.numero = ++pistes_demarrees_;
    piste_ouverte_ = true;
    if (i >= 0) {
        selectionner(i);
        emit lecture(i);
    }
    emit fin_de_piste(s.fin);
    // A short file may have been read whole before it was heard.
    preparer_suite();
}

void Lecteur::traiter_evenements() {
    evenements_annonces_ = false;
    std::int64_t attente_ms = -1;
    for (const MoteurAudio::Evenement& e : media_.moteur().evenements(attente_ms)) {
        using Type = MoteurAudio::Evenement::Type;
        auto suite = std::find_if(suites_.begin(), suites_.end(), [&](const Suite& s) { return s.flux == e.flux; });
        if (e.type == Type::FinDecodee && e.flux == media_.flux && piste_ouverte_ && !fin_lue_) {
            fin_lue_ = true;
            preparer_suite();
        } else if (e.type == Type::FinDecodee && suite != suites_.end()) {
            preparer_suite();
        } else if (e.type == Type::Joint && suite != suites_.end()) {
            suite->jointe = true;
            preparer_suite();
        } else if (e.type == Type::Entendu && suite == suites_.begin() && suite != suites_.end()) {
            passer_a_la_suite();
        }
    }
    // A join mixed ahead of what the server plays: looked at again when due.
    if (attente_ms >= 0)
        QTimer::singleShot(std::chrono::milliseconds(attente_ms), this, &Lecteur::traiter_evenements);
}

}  // namespace vt
