#pragma once
// One player at a time. A second start of the program hands its
// command-line files to the player already running (which adds them and
// plays the first) or, without a file, brings that player to the front, and
// then ends; the running player listens for these requests on a local
// socket.
//
// A request on the socket: "VTRL", one type byte ('F' files follow; 'M'
// show the player), the length of what follows as 4 bytes big-endian, then,
// for files, one byte ('J' the first is to be played, 'A' all are only added
// after the others) and each path as its length (4 bytes big-endian)
// followed by its raw bytes (absolute: the sender's current directory is
// not the player's), at least one. An empty path or one holding a zero byte
// names no file: it is left out on either side (chemin_recevable), the
// request's other paths are taken. Any other byte, a line break included,
// is part of a name like any other. The player answers one byte, 'K',
// and acts only once that byte is written: a sender that has given up
// meanwhile (it shut its receiving side) makes the write fail, and the
// request does nothing.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

namespace vt {

struct ModuleVantrel;
class PorteLecteur;

struct Requete {
    enum class Type : char { Fichiers = 'F', Montrer = 'M' };
    Type type = Type::Montrer;
    // Only for Fichiers: the paths (raw bytes, at least one), and whether
    // the first is played (the others are added after it).
    std::vector<std::string> chemins;
    bool jouer_premier = false;
};

// Whether `chemin` can name a file: not empty, no zero byte.
bool chemin_recevable(std::string_view chemin);

// The request that hands `chemins` (made absolute: chemin_pour_envoi).
Requete requete_fichiers(const std::vector<std::string>& chemins, bool jouer_premier);

// How long a start waits for a running player's answer before it plays its
// file itself: a hung player delays it no longer than that.
constexpr int kAttenteReponseMs = 500;

// What a start hands to the running player for its command-line files, in
// order, in as few requests as kLongueurMaxLot allows (usually one): the
// first request's first file is played, the others are added after it;
// without files (or none that chemin_recevable takes), the request to show
// the player. Relative paths are made
// absolute (chemin_pour_envoi).
std::vector<Requete> requetes_de_depart(const std::vector<std::string>& fichiers,
                                        std::uint32_t longueur_max_lot = 0);

// Longest list of paths a request may carry (the bytes after the type's
// length); longer requests are refused, and a start's longer list is cut
// into several requests.
constexpr std::uint32_t kLongueurMaxLot = 16u << 20;

QByteArray encoder_requete(const Requete& r);

// Reads a request from the start of `tampon`: Incomplete while more bytes
// are needed, Invalid when the bytes cannot be a request (wrong marker or
// type, length beyond the limit, bytes after the end). A complete files
// request may hold no path once those chemin_recevable refuses are left
// out: it is taken and does nothing.
enum class Lecture { Complete, Incomplete, Invalide };
Lecture decoder_requete(const QByteArray& tampon, Requete& r);

// The command-line file as the running player must see it: a relative path
// is put after the current directory (raw bytes, never re-encoded); an
// absolute or empty one is kept.
std::string chemin_pour_envoi(const std::string& fichier);

// Client side, run before any window is made: hands `fichier` (or the
// request to show the player) to a player listening on `nom`. True when a
// player took it: this process then has nothing more to do. False at once
// when no player listens (no socket, or a socket left by a crash), and after
// `attente_ms` when a player accepted the connection but never answered (or
// its queue of connections stays full); such a player, should it read the
// request later, ignores it.
bool confier_au_lecteur(const QString& nom, const std::optional<std::string>& fichier,
                        int attente_ms = kAttenteReponseMs);
// The same for any request: true once the player has taken it.
bool confier_requete(const QString& nom, const Requete& r, int attente_ms = kAttenteReponseMs);
// Hands `requetes` from `debut` on, each taken before the next is sent so
// that they keep their order. A player still busy with an earlier one (its
// window thread held for longer than the wait) is asked again a few times
// rather than a file being lost; false when one was never taken.
bool confier_suite(const QString& nom, const std::vector<Requete>& requetes, std::size_t debut = 0,
                   int attente_ms = kAttenteReponseMs);

// The place of the running player under `nom`: an exclusive lock on a file
// beside the socket (the socket's path and ".lock"; for a bare name, in the
// temporary folder), taken without waiting and held until this object goes.
// The system releases it when the process ends, crash included, so that a
// lock file left behind claims nothing. Taking the place is the one atomic
// step of two starts at the same moment: exactly one of them gets it.
class PlaceInstance {
public:
    explicit PlaceInstance(QString nom);
    ~PlaceInstance();
    PlaceInstance(const PlaceInstance&) = delete;
    PlaceInstance& operator=(const PlaceInstance&) = delete;

