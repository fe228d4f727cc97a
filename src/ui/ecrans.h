#pragma once
// The screens as the windows meet them: their available areas, the place a
// top-level window really has, and a secondary window kept within the
// screen it opens on. The rules are ui/place_ecran.h's.
#include <QPoint>
#include <QRect>
#include <QScreen>
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

// Top-level window `fenetre`, hidden, comes back in the normal state when
// shown again, not minimised: a window manager maps a window as its X
// hints ask, and the toolkit leaves there the minimised state it asked
// for when the window manager restored the window itself (from a task
// bar). Nothing off X11 or for a window never made.
void montrer_non_reduite(QWidget& fenetre);

// Whether an XEmbed notification area (a tray owning the X selection
// _NET_SYSTEM_TRAY_Sn) runs, asked of the X server; nothing where the
// platform is not X11. Asked without the toolkit, whose own question would
// settle once and for all which kind of icon this process makes.
std::optional<bool> zone_xembed();

// Whether the X server shows `fenetre` (mapped and viewable), whatever the
// toolkit believes: another program (a window manager's "activate", a
// tool) may map a window the toolkit hid. Nothing where the platform is
// not X11 or the window has no X window yet.
std::optional<bool> affichee_x11(const QWidget& fenetre);

// Keeps top-level window `fenetre` within the available area of the
// screen it lies on (the one under its centre, else its own screen): no
// larger than that area, whole inside it (cadre_dans_zone). A window of
// fixed size is given the fitted size as its fixed size. Nothing where the
// window system places windows itself (native Wayland).
void garder_dans_ecran(QWidget& fenetre);
// The same within the available area `zone`, whatever screen it is.
void garder_dans_zone(QWidget& fenetre, QRect zone);

// The window manager draws a window's frame after the window shows, and
// its size is known only some moments later: `fenetre` is kept within its
// screen again then (garder_dans_ecran), its frame and not only its inside.
void garder_cadre_dans_ecran(QWidget& fenetre);

// The player's main window, on whose screen the other windows and the
// dialogs open (none: the primary screen).
void definir_fenetre_lecteur(QWidget* fenetre);
// The screen that holds the main window: the one under its centre, else
// its own; where the window system tells no place (native Wayland), its
// own. The primary screen when there is no main window.
QScreen* ecran_du_lecteur();

// Shows `fenetre` on the player's screen: centred in its available area
// and fitted to it, frame included once the frame is known. A window
// already on that screen keeps its place (`premiere`: the first showing,
// always centred); where the window system places windows itself, it
// stays where that system puts it. The window is given the keyboard.
void ouvrir_sur_ecran_du_lecteur(QWidget& fenetre, bool premiere);

}  // namespace vt
