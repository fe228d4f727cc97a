#pragma once
// What differs between the window systems of a desktop session: which
// platform plug-in the toolkit is asked for, whether a top-level window's
// place can be read and set, and how the notification-area icon behaves.
// The rules are plain functions; the windows only ask them.
#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QStringView>
#include <QSystemTrayIcon>

#include <functional>
#include <optional>

namespace vt {

// The platform plug-in list asked for at start: X11 first (the skinned
// windows place themselves, which a Wayland compositor does not allow; on
// a Wayland session that is XWayland), native Wayland where no X server
// answers. Where no X display is named at all (DISPLAY unset or empty), X11
// cannot answer: Wayland is tried first, without the toolkit's warnings
// about a display it could not open. Nothing when the user has chosen a
// platform (QT_QPA_PLATFORM set to a non-empty value): that choice stands.
std::optional<QByteArray> plateforme_demandee(const std::optional<QByteArray>& choix_utilisateur,
                                              bool affichage_x);

// Asks the toolkit for the platform above by QT_QPA_PLATFORM. Before the
// application object is created.
void choisir_plateforme();

// False where the window system neither reports nor sets a top-level
// window's place on the screen (native Wayland): what the window then
// believes its place to be is not where it is.
bool position_connue(QStringView plateforme);
bool position_connue();  // for the running application's platform

// The running application's platform plug-in ("xcb", "wayland" ...), or
// the one a test names in its place (empty: the toolkit's again).
QString nom_plateforme();
void definir_nom_plateforme(const QString& nom);

// Whether a press at `appui` held down to `actuel` (screen pixels) has
// become a drag that moves the window: once the pointer has gone `seuil`
// pixels (the desktop's drag distance) along either axis together. A tap
// (press and release at once, a touchpad's or a test tool's) never moves.
bool glissement_commence(QPoint appui, QPoint actuel, int seuil);

// A drag of the main window by its title strip or its background, in
// screen pixels. The window follows the pointer's whole distance from the
// press: a drag of +100,+50 moves it +100,+50, the drag distance included.
class Glissement {
public:
    // The button went down at `appui`, the window's top-left corner at `fenetre`.
    Glissement(QPoint appui, QPoint fenetre) : appui_(appui), fenetre_(fenetre) {}
    // The pointer, button held, is at `actuel`: the window's place, or
    // nothing while the drag has not started (glissement_commence with
    // `seuil`). Once started, it goes on even back within the distance.
    std::optional<QPoint> suivre(QPoint actuel, int seuil);
    bool commence() const { return commence_; }

private:
    QPoint appui_, fenetre_;
    bool commence_ = false;
};

// Who moves the window while it is dragged. The program itself where it
// places its own windows (X11): window managers asked to move it start
// from where it was before the move that crossed the drag distance, and
// lag behind the pointer by that distance. The compositor where it alone
// places windows (native Wayland), and for an X program on a Wayland
// session (`session_wayland`), whose compositor may ignore a program's
// own moves.
enum class Mouvoir { Programme, Systeme };
Mouvoir qui_deplace(QStringView plateforme, bool session_wayland);
Mouvoir qui_deplace();  // for the running application and its session

// How a second start brings the main window back, visible and in front,
// from the state it is in. A window hidden in the notification area is
// shown. A minimised or a visible one is restored and raised, except on a
// platform whose windows can neither leave the minimised state nor raise
// themselves (native Wayland: the compositor drops a minimised window from
// its scene): there it is hidden and shown again, which puts a new window
// in front, unless it is visible and already has the focus.
enum class Retour { Montrer, Restaurer, CacherMontrer };
Retour retour_fenetre(bool visible, bool minimisee, bool active, bool position_connue);

// Whether the desktop has a notification area at all, asked each time:
// a StatusNotifier host on the session bus (looked up now, see
// definir_test_status_notifier), else, except on native Wayland, the
// toolkit's answer (QSystemTrayIcon::isSystemTrayAvailable), unless
// replaced: tests set their own desktop. The toolkit's answer is not asked
// while a StatusNotifier host answers: the toolkit decides once per process,
// at its first icon or question, which kind of icon it makes.
// `icone_sni`: the kind of the icon already made (nothing: none yet); an
// icon of one kind shows only where a tray of that kind answers now
// (icone_atteignable).
bool zone_notification(std::optional<bool> icone_sni = std::nullopt);
void definir_zone_notification(std::function<bool()> test);  // empty: the toolkit's answer

// Whether an icon would show where the user can reach it: a StatusNotifier
// host answers (`hote_sni`) or an XEmbed tray does (`xembed`, the toolkit's
// tray where it is not X11). Once the icon is made its kind is fixed
// (`icone_sni`): a StatusNotifier item needs a host, an XEmbed icon a tray.
bool icone_atteignable(bool hote_sni, bool xembed, std::optional<bool> icone_sni);

// Whether a minimised window stays where the user finds it again. On an X11
// session the window manager keeps it (a task bar, its window list; with no
// window manager minimising does nothing). On a Wayland session, native or
// through XWayland, the compositor decides: a desktop with a task bar, a
// dock or an overview lists it (`bureau`: XDG_CURRENT_DESKTOP, names joined
// by colons); a bare compositor (Weston and the like) drops it from its
// scene and nothing brings it back.
bool reduite_retrouvable(QStringView plateforme, bool session_wayland, QStringView bureau);
bool reduite_retrouvable();  // for the running application and its session

// Whether the session is a Wayland one (WAYLAND_DISPLAY or XDG_SESSION_TYPE).
bool session_wayland();

// What the main window's tray button does: hide the window behind the
// notification-area icon where that icon can be reached; else minimise it
// where a minimised window can be found again; else leave it shown. It never
// takes a window where nothing could bring it back.
enum class ActionPlateau { Cacher, Minimiser, Laisser };
ActionPlateau action_bouton_plateau(bool icone_atteignable, bool reduite_retrouvable);

// What the notification-area icon's keeper does when the window may have
// changed under it (shown, activated, exposed): `visible`, whether the
// toolkit shows it; `affichee`, whether the window system does (mapped on
// X11; nothing where it cannot be asked); `icone`, whether the icon shows.
// Shown by anyone, the icon goes. Shown by the window system while the
// toolkit hid it (another program mapped it: a window manager's
// "activate", a tool), the window is brought back whole, so that the tray
// button hides it again and the window manager's close ends the player.
enum class SuiviPlateau { Rien, RetirerIcone, Revenir };
SuiviPlateau suivre_plateau(bool visible, std::optional<bool> affichee, bool icone);

// What an activation of the notification-area icon does. A double click
// restores the window. A StatusNotifier host (the session bus's tray) sends
// a single activation and never a double click: there the activation
// restores, and the icon's menu belongs to the host. On the older XEmbed
// tray a single click does nothing and the right button opens the menu.
enum class ReponseIcone { Rien, Restaurer, Menu };
ReponseIcone reponse_icone(QSystemTrayIcon::ActivationReason raison, bool status_notifier);

// Whether the window hidden behind the notification-area icon must come
// back because the tray holding the icon is gone: an XEmbed tray (not a
// StatusNotifier host, whose leaving the bus tells) that no longer owns
// its X selection (`xembed` false; nothing: not known, not X11).
bool plateau_perdu(bool icone_visible, bool status_notifier, std::optional<bool> xembed);

// Whether the notification area is a StatusNotifier host on the session
// bus. The desktop integration sets how it is found out (the toolkit looks
// the same way when it makes the icon); without it, or without a bus, the
// tray is the XEmbed one. The answer is looked up once and kept, as the
// toolkit keeps its own: the main window first asks when it makes its icon.
void definir_test_status_notifier(std::function<bool()> test);
bool zone_status_notifier();
// Whether a StatusNotifier host answers now (looked up each time).
bool hote_status_notifier_present();

}  // namespace vt
