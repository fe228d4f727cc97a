#include "ui/accessibilite.h"

#include "ui/widgets_vt.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>

#include <cstdint>

#include <vector>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace vt {

namespace {

enum class Genre { Bouton, Glissiere, Texte, Liste, Cache };

struct Description {
    Genre genre = Genre::Cache;
    QString nom;
    QString description;
    std::function<void()> presser;
    Glissiere glissiere;
    std::function<QString()> texte;
    std::function<QString()> decrire;  // a description read when asked for
    bool cadre = false;                // the focus came from the keyboard: the frame shows
};

std::unordered_map<const QObject*, Description>& registre() {
    static std::unordered_map<const QObject*, Description> r;
    return r;
}

struct Fenetre {
    QString nom;
    std::function<void()> echap;  // Escape on one of its elements
};

std::unordered_map<const QObject*, Fenetre>& fenetres() {
    static std::unordered_map<const QObject*, Fenetre> f;
    return f;
}

Description* trouver(const QObject* o) {
    auto it = registre().find(o);
    return it == registre().end() ? nullptr : &it->second;
}

std::vector<QWidget*> fenetres_visibles();

// Whether a child of a described window stays out of the tree: what is
// hidden on purpose, and the pictures and shapes nobody described.
bool exclu(const QWidget* w) {
    if (const Description* d = trouver(w)) return d->genre == Genre::Cache;
    return qobject_cast<const ImageVt*>(w) || qobject_cast<const FormeVt*>(w);
}

// A described element: push button, slider or label.
class ElementAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    ElementAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}

    QString text(QAccessible::Text t) const override {
        const Description* d = trouver(object());
        if (!d) return QAccessibleWidget::text(t);
        switch (t) {
            case QAccessible::Name:
                return d->texte ? d->texte() : d->nom;
            case QAccessible::Description:
                return d->decrire ? d->decrire() : d->description;
            case QAccessible::Value:
                if (d->genre == Genre::Glissiere) return QString::number(d->glissiere.valeur());
                return {};
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override {
        const Description* d = trouver(object());
        QStringList noms;
        if (d && d->genre == Genre::Bouton) noms << pressAction();
        if (d && d->genre == Genre::Glissiere) noms << increaseAction() << decreaseAction();
        return noms + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        Description* d = trouver(object());
        if (d && d->genre == Genre::Bouton && action == pressAction()) {
            presser(widget());
        } else if (d && d->genre == Genre::Glissiere &&
                   (action == increaseAction() || action == decreaseAction())) {
            const Glissiere g = d->glissiere;
            g.definir(g.valeur() + (action == increaseAction() ? g.pas : -g.pas));
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == pressAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        const Description* d = trouver(object());
        if (t == QAccessible::ValueInterface && d && d->genre == Genre::Glissiere)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Value interface.
    QVariant currentValue() const override {
        const Description* d = trouver(object());
        return d ? QVariant(d->glissiere.valeur()) : QVariant();
    }
    void setCurrentValue(const QVariant& valeur) override {
        const Description* d = trouver(object());
        if (!d || !valeur.canConvert<double>()) return;
        const Glissiere g = d->glissiere;
        const double v = std::clamp(valeur.toDouble(), 0.0, static_cast<double>(g.maximum()));
        g.definir(static_cast<int>(std::lround(v)));
    }
    QVariant maximumValue() const override {
        const Description* d = trouver(object());
        return d ? QVariant(d->glissiere.maximum()) : QVariant();
    }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override {
        const Description* d = trouver(object());
        return d ? QVariant(d->glissiere.pas) : QVariant();
    }
};

// A described window: the same as Qt's, with the decoration left out.
class FenetreAccessible : public QAccessibleWidget {
public:
    explicit FenetreAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Window) {}

    QString text(QAccessible::Text t) const override {
        auto it = fenetres().find(object());
        if (t == QAccessible::Name && it != fenetres().end() && !it->second.nom.isEmpty())
            return it->second.nom;
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return static_cast<int>(enfants().size()); }

    QAccessibleInterface* child(int i) const override {
        const QList<QWidget*> l = enfants();
        return i >= 0 && i < l.size() ? QAccessible::queryAccessibleInterface(l[i]) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* enfant) const override {
        if (!enfant || !enfant->object() || !enfant->object()->isWidgetType()) return -1;
        return static_cast<int>(enfants().indexOf(static_cast<QWidget*>(enfant->object())));
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        // The top-most child under the point: the last one in painting order.
        const QList<QWidget*> l = enfants();
        for (auto it = l.rbegin(); it != l.rend(); ++it) {
            QAccessibleInterface* i = QAccessible::queryAccessibleInterface(*it);
            if (i && i->isValid() && !(*it)->isHidden() && i->rect().contains(x, y)) return i;
        }
        return nullptr;
    }

private:
    QList<QWidget*> enfants() const {
        QList<QWidget*> l;
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && !exclu(w)) l.append(w);
        }
        return l;
    }
};

