#include "ui/bureau/instance.h"

#include "config/emplacements.h"
#include "playlist/liste_courante.h"
#include "ui/bureau/plateforme.h"
#include "ui/module.h"
#include "ui/tform1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/file.h>
#else
#include <QLockFile>
#endif

namespace vt {

namespace {

constexpr char kMarque[] = "VTRL";
constexpr int kTailleMarque = 4;
constexpr int kTailleEntete = kTailleMarque + 1 + 4;
constexpr char kAccuse = 'K';

}  // namespace

namespace {

constexpr char kJouerPremier = 'J';
constexpr char kAjouterSeulement = 'A';

void ajouter_longueur(QByteArray& octets, std::uint32_t n) {
    for (int decalage : {24, 16, 8, 0}) octets.append(static_cast<char>((n >> decalage) & 0xff));
}

std::uint32_t lire_longueur(const char* p) {
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n = (n << 8) | static_cast<unsigned char>(p[i]);
    return n;
}

// The bytes a path takes in a request.
std::size_t taille_chemin(const std::string& chemin) { return 4 + chemin.size(); }

}  // namespace

Requete requete_fichiers(const std::vector<std::string>& chemins, bool jouer_premier) {
    Requete r{Requete::Type::Fichiers, {}, jouer_premier};
    for (const std::string& c : chemins) r.chemins.push_back(chemin_pour_envoi(c));
    return r;
}

QByteArray encoder_requete(const Requete& r) {
    QByteArray octets(kMarque, kTailleMarque);
    octets.append(static_cast<char>(r.type));
    if (r.type != Requete::Type::Fichiers) {
        ajouter_longueur(octets, 0);
        return octets;
    }
    std::size_t n = 1;
    for (const std::string& c : r.chemins) n += taille_chemin(c);
    ajouter_longueur(octets, static_cast<std::uint32_t>(n));
    octets.reserve(kTailleEntete + static_cast<qsizetype>(n));
    octets.append(r.jouer_premier ? kJouerPremier : kAjouterSeulement);
    for (const std::string& c : r.chemins) {
        ajouter_longueur(octets, static_cast<std::uint32_t>(c.size()));
        octets.append(c.data(), static_cast<qsizetype>(c.size()));
    }
    return octets;
}

Lecture decoder_requete(const QByteArray& tampon, Requete& r) {
    // Every byte received so far must agree with a request's start.
    const qsizetype deja = std::min<qsizetype>(tampon.size(), kTailleMarque);
    if (std::string_view(tampon.constData(), static_cast<std::size_t>(deja)) !=
        std::string_view(kMarque, static_cast<std::size_t>(deja)))
        return Lecture::Invalide;
    if (tampon.size() <= kTailleMarque) return Lecture::Incomplete;
    const char type = tampon[kTailleMarque];
    const bool fichiers = type == static_cast<char>(Requete::Type::Fichiers);
    if (!fichiers && type != static_cast<char>(Requete::Type::Montrer)) return Lecture::Invalide;
    if (tampon.size() < kTailleEntete) return Lecture::Incomplete;
    const std::uint32_t n = lire_longueur(tampon.constData() + kTailleMarque + 1);
    if (n > (fichiers ? kLongueurMaxLot : 0)) return Lecture::Invalide;
    const qsizetype total = kTailleEntete + static_cast<qsizetype>(n);
    if (tampon.size() > kTailleEntete && fichiers && tampon[kTailleEntete] != kJouerPremier &&
        tampon[kTailleEntete] != kAjouterSeulement)
        return Lecture::Invalide;
    if (tampon.size() < total) return Lecture::Incomplete;
    if (tampon.size() > total) return Lecture::Invalide;
    if (!fichiers) {
        r = Requete{};
        return Lecture::Complete;
    }
    // The flag, then paths one after the other, each after its length,
    // filling the request exactly; at least one. A path no file can have is
    // left out, the others taken.
    if (n == 0) return Lecture::Invalide;
    std::vector<std::string> chemins;
    bool un_chemin = false;
    for (qsizetype i = kTailleEntete + 1; i < total;) {
        if (total - i < 4) return Lecture::Invalide;
        const std::uint32_t m = lire_longueur(tampon.constData() + i);
        i += 4;
        if (m > static_cast<std::uint64_t>(total - i)) return Lecture::Invalide;
        un_chemin = true;
        std::string c(tampon.constData() + i, m);
        if (chemin_recevable(c)) chemins.push_back(std::move(c));
        i += static_cast<qsizetype>(m);
    }
    if (!un_chemin) return Lecture::Invalide;
    r = Requete{Requete::Type::Fichiers, std::move(chemins), tampon[kTailleEntete] == kJouerPremier};
    return Lecture::Complete;
}

std::vector<Requete> requetes_de_depart(const std::vector<std::string>& fichiers,
                                        std::uint32_t longueur_max_lot) {
    if (fichiers.empty()) return {Requete{}};
    const std::size_t max = longueur_max_lot ? std::min(longueur_max_lot, kLongueurMaxLot) : kLongueurMaxLot;
    std::vector<Requete> requetes;
    std::size_t taille = 0;
    for (const std::string& f : fichiers) {
        if (!chemin_recevable(f)) continue;
        std::string chemin = chemin_pour_envoi(f);
        // A new request once this one is full (each holds at least one path).
        if (requetes.empty() || (!requetes.back().chemins.empty() && taille + taille_chemin(chemin) > max)) {
            requetes.push_back(Requete{Requete::Type::Fichiers, {}, requetes.empty()});
            taille = 1;
        }
        taille += taille_chemin(chemin);
        requetes.back().chemins.push_back(std::move(chemin));
    }
    if (requetes.empty()) return {Requete{}};
    return requetes;
}

bool chemin_recevable(std::string_view chemin) {
    return !chemin.empty() && chemin.find('\0') == std::string_view::npos;
}

std::string chemin_pour_envoi(const std::string& fichier) {
    return chemin_absolu(fichier, dossier_courant());
}

QByteArray chemin_socket(const QString& nom) {
    if (nom.startsWith(QLatin1Char('/'))) return QFile::encodeName(nom);
    return QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + nom);
}

