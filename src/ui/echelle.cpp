#include "ui/echelle.h"

#include <QByteArrayList>
#include <QGuiApplication>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

// Rounded as Qt rounds the screen's own factor: half up, at least 1.
QByteArray arrondi(const QByteArray& facteur) {
    bool ok = false;
    const double f = facteur.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(f) || f <= 0) return facteur;
    const long entier = std::max(1L, std::lround(std::min(f, 1.0e6)));
    return QByteArray::number(static_cast<qlonglong>(entier));
}

void arrondir_variable(const char* nom) {
    if (!qEnvironmentVariableIsSet(nom)) return;
    const QByteArray avant = qgetenv(nom);
    const QByteArray apres = facteurs_entiers(avant);
    if (apres != avant) qputenv(nom, apres);
}

class PixelsEntiers : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* objet, QEvent* e) override {
        const QEvent::Type t = e->type();
        if ((t != QEvent::MouseButtonPress && t != QEvent::MouseButtonRelease && t != QEvent::MouseMove &&
             t != QEvent::MouseButtonDblClick) ||
            !objet->isWindowType())
            return false;
        auto* m = static_cast<QMouseEvent*>(e);
        const QPointF p = m->position();
        const QPointF pixel(std::floor(p.x()), std::floor(p.y()));
        if (pixel == p) return false;
        const QPointF ecart = p - pixel;
        QMouseEvent juste(t, pixel, m->scenePosition() - ecart, m->globalPosition() - ecart, m->button(),
                          m->buttons(), m->modifiers(), m->pointingDevice());
        QCoreApplication::sendEvent(objet, &juste);
        e->setAccepted(juste.isAccepted());
        return true;
    }
};

}  // namespace

QObject* viser_pixels_entiers(QCoreApplication& application) {
    auto* filtre = new PixelsEntiers(&application);
    application.installEventFilter(filtre);
    return filtre;
}

QByteArray facteurs_entiers(const QByteArray& valeur) {
    QByteArrayList sorties;
    for (const QByteArray& entree : valeur.split(';')) {
        const qsizetype egal = entree.lastIndexOf('=');
        sorties << (egal < 0 ? arrondi(entree) : entree.left(egal + 1) + arrondi(entree.mid(egal + 1)));
    }
    return sorties.join(';');
}

void echelle_entiere() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    arrondir_variable("QT_SCALE_FACTOR");
    arrondir_variable("QT_SCREEN_SCALE_FACTORS");
}

void transferts_x_simples() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
}

}  // namespace vt
