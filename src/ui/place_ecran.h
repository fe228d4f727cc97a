#pragma once
// Where a window goes on the desktop: a stored place kept while the window
// can still be reached and dragged, brought back when it cannot (a monitor
// removed or smaller, or another scale factor that makes the same stored
// numbers mean another place); a secondary window kept within its screen.
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

namespace vt {

// The place for a window of size `taille` stored at `place`, among the
// screens' available areas `zones` (the primary screen's first). The place
// is kept, exactly, while some part of the window's title strip (its top
// `hauteur_barre` rows) lies within some area: the user can still take it
// there. Otherwise it moves inside the nearest area (the one it overlaps
// most, or else the closest one, ties to the first): by the least move that
// brings it whole inside, its top-left corner inside when it is larger
// than the area. Any stored numbers, up to the 32-bit limits, are taken.
// With no screen, the place is kept.
QPoint place_visible(QPoint place, QSize taille, int hauteur_barre, const std::vector<QRect>& zones);

// The place for a window of size `taille` at `place` after the screen it
// lay on went away (a monitor unplugged): kept while the window lies whole
// within some area; otherwise moved whole inside the nearest area, as
// place_visible moves it.
QPoint place_entiere(QPoint place, QSize taille, const std::vector<QRect>& zones);

// A secondary window's frame `cadre` fitted to the available area `zone`
// of the screen it opens on: no wider nor taller than the area, and moved
// by the least amount that brings it whole inside. An empty area changes
// nothing.
QRect cadre_dans_zone(QRect cadre, QRect zone);

}  // namespace vt
