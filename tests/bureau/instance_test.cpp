// One player at a time: the request's bytes, the client that hands a file
// over, and the running player's side (a socket in a temporary folder, the
// real windows on the offscreen platform).
#include "ui/bureau/instance.h"
#include "bureau/outils.h"
#include "playlist/fichiers_playlist.h"
#include "playlist/liste_courante.h"
#include "support/dossier_lecture_seule.h"
#include "support/dossier_temp.h"
#include "support/wav.h"
#include "ui/bureau/bureau.h"
#include "ui/fixture.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <atomic>
#include <cstring>
#include <ctime>
#include <future>
#include <thread>

namespace {

using vt::Lecture;
using vt::Requete;
using vt::test::DossierTemp;

Requete fichier(std::string chemin) { return Requete{Requete::Type::Fichiers, {std::move(chemin)}, true}; }

// A request carries paths' bytes exactly, whatever they are (a line break
// included), and its flag; a path that names no file (empty, a zero byte)
// is left out on either side and the others are taken; the show request
// carries none.
TEST(Requete, RoundTripKeepsRawBytes) {
    const char brut[] = "/mus\xe9ique/\xff\xfe\x01 \"x\"\\y.mp3";
    const std::string octets(brut, sizeof brut - 1);
    const std::string nul("/a\0b.mp3", 8), ligne = "/deux\nlignes.mp3";
    for (bool jouer : {true, false}) {
        Requete lu;
        const Requete r{Requete::Type::Fichiers, {"", octets, nul, "/b", ligne}, jouer};
        ASSERT_EQ(vt::decoder_requete(vt::encoder_requete(r), lu), Lecture::Complete);
        EXPECT_EQ(lu.type, Requete::Type::Fichiers);
        EXPECT_EQ(lu.chemins, (std::vector<std::string>{octets, "/b", ligne}));
        EXPECT_EQ(lu.jouer_premier, jouer);
        ASSERT_EQ(vt::decoder_requete(vt::encoder_requete({Requete::Type::Fichiers, {"", nul}, jouer}), lu),
                  Lecture::Complete);
        EXPECT_TRUE(lu.chemins.empty());
        ASSERT_EQ(vt::decoder_requete(vt::encoder_requete(Requete{}), lu), Lecture::Complete);
        EXPECT_EQ(lu.type, Requete::Type::Montrer);
        EXPECT_TRUE(lu.chemins.empty());
    }
    // A name with a line break, handed over, is saved in a play list and
    // read back as it was.
    DossierTemp d;
    const std::vector<std::string> liste{ligne, "/b"};
    EXPECT_EQ(vt::lire_playlist(d.ecrire("l.vtlist", vt::texte_playlist(liste))), liste);
}

// No cut of a request, however short or long, reads as a complete one.
TEST(Requete, EveryPartialReadIsIncomplete) {
    const QByteArray entier = vt::encoder_requete(fichier("/a/b/chanson.wav"));
    for (qsizetype n = 0; n < entier.size(); ++n) {
        Requete lu;
        EXPECT_EQ(vt::decoder_requete(entier.left(n), lu), Lecture::Incomplete) << n;
    }
}

// Bytes that cannot be a request are refused: another marker, an unknown
// type, a length beyond the limit, a show request with a path, bytes after
// the end.
TEST(Requete, MalformedBytesAreRefused) {
    Requete lu;
    EXPECT_EQ(vt::decoder_requete(QByteArray("GET / HTTP/1.0\r\n"), lu), Lecture::Invalide);
    EXPECT_EQ(vt::decoder_requete(QByteArray("VX"), lu), Lecture::Invalide);
    QByteArray type = vt::encoder_requete(fichier("/x"));
    type[4] = 'Z';
    EXPECT_EQ(vt::decoder_requete(type, lu), Lecture::Invalide);
    QByteArray long_ = vt::encoder_requete(fichier("/x")).left(5);
    long_.append("\x7f\xff\xff\xff", 4);
    EXPECT_EQ(vt::decoder_requete(long_, lu), Lecture::Invalide);
    QByteArray montrer = vt::encoder_requete(Requete{});
    montrer[8] = 2;
    montrer.append("ab");
    EXPECT_EQ(vt::decoder_requete(montrer, lu), Lecture::Invalide);
    EXPECT_EQ(vt::decoder_requete(vt::encoder_requete(fichier("/x")) + "y", lu), Lecture::Invalide);
}

// A start's files go as few requests as the limit allows, in order: the
// first request's first file is played, the rest added after it; each
// request holds at least one path, even one longer than the limit. Their
// bytes come back as they went.
TEST(Requete, StartFilesGoInBatchesInOrder) {
    const std::string brut("/m/\xe9t\xe9 \"x\"/\xff\x01.wav");
    const std::string cent(100, 'a');
    struct Cas {
        std::vector<std::string> fichiers;
        std::uint32_t limite;
        std::vector<std::size_t> attendues;  // number of paths of each (0: the show request)
    } cas[] = {
        {{}, 0, {0}},
        {{"/a.wav"}, 0, {1}},
        {{"/a.wav", "-platform", brut, ""}, 0, {3}},  // an empty name names no file
        {{""}, 0, {0}},
        // The flag takes a byte, each path its length (4 bytes) and its bytes.
        {{"/" + cent, "/" + cent, "/" + cent}, 2 * 105 + 1, {2, 1}},
        {{"/" + cent, "/" + cent, "/" + cent}, 2 * 105, {1, 1, 1}},
        {{"/" + cent, "/b"}, 10, {1, 1}},
    };
    for (const Cas& c : cas) {
        const std::vector<Requete> r = vt::requetes_de_depart(c.fichiers, c.limite);
        ASSERT_EQ(r.size(), c.attendues.size()) << c.fichiers.size() << " files, limit " << c.limite;
        std::vector<std::string> recus;
        for (std::size_t i = 0; i < r.size(); ++i) {
            Requete lu;
            ASSERT_EQ(vt::decoder_requete(vt::encoder_requete(r[i]), lu), Lecture::Complete);
            EXPECT_EQ(lu.type, c.attendues[i] ? Requete::Type::Fichiers : Requete::Type::Montrer) << i;
            EXPECT_EQ(lu.chemins.size(), c.attendues[i]) << i;
            EXPECT_EQ(lu.jouer_premier, i == 0 && c.attendues[i] > 0) << i;
            recus.insert(recus.end(), lu.chemins.begin(), lu.chemins.end());
        }
        std::vector<std::string> envoyes;
        for (const std::string& f : c.fichiers)
            if (!f.empty()) envoyes.push_back(vt::chemin_pour_envoi(f));
        EXPECT_EQ(recus, envoyes);
    }
}

// No cut of a list reads as a complete one; a list whose lengths do not
// fill it exactly, that holds no path or whose flag is neither 'J' nor 'A',
// is refused.
TEST(Requete, MalformedListsAreRefused) {
    const QByteArray entiere =
        vt::encoder_requete(Requete{Requete::Type::Fichiers, {"/a.wav", "/b.wav"}, false});
    for (qsizetype n = 0; n < entiere.size(); ++n) {
        Requete lu;
        EXPECT_EQ(vt::decoder_requete(entiere.left(n), lu), Lecture::Incomplete) << n;
    }
    auto avec_longueur = [](char type, const QByteArray& corps) {
        QByteArray o("VTRL");
        o.append(type);
        const auto n = static_cast<std::uint32_t>(corps.size());
        for (int d : {24, 16, 8, 0}) o.append(static_cast<char>((n >> d) & 0xff));
        return o + corps;
    };
    const QByteArray un_chemin("\0\0\0\2/a", 6);
    const struct {
        QByteArray octets;
        Lecture attendue;
    } cas[] = {
        {avec_longueur('F', "J" + un_chemin), Lecture::Complete},
        {avec_longueur('F', "A" + un_chemin + QByteArray("\0\0\0\0", 4)),
         Lecture::Complete},  // an empty path
        {avec_longueur('F', "J"), Lecture::Invalide},
        {avec_longueur('F', QByteArray()), Lecture::Invalide},
        {avec_longueur('F', "L" + un_chemin), Lecture::Invalide},
        {avec_longueur('F', "A" + QByteArray("\0\0\0\3/a", 6)), Lecture::Invalide},
        {avec_longueur('F', "J" + un_chemin + QByteArray("\0\0", 2)), Lecture::Invalide},
        {avec_longueur('F', "J" + QByteArray("\xff\xff\xff\xff", 4)), Lecture::Invalide},
        {avec_longueur('L', un_chemin), Lecture::Invalide},  // no such type
        {avec_longueur('A', un_chemin), Lecture::Invalide},
    };
    for (const auto& c : cas) {
        Requete lu;
        EXPECT_EQ(vt::decoder_requete(c.octets, lu), c.attendue) << c.octets.toHex().toStdString();
    }
    QByteArray trop = vt::encoder_requete(fichier("/x")).left(5);
    const std::uint32_t n = vt::kLongueurMaxLot + 1;
    for (int d : {24, 16, 8, 0}) trop.append(static_cast<char>((n >> d) & 0xff));
    Requete lu;
    EXPECT_EQ(vt::decoder_requete(trop, lu), Lecture::Invalide);
}

// The sender puts a relative path after its own current directory (the
// player's differs); absolute and empty paths go as they are.
TEST(CheminEnvoi, RelativePathsTakeTheSendersDirectory) {
    DossierTemp d;
    const QString avant = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFile::decodeName(QByteArray::fromStdString(d.chemin()))));
    const std::string ici = QFile::encodeName(QDir::currentPath()).toStdString();
    EXPECT_EQ(vt::chemin_pour_envoi("sous/\xe9t\xe9.wav"), ici + "/sous/\xe9t\xe9.wav");
    EXPECT_EQ(vt::chemin_pour_envoi("/abs/x.mp3"), "/abs/x.mp3");
    EXPECT_EQ(vt::chemin_pour_envoi(""), "");
    QDir::setCurrent(avant);
}

