#include "ui/bureau/plateau.h"

#include "ui/actions.h"
#include "ui/ecrans.h"
#include "ui/module.h"
#include "ui/session.h"
#include "ui/tform1.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWindow>

#include <optional>

namespace vt {

Plateau::Plateau(TForm1& fenetre, const Actions& actions)
    : QObject(&fenetre), fenetre_(fenetre), quitter_(actions.quitter) {
    PopupMenu1 = new QMenu(&fenetre);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addActions(
        {actions.jouer, actions.pause, actions.arreter, actions.suivant, actions.precedent});
    // An ordinary entry that shows a row of dashes and does nothing.
    PopupMenu1->addAction(QStringLiteral("--------"));
    PopupMenu1->addAction(actions.quitter);
    connect(&fenetre, &TForm1::vers_plateau, this, &Plateau::tray_imageClick);
    connect(&fenetre, &TForm1::revenue, this, [this] {
        if (montre()) TrayIcon1Restore();
    });
    connect(&veille_, &QTimer::timeout, this, [this] {
        if (plateau_perdu(montre(), zone_status_notifier(), zone_xembed()))
            fenetre_.revenir();
        else if (!montre())
            veille_.stop();
    });
    fenetre.installEventFilter(this);
}

bool Plateau::eventFilter(QObject* objet, QEvent* e) {
    const QEvent::Type t = e->type();
    if (objet == fenetre_.windowHandle() && t == QEvent::Expose && !fenetre_.isVisible()) {
        // Looked at once the window system's events of the moment are in.
        QTimer::singleShot(0, this, &Plateau::suivre_fenetre);
        return false;
    }
    if (objet != &fenetre_) return false;
    if (t == QEvent::Show) suivre_fenetre();
    if (t == QEvent::WindowActivate) QTimer::singleShot(0, this, &Plateau::suivre_fenetre);
    if (t == QEvent::Close && e->spontaneous()) {
        // The window manager's close (its title bar's menu, a key, a task
        // bar) ends the player, as "Quitter" does, even while an icon or
        // another window would keep the application running.
        quitter_->trigger();
    }
    return false;
}

void Plateau::suivre_fenetre() {
    switch (suivre_plateau(fenetre_.isVisible(), affichee_x11(fenetre_), montre())) {
        case SuiviPlateau::Revenir:
            fenetre_.revenir();
            break;
        case SuiviPlateau::RetirerIcone:
            TrayIcon1Restore();
            break;
        case SuiviPlateau::Rien:
            break;
    }
}

void Plateau::tray_imageClick() {
    // The kind of icon already made, if any: the toolkit chose it once.
    const std::optional<bool> sorte = TrayIcon1 ? std::optional<bool>(zone_status_notifier()) : std::nullopt;
    switch (action_bouton_plateau(zone_notification(sorte), reduite_retrouvable())) {
        case ActionPlateau::Cacher:
            cacher_fenetre();
            break;
        case ActionPlateau::Minimiser:
            fenetre_.showMinimized();
            break;
        case ActionPlateau::Laisser:
            // Hidden or minimised here, nothing but a new start would bring
            // the window back.
            break;
    }
}

void Plateau::cacher_fenetre() {
    if (!TrayIcon1) {
        TrayIcon1 = new QSystemTrayIcon(this);
        connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            switch (reponse_icone(r, zone_status_notifier())) {
                case ReponseIcone::Restaurer:
                    fenetre_.revenir();
                    break;
                case ReponseIcone::Menu:
                    TrayIcon1MouseDown(Qt::RightButton, QCursor::pos());
                    break;
                case ReponseIcone::Rien:
                    break;
            }
        });
    }
    fenetre_.hide();
    // Mapped again by anyone (the icon, another program, the window
    // manager), the window comes back normal, not minimised: a window
    // minimised once and restored by the window manager keeps the minimised
    // state in its X hints, and another program's map would leave it there.
    montrer_non_reduite(fenetre_);
    if (QWindow* w = fenetre_.windowHandle()) w->installEventFilter(this);
    TrayIcon1->setIcon(QApplication::windowIcon());
    // A StatusNotifier host shows the icon's menu itself, at the pointer;
    // it is given the menu before the icon appears.
    if (zone_status_notifier() && TrayIcon1->contextMenu() != PopupMenu1)
        TrayIcon1->setContextMenu(PopupMenu1);
    TrayIcon1->setVisible(true);
    // An XEmbed tray says nothing when it ends: it is looked for each
    // second while the window hides behind its icon.
    if (!zone_status_notifier()) veille_.start(1000);
}

void Plateau::TrayIcon1Restore() {
    veille_.stop();
    if (TrayIcon1) TrayIcon1->setVisible(false);
}

void Plateau::TrayIcon1MouseDown(Qt::MouseButtons e, QPoint ecran) {
    if (e & Qt::RightButton) PopupMenu1->popup(ecran);
}

void Plateau::zone_perdue() {
    if (montre() && zone_status_notifier()) fenetre_.revenir();
}

Plateau& installer_plateau(ModuleVantrel& module) {
    auto* p = new Plateau(*module.fenetres_.Form1, *module.actions);
    QObject::connect(&module.navigation, &Navigation::zone_notification_perdue, p, &Plateau::zone_perdue);
    return *p;
}

}  // namespace vt
