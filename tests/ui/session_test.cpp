// The window system's rules: the platform asked for at start, the place a
// window system cannot tell, the tray button and icon on the real window.
#include "ui/session.h"
#include "ui/fixture.h"

namespace {

// X11 first (Wayland first where no X display is named); a platform the
// user named is kept. Only native Wayland hides a window's place.
TEST(Session, PlatformAskedForAndPlaceKnown) {
    const QByteArray avant = qgetenv("QT_QPA_PLATFORM"), affichage = qgetenv("DISPLAY");
    const std::tuple<const char*, const char*, QByteArray> cas[] = {{nullptr, ":0", "xcb;wayland"},
                                                                    {"", ":0", "xcb;wayland"},
                                                                    {nullptr, "", "wayland;xcb"},
                                                                    {"wayland", ":0", "wayland"},
                                                                    {"xcb", "", "xcb"}};
    for (const auto& [choix, display, attendu] : cas) {
        choix ? qputenv("QT_QPA_PLATFORM", choix) : qunsetenv("QT_QPA_PLATFORM");
        qputenv("DISPLAY", display);
        vt::choisir_plateforme();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), attendu) << (choix ? choix : "(unset)") << display;
    }
    qputenv("QT_QPA_PLATFORM", avant);
    affichage.isEmpty() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", affichage);
    for (auto [nom, connue] :
         {std::pair{u"xcb", true}, {u"offscreen", true}, {u"wayland", false}, {u"wayland-egl", false}})
        EXPECT_EQ(vt::position_connue(QStringView(nom)), connue);
}

// A press held down becomes a move only past the drag distance along an
// axis; a tap, or a tremble of the hand, never moves the window.
TEST(Session, DragStartsPastTheDragDistance) {
    const struct {
        QPoint actuel;
        int seuil;
        bool glisse;
    } cas[] = {{{100, 100}, 10, false}, {{109, 100}, 10, false}, {{110, 100}, 10, true},
               {{100, 91}, 10, false},  {{100, 90}, 10, true},   {{107, 107}, 10, false},
               {{101, 100}, 0, true},   {{100, 100}, 0, false},  {{97, 100}, 3, true}};
    for (const auto& c : cas)
        EXPECT_EQ(vt::glissement_commence({100, 100}, c.actuel, c.seuil), c.glisse)
            << c.actuel.x() << c.actuel.y();
}

// Once past the drag distance the window follows the pointer's whole
// distance from the press (+100,+50 moves it +100,+50, not +90,+45 as a
// window manager taking the move over late did); a tremble within the
// distance moves nothing, and a drag back toward the press keeps following.
TEST(Session, DragMovesTheWindowByThePointersWholeDistance) {
    const QPoint appui(500, 300), fenetre(200, 150);
    const struct {
        const char* quoi;
        int seuil;
        std::vector<QPoint> chemin;
        std::optional<QPoint> place;
    } cas[] = {
        {"+100,+50 in steps", 10, {{505, 302}, {510, 305}, {600, 350}}, QPoint(300, 200)},
        {"-60,-20", 10, {{490, 297}, {440, 280}}, QPoint(140, 130)},
        {"one jump far past the distance", 10, {{600, 350}}, QPoint(300, 200)},
        {"exactly the distance", 10, {{500, 290}}, QPoint(200, 140)},
        {"a tremble within the distance", 10, {{503, 302}, {509, 291}, {495, 300}}, std::nullopt},
        {"back within the distance once started", 10, {{520, 300}, {503, 301}}, QPoint(203, 151)},
        {"back to the press", 10, {{480, 300}, {500, 300}}, QPoint(200, 150)},
        {"a distance of 0 taken as 1", 0, {{501, 300}}, QPoint(201, 150)},
        {"no move at the press point", 0, {{500, 300}}, std::nullopt},
        {"distance 20 at scale 2, short", 20, {{519, 319}}, std::nullopt},
        {"distance 20 at scale 2, reached", 20, {{519, 319}, {480, 320}}, QPoint(180, 170)},
    };
    for (const auto& c : cas) {
        vt::Glissement g(appui, fenetre);
        std::optional<QPoint> place;
        for (const QPoint& p : c.chemin) place = g.suivre(p, c.seuil);
        EXPECT_EQ(place, c.place) << c.quoi;
        EXPECT_EQ(g.commence(), c.place.has_value()) << c.quoi;
    }
}

