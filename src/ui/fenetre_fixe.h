#pragma once
// The frame of the player's small fixed windows (the about window, the
// file information window): a tool window of one size on a plain
// background, with no handlers of its own; closing it only hides it. It
// opens centred on the main window's screen the first time it is shown;
// afterwards it keeps the user's place on that screen.
#include <QColor>
#include <QSize>
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>
#include <vector>

namespace vt {

// The frame of a secondary window of one size: a tool window whose title bar
// holds a close button only (no minimise or maximise, which a window
// manager would otherwise offer beside it).
inline constexpr Qt::WindowFlags kCadreFixe =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// The window types, best first, that a window of one size asks the X window
// manager named `gestionnaire` for, so that its title bar holds a close
// button only (`dialogue`: a message box, else a tool window). The flags
// above say it through the Motif hints, which most managers follow;
// Openbox leaves its minimise button (and a maximise button that does
// nothing) on every type but a toolbar's, so there the window says it is a
// toolbar first, then what it is. Empty: the toolkit's own type is right.
std::vector<std::string> types_fermeture_seule(std::string_view gestionnaire, bool dialogue);

// Gives `fenetre` those types on X11 each time it is about to show
// (nothing on other platforms).
void fermeture_seule(QWidget& fenetre, bool dialogue);

class FenetreFixe : public QWidget {
    Q_OBJECT
public:
    FenetreFixe(const QString& nom, const QString& titre, QSize taille, QColor fond);

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool centree_ = false;
};

}  // namespace vt
