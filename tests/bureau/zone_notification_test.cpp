// The notification area leaving the session bus: a window hidden behind a
// StatusNotifier icon comes back; hidden behind an XEmbed one, or shown, it
// stays as it is.
#include "bureau/bus_prive.h"
#include "bureau/outils.h"
#include "ui/bureau/plateforme.h"
#include "ui/fixture.h"
#include "ui/session.h"

#include <QDBusConnectionInterface>

namespace {

const QString kVeilleur = QStringLiteral("org.kde.StatusNotifierWatcher");

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
        bool sni, cachee;
        bool visible_apres;
    } cas[] = {{true, true, true}, {false, true, false}, {true, false, true}};
    int n = 0;
    for (const auto& c : cas) {
        vt::definir_test_status_notifier([s = c.sni] { return s; });
        ecrire_config();
        demarrer();
        f1->show();
        if (c.cachee) f1->tray_imageClick();
        QDBusConnection panneau = bus.connexion(QStringLiteral("panneau-%1").arg(n++));
        ASSERT_TRUE(panneau.registerService(kVeilleur));
        veille = vt::surveiller_zone_notification(*module, bus.adresse());
        ASSERT_TRUE(veille);
        ASSERT_TRUE(panneau.unregisterService(kVeilleur));
        vt::test::attendre([&] { return f1->isVisible(); }, c.visible_apres ? 5000 : 500);
        EXPECT_EQ(f1->isVisible(), c.visible_apres) << c.sni << c.cachee;
        EXPECT_EQ(plateau().icone() && plateau().icone()->isVisible(), !c.visible_apres) << c.sni << c.cachee;
        veille.reset();
    }
}

}  // namespace
