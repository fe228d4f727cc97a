#include "playlist/taille.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vt {

std::string format_general(double valeur) {
    if (std::isnan(valeur)) return "NAN";
    if (std::isinf(valeur)) return valeur < 0 ? "-INF" : "INF";
    if (valeur == 0) return "0";

    // 15 significant digits, correctly rounded: "d.dddddddddddddde[+-]x".
    char tampon[64];
    std::snprintf(tampon, sizeof tampon, "%.14e", valeur);
    std::string s = tampon;
    std::string signe;
    if (s[0] == '-') {
        signe = "-";
        s.erase(0, 1);
    }
    std::size_t e = s.find('e');
    int exposant = std::atoi(s.c_str() + e + 1);
    std::string chiffres = s.substr(0, 1) + s.substr(2, e - 2);  // 15 digits
    while (chiffres.size() > 1 && chiffres.back() == '0') chiffres.pop_back();

    std::string texte;
    if (exposant >= -4 && exposant < 15) {
        if (exposant < 0) {
            texte = "0." + std::string(static_cast<std::size_t>(-exposant - 1), '0') + chiffres;
        } else {
            std::size_t entiers = static_cast<std::size_t>(exposant) + 1;
            if (chiffres.size() <= entiers) {
                texte = chiffres + std::string(entiers - chiffres.size(), '0');
            } else {
                texte = chiffres.substr(0, entiers) + "." + chiffres.substr(entiers);
            }
        }
    } else {
        texte = chiffres.substr(0, 1);
        if (chiffres.size() > 1) texte += "." + chiffres.substr(1);
        texte += "E" + std::to_string(exposant);
    }
    return signe + texte;
}

QString texte_taille(std::int64_t octets, QChar separateur) {
    long double mo = static_cast<long double>(octets) / 1024.0L / 1024.0L;
    std::string general = format_general(static_cast<double>(mo));
    QString texte = QString::fromLatin1(general.substr(0, 5));
    texte.replace(QLatin1Char('.'), separateur);
    return texte + QStringLiteral(" Mo");
}

std::int64_t taille_fichier(const std::string& chemin) {
    if (chemin.empty() || chemin.find('\0') != std::string::npos) return -1;
    // Non-blocking so that a named pipe cannot hang the window.
    int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    std::int64_t taille = -1;
    if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) {
        off_t fin = ::lseek(fd, 0, SEEK_END);
        if (fin >= 0) taille = static_cast<std::int64_t>(fin);
    }
    ::close(fd);
    return taille;
}

}  // namespace vt
