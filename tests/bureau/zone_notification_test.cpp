// The notification area leaving the session bus (its watcher, or its last
// host while the watcher stays): a window hidden behind a StatusNotifier
// icon comes back; hidden behind an XEmbed one, or shown, or while another
// host remains, it stays as it is.
#include "bureau/bus_prive.h"
#include "bureau/outils.h"
#include "ui/bureau/plateforme.h"
#include "ui/fixture.h"
#include "ui/session.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const QString kVeilleur = QStringLiteral("org.kde.StatusNotifierWatcher");

// The panel's watcher, which tells whether a host remains.
class Veilleur : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hote)
public:
    bool hote_restant = false;
    bool hote() const { return hote_restant; }
};

// How the notification area goes.
enum class Depart { Veilleur, DernierHote, UnHoteParmiDeux };

class ZoneNotification : public vt::test::FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        std::string raison;
        if (!bus.demarrer(dossier_bus.chemin(), raison)) GTEST_SKIP() << raison;
    }
    void TearDown() override {
        veille.reset();
        vt::definir_test_status_notifier(nullptr);
        bus.arreter();
        FenetresTest::TearDown();
    }
    vt::test::DossierTemp dossier_bus;
    vt::test::BusPrive bus;
    std::unique_ptr<QObject> veille;
};

TEST_F(ZoneNotification, HostLeavingBringsBackAWindowHiddenBehindItsIcon) {
    const struct {
        Depart depart;
        bool sni, cachee;
        bool visible_apres;
    } cas[] = {{Depart::Veilleur, true, true, true},
               {Depart::Veilleur, false, true, false},
               {Depart::Veilleur, true, false, true},
               {Depart::DernierHote, true, true, true},
               {Depart::UnHoteParmiDeux, true, true, false}};
    int n = 0;
    for (const auto& c : cas) {
        vt::definir_test_status_notifier([s = c.sni] { return s; });
        ecrire_config();
        demarrer();
        f1->show();
        if (c.cachee) f1->tray_imageClick();
        QDBusConnection panneau = bus.connexion(QStringLiteral("panneau-%1").arg(n++));
        Veilleur veilleur;
        veilleur.hote_restant = c.depart == Depart::UnHoteParmiDeux;
        ASSERT_TRUE(panneau.registerObject(QStringLiteral("/StatusNotifierWatcher"), &veilleur,
                                           QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(panneau.registerService(kVeilleur));
        veille = vt::surveiller_zone_notification(*module, bus.adresse());
        ASSERT_TRUE(veille);
        if (c.depart == Depart::Veilleur) {
            ASSERT_TRUE(panneau.unregisterService(kVeilleur));
        }
        // Told again while waiting: the player's match rule for the
        // signal reaches the bus from a thread of its own.
        const QDBusMessage parti =
            QDBusMessage::createSignal(QStringLiteral("/StatusNotifierWatcher"), kVeilleur,
                                       QStringLiteral("StatusNotifierHostUnregistered"));
        vt::test::attendre(
            [&] {
                if (c.depart != Depart::Veilleur) panneau.send(parti);
                return f1->isVisible();
            },
            c.visible_apres ? 5000 : 500);
        EXPECT_EQ(f1->isVisible(), c.visible_apres) << static_cast<int>(c.depart) << c.sni << c.cachee;
        EXPECT_EQ(plateau().icone() && plateau().icone()->isVisible(), !c.visible_apres)
            << static_cast<int>(c.depart) << c.sni << c.cachee;
        veille.reset();
        panneau.unregisterService(kVeilleur);
    }
}

}  // namespace

#include "zone_notification_test.moc"
