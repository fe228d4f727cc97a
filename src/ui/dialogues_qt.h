#pragma once
#include "ui/dialogues.h"

#include <QStringList>

namespace vt {

// "mp3|*.mp3|wav|*.wav" -> {"mp3 (*.[mM][pP]3)", "wav (*.[wW][aA][vV])"}:
// one Qt name filter per pair, each pattern matching its extension in any
// case, since the file system here tells case apart.
QStringList filtres_qt(const std::string& filtre);

// The real dialogs: Qt's file dialogs and message boxes with no icon and
// no parent. File dialogs never change the current directory.
class DialoguesQt final : public ServiceDialogues {
public:
    std::vector<std::string> ouvrir_fichiers(const std::string& filtre) override;
    std::optional<std::string> enregistrer_fichier(const std::string& initial) override;
    std::optional<std::string> choisir_repertoire(const QString& invite, const std::string& initial) override;
    std::optional<std::string> choisir_fichier(const std::string& filtre,
                                               const std::string& initial) override;
    void message(const QString& legende, const QString& texte) override;
    bool question(const QString& legende, const QString& texte) override;

private:
    QString dossier_ajout_;  // where the add dialog's last files were
};

}  // namespace vt
