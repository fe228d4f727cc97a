// Systems without a D-Bus session bus (Windows, macOS): no media-player
// service; the local socket's name carries the user's name (on Windows a
// named pipe, on macOS a socket in the user's own temporary folder).
#include "ui/bureau/plateforme.h"

namespace vt {

QString nom_instance() {
    QString utilisateur = qEnvironmentVariable("USERNAME");
    if (utilisateur.isEmpty()) utilisateur = qEnvironmentVariable("USER");
    return QStringLiteral("vantrel-%1.instance").arg(utilisateur);
}

std::unique_ptr<QObject> demarrer_service_media(ModuleVantrel&) { return nullptr; }

bool hote_status_notifier() { return false; }

std::unique_ptr<QObject> surveiller_zone_notification(ModuleVantrel&, const QString&) { return nullptr; }

}  // namespace vt
