#include "ui/ecrans.h"

#include "ui/place_ecran.h"
#include "ui/session.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>

#include <QScreen>
#include <QWindow>
#include <memory>

#ifdef VANTREL_XCB
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

void montrer_non_reduite(QWidget& fenetre) {
#ifdef VANTREL_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || nom_plateforme() != QLatin1String("xcb") || !fenetre.windowHandle()) return;
    const auto id = static_cast<xcb_window_t>(fenetre.winId());
    // WM_HINTS: flags, input, initial state, ... (ICCCM 4.1.2.4); the
    // state hint's flag is 2, the normal state 1.
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 9), nullptr);
    if (!r) return;
    std::uint32_t h[9] = {};
    const int n = r->format == 32 ? std::min(xcb_get_property_value_length(r) / 4, 9) : 0;
    if (n >= 3) std::memcpy(h, xcb_get_property_value(r), static_cast<std::size_t>(n) * 4);
    std::free(r);
    if (n < 3 || ((h[0] & 2) && h[2] == 1)) return;
    h[0] |= 2;
    h[2] = 1;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        static_cast<std::uint32_t>(n), h);
    xcb_flush(c);
#else
    (void)fenetre;
#endif
}

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

std::optional<bool> affichee_x11(const QWidget& fenetre) {
#ifdef VANTREL_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || !fenetre.windowHandle() || nom_plateforme() != QLatin1String("xcb")) return std::nullopt;
    const auto id = static_cast<xcb_window_t>(fenetre.windowHandle()->winId());
    xcb_get_window_attributes_reply_t* a =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
    if (!a) return std::nullopt;
    const bool vue = a->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(a);
    return vue;
#else
    (void)fenetre;
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

void garder_cadre_dans_ecran(QWidget& fenetre) {
    // The frame comes at the window manager's own pace, later on a busy
    // machine: the window is looked at ten times a second until its frame
    // is known, for five seconds at most, and fitted at each look. A move
    // the user makes afterwards stands.
    auto* minuteur = new QTimer(&fenetre);
    auto restants = std::make_shared<int>(50);
    QObject::connect(minuteur, &QTimer::timeout, minuteur, [minuteur, f = &fenetre, restants] {
        const bool cadre_connu = f->frameGeometry() != f->geometry();
        if (f->isVisible()) garder_dans_ecran(*f);
        if (cadre_connu || --*restants <= 0 || !f->isVisible()) minuteur->deleteLater();
    });
    minuteur->start(100);
}

namespace {

QPointer<QWidget>& lecteur() {
    static QPointer<QWidget> f;
    return f;
}

void centrer(QWidget& fenetre, const QRect& zone) {
    const QSize cadre = fenetre.frameGeometry().size();
    fenetre.move(zone.x() + (zone.width() - cadre.width()) / 2,
                 zone.y() + (zone.height() - cadre.height()) / 2);
}

}  // namespace

void definir_fenetre_lecteur(QWidget* fenetre) { lecteur() = fenetre; }

QScreen* ecran_du_lecteur() {
    QScreen* ecran = nullptr;
    if (const QWidget* f = lecteur()) {
        if (position_connue()) ecran = QGuiApplication::screenAt(f->frameGeometry().center());
        if (!ecran) ecran = f->screen();
    }
    return ecran ? ecran : QGuiApplication::primaryScreen();
}

void ouvrir_sur_ecran_du_lecteur(QWidget& fenetre, bool premiere) {
    // The window takes the keyboard once it is up, however it was opened:
    // a window manager gives none to a window opened by a click in another
    // one (the menu, which then hides) before the user clicks inside it.
    const QPointer<QWidget> f(&fenetre);
    QTimer::singleShot(0, &fenetre, [f] {
        if (!f || !f->isVisible()) return;
        f->raise();
        f->activateWindow();
    });
    if (!position_connue()) return;
    QScreen* ecran = ecran_du_lecteur();
    if (!ecran) return;
    const QRect zone = ecran->availableGeometry();
    if (premiere || QGuiApplication::screenAt(fenetre.frameGeometry().center()) != ecran) {
        centrer(fenetre, zone);
        garder_dans_ecran(fenetre);  // fitted: its size may change
        centrer(fenetre, zone);
    }
    garder_dans_ecran(fenetre);
    garder_cadre_dans_ecran(fenetre);
}

}  // namespace vt