// The program moves its own window on X11 (with or without a window
// manager); the compositor does on native Wayland and for an X window on a
// Wayland session.
TEST(Session, WhoMovesTheWindowDuringADrag) {
    using M = vt::Mouvoir;
    const std::tuple<const char16_t*, bool, M> cas[] = {{u"xcb", false, M::Programme},
                                                        {u"xcb", true, M::Systeme},
                                                        {u"wayland", false, M::Systeme},
                                                        {u"wayland-egl", true, M::Systeme},
                                                        {u"offscreen", false, M::Programme}};
    for (const auto& [plateforme, wayland, attendu] : cas)
        EXPECT_EQ(vt::qui_deplace(QStringView(plateforme), wayland), attendu)
            << QStringView(plateforme).toString().toStdString() << wayland;
}

// The window hidden behind an XEmbed tray's icon comes back when that tray
// is gone; a tray still there, an unknown one, a StatusNotifier host (whose
// leaving is told otherwise) or no icon shown keep it as it is.
TEST(Session, GoneXEmbedTrayGivesTheWindowBack) {
    const std::tuple<bool, bool, std::optional<bool>, bool> cas[] = {{true, false, false, true},
                                                                     {true, false, true, false},
                                                                     {true, false, std::nullopt, false},
                                                                     {true, true, false, false},
                                                                     {false, false, false, false}};
    for (const auto& [icone, sni, xembed, perdu] : cas)
        EXPECT_EQ(vt::plateau_perdu(icone, sni, xembed), perdu) << icone << sni << xembed.value_or(2);
}

// The tray button never takes the window where nothing brings it back: it
// hides behind an icon only where a tray of the icon's kind answers now,
// minimises where the session keeps minimised windows in a list (X11, or a
// Wayland desktop with a task bar or an overview), and otherwise leaves the
// window shown (a bare compositor, a host that left).
TEST(Session, TrayButtonNeverLosesTheWindow) {
    using A = vt::ActionPlateau;
    const std::optional<bool> aucune, sni = true, xembed = false;
    const struct {
        const char16_t* plateforme;
        bool wayland;
        const char16_t* bureau;
        bool hote, tray_xembed;
        std::optional<bool> icone;
        A action;
    } cas[] = {
        {u"xcb", false, u"", false, true, aucune, A::Cacher},       // openbox and its XEmbed tray
        {u"xcb", false, u"", false, false, aucune, A::Minimiser},   // a window manager without a tray
        {u"wayland", true, u"", false, false, aucune, A::Laisser},  // Weston, no host
        {u"wayland", true, u"", true, false, aucune, A::Cacher},    // Weston with a host
        {u"wayland", true, u"", false, false, sni, A::Laisser},     // ... once the host left
        {u"wayland", true, u"", true, false, sni, A::Cacher},       // ... and came back
        {u"wayland", true, u"GNOME", false, false, aucune, A::Minimiser},
        {u"wayland", true, u"ubuntu:GNOME", false, false, sni, A::Minimiser},
        {u"wayland-egl", true, u"sway", false, false, aucune, A::Laisser},
        {u"xcb", true, u"", false, false, aucune, A::Laisser},  // XWayland on a bare compositor
        {u"xcb", true, u"KDE", false, false, aucune, A::Minimiser},
        {u"xcb", true, u"KDE", true, false, aucune, A::Cacher},
        {u"xcb", false, u"", true, false, xembed, A::Minimiser},  // an XEmbed icon, its tray gone
        {u"xcb", false, u"", false, true, sni, A::Minimiser},     // an item, its host gone
        {u"xcb", false, u"", true, false, sni, A::Cacher},
    };
    for (const auto& c : cas) {
        const bool atteignable = vt::icone_atteignable(c.hote, c.tray_xembed, c.icone);
        const bool retrouvable =
            vt::reduite_retrouvable(QStringView(c.plateforme), c.wayland, QStringView(c.bureau));
        EXPECT_EQ(vt::action_bouton_plateau(atteignable, retrouvable), c.action)
            << QString::fromUtf16(c.plateforme).toStdString() << c.wayland
            << QString::fromUtf16(c.bureau).toStdString() << c.hote << c.tray_xembed << c.icone.value_or(2);
    }
}

// The tray state follows the window: shown by the toolkit, the icon goes;
// hidden by the toolkit and mapped by another program (X11 says so), it
// comes back whole; where the window system cannot tell, nothing changes.
TEST(Session, TrayStateFollowsWhatTheWindowIs) {
    using S = vt::SuiviPlateau;
    const std::optional<bool> inconnu;
    const std::tuple<bool, std::optional<bool>, bool, S> cas[] = {
        {true, true, true, S::RetirerIcone}, {true, inconnu, true, S::RetirerIcone},
        {true, true, false, S::Rien},        {false, true, true, S::Revenir},
        {false, false, true, S::Rien},       {false, inconnu, true, S::Rien}};
    for (const auto& [visible, affichee, icone, suivi] : cas)
        EXPECT_EQ(vt::suivre_plateau(visible, affichee, icone), suivi)
            << visible << affichee.value_or(2) << icone;
}