// The listening side alone, with counting actions.
class Serveur : public ::testing::Test {
protected:
    QString nom() const { return QFile::decodeName(QByteArray::fromStdString(dossier / "vantrel.instance")); }
    std::unique_ptr<vt::ServeurInstance> serveur(std::vector<std::string>& recus, int& montres) {
        return std::make_unique<vt::ServeurInstance>(
            nom(),
            [&recus](std::vector<std::string> c, bool) {
                for (std::string& un : c) recus.push_back(std::move(un));
            },
            [&montres] { ++montres; });
    }
    DossierTemp dossier;
};

// Without a player, or with only the socket a crashed player left, the
// client gives up at once instead of waiting for an answer.
TEST_F(Serveur, NoPlayerOrStaleSocketFailsAtOnce) {
    QElapsedTimer chrono;
    chrono.start();
    EXPECT_FALSE(vt::confier_au_lecteur(nom(), std::string("/x.wav"), 20000));
    ASSERT_TRUE(vt::test::socket_abandonne(dossier / "vantrel.instance"));
    EXPECT_FALSE(vt::confier_au_lecteur(nom(), std::string("/x.wav"), 20000));
    EXPECT_LT(chrono.elapsed(), 10000);  // far below the 2 x 20 s it would take by waiting
}

// A socket left by a crash is replaced by the next player, which then takes
// requests.
TEST_F(Serveur, StaleSocketIsReplaced) {
    ASSERT_TRUE(vt::test::socket_abandonne(dossier / "vantrel.instance"));
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    ASSERT_TRUE(s->ecouter());
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::string("/m/a.wav")));
    EXPECT_EQ(recus, std::vector<std::string>{"/m/a.wav"});
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::nullopt));
    EXPECT_EQ(montres, 1);
}

