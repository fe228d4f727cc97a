// The main window's work on large play lists: the 400 ms tick while a track
// plays, appending to both list views, and the edits, with 100,000 entries.
#include "audio/sortie_manuelle.h"
#include "config/configuration.h"
#include "playlist/liste_courante.h"
#include "support/acces_fenetres.h"
#include "support/wav.h"
#include "ui/actions.h"
#include "ui/bureau/bureau.h"
#include "ui/bureau/instance.h"
#include "ui/module.h"
#include "ui/tform1.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <atomic>
#include <fstream>
#include <thread>

namespace {

std::vector<std::string> chemins(int n) {
    std::vector<std::string> v;
    v.reserve(n);
    for (int i = 0; i < n; ++i)
        v.push_back("/home/user/Musique/Artiste " + std::to_string(i % 500) + "/Album " +
                    std::to_string(i % 17) + "/" + std::to_string(i % 20) + " - Titre du morceau " +
                    std::to_string(i) + ".mp3");
    return v;
}

struct Lecteur {
    QTemporaryDir dir;
    std::unique_ptr<vt::Configuration> configuration;  // outlives the module
    std::unique_ptr<vt::ModuleVantrel> m;
    TForm1* principale() const { return vt::test::AccesFenetres::de(*m).Form1; }
    Lecteur(int n) {
        std::string app = QFile::encodeName(dir.path()).toStdString() + "/";
        vt::etablir_emplacements(app + "vantrel");
        QDir::setCurrent(dir.path());
        std::ofstream(app + "vantrel.config")
            << vt::texte_configuration("skin/default/", "default.sk", 0, 0, "playlist/", false);
        configuration = std::make_unique<vt::Configuration>(vt::emplacements().fichier_config);
        m = std::make_unique<vt::ModuleVantrel>(*configuration, std::make_unique<vt::SortieManuelle>());
        m->creer_fenetres();
        m->lecteur->arreter_horloge();
        principale()->show();
        auto v = chemins(n);
        std::string wav = app + "piste.wav";
        std::ofstream(wav, std::ios::binary) << vt::test::octets_wav(600000);
        v[n / 2] = wav;
        principale()->deposer(v);
        QApplication::processEvents();
    }
};

void BM_TickWhilePlaying100k(benchmark::State& state) {
    Lecteur l(100000);
    l.principale()->selectionner(50000);
    l.m->actions->jouer->trigger();
    auto& sortie = static_cast<vt::SortieManuelle&>(*l.m->lecteur->media().moteur().sortie());
    for (auto _ : state) {
        state.PauseTiming();
        sortie.pomper(17640);  // 400 ms of sound
        state.ResumeTiming();
        l.m->lecteur->tic();
        QApplication::processEvents();  // includes the repaint of what changed
    }
}
BENCHMARK(BM_TickWhilePlaying100k)->Unit(benchmark::kMicrosecond);

void BM_Append100kToBothViews(benchmark::State& state) {
    auto v = chemins(100000);
    Lecteur l(1);
    for (auto _ : state) {
        state.PauseTiming();
        l.principale()->image_del_allClick();
        QApplication::processEvents();
        auto copie = v;
        state.ResumeTiming();
        l.principale()->deposer(copie);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Append100kToBothViews)->Unit(benchmark::kMillisecond)->Iterations(3);

// A left click on a button of the window.
void cliquer(QWidget* w) {
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, QPointF(1, 1), QPointF(w->mapToGlobal(QPoint(1, 1))), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

void BM_Edits100k(benchmark::State& state) {
    Lecteur l(100000);
    int k = 0;
    for (auto _ : state) {
        l.principale()->selectionner(50000 + (k++ % 100));
        cliquer(l.principale()->image_up);
        cliquer(l.principale()->image_down);
        l.m->actions->supprimer->trigger();
        l.principale()->deposer({"/m/x.mp3"});
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Edits100k)->Unit(benchmark::kMillisecond);

// A second start handing 20,000 names over to the running player, from the
// requests it makes to the list holding them, repainted, the first playing.
void BM_Remise20000(benchmark::State& state) {
    Lecteur l(1);
    const QString nom = l.dir.path() + QStringLiteral("/vantrel.instance");
    vt::ServeurInstance serveur(
        nom,
        [&l](std::vector<std::string> c, bool jouer) {
            vt::recevoir_fichiers(*l.m->lecteur, std::move(c), jouer);
        },
        [] {});
    if (!serveur.ecouter()) {
        state.SkipWithError("cannot listen");
        return;
    }
    auto v = chemins(20000);
    v[0] = l.m->liste.chemin(0);
    for (auto _ : state) {
        state.PauseTiming();
        l.principale()->image_del_allClick();
        QApplication::processEvents();
        state.ResumeTiming();
        std::atomic<bool> fini{false};
        std::thread second([&] {
            vt::confier_suite(nom, vt::requetes_de_depart(v));
            fini = true;
        });
        while (!fini || l.m->liste.nombre() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 5);
        second.join();
        QApplication::processEvents();  // the repaint
    }
}
BENCHMARK(BM_Remise20000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
