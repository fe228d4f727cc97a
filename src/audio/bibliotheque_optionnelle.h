#pragma once
// The libraries the player opens at run time rather than links: the engine's
// and the FFmpeg decoder's beside the executable, libpulse and SDL2 from the
// system. Each may be missing, and each may be damaged: a file cut short (a
// failed copy, a full disk) is mapped by the dynamic loader past its end,
// and the first touch of a page that is not there kills the process with
// SIGBUS before anything can be saved; a FIFO in a library's place holds
// the thread that opens it for good. So every such file is checked before
// it is opened, without ever waiting, and a damaged one is treated as a
// missing one.
#include <dlfcn.h>
#include <mutex>
#include <string>

namespace vt::audio {

enum class EtatBibliotheque { Saine, Absente, Endommagee };

// What the file at `chemin` is, from its ELF header and program headers:
// absent when it is not a regular file (missing, a FIFO, a device, a
// folder); damaged when it is not a shared object of this process's class,
// byte order and machine, when its program header table or one of its
// segments lies past the file's end, or when its loadable segments are out
// of address order, overlap in memory or take more from the file than
// their memory holds. A library it needs that is not loaded yet is looked
// at the same way (the loader maps those too), and makes it absent or
// damaged as that one is.
EtatBibliotheque examiner_bibliotheque(const std::string& chemin);

// The player's own modules (the engine's and the FFmpeg decoder's
// libraries, audio/somme_module.h): examined as above, and damaged as well
// when their bytes do not have the sum the build recorded beside them, or
// when there is no such sum.
EtatBibliotheque examiner_module(const std::string& chemin);

// The file the dynamic loader opens for `nom`: `nom` itself when it holds a
// '/', otherwise the first entry of that name along the loader's search
// path (LD_LIBRARY_PATH, the program's run path, the system's library
// folders), whatever it is; empty when there is none.
std::string chemin_bibliotheque(const std::string& nom);

// dlopen, with `drapeaux`, of the file chemin_bibliotheque finds for `nom`,
// once checked; null when the library is missing or damaged, or when the
// loader refuses it. A bare name found nowhere on the search path is left
// to the loader as it is (its cache may know it).
void* ouvrir_bibliotheque(const std::string& nom, int drapeaux);

// dlopen, with `drapeaux`, of the module at `chemin` once examiner_module
// finds it sound; null otherwise, or when the loader refuses it.
void* ouvrir_module(const std::string& chemin, int drapeaux);

// `fonction` = the symbol `symbole` of `dl`; false when it has none.
template <class F>
bool resoudre(void* dl, const char* symbole, F& fonction) {
    fonction = reinterpret_cast<F>(::dlsym(dl, symbole));
    return fonction != nullptr;
}

// The symbols of one opened library whose functions share a prefix
// ("pa_", "SDL_"): `r(nom, fonction)` sets `fonction` to the symbol of
// the prefix followed by `nom`; complet() tells whether every one asked
// for was found.
class Resolution {
public:
    Resolution(void* dl, const char* prefixe) : dl_(dl), prefixe_(prefixe) {}
    template <class F>
    void operator()(const char* nom, F& fonction) {
        complet_ = resoudre(dl_, (prefixe_ + nom).c_str(), fonction) && complet_;
    }
    bool complet() const { return complet_; }

private:
    void* dl_;
    std::string prefixe_;
    bool complet_ = true;
};

// One member of a table's list of functions (VT_FONCTIONS_PULSE,
// VT_FONCTIONS_SDL), resolved through `r` into `table`.
#define VT_RESOUDRE_MEMBRE(nom) r(#nom, table.nom);

// The table of a system library's functions, each named `prefixe` then its
// member's name, filled on first use (thread-safe) by `remplir`; null while
// one is missing. The library stays loaded for good (RTLD_NODELETE:
// libpulse and SDL keep thread-local state, threads and exit hooks that
// must outlive any unloading). A failed loading is tried again at the next
// call: it may have met descriptors running out, not a missing library.
template <class Table>
class TableBibliotheque {
public:
    using Remplir = void (*)(Resolution& r, Table& table);
    TableBibliotheque(const char* nom, const char* prefixe, Remplir remplir)
        : nom_(nom), prefixe_(prefixe), remplir_(remplir) {}

    const Table* table() {
        std::lock_guard<std::mutex> g(verrou_);
        if (!prete_)
            if (void* dl = ouvrir_bibliotheque(nom_, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
                Resolution r(dl, prefixe_);
                remplir_(r, table_);
                if (r.complet()) prete_ = &table_;
            }
        return prete_;
    }

private:
    const char* nom_;
    const char* prefixe_;
    Remplir remplir_;
    std::mutex verrou_;
    Table table_;
    const Table* prete_ = nullptr;
};

}  // namespace vt::audio