// Of two players started together, the second to listen finds the first
// alive: it keeps no server, and the first keeps taking the requests.
TEST_F(Serveur, LivePlayerKeepsItsName) {
    std::vector<std::string> recus1, recus2;
    int montres1 = 0, montres2 = 0;
    auto premier = serveur(recus1, montres1);
    auto second = serveur(recus2, montres2);
    ASSERT_TRUE(premier->ecouter());
    EXPECT_FALSE(second->ecouter());
    EXPECT_FALSE(second->en_ecoute());
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::string("/y.mp3")));
    EXPECT_EQ(recus1, std::vector<std::string>{"/y.mp3"});
    EXPECT_TRUE(recus2.empty());
    // Once the first one is gone, the name is free for the other.
    premier.reset();
    EXPECT_TRUE(second->ecouter());
}

// The place is one process's at a time: a second claim fails while the
// first holds it, and succeeds once it is let go (as when the first process
// ends); the lock file beside the socket claims nothing by itself.
TEST_F(Serveur, PlaceIsHeldByOneAtATime) {
    auto premiere = std::make_unique<vt::PlaceInstance>(nom());
    vt::PlaceInstance seconde(nom());
    EXPECT_EQ(premiere->chemin(), QFile::encodeName(nom()) + ".lock");
    ASSERT_TRUE(premiere->prendre());
    EXPECT_TRUE(premiere->prendre());  // taken again by its holder: still held
    EXPECT_FALSE(seconde.prendre());
    EXPECT_FALSE(seconde.tenue());
    premiere.reset();
    EXPECT_TRUE(vt::test::existe(dossier / "vantrel.instance.lock"));
    EXPECT_TRUE(seconde.prendre());
    EXPECT_TRUE(seconde.tenue());
}

// A stranger on the socket that accepts connections and never answers, with
// no player holding the place: the start does not wait for it (far below
// half a second), takes the place, and its server replaces the stranger's
// socket and takes requests.
TEST_F(Serveur, SilentPeerWithoutPlaceDelaysNoStart) {
    QLocalServer muet;
    ASSERT_TRUE(muet.listen(nom()));
    vt::PlaceInstance place(nom());
    QElapsedTimer chrono;
    chrono.start();
    EXPECT_FALSE(vt::confier_ou_prendre_place(place, nom(), std::string("/a.wav")));
    EXPECT_LT(chrono.elapsed(), 500);
    EXPECT_TRUE(place.tenue());
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    s->place_tenue = place.tenue();
    ASSERT_TRUE(s->ecouter());
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::string("/m/b.wav")));
    EXPECT_EQ(recus, std::vector<std::string>{"/m/b.wav"});
}

