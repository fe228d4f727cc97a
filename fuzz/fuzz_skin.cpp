// The skin loader on a skin folder generated from the input.
//
// The input (split by FuzzedDataProvider) describes a folder: six picture
// files, each missing, a sound bitmap (BMP or PNG, any size up to 48 x 48), a
// truncated one, one with bytes overwritten, random bytes, or a folder; then
// a skin text, either random bytes or 0 to 50 quoted values naming those
// files (or random names), with random text between them. Checked: the
// loader never crashes or hangs, shows a bounded number of messages, applies
// every element or none (except when a picture turns out unreadable, where it
// stops there), and keeps the skin text it read.
#include "config/gestion_vantrel.h"
#include "outils_fuzz.h"
#include "skin/chargeur_skin.h"
#include "skin/elements.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>

#include <cstdint>
#include <filesystem>
#include <memory>

namespace {

using vt::fuzz::dossier_travail;

constexpr int kImages = 6;

struct CibleComptee : vt::CibleSkin {
    void definir_image(std::string_view, const QImage& image) override {
        ++images;
        if (image.isNull()) ++nulles;
    }
    void definir_couleurs(QColor, QColor, QColor) override { ++couleurs; }
    void montrer_label_lecture(bool visible) override { caches += !visible; }
    int images = 0, nulles = 0, couleurs = 0, caches = 0;
};

QByteArray image_saine(FuzzedDataProvider& fdp) {
    const int l = fdp.ConsumeIntegralInRange<int>(1, 48);
    const int h = fdp.ConsumeIntegralInRange<int>(1, 48);
    QImage image(l, h, fdp.ConsumeBool() ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (image.format() == QImage::Format_Indexed8) {
        image.setColorCount(2);
        image.setColor(0, 0xff000000u);
        image.setColor(1, fdp.ConsumeIntegral<std::uint32_t>() | 0xff000000u);
        image.fill(1);
    } else {
        image.fill(QColor::fromRgb(fdp.ConsumeIntegral<std::uint32_t>()));
    }
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    image.save(&tampon, fdp.ConsumeBool() ? "BMP" : "PNG");
    return octets;
}

// Writes picture file `nom` as the input says; returns whether a file exists.
void creer_image(FuzzedDataProvider& fdp, const std::string& nom) {
    const std::string chemin = dossier_travail() + nom;
    switch (fdp.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
            return;  // missing
        case 1:
            vt::fuzz::ecrire_fichier(chemin, image_saine(fdp).toStdString());
            return;
        case 2: {  // truncated
            QByteArray o = image_saine(fdp);
            o.truncate(fdp.ConsumeIntegralInRange<int>(0, int(o.size())));
            vt::fuzz::ecrire_fichier(chemin, o.toStdString());
            return;
        }
        case 3: {  // a few bytes overwritten, headers included
            QByteArray o = image_saine(fdp);
            const int n = fdp.ConsumeIntegralInRange<int>(1, 8);
            for (int k = 0; k < n && !o.isEmpty(); ++k)
                o[fdp.ConsumeIntegralInRange<int>(0, int(o.size()) - 1)] =
                    char(fdp.ConsumeIntegral<std::uint8_t>());
            vt::fuzz::ecrire_fichier(chemin, o.toStdString());
            return;
        }
        case 4:
            vt::fuzz::ecrire_fichier(chemin, fdp.ConsumeRandomLengthString(4096));
            return;
        default:
            std::filesystem::create_directory(chemin);
            return;
    }
}

std::string sans_guillemets(std::string s) {
    std::erase(s, '"');
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::unique_ptr<QCoreApplication> app = std::make_unique<QCoreApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fdp(data, size);
    vt::fuzz::vider_dossier_travail();

    const std::string noms[kImages] = {"a.bmp", "b.bmp", "c.png", "d.bmp", "e", "f.BMP"};
    for (const std::string& nom : noms) creer_image(fdp, nom);

    std::string texte;
    if (fdp.ConsumeBool()) {
        const int n = fdp.ConsumeIntegralInRange<int>(0, 50);
        for (int i = 1; i <= n; ++i) {
            texte += sans_guillemets(fdp.ConsumeRandomLengthString(8));
            std::string valeur;
            if (i == 1)
                valeur = "skin";
            else if (i == vt::kValeurActiver && fdp.ConsumeBool())
                valeur = "activer";
            else if (fdp.ConsumeIntegralInRange<int>(0, 15) > 0)
                valeur = noms[fdp.ConsumeIntegralInRange<int>(0, kImages - 1)];
            else
                valeur = sans_guillemets(fdp.ConsumeRandomLengthString(16));
            vt::ajouter_valeur(texte, valeur);
        }
    } else {
        texte = fdp.ConsumeRandomLengthString(8192);
    }
    const bool skin_present = fdp.ConsumeIntegralInRange<int>(0, 31) > 0;
    const std::string chemin_skin = dossier_travail() + "test.sk";
    if (skin_present) vt::fuzz::ecrire_fichier(chemin_skin, texte);

    vt::ChargeurSkin chargeur;
    gestion_vantrel& parseur = chargeur.parseur;
    parseur.texte = "avant";
    CibleComptee cible;
    const vt::ResultatSkin r = chargeur.charger(chemin_skin, dossier_travail(), cible);

    VT_EXIGER(chargeur.messages.size() <= 6);
    VT_EXIGER(cible.nulles == 0);
    VT_EXIGER(parseur.texte == (skin_present ? texte : std::string("avant")));
    const int elements = int(vt::kElementsSkin.size());
    switch (r) {
        case vt::ResultatSkin::Applique:
            VT_EXIGER(skin_present && parseur.nombre_valeurs() >= unsigned(vt::kValeursMinimum));
            VT_EXIGER(cible.images == elements && cible.couleurs <= 1 && cible.caches <= 1);
            VT_EXIGER(cible.caches == (parseur.valeur(vt::kValeurActiver) == "activer" ? 1 : 0));
            break;
        case vt::ResultatSkin::ImageIllisible:
            VT_EXIGER(cible.images < elements && cible.couleurs == 0 && cible.caches == 0);
            VT_EXIGER(chargeur.messages.size() == 1);
            break;
        case vt::ResultatSkin::Invalide:
        case vt::ResultatSkin::Inaccessible:
            VT_EXIGER(cible.images == 0 && cible.couleurs == 0 && cible.caches == 0);
            VT_EXIGER(!chargeur.messages.empty());
            break;
    }
    VT_EXIGER(skin_present || r == vt::ResultatSkin::Inaccessible);
    return 0;
}
