#include "ui/affichage.h"

#include <QList>
#include <QtGlobal>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vt {

namespace {

std::optional<std::string> variable(const char* nom) {
    if (!qEnvironmentVariableIsSet(nom)) return std::nullopt;
    return qgetenv(nom).toStdString();
}

bool tentative(const std::string& adresse, bool abstrait) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const std::size_t debut = abstrait ? 1 : 0;  // the abstract name follows a 0 byte
    if (adresse.empty() || adresse.size() + debut >= sizeof a.sun_path) return false;
    std::memcpy(a.sun_path + debut, adresse.data(), adresse.size());
    const auto taille =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + debut + adresse.size() + (abstrait ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    int r;
    do {
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), taille);
    } while (r != 0 && errno == EINTR);
    // A full queue still tells that a server listens.
    const bool vivant = r == 0 || errno == EAGAIN || errno == EINPROGRESS;
    ::close(fd);
    return vivant;
}

bool nomme(const std::optional<std::string>& v) { return v && !v->empty(); }

// "NOM=valeur", or "NOM absent" when the variable names nothing.
std::string variable_lue(const char* nom, const std::optional<std::string>& v) {
    return nomme(v) ? std::string(nom) + "=" + *v : std::string(nom) + " absent";
}

std::string etat(const char* nom, const std::optional<std::string>& v) {
    return nomme(v) ? variable_lue(nom, v) + " ne répond pas" : variable_lue(nom, v);
}

// The start of the toolkit, watched: see verifier_session_graphique.
QtMessageHandler precedent = nullptr;
bool en_demarrage = false;

void gestionnaire(QtMsgType type, const QMessageLogContext& contexte, const QString& texte) {
    if (type == QtFatalMsg && en_demarrage) {
        const Session s = session_de_l_environnement();
        const std::string m = "vantrel : la session graphique n'a pas pu être ouverte (" +
                              variable_lue("DISPLAY", s.display) + ", " +
                              variable_lue("WAYLAND_DISPLAY", s.wayland_display) + ").\n";
        std::fputs(m.c_str(), stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (precedent) precedent(type, contexte, texte);
}

}  // namespace

bool plateformes_avec_serveur(const QByteArray& plateformes) {
    // No name at all stands for the toolkit's default, xcb.
    for (const QByteArray& entree : plateformes.split(';')) {
        const QByteArray nom = entree.split(':').front().trimmed().toLower();
        if (!nom.isEmpty() && nom != "xcb" && !nom.startsWith("wayland")) return false;
    }
    return true;
}

std::optional<std::string> socket_x(const std::string& display) {
    const std::size_t deux_points = display.rfind(':');
    if (deux_points == std::string::npos) return std::string();
    std::string hote = display.substr(0, deux_points);
    const std::string reste = display.substr(deux_points + 1);
    const std::string numero = reste.substr(0, reste.find('.'));
    if (numero.empty() || numero.find_first_not_of("0123456789") != std::string::npos) return std::string();
    if (!hote.empty() && hote.front() == '/') return display;  // a socket's own path
    if (hote.empty() || hote == "unix") return "/tmp/.X11-unix/X" + numero;
    return std::nullopt;
}

std::string socket_wayland(const std::string& wayland_display, const std::string& runtime) {
    const std::string nom = wayland_display.empty() ? std::string("wayland-0") : wayland_display;
    if (nom.front() == '/') return nom;
    if (runtime.empty()) return {};
    return runtime + (runtime.back() == '/' ? "" : "/") + nom;
}

bool socket_vivant(const std::string& chemin, bool abstrait) {
    return (abstrait && tentative(chemin, true)) || tentative(chemin, false);
}

Session session_de_l_environnement() {
    Session s;
    s.display = variable("DISPLAY");
    s.wayland_display = variable("WAYLAND_DISPLAY");
    s.runtime = variable("XDG_RUNTIME_DIR");
    s.wayland_socket = !qEnvironmentVariableIsEmpty("WAYLAND_SOCKET");
    return s;
}

bool session_joignable(const Session& s) {
    if (nomme(s.display)) {
        const std::optional<std::string> x = socket_x(*s.display);
        if (!x) return true;  // another host: the toolkit tries it
        if (!x->empty() && socket_vivant(*x, x->front() == '/' && x->rfind("/tmp/.X11-unix/", 0) == 0))
            return true;
    }
    if (s.wayland_socket) return true;
    const std::string w =
        socket_wayland(s.wayland_display.value_or(std::string()), s.runtime.value_or(std::string()));
    return !w.empty() && socket_vivant(w);
}

std::string message_sans_session(const Session& s) {
    std::string m = "vantrel : aucune session graphique n'a été trouvée (";
    if (!nomme(s.display) && !nomme(s.wayland_display))
        m += "ni DISPLAY ni WAYLAND_DISPLAY";
    else
        m += etat("DISPLAY", s.display) + ", " + etat("WAYLAND_DISPLAY", s.wayland_display);
    return m + ").\n";
}

bool verifier_session_graphique() {
    if (!plateformes_avec_serveur(qgetenv("QT_QPA_PLATFORM"))) return true;
    const Session s = session_de_l_environnement();
    if (!session_joignable(s)) {
        std::fputs(message_sans_session(s).c_str(), stderr);
        std::fflush(stderr);
        return false;
    }
    en_demarrage = true;
    precedent = qInstallMessageHandler(gestionnaire);
    return true;
}

void fin_demarrage_toolkit() {
    if (!en_demarrage) return;
    en_demarrage = false;
    qInstallMessageHandler(precedent);
    precedent = nullptr;
}

}  // namespace vt
