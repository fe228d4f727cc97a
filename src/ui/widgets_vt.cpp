#include "ui/widgets_vt.h"

#include <QFontMetrics>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QTimer>
#include <cmath>

#include <algorithm>
#include <mutex>

namespace vt {

namespace {

void transmettre_appui(EvenementsSouris& s, QMouseEvent* e, bool& gauche) {
    if (e->button() == Qt::LeftButton) gauche = true;
    QPoint p = e->position().toPoint();
    if (s.appui) s.appui(e->button(), e->buttons(), p.x(), p.y());
}

template <class W>
void transmettre_relache(W* w, EvenementsSouris& s, QMouseEvent* e, bool& gauche) {
    QPoint p = e->position().toPoint();
    // The widget may be deleted or hidden by the release handler; decide the
    // click first.
    bool clic = e->button() == Qt::LeftButton && gauche && w->rect().contains(p);
    if (e->button() == Qt::LeftButton) gauche = false;
    if (s.relache) s.relache(e->button(), e->buttons(), p.x(), p.y());
    if (clic && s.clic) s.clic();
}

void transmettre_mouvement(EvenementsSouris& s, QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    if (s.mouvement) s.mouvement(e->buttons(), p.x(), p.y());
    if (s.mouvement_ecran) s.mouvement_ecran(e->buttons(), e->globalPosition().toPoint());
}

}  // namespace

QString famille_libre(std::string_view famille) {
    // Arial and MS Sans Serif: Liberation Sans has Arial's advance widths,
    // and MS Sans Serif's at these pixel sizes are Arial's or narrower, so
    // the texts keep the widths the boxes were drawn for; it is scalable
    // and has a real bold. Comic Sans MS: Comic Neue, of the same style and
    // narrower.
    if (famille == "Arial" || famille == "MS Sans Serif") return QStringLiteral("Liberation Sans");
    if (famille == "Comic Sans MS") return QStringLiteral("Comic Neue");
    return QString::fromLatin1(famille.data(), static_cast<qsizetype>(famille.size()));
}

QFont police(const char* famille, int hauteur_px, bool gras) {
    // The design's family, stood for by its free font wherever it is
    // missing (everywhere but where the Windows fonts are installed, whose
    // widths are the same), both in the family list and in the toolkit's
    // table of substitutes.
    static std::once_flag substituts;
    std::call_once(substituts, [] {
        for (const char* f : {"Arial", "MS Sans Serif", "Comic Sans MS"})
            QFont::insertSubstitution(QString::fromLatin1(f), famille_libre(f));
    });
    QFont f;
    f.setFamilies({QString::fromLatin1(famille), famille_libre(famille)});
    f.setPixelSize(hauteur_px);
    f.setBold(gras);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QColor couleur_surlignage(QColor skin, QColor texte) {
    // Relative luminance, sRGB channels taken as linear enough for a choice.
    auto luminance = [](QColor c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); };
    return luminance(skin) >= 0.35 ? skin : texte;
}

QString style_selecteur(QColor texte, QColor surlignage) {
    return QStringLiteral(
               "QComboBox { background: black; color: %1; border: 1px solid #555; padding-left: 3px;"
               " combobox-popup: 0; }"
               "QComboBox QFrame { background: black; border: 1px solid #555; }"
               "QComboBox QAbstractItemView { background: black; color: %1; outline: 0; border: none;"
               " selection-background-color: %2; selection-color: black; }"
               "QComboBox QAbstractItemView::item:selected, QComboBox QAbstractItemView::item:hover"
               " { background: %2; color: black; }")
        .arg(texte.name(), surlignage.name());
}

QString style_liste(QColor fond, QColor texte) {
    // Both from the skin's colour bitmap: the handle halfway between the
    // list's text and its background, on a track one step lighter than the
    // background; no arrows. It reads as part of the list, not as a stock
    // bar laid on it.
    auto melange = [&](double t) {
        return QColor::fromRgbF(fond.redF() + t * (texte.redF() - fond.redF()),
                                fond.greenF() + t * (texte.greenF() - fond.greenF()),
                                fond.blueF() + t * (texte.blueF() - fond.blueF()));
    };
    return QStringLiteral(
               "QListView { background: %1; color: %2; outline: 0; }"
               "QListView::item { height: 13px; }"
               "QScrollBar { background: %1; border: none; margin: 0; }"
               "QScrollBar:vertical { width: %3px; }"
               "QScrollBar:horizontal { height: %3px; }"
               "QScrollBar::handle { background: %4; border-radius: 2px; }"
               "QScrollBar::handle:vertical { min-height: 16px; margin: 1px 1px 1px 1px; }"
               "QScrollBar::handle:horizontal { min-width: 16px; margin: 1px 1px 1px 1px; }"
               "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: "
               "none; }"
               "QScrollBar::add-page, QScrollBar::sub-page { background: %5; margin: 0 2px; }")
        .arg(fond.name(), texte.name())
        .arg(kEpaisseurDefilement)
        .arg(melange(0.5).name(), melange(0.12).name());
}

namespace {

// Rows no wider than the list shows them: the style then elides the text.
class LigneElidee : public QStyledItemDelegate {
public:
    explicit LigneElidee(QAbstractItemView* vue) : QStyledItemDelegate(vue), vue_(vue) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setWidth(std::min(s.width(), std::max(1, vue_->viewport()->width())));
        return s;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state &= ~QStyle::State_HasFocus;
    }

private:
    QAbstractItemView* vue_;
};

// The rows laid out again when the list's width changes (its vertical bar
// comes or goes): a list laid out top to bottom keeps its rows' width
// otherwise, and the bar would cover their ends.
class LargeurSuivie : public QObject {
public:
    explicit LargeurSuivie(QAbstractItemView* vue) : QObject(vue), vue_(vue), viewport_(vue->viewport()) {
        viewport_->installEventFilter(this);
    }
    // The event's type and the watched viewport first: the view is not
    // asked anything while it is being destroyed.
    bool eventFilter(QObject* objet, QEvent* e) override {
        if (e->type() != QEvent::Resize || objet != viewport_) return false;
        const auto* r = static_cast<QResizeEvent*>(e);
        if (r->size().width() != r->oldSize().width() && !prevue_) {
            prevue_ = true;
            QTimer::singleShot(0, this, [this] {
                prevue_ = false;
                vue_->doItemsLayout();
            });
        }
        return false;
    }

private:
    QAbstractItemView* vue_;
    QObject* viewport_;
    bool prevue_ = false;
};

}  // namespace