// A lock file that cannot be opened (here a link planted at its name) makes
// no start wait: the hand-over is tried once, as without a place, and a
// listening player still takes the file.
TEST_F(Serveur, UnusablePlaceDelaysNoStart) {
    ASSERT_EQ(::symlink((dossier / "ailleurs").c_str(), (dossier / "vantrel.instance.lock").c_str()), 0);
    vt::PlaceInstance place(nom());
    QElapsedTimer chrono;
    chrono.start();
    EXPECT_FALSE(vt::confier_ou_prendre_place(place, nom(), std::string("/e.wav")));
    EXPECT_LT(chrono.elapsed(), 500);
    EXPECT_TRUE(place.indisponible());
    EXPECT_FALSE(vt::test::existe(dossier / "ailleurs"));
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    ASSERT_TRUE(s->ecouter());
    bool confie = false;
    vt::test::en_parallele(
        [&] { confie = vt::confier_ou_prendre_place(place, nom(), std::string("/f.wav")); });
    EXPECT_TRUE(confie);
    EXPECT_EQ(recus, std::vector<std::string>{"/f.wav"});
}

// A start while another process holds the place but does not listen yet (it
// is still starting): the hand-over is tried again until that player
// listens, and the file reaches it.
TEST_F(Serveur, StartWaitsForTheHolderToListen) {
    vt::PlaceInstance detenteur(nom());
    ASSERT_TRUE(detenteur.prendre());
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    s->place_tenue = true;
    QTimer::singleShot(300, s.get(), [&] { s->ecouter(); });
    bool confie = false;
    qint64 duree = 0;
    vt::test::en_parallele([&] {
        vt::PlaceInstance place(nom());
        QElapsedTimer chrono;
        chrono.start();
        confie = vt::confier_ou_prendre_place(place, nom(), std::string("/c.wav"));
        duree = chrono.elapsed();
    });
    EXPECT_TRUE(confie);
    EXPECT_GE(duree, 250);
    EXPECT_EQ(recus, std::vector<std::string>{"/c.wav"});
}

// A holder that ends before it listens leaves the place to the next start,
// which does not wait out the delay.
TEST_F(Serveur, HolderGoneBeforeListeningLeavesThePlace) {
    auto detenteur = std::make_unique<vt::PlaceInstance>(nom());
    ASSERT_TRUE(detenteur->prendre());
    QTimer::singleShot(200, [&] { detenteur.reset(); });
    bool confie = true;
    qint64 duree = 0;
    bool tenue = false;
    vt::test::en_parallele([&] {
        vt::PlaceInstance place(nom());
        QElapsedTimer chrono;
        chrono.start();
        confie = vt::confier_ou_prendre_place(place, nom(), std::string("/d.wav"));
        duree = chrono.elapsed();
        tenue = place.tenue();
    });
    EXPECT_FALSE(confie);
    EXPECT_TRUE(tenue);
    EXPECT_LT(duree, 3000);
}

// Requests cut short, malformed or never finished do nothing; one that
// arrives in pieces is taken once, and the player keeps serving.
TEST_F(Serveur, PartialAndMalformedRequestsHaveNoEffect) {
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    s->delai_ms = 300;
    ASSERT_TRUE(s->ecouter());
    const QByteArray entier = vt::encoder_requete(fichier("/morceaux/z.wav"));
    bool ferme_par_le_lecteur = false, accuse = false;
    vt::test::en_parallele([&] {
        QLocalSocket a;  // half a request, then gone
        a.connectToServer(nom());
        if (a.waitForConnected(2000)) {
            a.write(entier.left(7));
            a.waitForBytesWritten(2000);
            a.disconnectFromServer();
        }
        QLocalSocket b;  // something else entirely
        b.connectToServer(nom());
        if (b.waitForConnected(2000)) {
            b.write("GET / HTTP/1.0\r\n\r\n");
            b.waitForBytesWritten(2000);
            b.waitForDisconnected(2000);
        }
        QLocalSocket c;  // silent: closed by the player after its delay
        c.connectToServer(nom());
        if (c.waitForConnected(2000)) ferme_par_le_lecteur = c.waitForDisconnected(5000);
        QLocalSocket d;  // in two pieces
        d.connectToServer(nom());
        if (d.waitForConnected(2000)) {
            d.write(entier.left(10));
            d.waitForBytesWritten(2000);
            QThread::msleep(100);
            d.write(entier.mid(10));
            d.waitForBytesWritten(2000);
            accuse = d.waitForReadyRead(5000) && d.read(1) == "K";
        }
    });
    EXPECT_TRUE(ferme_par_le_lecteur);
    EXPECT_TRUE(accuse);
    EXPECT_EQ(recus, std::vector<std::string>{"/morceaux/z.wav"});
    EXPECT_EQ(montres, 0);
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::nullopt));
    EXPECT_EQ(montres, 1);
}

