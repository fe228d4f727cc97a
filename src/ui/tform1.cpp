#include "ui/tform1.h"

#include "config/configuration.h"
#include "config/dialogues.h"
#include "config/emplacements.h"
#include "config/gestion_vantrel.h"
#include "config/place_ecran.h"
#include "config/texte_affiche.h"
#include "playlist/depot.h"
#include "playlist/liste_courante.h"
#include "skin/aspect_integre.h"
#include "skin/elements.h"
#include "ui/accessibilite.h"
#include "ui/curseurs.h"
#include "ui/ecrans.h"
#include "ui/entrees_fichiers.h"
#include "ui/module.h"
#include "ui/session.h"
#include "ui/tform2.h"
#include "ui/tform3.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QWindow>

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

TForm1::TForm1(vt::ModuleVantrel& module) : QWidget(nullptr), m_(module) {
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
    connect(qApp, &QGuiApplication::screenRemoved, this, &TForm1::ecran_retire);
    connect(&veille_plateau_, &QTimer::timeout, this, [this] {
        if (vt::plateau_perdu(TrayIcon1 && TrayIcon1->isVisible(), vt::zone_status_notifier(), vt::zone_xembed()))
            revenir();
        else if (!TrayIcon1 || !TrayIcon1->isVisible())
            veille_plateau_.stop();
    });
    FormCreate();
    // The texts, last: the fonts have been loading meanwhile on the
    // start-up's second thread. label_affiche, never shown, takes the size
    // of its first text.
    Comboplaylist->setFont(vt::police("MS Sans Serif", 11, false));
    {
        QPalette p = Comboplaylist->palette();
        QColor texte = QApplication::palette().color(QPalette::Window);
        for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window}) p.setColor(role, Qt::black);
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            p.setColor(role, texte);
        Comboplaylist->setPalette(p);
    }
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
    const std::optional<vt::ValeursConfig> config = m_.configuration.lire();
    QPoint place = pos();
    dossier_lu_.reset();
    if (config) dossier_lu_ = vt::dossier_playlist(config->rep_playlist);
    vt::retirer_restes_au_demarrage(m_.configuration.chemin(), dossier_lu_);
    if (!config) {
        vt::dialogues().message(QStringLiteral("erreur !"),
                                QStringLiteral("Fichier de config manquant ! chargement par default ... "));
    } else {
        const vt::ValeursConfig& v = *config;
        m_.joueur->definir_boucle(v.boucle);
        const vt::ResultatSkin r = vt::ChargeurSkin().charger(v.chemin_skin, v.rep_skin, *this);
        completer_aspect_integre();
        if (r == vt::ResultatSkin::ImageIllisible) {
            // The rest of the sequence is skipped, as after any failed
            // picture; the player takes the values where the cursors stand.
            m_.joueur->retenir_niveaux(valeur(curseur_volume, barre_volume),
                                       valeur(curseur_balance, barre_balance));
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
    curseur_volume->move(barre_volume->x() + barre_volume->width() - curseur_volume->width(),
                         curseur_volume->y());
    curseur_balance->move(barre_balance->x() + 50, curseur_balance->y());
    curseur_position->move(barre_position->x(), curseur_position->y());
    // The player takes the values the cursors now show; a playing channel
    // keeps its own until the next track or the next slider move.
    m_.joueur->retenir_niveaux(valeur(curseur_volume, barre_volume), valeur(curseur_balance, barre_balance));
    montrer_etat_transport();
}

void TForm1::montrer_etat_transport() {
    const vt::PorteLecteur& j = *m_.joueur;
    const bool pause = j.en_pause();
    const bool lecture = !pause && j.en_lecture();
    if (!pause && !lecture) return;
    montrer(image_play, lecture ? "image_playon" : "image_playoff");
    montrer(image_pause, pause ? "image_pauseon" : "image_pauseoff");
}

int TForm1::valeur(const ImageVt* curseur, const ImageVt* barre) const {
    return vt::valeur_curseur(curseur->x() - barre->x(), barre->width() - curseur->width());
}

void TForm1::completer_aspect_integre() {
    // Only the first run finds elements without a picture: the built-in look
    // is decoded for what the skin did not give, and not for the rest.
    for (auto& [nom, w] : elements_)
        if (w->image().isNull()) w->definir(vt::image_integree(nom));
}

void TForm1::FormDestroy() {
    setAcceptDrops(false);
    m_.joueur->arreter_horloge();
    if (TrayIcon1) TrayIcon1->hide();
}

void TForm1::montrer_label_lecture(bool visible) { label_lecture->setVisible(visible); }

// ---------------------------------------------------------------- selection

int TForm1::index_courant() const { return m_.joueur->courant(); }

void TForm1::selectionner(int ligne) { m_.joueur->selectionner(ligne); }

// ---------------------------------------------------------------- transport

void TForm1::brancher_lecteur() {
    vt::Lecteur& j = *m_.joueur;
    // What the player did, whichever front end asked: the windows repaint.
    connect(&j, &vt::Lecteur::lecture, this, [this](int ligne) {
        montrer(image_play, "image_playon");
        montrer(image_pause, "image_pauseoff");
        label_affiche->setText(kLecture +
                               m_.liste.data(m_.liste.index(ligne, 0), Qt::DisplayRole).toString());
    });
    // A file that cannot be played is never shown as playing.
    connect(&j, &vt::Lecteur::lecture_impossible, this, [this](int ligne) {
        montrer(image_play, "image_playoff");
        montrer(image_pause, "image_pauseoff");
        afficher_temps(label_temps, QStringLiteral("00 : 00"));
        curseur_position->move(barre_position->x(), curseur_position->y());
        label_affiche->setText(kImpossible +
                               m_.liste.data(m_.liste.index(ligne, 0), Qt::DisplayRole).toString());
    });
    connect(&j, &vt::Lecteur::mise_en_pause, this, [this] {
        montrer(image_pause, "image_pauseon");
        montrer(image_play, "image_playoff");
        label_affiche->setText(kPause);
    });
    connect(&j, &vt::Lecteur::arret, this, [this] {
        montrer(image_play, "image_playoff");
        montrer(image_pause, "image_pauseoff");
        afficher_temps(label_temps, QStringLiteral("00 : 00"));
        label_affiche->setText(kEnAttente);
        curseur_position->move(barre_position->x(), curseur_position->y());
    });
    connect(&j, &vt::Lecteur::selection_changee, this, [this](int ligne) {
        if (ligne >= 0) list_lecture->scrollTo(m_.liste.index(ligne, 0));
    });
    // Levels and modes set elsewhere (the media keys, a test): the cursors
    // and boxes follow. The window's own moves already placed them.
    connect(&j, &vt::Lecteur::volume_change, this, [this](int v) {
        if (reglage_local_) return;
        placer_curseur(curseur_volume, barre_volume, v);
        label_vol->setText(QString::number(vt::pourcent_volume(v)));
    });
    connect(&j, &vt::Lecteur::balance_change, this, [this](int v) {
        if (reglage_local_) return;
        placer_curseur(curseur_balance, barre_balance, v);
        label_bal->setText(QString::number(vt::pourcent_balance(v)));
    });
    connect(&j, &vt::Lecteur::position_changee, this, [this] {
        if (reglage_local_) return;
        const vt::Lecteur& j = *m_.joueur;
        curseur_position->move(
            vt::gauche_position(j.temps_ms(), j.longueur_ms(),
                                barre_position->width() - curseur_position->width(), barre_position->x()),
            curseur_position->y());
    });
    // The clock's tick: the display work first, then the button the end of
    // a track acted as.
    connect(&j, &vt::Lecteur::progression, this, &TForm1::Timer1Timer);
    connect(&j, &vt::Lecteur::fin_de_piste, this, [this](vt::Lecteur::Fin fin) {
        if (fin == vt::Lecteur::Fin::Suivante)
            montrer(image_next, "image_nextoff");
        else if (fin == vt::Lecteur::Fin::Arret)
            montrer(image_stop, "image_stopoff");
    });
    connect(&j, &vt::Lecteur::modes_changes, this, [this] {
        check_repeat->setChecked(m_.joueur->repetition());
        check_random->setChecked(m_.joueur->aleatoire());
    });
}

void TForm1::placer_curseur(ImageVt* curseur, ImageVt* barre, int v) {
    const int span = barre->width() - curseur->width();
    curseur->move(barre->x() + vt::offset_curseur(v, span), curseur->y());
}

void TForm1::image_playMouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) { m_.joueur->jouer(); }

