#pragma once
// The main window's status line, as the player's door tells it: what is
// heard ("Lecture : " and the playing entry's name, also after a resume
// while another row was chosen), a file that could not be played, a pause,
// a stop, a row chosen while nothing plays; its scroll each tick; and which
// of the play and pause buttons are lit. The state is kept here, not read
// back from the label that shows it.
#include "player/regles.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace vt {

class ListeCourante;
class PorteLecteur;

class LigneStatut : public QObject {
    Q_OBJECT
public:
    LigneStatut(PorteLecteur& porte, const ListeCourante& liste, QObject* parent = nullptr);

    const QString& texte() const { return texte_; }
    // The user chose row `ligne` of the list: while nothing plays, the line
    // names it.
    void ligne_choisie(int ligne);

signals:
    // The status text changed.
    void texte_change(const QString& texte);
    // Each tick, before the text is brought up to date: the scrolled line.
    void defile(const QString& ligne);
    // Which of the play and pause buttons are lit.
    void transport(bool lecture, bool pause);

private:
    enum class Annonce { Attente, EnAttente, Lecture, Impossible, Pause, Selection };
    void annoncer(Annonce annonce, const QString& texte);
    void tic(bool en_lecture);
    // The name of the entry heard, else of row `ligne`.
    QString nom_entendu(int ligne) const;

    PorteLecteur& porte_;
    const ListeCourante& liste_;
    Annonce annonce_ = Annonce::Attente;
    QString texte_;
    Defilement defilement_;
};

}  // namespace vt