    // Takes the place if nobody holds it; true when this object holds it.
    bool prendre();
    bool tenue() const;
    // The lock file cannot be opened (a folder we cannot write, a link
    // planted there): nobody can hold the place, starts go without it.
    bool indisponible() const { return indisponible_; }
    // The lock file's path (raw bytes).
    const QByteArray& chemin() const { return chemin_; }
    // The holder says, once it answers requests promptly (its windows
    // built), that it is ready: written in the lock file, which taking the
    // place empties. A start that finds the holder slow to answer tells by
    // this a player still starting (waited for) from a hung one (left).
    void annoncer_pret();
    bool detenteur_pret() const;

private:
    QByteArray chemin_;
    int fd_ = -1;
    bool indisponible_ = false;
};

// The start's hand-over with the place: true when a running player took
// `fichier` (this process then ends); false when this process took `place`
// and is the player. While another process holds the place without
// listening yet, or listens without answering before it says it is ready
// (it is starting), the hand-over is tried again for up to
// `attente_ecoute_ms`; a player that accepted the request has `attente_ms`
// to answer, and one that is ready and does not answer is left. A socket without a holder of the
// place (left by a crash, or a peer that never answers) is not waited for.
// Without a usable place (PlaceInstance::indisponible) the hand-over is
// tried once, as confier_au_lecteur does.
bool confier_ou_prendre_place(PlaceInstance& place, const QString& nom,
                              const std::optional<std::string>& fichier, int attente_ms = kAttenteReponseMs,
                              int attente_ecoute_ms = 10000);
// The same with the start's first request (requetes_de_depart).
bool confier_ou_prendre_place(PlaceInstance& place, const QString& nom, const Requete& premiere,
                              int attente_ms = kAttenteReponseMs, int attente_ecoute_ms = 10000);

// The socket's path for `nom`: `nom` itself when it is a path, else a file
// of that name in the temporary folder (raw bytes).
QByteArray chemin_socket(const QString& nom);

// The hand-over's name for user `uid`: a socket in the login session's
// runtime folder `runtime` (XDG_RUNTIME_DIR) when it can take one (an
// absolute folder, short enough for a socket's path, where this user can
// create files: not on a read-only mount), else the user's own name in the
// temporary folder, as when no runtime folder is named. Every start of the
// session decides alike, so that a later start finds the running player.
QString nom_instance_pour(const QByteArray& runtime, unsigned long uid);

// Server side: listens on `nom` and runs, for each complete request, one of
// the two actions: `recevoir` with a files request's paths and its flag, or
// `montrer`. Each connection has a few seconds to send its request; partial
// or malformed ones are dropped without any effect. A plain Unix socket
// watched by the event loop: the check that comes before the first window
// needs no network library.
class ServeurInstance : public QObject {
    Q_OBJECT
public:
    using Reception = std::function<void(std::vector<std::string> chemins, bool jouer_premier)>;
    ServeurInstance(QString nom, Reception recevoir, std::function<void()> montrer,
                    QObject* parent = nullptr);
    ~ServeurInstance() override;

    // Starts listening. A socket left by a player that crashed (nobody
    // answers on it) is removed first; a player that answers keeps the
    // name, and false is returned (this player then simply runs without
    // taking requests).
    bool ecouter();
    bool en_ecoute() const { return fd_ >= 0; }

    // Milliseconds a connection may take to send its whole request.
    int delai_ms = 5000;
    // Connections held at once while their requests come; a new one beyond
    // that closes the oldest.
    int connexions_max = 32;
    // Milliseconds accepting pauses when no descriptor is left for a new
    // connection and none held can be given back.
    int pause_ms = 200;
    // This process holds the name's PlaceInstance: whatever lies at the name
    // is not a player's (a crash's leftover, or a stranger), and ecouter
    // replaces it without asking it.
    bool place_tenue = false;

private:
    bool lier();
    void nouvelles_connexions();
    // Closes the oldest connection still waiting for its request; false
    // when there is none.
    bool fermer_la_plus_ancienne();
    int connexions_tenues();

    QByteArray chemin_;
    Reception recevoir_;
    std::function<void()> montrer_;
    int fd_ = -1;
    QSocketNotifier* avis_ = nullptr;           // the listening socket's notifier
    std::deque<QPointer<QObject>> connexions_;  // waiting for their request, oldest first
};

}  // namespace vt
