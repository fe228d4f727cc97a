// Systems whose desktops reach media players over a D-Bus session bus
// (Linux and the other free Unix systems): the media-player service is
// MPRIS 2 on that bus; the local socket lies in the login session's runtime
// folder, or in the temporary folder under the user's id.
#include "ui/bureau/bureau.h"
#include "ui/bureau/instance.h"
#include "ui/bureau/mpris.h"
#include "ui/bureau/plateforme.h"
#include "ui/module.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>

#include <unistd.h>

namespace vt {

QString nom_instance() { return nom_instance_pour(qgetenv("XDG_RUNTIME_DIR"), ::getuid()); }

std::unique_ptr<QObject> demarrer_service_media(ModuleVantrel& module) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    ServiceMpris::Fenetres fenetres{[&module] { montrer_lecteur(module); }, [&module] { module.terminer(); }};
    auto service = std::make_unique<ServiceMpris>(*module.lecteur, std::move(fenetres), bus);
    if (!service->enregistrer()) return nullptr;
    return service;
}

std::unique_ptr<QObject> surveiller_zone_notification(ModuleVantrel& module, const QString& adresse) {
    QDBusConnection bus = adresse.isEmpty() ? QDBusConnection::sessionBus()
                                            : QDBusConnection::connectToBus(
                                                  adresse, QStringLiteral("vantrel-zone-notification"));
    if (!bus.isConnected()) return nullptr;
    auto veille = std::make_unique<QDBusServiceWatcher>(QStringLiteral("org.kde.StatusNotifierWatcher"), bus,
                                                        QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(veille.get(), &QDBusServiceWatcher::serviceUnregistered, veille.get(),
                     [&module] { zone_notification_perdue(module); });
    return veille;
}

bool hote_status_notifier() {
    // As the toolkit finds it out before it makes a StatusNotifier item.
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service))
        return false;
    QDBusInterface veilleur(service, QStringLiteral("/StatusNotifierWatcher"), service, bus);
    return veilleur.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace vt
