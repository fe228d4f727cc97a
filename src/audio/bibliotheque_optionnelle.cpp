#include "audio/bibliotheque_optionnelle.h"

#include "audio/somme_module.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace vt::audio {

namespace {

// The ELF identity of the code running here, read from its own mapped
// header: a library must have the same to be loaded beside it.
struct Identite {
    unsigned char classe = ELFCLASSNONE;
    unsigned char ordre = ELFDATANONE;
    ElfW(Half) machine = EM_NONE;
};

void reperer_identite() {}

Identite identite_propre() {
    static const Identite id = [] {
        Identite i;
        Dl_info info{};
        if (::dladdr(reinterpret_cast<void*>(&reperer_identite), &info) && info.dli_fbase) {
            const auto* e = static_cast<const ElfW(Ehdr)*>(info.dli_fbase);
            i.classe = e->e_ident[EI_CLASS];
            i.ordre = e->e_ident[EI_DATA];
            i.machine = e->e_machine;
        }
        return i;
    }();
    return id;
}

// A descriptor closed with this object.
struct Descripteur {
    int fd = -1;
    explicit Descripteur(int f) : fd(f) {}
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    ~Descripteur() {
        if (fd >= 0) ::close(fd);
    }
};

// `chemin` opened for reading when it is a regular file; -1 otherwise. The
// open never waits: a FIFO opened for reading would wait for a writer for
// good (O_NONBLOCK), a terminal is not taken as the controlling one; what it
// is comes from the descriptor, so that it is the file then read.
int ouvrir_fichier_regulier(const std::string& chemin) {
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool lire(int fd, void* tampon, std::size_t taille, std::uint64_t position) {
    auto* octets = static_cast<char*>(tampon);
    while (taille > 0) {
        ssize_t n = ::pread(fd, octets, taille, static_cast<off_t>(position));
        if (n <= 0) return false;
        octets += n;
        taille -= static_cast<std::size_t>(n);
        position += static_cast<std::uint64_t>(n);
    }
    return true;
}

// [debut, debut + longueur) within a file of `taille` bytes, without
// overflow for any value the headers may hold.
bool dans_le_fichier(std::uint64_t debut, std::uint64_t longueur, std::uint64_t taille) {
    return debut <= taille && longueur <= taille - debut;
}

// The loadable segments as the loader lays them out: in address order,
// each one's memory covering what it takes from the file and ending before
// the next one starts. The loader reserves the span from the first one's
// start to the last one's end and maps each in turn, with zeros from the end
// of its file bytes to the end of its memory: a segment grown over the next
// ones lays those zeros over them, or past the span over whatever else is
// mapped there, and the process dies before any window.
bool segments_charges_sains(const std::vector<ElfW(Phdr)>& segments) {
    const ElfW(Phdr)* precedent = nullptr;
    for (const ElfW(Phdr) & s : segments) {
        if (s.p_type != PT_LOAD) continue;
        if (s.p_memsz < s.p_filesz || s.p_memsz > ~ElfW(Addr)(0) - s.p_vaddr) return false;
        if (precedent &&
            (s.p_vaddr < precedent->p_vaddr || s.p_vaddr - precedent->p_vaddr < precedent->p_memsz))
            return false;
        precedent = &s;
    }
    return true;
}

// The file behind `fd`; its libraries needed (DT_NEEDED) into `besoins`.
EtatBibliotheque examiner(int fd, std::vector<std::string>& besoins) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return EtatBibliotheque::Absente;
    const auto taille = static_cast<std::uint64_t>(st.st_size);
    ElfW(Ehdr) entete{};
    if (taille < sizeof entete || !lire(fd, &entete, sizeof entete, 0)) return EtatBibliotheque::Endommagee;
    const Identite id = identite_propre();
    const unsigned char* e = entete.e_ident;
    if (e[EI_MAG0] != ELFMAG0 || e[EI_MAG1] != ELFMAG1 || e[EI_MAG2] != ELFMAG2 || e[EI_MAG3] != ELFMAG3 ||
        e[EI_CLASS] != id.classe || e[EI_DATA] != id.ordre || e[EI_VERSION] != EV_CURRENT ||
        entete.e_type != ET_DYN || entete.e_machine != id.machine ||
        entete.e_phentsize != sizeof(ElfW(Phdr)) || entete.e_phnum == 0 || entete.e_phnum == PN_XNUM)
        return EtatBibliotheque::Endommagee;
    const std::uint64_t taille_table = std::uint64_t(entete.e_phnum) * sizeof(ElfW(Phdr));
    if (!dans_le_fichier(entete.e_phoff, taille_table, taille)) return EtatBibliotheque::Endommagee;
    std::vector<ElfW(Phdr)> segments(entete.e_phnum);
    if (!lire(fd, segments.data(), taille_table, entete.e_phoff)) return EtatBibliotheque::Endommagee;
    // The loader maps every loadable segment's file range; any header that
    // names bytes past the end means the file was cut.
    bool charge = false;
    const ElfW(Phdr)* dynamique = nullptr;
    for (const ElfW(Phdr) & s : segments) {
        if (s.p_filesz > 0 && !dans_le_fichier(s.p_offset, s.p_filesz, taille))
            return EtatBibliotheque::Endommagee;
        charge = charge || s.p_type == PT_LOAD;
        if (s.p_type == PT_DYNAMIC) dynamique = &s;
    }
    if (!charge || !segments_charges_sains(segments)) return EtatBibliotheque::Endommagee;
    if (!dynamique) return EtatBibliotheque::Saine;
    std::vector<ElfW(Dyn)> entrees(dynamique->p_filesz / sizeof(ElfW(Dyn)));
    if (!lire(fd, entrees.data(), entrees.size() * sizeof(ElfW(Dyn)), dynamique->p_offset))
        return EtatBibliotheque::Endommagee;
    std::uint64_t adresse_noms = 0, taille_noms = 0;
    std::vector<std::uint64_t> noms;
    for (const ElfW(Dyn) & d : entrees) {
        if (d.d_tag == DT_NULL) break;
        if (d.d_tag == DT_STRTAB) adresse_noms = d.d_un.d_ptr;
        if (d.d_tag == DT_STRSZ) taille_noms = d.d_un.d_val;
        if (d.d_tag == DT_NEEDED) noms.push_back(d.d_un.d_val);
    }
    if (noms.empty()) return EtatBibliotheque::Saine;
    // The names' table is found by its address: through the segment that
    // loads it.
    for (const ElfW(Phdr) & s : segments) {
        if (s.p_type != PT_LOAD || adresse_noms < s.p_vaddr || adresse_noms - s.p_vaddr >= s.p_filesz)
            continue;
        const std::uint64_t debut = adresse_noms - s.p_vaddr + s.p_offset;
        if (!dans_le_fichier(debut, taille_noms, taille)) return EtatBibliotheque::Endommagee;
        std::string table(taille_noms, '\0');
        if (!lire(fd, table.data(), table.size(), debut)) return EtatBibliotheque::Endommagee;
        for (std::uint64_t n : noms) {
            if (n >= table.size()) return EtatBibliotheque::Endommagee;
            besoins.emplace_back(table.c_str() + n);
        }
        return EtatBibliotheque::Saine;
    }
    return EtatBibliotheque::Endommagee;
}

// The loader's search path for a library opened by name from this program.
std::vector<std::string> dossiers_de_recherche() {
    std::vector<std::string> dossiers;
    void* programme = ::dlopen(nullptr, RTLD_LAZY);
    Dl_serinfo taille{};
    if (!programme) return dossiers;
    if (::dlinfo(programme, RTLD_DI_SERINFOSIZE, &taille) != 0) {
        ::dlclose(programme);
        return dossiers;
    }
    std::vector<std::max_align_t> tampon(taille.dls_size / sizeof(std::max_align_t) + 1);
    auto* info = reinterpret_cast<Dl_serinfo*>(tampon.data());
    *info = taille;
    if (::dlinfo(programme, RTLD_DI_SERINFO, info) == 0)
        for (unsigned i = 0; i < info->dls_cnt; ++i) dossiers.emplace_back(info->dls_serpath[i].dls_name);
    ::dlclose(programme);
    return dossiers;
}

// The first entry named `nom` along `dossiers`, whatever it is: the loader
// opens the first it meets, a FIFO or a folder as well.
std::string trouver(const std::string& nom, const std::vector<std::string>& dossiers) {
    if (nom.find('/') != std::string::npos) return nom;
    for (std::string dossier : dossiers) {
        if (!dossier.empty() && dossier.back() != '/') dossier += '/';
        const std::string chemin = dossier + nom;
        struct stat st {};
        if (::stat(chemin.c_str(), &st) == 0) return chemin;
    }
    return {};
}

// The objects loaded in this process, by the last part of their name and
// by their file. Asked of the loader's list rather than with
// dlopen(RTLD_NOLOAD), which opens the file it finds when no loaded object
// has that name (and waits there for good when it is a FIFO).
struct Charges {
    std::set<std::string> noms;
    std::set<std::pair<dev_t, ino_t>> fichiers;

