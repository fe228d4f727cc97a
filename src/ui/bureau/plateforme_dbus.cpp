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
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

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

namespace {

const QString kVeilleur = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kCheminVeilleur = QStringLiteral("/StatusNotifierWatcher");

// The notification area leaves in two ways: the watcher leaves the bus (the
// panel that holds it ended), or a host leaves while the watcher stays (a
// desktop whose watcher and panel are two processes, the panel crashed).
class VeilleZone : public QObject {
    Q_OBJECT
public:
    VeilleZone(ModuleVantrel& module, QDBusConnection bus) : module_(module), bus_(std::move(bus)) {
        auto* veille =
            new QDBusServiceWatcher(kVeilleur, bus_, QDBusServiceWatcher::WatchForUnregistration, this);
        connect(veille, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { zone_notification_perdue(module_); });
        bus_.connect(kVeilleur, kCheminVeilleur, kVeilleur, QStringLiteral("StatusNotifierHostUnregistered"),
                     this, SLOT(hote_parti()));
    }

private slots:
    void hote_parti() {
        // Another host may remain: the watcher tells, without the window
        // waiting for its answer.
        QDBusMessage question = QDBusMessage::createMethodCall(
            kVeilleur, kCheminVeilleur, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        question << kVeilleur << QStringLiteral("IsStatusNotifierHostRegistered");
        auto* attente = new QDBusPendingCallWatcher(bus_.asyncCall(question, 2000), this);
        connect(attente, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* a) {
            a->deleteLater();
            const QDBusPendingReply<QDBusVariant> reponse = *a;
            if (reponse.isError() || !reponse.value().variant().toBool()) zone_notification_perdue(module_);
        });
    }

private:
    ModuleVantrel& module_;
    QDBusConnection bus_;
};

}  // namespace

std::unique_ptr<QObject> surveiller_zone_notification(ModuleVantrel& module, const QString& adresse) {
    QDBusConnection bus = adresse.isEmpty() ? QDBusConnection::sessionBus()
                                            : QDBusConnection::connectToBus(
                                                  adresse, QStringLiteral("vantrel-zone-notification"));
    if (!bus.isConnected()) return nullptr;
    return std::make_unique<VeilleZone>(module, bus);
}

bool hote_status_notifier() {
    // As the toolkit finds it out before it makes a StatusNotifier item.
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString& service = kVeilleur;
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service))
        return false;
    QDBusInterface veilleur(service, kCheminVeilleur, service, bus);
    return veilleur.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace vt

#include "plateforme_dbus.moc"
