#pragma once
// Files for tests, made in a fresh temporary folder that is removed after.
#include <QTemporaryDir>

#include <string>
#include <string_view>

namespace vt::test {

class DossierTemp {
public:
    DossierTemp();
    // The folder's path, ending with '/'.
    const std::string& chemin() const { return chemin_; }
    std::string operator/(std::string_view nom) const { return chemin_ + std::string(nom); }
    // Writes `octets` to the file `nom` (folders created as needed); returns its path.
    std::string ecrire(std::string_view nom, std::string_view octets) const;

private:
    QTemporaryDir dir_;
    std::string chemin_;
};

std::string lire_fichier(const std::string& chemin);
bool existe(const std::string& chemin);

}  // namespace vt::test