void habiller_liste(QAbstractItemView* vue) {
    vue->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    vue->setTextElideMode(Qt::ElideRight);
    vue->setItemDelegate(new LigneElidee(vue));
    new LargeurSuivie(vue);
}

void prechauffer_polices() {
    const QString exemple = QStringLiteral("vantrel 00 : 00 255");
    for (const QFont& f : {QFont(), police("Arial", 13, true), police("MS Sans Serif", 11, true),
                           police("MS Sans Serif", 11, false)})
        (void)QFontMetrics(f).horizontalAdvance(exemple);
}

ImageVt::ImageVt(QWidget* parent, std::string_view nom, QRect place, bool taille_fixe)
    : QWidget(parent), nom_(nom), taille_fixe_(taille_fixe) {
    setObjectName(QString::fromLatin1(nom.data(), static_cast<qsizetype>(nom.size())));
    setGeometry(place);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::NoFocus);
}

void ImageVt::definir(const QImage& image) {
    image_ = image;
    if (!taille_fixe_ && !image.isNull()) resize(image.size());
    update();
}

void ImageVt::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void ImageVt::mousePressEvent(QMouseEvent* e) { transmettre_appui(souris, e, gauche_appuye_); }
void ImageVt::mouseReleaseEvent(QMouseEvent* e) { transmettre_relache(this, souris, e, gauche_appuye_); }
void ImageVt::mouseMoveEvent(QMouseEvent* e) { transmettre_mouvement(souris, e); }
void ImageVt::mouseDoubleClickEvent(QMouseEvent* e) {
    if (souris.double_clic)
        souris.double_clic();
    else
        mousePressEvent(e);
}

LabelVt::LabelVt(QWidget* parent, const QString& texte, QPoint place, bool taille_du_texte)
    : QLabel(texte, parent) {
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    move(place);
    if (taille_du_texte) adjustSize();
}

void LabelVt::definir_couleur(QColor couleur) {
    QPalette p = palette();
    if (p.color(QPalette::WindowText) == couleur) return;
    p.setColor(QPalette::WindowText, couleur);
    setPalette(p);
}