// Paths up to the longest a request may carry arrive byte for byte, however
// many pieces the socket cuts them into on either side; one byte more and
// the request is refused without effect. The socket's path: a name is put
// in the temporary folder, a path is kept.
TEST_F(Serveur, LongestPathArrivesWholeAndLongerIsRefused) {
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    ASSERT_TRUE(s->ecouter());
    std::string long_chemin = "/";
    // After the flag's byte and the path's length.
    for (std::uint32_t i = 1; i < vt::kLongueurMaxLot - 5; ++i)
        long_chemin += static_cast<char>('a' + i % 26);
    long_chemin[1000] = '\xff';
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), long_chemin));
    ASSERT_EQ(recus.size(), 1u);
    EXPECT_TRUE(recus[0] == long_chemin);
    EXPECT_FALSE(vt::test::confier_en_parallele(nom(), long_chemin + "x"));
    EXPECT_EQ(recus.size(), 1u);
    EXPECT_EQ(vt::chemin_socket(QStringLiteral("/run/x.instance")), QByteArray("/run/x.instance"));
    EXPECT_EQ(vt::chemin_socket(QStringLiteral("x.instance")),
              QFile::encodeName(QDir::tempPath() + "/x.instance"));
}

// Runs `action`; a wait that never ends fails the test program instead of hanging it.
void sous_garde(int ms, const std::function<void()>& action) {
    auto fini = std::async(std::launch::async, action);
    if (fini.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready) return;
    std::fputs("watchdog: the hand-over never ended\n", stderr);
    std::_Exit(1);
}

int prise_unix(const std::string& chemin, bool ecoute) {
    sockaddr_un a{AF_UNIX, {}};
    std::strcpy(a.sun_path, chemin.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    auto* p = reinterpret_cast<sockaddr*>(&a);
    return (ecoute ? ::bind(fd, p, sizeof a) == 0 && ::listen(fd, 4) == 0 : ::connect(fd, p, sizeof a) == 0)
               ? fd
               : -1;
}

// A peer that accepts and answers, closes, stays silent, or reads and stays
// silent: only the answer takes the file; the others leave the start in time.
TEST_F(Serveur, PeersThatNeverAnswerAreLeftInTime) {
    for (int pair : {'K', 'F', 'M', 'L'}) {
        ::unlink((dossier / "vantrel.instance").c_str());
        const int ecoute = prise_unix(dossier / "vantrel.instance", true);
        std::atomic<bool> fin{false};
        std::thread t([&] {
            const int c = ::accept(ecoute, nullptr, nullptr);
            char tampon[64];
            if (pair == 'K' || pair == 'L') (void)::recv(c, tampon, sizeof tampon, 0);
            if (pair == 'K') (void)::send(c, "K", 1, MSG_NOSIGNAL);
            if (pair == 'F') ::shutdown(c, SHUT_RDWR);
            while (!fin) QThread::msleep(5);
            ::close(c);
        });
        QElapsedTimer chrono;
        chrono.start();
        sous_garde(
            5000, [&] { EXPECT_EQ(vt::confier_au_lecteur(nom(), std::string("/p.wav"), 300), pair == 'K'); });
        EXPECT_LT(chrono.elapsed(), 1500) << char(pair);
        fin = true;
        t.join();
        ::close(ecoute);
    }
}

// A hung player (its thread serves no events, though it said it was ready)
// delays a start half a second at most; back, it finds the sender gone and
// does not play the file too.
TEST_F(Serveur, HungPlayerIsLeftAndIgnoresTheAbandonedRequest) {
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    ASSERT_TRUE(s->ecouter());
    vt::PlaceInstance detenteur(nom()), place(nom());
    ASSERT_TRUE(detenteur.prendre());
    detenteur.annoncer_pret();
    QElapsedTimer chrono;
    chrono.start();
    sous_garde(10000,
               [&] { EXPECT_FALSE(vt::confier_ou_prendre_place(place, nom(), std::string("/h.wav"))); });
    EXPECT_LT(chrono.elapsed(), 1000);  // room for a loaded machine
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::string("/i.wav")));
    EXPECT_EQ(recus, std::vector<std::string>{"/i.wav"});
}

// Two starts at once: the one that holds the place listens while its
// windows are still being built, and answers a second late. The other start
// waits for it instead of running as a second player (before, it gave up
// after half a second, and both played on), and the file arrives once. A
// place taken again forgets that an earlier holder was ready.
TEST_F(Serveur, StartingHolderIsWaitedForNotLeft) {
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    ASSERT_TRUE(s->ecouter());
    auto ancien = std::make_unique<vt::PlaceInstance>(nom());
    ASSERT_TRUE(ancien->prendre());
    ancien->annoncer_pret();
    ancien.reset();  // as a crash leaves it
    vt::PlaceInstance detenteur(nom());
    ASSERT_TRUE(detenteur.prendre());
    EXPECT_FALSE(detenteur.detenteur_pret());
    QTimer::singleShot(0, [] { QThread::msleep(1200); });  // the windows being built
    bool confie = false;
    vt::test::en_parallele([&] {
        vt::PlaceInstance place(nom());
        confie = vt::confier_ou_prendre_place(place, nom(), std::string("/e.wav"));
    });
    EXPECT_TRUE(confie);
    EXPECT_EQ(recus, std::vector<std::string>{"/e.wav"});
    detenteur.annoncer_pret();
    EXPECT_TRUE(detenteur.detenteur_pret());
}