void TForm1::image_pauseClick() { m_.joueur->pause(); }

void TForm1::image_stopMouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(image_stop, "image_stopon");
    m_.joueur->arreter();
}

void TForm1::image_stopMouseUp(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(image_stop, "image_stopoff");
}

void TForm1::image_nextMouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(image_next, "image_nexton");
    m_.joueur->suivant();
}

void TForm1::image_nextMouseUp(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(image_next, "image_nextoff");
}

void TForm1::image_backMouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(image_back, "image_backon");
    m_.joueur->precedent();
}

void TForm1::image_backMouseUp(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(image_back, "image_backoff");
}

void TForm1::list_lectureDblClick() { m_.joueur->relancer(); }

void TForm1::list_lectureClick() {
    int i = index_courant();
    if (i < 0) return;
    if (m_.joueur->en_lecture()) return;
    const QString nom = m_.liste.data(m_.liste.index(i, 0), Qt::DisplayRole).toString();
    label_affiche->setText(kSelection + QLocale().toLower(nom));
}

// The tray menu calls the player; its buttons' pictures end unlit.
void TForm1::Play1Click() { m_.joueur->jouer(); }
void TForm1::Pause1Click() { m_.joueur->pause(); }
void TForm1::Stop1Click() {
    m_.joueur->arreter();
    montrer(image_stop, "image_stopoff");
}
void TForm1::Next1Click() {
    m_.joueur->suivant();
    montrer(image_next, "image_nextoff");
}
void TForm1::Back1Click() {
    m_.joueur->precedent();
    montrer(image_back, "image_backoff");
}

