#pragma once
// The notification-area icon and its menu: made when the main window first
// hides behind it (the toolkit chooses the kind of icon, StatusNotifier or
// XEmbed, once, when the first one is made, and a panel that starts after
// the player must still get it), shown while the window hides, gone as soon
// as the window shows again, whoever shows it (the icon, a second start,
// the window manager). Its menu holds the shared transport actions. The
// tray button asks it where the window goes: behind the icon, to the task
// bar, or nowhere (vt::action_bouton_plateau), never where nothing could
// bring it back.
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

class TForm1;

namespace vt {

class Actions;
struct ModuleVantrel;

class Plateau : public QObject {
    Q_OBJECT
public:
    // A child of `fenetre`, which it hides and brings back.
    Plateau(TForm1& fenetre, const Actions& actions);

    // None until the window first hides behind it.
    QSystemTrayIcon* icone() const { return TrayIcon1; }
    QMenu* menu() const { return PopupMenu1; }
    bool montre() const { return TrayIcon1 && TrayIcon1->isVisible(); }
    // The StatusNotifier host left: a window hidden behind its icon could
    // no longer be reached, so it comes back.
    void zone_perdue();

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    void tray_imageClick();
    // The tray state follows what the window is, whoever showed it.
    void suivre_fenetre();
    void cacher_fenetre();
    void TrayIcon1Restore();
    void TrayIcon1MouseDown(Qt::MouseButtons e, QPoint ecran);

    TForm1& fenetre_;
    QAction* quitter_;
    QSystemTrayIcon* TrayIcon1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    // While the window is hidden behind an XEmbed tray's icon: whether that
    // tray is still there (vt::plateau_perdu).
    QTimer veille_;
};

// The main window's notification-area icon, made once the window exists
// (once: a second would be a second icon).
Plateau& installer_plateau(ModuleVantrel& module);

}  // namespace vt
