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
