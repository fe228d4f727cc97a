#include "ui/dialogues.h"

namespace vt {

namespace {

// Used only when no real service was set up (a program without widgets):
// answers like a user who cancels everything.
class DialoguesMuets final : public ServiceDialogues {
public:
    std::vector<std::string> ouvrir_fichiers(const std::string&) override { return {}; }
    std::optional<std::string> enregistrer_fichier(const std::string&) override { return {}; }
    std::optional<std::string> choisir_repertoire(const QString&, const std::string&) override { return {}; }
    std::optional<std::string> choisir_fichier(const std::string&, const std::string&) override { return {}; }
    void message(const QString&, const QString&) override {}
    bool question(const QString&, const QString&) override { return false; }
};

DialoguesMuets g_muets;
ServiceDialogues* g_defaut = &g_muets;
ServiceDialogues* g_installe = nullptr;

}  // namespace

ServiceDialogues& dialogues() { return g_installe ? *g_installe : *g_defaut; }
void installer_dialogues(ServiceDialogues* service) { g_installe = service; }
void definir_dialogues_par_defaut(ServiceDialogues* service) { g_defaut = service ? service : &g_muets; }

}  // namespace vt
