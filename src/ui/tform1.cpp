#include "ui/tform1.h"

#include "config/dialogues.h"
#include "config/place_ecran.h"
#include "config/texte_affiche.h"
#include "playlist/depot.h"
#include "playlist/liste_courante.h"
#include "skin/aspect_integre.h"
#include "ui/actions.h"
#include "ui/curseurs.h"
#include "ui/deplacement.h"
#include "ui/ecrans.h"
#include "ui/entrees_fichiers.h"
#include "ui/module.h"
#include "ui/session.h"
#include "ui/tform2.h"
#include "ui/tform3.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>

#include <utility>

using vt::ImageVt;

namespace {

const QString kEnAttente = QStringLiteral("vantrel  en attente ...");
const QString kIdle = QStringLiteral("vantrel, en attente ....");
const QString kLecture = QStringLiteral("Lecture : ");
const QString kImpossible = QStringLiteral("Lecture impossible : ");
const QString kPause = QStringLiteral("Pause ... ");
const QString kSelection = QStringLiteral("sélection : ");
const QString kConfigManquante = QStringLiteral("fichier config manquant");

// The time labels take the size of their text, so that minutes beyond 99
// ("100 : 05") show whole; only when it changes (once a second, while the
// clock ticks more often).
void afficher_temps(vt::LabelVt* label, const QString& texte) {
    if (label->text() == texte) return;
    label->setText(texte);
    label->adjustSize();
}

}  // namespace

TForm1::TForm1(vt::ModuleVantrel& module) : QWidget(nullptr), m_(module), porte_(module.porte()) {
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
    Comboplaylist->addItem(kConfigManquante);
    Comboplaylist->setCurrentIndex(-1);
    label_vol->setText(QStringLiteral("255"));
    label_bal->setText(QStringLiteral("128"));
    afficher_temps(label_temps, QStringLiteral("00 : 00"));
    afficher_temps(label_total, QStringLiteral("00 : 00"));
    label_affiche->setText(kIdle);
    label_affiche->adjustSize();
}

