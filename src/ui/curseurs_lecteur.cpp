#include "ui/curseurs_lecteur.h"

#include "player/porte_lecteur.h"
#include "player/regles.h"

namespace vt {

namespace {
std::function<QString(int, int)> texte(int (*pourcent)(int)) {
    return
        [pourcent](int offset, int span) { return QString::number(pourcent(valeur_curseur(offset, span))); };
}
}  // namespace

CurseursLecteur::CurseursLecteur(PorteLecteur& porte, const Elements& e,
                                 const std::function<void(ImageVt*, std::string_view)>& montrer,
                                 QObject* parent)
    : QObject(parent), porte_(porte) {
    volume_ = new GlissiereSkin(e.barre_volume, e.curseur_volume,
                                {.allume = "image_volumeon",
                                 .eteint = "image_volumeoff",
                                 .etiquette = e.label_volume,
                                 .texte = texte(&pourcent_volume),
                                 .survol_envoie = true},
                                montrer, this);
    balance_ = new GlissiereSkin(e.barre_balance, e.curseur_balance,
                                 {.allume = "image_balanceon",
                                  .eteint = "image_balanceoff",
                                  .etiquette = e.label_balance,
                                  .texte = texte(&pourcent_balance),
                                  .survol_envoie = true},
                                 montrer, this);
    // The position slider acts only while the channel plays, silenced
    // while it is held.
    position_ = new GlissiereSkin(e.barre_position, e.curseur_position,
                                  {.allume = "curseur_position_on",
                                   .eteint = "curseur_position_off",
                                   .actif = [this] { return porte_.en_lecture(); }},
                                  montrer, this);
    connect(volume_, &GlissiereSkin::choisi, this,
            [this](int offset, int span) { porte_.definir_volume(valeur_curseur(offset, span)); });
    connect(balance_, &GlissiereSkin::choisi, this,
            [this](int offset, int span) { porte_.definir_balance(valeur_curseur(offset, span)); });
    connect(position_, &GlissiereSkin::appuye, this, [this] { porte_.couper(true); });
    connect(position_, &GlissiereSkin::relache, this, [this] { porte_.couper(false); });
    connect(position_, &GlissiereSkin::choisi, this, [this](int offset, int span) {
        porte_.aller_a_ms(cible_position(offset, span, porte_.longueur_ms()));
    });
    // Levels set elsewhere (the media keys, a test): the cursors follow.
    // The sliders' own moves already placed them.
    connect(&porte, &PorteLecteur::volume_change, this, [this, label = e.label_volume](int v) {
        if (volume_->recevoir(offset_curseur(v, volume_->span())))
            label->setText(QString::number(pourcent_volume(v)));
    });
    connect(&porte, &PorteLecteur::balance_change, this, [this, label = e.label_balance](int v) {
        if (balance_->recevoir(offset_curseur(v, balance_->span())))
            label->setText(QString::number(pourcent_balance(v)));
    });
    connect(&porte, &PorteLecteur::position_changee, this, [this] {
        position_->recevoir(gauche_position(porte_.temps_ms(), porte_.longueur_ms(), position_->span(), 0));
    });
}

void CurseursLecteur::mettre_au_depart() {
    volume_->placer(volume_->span());
    balance_->placer(50);
    position_->placer(0);
}

void CurseursLecteur::placer_position(std::int64_t ecoule_ms, std::int64_t total_ms) {
    position_->placer(gauche_position(ecoule_ms, total_ms, position_->span(), 0));
}

bool CurseursLecteur::molette(QPoint point, int delta) {
    GlissiereSkin* g = volume_->zone().contains(point)    ? volume_
                       : balance_->zone().contains(point) ? balance_
                                                          : nullptr;
    if (g) g->molette(delta);
    return g;
}

}  // namespace vt
