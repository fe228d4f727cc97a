#pragma once
// Environment variables a test sets, put back as they were when it ends.
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace vt::test {

// Sets environment variables and restores them when it goes.
class Environnement {
public:
    Environnement() = default;
    Environnement(const Environnement&) = delete;
    Environnement& operator=(const Environnement&) = delete;
    void definir(const char* nom, const std::string& valeur) {
        garder(nom);
        setenv(nom, valeur.c_str(), 1);
    }
    void retirer(const char* nom) {
        garder(nom);
        unsetenv(nom);
    }
    ~Environnement() {
        for (auto& [nom, v] : anciens_) {
            if (v)
                setenv(nom.c_str(), v->c_str(), 1);
            else
                unsetenv(nom.c_str());
        }
    }

private:
    void garder(const char* nom) {
        if (anciens_.count(nom)) return;
        const char* v = std::getenv(nom);
        anciens_[nom] = v ? std::optional<std::string>(v) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> anciens_;
};

}  // namespace vt::test
