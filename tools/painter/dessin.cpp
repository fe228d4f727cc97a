#include "painter/dessin.h"

#include "painter/pixels.h"
#include "skin/elements.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>

#include <cmath>
#include <iterator>

namespace peintre {

namespace {

QColor rgb(unsigned v) { return QColor::fromRgb((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff); }

QColor alpha(QColor c, int a) {
    c.setAlpha(a);
    return c;
}

QColor melange(QColor a, QColor b, double t) {
    return QColor::fromRgb(static_cast<int>(std::lround(a.red() + (b.red() - a.red()) * t)),
                           static_cast<int>(std::lround(a.green() + (b.green() - a.green()) * t)),
                           static_cast<int>(std::lround(a.blue() + (b.blue() - a.blue()) * t)));
}

QImage nouvelle(int l, int h, QColor fond = Qt::black) {
    QImage img(l, h, QImage::Format_RGB32);
    img.fill(fond);
    return img;
}

// Row-exact vertical gradient: every row is one colour, so a cursor sliding
// along a row never meets another shade.
void degrade(QImage& img, QRect r, QColor haut, QColor bas) {
    QPainter p(&img);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        double t = r.height() > 1 ? double(y - r.top()) / (r.height() - 1) : 0.0;
        p.fillRect(r.left(), y, r.width(), 1, melange(haut, bas, t));
    }
}

// One-pixel frame: light on top and left, dark on bottom and right (or the
// reverse for a recess).
void biseau(QPainter& p, QRect r, QColor clair, QColor sombre) {
    p.fillRect(r.left(), r.top(), r.width(), 1, clair);
    p.fillRect(r.left(), r.top(), 1, r.height(), clair);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, sombre);
    p.fillRect(r.right(), r.top(), 1, r.height(), sombre);
}

QImage crop(const QImage& img, QRect r) { return img.copy(r); }

void antialias(QPainter& p) { p.setRenderHint(QPainter::Antialiasing, true); }

// A rounded recess: dark gradient, shadow along its top, highlight along its bottom.
void creux_arrondi(QPainter& p, QRectF r, double rayon, QColor haut, QColor bas, QColor ombre,
                   QColor lumiere) {
    antialias(p);
    QPainterPath bord;
    bord.addRoundedRect(r, rayon, rayon);
    p.fillPath(bord, lumiere);  // shows as a highlight line at the bottom
    QPainterPath interieur;
    interieur.addRoundedRect(r.adjusted(0, 0, 0, -1), rayon, rayon);
    p.fillPath(interieur, ombre);
    QPainterPath fond;
    fond.addRoundedRect(r.adjusted(1, 1, -1, -1), std::max(0.0, rayon - 1), std::max(0.0, rayon - 1));
    QLinearGradient g(0, r.top() + 1, 0, r.bottom() - 1);
    g.setColorAt(0, haut);
    g.setColorAt(1, bas);
    p.fillPath(fond, g);
    p.setRenderHint(QPainter::Antialiasing, false);
}

// ---------------------------------------------------------------- labels

enum class Deco { Playlist, Volume, Balance, Repetition, Aleatoire };

constexpr std::pair<Deco, QRect> kDecos[] = {
    {Deco::Playlist, QRect(8, 24, 70, 20)},     {Deco::Volume, QRect(240, 48, 76, 14)},
    {Deco::Balance, QRect(240, 88, 76, 14)},    {Deco::Repetition, QRect(276, 136, 70, 14)},
    {Deco::Aleatoire, QRect(276, 166, 70, 14)},
};

// A label printed at `o`, the top-left corner of its decoration's place.
void etiquette(QPainter& p, const Theme& t, Deco d, QPoint o) {
    auto ecrire = [&](int x, int y, std::string_view s) {
        texte_grave(p, o.x() + x, o.y() + y, s, t.serigraphie, t.serigraphie_ombre);
    };
    auto icone = [&](int x, int y, const Motif& m) {
        motif_grave(p, o.x() + x, o.y() + y, m, t.icone, t.serigraphie_ombre);
    };
    switch (d) {
        case Deco::Playlist:
            icone(1, 9, glyphes::liste);
            ecrire(11, 9, "PLAYLIST");
            break;
        case Deco::Volume:
            icone(0, 3, glyphes::haut_parleur);
            ecrire(13, 4, "VOLUME");
            break;
        case Deco::Balance:
            icone(0, 4, glyphes::balance);
            ecrire(13, 4, "BALANCE");
            break;
        case Deco::Repetition:
            icone(1, 3, glyphes::repetition);
            ecrire(14, 4, "REPETER");
            break;
        case Deco::Aleatoire:
            icone(1, 3, glyphes::aleatoire);
            ecrire(14, 4, "ALEATOIRE");
            break;
    }
}

// ------------------------------------------------------------ background

// A light read-out window with a recessed frame.
void lcd(QPainter& p, const Theme& t, QRect r) {
    biseau(p, r, t.biseau_sombre, t.biseau_clair);
    QRect in = r.adjusted(1, 1, -1, -1);
    QLinearGradient g(0, in.top(), 0, in.bottom());
    g.setColorAt(0, t.lcd_haut);
    g.setColorAt(1, t.lcd_bas);
    p.fillRect(in, g);
    p.fillRect(in.left(), in.top(), in.width(), 1, alpha(Qt::black, 40));
}

void rainure_gravee(QPainter& p, const Theme& t, int x0, int x1, int y) {
    p.fillRect(x0, y, x1 - x0 + 1, 1, alpha(t.biseau_sombre, 200));
    p.fillRect(x0, y + 1, x1 - x0 + 1, 1, alpha(t.biseau_clair, 160));
}

QImage peindre_fond(const Theme& t, bool etiquettes) {
    QImage img = nouvelle(350, 291);
    degrade(img, img.rect(), t.corps_haut, t.corps_bas);
    QPainter p(&img);
    // The window's outer edge (the last column lies beyond the 349-pixel strip).
    biseau(p, QRect(0, 0, 349, 291), t.biseau_clair, t.biseau_sombre);

    // Frame around the play list (8, 49, 230 x 132).
    biseau(p, QRect(6, 47, 234, 136), t.biseau_sombre, t.biseau_clair);
    p.fillRect(QRect(7, 48, 232, 134), t.liste_fond.darker(130));

    // Name plate at the top of the right column.
    {
        QFont f(famille_police());
        f.setPixelSize(15);
        f.setBold(true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
        p.setFont(f);
        antialias(p);
        QRect zone(244, 18, 100, 22);
        p.setPen(t.serigraphie_ombre);
        p.drawText(zone.translated(0, 1), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("vantrel"));
        p.setPen(t.serigraphie);
        p.drawText(zone, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("vantrel"));
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    rainure_gravee(p, t, 242, 345, 43);

    // Read-outs behind the volume and balance value labels, and the time.
    lcd(p, t, QRect(317, 47, 30, 15));
    lcd(p, t, QRect(317, 86, 30, 15));
    lcd(p, t, QRect(269, 212, 56, 22));

    // Balance scale: left, centre and right marks under the bar.
    texte(p, 240, 126, "L", t.serigraphie);
    texte(p, 337, 126, "R", t.serigraphie);
    p.fillRect(292, 126, 1, 4, t.serigraphie);

    rainure_gravee(p, t, 242, 345, 131);
    // Speaker grille beside the list buttons: staggered round holes.
    for (int j = 0; j < 5; ++j)
        for (int x = 246 + (j % 2) * 3; x <= 340; x += 6) {
            int y = 186 + j * 4;
            p.fillRect(x, y, 2, 2, alpha(t.biseau_sombre, 200));
            p.fillRect(x + 1, y + 2, 2, 1, alpha(t.biseau_clair, 110));
        }
    rainure_gravee(p, t, 242, 345, 206);
    // Above the position bar: outside the rows the position cursor covers.
    rainure_gravee(p, t, 6, 342, 237);

    if (etiquettes)
        for (auto [d, r] : kDecos) etiquette(p, t, d, r.topLeft());
    return img;
}

// ----------------------------------------------------------------- strips

QImage peindre_bac(const Theme& t, QImage sous) {
    QPainter p(&sous);
    creux_arrondi(p, QRectF(0, 0, sous.width(), sous.height()), 4, t.creux_haut, t.creux_bas,
                  alpha(t.biseau_sombre, 220), alpha(t.biseau_clair, 200));
    return sous;
}

QImage peindre_ecran(const Theme& t, QImage sous) {
    QPainter p(&sous);
    creux_arrondi(p, QRectF(0, 0, sous.width(), sous.height()), 4, t.ecran_haut, t.ecran_bas,
                  alpha(t.biseau_sombre, 230), alpha(t.biseau_clair, 200));
    if (t.lecture_cachee) {
        // No status line in this skin: a speaker grille and the name.
        for (int x = 8; x < sous.width() - 60; x += 4)
            for (int y = 5; y <= 14; y += 3) {
                int dx = ((y - 5) / 3) % 2 ? 2 : 0;
                if (x + dx < sous.width() - 62) p.fillRect(x + dx, y, 2, 2, alpha(t.serigraphie, 90));
            }
        texte_grave(p, sous.width() - 48, 8, "VANTREL", t.serigraphie, t.serigraphie_ombre);
    } else {
        // Faint scan lines.
        for (int y = 3; y < sous.height() - 2; y += 2)
            p.fillRect(2, y, sous.width() - 4, 1, alpha(Qt::white, 6));
    }
    return sous;
}

// ---------------------------------------------------------------- buttons

QImage peindre_bouton(const Theme& t, QImage sous, const Motif& m, bool allume) {
    const int l = sous.width(), h = sous.height();
    QPainter p(&sous);
    antialias(p);
    double r = std::min<double>(t.rayon, h / 2.0);
    QPainterPath bord;
    bord.addRoundedRect(QRectF(0, 0, l, h), r, r);
    p.fillPath(bord, allume ? t.contour_on : t.contour);
    QPainterPath face;
    double ri = std::max(0.0, r - 1);
    face.addRoundedRect(QRectF(1, 1, l - 2, h - 2), ri, ri);
    QLinearGradient g(0, 1, 0, h - 1);
    g.setColorAt(0, allume ? t.face_on_haut : t.face_haut);
    g.setColorAt(1, allume ? t.face_on_bas : t.face_bas);
    p.fillPath(face, g);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (!allume) {
        int marge = static_cast<int>(std::ceil(ri));
        p.fillRect(1 + marge, 1, l - 2 - 2 * marge, 1, t.reflet);
    } else {
        p.fillRect(1 + static_cast<int>(ri), 1, l - 2 - 2 * static_cast<int>(ri), 1, alpha(Qt::black, 70));
    }
    const int x = (l - largeur(m)) / 2, y = (h - hauteur(m)) / 2;
    if (allume) {
        QColor halo = alpha(t.accent, 70);
        for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) motif(p, x + dx, y + dy, m, halo);
        motif(p, x, y, m, t.accent);
    } else {
        motif_grave(p, x, y, m, t.glyphe, t.glyphe_ombre);
    }
    return sous;
}

// ------------------------------------------------------- bars and cursors

QImage peindre_barre(const Theme& t, QImage sous, bool graduee) {
    const int l = sous.width(), h = sous.height();
    QPainter p(&sous);
    if (h <= 4) {
        p.fillRect(0, 0, l, 1, t.biseau_sombre);
        p.fillRect(0, 1, l, h - 2, t.creux_haut.darker(115));
        p.fillRect(1, 1, l - 2, 1, alpha(Qt::black, 90));
        p.fillRect(0, h - 1, l, 1, t.biseau_clair);
        return sous;
    }
    creux_arrondi(p, QRectF(0, 0, l, h), h / 2.0, t.creux_haut.darker(115), t.creux_bas,
                  alpha(t.biseau_sombre, 230), alpha(t.biseau_clair, 200));
    if (graduee)
        for (int i = 1; i < 10; ++i) {
            int x = static_cast<int>(std::lround(i * (l - 1) / 10.0));
            p.fillRect(x, 3, 1, h - 5, alpha(t.serigraphie, 70));
        }
    return sous;
}

QImage peindre_curseur(const Theme& t, QImage sous, bool allume) {
    const int l = sous.width(), h = sous.height();
    QPainter p(&sous);
    antialias(p);
    QPainterPath bord;
    bord.addRoundedRect(QRectF(0, 0, l, h), 2, 2);
    p.fillPath(bord, allume ? t.contour_on : t.contour);
    QLinearGradient g(1, 0, l - 1, 0);
    QColor a = allume ? t.accent.lighter(125) : t.reflet;
    QColor b = allume ? t.accent.darker(160) : t.face_bas;
    g.setColorAt(0, a);
    g.setColorAt(0.45, melange(a, b, 0.35));
    g.setColorAt(1, b);
    p.fillRect(QRectF(1, 1, l - 2, h - 2), g);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Grip: short lines across the middle.
    QColor trait = allume ? alpha(Qt::white, 220) : alpha(t.accent, 230);
    QColor ombre = allume ? alpha(t.contour_on, 200) : alpha(t.contour, 200);
    int lignes = h >= 22 ? 3 : 2;
    int y0 = h / 2 - lignes;
    for (int i = 0; i < lignes; ++i) {
        p.fillRect(1, y0 + 2 * i, l - 2, 1, trait);
        p.fillRect(1, y0 + 2 * i + 1, l - 2, 1, ombre);
    }
    return sous;
}

// ------------------------------------------------------------------- menu

// The menu window is 75 x 250 and white where its picture does not reach:
// a picture smaller than that fades to white at its right and bottom edges.
QImage peindre_fond_menu(const Theme& t, int l, int h) {
    const bool complet = l >= 75 && h >= 250;
    QImage img = nouvelle(l, h);
    degrade(img, QRect(0, 0, l, h), t.menu_haut, complet ? t.menu_bas : QColor(Qt::white));
    // Behind each entry a band of a middle tone, on which the entries read
    // both in black and, under the pointer, in white: one band per entry,
    // between the dividers, lighter at its top.
    const int limites[] = {3, 36, 80, 119, 160, 200, h - 3};
    for (std::size_t i = 0; i + 1 < std::size(limites); ++i) {
        const int haut = limites[i] + 2, bas = std::min(limites[i + 1] - 1, h - 4);
        if (bas <= haut) continue;
        const int droite = complet ? l - 3 : l;
        degrade(img, QRect(5, haut, droite - 5, bas - haut + 1), t.menu_bande_haut, t.menu_bande_bas);
    }
    QPainter p(&img);
    QLinearGradient barre(0, 3, 0, h - 3);
    barre.setColorAt(0, alpha(t.accent, 170));
    barre.setColorAt(1, alpha(t.accent, complet ? 170 : 0));
    p.fillRect(2, 3, 2, h - 6, barre);
    for (int y : {36, 80, 119, 160, 200})
        if (y + 1 < h) {
            QLinearGradient trait(7, 0, l - 6, 0);
            trait.setColorAt(0, t.menu_trait);
            trait.setColorAt(0.7, t.menu_trait);
            trait.setColorAt(1, complet ? t.menu_trait : QColor(Qt::white));
            p.fillRect(7, y, l - 13, 1, trait);
            p.fillRect(7, y + 1, l - 13, 1, alpha(Qt::white, 200));
        }
    return img;
}

// ----------------------------------------------------------- the whole set

struct Bouton {
    int valeur_off, valeur_on;
    const Motif* motif;
};

}  // namespace

QString famille_police() {
    static QString famille = [] {
        for (const char* f : {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
                              "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"}) {
            int id = QFontDatabase::addApplicationFont(QString::fromLatin1(f));
            if (id >= 0) {
                QStringList fam = QFontDatabase::applicationFontFamilies(id);
                if (!fam.isEmpty()) return fam.front();
            }
        }
        return QStringLiteral("Sans");
    }();
    return famille;
}

QRect place(std::string_view element) {
    for (const vt::Element& e : vt::kElementsSkin)
        if (e.nom == element) return QRect(e.x, e.y, e.largeur, e.hauteur);
    for (const vt::Element& e : vt::kElementsFixes)
        if (e.nom == element) return QRect(e.x, e.y, e.largeur, e.hauteur);
    return {};
}

namespace {

// The first element of a row: the name of the row's file.
std::string fichier(int valeur) {
    for (const vt::Element& e : vt::kElementsSkin)
        if (e.valeur == valeur) return std::string(e.nom);
    return {};
}

// The visible element of a row (the one inside the window).
QRect place_visible(int valeur) {
    for (const vt::Element& e : vt::kElementsSkin)
        if (e.valeur == valeur && e.x < 391) return QRect(e.x, e.y, e.largeur, e.hauteur);
    return {};
}

}  // namespace

Jeu peindre_jeu(const Theme& t, Variante v) {
    Jeu jeu;
    const bool integree = v == Variante::Integree;
    const QImage fond_nu = peindre_fond(t, false);
    const QImage fond = integree ? peindre_fond(t, true) : fond_nu;
    jeu[fichier(22)] = fond;

    // Strips, then the scene the buttons are cut from.
    QImage scene = fond;
    QImage liste = peindre_bac(t, crop(fond, place("image_fond_liste")));
    QImage play = peindre_bac(t, crop(fond, place("image_fond_play")));
    QImage lecture = peindre_ecran(t, crop(fond, place("image_fond_lecture")));
    jeu[fichier(24)] = liste;
    jeu[fichier(25)] = play;
    jeu[fichier(23)] = lecture;
    {
        QPainter p(&scene);
        p.drawImage(place("image_fond_play").topLeft(), play);
        p.drawImage(place("image_fond_liste").topLeft(), liste);
    }

    const Bouton boutons[] = {
        {2, 3, &glyphes::plus},      {4, 5, &glyphes::precedent}, {16, 17, &glyphes::corbeille},
        {18, 19, &glyphes::moins},   {20, 21, &glyphes::bas},     {26, 27, &glyphes::disquette},
        {28, 29, &glyphes::suivant}, {30, 31, &glyphes::pause},   {32, 33, &glyphes::lecture},
        {35, 36, &glyphes::arret},   {37, 38, &glyphes::haut},
    };
    for (const Bouton& b : boutons) {
        QImage sous = crop(scene, place_visible(b.valeur_off));
        jeu[fichier(b.valeur_off)] = peindre_bouton(t, sous, *b.motif, false);
        jeu[fichier(b.valeur_on)] = peindre_bouton(t, sous, *b.motif, true);
    }

    // Bars and their cursors (cut where they rest; the rows are uniform).
    jeu[fichier(7)] = peindre_barre(t, crop(fond, place("barre_balance")), false);
    jeu[fichier(9)] = peindre_barre(t, crop(fond, place("barre_volume")), false);
    jeu[fichier(8)] = peindre_barre(t, crop(fond, place("barre_position")), true);
    for (auto [off, on, nom] :
         {std::tuple{10, 11, "curseur_balance"}, {12, 13, "curseur_volume"}, {14, 15, "curseur_position"}}) {
        QImage sous = crop(fond, place(nom));
        jeu[fichier(off)] = peindre_curseur(t, sous, false);
        jeu[fichier(on)] = peindre_curseur(t, sous, true);
    }

    // Decorations: none in the built-in look (one pixel of the background).
    const std::pair<int, Deco> decos[] = {{34, Deco::Playlist},
                                          {39, Deco::Volume},
                                          {6, Deco::Balance},
                                          {40, Deco::Repetition},
                                          {41, Deco::Aleatoire}};
    for (auto [valeur, d] : decos) {
        QRect r;
        for (auto [dd, rr] : kDecos)
            if (dd == d) r = rr;
        if (integree) {
            jeu[fichier(valeur)] = crop(fond, QRect(r.topLeft(), QSize(1, 1)));
        } else {
            QImage img = crop(fond_nu, r);
            QPainter p(&img);
            etiquette(p, t, d, QPoint(0, 0));
            jeu[fichier(valeur)] = img;
        }
    }

    jeu[fichier(42)] = integree ? peindre_fond_menu(t, 66, 104) : peindre_fond_menu(t, 75, 250);

    QImage couleurs = nouvelle(3, 1);
    couleurs.setPixelColor(0, 0, t.liste_fond);
    couleurs.setPixelColor(1, 0, t.liste_texte);
    couleurs.setPixelColor(2, 0, t.lecture_texte);
    jeu["couleurs"] = couleurs;
    return jeu;
}

Jeu peindre_barre_titre() {
    const Theme t = theme_graphite();
    QImage barre = nouvelle(349, 12);
    degrade(barre, barre.rect(), rgb(0x30343b), rgb(0x1b1e23));
    {
        QPainter p(&barre);
        p.fillRect(0, 0, 349, 1, rgb(0x4a5059));
        p.fillRect(0, 11, 349, 1, rgb(0x0c0d10));
        p.fillRect(0, 10, 349, 1, alpha(t.accent, 60));
        std::string_view titre = "VANTREL";
        int lt = largeur_texte(titre);
        int x = (349 - lt) / 2;
        p.fillRect(x - 6, 5, 2, 2, t.accent);
        p.fillRect(x + lt + 4, 5, 2, 2, t.accent);
        texte_grave(p, x, 3, titre, rgb(0xb4bcc7), rgb(0x0e1013));
    }
    Jeu jeu;
    auto bouton = [&](std::string_view nom, const Motif& m, QColor c, int dy = 0) {
        QRect r = place(nom);
        QImage img = crop(barre, r);
        QPainter p(&img);
        motif_grave(p, (r.width() - largeur(m)) / 2, (r.height() - hauteur(m)) / 2 + dy, m, c, rgb(0x0b0c0e));
        jeu[std::string(nom)] = img;
    };
    {
        // Menu button: a rounded plate with the menu glyph and its name.
        QRect r = place("Image_menu");
        QImage img = crop(barre, r);
        QPainter p(&img);
        antialias(p);
        QPainterPath plaque;
        plaque.addRoundedRect(QRectF(0, 0, r.width(), r.height()), 2, 2);
        p.fillPath(plaque, rgb(0x3f444d));
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(2, 0, r.width() - 4, 1, rgb(0x5a616b));
        motif(p, 3, 1, glyphes::menu, t.accent);
        texte(p, 10, 1, "MENU", rgb(0xdde3ea));
        jeu["Image_menu"] = img;
    }
    bouton("tray_image", glyphes::tray, rgb(0xc3cad3));
    bouton("image_reduire", glyphes::reduire, rgb(0xc3cad3));
    bouton("image_quitter", glyphes::quitter, rgb(0xf07070), 0);
    jeu["image_barre"] = barre;
    return jeu;
}

// ------------------------------------------------------- about and icon

QImage peindre_about_fond() {
    const Theme t = theme_graphite();
    QImage img = nouvelle(641, 516);
    degrade(img, img.rect(), rgb(0x1d2940), rgb(0x080b12));
    QPainter p(&img);
    antialias(p);
    // Sound waves spreading from the logo (centre of the visible logo frame).
    const QPointF centre(121 + 174.5, 48);
    for (int i = 1; i <= 16; ++i) {
        double r = 60.0 + i * 26.0;
        QPen pen(alpha(t.accent, std::max(6, 46 - i * 2)), i % 4 == 0 ? 2.0 : 1.0);
        p.setPen(pen);
        p.drawEllipse(centre, r * 1.6, r);
    }
    // A faint dotted grid over the lower half.
    p.setPen(Qt::NoPen);
    for (int y = 150; y < 516; y += 12)
        for (int x = 3; x < 641; x += 12) p.fillRect(QRectF(x, y, 1.5, 1.5), alpha(Qt::white, 10));
    // Thin accent rules framing the visible part.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(121, 436, 387, 2, alpha(t.accent, 140));
    p.fillRect(121, 100, 387, 1, alpha(t.accent, 60));
    return img;
}

QImage peindre_about_logo() {
    const Theme t = theme_graphite();
    QImage img = nouvelle(200, 37, Qt::black);
    QPainter p(&img);
    antialias(p);
    // Equaliser bars.
    const int hauteurs[] = {10, 18, 26, 14, 22};
    for (int i = 0; i < 5; ++i) {
        QRectF r(10 + i * 7, 31 - hauteurs[i], 5, hauteurs[i]);
        QLinearGradient g(0, r.top(), 0, r.bottom());
        g.setColorAt(0, t.accent.lighter(130));
        g.setColorAt(1, t.accent.darker(170));
        p.fillRect(r, g);
    }
    QFont f(famille_police());
    f.setPixelSize(30);
    f.setBold(true);
    p.setFont(f);
    QLinearGradient g(0, 4, 0, 33);
    g.setColorAt(0, rgb(0xffffff));
    g.setColorAt(1, rgb(0xaab6c4));
    p.setPen(QPen(QBrush(g), 1));
    p.drawText(QRect(50, 0, 146, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("vantrel"));
    p.fillRect(QRectF(10, 33, 182, 1), alpha(t.accent, 150));
    return img;
}

QImage peindre_icone(int taille) {
    const Theme t = theme_graphite();
    QImage img(taille, taille, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    antialias(p);
    const double s = taille / 64.0;
    QPainterPath carre;
    carre.addRoundedRect(QRectF(1 * s, 1 * s, 62 * s, 62 * s), 13 * s, 13 * s);
    QLinearGradient g(0, 0, 0, taille);
    g.setColorAt(0, rgb(0x4a505a));
    g.setColorAt(1, rgb(0x1f2227));
    p.fillPath(carre, g);
    p.setPen(QPen(rgb(0x0e1013), 1.5 * s));
    p.drawPath(carre);
    p.setPen(QPen(alpha(Qt::white, 50), 1.0 * s));
    QPainterPath reflet;
    reflet.addRoundedRect(QRectF(3 * s, 3 * s, 58 * s, 58 * s), 11 * s, 11 * s);
    p.drawPath(reflet);
    if (taille <= 16) {
        // Small sizes: the same figure drawn on whole pixels, as smoothing
        // would turn a triangle and two arcs a few pixels wide into a blur.
        const int h = (taille / 2) & ~1;  // triangle height, even
        const int y0 = (taille - h) / 2, x0 = taille / 4;
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int r = 0; r < h; ++r) {
            const int largeur = std::min(r, h - 1 - r) + 1;
            const QColor c = r < h / 2 ? t.accent.lighter(120) : t.accent;
            p.fillRect(x0, y0 + r, largeur, 1, c);
        }
        // Two arcs: columns of pixels with their ends stepped back.
        for (int i = 0; i < 2; ++i) {
            const int x = x0 + h / 2 + 2 + 2 * i, haut = y0 + 2 - i, bas = y0 + h - 3 + i;
            p.fillRect(x, haut + 1, 1, bas - haut - 1, t.accent);
            p.fillRect(x - 1, haut, 1, 1, t.accent);
            p.fillRect(x - 1, bas, 1, 1, t.accent);
        }
        return img;
    }
    // Play triangle with two sound arcs.
    QPainterPath tri;
    tri.moveTo(18 * s, 17 * s);
    tri.lineTo(40 * s, 32 * s);
    tri.lineTo(18 * s, 47 * s);
    tri.closeSubpath();
    QLinearGradient ga(0, 17 * s, 0, 47 * s);
    ga.setColorAt(0, t.accent.lighter(120));
    ga.setColorAt(1, t.accent.darker(130));
    p.setPen(Qt::NoPen);
    p.fillPath(tri, ga);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 2; ++i) {
        p.setPen(QPen(t.accent, 3.2 * s, Qt::SolidLine, Qt::RoundCap));
        double r = (10 + i * 7) * s;
        p.drawArc(QRectF(34 * s - r, 32 * s - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
    return img;
}

// ----------------------------------------------------------------- themes

Theme theme_graphite() {
    Theme t;
    t.corps_haut = rgb(0x454a53);
    t.corps_bas = rgb(0x26292f);
    t.biseau_clair = rgb(0x646a75);
    t.biseau_sombre = rgb(0x111316);
    t.creux_haut = rgb(0x181a1e);
    t.creux_bas = rgb(0x24272c);
    t.face_haut = rgb(0x5b616c);
    t.face_bas = rgb(0x393d45);
    t.contour = rgb(0x0f1114);
    t.reflet = rgb(0x7c8490);
    t.face_on_haut = rgb(0x0f1d25);
    t.face_on_bas = rgb(0x1c3c4c);
    t.contour_on = rgb(0x081015);
    t.glyphe = rgb(0xe2e7ed);
    t.glyphe_ombre = rgb(0x1c1f23);
    t.accent = rgb(0x4fd0ff);
    t.serigraphie = rgb(0xa3acb8);
    t.serigraphie_ombre = rgb(0x1a1c20);
    t.icone = rgb(0x4fd0ff);
    t.lcd_haut = rgb(0xbfcbd2);
    t.lcd_bas = rgb(0xa4b3bc);
    t.ecran_haut = rgb(0x0a0d10);
    t.ecran_bas = rgb(0x141a20);
    t.liste_fond = rgb(0x121519);
    t.liste_texte = rgb(0xc9d2dc);
    t.lecture_texte = rgb(0x4fd0ff);
    t.menu_haut = rgb(0xf8fafc);
    t.menu_bas = rgb(0xdde3ea);
    t.menu_trait = rgb(0xbcc4ce);
    t.menu_bande_haut = rgb(0x7d8896);
    t.menu_bande_bas = rgb(0x6b7683);
    t.rayon = 2;
    return t;
}

Theme theme_ivoire() {
    Theme t;
    t.corps_haut = rgb(0xf4eee2);
    t.corps_bas = rgb(0xd8cdb9);
    t.biseau_clair = rgb(0xfffcf5);
    t.biseau_sombre = rgb(0x9d907a);
    t.creux_haut = rgb(0xc7bba4);
    t.creux_bas = rgb(0xdcd2bf);
    t.face_haut = rgb(0xfffbf3);
    t.face_bas = rgb(0xe4d9c6);
    t.contour = rgb(0x8a7c66);
    t.reflet = rgb(0xffffff);
    t.face_on_haut = rgb(0xd9a77a);
    t.face_on_bas = rgb(0xf3d6b8);
    t.contour_on = rgb(0x7c4a1e);
    t.glyphe = rgb(0x4b3b2b);
    t.glyphe_ombre = rgb(0xffffff);
    t.accent = rgb(0xb4501a);
    t.serigraphie = rgb(0x6f604c);
    t.serigraphie_ombre = rgb(0xfffaf0);
    t.icone = rgb(0xb4501a);
    t.lcd_haut = rgb(0xfdfaf3);
    t.lcd_bas = rgb(0xefe7d7);
    t.ecran_haut = rgb(0xcfc3ad);
    t.ecran_bas = rgb(0xe2d9c8);
    t.liste_fond = rgb(0xfbf8f1);
    t.liste_texte = rgb(0x3b2f23);
    t.lecture_texte = rgb(0x8a4b1a);
    t.menu_haut = rgb(0xfffbf3);
    t.menu_bas = rgb(0xeee4d2);
    t.menu_trait = rgb(0xcdbfa6);
    t.menu_bande_haut = rgb(0x8f7d64);
    t.menu_bande_bas = rgb(0x7d6c55);
    t.rayon = 7;
    t.lecture_cachee = true;
    return t;
}

}  // namespace peintre
