#include "audio/somme_module.h"

#include <unistd.h>
#include <zlib.h>
#include <cerrno>
#include <vector>

namespace vt::audio {

std::optional<std::uint32_t> somme_fichier(int fd) {
    std::vector<unsigned char> tampon(1 << 16);
    uLong somme = ::crc32(0L, Z_NULL, 0);
    for (;;) {
        const ssize_t n = ::read(fd, tampon.data(), tampon.size());
        if (n == 0) return static_cast<std::uint32_t>(somme);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        somme = ::crc32(somme, tampon.data(), static_cast<uInt>(n));
    }
}

std::string texte_somme(std::uint32_t somme) {
    static constexpr char kChiffres[] = "0123456789abcdef";
    std::string texte(9, '\n');
    for (int i = 7; i >= 0; --i, somme >>= 4) texte[i] = kChiffres[somme & 0xf];
    return texte;
}

std::optional<std::uint32_t> lire_texte_somme(std::string_view texte) {
    if (texte.size() != 9 || texte[8] != '\n') return std::nullopt;
    std::uint32_t somme = 0;
    for (char c : texte.substr(0, 8)) {
        int chiffre;
        if (c >= '0' && c <= '9')
            chiffre = c - '0';
        else if (c >= 'a' && c <= 'f')
            chiffre = c - 'a' + 10;
        else
            return std::nullopt;
        somme = somme << 4 | static_cast<std::uint32_t>(chiffre);
    }
    return somme;
}

}  // namespace vt::audio
