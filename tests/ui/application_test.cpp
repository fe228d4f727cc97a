// The application's identity and the French texts of the toolkit's dialogs.
#include "ui/application.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <memory>

namespace {

// Gives back the application's names as they were.
struct NomsSauves {
    QString nom = QCoreApplication::applicationName();
    QString bureau = QGuiApplication::desktopFileName();
    ~NomsSauves() {
        QCoreApplication::setApplicationName(nom);
        QGuiApplication::setDesktopFileName(bureau);
    }
};

// The name is vantrel for the desktop, and no display name is set: the
// toolkit appends a set display name to every caption. The display name
// follows the application's name only while none was set, which a later
// renaming shows.
TEST(Application, NamedVantrelWithoutADisplayNameForTheCaptions) {
    NomsSauves sauves;
    vt::identifier_application();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("vantrel"));
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("vantrel"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("vantrel"));
    QCoreApplication::setApplicationName(QStringLiteral("autre"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("autre"));
}

// Removes the translator it is given when the test ends.
struct Traduction {
    QTranslator* t;
    ~Traduction() {
        if (t) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
    }
};

// With Qt's French translation loaded, the question's buttons and the file
// dialogs read in French, whatever the locale.
TEST(Application, StandardDialogsAndButtonsInFrench) {
    Traduction tr{vt::traduire_en_francais()};
    ASSERT_NE(tr.t, nullptr) << "qtbase_fr.qm missing: package qt6-translations-l10n (tools/install-deps.sh)";

    QMessageBox question(QMessageBox::NoIcon, QStringLiteral("vantrel"), QStringLiteral("?"),
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Oui"));
    EXPECT_EQ(question.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Non"));
    QMessageBox message(QMessageBox::NoIcon, QStringLiteral("erreur !"), QStringLiteral("!"),
                        QMessageBox::Ok);
    EXPECT_EQ(message.button(QMessageBox::Ok)->text().remove(QLatin1Char('&')), QStringLiteral("OK"));

    QFileDialog ouvrir;
    ouvrir.setOption(QFileDialog::DontUseNativeDialog);
    ouvrir.setAcceptMode(QFileDialog::AcceptOpen);
    EXPECT_EQ(ouvrir.labelText(QFileDialog::LookIn), QStringLiteral("Voir dans :"));
    EXPECT_EQ(ouvrir.labelText(QFileDialog::Reject), QStringLiteral("Annuler"));
    EXPECT_EQ(ouvrir.labelText(QFileDialog::Accept).remove(QLatin1Char('&')), QStringLiteral("Ouvrir"));
    EXPECT_EQ(ouvrir.windowTitle(), QStringLiteral("Ouvrir"));
    QFileDialog enregistrer;
    enregistrer.setOption(QFileDialog::DontUseNativeDialog);
    enregistrer.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(enregistrer.labelText(QFileDialog::Accept).remove(QLatin1Char('&')),
              QStringLiteral("Enregistrer"));
    EXPECT_EQ(enregistrer.windowTitle(), QStringLiteral("Enregistrer sous"));
}

// Without the file the texts stay as they are and nothing is installed.
TEST(Application, MissingTranslationLeavesTheTexts) {
    vt::test::DossierTemp vide;
    Traduction tr{vt::traduire_en_francais(QString::fromStdString(vide.chemin()))};
    EXPECT_EQ(tr.t, nullptr);
    QMessageBox question(QMessageBox::NoIcon, QStringLiteral("vantrel"), QStringLiteral("?"),
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Yes"));
}

}  // namespace
