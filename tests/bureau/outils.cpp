#include "bureau/outils.h"

#include "ui/bureau/instance.h"

#include <QCoreApplication>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <atomic>
#include <cstring>
#include <thread>

namespace vt::test {

namespace {
// Tests must not touch the user's session bus: whatever would reach for it
// in this process finds none.
[[maybe_unused]] const bool kSansBusDeSession = [] {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vantrel-tests/bus");
    return true;
}();
}  // namespace

void en_parallele(const std::function<void()>& action) {
    std::atomic<bool> fini{false};
    std::thread t([&] {
        action();
        fini = true;
    });
    // The action has time limits of its own; until it ends, events are served.
    while (!QTest::qWaitFor([&] { return fini.load(); }, 1000)) {
    }
    t.join();
}

bool confier_en_parallele(const QString& nom, const std::optional<std::string>& fichier, int attente_ms) {
    bool pris = false;
    en_parallele([&] { pris = vt::confier_au_lecteur(nom, fichier, attente_ms); });
    return pris;
}

bool socket_abandonne(const std::string& chemin) {
    sockaddr_un a{};
    if (chemin.size() >= sizeof a.sun_path) return false;
    a.sun_family = AF_UNIX;
    std::memcpy(a.sun_path, chemin.c_str(), chemin.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const bool lie = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);  // the file stays, nobody listens
    return lie;
}

bool attendre(const std::function<bool()>& condition, int ms) { return QTest::qWaitFor(condition, ms); }

}  // namespace vt::test
