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

namespace vt {

// The frame of a secondary window of one size: a tool window whose title bar
// holds a close button only (no minimise or maximise, which a window
// manager would otherwise offer beside it).
inline constexpr Qt::WindowFlags kCadreFixe =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

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
