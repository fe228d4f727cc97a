#include "ui/tform5.h"

#include "skin/aspect_integre.h"

namespace {

const QStringList kLignesMemo = {
    QStringLiteral("Caractéristique de lecteur :"),
    QStringLiteral("- lecture des mp3, wav, wma "),
    QStringLiteral("- gestion de skins"),
    QStringLiteral("- gestion de playlists"),
    QStringLiteral("- utilisation du systray"),
    QString(),
    QStringLiteral("Caractéristique technique :"),
    QStringLiteral("- décodage mp3 : mpg123 ; wav, flac, ogg : libsndfile"),
    QStringLiteral("- décodage des autres formats : FFmpeg"),
    QStringLiteral("- sortie : PulseAudio (SDL2 en secours)"),
    QString(),
    QStringLiteral("Remerciements :"),
    QStringLiteral("- aux personnes qui ont essayé les premières versions"),
    QStringLiteral("- aux auteurs de skins"),
    QStringLiteral("- à Qt et aux projets libres cités plus haut"),
    QString(),
    QStringLiteral("Contact :"),
    QStringLiteral("- remarques et anomalies : page du projet vantrel"),
};

}  // namespace

TForm5::TForm5(const vt::ServicesFenetres&)
    : FenetreFixe(QStringLiteral("Form5"), QStringLiteral("A propos de Vantrel"), QSize(387, 441),
                  QColor(0, 0, 128)) {
    // The background is wider than the window: shifted left and clipped.
    Image2 = new vt::ImageVt(this, "Image2", QRect(-121, 0, 641, 516));
    Image2->definir(vt::image_integree("about_fond"));
    Shape1 = new vt::FormeVt(this, QRect(65, 24, 219, 48), QColor(255, 0, 0), 2, Qt::black);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Image1 = new vt::ImageVt(this, "Image1", QRect(74, 29, 200, 37));
    Image1->definir(vt::image_integree("about_logo"));

    Label1 = new vt::LabelVt(this, QStringLiteral("Version 2.0"), QPoint(187, 78));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(vt::police("MS Sans Serif", 19, false));
    Label1->adjustSize();
    Label1->definir_couleur(QColor(255, 0, 0));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(30, 158, 323, 263);
    Memo1->setFont(vt::police("MS Sans Serif", 11, false));
    Memo1->setPlainText(kLignesMemo.join(QLatin1Char('\n')));
    Memo1->setReadOnly(true);
    Memo1->setEnabled(false);
    Memo1->setFocusPolicy(Qt::NoFocus);
    // Disabled, yet drawn in its own colours rather than greyed.
    QPalette pm = Memo1->palette();
    for (auto groupe : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pm.setColor(groupe, QPalette::Base, Qt::black);
        pm.setColor(groupe, QPalette::Text, QColor(0, 0, 255));
    }
    Memo1->setPalette(pm);
}
