// vantrel_painter: paints the player's built-in look and the skins shipped
// with it, and composes previews of the main window.
//
//   vantrel_painter <repository root> [--apercus <folder>]
//
// Writes, under the root:
//   src/skin/builtin/*  and  src/skin/builtin.qrc   the built-in look
//   skin/default/       the default skin (same pictures, real decorations)
//   skin/ivoire/        a light skin that hides the status line
//   packaging/icons/    the installed icon, one picture per size
//   docs/screenshot-builtin.png and docs/apercu-skin-*.png
// The output depends only on this program, Qt and the DejaVu font files.
#include "painter/dessin.h"

#include "skin/chargeur_skin.h"
#include "skin/elements.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cstdio>
#include <map>
#include <string>

using namespace peintre;

namespace {

bool g_erreur = false;

// Sizes of the installed icon (share/icons/hicolor/<n>x<n>/apps/vantrel.png).
constexpr int kTaillesIcone[] = {16, 24, 32, 48, 64, 128, 256};

void echec(const QString& quoi) {
    std::fprintf(stderr, "vantrel_painter: %s\n", qPrintable(quoi));
    g_erreur = true;
}

void sauver(const QImage& img, const QString& chemin) {
    QDir().mkpath(QFileInfo(chemin).path());
    const bool bmp = chemin.endsWith(QStringLiteral(".bmp"));
    // 24-bit BMPs: Qt writes 32-bit opaque images as 24-bit DIBs.
    QImage sortie = bmp ? img.convertToFormat(QImage::Format_RGB32) : img;
    if (!sortie.save(chemin, bmp ? "BMP" : "PNG")) echec(QStringLiteral("cannot write ") + chemin);
}

void ecrire_texte(const QString& chemin, const QByteArray& octets) {
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(octets) != octets.size())
        echec(QStringLiteral("cannot write ") + chemin);
}

// What each row of a skin file is, written beside its quoted value.
const char* legende(int valeur) {
    switch (valeur) {
        case 2:
            return "add button, unlit";
        case 3:
            return "add button, lit";
        case 4:
            return "back button, unlit";
        case 5:
            return "back button, lit";
        case 6:
            return "decoration above the balance bar";
        case 7:
            return "balance bar";
        case 8:
            return "position bar";
        case 9:
            return "volume bar";
        case 10:
            return "balance cursor, unlit";
        case 11:
            return "balance cursor, lit";
        case 12:
            return "volume cursor, unlit";
        case 13:
            return "volume cursor, lit";
        case 14:
            return "position cursor, unlit";
        case 15:
            return "position cursor, lit";
        case 16:
            return "clear-list button, unlit";
        case 17:
            return "clear-list button, lit";
        case 18:
            return "delete button, unlit";
        case 19:
            return "delete button, lit";
        case 20:
            return "move-down button, unlit";
        case 21:
            return "move-down button, lit";
        case 22:
            return "window background";
        case 23:
            return "strip behind the status line";
        case 24:
            return "strip behind the list buttons";
        case 25:
            return "strip behind the transport buttons";
        case 26:
            return "save-list button, unlit";
        case 27:
            return "save-list button, lit";
        case 28:
            return "next button, unlit";
        case 29:
            return "next button, lit";
        case 30:
            return "pause button, unlit";
        case 31:
            return "pause button, lit";
        case 32:
            return "play button, unlit";
        case 33:
            return "play button, lit";
        case 34:
            return "decoration beside the play-list selector";
        case 35:
            return "stop button, unlit";
        case 36:
            return "stop button, lit";
        case 37:
            return "move-up button, unlit";
        case 38:
            return "move-up button, lit";
        case 39:
            return "decoration above the volume bar";
        case 40:
            return "decoration beside the repeat box";
        case 41:
            return "decoration beside the random box";
        case 42:
            return "menu window background";
        default:
            return "";
    }
}

std::string fichier_rangee(int valeur) {
    for (const vt::Element& e : vt::kElementsSkin)
        if (e.valeur == valeur) return std::string(e.nom);
    return {};
}

// A skin folder: its pictures and its skin file. Text outside the quotes
// is ignored by the reader, so each line says what its value is.
void ecrire_skin(const QString& dossier, const QString& fichier_sk, const char* nom, const Jeu& jeu,
                 const char* mot_cle) {
    for (const auto& [base, img] : jeu) sauver(img, dossier + '/' + QString::fromStdString(base) + ".bmp");
    QByteArray t;
    t += "vantrel skin. Each value is the text between a pair of double quotes;\r\n";
    t += "file names are relative to this folder.\r\n\r\n";
    t += "name                                       \"" + QByteArray(nom) + "\"\r\n";
    for (int v = 2; v <= 42; ++v) {
        QByteArray ligne = QByteArray(legende(v));
        ligne = ligne.leftJustified(43, ' ');
        t += ligne + "\"" + QByteArray::fromStdString(fichier_rangee(v)) + ".bmp\"\r\n";
    }
    t += QByteArray("colours (list, list text, status line)").leftJustified(43, ' ') + "\"couleurs.bmp\"\r\n";
    t += QByteArray("status line (activer hides it)").leftJustified(43, ' ') + "\"" + mot_cle + "\"\r\n";
    ecrire_texte(dossier + '/' + fichier_sk, t);
}

