#pragma once
// The dialogs and message boxes the player shows, behind one interface so
// that tests can script them. Paths are raw bytes (the file system's own);
// message texts are display text.
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace vt {

class ServiceDialogues {
public:
    virtual ~ServiceDialogues() = default;

    // Open-file dialog, several files at once, starting in the folder of the
    // files it last returned (the first time: the user's music folder, else
    // the home folder). `filtre` is "name|pattern|..."
    // (for example "mp3|*.mp3|wav|*.wav"). Returns the chosen paths in the
    // dialog's order; none when cancelled.
    virtual std::vector<std::string> ouvrir_fichiers(const std::string& filtre) = 0;

    // Save-file dialog starting at `initial`; no filter. Empty when cancelled.
    virtual std::optional<std::string> enregistrer_fichier(const std::string& initial) = 0;

    // Directory-selection dialog with a prompt, starting at `initial`.
    // Empty when cancelled.
    virtual std::optional<std::string> choisir_repertoire(const QString& invite,
                                                          const std::string& initial) = 0;

    // Single-file open dialog with a filter, starting at `initial`.
    virtual std::optional<std::string> choisir_fichier(const std::string& filtre,
                                                       const std::string& initial) = 0;

    // A message box with one OK button, no icon and no owner window.
    virtual void message(const QString& legende, const QString& texte) = 0;

    // A Yes/No question with no icon; true for Yes.
    virtual bool question(const QString& legende, const QString& texte) = 0;
};

// The service the program uses; the Qt one unless a test installed another.
ServiceDialogues& dialogues();
void installer_dialogues(ServiceDialogues* service);  // nullptr restores the default

// Set by the widget layer at start-up: the factory of the default service.
void definir_dialogues_par_defaut(ServiceDialogues* service);

}  // namespace vt
