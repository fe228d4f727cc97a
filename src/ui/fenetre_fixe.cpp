#include "ui/fenetre_fixe.h"

#include "ui/ecrans.h"
#include "ui/session.h"

#include <QGuiApplication>
#include <QShowEvent>
#include <utility>

#ifdef VANTREL_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace vt {

std::vector<std::string> types_fermeture_seule(std::string_view gestionnaire, bool dialogue) {
    if (QString::fromUtf8(gestionnaire.data(), static_cast<qsizetype>(gestionnaire.size()))
            .compare(QLatin1String("Openbox"), Qt::CaseInsensitive) != 0)
        return {};
    return {"_NET_WM_WINDOW_TYPE_TOOLBAR",
            dialogue ? "_NET_WM_WINDOW_TYPE_DIALOG" : "_NET_WM_WINDOW_TYPE_UTILITY"};
}

namespace {

#ifdef VANTREL_XCB
xcb_atom_t atome(xcb_connection_t* c, std::string_view nom) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(nom.size()), nom.data()), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
}

// The first `longueur` 32-bit units (or bytes) of property `nom` of `w`.
std::string propriete(xcb_connection_t* c, xcb_window_t w, xcb_atom_t nom, xcb_atom_t type,
                      uint32_t longueur) {
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, nom, type, 0, longueur), nullptr);
    std::string v;
    if (r && r->type == type)
        v.assign(static_cast<const char*>(xcb_get_property_value(r)),
                 static_cast<std::size_t>(xcb_get_property_value_length(r)));
    std::free(r);
    return v;
}

// The running window manager's name, as it gives it on its check window;
// empty without one.
std::string gestionnaire_x11(xcb_connection_t* c) {
    const xcb_screen_t* ecran = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!ecran) return {};
    const std::string id =
        propriete(c, ecran->root, atome(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 1);
    if (id.size() != sizeof(xcb_window_t)) return {};
    xcb_window_t verif = 0;
    std::memcpy(&verif, id.data(), sizeof verif);
    return propriete(c, verif, atome(c, "_NET_WM_NAME"), atome(c, "UTF8_STRING"), 64);
}
#endif

// Sets the types as the window is about to be mapped: the show event comes
// once its X window exists and before the window manager sees it.
class FermetureSeule : public QObject {
public:
    FermetureSeule(QWidget& fenetre, bool dialogue) : QObject(&fenetre), dialogue_(dialogue) {
        fenetre.installEventFilter(this);
    }
    bool eventFilter(QObject* objet, QEvent* e) override {
        if (e->type() == QEvent::Show && objet == parent()) appliquer(*static_cast<QWidget*>(objet));
        return false;
    }

private:
    void appliquer(QWidget& fenetre) const {
#ifdef VANTREL_XCB
        auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        xcb_connection_t* c = x11 ? x11->connection() : nullptr;
        if (!c || nom_plateforme() != QLatin1String("xcb") || !fenetre.windowHandle()) return;
        const std::vector<std::string> types = types_fermeture_seule(gestionnaire_x11(c), dialogue_);
        if (types.empty()) return;
        std::vector<xcb_atom_t> atomes;
        for (const std::string& t : types) atomes.push_back(atome(c, t));
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(fenetre.winId()),
                            atome(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(atomes.size()), atomes.data());
        xcb_flush(c);
#else
        (void)fenetre;
#endif
    }

    bool dialogue_;
};

}  // namespace

void fermeture_seule(QWidget& fenetre, bool dialogue) { new FermetureSeule(fenetre, dialogue); }

FenetreFixe::FenetreFixe(const QString& nom, const QString& titre, QSize taille, QColor fond)
    : QWidget(nullptr) {
    setObjectName(nom);
    setWindowFlags(kCadreFixe);
    fermeture_seule(*this, false);
    setWindowTitle(titre);
    setFixedSize(taille);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, fond);
    setPalette(p);
}

void FenetreFixe::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) ouvrir_sur_ecran_du_lecteur(*this, !std::exchange(centree_, true));
    QWidget::showEvent(e);
}

}  // namespace vt