    Charges() {
        ::dl_iterate_phdr(
            [](dl_phdr_info* info, std::size_t, void* moi) {
                auto& charges = *static_cast<Charges*>(moi);
                const std::string nom = info->dlpi_name ? info->dlpi_name : "";
                charges.noms.insert(nom.substr(nom.find_last_of('/') + 1));
                struct stat st {};
                if (!nom.empty() && ::stat(nom.c_str(), &st) == 0)
                    charges.fichiers.emplace(st.st_dev, st.st_ino);
                return 0;
            },
            this);
    }

    // The loader takes a needed `nom`, found at `chemin`, from memory: an
    // object of that name, or that very file, is loaded.
    bool contient(const std::string& nom, const std::string& chemin) const {
        if (nom.find('/') == std::string::npos && noms.count(nom)) return true;
        struct stat st {};
        return !chemin.empty() && ::stat(chemin.c_str(), &st) == 0 && fichiers.count({st.st_dev, st.st_ino});
    }
};

// The file at `chemin`, then each library it needs that is not loaded yet,
// found as the loader would find it (a damaged one kills the process as
// surely, a FIFO blocks it as surely); `vus` keeps each file to one look.
// A needed library that is not a regular file makes this one missing too.
EtatBibliotheque examiner_avec_besoins(const std::string& chemin, const std::vector<std::string>& dossiers,
                                       const Charges& charges, std::set<std::string>& vus) {
    std::vector<std::string> besoins;
    {
        const Descripteur f(ouvrir_fichier_regulier(chemin));
        if (f.fd < 0) return EtatBibliotheque::Absente;
        const EtatBibliotheque etat = examiner(f.fd, besoins);
        if (etat != EtatBibliotheque::Saine) return etat;
    }
    for (const std::string& nom : besoins) {
        const std::string besoin = trouver(nom, dossiers);
        if (charges.contient(nom, besoin) || besoin.empty() || !vus.insert(besoin).second) continue;
        const EtatBibliotheque etat = examiner_avec_besoins(besoin, dossiers, charges, vus);
        if (etat != EtatBibliotheque::Saine) return etat;
    }
    return EtatBibliotheque::Saine;
}

// The sum recorded beside the module at `chemin`; none when that file is
// missing, is not a regular file or does not hold a sum.
std::optional<std::uint32_t> somme_enregistree(const std::string& chemin) {
    const Descripteur f(ouvrir_fichier_regulier(chemin + kSuffixeSomme));
    char texte[10];
    if (f.fd < 0) return std::nullopt;
    const ssize_t n = ::pread(f.fd, texte, sizeof texte, 0);
    return n > 0 ? lire_texte_somme(std::string_view(texte, static_cast<std::size_t>(n))) : std::nullopt;
}

}  // namespace

