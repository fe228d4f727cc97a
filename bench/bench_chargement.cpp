// What looking at the player's modules costs before they are loaded: the
// engine's (on its loading thread, before the first sound) and the FFmpeg
// decoder's (on the window's thread, at the first file only FFmpeg reads).
// With the sum: every byte read and summed, then the headers and the needed
// libraries examined; without it, the headers and needed libraries alone.
#include "audio/bibliotheque_optionnelle.h"
#include "audio/chargement.h"
#include "audio/decodeur.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

void BM_ExaminerModule(benchmark::State& state, const char* nom, bool avec_somme) {
    const std::string chemin = std::string(VANTREL_APP_DIR) + "/" + nom;
    for (auto _ : state) {
        const auto etat =
            avec_somme ? vt::audio::examiner_module(chemin) : vt::audio::examiner_bibliotheque(chemin);
        if (etat != vt::audio::EtatBibliotheque::Saine) state.SkipWithError("module not sound");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(chemin)));
}
BENCHMARK_CAPTURE(BM_ExaminerModule, moteur_avec_somme, vt::kBibliothequeMoteur, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExaminerModule, moteur_sans_somme, vt::kBibliothequeMoteur, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExaminerModule, ffmpeg_avec_somme, vt::audio::kBibliothequeFFmpeg, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ExaminerModule, ffmpeg_sans_somme, vt::audio::kBibliothequeFFmpeg, false)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
