#include "skin/aspect_integre.h"

#include "skin/bmp.h"
#include "skin/elements.h"

#include <QFile>
#include <QImageReader>
#include <QString>

#include <optional>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initialiser_builtin() { Q_INIT_RESOURCE(builtin); }

namespace vt {

namespace {

QString chemin_ressource(std::string_view fichier) {
    return QStringLiteral(":/builtin/") +
           QString::fromUtf8(fichier.data(), static_cast<qsizetype>(fichier.size()));
}

// The file of an element: its row's first element, or its own name for the
// title strip and its buttons; empty for a name outside the table.
std::string_view fichier_element(std::string_view nom) {
    for (const Element& e : kElementsSkin) {
        if (e.nom != nom) continue;
        for (const Element& premier : kElementsSkin)
            if (premier.valeur == e.valeur) return premier.nom;
    }
    for (const Element& e : kElementsFixes)
        if (e.nom == nom) return e.nom;
    return {};
}

}  // namespace

void initialiser_ressources() {
    static const bool fait = (initialiser_builtin(), true);
    (void)fait;
}

namespace {

// Reads a picture of a known format with Qt's built-in reader only, without
// looking through (and loading) the image plug-ins.
QImage lire_format(const QString& chemin, const char* format) {
    QImageReader lecteur(chemin, format);
    lecteur.setAutoDetectImageFormat(false);
    return lecteur.read();
}

// A built-in bitmap: by the start-up's own reader when it can (the usual
// case), so that drawing the first window does not look through the image
// plug-ins; by Qt's reader otherwise.
QImage lire_bmp(const QString& chemin) {
    QFile f(chemin);
    if (f.open(QIODevice::ReadOnly))
        if (std::optional<QImage> image = decoder_bmp_24_bits(f.readAll())) return *image;
    return lire_format(chemin, "bmp");
}

}  // namespace

QImage image_integree(std::string_view nom) {
    initialiser_ressources();
    if (nom.empty() || nom.find('/') != std::string_view::npos) return {};
    std::string_view fichier = fichier_element(nom);
    // The format is named, so Qt's built-in readers take the pictures
    // without looking through the image plug-ins.
    if (!fichier.empty()) return lire_bmp(chemin_ressource(fichier) + QStringLiteral(".bmp"));
    const QString base = chemin_ressource(nom);
    if (QFile::exists(base + QStringLiteral(".png")))
        return lire_format(base + QStringLiteral(".png"), "png");
    if (QFile::exists(base + QStringLiteral(".bmp"))) return lire_bmp(base + QStringLiteral(".bmp"));
    return {};
}

CouleursSkin couleurs_integrees() {
    initialiser_ressources();
    return couleurs_depuis(lire_bmp(chemin_ressource(kFichierCouleurs)));
}

void appliquer_aspect_integre(CibleSkin& cible) {
    for (const Element& e : kElementsSkin) cible.definir_image(e.nom, image_integree(e.nom));
    CouleursSkin c = couleurs_integrees();
    cible.definir_couleurs(c.fond_liste, c.texte_liste, c.texte_lecture);
}

}  // namespace vt
