// inscrire_somme MODULE SORTIE: writes the sum the loader checks MODULE
// against (audio/somme_module.h) into SORTIE. Run by the build once the
// module is linked, and by the installation once it is in place (stripped
// or not), so that the sum is always that of the bytes beside it.
#include "audio/somme_module.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MODULE SORTIE\n", argv[0]);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    const auto somme = vt::audio::somme_fichier(fd);
    ::close(fd);
    if (!somme) {
        std::perror(argv[1]);
        return 1;
    }
    std::ofstream sortie(argv[2], std::ios::binary | std::ios::trunc);
    sortie << vt::audio::texte_somme(*somme);
    sortie.close();
    if (!sortie) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
