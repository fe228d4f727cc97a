// Reading every value of a large quoted-value text in one pass: the way a
// 100,000-entry play list is loaded.
#include "config/gestion_vantrel.h"

#include <benchmark/benchmark.h>

namespace {

std::string texte_playlist(int n) {
    std::string t;
    for (int i = 0; i < n; ++i) {
        t += '"';
        t += "/home/user/Musique/Artiste " + std::to_string(i % 500) + "/Album " + std::to_string(i % 17) +
             "/" + std::to_string(i % 20) + " - Titre du morceau " + std::to_string(i) + ".mp3";
        t += '"';
    }
    return t;
}

void BM_AllValuesOnePass100k(benchmark::State& state) {
    gestion_vantrel g;
    g.texte = texte_playlist(100000);
    for (auto _ : state) {
        auto v = g.valeurs();
        benchmark::DoNotOptimize(v.data());
    }
    state.counters["values"] = static_cast<double>(g.nombre_valeurs());
}
BENCHMARK(BM_AllValuesOnePass100k)->Unit(benchmark::kMillisecond);

// For comparison: value by value, the same results in quadratic time.
void BM_ValueByValue5k(benchmark::State& state) {
    gestion_vantrel g;
    g.texte = texte_playlist(5000);
    for (auto _ : state) {
        for (unsigned i = 1; i <= 5000; ++i) benchmark::DoNotOptimize(g.valeur(i));
    }
}
BENCHMARK(BM_ValueByValue5k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
