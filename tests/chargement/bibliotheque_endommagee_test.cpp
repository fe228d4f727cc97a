// A library cut short or of another machine is never mapped: the loader
// would map it past its end and the process would die of SIGBUS. Damaged,
// it counts as missing: a damaged FFmpeg decoder leaves every other format
// playing, a damaged engine leaves the player silent. So does one whose
// segments overlap, and a FIFO, a folder or a device, never waited on.
#include "audio/bibliotheque_optionnelle.h"
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "config/configuration.h"
#include "player/chargement_moteur.h"

#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>

namespace {

namespace fs = std::filesystem;
using vt::audio::EtatBibliotheque;
using Octets = std::string;

const fs::path kApp = VANTREL_APP_DIR;

Octets lire(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Octets(std::istreambuf_iterator<char>(f), {});
}

void ecrire(const fs::path& p, const Octets& o) { std::ofstream(p, std::ios::binary) << o; }

void modifier(const fs::path& p, const std::function<void(Octets&)>& faire) {
    Octets o = lire(p);
    faire(o);
    ecrire(p, o);
}

// Where the last loadable segment of `o` ends: what the loader maps.
std::size_t fin_chargee(const Octets& o) {
    const auto* e = reinterpret_cast<const ElfW(Ehdr)*>(o.data());
    std::size_t fin = 0;
    for (int i = 0; i < e->e_phnum; ++i) {
        const auto* s = reinterpret_cast<const ElfW(Phdr)*>(o.data() + e->e_phoff + i * sizeof(ElfW(Phdr)));
        if (s->p_type == PT_LOAD) fin = std::max<std::size_t>(fin, s->p_offset + s->p_filesz);
    }
    return fin;
}

ElfW(Ehdr) & entete(Octets& o) { return *reinterpret_cast<ElfW(Ehdr)*>(o.data()); }

// The program header of type `type` of `o` (PT_LOAD: the loadable ones).
std::vector<ElfW(Phdr) *> segments(Octets& o, ElfW(Word) type = PT_LOAD) {
    std::vector<ElfW(Phdr)*> s;
    for (int i = 0; i < entete(o).e_phnum; ++i)
        if (auto* p = reinterpret_cast<ElfW(Phdr)*>(o.data() + entete(o).e_phoff + i * sizeof(ElfW(Phdr)));
            p->p_type == type)
            s.push_back(p);
    return s;
}

// The first loadable segment's memory made to end `plus` bytes into the next.
std::function<void(Octets&)> deborder(ElfW(Sxword) plus) {
    return [plus](Octets& o) {
        segments(o)[0]->p_memsz = segments(o)[1]->p_vaddr - segments(o)[0]->p_vaddr + plus;
    };
}

// One byte in the middle of the code (.text) inverted: no header shows it.
void inverser_instruction(Octets& o) {
    const auto* sections = reinterpret_cast<const ElfW(Shdr)*>(o.data() + entete(o).e_shoff);
    for (int i = 0; i < entete(o).e_shnum; ++i)
        if (Octets(o.data() + sections[entete(o).e_shstrndx].sh_offset + sections[i].sh_name) == ".text")
            o[sections[i].sh_offset + sections[i].sh_size / 2] ^= 0xff;
}

// The first row and the last three (layouts the loader maps as they are)
// leave the library sound; every other one damages it.
const std::vector<std::pair<const char*, std::function<void(Octets&)>>> kDommages = {
    {"intacte", [](Octets&) {}},
    {"coupee a 4 Kio", [](Octets& o) { o.resize(4096); }},
    {"coupee a la moitie de ce qui est charge", [](Octets& o) { o.resize(fin_chargee(o) / 2); }},
    {"coupee d'un octet de ce qui est charge", [](Octets& o) { o.resize(fin_chargee(o) - 1); }},
    {"plus courte que son en-tete", [](Octets& o) { o.resize(40); }},
    {"coupee dans sa table de segments", [](Octets& o) { o.resize(entete(o).e_phoff + sizeof(ElfW(Phdr))); }},
    {"table de segments hors du fichier", [](Octets& o) { entete(o).e_phoff = ~ElfW(Off)(0) - 8; }},
    {"sans signature ELF", [](Octets& o) { o[EI_MAG1] = 'X'; }},
    {"d'une autre classe", [](Octets& o) { o[EI_CLASS] ^= ELFCLASS32 ^ ELFCLASS64; }},
    {"d'un autre ordre des octets", [](Octets& o) { o[EI_DATA] ^= ELFDATA2LSB ^ ELFDATA2MSB; }},
    {"d'une autre machine", [](Octets& o) { entete(o).e_machine ^= 0x40; }},
    {"executable", [](Octets& o) { entete(o).e_type = ET_EXEC; }},
    {"segments charges hors d'ordre", [](Octets& o) { std::swap(*segments(o)[0], *segments(o)[1]); }},
    {"premier segment grandi de 16 Mio sur le suivant", deborder(16 << 20)},
    {"premier segment grandi d'un octet sur le suivant", deborder(1)},
    {"code plus court en memoire que dans le fichier",
     [](Octets& o) { segments(o)[1]->p_memsz = segments(o)[1]->p_filesz - 1; }},
    {"dernier segment au-dela des adresses",
     [](Octets& o) { segments(o).back()->p_memsz = ~segments(o).back()->p_vaddr + 2; }},
    {"premier segment grandi jusqu'au suivant", deborder(0)},
    {"dernier segment grandi de 16 Mio", [](Octets& o) { segments(o).back()->p_memsz += 16 << 20; }},
    {"segment sans octet du fichier, place au-dela de sa fin",
     [](Octets& o) { segments(o, PT_GNU_STACK).at(0)->p_offset = o.size() + (1 << 20); }},
};
bool sain(std::size_t d) { return d == 0 || d + 3 >= kDommages.size(); }
// What stands in a file's place when it is not a regular file.
const std::pair<const char*, std::function<void(const fs::path&)>> kNonFichiers[] = {
    {"une FIFO", [](const fs::path& p) { ::mkfifo(p.c_str(), 0644); }},
    {"un dossier", [](const fs::path& p) { fs::create_directory(p); }},
    {"un peripherique", [](const fs::path& p) { fs::create_symlink("/dev/null", p); }},
};
constexpr auto kSaine = EtatBibliotheque::Saine, kEndommagee = EtatBibliotheque::Endommagee,
               kAbsente = EtatBibliotheque::Absente;

struct DossierApp {
    fs::path chemin;
    DossierApp() {
        char modele[] = "/tmp/vtbXXXXXX";  // short: a needed name is replaced by a path in it
        chemin = ::mkdtemp(modele);
        for (const std::string f : {vt::kBibliothequeMoteur, "libvantrel_ffmpeg.so"})
            fs::copy_file(kApp / f, chemin / f),
                fs::copy_file(kApp / (f + ".crc32"), chemin / (f + ".crc32"));
        vt::etablir_emplacements((chemin / "vantrel").string());
    }
    ~DossierApp() {
        vt::etablir_emplacements(vt::chemin_executable());
        fs::remove_all(chemin);
    }
    // A copy of the decoder whose first needed name is turned into `besoin`.
    fs::path demandeuse(const std::string& besoin) const {
        Octets o = lire(kApp / "libvantrel_ffmpeg.so");
        const std::size_t i = o.find("libav"), n = std::string(o.c_str() + i).size();
        EXPECT_GE(n, besoin.size());
        ecrire(chemin / "libdemandeuse.so", o.replace(i, n, besoin + std::string(n - besoin.size(), '\0')));
        return chemin / "libdemandeuse.so";
    }
};

// `f()` on a thread of its own; the test program fails (exits with 1) when
// it waits 10 s (as on a FIFO opened for reading, waiting for a writer).
template <class F>
auto sans_attendre(F f) {
    auto r = std::async(std::launch::async, f);
    if (r.wait_for(std::chrono::seconds(10)) != std::future_status::ready) std::_Exit(1);
    return r.get();
}

// Each damage of a copy of the FFmpeg decoder's library: checked, then
// opened or refused, never mapped damaged.
TEST(BibliothequeEndommagee, CheckedBeforeOpening) {
    const Octets original = lire(kApp / "libvantrel_ffmpeg.so");
    ASSERT_GT(original.size(), 8192u);
    for (std::size_t d = 0; d < kDommages.size(); ++d) {
        DossierApp app;
        Octets o = original;
        kDommages[d].second(o);
        const fs::path copie = app.chemin / "libvantrel_ffmpeg.so";
        ecrire(copie, o);
        EXPECT_EQ(vt::audio::examiner_bibliotheque(copie), sain(d) ? kSaine : kEndommagee)
            << kDommages[d].first;
        void* dl = vt::audio::ouvrir_bibliotheque(copie, RTLD_NOW | RTLD_LOCAL);
        EXPECT_EQ(dl != nullptr, sain(d)) << kDommages[d].first;
        // Left open, as the player leaves its decoder: FFmpeg's libraries
        // keep allocations of their own that closing them would leave
        // unreachable.
    }
    EXPECT_EQ(vt::audio::examiner_bibliotheque("/nonexistent/libvantrel_ffmpeg.so"),
              EtatBibliotheque::Absente);
}

// Not a regular file: missing at once, in a library's own place, in the
// place of one it needs, in the place of a module's recorded sum.
TEST(BibliothequeEndommagee, NonRegularFilesAreMissingWithoutWaiting) {
    for (const auto& [nom, faire] : kNonFichiers) {
        DossierApp app;
        const std::string autre = app.chemin / "d", module = app.chemin / "libvantrel_ffmpeg.so";
        faire(autre);
        EXPECT_EQ(sans_attendre([&] { return vt::audio::examiner_bibliotheque(autre); }), kAbsente) << nom;
        EXPECT_EQ(sans_attendre([&] { return vt::audio::examiner_module(autre); }), kAbsente) << nom;
        EXPECT_EQ(sans_attendre([&] { return vt::audio::ouvrir_bibliotheque(autre, RTLD_NOW); }), nullptr)
            << nom;
        EXPECT_EQ(sans_attendre([&] { return vt::audio::examiner_bibliotheque(app.demandeuse(autre)); }),
                  kAbsente)
            << nom;
        fs::remove(module + ".crc32");
        faire(module + ".crc32");
        EXPECT_EQ(sans_attendre([&] { return vt::audio::ouvrir_module(module, RTLD_NOW); }), nullptr) << nom;
    }
}

// A library it needs is checked as well: a copy of the decoder whose first
// needed name is turned into the path of a copy of that library, intact or cut.
TEST(BibliothequeEndommagee, NeededLibrariesAreChecked) {
    DossierApp app;
    Octets o = lire(kApp / "libvantrel_ffmpeg.so");
    const fs::path besoin = app.chemin / "d";
    const std::size_t i = o.find("libav");
    ASSERT_NE(i, Octets::npos);
    const std::string nom = o.c_str() + i;
    ASSERT_GE(nom.size(), besoin.string().size());
    const fs::path vrai = vt::audio::chemin_bibliotheque(nom);
    ASSERT_FALSE(vrai.empty()) << nom;
    o.replace(i, nom.size(), besoin.string() + std::string(nom.size() - besoin.string().size(), '\0'));
    ecrire(app.chemin / "libvantrel_ffmpeg.so", o);
    for (std::size_t d : {0, 1, 2, 13}) {  // intact, two cuts of the table, a segment over the next
        Octets dep = lire(vrai);
        kDommages[d].second(dep);
        ecrire(besoin, dep);
        EXPECT_EQ(vt::audio::examiner_bibliotheque(app.chemin / "libvantrel_ffmpeg.so"),
                  d == 0 ? kSaine : kEndommagee)
            << kDommages[d].first;
    }
}

// A bare name is checked where the loader would find it.
TEST(BibliothequeEndommagee, BareNamesAreFoundOnTheSearchPath) {
    const std::string libc = vt::audio::chemin_bibliotheque("libc.so.6");
    EXPECT_TRUE(libc.ends_with("/libc.so.6")) << libc;
    EXPECT_EQ(vt::audio::examiner_bibliotheque(libc), EtatBibliotheque::Saine);
    EXPECT_EQ(vt::audio::chemin_bibliotheque("libvantrel_inexistante.so.9"), "");
}

// The player's own modules load only with the bytes the build recorded: a
// flipped instruction, which no header shows, is refused, and so is a
// module whose sum is missing or damaged. In an app folder whose FFmpeg
// decoder is so, damaged or a FIFO, the engine plays what the light decoders
// read and refuses the rest; with its own library so, the player stays
// silent. Neither waits. A module refused says so on standard error, once,
// naming its file: the window only says "Lecture impossible". Each row:
// what is done to the module, what the library's check and the module's
// check find.
TEST(BibliothequeEndommagee, OwnModulesMatchTheirRecordedSum) {
    const struct {
        const char* etat;
        std::function<void(const std::string&)> faire;
        EtatBibliotheque bibliotheque, module;
    } kEtats[] = {
        {"intact", [](const std::string&) {}, kSaine, kSaine},
        {"coupee", [](const std::string& m) { modifier(m, kDommages[2].second); }, kEndommagee, kEndommagee},
        {"premier segment sur le suivant", [](const std::string& m) { modifier(m, deborder(16 << 20)); },
         kEndommagee, kEndommagee},
        {"instruction inversee", [](const std::string& m) { modifier(m, inverser_instruction); }, kSaine,
         kEndommagee},
        {"une FIFO", [](const std::string& m) { fs::remove(m), kNonFichiers[0].second(m); }, kAbsente,
         kAbsente},
        {"sans somme", [](const std::string& m) { fs::remove(m + ".crc32"); }, kSaine, kEndommagee},
        {"somme illisible", [](const std::string& m) { ecrire(m + ".crc32", "vantrel\n"); }, kSaine,
         kEndommagee},
        {"somme d'un bit de plus",
         [](const std::string& m) { modifier(m + ".crc32", [](Octets& o) { o[7] ^= 1; }); }, kSaine,
         kEndommagee},
    };
    for (const std::string bibliotheque : {"libvantrel_ffmpeg.so", vt::kBibliothequeMoteur}) {
        for (const auto& e : kEtats) {
            SCOPED_TRACE(bibliotheque + ", " + e.etat);
            DossierApp app;
            const std::string m = app.chemin / bibliotheque;
            e.faire(m);
            EXPECT_EQ(sans_attendre([&] { return vt::audio::examiner_bibliotheque(m); }), e.bibliotheque);
            EXPECT_EQ(sans_attendre([&] { return vt::audio::examiner_module(m); }), e.module);
            const bool sain = e.module == kSaine;
            const bool moteur_sain = sain || bibliotheque != vt::kBibliothequeMoteur;
            ::testing::internal::CaptureStderr();
            lecteur_media lm;
            sans_attendre([&] { vt::ChargementMoteur(lm).charger_maintenant(); });
            EXPECT_EQ(lm.moteur().initialise(), moteur_sain);
            for (const char* nom : {"ton440.wav", "ton440.flac", "ton440.ogg", "ton440.mp3", "ton440.wma"}) {
                const int flux = sans_attendre(
                    [&] { return lm.moteur().ouvrir_flux(std::string(VANTREL_FIXTURES_DIR) + "/" + nom); });
                EXPECT_EQ(flux != 0, moteur_sain && (sain || !std::string(nom).ends_with(".wma"))) << nom;
                if (flux) {
                    EXPECT_GE(lm.moteur().jouer_flux(-1, flux), 0) << nom;
                    EXPECT_NEAR(double(lm.moteur().longueur_ms(flux)),
                                std::string(nom).ends_with(".wma") ? 1021.0 : 1000.0, 1.0)
                        << nom;
                    lm.moteur().fermer_flux(flux);
                }
            }
            const std::string erreurs = ::testing::internal::GetCapturedStderr();
            std::size_t fois = 0;
            for (std::size_t i = erreurs.find("module refusé"); i != std::string::npos;
                 i = erreurs.find("module refusé", i + 1))
                fois += erreurs.substr(i, erreurs.find('\n', i) - i).ends_with(" : " + m);
            EXPECT_EQ(fois, e.module == kEndommagee ? 1u : 0u) << erreurs;
            EXPECT_EQ(sans_attendre([&] { return vt::audio::ouvrir_module(m, RTLD_NOW); }) != nullptr, sain);
        }
    }
}

}  // namespace
