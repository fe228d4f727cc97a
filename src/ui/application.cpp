#include "ui/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vt {

void identifier_application() {
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("vantrel"));
}

QTranslator* traduire_en_francais(const QString& dossier) {
    auto* traduction = new QTranslator(QCoreApplication::instance());
    const QString ou = dossier.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : dossier;
    if (!traduction->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                          QStringLiteral("_"), ou) ||
        !QCoreApplication::installTranslator(traduction)) {
        delete traduction;
        return nullptr;
    }
    return traduction;
}

}  // namespace vt
