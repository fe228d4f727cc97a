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
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace vt {

namespace {
// A Unix socket's path must fit in sockaddr_un (108 bytes on Linux).
constexpr qsizetype kCheminSocketMax = 100;
}  // namespace

QString nom_instance() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && runtime.size() + 20 < kCheminSocketMax &&
        QFileInfo(QFile::decodeName(runtime)).isDir())
        return QFile::decodeName(runtime) + QStringLiteral("/vantrel.instance");
    return QStringLiteral("vantrel-%1.instance").arg(static_cast<qulonglong>(::getuid()));
}

std::string dossier_courant() {
    std::string chemin(256, '\0');
    while (::getcwd(chemin.data(), chemin.size()) == nullptr) {
        if (errno != ERANGE || chemin.size() > (1u << 20)) return std::string();
        chemin.resize(chemin.size() * 2);
    }
    chemin.resize(std::char_traits<char>::length(chemin.c_str()));
    return chemin;
}

std::unique_ptr<QObject> demarrer_service_media(ModuleVantrel& module) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    ServiceMpris::Fenetres fenetres{[&module] { montrer_lecteur(module); }, [&module] { module.terminer(); }};
    auto service = std::make_unique<ServiceMpris>(*module.joueur, std::move(fenetres), bus);
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
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service)) return false;
    QDBusInterface veilleur(service, QStringLiteral("/StatusNotifierWatcher"), service, bus);
    return veilleur.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace vt