// ---------------------------------------------------------------- play list

// The edits are the play list's; the window only reads its selection.
void TForm1::image_addClick() { vt::ajouter_depuis_dialogue(m_.liste); }
void TForm1::image_delClick() { m_.liste.supprimer(index_courant()); }
void TForm1::image_upClick() { m_.liste.monter(index_courant()); }
void TForm1::image_downClick() { m_.liste.descendre(index_courant()); }
void TForm1::deposer(const std::vector<std::string>& chemins) { vt::ajouter_deposes(m_.liste, chemins); }

void TForm1::image_del_allMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int y) {
    montrer(image_del_all, "image_del_all_on");
    image_stopMouseDown(b, e, x, y);
    montrer(image_stop, "image_stopoff");
}

void TForm1::image_del_allClick() {
    m_.liste.vider();
    Comboplaylist->setCurrentIndex(-1);
}

// The pointer (or a drag) coming over the window is the first sign that
// something will be played: the engine starts loading then, in the
// background, so that the first play does not wait for it.
void TForm1::enterEvent(QEnterEvent* e) {
    m_.joueur->preparer_moteur();
    QWidget::enterEvent(e);
}

void TForm1::dragEnterEvent(QDragEnterEvent* e) {
    m_.joueur->preparer_moteur();
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
    if (Comboplaylist->currentText().isEmpty() && m_.liste.nombre() > 0 && m_.Form3)
        m_.Form3->label_enregistreClick();
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
    const vt::Lecteur& j = *m_.joueur;
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
    curseur_position->move(
        vt::gauche_position(t, T, barre_position->width() - curseur_position->width(), barre_position->x()),
        curseur_position->y());
    afficher_temps(label_temps, vt::texte_temps(t));
}

void TForm1::check_repeatClick() { m_.joueur->definir_repetition(check_repeat->isChecked()); }

void TForm1::check_randomClick() { m_.joueur->definir_aleatoire(check_random->isChecked()); }

void TForm1::Shape1MouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) {
    label_temps->hide();
    afficher_temps(label_total, vt::texte_temps(m_.joueur->longueur_ms()));
    label_total->show();
}

void TForm1::Shape1MouseUp(Qt::MouseButton, Qt::MouseButtons, int, int) {
    label_temps->show();
    label_total->hide();
}

// ---------------------------------------------------------------- sliders

