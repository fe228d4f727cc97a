// What the options, about and information windows share: tool windows with
// a caption and a close box, centred on their first showing only, hidden
// (never destroyed) by their close box.
#include "ui/fenetre_fixe.h"
#include "ui/fixture.h"
#include "ui/tform3.h"
#include "ui/tform4.h"
#include "ui/tform5.h"
#include "ui/tform6.h"

#include <QScreen>

#include <string>
#include <tuple>
#include <vector>

namespace {

using vt::test::DemarreTest;

class Secondaires : public DemarreTest<false> {
protected:
    std::vector<QWidget*> fenetres() const {
        return {fenetres_module().Form4, fenetres_module().Form5, fenetres_module().Form6};
    }
};

// Each is a tool window with a caption bar and a close box, hidden at start.
TEST_F(Secondaires, ToolWindowsWithCaptionAndCloseBox) {
    for (QWidget* w : std::initializer_list<QWidget*>{fenetres_module().Form3, fenetres_module().Form4,
                                                      fenetres_module().Form5, fenetres_module().Form6}) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_EQ(w->windowType(), Qt::Tool);
        EXPECT_FALSE(w->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
        // Of one size: no minimise or maximise button beside the close box.
        EXPECT_TRUE(w->windowFlags() & Qt::CustomizeWindowHint);
        EXPECT_FALSE(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_FALSE(w->windowTitle().isEmpty());
        EXPECT_FALSE(w->isVisible());
    }
}

// The first showing centres the window on the screen; later showings leave
// it where the user put it.
TEST_F(Secondaires, CentredTheFirstTimeThenKeepTheirPlace) {
    const QRect ecran = QGuiApplication::primaryScreen()->availableGeometry();
    for (QWidget* w : fenetres()) {
        SCOPED_TRACE(w->objectName().toStdString());
        w->setVisible(true);
        const QPoint ecart = w->frameGeometry().center() - ecran.center();
        EXPECT_LE(ecart.manhattanLength(), 2);
        w->move(ecran.left() + 13, ecran.top() + 17);
        w->setVisible(false);
        w->setVisible(true);
        EXPECT_EQ(w->pos(), QPoint(ecran.left() + 13, ecran.top() + 17));
    }
}

// The close box only hides: the same window shows again, in its place.
TEST_F(Secondaires, CloseOnlyHides) {
    for (QWidget* w : fenetres()) {
        SCOPED_TRACE(w->objectName().toStdString());
        QPointer<QWidget> garde(w);
        w->setVisible(true);
        w->move(21, 34);
        EXPECT_TRUE(w->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(garde.isNull());
        EXPECT_FALSE(w->isVisible());
        w->setVisible(true);
        EXPECT_EQ(w->pos(), QPoint(21, 34));
    }
}

}  // namespace

// Only under Openbox, which keeps its minimise button on a tool window or a
// dialog whatever its hints, do the windows of one size say they are
// toolbars first; other managers read the hints; without one, no title bar.
TEST(FermetureSeule, OpenboxAloneGetsAToolbarsType) {
    const std::string barre = "_NET_WM_WINDOW_TYPE_TOOLBAR";
    const std::tuple<const char*, bool, std::vector<std::string>> cas[] = {
        {"Openbox", false, {barre, "_NET_WM_WINDOW_TYPE_UTILITY"}},
        {"openbox", true, {barre, "_NET_WM_WINDOW_TYPE_DIALOG"}},
        {"Xfwm4", false, {}},
        {"Openbox2", true, {}},
        {"", true, {}}};
    for (const auto& [gestionnaire, dialogue, types] : cas)
        EXPECT_EQ(vt::types_fermeture_seule(gestionnaire, dialogue), types) << gestionnaire;
}