// ------------------------------------------------------------ previews

class Apercu final : public vt::CibleSkin {
public:
    std::map<std::string, QImage, std::less<>> images;
    QColor fond_liste, texte_liste, texte_lecture;
    bool lecture_visible = true;

    void definir_image(std::string_view element, const QImage& image) override {
        images[std::string(element)] = image;
    }
    void definir_couleurs(QColor a, QColor b, QColor c) override {
        fond_liste = a;
        texte_liste = b;
        texte_lecture = c;
    }
    void montrer_label_lecture(bool visible) override { lecture_visible = visible; }
};

QRect place_de(std::string_view nom) { return place(nom); }

// The main window as it looks while a track plays: every drawn element in
// its stacking order, then the child windows.
QImage composer(const Apercu& a) {
    QImage fenetre(349, a.images.at("image_fond_lecture").height() + 264 + 7, QImage::Format_RGB32);
    fenetre.fill(Qt::white);
    QPainter p(&fenetre);
    auto poser = [&](std::string_view nom, QPoint ou) {
        auto it = a.images.find(nom);
        if (it != a.images.end()) p.drawImage(ou, it->second);
    };
    auto poser_ici = [&](std::string_view nom) { poser(nom, place_de(nom).topLeft()); };

    const QRect bv = place_de("barre_volume"), bb = place_de("barre_balance"),
                bp = place_de("barre_position");
    const int lv = a.images.at("curseur_volume").width();
    const int lp = a.images.at("curseur_position").width();
    const int bvw = a.images.at("barre_volume").width(), bpw = a.images.at("barre_position").width();
    const char* ordre[] = {"image_fond",     "image_fond_play",    "image_fond_liste", "image_barre",
                           "Image_menu",     "image_quitter",      "image_reduire",    "barre_volume",
                           "curseur_volume", "barre_balance",      "curseur_balance",  "image_balance",
                           "image_back",     "image_play",         "image_pause",      "image_stop",
                           "image_next",     "image_down",         "image_up",         "image_del",
                           "image_add",      "image_info",         "image_del_all",    "image_playlist",
                           "image_volume",   "image_fond_lecture", "barre_position",   "curseur_position",
                           "tray_image",     "image_aleatoire",    "image_repeat"};
    for (const char* nom : ordre) {
        std::string_view n = nom;
        if (n == "curseur_volume")
            poser(n, {bv.x() + (bvw - lv), 64});  // at the right end
        else if (n == "curseur_balance")
            poser(n, {bb.x() + 50, 104});
        else if (n == "curseur_position")
            poser(n, {bp.x() + (bpw - lp) * 2 / 5, 240});
        else if (n == "image_play")
            poser("image_playon", place_de("image_play").topLeft());  // playing
        else
            poser_ici(n);
    }

    QFont petite(famille_police());
    petite.setPixelSize(11);
    petite.setBold(false);
    QFont grasse = petite;
    grasse.setBold(true);

    // label_lecture and label_temps, then Shape1's white frame.
    if (a.lecture_visible) {
        p.setFont(grasse);
        p.setPen(a.texte_lecture);
        p.setClipRect(QRect(10, 265, 325, 22));
        p.drawText(QRect(10, 265, 325, 22), Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("           Lecture : 03 - Nocturne en fa dièse.mp3"));
        p.setClipping(false);
    }
    p.setFont(grasse);
    p.setPen(QColor(255, 0, 0));
    p.drawText(QPoint(277, 217 + 11), QStringLiteral("01 : 27"));
    p.setPen(Qt::white);
    p.drawRect(QRect(272, 214, 49, 17));

    // list_lecture.
    const QRect rl(8, 49, 230, 132);
    p.fillRect(rl, a.fond_liste);
    const char* titres[] = {"01 - Ouverture.mp3",   "02 - Valse lente.wav", "03 - Nocturne en fa dièse.mp3",
                            "04 - Le départ.wma",   "05 - Rondo.mp3",       "06 - Interlude (live).mp3",
                            "07 - Pluie d'été.mp3", "08 - Final.wav"};
    p.setFont(petite);
    p.setClipRect(rl);
    for (int i = 0; i < 8; ++i) {
        QRect ligne(rl.x(), rl.y() + 1 + i * 13, rl.width(), 13);
        if (i == 2) {
            p.fillRect(ligne, QColor(0x30, 0x8c, 0xc6));
            p.setPen(Qt::white);
        } else {
            p.setPen(a.texte_liste);
        }
        p.drawText(ligne.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(titres[i]));
    }
    p.setClipping(false);

    // Comboplaylist: black, system window text colour, a drop arrow.
    const QRect rc(80, 25, 157, 20);
    p.fillRect(rc, Qt::black);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(rc.adjusted(0, 0, -1, -1));
    p.setPen(Qt::white);
    p.drawText(rc.adjusted(5, 0, -18, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("classique"));
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath fleche;
    fleche.moveTo(rc.right() - 12, rc.center().y() - 1.5);
    fleche.lineTo(rc.right() - 4, rc.center().y() - 1.5);
    fleche.lineTo(rc.right() - 8, rc.center().y() + 2.5);
    fleche.closeSubpath();
    p.fillPath(fleche, Qt::white);
    p.setRenderHint(QPainter::Antialiasing, false);

    // check_repeat (unticked) and check_random (ticked).
    for (auto [y, coche] : {std::pair{137, false}, {167, true}}) {
        QRect r(260, y, 13, 13);
        p.fillRect(r, Qt::white);
        p.setPen(QColor(0x55, 0x55, 0x55));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (coche) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(Qt::black, 1.6));
            p.drawPolyline(QPolygonF({QPointF(263, y + 6.5), QPointF(265.5, y + 9), QPointF(270, y + 3.5)}));
            p.setRenderHint(QPainter::Antialiasing, false);
        }
    }
    return fenetre;
}

