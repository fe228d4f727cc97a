#pragma once
// The screens as the windows meet them: their available areas, the place a
// top-level window really has, and a secondary window kept within the
// screen it opens on. The rules are config/place_ecran.h's.
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <optional>
#include <vector>

namespace vt {

// Every screen's available area, the primary screen's first.
std::vector<QRect> zones_ecrans();

// Where the window system has top-level window `fenetre`'s frame, asked of
// it now: on X11 the X server, which knows where a compositor running X
// programs (XWayland) moved the window without telling it. Nothing where
// it cannot be asked (other platforms, a hidden window); the window's own
// idea of its place then stands.
std::optional<QPoint> place_reelle(const QWidget& fenetre);

// Whether an XEmbed notification area (a tray owning the X selection
// _NET_SYSTEM_TRAY_Sn) runs, asked of the X server; nothing where the
// platform is not X11. Asked without the toolkit, whose own question would
// settle once and for all which kind of icon this process makes.
std::optional<bool> zone_xembed();

// Keeps top-level window `fenetre` within the available area of the
// screen it lies on (the one under its centre, else its own screen): no
// larger than that area, whole inside it (cadre_dans_zone). A window of
// fixed size is given the fitted size as its fixed size. Nothing where the
// window system places windows itself (native Wayland).
void garder_dans_ecran(QWidget& fenetre);
// The same within the available area `zone`, whatever screen it is.
void garder_dans_zone(QWidget& fenetre, QRect zone);

}  // namespace vt
