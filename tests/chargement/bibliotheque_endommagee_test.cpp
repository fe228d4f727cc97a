// A library cut short, of another machine or laid out so that its segments
// run over each other is never mapped: the loader would map it past its end
// or over itself and the process would die. A FIFO, a folder or a device in
// a library's place is never opened to wait on. Damaged or not a file, it
// counts as missing: a damaged FFmpeg decoder leaves every other format
// playing, a damaged engine leaves the player silent.
#include "audio/bibliotheque_optionnelle.h"
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "audio/somme_module.h"
#include "config/configuration.h"
#include "player/chargement_moteur.h"

#include <elf.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;
using vt::audio::EtatBibliotheque;
using Octets = std::string;
constexpr auto kSaine = EtatBibliotheque::Saine, kAbsente = EtatBibliotheque::Absente,
               kEndommagee = EtatBibliotheque::Endommagee;

const fs::path kApp = VANTREL_APP_DIR;
const std::string kFFmpeg = "libvantrel_ffmpeg.so";

Octets lire(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Octets(std::istreambuf_iterator<char>(f), {});
}

void ecrire(const fs::path& p, const Octets& o) { std::ofstream(p, std::ios::binary) << o; }

ElfW(Ehdr) & entete(Octets& o) { return *reinterpret_cast<ElfW(Ehdr)*>(o.data()); }

// The program headers of `o`, the loadable ones alone when `charges`.
std::vector<ElfW(Phdr)*> segments(Octets& o, bool charges = true) {
    std::vector<ElfW(Phdr)*> s;
    for (int i = 0; i < entete(o).e_phnum; ++i) {
        auto* p = reinterpret_cast<ElfW(Phdr)*>(o.data() + entete(o).e_phoff + i * sizeof(ElfW(Phdr)));
        if (!charges || p->p_type == PT_LOAD) s.push_back(p);
    }
    return s;
}

// Where the last loadable segment of `o` ends: what the loader maps.
std::size_t fin_chargee(Octets& o) {
    std::size_t fin = 0;
    for (const ElfW(Phdr)* s : segments(o)) fin = std::max<std::size_t>(fin, s->p_offset + s->p_filesz);
    return fin;
}

// The first loadable segment's memory grown to end `plus` bytes past the
// start of the next one.
void deborder(Octets& o, ElfW(Sxword) plus) {
    const auto s = segments(o);
    s[0]->p_memsz = s[1]->p_vaddr - s[0]->p_vaddr + plus;
}

// One byte in the middle of the code (.text) inverted: an instruction no
// header shows.
void inverser_instruction(Octets& o) {
    const ElfW(Ehdr)& e = entete(o);
    const auto* sections = reinterpret_cast<const ElfW(Shdr)*>(o.data() + e.e_shoff);
    const char* noms = o.data() + sections[e.e_shstrndx].sh_offset;
    for (int i = 0; i < e.e_shnum; ++i)
        if (std::string(noms + sections[i].sh_name) == ".text") {
            o[sections[i].sh_offset + sections[i].sh_size / 2] ^= 0xff;
            return;
        }
    ADD_FAILURE() << "no .text";
}

struct Dommage {
    const char* nom;
    std::function<void(Octets&)> faire;
    EtatBibliotheque attendu;
};

