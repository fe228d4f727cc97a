#include "skin/chargeur_skin.h"

#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "config/texte_affiche.h"
#include "skin/elements.h"
#include "skin/prechargement.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>

namespace vt {

namespace {

const QString kLegendeDebug = QStringLiteral("debug skin");
const QString kLegendeErreur = QStringLiteral("skin erreur !");

QString affichable(const std::string& chemin) { return texte_affiche(chemin); }

}  // namespace

QImage lire_image(const std::string& chemin) {
    if (ImagesPrechargees* p = images_prechargees())
        if (std::optional<QImage> image = p->prendre(chemin)) return *image;
    QByteArray octets;
    if (!lire_fichier_image(chemin, octets)) return {};
    return decoder_image(octets, chemin);
}

CouleursSkin couleurs_depuis(const QImage& bitmap) {
    auto pixel = [&](int x) {
        if (x >= bitmap.width() || bitmap.height() < 1) return QColor(0, 0, 0);
        QColor c = bitmap.pixelColor(x, 0).toRgb();
        c.setAlpha(255);
        return c;
    };
    return {pixel(0), pixel(1), pixel(2)};
}

ResultatSkin ChargeurSkin::charger(const std::string& chemin_skin, const std::string& rep_skin,
                                   CibleSkin& cible) {
    messages.clear();
    // The skin file itself; the default one may be missing without a word.
    if (!fichier_lisible(chemin_skin) || !parseur.charger(chemin_skin)) {
        if (chemin_skin != kCheminSkinDefaut)
            messages.emplace_back(kLegendeErreur,
                                  QStringLiteral("skin inaccessible ! chargement par default ... "));
        return ResultatSkin::Inaccessible;
    }

    // The values are walked in the loaded text, never all held at once,
    // whatever their number; the few the elements use are read by number.
    const std::string_view texte = parseur.texte;
    const std::size_t nombre = nombre_valeurs_quotees(texte);
    auto valeur = [&](std::size_t n) { return std::string(valeur_quotee(texte, static_cast<unsigned>(n))); };

    // Every value but the first and the last names a file that must exist.
    bool valide = true;
    int erreurs = 0;
    std::size_t pos = 0;
    valeur_suivante(texte, pos);  // the first: the skin's name
    for (std::size_t i = 2; i < nombre; ++i) {
        const std::string chemin = rep_skin + std::string(*valeur_suivante(texte, pos));
        if (fichier_lisible(chemin)) continue;
        if (erreurs < 3) {
            messages.emplace_back(
                kLegendeDebug, affichable(chemin) +
                                   QStringLiteral(" - ce fichier donc le skin fait réference n'existe pa !"));
            ++erreurs;
        }
        valide = false;
        if (erreurs == 3) {
            messages.emplace_back(kLegendeDebug, QStringLiteral("beaucoup trop d'erreur dans ce fichier..."));
            // Every message is out and the skin is refused: the values left
            // would change neither (millions of them would only cost time).
            break;
        }
    }
    if (nombre < static_cast<std::size_t>(kValeursMinimum)) valide = false;
    if (!valide) {
        messages.emplace_back(kLegendeErreur,
                              QStringLiteral("fichier_skin non valide , chargement par default ..."));
        return ResultatSkin::Invalide;
    }

    // Each row's file, once, into each element of the row in table order.
    int valeur_chargee = 0;
    QImage image;
    for (const Element& e : kElementsSkin) {
        if (e.valeur != valeur_chargee) {
            const std::string chemin = rep_skin + valeur(static_cast<std::size_t>(e.valeur));
            image = lire_image(chemin);
            if (image.isNull()) {
                messages.emplace_back(kLegendeErreur,
                                      QStringLiteral("image illisible : ") + affichable(chemin));
                return ResultatSkin::ImageIllisible;
            }
            valeur_chargee = e.valeur;
        }
        cible.definir_image(e.nom, image);
    }

    // A colour bitmap that cannot be decoded leaves the colours as they are.
    QImage couleurs = lire_image(rep_skin + valeur(kValeurCouleurs));
    if (!couleurs.isNull()) {
        CouleursSkin c = couleurs_depuis(couleurs);
        cible.definir_couleurs(c.fond_liste, c.texte_liste, c.texte_lecture);
    }

    // Each applied skin decides: "activer" hides the status line, anything
    // else shows it, even after a skin that hid it.
    cible.montrer_label_lecture(valeur(kValeurActiver) != "activer");
    return ResultatSkin::Applique;
}

}  // namespace vt
