#include "ui/tform1.h"

#include "player/porte_lecteur.h"
#include "player/regles.h"
#include "playlist/liste_courante.h"
#include "skin/aspect_integre.h"
#include "ui/actions.h"
#include "ui/curseurs_lecteur.h"
#include "ui/deplacement.h"
#include "ui/dialogues.h"
#include "ui/ecrans.h"
#include "ui/entrees_fichiers.h"
#include "ui/ligne_statut.h"
#include "ui/place_ecran.h"
#include "ui/selecteur_playlists.h"
#include "ui/session.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

#include <utility>

using vt::ImageVt;

namespace {}  // namespace

TForm1::TForm1(const vt::ServicesFenetres& services)
    : QWidget(nullptr), services_(services), porte_(services.porte), liste_(services.liste) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("vantrel"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    resize(669, 403);
    move(vt::kGaucheDefaut, vt::kHautDefaut);
    construire();
    brancher();
    brancher_gestes();
    FormCreate();
    // The texts, last: the fonts have been loading meanwhile on the
    // start-up's second thread. label_affiche, never shown, takes the size
    // of its first text.
    Comboplaylist->setFont(vt::police("MS Sans Serif", 11, false));
    Comboplaylist->addItem(vt::SelecteurPlaylists::kConfigManquante);
    Comboplaylist->setCurrentIndex(-1);
    label_vol->setText(QStringLiteral("255"));
    label_bal->setText(QStringLiteral("128"));
    afficher_temps(label_temps, QStringLiteral("00 : 00"));
    afficher_temps(label_total, QStringLiteral("00 : 00"));
    label_affiche->setText(statut_->texte());
    label_affiche->adjustSize();
}

TForm1::~TForm1() { setAcceptDrops(false); }

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate() {
    setAcceptDrops(true);
    const std::optional<vt::ValeursConfig> config = services_.lire_reglages();
    QPoint place = pos();
    if (!config) {
        vt::dialogues().message(QStringLiteral("erreur !"),
                                QStringLiteral("Fichier de config manquant ! chargement par default ... "));
    } else {
        const vt::ValeursConfig& v = *config;
        vt::ChargeurSkin chargeur;
        const vt::ResultatSkin r = chargeur.charger(v.chemin_skin, v.rep_skin, *this);
        for (const auto& [legende, texte] : chargeur.messages) vt::dialogues().message(legende, texte);
        completer_aspect_integre();
        if (r == vt::ResultatSkin::ImageIllisible) {
            // The rest of the sequence is skipped, as after any failed
            // picture; the player takes the values where the cursors stand.
            services_.retenir_niveaux(curseurs_->volume(), curseurs_->balance());
            montrer_etat_transport();
            return;
        }
        place = QPoint(v.gauche, v.haut);
    }
    completer_aspect_integre();
    setFixedSize(image_barre->width(), image_fond_lecture->y() + image_fond_lecture->height() + 7);
    // At start, a stored place that a removed monitor or another scale
    // leaves out of reach (no part of the title strip on any screen) comes
    // back inside the nearest screen; any other stored place holds exactly.
    // Only the window moves: the configuration is written at close, as
    // ever. A later run (Apply) keeps the place the user dragged it to.
    // The check comes before the window is given the place: numbers beyond
    // any screen (up to the 32-bit limits) never reach the window system.
    if (!std::exchange(place_verifiee_, true))
        place = vt::place_visible(place, size(), image_barre->height(), vt::zones_ecrans());
    move(place);
    curseurs_->mettre_au_depart();
    // The player takes the values the cursors now show; a playing channel
    // keeps its own until the next track or the next slider move.
    services_.retenir_niveaux(curseurs_->volume(), curseurs_->balance());
    montrer_etat_transport();
}

void TForm1::relire_reglages() {
    FormCreate();
    selecteur_->remplir(services_.dossier_playlist_lu());
}

void TForm1::montrer_etat_transport() {
    const bool pause = porte_.en_pause();
    const bool lecture = !pause && porte_.en_lecture();
    if (pause || lecture) eclairer_transport(lecture, pause);
}