QColor LabelVt::couleur() const { return palette().color(QPalette::WindowText); }

void LabelVt::mousePressEvent(QMouseEvent* e) { transmettre_appui(souris, e, gauche_appuye_); }
void LabelVt::mouseReleaseEvent(QMouseEvent* e) { transmettre_relache(this, souris, e, gauche_appuye_); }
void LabelVt::mouseMoveEvent(QMouseEvent* e) { transmettre_mouvement(souris, e); }
void LabelVt::mouseDoubleClickEvent(QMouseEvent* e) {
    if (souris.double_clic)
        souris.double_clic();
    else
        mousePressEvent(e);
}

FormeVt::FormeVt(QWidget* parent, QRect place, QColor contour, int epaisseur, QColor fond)
    : QWidget(parent), contour_(contour), epaisseur_(epaisseur), fond_(fond) {
    setGeometry(place);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

void FormeVt::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (fond_.alpha() > 0) p.fillRect(rect(), fond_);
    // The outline is four filled bands `epaisseur_` pixels wide along the
    // edges: filled rectangles scale by whole factors on a high-density
    // screen, where a pen's line would be rounded to device pixels.
    const int w = width(), h = height(), e = std::min({epaisseur_, w / 2, h / 2});
    if (e <= 0) return;
    p.fillRect(0, 0, w, e, contour_);
    p.fillRect(0, h - e, w, e, contour_);
    p.fillRect(0, e, e, h - 2 * e, contour_);
    p.fillRect(w - e, e, e, h - 2 * e, contour_);
}

void FormeVt::mousePressEvent(QMouseEvent* e) {
    bool g = false;
    transmettre_appui(souris, e, g);
}
void FormeVt::mouseReleaseEvent(QMouseEvent* e) {
    bool g = e->button() == Qt::LeftButton;
    transmettre_relache(this, souris, e, g);
}
void FormeVt::mouseMoveEvent(QMouseEvent* e) { transmettre_mouvement(souris, e); }

namespace {

class SelectionGardee : public QObject {
public:
    SelectionGardee(QAbstractItemView* vue) : QObject(vue), vue_(vue) {}
    bool eventFilter(QObject*, QEvent* e) override {
        const QEvent::Type t = e->type();
        if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonDblClick) return false;
        const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
        if (vue_->indexAt(p).isValid()) return false;
        if (vue_->focusPolicy() & Qt::ClickFocus) vue_->setFocus(Qt::MouseFocusReason);
        return true;
    }

private:
    QAbstractItemView* vue_;
};

}  // namespace

void garder_selection_hors_lignes(QAbstractItemView* vue) {
    vue->viewport()->installEventFilter(new SelectionGardee(vue));
}

QColor couleur_contrastee(const std::vector<QColor>& candidates, QColor dessous) {
    auto luminance = [](QColor c) { return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF(); };
    QColor meilleure = candidates.empty() ? QColor(Qt::white) : candidates.front();
    double ecart = -1;
    for (const QColor& c : candidates) {
        const double d = std::abs(luminance(c) - luminance(dessous));
        if (d > ecart) ecart = d, meilleure = c;
    }
    return meilleure;
}

CaseVt::CaseVt(QWidget* parent, const QString& texte) : QCheckBox(texte, parent) {}

void CaseVt::definir_couleurs(QColor fond, QColor trait) {
    if (fond == fond_ && trait == trait_) return;
    fond_ = fond;
    trait_ = trait;
    update();
}

void CaseVt::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (autoFillBackground()) p.fillRect(rect(), palette().color(QPalette::Window));
    const int cote = std::min(13, height());
    const QRect boite(0, (height() - cote) / 2, cote, cote);
    p.fillRect(boite, trait_);
    p.fillRect(boite.adjusted(1, 1, -1, -1), fond_);
    if (isChecked()) {
        // The tick: two strokes, from the left middle down, then up right.
        QPen stylo(trait_, 2);
        stylo.setCapStyle(Qt::FlatCap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(stylo);
        const QPointF o = boite.topLeft();
        const QPointF trace[] = {o + QPointF(3, 6.5), o + QPointF(5.5, 9), o + QPointF(10, 3.5)};
        p.drawPolyline(trace, 3);
    }
    if (!text().isEmpty()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect().adjusted(cote + 4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text());
    }
}

}  // namespace vt
