#pragma once
// Where a window stored at a place goes when that place is no longer on
// screen: a monitor removed or smaller, or another scale factor that makes
// the same stored numbers mean another place.
#include <QPoint>
#include <QRect>

#include <vector>

namespace vt {

// The place for `fenetre` among the screens' available areas `zones`
// (the primary screen's first). When every part of the window lies on some
// screen's area, its place is kept, even across two screens side by side.
// Otherwise it moves inside the nearest area (the one it overlaps most, or
// else the closest one, ties to the first): by the least move that brings
// it whole inside, its top-left corner inside when it is larger than the
// area. With no screen, the place is kept.
QPoint place_visible(QRect fenetre, const std::vector<QRect>& zones);

}  // namespace vt
