#include "ui/glissiere.h"

namespace vt {

namespace {
// How long a value label a wheel showed stays up after the last notch.
constexpr int kLabelMoletteMs = 1000;
}  // namespace

GlissiereSkin::GlissiereSkin(ImageVt* barre, ImageVt* curseur, Reglages reglages,
                             std::function<void(ImageVt*, std::string_view)> montrer, QObject* parent)
    : QObject(parent),
      barre_(barre),
      curseur_(curseur),
      r_(std::move(reglages)),
      montrer_(std::move(montrer)) {
    using B = Qt::MouseButton;
    using E = Qt::MouseButtons;
    curseur_->souris.appui = [this](B, E, int, int) { appuyer(); };
    curseur_->souris.mouvement = [this](E e, int x, int) { suivre(e, x); };
    curseur_->souris.relache = [this](B, E, int, int) { lacher(); };
    barre_->souris.appui = [this](B, E e, int x, int) { cliquer_barre(e, x); };
    fin_molette_.setSingleShot(true);
    fin_molette_.setInterval(kLabelMoletteMs);
    connect(&fin_molette_, &QTimer::timeout, this, [this] {
        if (r_.etiquette) r_.etiquette->hide();
    });
}

int GlissiereSkin::span() const { return barre_->width() - curseur_->width(); }

int GlissiereSkin::offset() const { return curseur_->x() - barre_->x(); }

void GlissiereSkin::placer(int offset) { curseur_->move(barre_->x() + offset, curseur_->y()); }

bool GlissiereSkin::recevoir(int offset) {
    if (annonce_) return false;
    placer(offset);
    return true;
}

QRect GlissiereSkin::zone() const {
    return barre_->geometry().united(QRect(barre_->x(), curseur_->y(), barre_->width(), curseur_->height()));
}

void GlissiereSkin::appuyer() {
    montrer_(curseur_, r_.allume);
    emit appuye();
}

void GlissiereSkin::suivre(Qt::MouseButtons e, int x) {
    if (e & Qt::LeftButton) {
        if (!r_.actif()) return;
        placer(offset_glisse(offset() + x, span()));
        fin_molette_.stop();  // the label stays up until the button is released
        annoncer(true);
    } else if (r_.survol_envoie) {
        annoncer(false);
    }
}

void GlissiereSkin::lacher() {
    montrer_(curseur_, r_.eteint);
    if (r_.etiquette) r_.etiquette->hide();
    emit relache();
}

void GlissiereSkin::cliquer_barre(Qt::MouseButtons e, int x) {
    if (!r_.actif()) return;
    const std::optional<int> o = offset_clic(x, span());
    if (!o) return;
    placer(*o);
    appuyer();
    // The cursor's left edge is already where the click was.
    suivre(e, 0);
    lacher();
}

int GlissiereSkin::valeur() const { return valeur_curseur(offset(), span()); }

void GlissiereSkin::molette(int delta) {
    const int crans = crans_.ajouter(delta);
    if (crans == 0) return;
    placer(offset_molette(offset(), span(), crans));
    annoncer(true);
    fin_molette_.start();
}

void GlissiereSkin::annoncer(bool montrer_etiquette) {
    if (montrer_etiquette && r_.etiquette) {
        r_.etiquette->setText(r_.texte(offset(), span()));
        r_.etiquette->show();
    }
    annonce_ = true;
    emit choisi(offset(), span());
    annonce_ = false;
}

}  // namespace vt