// The one place the play and pause buttons are lit.
void TForm1::eclairer_transport(bool lecture, bool pause) {
    for (auto [bouton, source] : {std::pair{image_play, lecture ? "image_playon" : "image_playoff"},
                                  {image_pause, pause ? "image_pauseon" : "image_pauseoff"}})
        if (const ImageVt* e = element(source); e && bouton->image().cacheKey() != e->image().cacheKey())
            montrer(bouton, source);
}

void TForm1::completer_aspect_integre() {
    // Only the first run finds elements without a picture: the built-in look
    // is decoded for what the skin did not give, and not for the rest.
    for (auto& [nom, w] : elements_)
        if (w->image().isNull()) w->definir(vt::image_integree(nom));
}

void TForm1::montrer_label_lecture(bool visible) { label_lecture->setVisible(visible); }

// ---------------------------------------------------------------- selection

int TForm1::index_courant() const { return porte_.courant(); }

void TForm1::selectionner(int ligne) { porte_.selectionner(ligne); }

// ---------------------------------------------------------------- transport

void TForm1::brancher_lecteur() {
    // What the player did, whichever front end asked: the status line and
    // the buttons follow its presenter; the time and position reset here.
    statut_ = new vt::LigneStatut(porte_, liste_, this);
    connect(statut_, &vt::LigneStatut::texte_change, label_affiche, &vt::LabelVt::setText);
    connect(statut_, &vt::LigneStatut::defile, label_lecture, &vt::LabelVt::setText);
    connect(statut_, &vt::LigneStatut::transport, this, &TForm1::eclairer_transport);
    connect(&porte_, &vt::PorteLecteur::arret, this, &TForm1::remettre_temps);
    connect(&porte_, &vt::PorteLecteur::lecture_impossible, this, &TForm1::remettre_temps);
    connect(&porte_, &vt::PorteLecteur::selection_changee, this, [this](int ligne) {
        if (ligne >= 0) list_lecture->scrollTo(liste_.index(ligne, 0));
    });
    // Modes set elsewhere (the media keys, a test): the boxes follow.
    // The clock's tick: the display work first, then the button the end of
    // a track acted as.
    connect(&porte_, &vt::PorteLecteur::progression, this, &TForm1::Timer1Timer);
    connect(&porte_, &vt::PorteLecteur::fin_de_piste, this, [this](vt::PorteLecteur::Fin fin) {
        if (fin == vt::PorteLecteur::Fin::EntreeSuivante)
            montrer(image_next, "image_nextoff");
        else if (fin == vt::PorteLecteur::Fin::Arret)
            montrer(image_stop, "image_stopoff");
    });
    connect(&porte_, &vt::PorteLecteur::modes_changes, this, [this] {
        check_repeat->setChecked(porte_.repetition());
        check_random->setChecked(porte_.aleatoire());
    });
    // A command given elsewhere (the notification-area menu) leaves its
    // button unlit, as no release follows; the buttons light after it.
    const vt::Actions& a = services_.actions;
    connect(a.arreter, &QAction::triggered, this, [this] { montrer(image_stop, "image_stopoff"); });
    connect(a.suivant, &QAction::triggered, this, [this] { montrer(image_next, "image_nextoff"); });
    connect(a.precedent, &QAction::triggered, this, [this] { montrer(image_back, "image_backoff"); });
}

void TForm1::list_lectureDblClick() { porte_.relancer(); }

void TForm1::list_lectureClick() { statut_->ligne_choisie(index_courant()); }

void TForm1::remettre_temps() {
    afficher_temps(label_temps, QStringLiteral("00 : 00"));
    curseurs_->placer_position(0, 0);
}

// ---------------------------------------------------------------- play list

// The edits are the play list's; the window only reads the current entry.
void TForm1::deposer(const std::vector<std::string>& chemins) { vt::ajouter_deposes(liste_, chemins); }

void TForm1::image_del_allClick() { services_.actions.vider->trigger(); }

// The pointer (or a drag) coming over the window is the first sign that
// something will be played: the engine starts loading then, in the
// background, so that the first play does not wait for it.
void TForm1::enterEvent(QEnterEvent* e) {
    services_.preparer_moteur();
    QWidget::enterEvent(e);
}

