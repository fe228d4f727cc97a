#pragma once
// The few things of the desktop integration that differ between systems,
// each system having its own source file (chosen by the build):
// plateforme_dbus.cpp where a D-Bus session bus is the desktop's way of
// reaching media players, plateforme_autre.cpp elsewhere.
#include <QObject>
#include <QString>

#include <memory>
#include <string>

namespace vt {

struct ModuleVantrel;

// The name of the local socket through which a second start reaches the
// running player: one per user (and per login session where the system
// has a runtime folder).
QString nom_instance();

// Starts the media-player service on the desktop's session bus (media keys,
// the desktop's media controls), acting on `module`'s windows. Nothing
// (nullptr) where there is no such service or no bus answers; the player
// then runs without it.
std::unique_ptr<QObject> demarrer_service_media(ModuleVantrel& module);

// True when the desktop's notification area is a StatusNotifier host on the
// session bus (the toolkit then puts its icon there, not in an XEmbed tray).
bool hote_status_notifier();

// Watches the StatusNotifier watcher of the session bus (or of the bus at
// `adresse`): when it leaves the bus (the panel ended, crashed or restarts),
// or a host leaves it and no other remains, while the window is hidden
// behind its icon, the window comes back (zone_notification_perdue).
// Nothing where there is no such bus.
std::unique_ptr<QObject> surveiller_zone_notification(ModuleVantrel& module, const QString& adresse = {});

}  // namespace vt