QString nom_instance_pour(const QByteArray& runtime, unsigned long uid) {
    // A Unix socket's path must fit in sockaddr_un (108 bytes on Linux).
    constexpr qsizetype kCheminSocketMax = 100;
    if (runtime.startsWith('/') && runtime.size() + 20 < kCheminSocketMax && !runtime.contains('\0') &&
        QFileInfo(QFile::decodeName(runtime)).isDir() && ::access(runtime.constData(), W_OK | X_OK) == 0)
        return QFile::decodeName(runtime) + QStringLiteral("/vantrel.instance");
    return QStringLiteral("vantrel-%1.instance").arg(static_cast<qulonglong>(uid));
}

namespace {

using Montre = std::chrono::steady_clock;

int reste_ms(Montre::time_point fin) {
    const auto reste = std::chrono::ceil<std::chrono::milliseconds>(fin - Montre::now()).count();
    return reste <= 0 ? 0 : static_cast<int>(std::min<long long>(reste, 1 << 30));
}

bool adresse(const QByteArray& chemin, sockaddr_un& a, socklen_t& taille) {
    a = sockaddr_un{};
    a.sun_family = AF_UNIX;
    if (chemin.isEmpty() || static_cast<std::size_t>(chemin.size()) >= sizeof a.sun_path) return false;
    std::memcpy(a.sun_path, chemin.constData(), static_cast<std::size_t>(chemin.size()));
    taille =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + static_cast<std::size_t>(chemin.size()) + 1);
    return true;
}

