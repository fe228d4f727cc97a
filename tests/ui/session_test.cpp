// The window system's rules: the platform asked for at start, the place a
// window system cannot tell, the tray button and icon on the real window.
#include "ui/fixture.h"
#include "ui/session.h"

namespace {

// X11 first (Wayland first where no X display is named); a platform the
// user named is kept. Only native Wayland hides a window's place.
TEST(Session, PlatformAskedForAndPlaceKnown) {
    const QByteArray avant = qgetenv("QT_QPA_PLATFORM"), affichage = qgetenv("DISPLAY");
    const std::tuple<const char*, const char*, QByteArray> cas[] = {
        {nullptr, ":0", "xcb;wayland"}, {"", ":0", "xcb;wayland"}, {nullptr, "", "wayland;xcb"},
        {"wayland", ":0", "wayland"}, {"xcb", "", "xcb"}};
    for (const auto& [choix, display, attendu] : cas) {
        choix ? qputenv("QT_QPA_PLATFORM", choix) : qunsetenv("QT_QPA_PLATFORM");
        qputenv("DISPLAY", display);
        vt::choisir_plateforme();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), attendu) << (choix ? choix : "(unset)") << display;
    }
    qputenv("QT_QPA_PLATFORM", avant);
    affichage.isEmpty() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", affichage);
    for (auto [nom, connue] : {std::pair{u"xcb", true}, {u"offscreen", true}, {u"wayland", false}, {u"wayland-egl", false}})
        EXPECT_EQ(vt::position_connue(QStringView(nom)), connue);
}

class SessionFenetre : public vt::test::FenetresTest {
    void TearDown() override {
        vt::definir_zone_notification([] { return true; });
        vt::definir_test_status_notifier(nullptr);
        FenetresTest::TearDown();
    }
};

// The tray button minimises without a notification area; with one, the
// window hides and which activation restores it or opens the menu depends
// on the tray: a StatusNotifier host (which has the menu) or XEmbed.
TEST_F(SessionFenetre, TrayButtonAndActivations) {
    using R = QSystemTrayIcon;
    const struct {
        bool zone, sni;
        R::ActivationReason raison;
        bool visible, menu;
    } cas[] = {{false, false, R::Trigger, true, false},   {true, false, R::DoubleClick, true, false},
               {true, false, R::Trigger, false, false},   {true, false, R::Context, false, true},
               {true, true, R::DoubleClick, true, false}, {true, true, R::Trigger, true, false},
               {true, true, R::Context, false, false},    {true, true, R::MiddleClick, false, false}};
    for (const auto& c : cas) {
        vt::definir_zone_notification([z = c.zone] { return z; });
        vt::definir_test_status_notifier([s = c.sni] { return s; });
        ecrire_config();
        demarrer();
        f1->show();
        clic(f1->tray_image);
        EXPECT_EQ(f1->isMinimized(), !c.zone);
        EXPECT_EQ(f1->TrayIcon1->contextMenu() == f1->PopupMenu1, c.sni);
        emit f1->TrayIcon1->activated(c.raison);
        EXPECT_EQ(f1->isVisible(), c.visible) << c.zone << c.sni << c.raison;
        EXPECT_EQ(f1->TrayIcon1->isVisible(), c.zone && !c.visible) << c.zone << c.sni << c.raison;
        EXPECT_EQ(f1->PopupMenu1->isVisible(), c.menu) << c.zone << c.sni << c.raison;
        f1->PopupMenu1->hide();
    }
}

}  // namespace