void TForm1::curseur_mouvement(ImageVt* curseur, ImageVt* barre, vt::LabelVt* label, bool volume,
                               Qt::MouseButtons e, int x) {
    const int span = barre->width() - curseur->width();
    int v;
    if (e & Qt::LeftButton) {
        // A pointer past either end, however far it went between two moves,
        // puts the cursor at that end.
        const int offset = vt::offset_glisse(curseur->x() + x - barre->x(), span);
        fin_molette_->stop();  // the label stays up until the button is released
        label->show();
        curseur->move(barre->x() + offset, curseur->y());
        v = vt::valeur_curseur(offset, span);
        label->setText(QString::number(volume ? vt::pourcent_volume(v) : vt::pourcent_balance(v)));
    } else {
        v = vt::valeur_curseur(curseur->x() - barre->x(), span);
    }
    envoyer_niveau(volume, v);
}

void TForm1::envoyer_niveau(bool volume, int v) {
    reglage_local_ = true;
    if (volume)
        m_.joueur->definir_volume(v);
    else
        m_.joueur->definir_balance(v);
    reglage_local_ = false;
}

void TForm1::curseur_volumeMouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(curseur_volume, "image_volumeon");
}
void TForm1::curseur_volumeMouseMove(Qt::MouseButtons e, int x, int) {
    curseur_mouvement(curseur_volume, barre_volume, label_vol, true, e, x);
}
void TForm1::curseur_volumeMouseUp(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(curseur_volume, "image_volumeoff");
    label_vol->hide();
}
void TForm1::curseur_balanceMouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(curseur_balance, "image_balanceon");
}
void TForm1::curseur_balanceMouseMove(Qt::MouseButtons e, int x, int) {
    curseur_mouvement(curseur_balance, barre_balance, label_bal, false, e, x);
}
void TForm1::curseur_balanceMouseUp(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(curseur_balance, "image_balanceoff");
    label_bal->hide();
}

void TForm1::barre_clic(ImageVt* curseur, ImageVt* barre, bool volume, Qt::MouseButton b, Qt::MouseButtons e,
                        int x) {
    if (x >= barre->width() - curseur->width()) return;
    curseur->move(barre->x() + x, curseur->y());
    if (volume) {
        curseur_volumeMouseDown(b, e, 0, 0);
        curseur_volumeMouseMove(e, 0, 0);
        curseur_volumeMouseUp(b, e, 0, 0);
    } else {
        curseur_balanceMouseDown(b, e, 0, 0);
        curseur_balanceMouseMove(e, 0, 0);
        curseur_balanceMouseUp(b, e, 0, 0);
    }
}

void TForm1::barre_volumeMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int) {
    barre_clic(curseur_volume, barre_volume, true, b, e, x);
}
void TForm1::barre_balanceMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int) {
    barre_clic(curseur_balance, barre_balance, false, b, e, x);
}

void TForm1::curseur_positionMouseDown(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(curseur_position, "curseur_position_on");
    m_.joueur->couper(true);
}

void TForm1::curseur_positionMouseMove(Qt::MouseButtons e, int x, int) {
    vt::Lecteur& j = *m_.joueur;
    if (!(e & Qt::LeftButton) || !j.en_lecture()) return;
    const int span = barre_position->width() - curseur_position->width();
    const int offset = vt::offset_glisse(curseur_position->x() + x - barre_position->x(), span);
    curseur_position->move(barre_position->x() + offset, curseur_position->y());
    reglage_local_ = true;
    j.aller_a_ms(vt::cible_position(offset, span, j.longueur_ms()));
    reglage_local_ = false;
}

void TForm1::curseur_positionMouseUp(Qt::MouseButton, Qt::MouseButtons, int, int) {
    montrer(curseur_position, "curseur_position_off");
    m_.joueur->couper(false);
}

void TForm1::barre_positionMouseDown(Qt::MouseButton b, Qt::MouseButtons e, int x, int) {
    if (!m_.joueur->en_lecture()) return;
    if (x >= barre_position->width() - curseur_position->width()) return;
    curseur_position->move(barre_position->x() + x, curseur_position->y());
    curseur_positionMouseDown(b, e, 0, 0);
    curseur_positionMouseMove(e, 0, 0);
    curseur_positionMouseUp(b, e, 0, 0);
}

// ---------------------------------------------------------------- chrome

