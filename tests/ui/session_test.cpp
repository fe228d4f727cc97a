// The window system's rules: the platform asked for at start, the place a
// window system cannot tell, and the notification-area button and icon on
// the real main window.
#include "ui/fixture.h"
#include "ui/session.h"

#include <QMenu>

namespace {

// X11 first, native Wayland where no X server answers (first where no X
// display is named); a platform the user named (variable set and not
// blank) is kept as it is.
TEST(Session, PlatformIsAskedForUnlessTheUserChoseOne) {
    const QByteArray avant = qgetenv("QT_QPA_PLATFORM"), affichage = qgetenv("DISPLAY");
    const struct {
        std::optional<QByteArray> choix;
        const char* display;
        QByteArray attendu;
    } cas[] = {{std::nullopt, ":0", "xcb;wayland"}, {"", ":0", "xcb;wayland"}, {std::nullopt, "", "wayland;xcb"},
               {"wayland", ":0", "wayland"},      {"xcb", "", "xcb"},         {"offscreen", ":0", "offscreen"}};
    for (const auto& c : cas) {
        if (c.choix) qputenv("QT_QPA_PLATFORM", *c.choix);
        else qunsetenv("QT_QPA_PLATFORM");
        qputenv("DISPLAY", c.display);
        vt::choisir_plateforme();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), c.attendu) << (c.choix ? c.choix->constData() : "(unset)") << c.display;
    }
    qputenv("QT_QPA_PLATFORM", avant);
    if (affichage.isEmpty()) qunsetenv("DISPLAY");
    else qputenv("DISPLAY", affichage);
}

// Only native Wayland keeps top-level places from the program.
TEST(Session, PlaceIsUnknownOnNativeWaylandOnly) {
    for (auto [plateforme, connue] : {std::pair{u"xcb", true}, {u"offscreen", true}, {u"wayland", false},
                                      {u"wayland-egl", false}, {u"wayland-xcomposite-glx", false}})
        EXPECT_EQ(vt::position_connue(QStringView(plateforme)), connue) << QString::fromUtf16(plateforme).toStdString();
}

class Plateau : public vt::test::FenetresTest {
protected:
    void TearDown() override {
        vt::definir_zone_notification([] { return true; });
        vt::definir_test_status_notifier(nullptr);
        FenetresTest::TearDown();
    }
};

// Without a notification area the tray button minimises (no icon that
// nobody could show); with one it hides the window behind the icon.
TEST_F(Plateau, WithoutTrayTheButtonMinimises) {
    for (bool zone : {false, true}) {
        vt::definir_zone_notification([zone] { return zone; });
        ecrire_config();
        demarrer();
        f1->show();
        clic(f1->tray_image);
        EXPECT_EQ(f1->isVisible(), !zone) << zone;
        EXPECT_EQ(f1->isMinimized(), !zone) << zone;
        EXPECT_EQ(f1->TrayIcon1->isVisible(), zone) << zone;
    }
}

// Which activation restores the hidden window and which opens the menu,
// on a StatusNotifier host (the menu is the host's) and on an XEmbed tray.
TEST_F(Plateau, ActivationRestoresOrOpensTheMenuByTrayKind) {
    using R = QSystemTrayIcon;
    const struct {
        R::ActivationReason raison;
        bool sni, restaure, menu;
    } cas[] = {{R::DoubleClick, false, true, false}, {R::Trigger, false, false, false}, {R::Context, false, false, true},
               {R::MiddleClick, false, false, false}, {R::DoubleClick, true, true, false}, {R::Trigger, true, true, false},
               {R::Context, true, false, false}, {R::MiddleClick, true, false, false}};
    for (const auto& c : cas) {
        vt::definir_test_status_notifier([sni = c.sni] { return sni; });
        ecrire_config();
        demarrer();
        f1->show();
        clic(f1->tray_image);
        ASSERT_FALSE(f1->isVisible());
        EXPECT_EQ(f1->TrayIcon1->contextMenu() == f1->PopupMenu1, c.sni);
        emit f1->TrayIcon1->activated(c.raison);
        EXPECT_EQ(f1->isVisible(), c.restaure) << c.raison << c.sni;
        EXPECT_EQ(f1->TrayIcon1->isVisible(), !c.restaure) << c.raison << c.sni;
        EXPECT_EQ(f1->PopupMenu1->isVisible(), c.menu) << c.raison << c.sni;
        f1->PopupMenu1->hide();
    }
}

}  // namespace
