#include "ui/ecrans.h"

#include "config/place_ecran.h"
#include "ui/session.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#ifdef VANTREL_XCB
#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#endif

namespace vt {

std::vector<QRect> zones_ecrans() {
    std::vector<QRect> zones;
    QScreen* principal = QGuiApplication::primaryScreen();
    if (principal) zones.push_back(principal->availableGeometry());
    for (QScreen* s : QGuiApplication::screens())
        if (s != principal) zones.push_back(s->availableGeometry());
    return zones;
}

namespace {

#ifdef VANTREL_XCB
// The top-left corner of X window `id` on the root window, in the X
// server's own (device) pixels.
std::optional<QPoint> coin_x11(xcb_window_t id) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return std::nullopt;
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    if (!g) return std::nullopt;
    const xcb_window_t racine = g->root;
    std::free(g);
    xcb_translate_coordinates_reply_t* t =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, racine, 0, 0), nullptr);
    if (!t) return std::nullopt;
    const QPoint p(t->dst_x, t->dst_y);
    std::free(t);
    return p;
}

// A point in device pixels in the toolkit's coordinates: each screen keeps
// its top-left corner and scales what lies beyond it by its factor.
QPoint logique(QPoint natif, const QScreen* defaut) {
    const QScreen* ecran = defaut;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        const QRect nat(g.topLeft(), g.size() * s->devicePixelRatio());
        if (nat.contains(natif)) {
            ecran = s;
            break;
        }
    }
    if (!ecran) return natif;
    const QPoint o = ecran->geometry().topLeft();
    const qreal f = ecran->devicePixelRatio();
    return o + QPoint(static_cast<int>(std::lround((natif.x() - o.x()) / f)),
                      static_cast<int>(std::lround((natif.y() - o.y()) / f)));
}
#endif

}  // namespace

std::optional<bool> zone_xembed() {
#ifdef VANTREL_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || nom_plateforme() != QLatin1String("xcb")) return std::nullopt;
    // The screen number of DISPLAY (":0.1"), 0 when it names none.
    const QByteArray affichage = qgetenv("DISPLAY");
    const qsizetype point = affichage.lastIndexOf('.'), deux_points = affichage.lastIndexOf(':');
    const int ecran = point > deux_points ? affichage.mid(point + 1).toInt() : 0;
    const QByteArray nom = "_NET_SYSTEM_TRAY_S" + QByteArray::number(ecran);
    xcb_intern_atom_reply_t* a = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(nom.size()), nom.constData()), nullptr);
    if (!a) return false;
    const xcb_atom_t atome = a->atom;
    std::free(a);
    xcb_get_selection_owner_reply_t* p =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atome), nullptr);
    if (!p) return false;
    const bool present = p->owner != XCB_NONE;
    std::free(p);
    return present;
#else
    return std::nullopt;
#endif
}

std::optional<QPoint> place_reelle(const QWidget& fenetre) {
#ifdef VANTREL_XCB
    if (!fenetre.isVisible() || !fenetre.windowHandle() || nom_plateforme() != QLatin1String("xcb"))
        return std::nullopt;
    const std::optional<QPoint> coin = coin_x11(static_cast<xcb_window_t>(fenetre.winId()));
    if (!coin) return std::nullopt;
    // The client area's corner, less the frame the window manager drew.
    const QPoint bord = fenetre.geometry().topLeft() - fenetre.frameGeometry().topLeft();
    return logique(*coin, fenetre.screen()) - bord;
#else
    (void)fenetre;
    return std::nullopt;
#endif
}

void garder_dans_ecran(QWidget& fenetre) {
    if (!position_connue()) return;
    const QRect cadre = fenetre.frameGeometry();
    QScreen* ecran = QGuiApplication::screenAt(cadre.center());
    if (!ecran) ecran = fenetre.screen() ? fenetre.screen() : QGuiApplication::primaryScreen();
    if (!ecran) return;
    garder_dans_zone(fenetre, ecran->availableGeometry());
}

void garder_dans_zone(QWidget& fenetre, QRect zone) {
    const QRect cadre = fenetre.frameGeometry();
    const QRect ajuste = cadre_dans_zone(cadre, zone);
    if (ajuste.size() != cadre.size()) {
        const QSize client = fenetre.size() - (cadre.size() - ajuste.size());
        if (fenetre.minimumSize() == fenetre.maximumSize())
            fenetre.setFixedSize(client);
        else
            fenetre.resize(client);
    }
    if (ajuste.topLeft() != cadre.topLeft()) fenetre.move(ajuste.topLeft());
}

}  // namespace vt
