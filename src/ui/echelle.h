#pragma once
// Whole scale factors on high-density screens. Skins are pixel art: at a
// scale of 1.5 a skin pixel would cover one device pixel here and two
// there, and the pictures would look uneven or blurred. So the screen's
// factor is rounded to the nearest whole number (1.5 gives 2), and so are
// the factors that the Qt variables QT_SCALE_FACTOR and
// QT_SCREEN_SCALE_FACTORS force, which Qt would otherwise apply as given.
#include <QByteArray>

class QCoreApplication;
class QObject;

namespace vt {

// To be called before the application object is created.
void echelle_entiere();

// A QT_SCALE_FACTOR or QT_SCREEN_SCALE_FACTORS value with every factor
// ("2.5", or entries "factor" and "screen=factor" separated by ';')
// rounded half up to a whole number, at least 1; what is not a positive
// number is left as written.
QByteArray facteurs_entiers(const QByteArray& valeur);

// Pictures go to the X server by plain transfers, not through shared
// memory: the windows are small, and the status line repaints every tick;
// a shared-memory transfer brings back a completion event that wakes two
// of our threads at each repaint, a plain one is a single write. A value
// the user set for QT_XCB_NO_MITSHM is kept. Before the application object.
void transferts_x_simples();

// The pointer lands on the element drawn under it. At a whole scale of 2 or
// more a device pixel lies at a fraction of a window pixel (device pixel
// 691 at scale 2 is 345.5), and the toolkit picks the element under the
// rounded place (346): the last device rows and columns of each element
// went to its neighbour, a click on the close button's lower or right edge
// to the title strip. Mouse events on the windows are taken down to the
// window pixel they lie in (345), as the pictures are drawn. Once the
// application object exists; the filter belongs to it.
QObject* viser_pixels_entiers(QCoreApplication& application);

}  // namespace vt
