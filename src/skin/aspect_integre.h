#pragma once
// The built-in look: the pictures the main window shows before any skin is
// applied, compiled into the program as Qt resources under :/builtin/.
#include "skin/chargeur_skin.h"

#include <QImage>

#include <string_view>

namespace vt {

// Registers the resources of this static library; safe to call many times.
// The functions below call it themselves.
void initialiser_ressources();

// The built-in picture of an element of the table (for elements that share
// a row, the row's picture) or of the title strip and its buttons. Other
// names are looked up as resource files ("about_fond", "about_logo",
// "icone"...); a null image when there is none.
QImage image_integree(std::string_view nom);

// The colours of the built-in look (list background, list text, status line).
CouleursSkin couleurs_integrees();

// Gives every skinnable element its built-in picture and the built-in
// colours, as the window looks before any skin is loaded. The status line
// is left visible.
void appliquer_aspect_integre(CibleSkin& cible);

}  // namespace vt
