#pragma once
// Shared by the fuzz targets: a private working folder (on /dev/shm when it
// exists, so that the many small writes and fsyncs stay in memory), whole-file
// writes, and a check that stops the run with a message.

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt::fuzz {

// Stops the run (libFuzzer then saves the input) when a property fails.
#define VT_EXIGER(condition)                                                                      \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

// The working folder of this process, ending with '/', created on first use
// and removed when the process exits normally.
inline const std::string& dossier_travail() {
    static const std::string dossier = [] {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                            ? fs::path("/dev/shm")
                            : fs::temp_directory_path();
        std::string modele = (base / "vantrel-fuzz-XXXXXX").string();
        if (!::mkdtemp(modele.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        static const std::string a_effacer = modele;
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(a_effacer, e);
        });
        return modele + "/";
    }();
    return dossier;
}

// Empties the working folder (between two inputs).
inline void vider_dossier_travail() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dossier_travail(), ec))
        std::filesystem::remove_all(e.path(), ec);
}

inline void ecrire_fichier(const std::string& chemin, std::string_view octets) {
    std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
    f.write(octets.data(), static_cast<std::streamsize>(octets.size()));
    VT_EXIGER(f.good());
}

inline std::string lire_fichier(const std::string& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace vt::fuzz
