#include "ui/session.h"

#include <QGuiApplication>

namespace vt {

namespace {

constexpr char kPlateformes[] = "xcb;wayland";
constexpr char kPlateformesSansX[] = "wayland;xcb";

struct TestStatusNotifier {
    std::function<bool()> test;
    std::optional<bool> reponse;
};

TestStatusNotifier& test_sni() {
    static TestStatusNotifier t;
    return t;
}

}  // namespace

std::optional<QByteArray> plateforme_demandee(const std::optional<QByteArray>& choix_utilisateur,
                                              bool affichage_x) {
    if (choix_utilisateur && !choix_utilisateur->trimmed().isEmpty()) return std::nullopt;
    return QByteArray(affichage_x ? kPlateformes : kPlateformesSansX);
}

void choisir_plateforme() {
    std::optional<QByteArray> choix;
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) choix = qgetenv("QT_QPA_PLATFORM");
    if (const auto demandee = plateforme_demandee(choix, !qEnvironmentVariableIsEmpty("DISPLAY")))
        qputenv("QT_QPA_PLATFORM", *demandee);
}

bool position_connue(QStringView plateforme) {
    return !plateforme.startsWith(u"wayland", Qt::CaseInsensitive);
}

bool position_connue() { return position_connue(QGuiApplication::platformName()); }

ActionPlateau action_bouton_plateau(bool zone_notification) {
    return zone_notification ? ActionPlateau::Cacher : ActionPlateau::Minimiser;
}

ReponseIcone reponse_icone(QSystemTrayIcon::ActivationReason raison, bool status_notifier) {
    switch (raison) {
    case QSystemTrayIcon::DoubleClick:
        return ReponseIcone::Restaurer;
    case QSystemTrayIcon::Trigger:
        return status_notifier ? ReponseIcone::Restaurer : ReponseIcone::Rien;
    case QSystemTrayIcon::Context:
        return status_notifier ? ReponseIcone::Rien : ReponseIcone::Menu;
    default:
        return ReponseIcone::Rien;
    }
}

namespace {
std::function<bool()>& test_zone() {
    static std::function<bool()> t;
    return t;
}
}  // namespace

bool zone_notification() { return test_zone() ? test_zone()() : QSystemTrayIcon::isSystemTrayAvailable(); }

void definir_zone_notification(std::function<bool()> test) { test_zone() = std::move(test); }

void definir_test_status_notifier(std::function<bool()> test) {
    test_sni().test = std::move(test);
    test_sni().reponse.reset();
}

bool zone_status_notifier() {
    TestStatusNotifier& t = test_sni();
    if (!t.reponse) t.reponse = t.test ? t.test() : false;
    return *t.reponse;
}

}  // namespace vt