// The first row leaves the library intact; the last accepted rows are
// layouts the loader maps as they are.
const std::vector<Dommage> kDommages = {
    {"intacte", [](Octets&) {}, kSaine},
    {"coupee a 4 Kio", [](Octets& o) { o.resize(4096); }, kEndommagee},
    {"coupee a la moitie de ce qui est charge", [](Octets& o) { o.resize(fin_chargee(o) / 2); }, kEndommagee},
    {"coupee d'un octet de ce qui est charge", [](Octets& o) { o.resize(fin_chargee(o) - 1); }, kEndommagee},
    {"plus courte que son en-tete", [](Octets& o) { o.resize(40); }, kEndommagee},
    {"coupee dans sa table de segments",
     [](Octets& o) { o.resize(entete(o).e_phoff + sizeof(ElfW(Phdr))); }, kEndommagee},
    {"table de segments hors du fichier", [](Octets& o) { entete(o).e_phoff = ~ElfW(Off)(0) - 8; }, kEndommagee},
    {"sans signature ELF", [](Octets& o) { o[EI_MAG1] = 'X'; }, kEndommagee},
    {"d'une autre classe", [](Octets& o) { o[EI_CLASS] ^= ELFCLASS32 ^ ELFCLASS64; }, kEndommagee},
    {"d'un autre ordre des octets", [](Octets& o) { o[EI_DATA] ^= ELFDATA2LSB ^ ELFDATA2MSB; }, kEndommagee},
    {"d'une autre machine", [](Octets& o) { entete(o).e_machine ^= 0x40; }, kEndommagee},
    {"executable", [](Octets& o) { entete(o).e_type = ET_EXEC; }, kEndommagee},
    {"segments charges hors d'ordre", [](Octets& o) { std::swap(*segments(o)[0], *segments(o)[1]); }, kEndommagee},
    {"premier segment grandi de 16 Mio sur le suivant", [](Octets& o) { deborder(o, 16 << 20); }, kEndommagee},
    {"premier segment grandi d'un octet sur le suivant", [](Octets& o) { deborder(o, 1); }, kEndommagee},
    {"segment de code plus court en memoire que dans le fichier",
     [](Octets& o) { segments(o)[1]->p_memsz = segments(o)[1]->p_filesz - 1; }, kEndommagee},
    {"memoire du dernier segment au bout des adresses",
     [](Octets& o) { segments(o).back()->p_memsz = ~ElfW(Xword)(0) - segments(o).back()->p_vaddr + 2; },
     kEndommagee},
    {"premier segment grandi jusqu'au suivant", [](Octets& o) { deborder(o, 0); }, kSaine},
    {"dernier segment grandi de 16 Mio", [](Octets& o) { segments(o).back()->p_memsz += 16 << 20; }, kSaine},
    {"segment sans octet du fichier, place au-dela de sa fin",
     [](Octets& o) {
         for (ElfW(Phdr)* s : segments(o, false))
             if (s->p_type == PT_GNU_STACK && s->p_filesz == 0) s->p_offset = o.size() + (1 << 20);
     },
     kSaine},
};

struct DossierApp {
    fs::path chemin;
    DossierApp() {
        char modele[] = "/tmp/vtbXXXXXX";  // short: a needed name is replaced by a path in it
        chemin = ::mkdtemp(modele);
        for (const std::string& module : {std::string(vt::kBibliothequeMoteur), kFFmpeg})
            for (const std::string& f : {module, module + vt::audio::kSuffixeSomme})
                fs::copy_file(kApp / f, chemin / f);
        vt::definir_chemin_executable((chemin / "vantrel").string());
    }
    ~DossierApp() {
        vt::definir_chemin_executable("");
        fs::remove_all(chemin);
    }
};

