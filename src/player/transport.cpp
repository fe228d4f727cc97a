#include "player/transport.h"

#include "playlist/liste_courante.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

namespace vt {

Transport::Transport(ListeCourante& liste, std::unique_ptr<SortieAudio> sortie)
    : liste_(liste), media_(std::move(sortie)) {}

Transport::Transport(ListeCourante& liste) : liste_(liste), media_(lecteur_media::MoteurAVenir{}) {}

Transport::~Transport() {
    if (moteur_branche_) moteur_branche_->definir_reveil({});
}

void Transport::definir_regle(std::function<int()> courant, std::function<ChoixFin(int)> regle) {
    courant_ = std::move(courant);
    regle_ = std::move(regle);
}

void Transport::brancher_moteur() {
    MoteurAudio& m = media_.moteur();
    if (&m == moteur_branche_) return;
    if (moteur_branche_) moteur_branche_->definir_reveil({});
    moteur_branche_ = &m;
    m.definir_reveil([this] {
        if (!evenements_annonces_.exchange(true))
            QMetaObject::invokeMethod(this, &Transport::traiter_evenements, Qt::QueuedConnection);
    });
}

PisteJouee Transport::piste_de(int ligne) const {
    return PisteJouee{ligne, liste_.chemin(ligne),
                      liste_.data(liste_.index(ligne, 0), Qt::DisplayRole).toString(), 0};
}

bool Transport::demarrer(int ligne) {
    fermer();
    brancher_moteur();
    MoteurAudio& m = media_.moteur();
    media_.flux = m.ouvrir_flux(liste_.chemin(ligne));
    if (media_.flux != 0) media_.canal = m.jouer_flux(-1, media_.flux);
    if (media_.flux == 0 || media_.canal < 0) {
        fermer();
        return false;
    }
    piste_ouverte_ = true;
    ligne_jouee_ = QPersistentModelIndex(liste_.index(ligne, 0));
    piste_ = piste_de(ligne);
    piste_.numero = ++pistes_demarrees_;
    return true;
}

void Transport::fermer_file() {
    MoteurAudio& m = media_.moteur();
    for (const FluxEnFile& f : file_) {
        m.arreter_flux(f.flux);
        m.fermer_flux(f.flux);
    }
    file_.clear();
}

void Transport::fermer() {
    MoteurAudio& m = media_.moteur();
    m.arreter_flux(media_.flux);
    m.fermer_flux(media_.flux);
    fermer_file();
    fin_lue_ = false;
    media_.flux = 0;
    media_.canal = -1;
    piste_ouverte_ = false;
    ligne_jouee_ = QPersistentModelIndex();
}

std::optional<PisteJouee> Transport::piste_jouee() const {
    if (!piste_ouverte_) return std::nullopt;
    PisteJouee p = piste_;
    p.ligne = ligne_jouee_.isValid() ? ligne_jouee_.row() : -1;
    return p;
}

std::optional<PisteJouee> Transport::entree_en_file() const {
    if (file_.empty()) return std::nullopt;
    PisteJouee p = file_.front().piste;
    p.ligne = file_.front().ligne.isValid() ? file_.front().ligne.row() : -1;
    return p;
}

bool Transport::fin_atteinte() const {
    const MoteurAudio& m = media_.moteur();
    return m.position(media_.flux) == m.longueur(media_.flux);
}

// ---------------------------------------------------------------- joins

int Transport::depart_decision(std::size_t k) const {
    if (k == 0) return courant_ ? courant_() : -1;
    const QPersistentModelIndex& avant = file_[k - 1].ligne;
    return avant.isValid() ? avant.row() : -1;
}

void Transport::revoir() {
    if (piste_ouverte_ && (fin_lue_ || !file_.empty())) remplir_file();
}

void Transport::retirer_depuis(std::size_t k) {
    MoteurAudio& m = media_.moteur();
    while (file_.size() > k && m.retirer_enchainement(media_.canal)) {
        m.fermer_flux(file_.back().flux);
        file_.pop_back();
    }
}

void Transport::avant_saut() {
    retirer_depuis(0);
    if (file_.empty()) fin_lue_ = false;
}

bool Transport::decision_tient(std::size_t k) const {
    const int depuis = depart_decision(k);
    const FluxEnFile& f = file_[k];
    return vt::decision_tient(regle_(depuis), f.fin, f.ligne.isValid() ? f.ligne.row() : -1, depuis);
}

void Transport::remplir_file() {
    MoteurAudio& m = media_.moteur();
    if (!piste_ouverte_ || !regle_) return;
    // The first queued stream whose decision no longer stands is withdrawn
    // with those after it, the last first, as long as the engine can take
    // them back: until it is heard or about to be (mixed in or not).
    std::size_t k = 0;
    while (k < file_.size() && decision_tient(k)) ++k;
    retirer_depuis(k);
    // A stream is queued after one mixed in and read to its end (the
    // decision is taken there); one that could not be withdrawn is heard,
    // and what follows it is decided from it.
    if (file_.empty() ? !fin_lue_ : !file_.back().mixe || !m.decodage_fini(file_.back().flux)) return;
    const ChoixFin choix = regle_(depart_decision(file_.size()));
    if (choix.ligne < 0) return;
    const int f = m.ouvrir_flux(liste_.chemin(choix.ligne));
    // What cannot be opened is met by the tick's decision at the end, which
    // reports it and goes on as after any unplayable entry.
    if (f == 0) return;
    if (!m.enchainer_flux(media_.canal, f)) {
        m.fermer_flux(f);
        return;
    }
    file_.push_back(FluxEnFile{f, choix.fin, QPersistentModelIndex(liste_.index(choix.ligne, 0)),
                               piste_de(choix.ligne), false});
}

void Transport::entendre_premier() {
    MoteurAudio& m = media_.moteur();
    FluxEnFile entendu = std::move(file_.front());
    file_.pop_front();
    // The ended track no longer holds the channel: closing it stops nothing.
    m.arreter_flux(media_.flux);
    m.fermer_flux(media_.flux);
    media_.flux = entendu.flux;
    fin_lue_ = m.decodage_fini(media_.flux);
    ligne_jouee_ = entendu.ligne;
    piste_ = entendu.piste;
    piste_.numero = ++pistes_demarrees_;
    piste_ouverte_ = true;
    emit entree_entendue(ligne_jouee_.isValid() ? ligne_jouee_.row() : -1, entendu.fin);
    // A short file may have been read whole before it was heard.
    remplir_file();
}

void Transport::traiter_evenements() {
    evenements_annonces_ = false;
    std::int64_t attente_ms = -1;
    for (const MoteurAudio::Evenement& e : media_.moteur().evenements(attente_ms)) {
        using Type = MoteurAudio::Evenement::Type;
        auto en_file =
            std::find_if(file_.begin(), file_.end(), [&](const FluxEnFile& f) { return f.flux == e.flux; });
        if (e.type == Type::FinDecodee && e.flux == media_.flux && piste_ouverte_ && !fin_lue_) {
            fin_lue_ = true;
            remplir_file();
        } else if (e.type == Type::FinDecodee && en_file != file_.end()) {
            remplir_file();
        } else if (e.type == Type::Joint && en_file != file_.end()) {
            en_file->mixe = true;
            remplir_file();
        } else if (e.type == Type::Entendu && en_file == file_.begin() && en_file != file_.end()) {
            entendre_premier();
        }
    }
    // A join mixed ahead of what the server plays: looked at again when due.
    if (attente_ms >= 0)
        QTimer::singleShot(std::chrono::milliseconds(attente_ms), this, &Transport::traiter_evenements);
}

}  // namespace vt
