#pragma once
// A dialog service for tests: answers come from queues the test fills, and
// every message and question is recorded.
#include "ui/dialogues.h"

#include <deque>
#include <utility>

namespace vt::test {

class DialoguesScriptes final : public ServiceDialogues {
public:
    DialoguesScriptes() { installer_dialogues(this); }
    ~DialoguesScriptes() override { installer_dialogues(nullptr); }
    DialoguesScriptes(const DialoguesScriptes&) = delete;
    DialoguesScriptes& operator=(const DialoguesScriptes&) = delete;

    // Answers, consumed in order; an empty queue means "cancel" / "No".
    std::deque<std::vector<std::string>> fichiers_a_ouvrir;
    std::deque<std::optional<std::string>> fichiers_a_enregistrer;
    std::deque<std::optional<std::string>> repertoires;
    std::deque<std::optional<std::string>> fichiers_choisis;
    std::deque<bool> reponses;

    // What the program asked.
    std::vector<std::pair<QString, QString>> messages;   // caption, text
    std::vector<std::pair<QString, QString>> questions;  // caption, text
    std::vector<std::string> filtres_ouverture;
    std::vector<std::string> initiaux;
    std::vector<QString> invites;
    std::vector<std::string> initiaux_repertoire;

    std::vector<std::string> ouvrir_fichiers(const std::string& filtre) override;
    std::optional<std::string> enregistrer_fichier(const std::string& initial) override;
    std::optional<std::string> choisir_repertoire(const QString& invite, const std::string& initial) override;
    std::optional<std::string> choisir_fichier(const std::string& filtre,
                                               const std::string& initial) override;
    void message(const QString& legende, const QString& texte) override;
    bool question(const QString& legende, const QString& texte) override;
};

}  // namespace vt::test