// Hundreds of idle connections while descriptors run out: no spin in the
// player's event loop, and a hand-over still goes through.
TEST_F(Serveur, IdleConnectionsWithoutDescriptorsNeitherSpinNorBlock) {
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    ASSERT_TRUE(s->ecouter());
    std::vector<int> inactives(300);
    for (int& fd : inactives) fd = prise_unix(dossier / "vantrel.instance", false);
    // A first batch taken while descriptors remain (the sanitizer's type
    // checks need a pipe of their own the first time they meet a class).
    QCoreApplication::processEvents();
    rlimit avant{}, bas{};
    ::getrlimit(RLIMIT_NOFILE, &avant);
    bas = avant;
    bas.rlim_cur =
        static_cast<rlim_t>(QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System).size() + 8);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &bas), 0);
    QEventLoop boucle;  // a plain event loop, as the player's
    QTimer::singleShot(1000, &boucle, &QEventLoop::quit);
    const std::clock_t debut = std::clock();
    boucle.exec();
    const double cpu_ms = 1000.0 * double(std::clock() - debut) / CLOCKS_PER_SEC;
    ::setrlimit(RLIMIT_NOFILE, &avant);
    EXPECT_LT(cpu_ms, 300);
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::string("/j.wav")));
    EXPECT_EQ(recus, std::vector<std::string>{"/j.wav"});
    for (int fd : inactives) ::close(fd);
}

// Connections that come while no descriptor is left and the player holds
// none it could give back: none is taken, and accepting pauses instead of
// waking the event loop again and again; once descriptors are back the
// waiting connections and a hand-over are taken.
TEST_F(Serveur, WithoutDescriptorsAndNoneHeldAcceptingPauses) {
    std::vector<std::string> recus;
    int montres = 0;
    auto s = serveur(recus, montres);
    ASSERT_TRUE(s->ecouter());
    rlimit avant{}, bas{};
    ::getrlimit(RLIMIT_NOFILE, &avant);
    bas = avant;
    bas.rlim_cur =
        static_cast<rlim_t>(QDir("/proc/self/fd").entryList(QDir::AllEntries | QDir::System).size() + 8);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &bas), 0);
    // The loop is made and run once before the descriptors go: a checking
    // build's runtime needs a descriptor of its own the first time it looks
    // at an object's type.
    QEventLoop boucle;
    boucle.processEvents();
    std::vector<int> en_attente;  // each with its whole request, after the warm-up
    for (const char* c : {"/w0.wav", "/w1.wav"}) {
        en_attente.push_back(prise_unix(dossier / "vantrel.instance", false));
        const QByteArray r = vt::encoder_requete(fichier(c));
        ASSERT_EQ(::send(en_attente.back(), r.constData(), std::size_t(r.size()), MSG_NOSIGNAL), r.size());
    }
    std::vector<int> bouche_trous;  // every descriptor left, taken
    for (int fd; (fd = ::dup(0)) >= 0;) bouche_trous.push_back(fd);
    QTimer::singleShot(1000, &boucle, &QEventLoop::quit);
    const std::clock_t debut = std::clock();
    boucle.exec();
    const double cpu_ms = 1000.0 * double(std::clock() - debut) / CLOCKS_PER_SEC;
    EXPECT_TRUE(recus.empty());
    for (int fd : bouche_trous) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &avant);
    EXPECT_LT(cpu_ms, 300);
    vt::test::attendre([&] { return recus.size() == 2; });
    EXPECT_TRUE(vt::test::confier_en_parallele(nom(), std::string("/k.wav")));
    EXPECT_EQ(recus, (std::vector<std::string>{"/w0.wav", "/w1.wav", "/k.wav"}));
    for (int fd : en_attente) ::close(fd);
}

// Idle connections beyond the cap: the oldest ones are closed (their peer
// reads the end), the newest stay open. Cap 0: the server's own, 32.
TEST_F(Serveur, IdleConnectionsBeyondTheCapCloseTheOldest) {
    const struct { int cap, pairs, fermes; } cas[] = {{2, 3, 1}, {1, 3, 2}, {3, 3, 0}, {2, 5, 3}, {0, 34, 2}};
    for (const auto& c : cas) {
        std::vector<std::string> recus;
        int montres = 0;
        auto s = serveur(recus, montres);
        if (c.cap) s->connexions_max = c.cap;
        s->delai_ms = 60000;  // none closed for its silence meanwhile
        ASSERT_TRUE(s->ecouter());
        std::vector<int> pairs;
        for (int i = 0; i < c.pairs; ++i) {
            pairs.push_back(prise_unix(dossier / "vantrel.instance", false));
            // Taken one at a time, in the order they came.
            vt::test::attendre([] { return false; }, 30);
        }
        for (int i = 0; i < c.pairs; ++i) {
            char octet = 0;
            pollfd p{pairs[static_cast<std::size_t>(i)], POLLIN, 0};
            const bool ferme =
                ::poll(&p, 1, i < c.fermes ? 2000 : 20) == 1 && ::recv(p.fd, &octet, 1, MSG_DONTWAIT) == 0;
            EXPECT_EQ(ferme, i < c.fermes) << "cap " << c.cap << ", peer " << i;
        }
        for (int fd : pairs) ::close(fd);
        s.reset();
    }
}

