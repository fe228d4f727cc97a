// The descriptions of the main window, the menu, the save window and the
// options window for screen readers and the keyboard (see accessibilite.h).
#include "ui/accessibilite.h"
#include "ui/curseurs.h"

#include "ui/module.h"
#include "ui/tform1.h"
#include "ui/tform2.h"
#include "ui/tform3.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"

#include <QAccessible>

#include <memory>

namespace vt {

namespace {

// Sets the volume or balance to the value of the place a hand would put
// the cursor at for the value asked for (offset_vise): the player takes it
// and sends it to the channel, and its signal moves the cursor there and
// announces it.
void regler_niveau(TForm1& f, ModuleVantrel& m, bool volume, int demande) {
    ImageVt* curseur = volume ? f.curseur_volume : f.curseur_balance;
    ImageVt* barre = volume ? f.barre_volume : f.barre_balance;
    const int span = barre->width() - curseur->width();
    const int actuel = curseur->x() - barre->x();
    Lecteur& j = *m.joueur;
    const int valeur = volume ? j.volume() : j.balance();
    int v = valeur_curseur(offset_vise(demande, valeur, actuel, span, 255), span);
    // On a bar wider than 255 pixels a pixel may not change the value: a
    // value asked for that differs still moves it by one.
    if (v == valeur && demande != valeur) v += demande > valeur ? 1 : -1;
    if (volume) j.definir_volume(v);
    else j.definir_balance(v);
}

// The position in whole seconds of the current track; 0 when none.
int secondes(const ModuleVantrel& m) { return static_cast<int>(m.joueur->temps_ms() / 1000); }

// Seeks as a drag of the position cursor to the place nearest the time
// asked for does: only while a track plays, the channel silenced during the
// seek; the player's signal moves the cursor.
void regler_position(TForm1& f, ModuleVantrel& m, int demande_s) {
    Lecteur& j = *m.joueur;
    if (!j.en_lecture()) return;
    const int span = f.barre_position->width() - f.curseur_position->width();
    const int actuel = f.curseur_position->x() - f.barre_position->x();
    const std::int64_t T = j.longueur_ms();
    const int offset = offset_vise(std::int64_t{demande_s} * 1000, std::int64_t{secondes(m)} * 1000, actuel, span, T);
    j.couper(true);
    j.aller_a_ms(cible_position(offset, span, T));
    j.couper(false);
}

}  // namespace

void rendre_accessible(TForm1& f, ModuleVantrel& m) {
    decrire_fenetre(&f);

    const std::pair<ImageVt*, const char*> boutons[] = {
        {f.image_back, "Précédent"},
        {f.image_play, "Lecture"},
        {f.image_pause, "Pause"},
        {f.image_stop, "Stop"},
        {f.image_next, "Suivant"},
        {f.image_add, "Ajouter"},
        {f.image_del, "Supprimer"},
        {f.image_del_all, "Vider la liste"},
        {f.image_info, "Enregistrer la playlist"},
        {f.image_up, "Monter"},
        {f.image_down, "Descendre"},
        {f.Image_menu, "Menu"},
        {f.tray_image, "Zone de notification"},
        {f.image_reduire, "Réduire"},
        {f.image_quitter, "Fermer"},
    };
    for (const auto& [w, nom] : boutons) decrire_bouton(w, QString::fromUtf8(nom));

    decrire_glissiere(f.barre_volume, QStringLiteral("Volume"),
                      {[&m] { return m.joueur->volume(); }, [] { return 255; },
                       [&f, &m](int v) { regler_niveau(f, m, true, v); }, 1});
    decrire_glissiere(f.barre_balance, QStringLiteral("Balance"),
                      {[&m] { return m.joueur->balance(); }, [] { return 255; },
                       [&f, &m](int v) { regler_niveau(f, m, false, v); }, 1});
    decrire_glissiere(f.barre_position, QStringLiteral("Position"),
                      {[&m] { return secondes(m); },
                       [&m] { return static_cast<int>(m.joueur->longueur_ms() / 1000); },
                       [&f, &m](int s) { regler_position(f, m, s); }, 5});

    // The status line reads the status text whole, not its scrolled copy.
    // Its own name is set so that the label stops reporting every scroll
    // step; the status text is reported when it changes (below).
    decrire_texte(f.label_lecture, [&f] { return f.label_affiche->text(); }, QStringLiteral("Statut"));
    f.label_lecture->setAccessibleName(QStringLiteral("statut"));
    for (QWidget* w : {f.label_affiche, f.label_vol, f.label_bal, f.label_total}) cacher(w);

    decrire_liste(f.list_lecture, QStringLiteral("Liste de lecture"));
    f.Comboplaylist->setAccessibleName(QStringLiteral("Playlists"));
    f.check_repeat->setAccessibleName(QStringLiteral("Répéter"));
    f.check_random->setAccessibleName(QStringLiteral("Aléatoire"));

    // Tab reads the window as it is laid out: the selector (which takes the
    // focus when the window is first activated), the list and its buttons,
    // the transport, the position, volume and balance sliders, the boxes,
    // then the window's own buttons.
    ordonner_tabulation({f.Comboplaylist, f.list_lecture, f.image_add,    f.image_del,      f.image_del_all,
                         f.image_info,    f.image_up,     f.image_down,   f.image_back,     f.image_play,
                         f.image_pause,   f.image_stop,   f.image_next,   f.barre_position, f.barre_volume,
                         f.barre_balance, f.check_repeat, f.check_random, f.Image_menu,     f.tray_image,
                         f.image_reduire, f.image_quitter});

    // Announcements: the levels as the player takes them, the position as
    // its whole second changes, the status text as it changes.
    Lecteur& j = *m.joueur;
    QObject::connect(&j, &Lecteur::volume_change, &f, [&f] { annoncer_valeur(f.barre_volume); });
    QObject::connect(&j, &Lecteur::balance_change, &f, [&f] { annoncer_valeur(f.barre_balance); });
    auto suivi = std::make_shared<std::pair<int, QString>>(0, f.label_affiche->text());
    auto verifier = [&f, &m, suivi] {
        if (const int s = secondes(m); s != suivi->first) {
            suivi->first = s;
            annoncer_valeur(f.barre_position);
        }
        if (const QString t = f.label_affiche->text(); t != suivi->second) {
            suivi->second = t;
            annoncer_texte(f.label_lecture);
        }
    };
    QObject::connect(&j, &Lecteur::tic_fini, &f, verifier);
    for (auto signal : {&Lecteur::mise_en_pause, &Lecteur::arret, &Lecteur::position_changee})
        QObject::connect(&j, signal, &f, verifier);
    QObject::connect(&j, &Lecteur::lecture, &f, verifier);
}

void rendre_accessibles(TForm1& principale, TForm2& menu, TForm3& sauvegarde, TForm4& options,
                        TForm5& a_propos, TForm6& informations) {
    // Escape closes the menu and gives the keyboard back to its button.
    decrire_fenetre(&menu, QStringLiteral("Menu"), [&principale] {
        principale.cacher_menu();
        donner_clavier(&principale, principale.Image_menu);
    });
    // "Enregistrer" and "playlist" make one entry.
    decrire_bouton(menu.label_enr_playlist, QStringLiteral("Enregistrer playlist"));
    cacher(menu.Label3);
    for (LabelVt* l : {menu.label_ouvrir, menu.label_option, menu.Label1, menu.Label2, menu.label_quitter})
        decrire_bouton(l, l->text());

    // Escape closes the save, options, about and information windows as
    // their close button does, and gives the keyboard back to the main
    // window.
    auto fermer = [&principale](QWidget* fenetre) {
        return [&principale, fenetre] {
            fenetre->close();
            if (principale.isVisible()) principale.activateWindow();
        };
    };
    decrire_fenetre(&sauvegarde, {}, fermer(&sauvegarde));
    for (LabelVt* l : {sauvegarde.label_ajouter, sauvegarde.label_supprimer, sauvegarde.label_monter,
                       sauvegarde.label_descendre, sauvegarde.label_enregistre})
        decrire_bouton(l, l->text());
    decrire_liste(sauvegarde.liste_lecture_en_cours, QStringLiteral("Playlist en cours"));

    decrire_fenetre(&options, {}, fermer(&options));
    decrire_fenetre(&a_propos, {}, fermer(&a_propos));
    decrire_fenetre(&informations, {}, fermer(&informations));
    decrire_bouton(options.label_skinmod, options.label_skinmod->text(), QStringLiteral("Modifier le skin"));
    decrire_bouton(options.label_modplaylist, options.label_modplaylist->text(),
                   QStringLiteral("Modifier le répertoire des playlists"));
    for (LabelVt* l : {options.label_ok, options.label_annuler, options.label_pardefaut}) decrire_bouton(l, l->text());
    // The box keeps the focus it takes when the window turns active; the
    // actions follow it.
    ordonner_tabulation({options.check_boucle, options.label_ok, options.label_annuler, options.label_pardefaut,
                         options.label_skinmod, options.label_modplaylist});
}

}  // namespace vt
