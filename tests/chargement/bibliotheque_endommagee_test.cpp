// A library cut short or of another machine is never mapped: the loader
// would map it past its end and the process would die of SIGBUS. Damaged,
// it counts as missing: a damaged FFmpeg decoder leaves every other format
// playing, a damaged engine leaves the player silent.
#include "audio/bibliotheque_optionnelle.h"
#include "audio/chargement.h"
#include "audio/lecteur_media.h"
#include "config/configuration.h"
#include "player/chargement_moteur.h"

#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>

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

// The first row leaves the library intact; every other one damages it.
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
    {"d'une autre machine", [](Octets& o) { entete(o).e_machine ^= 0x40; }},
    {"executable", [](Octets& o) { entete(o).e_type = ET_EXEC; }},
};
constexpr auto kSaine = EtatBibliotheque::Saine, kEndommagee = EtatBibliotheque::Endommagee;

struct DossierApp {
    fs::path chemin;
    DossierApp() {
        char modele[] = "/tmp/vtbXXXXXX";  // short: a needed name is replaced by a path in it
        chemin = ::mkdtemp(modele);
        fs::copy_file(kApp / vt::kBibliothequeMoteur, chemin / vt::kBibliothequeMoteur);
        fs::copy_file(kApp / "libvantrel_ffmpeg.so", chemin / "libvantrel_ffmpeg.so");
        vt::definir_chemin_executable((chemin / "vantrel").string());
    }
    ~DossierApp() {
        vt::definir_chemin_executable("");
        fs::remove_all(chemin);
    }
};

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
        EXPECT_EQ(vt::audio::examiner_bibliotheque(copie), d == 0 ? kSaine : kEndommagee)
            << kDommages[d].first;
        void* dl = vt::audio::ouvrir_bibliotheque(copie, RTLD_NOW | RTLD_LOCAL);
        EXPECT_EQ(dl != nullptr, d == 0) << kDommages[d].first;
        // Left open, as the player leaves its decoder: FFmpeg's libraries
        // keep allocations of their own that closing them would leave
        // unreachable.
    }
    EXPECT_EQ(vt::audio::examiner_bibliotheque("/nonexistent/libvantrel_ffmpeg.so"),
              EtatBibliotheque::Absente);
    EXPECT_EQ(vt::audio::examiner_bibliotheque(kApp), EtatBibliotheque::Absente);
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
    for (std::size_t d : {0, 1, 2}) {  // intact, then two cuts of the table
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

// In an app folder whose FFmpeg decoder is damaged, the engine plays what
// the light decoders read and refuses the rest; with its own library
// damaged the player stays silent.
TEST(BibliothequeEndommagee, DamagedDecoderRefusesOnlyItsFormats) {
    for (const char* bibliotheque : {"libvantrel_ffmpeg.so", vt::kBibliothequeMoteur}) {
        DossierApp app;
        Octets o = lire(app.chemin / bibliotheque);
        kDommages[2].second(o);  // cut to half of what is loaded
        ecrire(app.chemin / bibliotheque, o);
        const bool moteur_sain = std::string(bibliotheque) != vt::kBibliothequeMoteur;
        lecteur_media lm;
        vt::ChargementMoteur(lm).charger_maintenant();
        EXPECT_EQ(lm.moteur().initialise(), moteur_sain) << bibliotheque;
        for (const char* nom : {"ton440.wav", "ton440.flac", "ton440.ogg", "ton440.mp3", "ton440.wma"}) {
            const int flux = lm.moteur().ouvrir_flux(std::string(VANTREL_FIXTURES_DIR) + "/" + nom);
            EXPECT_EQ(flux != 0, moteur_sain && !std::string(nom).ends_with(".wma"))
                << bibliotheque << ", " << nom;
            if (flux) {
                EXPECT_GE(lm.moteur().jouer_flux(-1, flux), 0) << nom;
                EXPECT_NEAR(double(lm.moteur().longueur_ms(flux)), 1000.0, 1.0) << nom;
                lm.moteur().fermer_flux(flux);
            }
        }
    }
}

}  // namespace