// A runtime folder that cannot take the socket (a read-only mount, missing,
// relative, too long) gives the per-user name, as none at all does.
TEST_F(Serveur, UnusableRuntimeFolderFallsBackPerUser) {
    dossier.ecrire("rw/f", ""), dossier.ecrire("ro/f", "");
    vt::test::DossierLectureSeule lecture_seule(dossier / "ro");
    for (const std::string& r : {dossier / "ro", std::string(), dossier / "absent", std::string("run"),
                                 "/" + std::string(120, 'r'), dossier / "rw"})
        EXPECT_EQ(
            vt::nom_instance_pour(QByteArray::fromStdString(r), 7),
            r == dossier / "rw" ? QString::fromStdString(r) + "/vantrel.instance" : "vantrel-7.instance")
            << r;
}

// The running player with its real windows.
class Remise : public vt::test::FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        ecrire_config();
        construire();
        serveur = std::make_unique<vt::ServeurInstance>(
            nom(),
            [this](std::vector<std::string> c, bool jouer) {
                if (avant_reception) avant_reception();
                vt::recevoir_fichiers(*module->lecteur, std::move(c), jouer);
            },
            [this] { vt::montrer_lecteur(*module); });
        ASSERT_TRUE(serveur->ecouter());
    }
    void TearDown() override {
        serveur.reset();
        FenetresTest::TearDown();
    }
    // The player as it is when requests come: here, fully started.
    virtual void construire() { demarrer(); }
    QString nom() const { return QFile::decodeName(QByteArray::fromStdString(prise / "vantrel.instance")); }

    DossierTemp prise;
    std::unique_ptr<vt::ServeurInstance> serveur;
    std::function<void()> avant_reception;  // runs before each request's files go in
};

// A handed file is added after the list, selected and played, as the
// command-line file at start; a paused track does not resume instead.
TEST_F(Remise, FileIsAddedSelectedAndPlayed) {
    f1->deposer(
        {app.ecrire("a.wav", vt::test::octets_wav(2000)), app.ecrire("b.wav", vt::test::octets_wav(2000))});
    f1->selectionner(0);
    appui(f1->image_play);
    clic(f1->image_pause);
    ASSERT_TRUE(en_pause());
    const std::string c = app.ecrire("nouveau.wav", vt::test::octets_wav(2000, 660));
    ASSERT_TRUE(vt::test::confier_en_parallele(nom(), c));
    ASSERT_EQ(module->liste.nombre(), 3);
    EXPECT_EQ(module->liste.chemin(2), c);
    EXPECT_EQ(f1->index_courant(), 2);
    EXPECT_TRUE(joue());
    EXPECT_FALSE(en_pause());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : nouveau.wav"));
    EXPECT_TRUE(montre(f1->image_play, "image_playon"));
}

// A relative path with bytes that are not UTF-8 arrives as the sender's
// absolute path, byte for byte, and plays.
TEST_F(Remise, RelativeRawPathArrivesAbsolute) {
    const std::string c = app.ecrire("sous/\xe9t\xe9.wav", vt::test::octets_wav(1000));
    ASSERT_TRUE(vt::test::confier_en_parallele(nom(), std::string("sous/\xe9t\xe9.wav")));
    ASSERT_EQ(module->liste.nombre(), 1);
    EXPECT_EQ(module->liste.chemin(0), vt::chemin_pour_envoi("sous/\xe9t\xe9.wav"));
    EXPECT_EQ(
        QFile::encodeName(QFileInfo(QFile::decodeName(QByteArray::fromStdString(module->liste.chemin(0))))
                              .canonicalFilePath()),
        QFile::encodeName(QFileInfo(QFile::decodeName(QByteArray::fromStdString(c))).canonicalFilePath()));
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
    // Qt cannot name this file to remove it with the folder.
    ::unlink(c.c_str());
    ::rmdir((app / "sous").c_str());
}

