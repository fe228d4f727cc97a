// The descriptions of the main window, the menu, the save window and the
// options window for screen readers and the keyboard (see accessibilite.h).
#include "ui/accessibilite.h"

#include "player/porte_lecteur.h"
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

// The position in whole seconds of the current track; 0 when none.
int secondes(const PorteLecteur& j) { return static_cast<int>(j.temps_ms() / 1000); }

// The status line's description: what plays, whatever row is selected.
QString description_statut(const PorteLecteur& j) {
    const std::optional<PisteJouee> p = j.piste_jouee();
    if (!p || !(j.en_lecture() || j.en_pause())) return QStringLiteral("Statut");
    return (j.en_pause() ? QStringLiteral("Statut, en pause : ") : QStringLiteral("Statut, en lecture : ")) +
           p->nom;
}

}  // namespace

void rendre_accessible(TForm1& f, PorteLecteur& j) {
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

    // The sliders set the player's values in its own units (levels 0..255,
    // the position in seconds); its signals move the cursors.
    decrire_glissiere(
        f.barre_volume, QStringLiteral("Volume"),
        {[&j] { return j.volume(); }, [] { return 255; }, [&j](int v) { j.definir_volume(v); }, 1});
    decrire_glissiere(
        f.barre_balance, QStringLiteral("Balance"),
        {[&j] { return j.balance(); }, [] { return 255; }, [&j](int v) { j.definir_balance(v); }, 1});
    decrire_glissiere(
        f.barre_position, QStringLiteral("Position"),
        {[&j] { return secondes(j); }, [&j] { return static_cast<int>(j.longueur_ms() / 1000); },
         [&j](int s) { j.aller_a_ms(std::int64_t{s} * 1000); }, 5});

    // The status line reads the status text whole, not its scrolled copy,
    // and its description names the entry that plays. Its own name is set
    // so that the label stops reporting every scroll step; the status text
    // is reported when it changes (below).
    decrire_texte(
        f.label_lecture, [&f] { return f.label_affiche->text(); }, [&j] { return description_statut(j); });
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
    QObject::connect(&j, &PorteLecteur::volume_change, &f, [&f] { annoncer_valeur(f.barre_volume); });
    QObject::connect(&j, &PorteLecteur::balance_change, &f, [&f] { annoncer_valeur(f.barre_balance); });
    auto suivi = std::make_shared<std::pair<int, QString>>(0, f.label_affiche->text());
    auto verifier = [&f, &j, suivi] {
        if (const int s = secondes(j); s != suivi->first) {
            suivi->first = s;
            annoncer_valeur(f.barre_position);
        }
        if (const QString t = f.label_affiche->text(); t != suivi->second) {
            suivi->second = t;
            annoncer_texte(f.label_lecture);
        }
    };
    QObject::connect(&j, &PorteLecteur::tic_fini, &f, verifier);
    for (auto signal : {&PorteLecteur::mise_en_pause, &PorteLecteur::arret, &PorteLecteur::position_changee})
        QObject::connect(&j, signal, &f, verifier);
    for (auto signal : {&PorteLecteur::lecture, &PorteLecteur::lecture_impossible})
        QObject::connect(&j, signal, &f, verifier);
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
    for (LabelVt* l : {options.label_ok, options.label_annuler, options.label_pardefaut})
        decrire_bouton(l, l->text());
    // The box keeps the focus it takes when the window turns active; the
    // actions follow it.
    ordonner_tabulation({options.check_boucle, options.label_ok, options.label_annuler,
                         options.label_pardefaut, options.label_skinmod, options.label_modplaylist});
}

}  // namespace vt
