#pragma once
// A slider of the skin: a bar element and a cursor element that the user
// drags along it, that jumps to a click on the bar and, for the levels,
// follows the wheel. The arithmetic is curseurs.h's; the slider moves its
// cursor, lights it while pressed, shows its value label and reports the
// offset the user chose. What the offset means (a level, a time) is its
// owner's.
#include "ui/curseurs.h"
#include "ui/widgets_vt.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

namespace vt {

class GlissiereSkin : public QObject {
    Q_OBJECT
public:
    struct Reglages {
        std::string allume, eteint;  // the cursor's pictures: pressed, at rest
        // The value label and its text for an offset; none for the position.
        LabelVt* etiquette = nullptr;
        std::function<QString(int offset, int span)> texte;
        // A move without a button held reports the offset again (the levels
        // are sent anew, nothing visible changes).
        bool survol_envoie = false;
        // Whether a drag or a bar click may move the cursor now.
        std::function<bool()> actif = [] { return true; };
    };
    // `montrer(cible, source)` shows the picture of skin element `source`.
    GlissiereSkin(ImageVt* barre, ImageVt* curseur, Reglages reglages,
                  std::function<void(ImageVt*, std::string_view)> montrer, QObject* parent);

    int span() const;
    int offset() const;
    // The program places the cursor.
    void placer(int offset);
    // The same for a value the player reports: ignored while the slider
    // itself reports a choice, whose echo must not move the cursor back.
    // Whether it was taken.
    bool recevoir(int offset);
    // A level's value there (0..255).
    int valeur() const;
    // The wheel turned by `delta` (eighths of a degree) over the bar: each
    // whole notch moves the cursor, its label shows for a moment, the
    // offset is reported.
    void molette(int delta);
    // Where the wheel acts: the bar, as tall as its cursor.
    QRect zone() const;

signals:
    void appuye();
    void choisi(int offset, int span);
    void relache();

private:
    void appuyer();
    void suivre(Qt::MouseButtons e, int x);
    void lacher();
    void cliquer_barre(Qt::MouseButtons e, int x);
    void annoncer(bool montrer_etiquette);

    ImageVt* barre_;
    ImageVt* curseur_;
    Reglages r_;
    std::function<void(ImageVt*, std::string_view)> montrer_;
    CransMolette crans_;
    QTimer fin_molette_;  // hides the label a wheel showed
    bool annonce_ = false;
};

}  // namespace vt
