// Two processes of the real executable: a second start hands its file to
// the running player and ends; a socket left by a killed player does not
// stop the next one. Each player runs from an app folder of the test's
// own, headless, with a runtime folder of its own (so it never meets a
// player of the user's) and either a D-Bus daemon of the test's own or no
// bus at all.
#include "bureau/bus_prive.h"
#include "bureau/outils.h"
#include "config/configuration.h"
#include "support/dossier_temp.h"
#include "support/wav.h"
#include "ui/bureau/mpris.h"

#include <gtest/gtest.h>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>

#include <sys/stat.h>
#include <memory>

namespace {

using vt::ServiceMpris;
using vt::test::DossierTemp;

QString q(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }

class Executable : public ::testing::Test {
protected:
    void SetUp() override {
        const QString source = QStringLiteral(VANTREL_APP_DIR);
        if (!QFileInfo(source + QStringLiteral("/vantrel")).isExecutable())
            GTEST_SKIP() << "the player is not built in " << VANTREL_APP_DIR;
        ASSERT_TRUE(QDir().mkpath(q(racine / "app/playlist")));
        for (const char* f : {"vantrel", "libvantrel_moteur.so", "libvantrel_moteur.so.crc32"})
            ASSERT_TRUE(QFile::copy(source + QLatin1Char('/') + QLatin1String(f),
                                    q(racine / "app/") + QLatin1String(f)))
                << f;
        QDir skins(QStringLiteral(VANTREL_SOURCE_DIR "/skin"));
        for (const QString& sous : skins.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDir d(skins.filePath(sous));
            for (const QString& f : d.entryList(QDir::Files))
                racine.ecrire("app/skin/" + sous.toStdString() + "/" + f.toStdString(),
                              vt::test::lire_fichier(QFile::encodeName(d.filePath(f)).toStdString()));
        }
        racine.ecrire("app/vantrel.config",
                      vt::texte_configuration("skin/default/", "default.sk", 20, 20, "playlist/", false));
        ASSERT_TRUE(QDir().mkpath(q(racine / "run")));
        ::chmod((racine / "run").c_str(), 0700);
    }
    void TearDown() override {
        for (auto& p : processus) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
        processus.clear();
        client.reset();
        bus.arreter();
    }

    bool avec_bus() {
        if (!QDir().mkpath(q(racine / "bus")) || !bus.demarrer(racine / "bus", raison_bus)) return false;
        client = std::make_unique<QDBusConnection>(bus.connexion(QStringLiteral("vt-e2e")));
        return client->isConnected();
    }

    // Starts the player from the app folder, in `dossier`, with `args`.
    // With `garder_erreurs`, its error output is kept for the test to read.
    QProcess* lancer(const QStringList& args = {}, const std::string& dossier = "",
                     bool garder_erreurs = false) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env.insert(QStringLiteral("VANTREL_SORTIE"), QStringLiteral("sdl"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), q(racine / "run"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   bus.adresse().isEmpty() ? QStringLiteral("unix:path=") + q(racine / "pas-de-bus")
                                           : bus.adresse());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(q(dossier.empty() ? racine / "app" : dossier));
        p->setProgram(q(racine / "app/vantrel"));
        p->setArguments(args);
        p->setProcessChannelMode(garder_erreurs ? QProcess::SeparateChannels
                                                : QProcess::ForwardedErrorChannel);
        p->start();
        processus.push_back(std::move(p));
        return processus.back().get();
    }

    QString socket() { return q(racine / "run/vantrel.instance"); }

    // Whether a player answers on the socket, tried for up to `ms`.
    bool lecteur_a_l_ecoute(QProcess* p, int ms = 20000) {
        return vt::test::attendre(
                   [&] {
                       if (p->state() == QProcess::NotRunning) return true;  // reported below
                       QLocalSocket s;
                       s.connectToServer(socket());
                       const bool ok = s.waitForConnected(200);
                       s.abort();
                       if (!ok) QThread::msleep(50);
                       return ok;
                   },
                   ms) &&
               p->state() == QProcess::Running;
    }

    // A second start: true when it ended by itself, at once, with code 0.
    bool seconde_fin_normale(QProcess* p) {
        return p->waitForFinished(15000) && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    }

    QVariant propriete(const QString& nom) {
        QDBusInterface props(QString::fromLatin1(ServiceMpris::kNomService),
                             QString::fromLatin1(ServiceMpris::kChemin),
                             QStringLiteral("org.freedesktop.DBus.Properties"), *client);
        QDBusReply<QDBusVariant> r =
            props.call(QStringLiteral("Get"), QStringLiteral("org.mpris.MediaPlayer2.Player"), nom);
        return r.isValid() ? r.value().variant() : QVariant();
    }

