#include "support/dossier_temp.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <fstream>
#include <sstream>

namespace vt::test {

DossierTemp::DossierTemp() : chemin_(QFile::encodeName(dir_.path()).toStdString() + "/") {}

std::string DossierTemp::ecrire(std::string_view nom, std::string_view octets) const {
    std::string chemin = chemin_ + std::string(nom);
    std::size_t sep = chemin.find_last_of('/');
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(chemin.substr(0, sep))));
    std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
    f.write(octets.data(), static_cast<std::streamsize>(octets.size()));
    return chemin;
}

std::string lire_fichier(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool existe(const std::string& chemin) {
    struct stat st {};
    return ::stat(chemin.c_str(), &st) == 0;
}

}  // namespace vt::test
