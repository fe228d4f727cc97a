#include "ui/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QThreadPool>
#include <QTranslator>

#include <malloc.h>

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

void limiter_memoire_des_fils() { ::mallopt(M_ARENA_MAX, 2); }

void garder_fil_de_dessin() {
    QThreadPool* pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(-1);
    pool->setMaxThreadCount(1);
    pool->start([] {});
}

}  // namespace vt