// A connection to the socket at `chemin`; -1 when nothing listens there (no
// file, or a file nobody listens on). A listener whose queue is full is
// tried again until `fin`; `sature` then tells that something listens but
// does not take connections (a hung player).
int connecter(const QByteArray& chemin, Montre::time_point fin, bool* sature = nullptr) {
    if (sature) *sature = false;
    sockaddr_un a;
    socklen_t taille = 0;
    if (!adresse(chemin, a, taille)) return -1;
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), taille) == 0) return fd;
        const int e = errno;
        ::close(fd);
        if (e != EAGAIN && e != EINTR) return -1;
        if (reste_ms(fin) == 0) {
            if (sature) *sature = e == EAGAIN;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Waits until `fd` is ready for `evenement` (or broken: the next call on it
// says so); false when `fin` comes first.
bool attendre(int fd, short evenement, Montre::time_point fin) {
    for (;;) {
        pollfd p{fd, evenement, 0};
        const int r = ::poll(&p, 1, reste_ms(fin));
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

bool envoyer(int fd, const QByteArray& octets, Montre::time_point fin) {
    std::size_t fait = 0;
    const auto total = static_cast<std::size_t>(octets.size());
    while (fait < total) {
        const ssize_t n = ::send(fd, octets.constData() + fait, total - fait, MSG_NOSIGNAL);
        if (n > 0) {
            fait += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && attendre(fd, POLLOUT, fin)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

enum class Remise { Prise, Refusee, PasDEcoute };

// One try of the hand-over: PasDEcoute when nothing accepts the connection.
//
// Whether the player took the request is settled by one atomic step, so
// that a file is never played both here and there. The player writes its
// acknowledgement before acting and acts only when that write succeeded.
// This side, once its time is up, first shuts its receiving half: from then
// on the player's write fails (the system refuses bytes for a socket whose
// reader shut it), so a player that reads the request late, after a pause
// or a hang, finds its sender gone and ignores it. An acknowledgement that
// came before the shutdown is still read: the player acts, this side stops.
Remise essayer_remise(const QString& nom, const Requete& r, int attente_ms) {
    const auto fin = Montre::now() + std::chrono::milliseconds(attente_ms);
    bool sature = false;
    const int fd = connecter(chemin_socket(nom), fin, &sature);
    if (fd < 0) return sature ? Remise::Refusee : Remise::PasDEcoute;
    Remise resultat = Remise::Refusee;
    if (envoyer(fd, encoder_requete(r), fin)) {
        bool ferme = false;
        for (;;) {
            char accuse = 0;
            const ssize_t n = ::recv(fd, &accuse, 1, 0);
            if (n == 1) {
                if (accuse == kAccuse) resultat = Remise::Prise;
                break;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (attendre(fd, POLLIN, fin)) continue;
                if (ferme) break;
                // Time is up: no acknowledgement can come any more; read
                // once more what came before.
                ::shutdown(fd, SHUT_RD);
                ferme = true;
                continue;
            }
            break;
        }
    }
    ::close(fd);
    return resultat;
}

Remise essayer_remise(const QString& nom, const std::optional<std::string>& fichier, int attente_ms) {
    return essayer_remise(nom, fichier ? requete_fichiers({*fichier}, true) : Requete{}, attente_ms);
}

}  // namespace

bool confier_requete(const QString& nom, const Requete& r, int attente_ms) {
    return essayer_remise(nom, r, attente_ms) == Remise::Prise;
}

bool confier_suite(const QString& nom, const std::vector<Requete>& requetes, std::size_t debut,
                   int attente_ms) {
    bool toutes = true;
    for (std::size_t i = debut; i < requetes.size(); ++i) {
        int essai = 0;
        while (!confier_requete(nom, requetes[i], attente_ms) && ++essai < 4) {
        }
        toutes = toutes && essai < 4;
    }
    return toutes;
}

bool confier_au_lecteur(const QString& nom, const std::optional<std::string>& fichier, int attente_ms) {
    // Without a listening player the connection fails at once: no socket,
    // or a socket file nobody listens on any more.
    return essayer_remise(nom, fichier, attente_ms) == Remise::Prise;
}

namespace {

// Beside the socket, whatever the name.
QByteArray chemin_place(const QString& nom) { return chemin_socket(nom) + ".lock"; }

#if !defined(Q_OS_UNIX)
// Elsewhere, Qt's lock file (a process's id in it, taken over once that
// process is gone), one per place.
std::unique_ptr<QLockFile>& verrou_qt(const QByteArray& chemin) {
    static std::map<QByteArray, std::unique_ptr<QLockFile>> verrous;
    return verrous[chemin];
}
#endif

}  // namespace

PlaceInstance::PlaceInstance(QString nom) : chemin_(chemin_place(nom)) {}

PlaceInstance::~PlaceInstance() {
#if defined(Q_OS_UNIX)
    if (fd_ >= 0) ::close(fd_);  // releases the lock
#else
    if (fd_ >= 0) verrou_qt(chemin_).reset();
#endif
}

bool PlaceInstance::prendre() {
    if (fd_ >= 0) return true;
#if defined(Q_OS_UNIX)
    // The file itself stays: only the lock on it tells who holds the place.
    int fd = ::open(chemin_.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    indisponible_ = fd < 0;
    if (fd < 0) return false;
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        ::close(fd);
        return false;
    }
    // Whatever a holder before wrote (one that crashed once ready) is not
    // this one's word.
    while (::ftruncate(fd, 0) != 0 && errno == EINTR) {
    }
    fd_ = fd;
    return true;
#else
    auto& v = verrou_qt(chemin_);
    v = std::make_unique<QLockFile>(QFile::decodeName(chemin_));
    v->setStaleLockTime(0);
    if (!v->tryLock(0)) {
        v.reset();
        return false;
    }
    fd_ = 0;
    return true;
#endif
}

bool PlaceInstance::tenue() const { return fd_ >= 0; }

namespace {
constexpr std::string_view kPret = "pret";
}

void PlaceInstance::annoncer_pret() {
#if defined(Q_OS_UNIX)
    if (fd_ < 0) return;
    ssize_t n;
    do {
        n = ::pwrite(fd_, kPret.data(), kPret.size(), 0);
    } while (n < 0 && errno == EINTR);
#endif
}

bool PlaceInstance::detenteur_pret() const {
#if defined(Q_OS_UNIX)
    const int fd = ::open(chemin_.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return true;  // nothing tells it is starting
    char lu[8];
    ssize_t n;
    do {
        n = ::pread(fd, lu, sizeof lu, 0);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    return n == static_cast<ssize_t>(kPret.size()) && std::string_view(lu, kPret.size()) == kPret;
#else
    return true;
#endif
}

bool confier_ou_prendre_place(PlaceInstance& place, const QString& nom,
                              const std::optional<std::string>& fichier, int attente_ms,
                              int attente_ecoute_ms) {
    return confier_ou_prendre_place(place, nom, fichier ? requete_fichiers({*fichier}, true) : Requete{},
                                    attente_ms, attente_ecoute_ms);
}

bool confier_ou_prendre_place(PlaceInstance& place, const QString& nom, const Requete& fichier,
                              int attente_ms, int attente_ecoute_ms) {
    QElapsedTimer chrono;
    chrono.start();
    for (;;) {
        // Nobody holds the place: no player runs, whatever the socket says.
        if (place.prendre()) return false;
        if (place.indisponible()) return essayer_remise(nom, fichier, attente_ms) == Remise::Prise;
        switch (essayer_remise(nom, fichier, attente_ms)) {
            case Remise::Prise:
                return true;
            case Remise::Refusee:
                // The holder took the connection and did not answer. Still
                // starting (its windows are being built): asked again, within
                // the same wait as for its listening; running, it is hung, and
                // this start runs as a player of its own rather than waiting on.
                // Its first request, abandoned, does nothing there.
                if (place.detenteur_pret() || chrono.elapsed() >= attente_ecoute_ms) return false;
                break;
            case Remise::PasDEcoute:
                // The holder is still starting (it listens once its main window
                // exists), or it just ended.
                if (chrono.elapsed() >= attente_ecoute_ms) return false;
                QThread::msleep(10);
                break;
        }
    }
}

namespace {

// One connection to the server: its request gathered as it comes.
class Connexion : public QObject {
public:
    Connexion(int fd, QObject* parent)
        : QObject(parent), fd_(fd), avis_(new QSocketNotifier(fd, QSocketNotifier::Read, this)) {}
    ~Connexion() override {
        delete avis_;
        if (fd_ >= 0) ::close(fd_);
    }
    QSocketNotifier* avis() const { return avis_; }
    // Reads what has come; false once the peer has closed its side or the
    // connection broke.
    bool lire() {
        char bloc[65536];
        for (;;) {
            const ssize_t n = ::recv(fd_, bloc, sizeof bloc, 0);
            if (n > 0) {
                tampon.append(bloc, n);
                // Beyond the longest request: invalid whatever follows.
                if (tampon.size() > static_cast<qsizetype>(kTailleEntete + kLongueurMaxLot)) return true;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
    }
    // Stops watching and gives the descriptor back at once; the object goes
    // at the next turn of the event loop.
    void fermer() {
        avis_->setEnabled(false);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        deleteLater();
    }
    bool ouverte() const { return fd_ >= 0; }
    // The socket, now the caller's; the object goes as fermer says.
    int prendre() {
        const int fd = fd_;
        fd_ = -1;
        fermer();
        return fd;
    }

    QByteArray tampon;

private:
    int fd_;
    QSocketNotifier* avis_;
};

}  // namespace

ServeurInstance::ServeurInstance(QString nom, Reception recevoir, std::function<void()> montrer,
                                 QObject* parent)
    : QObject(parent),
      chemin_(chemin_socket(nom)),
      recevoir_(std::move(recevoir)),
      montrer_(std::move(montrer)) {}

ServeurInstance::~ServeurInstance() {
    if (fd_ < 0) return;
    delete avis_;
    ::close(fd_);
    ::unlink(chemin_.constData());
}

bool ServeurInstance::lier() {
    // No socket options: the socket lies in the user's own runtime folder,
    // or gets the umask's rights. Never made elsewhere and renamed over the
    // name, which would take it from a live player.
    sockaddr_un a;
    socklen_t taille = 0;
    if (!adresse(chemin_, a, taille)) {
        errno = ENAMETOOLONG;
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), taille) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return false;
    }
    if (::listen(fd, SOMAXCONN) != 0) {
        const int e = errno;
        ::close(fd);
        ::unlink(chemin_.constData());
        errno = e;
        return false;
    }
    fd_ = fd;
    auto* avis = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(avis, &QSocketNotifier::activated, this, &ServeurInstance::nouvelles_connexions);
    avis_ = avis;
    return true;
}

bool ServeurInstance::ecouter() {
    if (fd_ >= 0) return true;
    if (place_tenue) {
        if (lier()) return true;
        ::unlink(chemin_.constData());
        return lier();
    }
    // A player that answers on the name keeps it (two players started at
    // the same moment); a socket file nobody answers on was left by a player
    // that crashed, and is removed.
    auto lecteur_vivant = [this] {
        const int fd = connecter(chemin_, Montre::now() + std::chrono::seconds(1));
        if (fd >= 0) ::close(fd);
        return fd >= 0;
    };
    if (lecteur_vivant()) return false;
    if (lier()) return true;
    if (errno != EADDRINUSE || lecteur_vivant()) return false;
    ::unlink(chemin_.constData());
    return lier();
}

bool ServeurInstance::fermer_la_plus_ancienne() {
    while (!connexions_.empty()) {
        QPointer<QObject> p = connexions_.front();
        connexions_.pop_front();
        auto* c = static_cast<Connexion*>(p.data());
        if (c && c->ouverte()) {
            c->fermer();
            return true;
        }
    }
    return false;
}

int ServeurInstance::connexions_tenues() {
    std::erase_if(connexions_, [](const QPointer<QObject>& p) {
        return !p || !static_cast<Connexion*>(p.data())->ouverte();
    });
    return static_cast<int>(connexions_.size());
}

namespace {
// Switches the listening socket's notifier while no descriptor is left. A
// checking build verifies the type behind each member call by reading the
// object through a pipe of its own, which it cannot open then, and would
// take this notifier, made and owned by the server, for a bad object: that
// one check is left out here.
#if defined(__clang__) || (defined(__GNUC__) && __GNUC__ >= 8)
__attribute__((no_sanitize("vptr")))
#endif
void activer_sans_descripteur(QSocketNotifier* avis, bool oui) {
    avis->setEnabled(oui);
}
}  // namespace

void ServeurInstance::nouvelles_connexions() {
    // A bounded batch: the rest waits for the next turn of the event loop,
    // whose other events come between.
    for (int lot = 0; lot < 64; ++lot) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            const int e = errno;
            if (e == EINTR || e == ECONNABORTED) continue;
            if (e != EMFILE && e != ENFILE && e != ENOBUFS && e != ENOMEM) return;  // none left
            // No descriptor for the waiting connection: the oldest one held
            // gives its own. With none held, accepting pauses a moment; the
            // socket, still readable, would otherwise wake the loop at once,
            // again and again.
            if (fermer_la_plus_ancienne()) continue;
            QSocketNotifier* avis = avis_;
            activer_sans_descripteur(avis, false);
            QTimer::singleShot(pause_ms, avis, [avis] { activer_sans_descripteur(avis, true); });
            return;
        }
        // A bounded number held at once: idle connections cannot take all
        // the descriptors, nor keep a sender's request waiting behind them.
        if (connexions_tenues() >= connexions_max) fermer_la_plus_ancienne();
        auto* c = new Connexion(fd, this);
        connexions_.emplace_back(c);
        auto lire = [this, c] {
            const bool ouverte = c->lire();
            Requete r;
            const Lecture l = decoder_requete(c->tampon, r);
            if (l == Lecture::Incomplete && ouverte) return;
            if (l != Lecture::Complete) return c->fermer();
            // Taken once: whatever the connection sends afterwards is
            // ignored. The connection's object is not touched after the
            // action, which may run an event loop of its own.
            //
            // The acknowledgement goes first, and only a written one lets
            // the request act: a sender that gave up has shut its side, the
            // write fails, and it plays the file itself (see
            // essayer_remise).
            const int client = c->prendre();
            const char accuse = kAccuse;
            ssize_t n;
            do {
                n = ::send(client, &accuse, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            } while (n < 0 && errno == EINTR);
            ::close(client);
            if (n != 1) return;
            if (r.type == Requete::Type::Fichiers && !r.chemins.empty())
                recevoir_(std::move(r.chemins), r.jouer_premier);
            else if (r.type == Requete::Type::Montrer)
                montrer_();
        };
        connect(c->avis(), &QSocketNotifier::activated, c, lire);
        // A connection that never completes its request is closed.
        QTimer::singleShot(delai_ms, c, [c] { c->fermer(); });
    }
}

}  // namespace vt