void remplir_integre(Apercu& a, const Jeu& jeu, const Jeu& titre) {
    for (const vt::Element& e : vt::kElementsSkin)
        a.images[std::string(e.nom)] = jeu.at(fichier_rangee(e.valeur));
    for (const auto& [nom, img] : titre) a.images[nom] = img;
    const QImage& c = jeu.at("couleurs");
    a.definir_couleurs(c.pixelColor(0, 0), c.pixelColor(1, 0), c.pixelColor(2, 0));
}

// The menu window (75 x 250, white) with the skin's picture and its labels.
QImage composer_menu(const QImage& fond_menu) {
    QImage menu(75, 250, QImage::Format_RGB32);
    menu.fill(Qt::white);
    QPainter p(&menu);
    p.drawImage(0, 0, fond_menu);
    struct L {
        const char* texte;
        int x, y, px;
        bool gras;
    };
    const L labels[] = {{"Ouvrir", 12, 6, 19, false},     {"Enregistrer", 7, 42, 11, true},
                        {"playlist", 7, 56, 11, true},    {"Option", 8, 87, 16, true},
                        {"Propriétés", 6, 132, 11, true}, {"A propos", 11, 175, 11, true},
                        {"Quitter", 10, 212, 19, false}};
    for (const L& l : labels) {
        QFont f(famille_police());
        f.setPixelSize(l.px);
        f.setBold(l.gras);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QPoint(l.x, l.y + l.px), QString::fromUtf8(l.texte));
    }
    p.setPen(Qt::white);
    p.drawRect(0, 0, 74, 249);
    return menu;
}