void TForm1::dragEnterEvent(QDragEnterEvent* e) {
    services_.preparer_moteur();
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* e) {
    // The names come as the drop's bytes: a URL turned into text would lose
    // those that are not UTF-8.
    const QMimeData* donnees = e->mimeData();
    QByteArray uri_list = donnees->data(QStringLiteral("text/uri-list"));
    if (uri_list.isEmpty())
        for (const QUrl& u : donnees->urls()) uri_list += u.toEncoded() + "\r\n";
    deposer(vt::chemins_uri_list(uri_list));
    e->acceptProposedAction();
}

// ---------------------------------------------------------------- selector

void TForm1::ComboplaylistEnter() { selecteur_->entrer(); }
void TForm1::ComboplaylistChange() { selecteur_->choisir(); }
void TForm1::image_infoClick() { selecteur_->reecrire(); }

bool TForm1::eventFilter(QObject* objet, QEvent* e) {
    if (objet == list_lecture->viewport() && e->type() == QEvent::MouseMove) cacher_menu();
    if (objet == list_lecture && e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        if (touche_liste(k)) return true;
        // With no row selected, Down or Up selects the first row (the view
        // would move from the row it holds as current, unseen, and skip it).
        if ((k->key() == Qt::Key_Down || k->key() == Qt::Key_Up) && !(k->modifiers() & ~Qt::KeypadModifier) &&
            index_courant() < 0 && liste_.nombre() > 0) {
            const QModelIndex premiere = liste_.index(0, 0);
            list_lecture->selectionModel()->setCurrentIndex(premiere, QItemSelectionModel::ClearAndSelect);
            list_lecture->scrollTo(premiere);
            return true;
        }
    }
    return QWidget::eventFilter(objet, e);
}

// ---------------------------------------------------------------- timer

// Runs at each tick of the player's clock, after the status line's
// presenter and before the player decides what follows the end of a track;
// `t` and `T` are the progress read then.
// The time labels take the size of their text, so that minutes beyond 99
// ("100 : 05") show whole; only when it changes (once a second, while the
// clock ticks more often).
void TForm1::afficher_temps(vt::LabelVt* label, const QString& texte) {
    if (label->text() == texte) return;
    label->setText(texte);
    label->adjustSize();
}

void TForm1::Timer1Timer(bool en_lecture, std::int64_t t, std::int64_t T) {
    if (!en_lecture) return;
    curseurs_->placer_position(t, T);
    afficher_temps(label_temps, vt::texte_temps(t));
}

// ---------------------------------------------------------------- chrome

void TForm1::changeEvent(QEvent* e) {
    // The window has one size, its skin's: a window manager that maximises
    // it anyway (a double click on a task bar entry, a key) is refused,
    // and the window keeps its place and size.
    if (e->type() == QEvent::WindowStateChange &&
        (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    QWidget::changeEvent(e);
}

void TForm1::tray_imageClick() { emit vers_plateau(); }

void TForm1::revenir() {
    switch (vt::retour_fenetre(isVisible(), isMinimized(), isActiveWindow(), vt::position_connue())) {
        case vt::Retour::CacherMontrer:
            hide();
            [[fallthrough]];
        case vt::Retour::Montrer:
            setWindowState(windowState() & ~Qt::WindowMinimized);
            vt::montrer_non_reduite(*this);
            show();
            break;
        case vt::Retour::Restaurer:
            showNormal();
            break;
    }
    raise();
    activateWindow();
    emit revenue();
}

void TForm1::cacher_menu() { emit services_.navigation.menu_a_cacher(); }

void TForm1::mouseMoveEvent(QMouseEvent* e) {
    cacher_menu();
    QWidget::mouseMoveEvent(e);
}

void TForm1::image_quitterClick() {
    // The place the window system has (the X server knows where a
    // compositor moved an X window without telling it), else the window's
    // own. Where the window system does not tell the window's place (native
    // Wayland), the stored one is kept rather than replaced by what the
    // window believes.
    std::optional<vt::Place> place;
    if (vt::position_connue()) {
        const QPoint p = vt::place_reelle(*this).value_or(pos());
        place = vt::Place{p.x(), p.y()};
    }
    services_.enregistrer_et_quitter(place);
}