// The running player plays the first file of a start and adds the others
// after it, in order, while it goes on playing the first; each request of the
// start's own hand-over is taken once.
TEST_F(Remise, OthersAreAddedAfterTheFirstWithoutPlaying) {
    std::vector<std::string> fichiers;
    for (const char* n : {"x.wav", "y.wav", "z.wav"})
        fichiers.push_back(app.ecrire(n, vt::test::octets_wav(2000)));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(prise.chemin()));
    vt::PlaceInstance detenteur(nom());  // this player's
    ASSERT_TRUE(detenteur.prendre());
    vt::test::en_parallele([&] { ASSERT_TRUE(vt::confier_au_lecteur_en_cours(fichiers)); });
    ASSERT_EQ(module->liste.nombre(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(module->liste.chemin(i), fichiers[static_cast<std::size_t>(i)]);
    EXPECT_TRUE(joue() && f1->index_courant() == 0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : x.wav"));
}

// A start's many files come in one edit of the list per request (one when
// they fit), in their order, names that read like toolkit options
// included; the first of them is selected and played while the list's
// earlier entries stay.
TEST_F(Remise, ManyFilesComeAsOneEditInOrderAndTheFirstPlays) {
    f1->deposer({app.ecrire("avant.wav", vt::test::octets_wav(2000))});
    const struct {
        int fichiers;
        std::uint32_t limite;
        int editions;
    } cas[] = {{2, 0, 1}, {20000, 0, 1}, {5, 1, 5}};  // a limit of 1: each path alone
    for (const auto& c : cas) {
        const int avant = module->liste.nombre();
        std::vector<std::string> fichiers = {app.ecrire("premier.wav", vt::test::octets_wav(2000))};
        const char* options[] = {"-platform", "-style=fusion", "-reverse", "-display"};
        for (int i = 1; i < c.fichiers; ++i)
            fichiers.push_back(i < 5 ? std::string(options[i - 1])
                                     : app / ("f" + std::to_string(i) + ".wav"));
        int editions = 0;
        auto lien = QObject::connect(&module->liste, &QAbstractItemModel::rowsInserted, [&] { ++editions; });
        bool toutes = false;
        vt::test::en_parallele(
            [&] { toutes = vt::confier_suite(nom(), vt::requetes_de_depart(fichiers, c.limite)); });
        QObject::disconnect(lien);
        EXPECT_TRUE(toutes);
        EXPECT_EQ(editions, c.editions) << c.fichiers;
        ASSERT_EQ(module->liste.nombre(), avant + c.fichiers);
        for (int i = 0; i < c.fichiers; ++i)
            ASSERT_EQ(module->liste.chemin(avant + i),
                      vt::chemin_pour_envoi(fichiers[static_cast<std::size_t>(i)]))
                << i;
        EXPECT_EQ(module->liste.chemin(0), app / "avant.wav");
        EXPECT_EQ(f1->index_courant(), avant);
        EXPECT_TRUE(joue());
        EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : premier.wav"));
    }
}

// A player whose window thread is held longer than a start waits (here
// while it adds the second file) still gets the third: it is asked again.
TEST_F(Remise, AFileSentWhileThePlayerIsBusyIsSentAgain) {
    int recues = 0;
    avant_reception = [&] {
        if (++recues == 2) std::this_thread::sleep_for(std::chrono::milliseconds(700));
    };
    std::vector<std::string> fichiers;
    for (const char* n : {"x.wav", "y.wav", "z.wav"})
        fichiers.push_back(app.ecrire(n, vt::test::octets_wav(2000)));
    // A limit of 1: each path in a request of its own.
    vt::test::en_parallele(
        [&] { EXPECT_TRUE(vt::confier_suite(nom(), vt::requetes_de_depart(fichiers, 1), 0, 300)); });
    ASSERT_EQ(module->liste.nombre(), 3);
    EXPECT_EQ(module->liste.chemin(2), fichiers[2]);
}

// Without a file the player comes back from the notification area, and its
// icon goes away.
TEST_F(Remise, WithoutFileThePlayerIsShown) {
    f1->show();
    f1->tray_imageClick();
    ASSERT_FALSE(f1->isVisible());
    ASSERT_TRUE(plateau().icone()->isVisible());
    ASSERT_TRUE(vt::test::confier_en_parallele(nom(), std::nullopt));
    EXPECT_TRUE(f1->isVisible());
    EXPECT_FALSE(plateau().icone()->isVisible());
    EXPECT_EQ(module->liste.nombre(), 0);
}

// A start in the player's first moments, while only the main window exists
// (the hidden windows and the engine come after its first paint): the file
// is taken, selected and played, and the windows built afterwards keep it.
class RemiseTot : public Remise {
protected:
    void construire() override {
        creer_module(std::make_unique<vt::SortieManuelle>(true));
        module->terminer = [] {};
        module->creer_fenetre_principale();
        f1 = fenetres_module().Form1;
    }
};

TEST_F(RemiseTot, FileHandedBeforeTheHiddenWindowsPlays) {
    ASSERT_EQ(fenetres_module().Form2, nullptr);
    const std::string c = app.ecrire("tot.wav", vt::test::octets_wav(2000));
    ASSERT_TRUE(vt::test::confier_en_parallele(nom(), c));
    ASSERT_TRUE(vt::test::confier_en_parallele(nom(), std::nullopt));
    module->creer_fenetres_secondaires();
    module->lecteur->chargement().charger_maintenant();
    ASSERT_EQ(module->liste.nombre(), 1);
    EXPECT_EQ(module->liste.chemin(0), c);
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : tot.wav"));
    EXPECT_TRUE(f1->isVisible());
}

}  // namespace
