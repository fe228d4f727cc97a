#include "ui/bureau/instance.h"

#include "playlist/liste_courante.h"
#include "ui/bureau/plateforme.h"
#include "ui/module.h"
#include "ui/tform1.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <map>
#include <memory>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
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

QByteArray encoder_requete(const Requete& r) {
    const std::string& chemin = r.type == Requete::Type::Fichier ? r.chemin : std::string();
    const auto n = static_cast<std::uint32_t>(chemin.size());
    QByteArray octets(kMarque, kTailleMarque);
    octets.append(static_cast<char>(r.type));
    for (int decalage : {24, 16, 8, 0}) octets.append(static_cast<char>((n >> decalage) & 0xff));
    octets.append(chemin.data(), static_cast<qsizetype>(chemin.size()));
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
    if (type != static_cast<char>(Requete::Type::Fichier) && type != static_cast<char>(Requete::Type::Montrer))
        return Lecture::Invalide;
    if (tampon.size() < kTailleEntete) return Lecture::Incomplete;
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n = (n << 8) | static_cast<unsigned char>(tampon[kTailleMarque + 1 + i]);
    if (n > kLongueurMaxRequete) return Lecture::Invalide;
    if (type == static_cast<char>(Requete::Type::Montrer) && n != 0) return Lecture::Invalide;
    const qsizetype total = kTailleEntete + static_cast<qsizetype>(n);
    if (tampon.size() < total) return Lecture::Incomplete;
    if (tampon.size() > total) return Lecture::Invalide;
    r.type = static_cast<Requete::Type>(type);
    r.chemin.assign(tampon.constData() + kTailleEntete, n);
    return Lecture::Complete;
}

std::string chemin_pour_envoi(const std::string& fichier) {
    if (fichier.empty() || !QDir::isRelativePath(QFile::decodeName(QByteArray::fromStdString(fichier))))
        return fichier;
    std::string dossier = dossier_courant();
    if (dossier.empty()) return fichier;
    if (dossier.back() != '/' && dossier.back() != '\\') dossier += '/';
    return dossier + fichier;
}

namespace {

enum class Remise { Prise, Refusee, PasDEcoute };

// One try of the hand-over: PasDEcoute when nothing accepts the connection.
Remise essayer_remise(const QString& nom, const std::optional<std::string>& fichier, int attente_ms) {
    QLocalSocket s;
    s.connectToServer(nom);
    if (!s.waitForConnected(attente_ms)) return Remise::PasDEcoute;
    Requete r;
    if (fichier) {
        r.type = Requete::Type::Fichier;
        r.chemin = chemin_pour_envoi(*fichier);
    }
    const QByteArray octets = encoder_requete(r);
    if (s.write(octets) != octets.size()) return Remise::Refusee;
    QElapsedTimer chrono;
    chrono.start();
    s.waitForBytesWritten(attente_ms);
    while (s.bytesAvailable() < 1) {
        const qint64 reste = attente_ms - chrono.elapsed();
        if (reste <= 0 || !s.waitForReadyRead(static_cast<int>(reste))) return Remise::Refusee;
    }
    char accuse = 0;
    return s.getChar(&accuse) && accuse == kAccuse ? Remise::Prise : Remise::Refusee;
}

}  // namespace

bool confier_au_lecteur(const QString& nom, const std::optional<std::string>& fichier, int attente_ms) {
    // Without a listening player the connection fails at once: no socket,
    // or a socket file nobody listens on any more.
    return essayer_remise(nom, fichier, attente_ms) == Remise::Prise;
}