TForm1::~TForm1() { FormDestroy(); }

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate() {
    setAcceptDrops(true);
    const std::optional<vt::ValeursConfig> config = m_.lire_reglages();
    QPoint place = pos();
    if (!config) {
        vt::dialogues().message(QStringLiteral("erreur !"),
                                QStringLiteral("Fichier de config manquant ! chargement par default ... "));
    } else {
        const vt::ValeursConfig& v = *config;
        const vt::ResultatSkin r = vt::ChargeurSkin().charger(v.chemin_skin, v.rep_skin, *this);
        completer_aspect_integre();
        if (r == vt::ResultatSkin::ImageIllisible) {
            // The rest of the sequence is skipped, as after any failed
            // picture; the player takes the values where the cursors stand.
            m_.retenir_niveaux(volume_->valeur(), balance_->valeur());
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
    volume_->placer(volume_->span());
    balance_->placer(50);
    position_->placer(0);
    // The player takes the values the cursors now show; a playing channel
    // keeps its own until the next track or the next slider move.
    m_.retenir_niveaux(volume_->valeur(), balance_->valeur());
    montrer_etat_transport();
}

void TForm1::relire_reglages() {
    FormCreate();
    remplir_selecteur(m_.dossier_playlist_lu());
}

void TForm1::montrer_etat_transport() {
    const vt::PorteLecteur& j = porte_;
    const bool pause = j.en_pause();
    const bool lecture = !pause && j.en_lecture();
    if (!pause && !lecture) return;
    montrer(image_play, lecture ? "image_playon" : "image_playoff");
    montrer(image_pause, pause ? "image_pauseon" : "image_pauseoff");
}

void TForm1::completer_aspect_integre() {
    // Only the first run finds elements without a picture: the built-in look
    // is decoded for what the skin did not give, and not for the rest.
    for (auto& [nom, w] : elements_)
        if (w->image().isNull()) w->definir(vt::image_integree(nom));
}

void TForm1::FormDestroy() {
    setAcceptDrops(false);
}

void TForm1::montrer_label_lecture(bool visible) { label_lecture->setVisible(visible); }

// ---------------------------------------------------------------- selection

int TForm1::index_courant() const { return porte_.courant(); }

void TForm1::selectionner(int ligne) { porte_.selectionner(ligne); }

// ---------------------------------------------------------------- transport

void TForm1::brancher_lecteur() {
    vt::PorteLecteur& j = porte_;
    // What the player did, whichever front end asked: the windows repaint.
    connect(&j, &vt::PorteLecteur::lecture, this, [this](int ligne) {
        montrer(image_play, "image_playon");
        montrer(image_pause, "image_pauseoff");
        label_affiche->setText(kLecture +
                               m_.liste.data(m_.liste.index(ligne, 0), Qt::DisplayRole).toString());
    });
    // A file that cannot be played is never shown as playing.
    connect(&j, &vt::PorteLecteur::lecture_impossible, this, [this](int ligne) {
        montrer(image_play, "image_playoff");
        montrer(image_pause, "image_pauseoff");
        afficher_temps(label_temps, QStringLiteral("00 : 00"));
        position_->placer(0);
        label_affiche->setText(kImpossible +
                               m_.liste.data(m_.liste.index(ligne, 0), Qt::DisplayRole).toString());
    });
    connect(&j, &vt::PorteLecteur::mise_en_pause, this, [this] {
        montrer(image_pause, "image_pauseon");
        montrer(image_play, "image_playoff");
        label_affiche->setText(kPause);
    });
    connect(&j, &vt::PorteLecteur::arret, this, [this] {
        montrer(image_play, "image_playoff");
        montrer(image_pause, "image_pauseoff");
        afficher_temps(label_temps, QStringLiteral("00 : 00"));
        label_affiche->setText(kEnAttente);
        position_->placer(0);
    });
    connect(&j, &vt::PorteLecteur::selection_changee, this, [this](int ligne) {
        if (ligne >= 0) list_lecture->scrollTo(m_.liste.index(ligne, 0));
    });
    // Levels and modes set elsewhere (the media keys, a test): the cursors
    // and boxes follow. The sliders' own moves already placed them.
    connect(&j, &vt::PorteLecteur::volume_change, this, [this](int v) {
        if (volume_->recevoir(vt::offset_curseur(v, volume_->span())))
            label_vol->setText(QString::number(vt::pourcent_volume(v)));
    });
    connect(&j, &vt::PorteLecteur::balance_change, this, [this](int v) {
        if (balance_->recevoir(vt::offset_curseur(v, balance_->span())))
            label_bal->setText(QString::number(vt::pourcent_balance(v)));
    });
    connect(&j, &vt::PorteLecteur::position_changee, this, [this] {
        position_->recevoir(vt::gauche_position(porte_.temps_ms(), porte_.longueur_ms(), position_->span(), 0));
    });
    // The clock's tick: the display work first, then the button the end of
    // a track acted as.
    connect(&j, &vt::PorteLecteur::progression, this, &TForm1::Timer1Timer);
    connect(&j, &vt::PorteLecteur::fin_de_piste, this, [this](vt::PorteLecteur::Fin fin) {
        if (fin == vt::PorteLecteur::Fin::EntreeSuivante)
            montrer(image_next, "image_nextoff");
        else if (fin == vt::PorteLecteur::Fin::Arret)
            montrer(image_stop, "image_stopoff");
    });
    connect(&j, &vt::PorteLecteur::modes_changes, this, [this] {
        check_repeat->setChecked(porte_.repetition());
        check_random->setChecked(porte_.aleatoire());
    });
    // A command given elsewhere (the notification-area menu) leaves its
    // button unlit, as no release follows; the buttons light after it.
    const vt::Actions& a = *m_.actions;
    connect(a.arreter, &QAction::triggered, this, [this] { montrer(image_stop, "image_stopoff"); });
    connect(a.suivant, &QAction::triggered, this, [this] { montrer(image_next, "image_nextoff"); });
    connect(a.precedent, &QAction::triggered, this, [this] { montrer(image_back, "image_backoff"); });
}

void TForm1::image_playMouseDown() { m_.actions->jouer->trigger(); }

void TForm1::image_pauseClick() { m_.actions->pause->trigger(); }

void TForm1::image_stopMouseDown() {
    m_.actions->arreter->trigger();
    montrer(image_stop, "image_stopon");
}

void TForm1::image_nextMouseDown() {
    m_.actions->suivant->trigger();
    montrer(image_next, "image_nexton");
}

void TForm1::image_backMouseDown() {
    m_.actions->precedent->trigger();
    montrer(image_back, "image_backon");
}

void TForm1::list_lectureDblClick() { porte_.relancer(); }

void TForm1::list_lectureClick() {
    int i = index_courant();
    if (i < 0) return;
    if (porte_.en_lecture()) return;
    const QString nom = m_.liste.data(m_.liste.index(i, 0), Qt::DisplayRole).toString();
    label_affiche->setText(kSelection + QLocale().toLower(nom));
}

// ---------------------------------------------------------------- play list

// The edits are the play list's; the window only reads the current entry.
void TForm1::deposer(const std::vector<std::string>& chemins) { vt::ajouter_deposes(m_.liste, chemins); }

void TForm1::image_del_allMouseDown() {
    montrer(image_del_all, "image_del_all_on");
    m_.actions->arreter->trigger();
}

void TForm1::image_del_allClick() {
    m_.liste.vider();
    Comboplaylist->setCurrentIndex(-1);
}

// The pointer (or a drag) coming over the window is the first sign that
// something will be played: the engine starts loading then, in the
// background, so that the first play does not wait for it.
void TForm1::enterEvent(QEnterEvent* e) {
    m_.preparer_moteur();
    QWidget::enterEvent(e);
}

void TForm1::dragEnterEvent(QDragEnterEvent* e) {
    m_.preparer_moteur();
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

void TForm1::ComboplaylistEnter() {
    // The play list chosen before stays chosen, its name shown, while its
    // file is still there: entering the selector only reads the folder anew.
    const int avant = Comboplaylist->currentIndex();
    const std::string choisi = avant >= 0 ? fichier_selecteur(avant) : std::string();
    remplir_selecteur(m_.configuration.dossier_playlist());
    if (choisi.empty() || Comboplaylist->currentIndex() >= 0) return;
    for (int i = 0; i < Comboplaylist->count(); ++i)
        if (fichier_selecteur(i) == choisi) {
            Comboplaylist->setCurrentIndex(i);
            break;
        }
}

void TForm1::remplir_selecteur(const std::optional<std::string>& dossier) {
    if (!dossier) return;  // no configuration: the entries stay
    Comboplaylist->clear();
    for (const auto& e : vt::lister_playlists(*dossier))
        Comboplaylist->addItem(vt::texte_affiche(e.nom), QByteArray::fromStdString(e.fichier));
    Comboplaylist->setCurrentIndex(-1);
}

// The file of the selector's entry in the play-list folder: its real name,
// or, for an entry without one, its text and the extension.
std::string TForm1::fichier_selecteur(int i) const {
    QByteArray fichier = Comboplaylist->itemData(i).toByteArray();
    if (fichier.isEmpty()) fichier = QFile::encodeName(Comboplaylist->itemText(i)) + ".vtlist";
    return fichier.toStdString();
}

void TForm1::ComboplaylistChange() {
    const int i = Comboplaylist->currentIndex();
    if (i < 0 || !vt::charger_playlist(m_.liste, m_.configuration.dossier_playlist(), fichier_selecteur(i)) ||
        m_.liste.nombre() == 0)
        return;
    selectionner(0);
    list_lecture->setFocus(Qt::OtherFocusReason);
}

void TForm1::image_infoClick() {
    if (Comboplaylist->currentText().isEmpty() && m_.liste.nombre() > 0 && m_.Form3) m_.Form3->enregistrer();
    const QString texte = Comboplaylist->currentText();
    if (texte.isEmpty() || texte == kConfigManquante || m_.liste.nombre() == 0) return;
    if (!vt::dialogues().question(QStringLiteral("vantrel"),
                                  QStringLiteral("voulez vous modifier la playlist en cours ? ")))
        return;
    vt::reecrire_playlist(m_.liste, m_.configuration.dossier_playlist(),
                          fichier_selecteur(Comboplaylist->currentIndex()));
}

bool TForm1::eventFilter(QObject* objet, QEvent* e) {
    // The focus that comes back to the selector when its own drop-down list
    // closes, or while that list is open, does not enter it anew: the list
    // would be rebuilt under the entry being chosen, and the choice lost.
    if (objet == Comboplaylist && e->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason && !Comboplaylist->view()->isVisible())
        ComboplaylistEnter();
    // A click on the selector of a window that is not active opens its list
    // before any focus arrives; it counts as entering the selector too.
    if (objet == Comboplaylist && e->type() == QEvent::MouseButtonPress && !Comboplaylist->hasFocus())
        ComboplaylistEnter();
    if (objet == list_lecture->viewport() && e->type() == QEvent::MouseMove) cacher_menu();
    if (objet == list_lecture->viewport() && glisser_ligne(e)) return true;
    if (objet == list_lecture && e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        if (touche_liste(k)) return true;
        // With no row selected, Down or Up selects the first row (the view
        // would move from the row it holds as current, unseen, and skip it).
        if ((k->key() == Qt::Key_Down || k->key() == Qt::Key_Up) && !(k->modifiers() & ~Qt::KeypadModifier) &&
            index_courant() < 0 && m_.liste.nombre() > 0) {
            const QModelIndex premiere = m_.liste.index(0, 0);
            list_lecture->selectionModel()->setCurrentIndex(premiere, QItemSelectionModel::ClearAndSelect);
            list_lecture->scrollTo(premiere);
            return true;
        }
    }
    return QWidget::eventFilter(objet, e);
}

// ---------------------------------------------------------------- timer

// Runs at each tick of the player's clock, before the player decides what
// follows the end of a track; `t` and `T` are the progress read then.
void TForm1::Timer1Timer(bool en_lecture, std::int64_t t, std::int64_t T) {
    label_lecture->setText(defilement.avancer(label_affiche->text()));
    const vt::PorteLecteur& j = porte_;
    const bool en_pause = j.en_pause();
    switch (vt::statut_au_tic(label_affiche->text().startsWith(kLecture), en_lecture, en_pause, index_courant())) {
        case vt::Statut::Garder:
            break;
        case vt::Statut::Lecture:
            if (const auto p = j.piste_jouee()) label_affiche->setText(kLecture + p->nom);
            break;
        case vt::Statut::Arret:
            label_affiche->setText(kEnAttente);
            break;
        case vt::Statut::Attente:
            label_affiche->setText(kIdle);
            break;
    }
    // A track that ended, or that never started to sound, leaves no button
    // lit: the window says what the media service says.
    if (!en_lecture && !en_pause) {
        for (auto [bouton, eteint] : {std::pair{image_play, "image_playoff"}, {image_pause, "image_pauseoff"}})
            if (const ImageVt* e = element(eteint); e && bouton->image().cacheKey() != e->image().cacheKey())
                montrer(bouton, eteint);
    }
    if (!en_lecture) return;
    position_->placer(vt::gauche_position(t, T, position_->span(), 0));
    afficher_temps(label_temps, vt::texte_temps(t));
}

void TForm1::Shape1MouseDown() {
    label_temps->hide();
    afficher_temps(label_total, vt::texte_temps(porte_.longueur_ms()));
    label_total->show();
}

void TForm1::Shape1MouseUp() {
    label_temps->show();
    label_total->hide();
}

// ---------------------------------------------------------------- chrome

void TForm1::image_barreMouseDown(Qt::MouseButton b, Qt::MouseButtons, int x, int y) {
    cacher_menu();
    deplacement_->appui(image_barre, b, x, y);
}

void TForm1::image_fondMouseDown(Qt::MouseButton b, Qt::MouseButtons, int x, int y) {
    deplacement_->appui(image_fond, b, x, y);
}

void TForm1::image_reduireClick() { showMinimized(); }

void TForm1::changeEvent(QEvent* e) {
    // The window has one size, its skin's: a window manager that maximises
    // it anyway (a double click on a task bar entry, a key) is refused,
    // and the window keeps its place and size.
    if (e->type() == QEvent::WindowStateChange &&
        (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    QWidget::changeEvent(e);
}

void TForm1::tray_imageClick() {
    // Hidden with no notification area, nothing but a new start would bring
    // the window back: it goes to the taskbar instead.
    if (vt::action_bouton_plateau(vt::zone_notification()) == vt::ActionPlateau::Minimiser)
        image_reduireClick();
    else
        emit vers_plateau();
}

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

void TForm1::Image_menuClick() {
    if (m_.Form2) m_.Form2->ouvrir(pos(), image_fond_menu->image());
}

void TForm1::cacher_menu() {
    if (m_.Form2 && m_.Form2->isVisible()) m_.Form2->setVisible(false);
}

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
    m_.enregistrer_et_quitter(place);
}