    DossierTemp racine;
    vt::test::BusPrive bus;
    std::string raison_bus;
    std::unique_ptr<QDBusConnection> client;
    std::vector<std::unique_ptr<QProcess>> processus;
};

// A second start with a file relative to its own folder ends at once; the
// running player adds that file and plays it (seen through its media
// service); a start without a file ends too, and Quit ends the player
// cleanly: its windows and timers are gone before the application object.
TEST_F(Executable, SecondStartHandsItsFileToTheRunningPlayer) {
    if (!avec_bus()) GTEST_SKIP() << raison_bus;
    QProcess* premier = lancer({}, "", true);
    ASSERT_TRUE(lecteur_a_l_ecoute(premier));
    ASSERT_TRUE(vt::test::attendre([&] {
        return client->interface()
            ->isServiceRegistered(QString::fromLatin1(ServiceMpris::kNomService))
            .value();
    }));
    const std::string chanson = racine.ecrire("musique/chanson.wav", vt::test::octets_wav(20000));
    QProcess* second = lancer({QStringLiteral("chanson.wav")}, racine / "musique");
    ASSERT_TRUE(seconde_fin_normale(second));
    const QString attendue =
        QStringLiteral("file://") +
        QString::fromLatin1(
            QFile::encodeName(QFileInfo(q(chanson)).canonicalFilePath()).toPercentEncoding("/"));
    EXPECT_TRUE(vt::test::attendre([&] {
        return qdbus_cast<QVariantMap>(propriete(QStringLiteral("Metadata")))
                   .value(QStringLiteral("xesam:url"))
                   .toString() == attendue;
    }));
    EXPECT_TRUE(vt::test::attendre(
        [&] { return propriete(QStringLiteral("PlaybackStatus")).toString() == QStringLiteral("Playing"); }));
    QProcess* troisieme = lancer();
    EXPECT_TRUE(seconde_fin_normale(troisieme));
    EXPECT_EQ(premier->state(), QProcess::Running);
    QDBusInterface racine_mpris(QString::fromLatin1(ServiceMpris::kNomService),
                                QString::fromLatin1(ServiceMpris::kChemin),
                                QStringLiteral("org.mpris.MediaPlayer2"), *client);
    racine_mpris.call(QStringLiteral("Quit"));
    ASSERT_TRUE(premier->waitForFinished(15000));
    EXPECT_EQ(premier->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(premier->exitCode(), 0);
    const QString erreurs = QString::fromLocal8Bit(premier->readAllStandardError());
    EXPECT_FALSE(erreurs.contains(QStringLiteral("QBasicTimer"))) << erreurs.toStdString();
    EXPECT_FALSE(erreurs.contains(QStringLiteral("QObject::"))) << erreurs.toStdString();
}

// Every argument is a file, even one that reads like a toolkit option: at
// the first start the first one plays and the next follows it in the list;
// a later start hands them over and the running player plays its first.
TEST_F(Executable, ArgumentsThatReadLikeToolkitOptionsAreFiles) {
    if (!avec_bus()) GTEST_SKIP() << raison_bus;
    const char* noms[] = {"-platform", "-display", "-style=fusion", "-reverse", "-qwindowgeometry", "x.wav"};
    for (const char* n : noms) racine.ecrire(std::string("app/") + n, vt::test::octets_wav(20000));
    auto url = [this](const char* nom) {
        return QStringLiteral("file://") +
               QString::fromLatin1(QFile::encodeName(QFileInfo(q(racine / "app/" + nom)).canonicalFilePath())
                                       .toPercentEncoding("/"));
    };
    auto joue = [&](const char* nom) {
        return vt::test::attendre(
            [&] {
                return qdbus_cast<QVariantMap>(propriete(QStringLiteral("Metadata")))
                           .value(QStringLiteral("xesam:url"))
                           .toString() == url(nom);
            },
            10000);
    };
    const struct {
        QStringList premier, remis;
    } cas[] = {
        {{"-platform", "x.wav"}, {"-style=fusion", "-reverse"}},
        {{"-display", "x.wav"}, {"-platform"}},
        {{"-style=fusion", "x.wav"}, {"-qwindowgeometry", "x.wav"}},
        {{"-reverse", "-platform"}, {"-display", "-platform"}},
    };
    for (const auto& c : cas) {
        const std::string ligne = c.premier.join(' ').toStdString();
        QProcess* lecteur = lancer(c.premier);
        ASSERT_TRUE(lecteur_a_l_ecoute(lecteur)) << ligne;
        EXPECT_TRUE(joue(c.premier[0].toUtf8().constData())) << ligne;
        QDBusInterface commandes(QString::fromLatin1(ServiceMpris::kNomService),
                                 QString::fromLatin1(ServiceMpris::kChemin),
                                 QStringLiteral("org.mpris.MediaPlayer2.Player"), *client);
        commandes.call(QStringLiteral("Next"));
        EXPECT_TRUE(joue(c.premier[1].toUtf8().constData())) << ligne;
        EXPECT_TRUE(seconde_fin_normale(lancer(c.remis))) << ligne;
        EXPECT_TRUE(joue(c.remis[0].toUtf8().constData())) << ligne;
        lecteur->kill();
        ASSERT_TRUE(lecteur->waitForFinished(5000));
        ASSERT_TRUE(vt::test::attendre([&] {
            return !client->interface()
                        ->isServiceRegistered(QString::fromLatin1(ServiceMpris::kNomService))
                        .value();
        }));
    }
}

// Without a graphical session (no display named, or one nobody serves) the
// player says so in French and ends with status 1; a platform that draws
// without a display server starts all the same.
TEST_F(Executable, WithoutAGraphicalSessionSaysSoAndEnds) {
    const QString ni_ni = QString::fromUtf8(
        "vantrel : aucune session graphique n'a été trouvée (ni DISPLAY ni WAYLAND_DISPLAY).\n");
    const struct {
        QStringList env;
        QString message;  // empty: the player runs
    } cas[] = {
        {{}, ni_ni},
        {{"QT_QPA_PLATFORM=xcb"}, ni_ni},
        {{"QT_QPA_PLATFORM=wayland"}, ni_ni},
        {{"DISPLAY=:98765"},
         QString::fromUtf8("vantrel : aucune session graphique n'a été trouvée "
                           "(DISPLAY=:98765 ne répond pas, WAYLAND_DISPLAY absent).\n")},
        {{"WAYLAND_DISPLAY=wayland-98"},
         QString::fromUtf8("vantrel : aucune session graphique n'a été trouvée "
                           "(DISPLAY absent, WAYLAND_DISPLAY=wayland-98 ne répond pas).\n")},
        {{"QT_QPA_PLATFORM=offscreen"}, {}},
        {{"QT_QPA_PLATFORM=minimal", "DISPLAY=:98765"}, {}},
    };
    for (const auto& c : cas) {
        const std::string ligne = c.env.join(' ').toStdString();
        QProcessEnvironment env;  // nothing of this session's
        env.insert(QStringLiteral("HOME"), q(racine.chemin()));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), q(racine / "run"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env.insert(QStringLiteral("VANTREL_SORTIE"), QStringLiteral("sdl"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + q(racine / "pas-de-bus"));
        for (const QString& v : c.env)
            env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(q(racine / "app"));
        p->setProgram(q(racine / "app/vantrel"));
        p->start();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(lecteur_a_l_ecoute(p.get())) << ligne;
            p->kill();
            p->waitForFinished(5000);
            continue;
        }
        ASSERT_TRUE(p->waitForFinished(10000)) << ligne;
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit) << ligne;
        EXPECT_EQ(p->exitCode(), 1) << ligne;
        EXPECT_EQ(QString::fromUtf8(p->readAllStandardError()), c.message) << ligne;
    }
}

// Whether the process has the audio engine's library mapped.
bool moteur_en_memoire(QProcess* p) {
    QFile maps(QStringLiteral("/proc/%1/maps").arg(p->processId()));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libvantrel_moteur.so");
}

// The audio engine (the decoding libraries, some twenty megabytes) is
// loaded only when something is to be played: a player started without a
// file and left alone never maps it, though its media service answers; a
// file handed over loads it and plays.
TEST_F(Executable, EngineLoadsOnlyWhenSomethingIsToBePlayed) {
    if (!avec_bus()) GTEST_SKIP() << raison_bus;
    QProcess* premier = lancer();
    ASSERT_TRUE(lecteur_a_l_ecoute(premier));
    ASSERT_TRUE(vt::test::attendre([&] {
        return client->interface()
            ->isServiceRegistered(QString::fromLatin1(ServiceMpris::kNomService))
            .value();
    }));
    EXPECT_EQ(propriete(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    QThread::msleep(500);
    EXPECT_FALSE(moteur_en_memoire(premier));
    const std::string chanson = racine.ecrire("chanson.wav", vt::test::octets_wav(20000));
    ASSERT_TRUE(seconde_fin_normale(lancer({q(chanson)})));
    EXPECT_TRUE(vt::test::attendre(
        [&] { return propriete(QStringLiteral("PlaybackStatus")).toString() == QStringLiteral("Playing"); }));
    EXPECT_TRUE(moteur_en_memoire(premier));
}

// With no session bus at all, and a socket file that a crash left behind
// (as a killed player leaves it), the next start becomes the player and
// takes later starts' files.
TEST_F(Executable, StaleSocketAndNoBusDoNotStopThePlayer) {
    ASSERT_TRUE(vt::test::socket_abandonne(racine / "run/vantrel.instance"));
    QProcess* premier = lancer();
    ASSERT_TRUE(lecteur_a_l_ecoute(premier));
    const std::string chanson = racine.ecrire("chanson.wav", vt::test::octets_wav(5000));
    EXPECT_TRUE(seconde_fin_normale(lancer({q(chanson)})));
    // Killed, it leaves its socket; the next start is not stopped by it.
    premier->kill();
    ASSERT_TRUE(premier->waitForFinished(5000));
    ASSERT_TRUE(QFileInfo::exists(socket()));
    QProcess* suivant = lancer();
    ASSERT_TRUE(lecteur_a_l_ecoute(suivant));
    EXPECT_TRUE(seconde_fin_normale(lancer({q(chanson)})));
    EXPECT_EQ(suivant->state(), QProcess::Running);
}

// Two players started together: they do not both end, and later starts
// still find one that takes their file.
TEST_F(Executable, TwoStartsAtOnceLeaveOnePlayerListening) {
    const std::string chanson = racine.ecrire("chanson.wav", vt::test::octets_wav(5000));
    QProcess* a = lancer({q(chanson)});
    QProcess* b = lancer({q(chanson)});
    ASSERT_TRUE(lecteur_a_l_ecoute(a) || lecteur_a_l_ecoute(b));
    QThread::msleep(500);
    EXPECT_TRUE(a->state() == QProcess::Running || b->state() == QProcess::Running);
    EXPECT_TRUE(seconde_fin_normale(lancer({q(chanson)})));
}

// Two players started at the same moment, each with a file of its own, 20
// times: every time exactly one runs on and the other hands its file over
// and ends by itself with code 0; the one that runs plays the file handed
// to it (seen through its media service). Each round's player is killed
// after, leaving its socket for the next round, as a crash does.
TEST_F(Executable, TwoStartsAtOnceEndAsOneEveryTime) {
    if (!avec_bus()) GTEST_SKIP() << raison_bus;
    const std::string chanson_a = racine.ecrire("a.wav", vt::test::octets_wav(20000));
    const std::string chanson_b = racine.ecrire("b.wav", vt::test::octets_wav(20000));
    auto url = [](const std::string& chemin) {
        return QStringLiteral("file://") +
               QString::fromLatin1(
                   QFile::encodeName(QFileInfo(q(chemin)).canonicalFilePath()).toPercentEncoding("/"));
    };
    for (int tour = 0; tour < 20; ++tour) {
        QProcess* a = lancer({q(chanson_a)});
        QProcess* b = lancer({q(chanson_b)});
        ASSERT_TRUE(vt::test::attendre(
            [&] { return a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning; }, 20000))
            << "round " << tour << ": both still run";
        const bool a_fini = a->state() == QProcess::NotRunning;
        QProcess* fini = a_fini ? a : b;
        QProcess* reste = a_fini ? b : a;
        EXPECT_EQ(fini->exitStatus(), QProcess::NormalExit) << "round " << tour;
        EXPECT_EQ(fini->exitCode(), 0) << "round " << tour;
        ASSERT_TRUE(lecteur_a_l_ecoute(reste)) << "round " << tour;
        // The file of the one that ended is played by the one that runs.
        const QString remise = url(a_fini ? chanson_a : chanson_b);
        EXPECT_TRUE(vt::test::attendre(
            [&] {
                return qdbus_cast<QVariantMap>(propriete(QStringLiteral("Metadata")))
                           .value(QStringLiteral("xesam:url"))
                           .toString() == remise;
            },
            10000))
            << "round " << tour << ": the handed file is not played";
        EXPECT_EQ(reste->state(), QProcess::Running) << "round " << tour;
        reste->kill();
        ASSERT_TRUE(reste->waitForFinished(5000));
        ASSERT_TRUE(vt::test::attendre(
            [&] {
                return !client->interface()
                            ->isServiceRegistered(QString::fromLatin1(ServiceMpris::kNomService))
                            .value();
            },
            5000));
    }
}

}  // namespace