// A second start brings the window back from every state: shown from the
// tray, restored and raised, or on native Wayland (minimised, or without
// the focus) hidden and shown anew.
TEST(Session, WindowComesBackFromEveryState) {
    using R = vt::Retour;
    const struct {
        bool visible, minimisee, active, position;
        R retour;
    } cas[] = {{false, false, false, true, R::Montrer},       {false, true, false, false, R::Montrer},
               {true, true, false, true, R::Restaurer},       {true, true, true, false, R::CacherMontrer},
               {true, false, false, true, R::Restaurer},      {true, false, true, true, R::Restaurer},
               {true, false, false, false, R::CacherMontrer}, {true, false, true, false, R::Restaurer}};
    for (const auto& c : cas)
        EXPECT_EQ(vt::retour_fenetre(c.visible, c.minimisee, c.active, c.position), c.retour)
            << c.visible << c.minimisee << c.active << c.position;
}

class SessionFenetre : public vt::test::FenetresTest {
    void TearDown() override {
        vt::definir_zone_notification([] { return true; });
        vt::definir_test_status_notifier(nullptr);
        vt::definir_nom_plateforme(QString());
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
        // No icon is made where there is no notification area.
        ASSERT_EQ(plateau().icone() != nullptr, c.zone);
        if (!c.zone) continue;
        EXPECT_EQ(plateau().icone()->contextMenu() == plateau().menu(), c.sni);
        emit plateau().icone()->activated(c.raison);
        EXPECT_EQ(f1->isVisible(), c.visible) << c.zone << c.sni << c.raison;
        EXPECT_EQ(plateau().icone()->isVisible(), c.zone && !c.visible) << c.zone << c.sni << c.raison;
        EXPECT_EQ(plateau().menu()->isVisible(), c.menu) << c.zone << c.sni << c.raison;
        plateau().menu()->hide();
    }
}

// On the real window: a Wayland session with no tray leaves it shown on a
// bare compositor and minimises it on a desktop that lists it; so does the
// minimise button, tray or not.
TEST_F(SessionFenetre, TrayButtonWithoutTrayOnWayland) {
    const QByteArray avant = qgetenv("XDG_CURRENT_DESKTOP");
    for (auto [bureau, minimisee] : {std::pair{"", false}, {"GNOME", true}})
        for (auto [bouton, zone] : {std::pair{&TForm1::tray_image, false}, {&TForm1::image_reduire, true}}) {
            vt::definir_zone_notification([z = zone] { return z; });
            vt::definir_nom_plateforme(QStringLiteral("wayland"));
            qputenv("XDG_CURRENT_DESKTOP", bureau);
            ecrire_config();
            demarrer();
            f1->show();
            clic(f1->*bouton);
            EXPECT_TRUE(f1->isVisible()) << bureau << zone;
            EXPECT_EQ(f1->isMinimized(), minimisee) << bureau << zone;
            EXPECT_FALSE(plateau().icone()) << bureau << zone;
        }
    qputenv("XDG_CURRENT_DESKTOP", avant);
}

// The tray state follows the window: shown by anyone else, the icon goes and
// the tray button hides it again.
TEST_F(SessionFenetre, TrayStateFollowsTheWindow) {
    ecrire_config();
    demarrer();
    f1->show();
    clic(f1->tray_image);
    ASSERT_FALSE(f1->isVisible());
    ASSERT_TRUE(plateau().montre());
    f1->show();
    EXPECT_FALSE(plateau().montre());
    clic(f1->tray_image);
    EXPECT_FALSE(f1->isVisible());
    EXPECT_TRUE(plateau().montre());
}

// Brought back through the real window from hidden, minimised and visible,
// as if on X11 and on native Wayland: visible, not minimised, icon gone.
TEST_F(SessionFenetre, SecondStartBringsTheWindowBack) {
    for (const char* plateforme : {"xcb", "wayland"}) {
        for (int etat = 0; etat < 3; ++etat) {
            vt::definir_nom_plateforme(QString::fromLatin1(plateforme));
            ecrire_config();
            demarrer();
            f1->show();
            if (etat == 0) f1->tray_imageClick();
            if (etat == 1) f1->showMinimized();
            f1->revenir();
            EXPECT_TRUE(f1->isVisible()) << plateforme << etat;
            EXPECT_FALSE(f1->isMinimized()) << plateforme << etat;
            EXPECT_TRUE(!plateau().icone() || !plateau().icone()->isVisible()) << plateforme << etat;
        }
    }
}

}  // namespace
