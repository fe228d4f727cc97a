#include "ui/session.h"

#include "ui/ecrans.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>

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

bool position_connue() { return position_connue(nom_plateforme()); }

namespace {
QString& plateforme_imposee() {
    static QString nom;
    return nom;
}
}  // namespace

QString nom_plateforme() {
    return plateforme_imposee().isEmpty() ? QGuiApplication::platformName() : plateforme_imposee();
}

void definir_nom_plateforme(const QString& nom) { plateforme_imposee() = nom; }

bool glissement_commence(QPoint appui, QPoint actuel, int seuil) {
    const QPoint d = actuel - appui;
    return std::max(std::abs(d.x()), std::abs(d.y())) >= std::max(1, seuil);
}

std::optional<QPoint> Glissement::suivre(QPoint actuel, int seuil) {
    if (!commence_ && !glissement_commence(appui_, actuel, seuil)) return std::nullopt;
    commence_ = true;
    return fenetre_ + (actuel - appui_);
}

Mouvoir qui_deplace(QStringView plateforme, bool session_wayland) {
    if (!position_connue(plateforme)) return Mouvoir::Systeme;
    return plateforme == u"xcb" && session_wayland ? Mouvoir::Systeme : Mouvoir::Programme;
}

bool session_wayland() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
}

Mouvoir qui_deplace() { return qui_deplace(nom_plateforme(), session_wayland()); }

Retour retour_fenetre(bool visible, bool minimisee, bool active, bool position_connue) {
    if (!visible) return Retour::Montrer;
    if (!position_connue && (minimisee || !active)) return Retour::CacherMontrer;
    return Retour::Restaurer;
}

bool icone_atteignable(bool hote_sni, bool xembed, std::optional<bool> icone_sni) {
    if (icone_sni) return *icone_sni ? hote_sni : xembed;
    return hote_sni || xembed;
}

bool reduite_retrouvable(QStringView plateforme, bool session_wayland, QStringView bureau) {
    if (position_connue(plateforme) && !session_wayland) return true;
    // The desktops whose shell lists minimised windows.
    static const QStringView avec_liste[] = {
        u"GNOME",  u"KDE",   u"XFCE",     u"X-Cinnamon", u"Cinnamon", u"MATE",   u"LXQt",         u"LXDE",
        u"Budgie", u"Unity", u"Pantheon", u"Deepin",     u"UKUI",     u"COSMIC", u"Enlightenment"};
    for (QStringView nom : bureau.split(u':'))
        for (QStringView connu : avec_liste)
            if (nom.trimmed().compare(connu, Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool reduite_retrouvable() {
    return reduite_retrouvable(nom_plateforme(), session_wayland(),
                               qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
}

ActionPlateau action_bouton_plateau(bool icone_atteignable, bool reduite_retrouvable) {
    if (icone_atteignable) return ActionPlateau::Cacher;
    return reduite_retrouvable ? ActionPlateau::Minimiser : ActionPlateau::Laisser;
}

SuiviPlateau suivre_plateau(bool visible, std::optional<bool> affichee, bool icone) {
    if (visible) return icone ? SuiviPlateau::RetirerIcone : SuiviPlateau::Rien;
    return affichee.value_or(false) ? SuiviPlateau::Revenir : SuiviPlateau::Rien;
}

bool plateau_perdu(bool icone_visible, bool status_notifier, std::optional<bool> xembed) {
    return icone_visible && !status_notifier && xembed == false;
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

bool zone_notification(std::optional<bool> icone_sni) {
    if (test_zone()) return test_zone()();
    const bool hote = hote_status_notifier_present();
    if (hote && icone_sni.value_or(true)) return true;
    bool xembed = false;
    if (!nom_plateforme().startsWith(u"wayland", Qt::CaseInsensitive)) {
        if (const std::optional<bool> x = zone_xembed())
            xembed = *x;
        else if (!hote)
            xembed = QSystemTrayIcon::isSystemTrayAvailable();
    }
    return icone_atteignable(hote, xembed, icone_sni);
}

void definir_zone_notification(std::function<bool()> test) { test_zone() = std::move(test); }

void definir_test_status_notifier(std::function<bool()> test) {
    test_sni().test = std::move(test);
    test_sni().reponse.reset();
}

bool hote_status_notifier_present() { return test_sni().test && test_sni().test(); }

bool zone_status_notifier() {
    TestStatusNotifier& t = test_sni();
    if (!t.reponse) t.reponse = t.test ? t.test() : false;
    return *t.reponse;
}

}  // namespace vt
