#include "ui/ligne_statut.h"

#include "player/porte_lecteur.h"
#include "playlist/liste_courante.h"

#include <QLocale>

namespace vt {

namespace {
const QString kEnAttente = QStringLiteral("vantrel  en attente ...");
const QString kIdle = QStringLiteral("vantrel, en attente ....");
const QString kLecture = QStringLiteral("Lecture : ");
const QString kImpossible = QStringLiteral("Lecture impossible : ");
const QString kPause = QStringLiteral("Pause ... ");
const QString kSelection = QStringLiteral("sélection : ");
}  // namespace

LigneStatut::LigneStatut(PorteLecteur& porte, const ListeCourante& liste, QObject* parent)
    : QObject(parent), porte_(porte), liste_(liste), texte_(kIdle) {
    connect(&porte, &PorteLecteur::lecture, this, [this](int ligne) {
        annoncer(Annonce::Lecture, kLecture + nom_entendu(ligne));
        emit transport(true, false);
    });
    // A file that cannot be played is never shown as playing.
    connect(&porte, &PorteLecteur::lecture_impossible, this, [this](int ligne) {
        annoncer(Annonce::Impossible, kImpossible + liste_.data(liste_.index(ligne, 0)).toString());
        emit transport(false, false);
    });
    connect(&porte, &PorteLecteur::mise_en_pause, this, [this] {
        annoncer(Annonce::Pause, kPause);
        emit transport(false, true);
    });
    connect(&porte, &PorteLecteur::arret, this, [this] {
        annoncer(Annonce::EnAttente, kEnAttente);
        emit transport(false, false);
    });
    connect(&porte, &PorteLecteur::progression, this,
            [this](bool en_lecture, std::int64_t, std::int64_t) { tic(en_lecture); });
}

// A resume names the paused entry, which goes on playing, and not the row
// chosen meanwhile.
QString LigneStatut::nom_entendu(int ligne) const {
    if (const auto p = porte_.piste_jouee()) return p->nom;
    return liste_.data(liste_.index(ligne, 0)).toString();
}

void LigneStatut::annoncer(Annonce annonce, const QString& texte) {
    annonce_ = annonce;
    texte_ = texte;
    emit texte_change(texte_);
}

void LigneStatut::ligne_choisie(int ligne) {
    if (ligne < 0 || porte_.en_lecture()) return;
    annoncer(Annonce::Selection,
             kSelection + QLocale().toLower(liste_.data(liste_.index(ligne, 0)).toString()));
}

void LigneStatut::tic(bool en_lecture) {
    emit defile(defilement_.avancer(texte_));
    const bool en_pause = porte_.en_pause();
    switch (statut_au_tic(annonce_ == Annonce::Lecture, en_lecture, en_pause, porte_.courant())) {
        case Statut::Garder:
            break;
        case Statut::Lecture:
            if (const auto p = porte_.piste_jouee()) annoncer(Annonce::Lecture, kLecture + p->nom);
            break;
        case Statut::Arret:
            annoncer(Annonce::EnAttente, kEnAttente);
            break;
        case Statut::Attente:
            annoncer(Annonce::Attente, kIdle);
            break;
    }
    // A track that ended, or that never started to sound, leaves no button
    // lit: the window says what the media service says.
    if (!en_lecture && !en_pause) emit transport(false, false);
}

}  // namespace vt