QImage agrandir(const QImage& img, int f) {
    return img.scaled(img.size() * f, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// Every small picture of a set side by side, for a close look.
QImage planche(const Jeu& jeu) {
    QImage out(700, 200, QImage::Format_RGB32);
    out.fill(QColor(0x80, 0x80, 0x80));
    QPainter p(&out);
    int x = 4, y = 4, h_ligne = 0;
    for (const auto& [nom, img] : jeu) {
        if (img.width() > 120 || img.height() > 60) continue;
        if (x + img.width() + 4 > out.width()) {
            x = 4;
            y += h_ligne + 4;
            h_ligne = 0;
        }
        p.drawImage(x, y, img);
        x += img.width() + 4;
        h_ligne = std::max(h_ligne, img.height());
    }
    p.end();
    return out.copy(0, 0, out.width(), y + h_ligne + 4);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vantrel_painter <repository root> [--apercus <folder>]\n");
        return 2;
    }
    const QString racine = QFile::decodeName(argv[1]);
    QString apercus;
    if (argc >= 4 && QByteArray(argv[2]) == "--apercus") apercus = QFile::decodeName(argv[3]);

    // Built-in look.
    const Jeu integre = peindre_jeu(theme_graphite(), Variante::Integree);
    const Jeu titre = peindre_barre_titre();
    const QString rep_integre = racine + "/src/skin/builtin";
    QDir(rep_integre).removeRecursively();
    QStringList fichiers;
    for (const auto* jeu : {&integre, &titre})
        for (const auto& [base, img] : *jeu) {
            sauver(img, rep_integre + '/' + QString::fromStdString(base) + ".bmp");
            fichiers << QString::fromStdString(base) + ".bmp";
        }
    sauver(peindre_about_fond(), rep_integre + "/about_fond.png");
    sauver(peindre_about_logo(), rep_integre + "/about_logo.png");
    sauver(peindre_icone(64), rep_integre + "/icone.png");
    sauver(peindre_icone(32), rep_integre + "/icone32.png");
    fichiers << "about_fond.png"
             << "about_logo.png"
             << "icone.png"
             << "icone32.png";
    fichiers.sort();
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/builtin\">\n";
    for (const QString& f : fichiers)
        qrc += "    <file alias=\"" + f.toUtf8() + "\">builtin/" + f.toUtf8() + "</file>\n";
    qrc += "</qresource>\n</RCC>\n";
    ecrire_texte(racine + "/src/skin/builtin.qrc", qrc);

    // The desktop entry's icon, drawn at each size of the icon theme.
    QDir(racine + "/packaging/icons").removeRecursively();
    for (int n : kTaillesIcone)
        sauver(peindre_icone(n),
               QStringLiteral("%1/packaging/icons/hicolor/%2x%2/apps/vantrel.png").arg(racine).arg(n));

    // Skins on disk.
    const Jeu defaut = peindre_jeu(theme_graphite(), Variante::Disque);
    const Jeu ivoire = peindre_jeu(theme_ivoire(), Variante::Disque);
    QDir(racine + "/skin/default").removeRecursively();
    QDir(racine + "/skin/ivoire").removeRecursively();
    ecrire_skin(racine + "/skin/default", "default.sk", "vantrel graphite", defaut, "visible");
    ecrire_skin(racine + "/skin/ivoire", "ivoire.sk", "vantrel ivoire", ivoire, "activer");

    // Previews: the built-in look, then each skin read back by the loader.
    Apercu a_integre;
    remplir_integre(a_integre, integre, titre);
    const QImage fen_integre = composer(a_integre);
    sauver(fen_integre, racine + "/docs/screenshot-builtin.png");

    for (const char* nom : {"default", "ivoire"}) {
        Apercu a;
        remplir_integre(a, integre, titre);
        const std::string rep = QFile::encodeName(racine).toStdString() + "/skin/" + nom + "/";
        const std::string sk =
            rep + (std::string(nom) == "default" ? "default.sk" : std::string(nom) + ".sk");
        vt::ChargeurSkin chargeur;
        const bool applique = chargeur.charger(sk, rep, a) == vt::ResultatSkin::Applique;
        for (const auto& [legende, texte] : chargeur.messages) echec(legende + ": " + texte);
        if (!applique) echec(QStringLiteral("skin not applied: ") + nom);
        const QImage fen = composer(a);
        sauver(fen, racine + "/docs/apercu-skin-" + nom + ".png");
        if (!apercus.isEmpty()) {
            sauver(agrandir(fen, 3), apercus + "/fenetre-" + nom + "-x3.png");
            sauver(agrandir(composer_menu(a.images.at("image_fond_menu")), 3),
                   apercus + "/menu-" + nom + "-x3.png");
        }
    }

    if (!apercus.isEmpty()) {
        sauver(agrandir(fen_integre, 3), apercus + "/fenetre-integre-x3.png");
        sauver(agrandir(composer_menu(integre.at("image_fond_menu")), 3), apercus + "/menu-integre-x3.png");
        // The about window: background shifted 121 pixels left, framed logo.
        QImage about(387, 441, QImage::Format_RGB32);
        about.fill(QColor(0, 0, 0x80));
        QPainter p(&about);
        p.drawImage(-121, 0, peindre_about_fond());
        p.fillRect(65, 24, 219, 48, Qt::black);
        p.setPen(QPen(Qt::red, 2));
        p.drawRect(QRectF(66, 25, 217, 46));
        p.drawImage(74, 29, peindre_about_logo());
        p.fillRect(30, 158, 323, 263, Qt::black);
        p.end();
        sauver(about, apercus + "/about.png");
        sauver(agrandir(peindre_icone(64), 4), apercus + "/icone-x4.png");
        sauver(agrandir(peindre_icone(32), 4), apercus + "/icone32-x4.png");
        sauver(agrandir(planche(integre), 3), apercus + "/planche-integre-x3.png");
        sauver(agrandir(planche(ivoire), 3), apercus + "/planche-ivoire-x3.png");
        sauver(agrandir(planche(defaut), 3), apercus + "/planche-default-x3.png");
    }
    return g_erreur ? 1 : 0;
}
