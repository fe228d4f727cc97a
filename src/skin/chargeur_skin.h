#pragma once
// The skin loader: reads a skin file (a quoted-value text naming one
// bitmap per row of the element table, a colour bitmap and a keyword),
// checks that every named file exists, and hands the pictures and colours
// to the main window.
#include "config/gestion_vantrel.h"

#include <QColor>
#include <QImage>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vt {

// What a skin changes on the main window.
class CibleSkin {
public:
    virtual ~CibleSkin() = default;
    // The element sizes itself to the picture (except image_fond_menu).
    virtual void definir_image(std::string_view element, const QImage& image) = 0;
    virtual void definir_couleurs(QColor fond_liste, QColor texte_liste, QColor texte_lecture) = 0;
    // The status line: hidden by the keyword, shown otherwise.
    virtual void montrer_label_lecture(bool visible) = 0;
};

enum class ResultatSkin {
    Applique,        // every element, the colours and the keyword were applied
    Invalide,        // a named file is missing or there are fewer than 44 values: nothing applied
    Inaccessible,    // the skin file cannot be opened: nothing applied
    ImageIllisible,  // a named file exists but is no picture: the elements before it changed
};

// The loader, with a parser of its own for the skin file.
struct ChargeurSkin {
    // Runs the loader once. `chemin_skin` is the skin file, `rep_skin` the
    // directory its file names are relative to (ending with a separator).
    // The skin file's text replaces what `parseur` held, whenever it can be
    // opened. What went wrong is put in `messages`, for the caller to show.
    ResultatSkin charger(const std::string& chemin_skin, const std::string& rep_skin, CibleSkin& cible);

    gestion_vantrel parseur;
    // The last run's messages (caption, text), in the order they are shown.
    std::vector<std::pair<QString, QString>> messages;
};

// Decodes the picture stored in the file at `chemin` (raw bytes), in any
// format QImage reads, judged by content and, failing that, by extension.
// A null image when the file is not a regular file, is larger than 256 MiB
// or cannot be decoded.
// Pictures decoded ahead at start-up are taken when their file is unchanged.
QImage lire_image(const std::string& chemin);

// The three colours of a colour bitmap: pixels 0, 1 and 2 of its top row.
// A pixel beyond a smaller bitmap gives black.
struct CouleursSkin {
    QColor fond_liste, texte_liste, texte_lecture;
};
CouleursSkin couleurs_depuis(const QImage& bitmap);

}  // namespace vt