// What stands in a library's place when it is not a regular file.
struct NonFichier {
    const char* nom;
    std::function<void(const fs::path&)> faire;
};
const NonFichier kNonFichiers[] = {
    {"une FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
    {"un lien vers une FIFO",
     [](const fs::path& p) {
         ASSERT_EQ(::mkfifo((p.string() + ".f").c_str(), 0644), 0);
         fs::create_symlink(p.filename().string() + ".f", p);
     }},
    {"un dossier", [](const fs::path& p) { fs::create_directory(p); }},
    {"un peripherique", [](const fs::path& p) { fs::create_symlink("/dev/null", p); }},
};

// `f()`, run on a thread of its own. A FIFO opened for reading waits for a
// writer: past 10 s the test fails, and every FIFO under `dossier` is then
// opened for writing until `f` is let go.
template <class F>
auto sans_attendre(const fs::path& dossier, F f) {
    auto r = std::async(std::launch::async, f);
    if (r.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "blocked for 10 s";
        while (r.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            for (const auto& e : fs::recursive_directory_iterator(dossier))
                if (e.is_fifo())
                    if (int fd = ::open(e.path().c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) ::close(fd);
    }
    return r.get();
}

// Each damage of a copy of the FFmpeg decoder's library: checked, then
// opened or refused, never mapped damaged.
TEST(BibliothequeEndommagee, CheckedBeforeOpening) {
    const Octets original = lire(kApp / kFFmpeg);
    ASSERT_GT(original.size(), 8192u);
    for (const Dommage& d : kDommages) {
        DossierApp app;
        Octets o = original;
        d.faire(o);
        if (&d != &kDommages[0]) {
            ASSERT_NE(o, original) << d.nom;
        }
        const fs::path copie = app.chemin / kFFmpeg;
        ecrire(copie, o);
        EXPECT_EQ(vt::audio::examiner_bibliotheque(copie), d.attendu) << d.nom;
        void* dl = vt::audio::ouvrir_bibliotheque(copie, RTLD_NOW | RTLD_LOCAL);
        EXPECT_EQ(dl != nullptr, d.attendu == kSaine) << d.nom << ": " << (dl ? "" : ::dlerror());
        // Left open, as the player leaves its decoder: FFmpeg's libraries
        // keep allocations of their own that closing them would leave
        // unreachable.
    }
    EXPECT_EQ(vt::audio::examiner_bibliotheque("/nonexistent/libvantrel_ffmpeg.so"), kAbsente);
}

// A library that is not a regular file is missing, at once: in the
// library's own place, in the place of one it needs (a copy of the decoder
// whose first needed name is turned into a path), in the place of a
// module's recorded sum.
TEST(BibliothequeEndommagee, NonRegularFilesAreMissingWithoutWaiting) {
    for (const NonFichier& n : kNonFichiers) {
        DossierApp app;
        const fs::path autre = app.chemin / "d";

        n.faire(autre);
        EXPECT_EQ(sans_attendre(app.chemin, [&] { return vt::audio::examiner_bibliotheque(autre); }), kAbsente)
            << n.nom;
        EXPECT_EQ(sans_attendre(app.chemin, [&] { return vt::audio::examiner_module(autre); }), kAbsente) << n.nom;
        EXPECT_EQ(sans_attendre(app.chemin, [&] { return vt::audio::ouvrir_bibliotheque(autre, RTLD_NOW); }),
                  nullptr)
            << n.nom;

        Octets o = lire(kApp / kFFmpeg);
        const std::size_t i = o.find("libav");
        ASSERT_NE(i, Octets::npos);
        const std::string nom = o.c_str() + i;
        ASSERT_GE(nom.size(), autre.string().size());
        o.replace(i, nom.size(), autre.string() + std::string(nom.size() - autre.string().size(), '\0'));
        const fs::path demandeuse = app.chemin / "libdemandeuse.so";
        ecrire(demandeuse, o);
        EXPECT_EQ(sans_attendre(app.chemin, [&] { return vt::audio::examiner_bibliotheque(demandeuse); }),
                  kAbsente)
            << n.nom;

        const fs::path module = app.chemin / kFFmpeg;
        fs::remove(module.string() + vt::audio::kSuffixeSomme);
        n.faire(module.string() + vt::audio::kSuffixeSomme);
        EXPECT_EQ(sans_attendre(app.chemin, [&] { return vt::audio::ouvrir_module(module, RTLD_NOW); }), nullptr)
            << n.nom;
        EXPECT_EQ(vt::audio::examiner_bibliotheque(module), kSaine) << n.nom;
    }
}

// A library it needs is checked as well: a copy of the decoder whose first
// needed name is turned into the path of a copy of that library, intact or
// damaged.
TEST(BibliothequeEndommagee, NeededLibrariesAreChecked) {
    DossierApp app;
    Octets o = lire(kApp / kFFmpeg);
    const fs::path besoin = app.chemin / "d";
    const std::size_t i = o.find("libav");
    ASSERT_NE(i, Octets::npos);
    const std::string nom = o.c_str() + i;
    ASSERT_GE(nom.size(), besoin.string().size());
    const fs::path vrai = vt::audio::chemin_bibliotheque(nom);
    ASSERT_FALSE(vrai.empty()) << nom;
    o.replace(i, nom.size(), besoin.string() + std::string(nom.size() - besoin.string().size(), '\0'));
    ecrire(app.chemin / kFFmpeg, o);
    for (std::size_t d : {0, 1, 2, 13}) {  // intact, two cuts, a segment over the next
        Octets dep = lire(vrai);
        kDommages[d].faire(dep);
        ecrire(besoin, dep);
        EXPECT_EQ(vt::audio::examiner_bibliotheque(app.chemin / kFFmpeg), kDommages[d].attendu)
            << kDommages[d].nom;
    }
}

// A bare name is checked where the loader would find it.
TEST(BibliothequeEndommagee, BareNamesAreFoundOnTheSearchPath) {
    const std::string libc = vt::audio::chemin_bibliotheque("libc.so.6");
    EXPECT_TRUE(libc.ends_with("/libc.so.6")) << libc;
    EXPECT_EQ(vt::audio::examiner_bibliotheque(libc), kSaine);
    EXPECT_EQ(vt::audio::chemin_bibliotheque("libvantrel_inexistante.so.9"), "");
}

// The player's own modules are loaded only with the bytes the build
// recorded: a flipped instruction, which no header shows, is refused, and
// so is a module whose sum is missing, damaged or another's.
TEST(BibliothequeEndommagee, OwnModulesMatchTheirRecordedSum) {
    using Sommes = std::function<void(const fs::path& module, const fs::path& somme)>;
    const std::pair<const char*, Sommes> kSommes[] = {
        {"somme enregistree", [](const fs::path&, const fs::path&) {}},
        {"sans somme", [](const fs::path&, const fs::path& s) { fs::remove(s); }},
        {"somme vide", [](const fs::path&, const fs::path& s) { ecrire(s, ""); }},
        {"somme illisible", [](const fs::path&, const fs::path& s) { ecrire(s, "vantrel\n"); }},
        {"somme d'un bit de plus",
         [](const fs::path&, const fs::path& s) {
             ecrire(s, vt::audio::texte_somme(*vt::audio::lire_texte_somme(lire(s)) ^ 1));
         }},
        {"somme de l'autre module",
         [](const fs::path& m, const fs::path& s) {
             const bool moteur = m.filename() == vt::kBibliothequeMoteur;
             fs::copy_file(kApp / ((moteur ? kFFmpeg : vt::kBibliothequeMoteur) + vt::audio::kSuffixeSomme), s,
                           fs::copy_options::overwrite_existing);
         }},
    };
    for (const std::string& module : {std::string(vt::kBibliothequeMoteur), kFFmpeg})
        for (bool instruction_inversee : {false, true})
            for (const auto& [nom, somme] : kSommes) {
                DossierApp app;
                const fs::path m = app.chemin / module;
                if (instruction_inversee) {
                    Octets o = lire(m);
                    inverser_instruction(o);
                    ecrire(m, o);
                }
                somme(m, m.string() + vt::audio::kSuffixeSomme);
                const bool sain = !instruction_inversee && nom == kSommes[0].first;
                const std::string ligne = module + (instruction_inversee ? ", instruction inversee, " : ", ") + nom;
                EXPECT_EQ(vt::audio::examiner_bibliotheque(m), kSaine) << ligne;
                EXPECT_EQ(vt::audio::examiner_module(m), sain ? kSaine : kEndommagee) << ligne;
                EXPECT_EQ(vt::audio::ouvrir_module(m, RTLD_NOW | RTLD_LOCAL) != nullptr, sain) << ligne;
            }
}

// In an app folder whose FFmpeg decoder is damaged or not a file, the
// engine plays what the light decoders read and refuses the rest; with its
// own library so, the player stays silent. Neither waits.
TEST(BibliothequeEndommagee, DamagedDecoderRefusesOnlyItsFormats) {
    const std::pair<const char*, std::function<void(const fs::path&)>> kEtats[] = {
        {"intacte", [](const fs::path&) {}},
        {"coupee a la moitie de ce qui est charge",
         [](const fs::path& p) {
             Octets o = lire(p);
             kDommages[2].faire(o);
             ecrire(p, o);
         }},
        {"premier segment grandi de 16 Mio sur le suivant",
         [](const fs::path& p) {
             Octets o = lire(p);
             deborder(o, 16 << 20);
             ecrire(p, o);
         }},
        {"instruction inversee",
         [](const fs::path& p) {
             Octets o = lire(p);
             inverser_instruction(o);
             ecrire(p, o);
         }},
        {"une FIFO",
         [](const fs::path& p) {
             fs::remove(p);
             ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0);
         }},
    };
    for (const std::string& bibliotheque : {kFFmpeg, std::string(vt::kBibliothequeMoteur)})
        for (const auto& [etat, faire] : kEtats) {
            DossierApp app;
            faire(app.chemin / bibliotheque);
            const bool intacte = etat == kEtats[0].first;
            const bool moteur_sain = intacte || bibliotheque != vt::kBibliothequeMoteur;
            const std::string ligne = bibliotheque + ", " + etat;
            lecteur_media lm;
            sans_attendre(app.chemin, [&] { vt::ChargementMoteur(lm).charger_maintenant(); });
            EXPECT_EQ(lm.moteur().initialise(), moteur_sain) << ligne;
            for (const char* nom : {"ton440.wav", "ton440.flac", "ton440.ogg", "ton440.mp3", "ton440.wma"}) {
                const int flux = sans_attendre(app.chemin, [&] {
                    return lm.moteur().ouvrir_flux(std::string(VANTREL_FIXTURES_DIR) + "/" + nom);
                });
                EXPECT_EQ(flux != 0, moteur_sain && (intacte || !std::string(nom).ends_with(".wma")))
                    << ligne << ", " << nom;
                if (flux) {
                    EXPECT_GE(lm.moteur().jouer_flux(-1, flux), 0) << nom;
                    EXPECT_NEAR(double(lm.moteur().longueur_ms(flux)), 1000.0,
                                std::string(nom).ends_with(".wma") ? 60.0 : 1.0)
                        << nom;
                    lm.moteur().fermer_flux(flux);
                }
            }
        }
}

}  // namespace