EtatBibliotheque examiner_bibliotheque(const std::string& chemin) {
    std::set<std::string> vus{chemin};
    return examiner_avec_besoins(chemin, dossiers_de_recherche(), Charges(), vus);
}

namespace {

// Why a module's sum refused it, if it did.
enum class RefusSomme { Aucun, Differente, Absente };

EtatBibliotheque examiner_module(const std::string& chemin, RefusSomme* refus) {
    {
        const Descripteur f(ouvrir_fichier_regulier(chemin));
        if (f.fd < 0) return EtatBibliotheque::Absente;
        const std::optional<std::uint32_t> attendue = somme_enregistree(chemin);
        if (!attendue || somme_fichier(f.fd) != attendue) {
            if (refus) *refus = attendue ? RefusSomme::Differente : RefusSomme::Absente;
            return EtatBibliotheque::Endommagee;
        }
    }
    return examiner_bibliotheque(chemin);
}

// A module refused for its sum: the window only says "Lecture impossible",
// so standard error names the damaged file, once per file (each module is
// opened by one side only: the executable opens the engine's, the engine
// the FFmpeg decoder's).
void signaler_refus(const std::string& chemin, RefusSomme refus) {
    static std::mutex verrou;
    static std::set<std::string> signales;
    std::lock_guard<std::mutex> g(verrou);
    if (!signales.insert(chemin).second) return;
    std::fprintf(
        stderr,
        refus == RefusSomme::Differente
            ? "vantrel : installation endommagée, module refusé (ses octets ne correspondent pas à sa "
              "somme de contrôle) : %s\n"
            : "vantrel : installation endommagée, module refusé (sa somme de contrôle manque ou est "
              "illisible) : %s\n",
        chemin.c_str());
}

}  // namespace

EtatBibliotheque examiner_module(const std::string& chemin) { return examiner_module(chemin, nullptr); }

std::string chemin_bibliotheque(const std::string& nom) { return trouver(nom, dossiers_de_recherche()); }

void* ouvrir_bibliotheque(const std::string& nom, int drapeaux) {
    const std::string chemin = chemin_bibliotheque(nom);
    if (chemin.empty()) return ::dlopen(nom.c_str(), drapeaux);
    // The file checked is the file opened.
    if (examiner_bibliotheque(chemin) != EtatBibliotheque::Saine) return nullptr;
    return ::dlopen(chemin.c_str(), drapeaux);
}

void* ouvrir_module(const std::string& chemin, int drapeaux) {
    RefusSomme refus = RefusSomme::Aucun;
    if (examiner_module(chemin, &refus) != EtatBibliotheque::Saine) {
        if (refus != RefusSomme::Aucun) signaler_refus(chemin, refus);
        return nullptr;
    }
    return ::dlopen(chemin.c_str(), drapeaux);
}

}  // namespace vt::audio
