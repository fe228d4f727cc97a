#pragma once
// The main window's three sliders and what they mean for the player: the
// volume and balance levels and the position, each sent through the door
// as the user moves it and moved back by the door's signals when a level
// or the place changes elsewhere (the media keys, a seek); the wheel over
// the level bars.
#include "ui/glissiere.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <string_view>

namespace vt {

class PorteLecteur;

class CurseursLecteur : public QObject {
    Q_OBJECT
public:
    struct Elements {
        ImageVt *barre_volume, *curseur_volume, *barre_balance, *curseur_balance, *barre_position,
            *curseur_position;
        LabelVt *label_volume, *label_balance;
    };
    // `montrer(cible, source)` shows the picture of skin element `source`.
    CurseursLecteur(PorteLecteur& porte, const Elements& elements,
                    const std::function<void(ImageVt*, std::string_view)>& montrer, QObject* parent);

    // The start: volume full, balance centred, position at the start.
    void mettre_au_depart();
    int volume() const { return volume_->valeur(); }
    int balance() const { return balance_->valeur(); }
    // The position cursor at `ecoule_ms` of `total_ms`.
    void placer_position(std::int64_t ecoule_ms, std::int64_t total_ms);
    // The wheel turned by `delta` at `point` of the window: false when no
    // level bar lies there (the position bar takes none: a stray wheel
    // never seeks).
    bool molette(QPoint point, int delta);

private:
    PorteLecteur& porte_;
    GlissiereSkin *volume_, *balance_, *position_;
};

}  // namespace vt
