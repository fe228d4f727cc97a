// What a first start pays before its windows to learn that no player runs
// yet: a connection attempt on the local socket, with no socket at all or
// with the socket file a crashed player left behind.
#include "ui/bureau/instance.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstring>

namespace {

void BM_AucunLecteur(benchmark::State& state) {
    QTemporaryDir d;
    const QString nom = d.path() + QStringLiteral("/vantrel.instance");
    for (auto _ : state) benchmark::DoNotOptimize(vt::confier_au_lecteur(nom, std::string("/m/x.mp3")));
}
BENCHMARK(BM_AucunLecteur)->Unit(benchmark::kMillisecond);

void BM_SocketAbandonne(benchmark::State& state) {
    QTemporaryDir d;
    const QByteArray chemin = QFile::encodeName(d.path() + QStringLiteral("/vantrel.instance"));
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, chemin.constData(), static_cast<std::size_t>(chemin.size()) + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        state.SkipWithError("cannot make the socket file");
        return;
    }
    ::close(fd);
    const QString nom = QFile::decodeName(chemin);
    for (auto _ : state) benchmark::DoNotOptimize(vt::confier_au_lecteur(nom, std::string("/m/x.mp3")));
}
BENCHMARK(BM_SocketAbandonne)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