// One row of a list view: its text is the column the view shows. Rows have
// no object of their own; the list keeps them by row number.
class LigneAccessible : public QAccessibleInterface {
public:
    LigneAccessible(QListView* vue, int ligne) : vue_(vue), ligne_(ligne) {}

    QListView* vue() const { return vue_; }
    int ligne() const { return ligne_; }
    QModelIndex index() const {
        if (!vue_ || !vue_->model()) return {};
        return vue_->model()->index(ligne_, vue_->modelColumn(), vue_->rootIndex());
    }

    bool isValid() const override { return index().isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return vue_ ? vue_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return vue_ ? QAccessible::queryAccessibleInterface(vue_) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? index().data(Qt::DisplayRole).toString() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        const QModelIndex i = index();
        if (!i.isValid()) return {};
        const QRect r = vue_->visualRect(i);
        return QRect(vue_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        const QModelIndex i = index();
        if (!i.isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = vue_->selectionModel() && vue_->selectionModel()->isSelected(i);
        s.focused = vue_->hasFocus() && vue_->currentIndex() == i;
        if (!vue_->viewport()->rect().intersects(vue_->visualRect(i))) s.offscreen = true;
        return s;
    }

private:
    QPointer<QListView> vue_;
    int ligne_;
};

class ListeAccessible : public QAccessibleWidget {
public:
    explicit ListeAccessible(QListView* vue) : QAccessibleWidget(vue, QAccessible::List) {}
    ~ListeAccessible() override {
        for (QAccessible::Id id : lignes_)
            if (id) QAccessible::deleteAccessibleInterface(id);
    }

    QString text(QAccessible::Text t) const override {
        const Description* d = trouver(object());
        if (t == QAccessible::Name && d && !d->nom.isEmpty()) return d->nom;
        return QAccessibleWidget::text(t);
    }
    int childCount() const override {
        const QAbstractItemModel* m = vue()->model();
        return m ? m->rowCount(vue()->rootIndex()) : 0;
    }
    QAccessibleInterface* child(int i) const override {
        if (i < 0 || i >= childCount()) return nullptr;
        if (static_cast<std::size_t>(i) >= lignes_.size()) lignes_.resize(static_cast<std::size_t>(i) + 1, 0);
        QAccessible::Id& id = lignes_[static_cast<std::size_t>(i)];
        if (!id) id = QAccessible::registerAccessibleInterface(new LigneAccessible(vue(), i));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* enfant) const override {
        const auto* l = dynamic_cast<const LigneAccessible*>(enfant);
        return l && l->vue() == vue() && l->isValid() ? l->ligne() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex i = vue()->indexAt(vue()->viewport()->mapFromGlobal(QPoint(x, y)));
        return i.isValid() ? child(i.row()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const QModelIndex i = vue()->currentIndex();
        return vue()->hasFocus() && i.isValid() ? child(i.row()) : nullptr;
    }

private:
    QListView* vue() const { return static_cast<QListView*>(widget()); }
    mutable std::vector<QAccessible::Id> lignes_;
};

QAccessibleInterface* fabrique(const QString&, QObject* o) {
    if (!o || !o->isWidgetType()) return nullptr;
    auto* w = static_cast<QWidget*>(o);
    if (fenetres().count(o)) return new FenetreAccessible(w);
    const Description* d = trouver(o);
    if (!d) return nullptr;
    switch (d->genre) {
        case Genre::Bouton:
            return new ElementAccessible(w, QAccessible::Button);
        case Genre::Glissiere:
            return new ElementAccessible(w, QAccessible::Slider);
        case Genre::Texte:
            return new ElementAccessible(w, QAccessible::StaticText);
        case Genre::Liste:
            return new ListeAccessible(static_cast<QListView*>(w));
        case Genre::Cache:
            break;
    }
    return nullptr;
}

// The keys of the described elements, their focus frame, and forgetting an
// element when it goes.
class Clavier : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        // Escape that reaches a window itself (no element of it took the
        // key, or none has the focus).
        if (e->type() == QEvent::KeyPress && fenetres().count(o)) {
            const auto* k = static_cast<QKeyEvent*>(e);
            if (k->key() != Qt::Key_Escape || (k->modifiers() & ~Qt::KeypadModifier)) return false;
            const std::function<void()> echap = fenetres()[o].echap;
            if (!echap) return false;
            echap();
            return true;
        }
        Description* d = trouver(o);
        if (!d || !o->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(o);
        switch (e->type()) {
            case QEvent::KeyPress:
                return touche(w, *d, static_cast<QKeyEvent*>(e));
            case QEvent::FocusIn: {
                const Qt::FocusReason r = static_cast<QFocusEvent*>(e)->reason();
                // Coming back to its window keeps the frame the element had.
                if (r != Qt::ActiveWindowFocusReason)
                    d->cadre = r == Qt::TabFocusReason || r == Qt::BacktabFocusReason;
                placer_cadre_focus(w);
                return false;
            }
            default:
                return false;
        }
    }

private:
    static bool touche(QWidget* w, const Description& d, QKeyEvent* e) {
        if (e->modifiers() & ~Qt::KeypadModifier) return false;
        const int k = e->key();
        if (k == Qt::Key_Escape) {
            auto it = fenetres().find(w->window());
            if (it == fenetres().end() || !it->second.echap) return false;
            const std::function<void()> echap = it->second.echap;
            echap();
            return true;
        }
        if (d.genre == Genre::Bouton) {
            if (k != Qt::Key_Space && k != Qt::Key_Return && k != Qt::Key_Enter) return false;
            if (e->isAutoRepeat()) return true;
            // A window that the press shows takes the keyboard: without a
            // pointer there is no other way into it.
            const std::vector<QWidget*> avant = fenetres_visibles();
            presser(w);
            for (QWidget* f : fenetres_visibles())
                if (std::find(avant.begin(), avant.end(), f) == avant.end()) {
                    donner_clavier(f);
                    break;
                }
            return true;
        }
        if (d.genre != Genre::Glissiere) return false;
        const Glissiere g = d.glissiere;
        switch (k) {
            case Qt::Key_Left:
            case Qt::Key_Down:
                g.definir(g.valeur() - g.pas);
                return true;
            case Qt::Key_Right:
            case Qt::Key_Up:
                g.definir(g.valeur() + g.pas);
                return true;
            case Qt::Key_Home:
                g.definir(0);
                return true;
            case Qt::Key_End:
                g.definir(g.maximum());
                return true;
            default:
                return false;
        }
    }
};

// The focus frame of a window: a ring kEpaisseurCadre pixels wide drawn
// around the element with the focus, outside it, so that neither a small
// box nor a button's picture is hidden. It lets the mouse through. Filled
// bands scale by whole factors on a high-density screen.
class CadreFocus : public QWidget {
public:
    explicit CadreFocus(QWidget* fenetre) : QWidget(fenetre) {
        setObjectName(QStringLiteral("cadre_focus"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }
    std::vector<QColor> couleurs{Qt::white, Qt::black};
    QColor couleur = Qt::white;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int l = width(), h = height(), e = std::min({kEpaisseurCadre, l / 2, h / 2});
        p.fillRect(0, 0, l, e, couleur);
        p.fillRect(0, h - e, l, e, couleur);
        p.fillRect(0, e, e, h - 2 * e, couleur);
        p.fillRect(l - e, e, e, h - 2 * e, couleur);
    }
};

std::unordered_map<const QObject*, QPointer<CadreFocus>>& cadres() {
    static std::unordered_map<const QObject*, QPointer<CadreFocus>> c;
    return c;
}

// The mean colour of the ring `e` pixels wide along the edges of `image`.
QColor moyenne_anneau(const QImage& image, int e) {
    std::int64_t r = 0, g = 0, b = 0, n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (x >= e && y >= e && x < image.width() - e && y < image.height() - e) continue;
            const QRgb c = image.pixel(x, y);
            r += qRed(c), g += qGreen(c), b += qBlue(c), ++n;
        }
    if (n == 0) return Qt::black;
    return QColor(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

}  // namespace

void placer_cadre_focus(QWidget* w) {
    for (auto& [f, c] : cadres())
        if (c && (!w || c->parentWidget() != w->window())) c->hide();
    if (!w) return;
    auto it = cadres().find(w->window());
    if (it == cadres().end() || !it->second) return;
    CadreFocus* c = it->second;
    c->hide();
    if (!montre_cadre_focus(w) || !w->isVisible()) return;
    QWidget* f = w->window();
    const QRect r = QRect(w->mapTo(f, QPoint(0, 0)), w->size())
                        .adjusted(-kEpaisseurCadre, -kEpaisseurCadre, kEpaisseurCadre, kEpaisseurCadre)
                        .intersected(f->rect());
    if (r.isEmpty()) return;
    // The colour that stands out most from what lies under the ring.
    const QImage dessous = f->grab(r).toImage();
    const int e = std::max(1, static_cast<int>(std::lround(kEpaisseurCadre * dessous.devicePixelRatio())));
    c->couleur = couleur_contrastee(c->couleurs, moyenne_anneau(dessous, e));
    c->setGeometry(r);
    c->raise();
    c->show();
    c->update();
}

void couleurs_cadre_focus(QWidget* fenetre, std::vector<QColor> couleurs) {
    QPointer<CadreFocus>& c = cadres()[fenetre];
    if (!c) {
        c = new CadreFocus(fenetre);
        cacher(c);
        QObject::connect(fenetre, &QObject::destroyed, [](QObject* o) { cadres().erase(o); });
        static const bool suivi = [] {
            QObject::connect(qApp, &QApplication::focusChanged, qApp,
                             [](QWidget*, QWidget* w) { placer_cadre_focus(w); });
            return true;
        }();
        (void)suivi;
    }
    if (!couleurs.empty()) c->couleurs = std::move(couleurs);
    if (QWidget* w = QApplication::focusWidget(); w && w->window() == fenetre) placer_cadre_focus(w);
}

namespace {

std::vector<QWidget*> fenetres_visibles() {
    std::vector<QWidget*> l;
    for (QWidget* t : QApplication::topLevelWidgets())
        if (t->isVisible() && fenetres().count(t)) l.push_back(t);
    return l;
}

Clavier& clavier() {
    // Lives as long as the process: elements of any window may use it.
    static Clavier* c = new Clavier;
    return *c;
}

void installer_fabrique() {
    static bool fait = false;
    if (fait) return;
    fait = true;
    QAccessible::installFactory(fabrique);
}

// Qt may have made the element's interface already (a text set while the
// window was built reports a change, which makes one): it is dropped, so
// that the next query makes this unit's.
void oublier_interface(QObject* o) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(o);
    if (i && !dynamic_cast<ElementAccessible*>(i) && !dynamic_cast<ListeAccessible*>(i) &&
        !dynamic_cast<FenetreAccessible*>(i))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(i));
}

void enregistrer(QWidget* w, Description d) {
    installer_fabrique();
    const bool nouveau = registre().count(w) == 0;
    registre()[w] = std::move(d);
    oublier_interface(w);
    if (!nouveau) return;
    QObject::connect(w, &QObject::destroyed, &clavier(), [](QObject* o) { registre().erase(o); });
    w->installEventFilter(&clavier());
}

}  // namespace

void decrire_bouton(QWidget* w, const QString& nom, std::function<void()> presser,
                    const QString& description) {
    Description d;
    d.genre = Genre::Bouton;
    d.nom = nom;
    d.description = description;
    d.presser = std::move(presser);
    enregistrer(w, std::move(d));
    w->setFocusPolicy(Qt::TabFocus);
}

namespace {

// A left click as the element's callbacks see it; the element may go or
// hide along the way.
template <class W>
std::function<void()> clic_gauche(W* w) {
    return [p = QPointer<W>(w)] {
        if (p && p->souris.appui) p->souris.appui(Qt::LeftButton, Qt::LeftButton, 0, 0);
        if (p && p->souris.relache) p->souris.relache(Qt::LeftButton, Qt::NoButton, 0, 0);
        if (p && p->souris.clic) p->souris.clic();
    };
}

}  // namespace

void decrire_bouton(ImageVt* w, const QString& nom, const QString& description) {
    decrire_bouton(w, nom, clic_gauche(w), description);
}

void decrire_bouton(LabelVt* w, const QString& nom, const QString& description) {
    decrire_bouton(w, nom, clic_gauche(w), description);
}

void decrire_glissiere(QWidget* w, const QString& nom, Glissiere g) {
    Description d;
    d.genre = Genre::Glissiere;
    d.nom = nom;
    d.glissiere = std::move(g);
    enregistrer(w, std::move(d));
    w->setFocusPolicy(Qt::TabFocus);
}

void decrire_texte(QWidget* w, std::function<QString()> texte, const QString& description) {
    Description d;
    d.genre = Genre::Texte;
    d.description = description;
    d.texte = std::move(texte);
    enregistrer(w, std::move(d));
}

void decrire_texte(QWidget* w, std::function<QString()> texte, std::function<QString()> description) {
    Description d;
    d.genre = Genre::Texte;
    d.texte = std::move(texte);
    d.decrire = std::move(description);
    enregistrer(w, std::move(d));
}

void cacher(QWidget* w) { enregistrer(w, Description{}); }

void decrire_fenetre(QWidget* fenetre, const QString& nom, std::function<void()> echap) {
    installer_fabrique();
    if (!cadres().count(fenetre)) couleurs_cadre_focus(fenetre, {});
    if (fenetres().count(fenetre) == 0) {
        QObject::connect(fenetre, &QObject::destroyed, &clavier(), [](QObject* o) { fenetres().erase(o); });
        fenetre->installEventFilter(&clavier());
    }
    fenetres()[fenetre] = {nom, std::move(echap)};
    oublier_interface(fenetre);
}

void decrire_liste(QListView* vue, const QString& nom) {
    Description d;
    d.genre = Genre::Liste;
    d.nom = nom;
    enregistrer(vue, std::move(d));
}

bool presser(QWidget* w) {
    const Description* d = trouver(w);
    if (!d || d->genre != Genre::Bouton || !d->presser) return false;
    // A copy: the handler may replace or end the description.
    const std::function<void()> action = d->presser;
    action();
    return true;
}

Annonceur& annonceur() {
    static Annonceur a = [](QAccessibleEvent& e) { QAccessible::updateAccessibility(&e); };
    return a;
}

void annoncer_valeur(QWidget* w) {
    const Description* d = trouver(w);
    if (!d || d->genre != Genre::Glissiere || !annonceur()) return;
    QAccessibleValueChangeEvent e(w, d->glissiere.valeur());
    annonceur()(e);
}

void annoncer_texte(QWidget* w) {
    if (!annonceur()) return;
    QAccessibleEvent e(w, QAccessible::NameChanged);
    annonceur()(e);
}

void ordonner_tabulation(const std::vector<QWidget*>& ordre) {
    if (ordre.empty()) return;
    // The ring runs through the window, whose first focus is the first
    // element after it. Qt leaves an element where the ring already has it
    // next, which would keep an element made early at the head: the first
    // child, never focused, holds the head while the ring is ordered.
    QWidget* tete = ordre.front()->window()->nextInFocusChain();
    const bool ancre = std::find(ordre.begin(), ordre.end(), tete) == ordre.end();
    const Qt::FocusPolicy politique = tete->focusPolicy();
    if (ancre) {
        tete->setFocusPolicy(Qt::TabFocus);
        QWidget::setTabOrder(tete, ordre.front());
    }
    for (std::size_t i = 1; i < ordre.size(); ++i) QWidget::setTabOrder(ordre[i - 1], ordre[i]);
    if (ancre) tete->setFocusPolicy(politique);
}

void donner_clavier(QWidget* fenetre, QWidget* element) {
    fenetre->activateWindow();
    QWidget* w = element ? element : fenetre->nextInFocusChain();
    while (w != fenetre && !((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(fenetre) && w->isEnabled()))
        w = w->nextInFocusChain();
    if (w == fenetre) return;
    // The window may turn active later: the frame shows then.
    if (Description* d = trouver(w)) d->cadre = true;
    w->setFocus(Qt::TabFocusReason);
    placer_cadre_focus(w);
}

bool montre_cadre_focus(const QWidget* w) {
    if (!w->hasFocus()) return false;
    // The described elements show it when the focus came from the keyboard;
    // the toolkit's own (selector, boxes) whenever they hold it.
    if (const Description* d = trouver(w)) return d->cadre && d->genre != Genre::Cache;
    return (w->focusPolicy() & Qt::TabFocus) && w != w->window();
}

}  // namespace vt