void TForm1::image_barreMouseDown(Qt::MouseButton b, Qt::MouseButtons, int x, int y) {
    cacher_menu();
    commencer_deplacement(image_barre, b, x, y);
}

void TForm1::image_fondMouseDown(Qt::MouseButton b, Qt::MouseButtons, int x, int y) {
    commencer_deplacement(image_fond, b, x, y);
}

void TForm1::commencer_deplacement(ImageVt* source, Qt::MouseButton b, int x, int y) {
    if (b != Qt::LeftButton) return;
    glissement_.emplace(source->mapToGlobal(QPoint(x, y)), pos());
}

void TForm1::suivre_glissement(Qt::MouseButtons e, QPoint global) {
    // A release that never came (the button is up) ends the drag.
    if (!(e & Qt::LeftButton)) glissement_.reset();
    if (!glissement_) {
        cacher_menu();
        return;
    }
    const bool commence = glissement_->commence();
    const std::optional<QPoint> place = glissement_->suivre(global, QApplication::startDragDistance());
    if (!place) return;
    move(*place);
    // Where the compositor places the windows, it takes the move over from
    // the place the pointer has now; where it refuses, the program goes on.
    if (!commence && vt::qui_deplace() == vt::Mouvoir::Systeme && windowHandle() &&
        windowHandle()->startSystemMove())
        glissement_.reset();
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

void TForm1::ecran_retire(QScreen* ecran) {
    if (!vt::position_connue() || !ecran->geometry().intersects(frameGeometry())) return;
    // The screens are known anew once the removal is over.
    QTimer::singleShot(0, this, [this] {
        const QPoint place = vt::place_entiere(pos(), frameGeometry().size(), vt::zones_ecrans());
        if (place != pos()) move(place);
    });
}

void TForm1::tray_imageClick() {
    // Hidden with no notification area, nothing but a new start would bring
    // the window back: it goes to the taskbar instead.
    if (vt::action_bouton_plateau(vt::zone_notification()) == vt::ActionPlateau::Minimiser) {
        image_reduireClick();
        return;
    }
    if (!TrayIcon1) creer_icone();
    hide();
    TrayIcon1->setIcon(QApplication::windowIcon());
    // A StatusNotifier host shows the icon's menu itself, at the pointer;
    // it is given the menu before the icon appears.
    if (vt::zone_status_notifier() && TrayIcon1->contextMenu() != PopupMenu1)
        TrayIcon1->setContextMenu(PopupMenu1);
    TrayIcon1->setVisible(true);
    // An XEmbed tray says nothing when it ends: it is looked for each
    // second while the window hides behind its icon.
    if (!vt::zone_status_notifier()) veille_plateau_.start(1000);
}

void TForm1::creer_icone() {
    // Made on first use, not at start: the toolkit chooses the kind of icon
    // (StatusNotifier or XEmbed) once, when the first one is made, and a
    // panel that starts after the player must still get it.
    TrayIcon1 = new QSystemTrayIcon(this);
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        switch (vt::reponse_icone(r, vt::zone_status_notifier())) {
            case vt::ReponseIcone::Restaurer:
                revenir();
                break;
            case vt::ReponseIcone::Menu:
                TrayIcon1MouseDown(Qt::RightButton, QCursor::pos());
                break;
            case vt::ReponseIcone::Rien:
                break;
        }
    });
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
    if (TrayIcon1 && TrayIcon1->isVisible()) TrayIcon1Restore();
}

void TForm1::TrayIcon1Restore() {
    veille_plateau_.stop();
    if (TrayIcon1) TrayIcon1->setVisible(false);
}

void TForm1::TrayIcon1MouseDown(Qt::MouseButtons e, QPoint ecran) {
    if (e & Qt::RightButton) PopupMenu1->popup(ecran);
}

void TForm1::Image_menuClick() {
    if (!m_.Form2) return;
    m_.Form2->move(pos());
    vt::garder_dans_ecran(*m_.Form2);
    m_.Form2->setVisible(true);
    m_.Form2->Image1->definir(image_fond_menu->image());
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
    m_.configuration.ecrire_sortie(place, m_.joueur->boucle());
    m_.terminer();
}

void TForm1::Quitter1Click() { m_.terminer(); }
