// The current play list and play-list files at sizes well beyond everyday
// use: appending, the edit buttons, loading, writing and scanning.
//
// vues:0 runs on the bare model; vues:1 attaches what the windows attach: a
// shown QListView on column 0 and a hidden one on column 1, both with
// uniform item sizes, with pending layout and paint events processed inside
// the timed region; vues:2 is the same without uniform item sizes, to show
// what that setting is worth on long lists.
#include "config/gestion_vantrel.h"
#include "playlist/fichiers_playlist.h"
#include "playlist/liste_courante.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string chemin_realiste(int i) {
    char tampon[160];
    std::snprintf(tampon, sizeof tampon,
                  "/home/user/Musique/Artiste %03d/Album %d/%02d - Titre du morceau %05d.mp3", i % 1000,
                  i % 13, i % 20 + 1, i % 100000);
    return tampon;
}

std::vector<std::string> chemins_realistes(int n) {
    std::vector<std::string> v;
    v.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) v.push_back(chemin_realiste(i));
    return v;
}

const std::vector<std::string>& cent_mille() {
    static const std::vector<std::string> v = chemins_realistes(100000);
    return v;
}

std::string encoder(const QString& s) { return QFile::encodeName(s).toStdString(); }

// A model with, on request, the two views of the windows.
struct Liste {
    explicit Liste(int vues) {
        if (vues == 0) return;
        noms = std::make_unique<QListView>();
        noms->setUniformItemSizes(vues == 1);
        noms->setModel(&modele);
        noms->resize(230, 132);
        noms->show();
        chemins = std::make_unique<QListView>();
        chemins->setUniformItemSizes(vues == 1);
        chemins->setModel(&modele);
        chemins->setModelColumn(1);
        chemins->resize(778, 137);
    }
    void traiter() {
        if (noms) QApplication::processEvents();
    }
    vt::ListeCourante modele;
    std::unique_ptr<QListView> noms;
    std::unique_ptr<QListView> chemins;
};

// Appending 100,000 entries one at a time, as many drops or dialogs would.
void BM_Ajout100k(benchmark::State& state) {
    const int vues = static_cast<int>(state.range(0));
    const auto& source = cent_mille();
    for (auto _ : state) {
        state.PauseTiming();
        auto l = std::make_unique<Liste>(vues);
        state.ResumeTiming();
        for (const std::string& c : source) l->modele.ajouter_nommes_par_dernier_separateur({c});
        l->traiter();
        state.PauseTiming();
        l.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}
BENCHMARK(BM_Ajout100k)->ArgName("vues")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// One edit on a 100,000-entry list; the list is put back outside the timing.
enum Edition { SupprimerPremier, SupprimerMilieu, Echanger, AjouterUn };

void BM_Edition100k(benchmark::State& state) {
    const auto edition = static_cast<Edition>(state.range(0));
    const int vues = static_cast<int>(state.range(1));
    Liste l(vues);
    l.modele.remplacer(cent_mille());
    l.traiter();
    const int milieu = 50000;
    if (l.noms) {
        l.noms->setCurrentIndex(l.modele.index(milieu, 0));
        l.chemins->setCurrentIndex(l.modele.index(milieu, 1));
        l.traiter();
    }
    const std::string un = chemin_realiste(123456);
    for (auto _ : state) {
        switch (edition) {
            case SupprimerPremier: {
                std::string garde = l.modele.chemin(0);
                l.modele.supprimer(0);
                l.traiter();
                state.PauseTiming();
                l.modele.ajouter_nommes_par_dernier_separateur({garde});  // the count stays at 100,000
                l.traiter();
                state.ResumeTiming();
                break;
            }
            case SupprimerMilieu: {
                std::string garde = l.modele.chemin(milieu);
                l.modele.supprimer(milieu);
                l.traiter();
                state.PauseTiming();
                l.modele.ajouter_nommes_par_dernier_separateur({garde});
                l.traiter();
                state.ResumeTiming();
                break;
            }
            case Echanger:
                l.modele.echanger_avec_precedent(milieu);
                l.traiter();
                break;
            case AjouterUn:
                l.modele.ajouter_nommes_par_dernier_separateur({un});
                l.traiter();
                state.PauseTiming();
                l.modele.supprimer(l.modele.nombre() - 1);
                l.traiter();
                state.ResumeTiming();
                break;
        }
    }
    if (l.modele.nombre() != 100000) state.SkipWithError("the list did not keep its size");
}
BENCHMARK(BM_Edition100k)
    ->ArgNames({"edition", "vues"})
    ->ArgsProduct({{SupprimerPremier, SupprimerMilieu, Echanger, AjouterUn}, {0, 1}})
    ->Args({Echanger, 2})
    ->Args({AjouterUn, 2})
    ->Unit(benchmark::kMillisecond);

// Loading a play-list file of N entries: read and split by the parser, then
// one reset of the model.
void BM_ChargerPlaylist(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int vues = static_cast<int>(state.range(1));
    QTemporaryDir dir;
    const std::string fichier = encoder(dir.path()) + "/grande.vtlist";
    gestion_vantrel p;
    if (!p.ecrire(fichier, vt::texte_playlist(chemins_realistes(n)))) {
        state.SkipWithError("cannot write the play-list file");
        return;
    }
    Liste l(vues);
    for (auto _ : state) {
        auto lu = vt::lire_playlist(fichier);
        if (!lu) {
            state.SkipWithError("cannot read the play-list file");
            break;
        }
        l.modele.remplacer(std::move(*lu));
        if (l.noms) l.noms->setCurrentIndex(l.modele.index(0, 0));
        l.traiter();
    }
    if (l.modele.nombre() != n) state.SkipWithError("wrong entry count");
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ChargerPlaylist)
    ->ArgNames({"entrees", "vues"})
    ->ArgsProduct({{10000, 100000}, {0, 1}})
    ->Args({100000, 2})
    ->Unit(benchmark::kMillisecond);

// Writing a 100,000-entry play list: the text, then the atomic write (with
// its fsync) to a file that already exists, as a rewrite does.
void BM_EcrirePlaylist100k(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string fichier = encoder(dir.path()) + "/sortie.vtlist";
    vt::ListeCourante l;
    l.remplacer(cent_mille());
    gestion_vantrel p;
    std::size_t octets = 0;
    for (auto _ : state) {
        std::string texte = vt::texte_playlist(l);
        octets = texte.size();
        if (!p.ecrire(fichier, texte)) {
            state.SkipWithError("cannot write the play-list file");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(octets));
}
BENCHMARK(BM_EcrirePlaylist100k)->Unit(benchmark::kMillisecond);

// Scanning a play-list directory of 10,000 play lists (plus 1,000 other files).
void BM_ListerPlaylists10k(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string rep = encoder(dir.path()) + "/playlist/";
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(rep)));
    for (int i = 0; i < 11000; ++i) {
        char nom[64];
        if (i < 10000)
            std::snprintf(nom, sizeof nom, "%s %04d.%s", i % 3 ? "Soirée" : "jazz", i,
                          i % 7 ? "vtlist" : "VTLIST");
        else
            std::snprintf(nom, sizeof nom, "note %04d.txt", i);
        std::ofstream(rep + nom) << "\"/m/a.mp3\"";
    }
    std::size_t n = 0;
    for (auto _ : state) {
        auto liste = vt::lister_playlists(rep);
        n = liste.size();
        benchmark::DoNotOptimize(liste.data());
    }
    if (n != 10000) state.SkipWithError("wrong play-list count");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_ListerPlaylists10k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