namespace {

QByteArray chemin_place(const QString& nom) {
    QString chemin = nom;
    if (!nom.contains(QLatin1Char('/')) && !nom.contains(QLatin1Char('\\')))
        chemin = QDir::tempPath() + QLatin1Char('/') + nom;
    return QFile::encodeName(chemin + QStringLiteral(".lock"));
}

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

bool confier_ou_prendre_place(PlaceInstance& place, const QString& nom, const std::optional<std::string>& fichier,
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
            // The holder took the connection and did not answer: this start
            // runs as a player of its own rather than waiting on.
            return false;
        case Remise::PasDEcoute:
            // The holder is still starting (it listens once its main window
            // exists), or it just ended.
            if (chrono.elapsed() >= attente_ecoute_ms) return false;
            QThread::msleep(10);
            break;
        }
    }
}

void recevoir_fichier(ModuleVantrel& module, std::string chemin) {
    if (!module.Form1) return;
    const int avant = module.liste.nombre();
    module.liste.ajouter_argument(std::move(chemin));
    if (module.liste.nombre() == avant) return;  // the list cannot grow any more
    module.Form1->selectionner(avant);
    // Started from its beginning: a paused track is not resumed instead.
    module.quand_moteur_pret([&module] { module.joueur->relancer(); });
}

void montrer_lecteur(ModuleVantrel& module) {
    TForm1* f = module.Form1;
    if (!f) return;
    // As a double click on the notification-area icon does.
    f->showNormal();
    f->raise();
    f->activateWindow();
    if (f->TrayIcon1 && f->TrayIcon1->isVisible()) f->TrayIcon1Restore();
}

ServeurInstance::ServeurInstance(QString nom, std::function<void(std::string)> ouvrir,
                                 std::function<void()> montrer, QObject* parent)
    : QObject(parent), nom_(std::move(nom)), ouvrir_(std::move(ouvrir)), montrer_(std::move(montrer)) {
    // No socket options: with them the socket is made elsewhere and renamed
    // over the name, which would take it from a live player. The socket
    // lies in the user's own runtime folder, or gets the umask's rights.
    connect(&serveur_, &QLocalServer::newConnection, this, &ServeurInstance::nouvelle_connexion);
}

ServeurInstance::~ServeurInstance() { serveur_.close(); }

bool ServeurInstance::ecouter() {
    if (serveur_.isListening()) return true;
    if (place_tenue) {
        if (serveur_.listen(nom_)) return true;
        QLocalServer::removeServer(nom_);
        return serveur_.listen(nom_);
    }
    // A player that answers on the name keeps it (two players started at
    // the same moment); a socket file nobody answers on was left by a player
    // that crashed, and is removed.
    auto lecteur_vivant = [this] {
        QLocalSocket sonde;
        sonde.connectToServer(nom_);
        const bool vivant = sonde.waitForConnected(1000);
        sonde.abort();
        return vivant;
    };
    if (lecteur_vivant()) return false;
    if (serveur_.listen(nom_)) return true;
    if (serveur_.serverError() != QAbstractSocket::AddressInUseError || lecteur_vivant()) return false;
    QLocalServer::removeServer(nom_);
    return serveur_.listen(nom_);
}

void ServeurInstance::nouvelle_connexion() {
    while (QLocalSocket* s = serveur_.nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        auto tampon = std::make_shared<QByteArray>();
        auto fermer = [s] {
            s->abort();
            s->deleteLater();
        };
        auto lire = [this, s, tampon, fermer] {
            tampon->append(s->readAll());
            Requete r;
            const Lecture l = decoder_requete(*tampon, r);
            if (l == Lecture::Incomplete) return;
            // Taken once: whatever the connection sends afterwards is ignored.
            disconnect(s, &QLocalSocket::readyRead, this, nullptr);
            if (l == Lecture::Invalide) return fermer();
            tampon->clear();
            if (r.type == Requete::Type::Fichier) ouvrir_(std::move(r.chemin));
            else montrer_();
            s->putChar(kAccuse);
            s->flush();
            s->disconnectFromServer();
        };
        connect(s, &QLocalSocket::readyRead, this, lire);
        // A connection that never completes its request is closed.
        QTimer::singleShot(delai_ms, s, fermer);
        if (s->bytesAvailable() > 0) lire();
    }
}

}  // namespace vt
