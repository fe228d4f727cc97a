// The media-player service (MPRIS 2) on a D-Bus daemon of the test's own:
// commands and properties called over the bus, from another connection,
// against the real windows and the audio engine pumped by hand.
#include "ui/bureau/mpris.h"
#include "bureau/bus_prive.h"
#include "bureau/outils.h"
#include "playlist/liste_courante.h"
#include "support/environnement.h"
#include "support/wav.h"
#include "ui/bureau/bureau.h"
#include "ui/bureau/instance.h"
#include "ui/curseurs.h"
#include "ui/fixture.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QUrl>

#include <cmath>

namespace {

using vt::ServiceMpris;

const QString kRacine = QStringLiteral("org.mpris.MediaPlayer2");
const QString kLecteur = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProprietes = QStringLiteral("org.freedesktop.DBus.Properties");

class Media : public vt::test::FenetresTest {
protected:
    void SetUp() override {
        FenetresTest::SetUp();
        std::string raison;
        if (!bus.demarrer(dossier_bus.chemin(), raison)) GTEST_SKIP() << raison;
        env.definir("XDG_CACHE_HOME", dossier_bus / "cache");  // where the pictures go
        ecrire_config();
        demarrer();
        ServiceMpris::Fenetres fenetres{[this] { vt::montrer_lecteur(*module); },
                                        [this] { module->terminer(); }};
        service = std::make_unique<ServiceMpris>(*module->lecteur, std::move(fenetres),
                                                 bus.connexion(QStringLiteral("vt-service")));
        ASSERT_TRUE(service->enregistrer());
        client = std::make_unique<QDBusConnection>(bus.connexion(QStringLiteral("vt-client")));
        ASSERT_TRUE(client->isConnected());
    }
    void TearDown() override {
        service.reset();
        client.reset();
        bus.arreter();
        FenetresTest::TearDown();
    }

    // A call over the bus; the events of this thread (where the service
    // lives) are processed until the answer comes.
    QDBusMessage appeler(const QString& interface, const QString& methode, const QVariantList& args = {}) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(QString::fromLatin1(ServiceMpris::kNomService),
                                           QString::fromLatin1(ServiceMpris::kChemin), interface, methode);
        m.setArguments(args);
        QDBusPendingCallWatcher w(client->asyncCall(m, 5000));
        vt::test::attendre([&] { return w.isFinished(); });
        return w.reply();
    }
    QVariant lire(const QString& interface, const QString& nom) {
        const QDBusMessage r = appeler(kProprietes, QStringLiteral("Get"), {interface, nom});
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty()) return {};
        return r.arguments().first().value<QDBusVariant>().variant();
    }
    QVariantMap metadonnees() { return qdbus_cast<QVariantMap>(lire(kLecteur, QStringLiteral("Metadata"))); }
    QString statut() { return lire(kLecteur, QStringLiteral("PlaybackStatus")).toString(); }
    bool ecrire(const QString& nom, const QVariant& v) {
        const QDBusMessage r = appeler(kProprietes, QStringLiteral("Set"),
                                       {kLecteur, nom, QVariant::fromValue(QDBusVariant(v))});
        return r.type() == QDBusMessage::ReplyMessage;
    }
    // Records the service's signals of that name from now on.
    void ecouter(const QString& interface, const QString& signal) {
        ASSERT_TRUE(client->connect(QString(), QString::fromLatin1(ServiceMpris::kChemin), interface, signal,
                                    &ecouteur, SLOT(recu(QDBusMessage))));
        lire(kRacine, QStringLiteral("Identity"));  // the match rule is in place once this is answered
    }
    // The properties announced by PropertiesChanged so far, the latest value of each.
    QVariantMap annonces() {
        QVariantMap m;
        for (const QDBusMessage& s : ecouteur.messages) {
            if (s.member() != QStringLiteral("PropertiesChanged") || s.arguments().size() < 2) continue;
            if (s.arguments()[0].toString() != kLecteur) continue;
            const QVariantMap c = qdbus_cast<QVariantMap>(s.arguments()[1]);
            for (auto it = c.begin(); it != c.end(); ++it) m.insert(it.key(), it.value());
        }
        return m;
    }
    bool attendre_annonce(const QString& nom) {
        return vt::test::attendre([&] { return annonces().contains(nom); });
    }

    void remplir(int n, int ms = 1000) {
        std::vector<std::string> chemins;
        for (int i = 0; i < n; ++i)
            chemins.push_back(
                app.ecrire("t" + std::to_string(i) + ".wav", vt::test::octets_wav(ms, 440 + 100 * i)));
        f1->deposer(chemins);
    }
    std::int64_t temps() { return lecteur().moteur().temps_ms(lecteur().flux); }
    int offset_volume() { return f1->curseur_volume->x() - f1->barre_volume->x(); }
    int span_volume() { return f1->barre_volume->width() - f1->curseur_volume->width(); }
    float crete(std::size_t trames) {
        auto& sortie = static_cast<vt::SortieManuelle&>(*lecteur().moteur().sortie());
        float max = 0;
        for (float v : sortie.pomper(trames)) max = std::max(max, std::abs(v));
        return max;
    }

    vt::test::DossierTemp dossier_bus;
    vt::test::Environnement env;
    vt::test::BusPrive bus;
    std::unique_ptr<ServiceMpris> service;
    std::unique_ptr<QDBusConnection> client;
    vt::test::Ecouteur ecouteur;
};

// The service takes its bus name and tells who it is.
TEST_F(Media, IdentityOnTheBus) {
    EXPECT_TRUE(client->interface()->isServiceRegistered(QString::fromLatin1(ServiceMpris::kNomService)));
    EXPECT_EQ(lire(kRacine, QStringLiteral("Identity")).toString(), QStringLiteral("vantrel"));
    EXPECT_EQ(lire(kRacine, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("vantrel"));
    EXPECT_TRUE(lire(kRacine, QStringLiteral("CanQuit")).toBool());
    EXPECT_TRUE(lire(kRacine, QStringLiteral("CanRaise")).toBool());
    EXPECT_FALSE(lire(kRacine, QStringLiteral("HasTrackList")).toBool());
    EXPECT_TRUE(lire(kLecteur, QStringLiteral("CanControl")).toBool());
    EXPECT_EQ(lire(kLecteur, QStringLiteral("Rate")).toDouble(), 1.0);
    EXPECT_EQ(statut(), QStringLiteral("Stopped"));
}

// A second player on the same bus takes a name of its own process.
TEST_F(Media, SecondServiceTakesAnInstanceName) {
    ServiceMpris autre(*module->lecteur, {}, bus.connexion(QStringLiteral("vt-autre")));
    ASSERT_TRUE(autre.enregistrer());
    EXPECT_TRUE(autre.nom_pris().startsWith(QString::fromLatin1(ServiceMpris::kNomService) +
                                            QStringLiteral(".instance")));
    EXPECT_EQ(service->nom_pris(), QString::fromLatin1(ServiceMpris::kNomService));
}

// Play, Pause, PlayPause and Stop act as the notification-area menu's
// entries: the engine, the status text and the button pictures follow.
TEST_F(Media, PlayPauseAndStopRunTheTransport) {
    remplir(2);
    f1->selectionner(1);
    appeler(kLecteur, QStringLiteral("Play"));
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t1.wav"));
    EXPECT_TRUE(montre(f1->image_play, "image_playon"));
    EXPECT_EQ(statut(), QStringLiteral("Playing"));
    appeler(kLecteur, QStringLiteral("Pause"));
    EXPECT_TRUE(en_pause());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Pause ... "));
    EXPECT_EQ(statut(), QStringLiteral("Paused"));
    appeler(kLecteur, QStringLiteral("PlayPause"));
    EXPECT_FALSE(en_pause());
    EXPECT_EQ(statut(), QStringLiteral("Playing"));
    appeler(kLecteur, QStringLiteral("PlayPause"));
    EXPECT_TRUE(en_pause());
    appeler(kLecteur, QStringLiteral("Stop"));
    EXPECT_FALSE(joue());
    EXPECT_EQ(lecteur().flux, 0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("vantrel  en attente ..."));
    EXPECT_EQ(f1->label_temps->text(), QStringLiteral("00 : 00"));
    EXPECT_TRUE(montre(f1->image_stop, "image_stopoff"));  // no release follows, as from the menu
    EXPECT_EQ(statut(), QStringLiteral("Stopped"));
}

// Play while a track plays has no effect, paused it resumes, as the media
// service's rules say; the skin's play button still restarts a playing
// track. With no entry selected nothing can play.
TEST_F(Media, PlayWhilePlayingHasNoEffectUnlikeThePlayButton) {
    remplir(1, 3000);
    EXPECT_FALSE(lire(kLecteur, QStringLiteral("CanPlay")).toBool());
    appeler(kLecteur, QStringLiteral("Play"));
    EXPECT_EQ(lecteur().flux, 0);
    f1->selectionner(0);
    EXPECT_TRUE(lire(kLecteur, QStringLiteral("CanPlay")).toBool());
    for (const auto& [pause, bouton] : {std::pair{false, false}, {true, false}, {false, true}}) {
        appeler(kLecteur, QStringLiteral("Play"));
        pomper_ms(500);
        if (pause) appeler(kLecteur, QStringLiteral("Pause"));
        bouton ? appui(f1->image_play) : void(appeler(kLecteur, QStringLiteral("Play")));
        EXPECT_EQ(temps() >= 450, !bouton) << pause << bouton;
        EXPECT_EQ(statut(), QStringLiteral("Playing"));
        appeler(kLecteur, QStringLiteral("Stop"));
    }
}

// Next wraps from the last entry to the first, Previous stops at the first;
// the buttons rest afterwards; CanGoNext and CanGoPrevious say so.
TEST_F(Media, NextAndPreviousFollowTheTransportRules) {
    remplir(3);
    EXPECT_FALSE(lire(kLecteur, QStringLiteral("CanGoPrevious")).toBool());
    f1->selectionner(2);
    appeler(kLecteur, QStringLiteral("Next"));
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_TRUE(joue());
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
    EXPECT_TRUE(montre(f1->image_next, "image_nextoff"));
    EXPECT_TRUE(lire(kLecteur, QStringLiteral("CanGoNext")).toBool());
    EXPECT_FALSE(lire(kLecteur, QStringLiteral("CanGoPrevious")).toBool());
    appeler(kLecteur, QStringLiteral("Previous"));
    EXPECT_EQ(f1->index_courant(), 0);
    appeler(kLecteur, QStringLiteral("Next"));
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_TRUE(lire(kLecteur, QStringLiteral("CanGoPrevious")).toBool());
    appeler(kLecteur, QStringLiteral("Previous"));
    EXPECT_EQ(f1->index_courant(), 0);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : t0.wav"));
    EXPECT_TRUE(montre(f1->image_back, "image_backoff"));
    // An empty list has nothing to go to.
    f1->image_del_allClick();
    EXPECT_FALSE(lire(kLecteur, QStringLiteral("CanGoNext")).toBool());
}

// The metadata name the playing entry as the list shows it, its file as
// a URL (the path's bytes kept), and its length; a row merely selected, or
// a row moved, changes none of it.
TEST_F(Media, MetadataDescribeThePlayingEntry) {
    QVariantMap m = metadonnees();
    EXPECT_EQ(m.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    EXPECT_FALSE(m.contains(QStringLiteral("xesam:title")));
    const std::string c = app.ecrire("\xe9t\xe9 #1.wav", vt::test::octets_wav(1500));
    f1->deposer({c});
    remplir(1, 4000);
    f1->selectionner(0);
    EXPECT_FALSE(metadonnees().contains(QStringLiteral("xesam:title")));  // selected, not playing
    appeler(kLecteur, QStringLiteral("Play"));
    f1->list_lecture->selectionModel()->setCurrentIndex(module->liste.index(1, 0),
                                                        QItemSelectionModel::ClearAndSelect);
    clic(f1->image_up);  // the clicked row goes up: the playing entry is row 1 now
    ASSERT_EQ(module->liste.chemin(1), c);
    m = metadonnees();
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")).toString(),
              module->liste.data(module->liste.index(1, 0)).toString());
    EXPECT_EQ(
        m.value(QStringLiteral("xesam:url")).toString(),
        QStringLiteral("file://") + QString::fromLatin1(QByteArray::fromStdString(c).toPercentEncoding("/")));
    EXPECT_TRUE(
        m.value(QStringLiteral("xesam:url")).toString().endsWith(QStringLiteral("/%E9t%E9%20%231.wav")));
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(),
              lecteur().moteur().longueur_ms(lecteur().flux) * 1000);
    EXPECT_NEAR(m.value(QStringLiteral("mpris:length")).toLongLong(), 1'500'000, 30'000);
    EXPECT_NE(m.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    // An entry that cannot be played: stopped, no track described.
    f1->deposer({app.ecrire("bruit.mp3", std::string(3000, '\x5a'))});
    f1->selectionner(2);
    appui(f1->image_play);  // Play of the media service would leave the playing track
    EXPECT_EQ(statut(), QStringLiteral("Stopped"));
    EXPECT_EQ(metadonnees().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    ::unlink(c.c_str());  // Qt cannot name this file to remove it with the folder
}

// Once read, the tags name the playing track: title, artists as a list,
// album, track number and the picture as a file of the user's cache; the
// next track, without tags, keeps nothing of them; the windows keep names.
TEST_F(Media, MetadataGiveTheTagsOnceRead) {
    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(500, 'j') + "\xFF\xD9";
    const std::string mp3 = app.ecrire(
        "a.mp3", vt::test::octets_id3v2({{"TIT2", "\x03\xC3\x89t\xC3\xA9"},
                                         {"TPE1", std::string("\x03"
                                                              "Ana\0Bo",
                                                              7)},
                                         {"TALB", "\x03Saisons"},
                                         {"TRCK",
                                          "\x03"
                                          "7/9"},
                                         {"APIC", std::string("\0image/jpeg\0\x03\0", 14) + jpeg}}) +
                     vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/ton440.mp3"));
    f1->deposer({mp3, app.ecrire("sans.wav", vt::test::octets_wav(1000))});
    ecouter(kProprietes, QStringLiteral("PropertiesChanged"));
    f1->selectionner(0);
    appeler(kLecteur, QStringLiteral("Play"));
    const auto titre = [&] {
        return qdbus_cast<QVariantMap>(annonces().value(QStringLiteral("Metadata")))
            .value(QStringLiteral("xesam:title"));
    };
    ASSERT_TRUE(vt::test::attendre([&] { return titre() == QStringLiteral("Été"); }));
    const QVariantMap m = metadonnees();
    EXPECT_EQ(m.value(QStringLiteral("xesam:artist")).toStringList(),
              QStringList({QStringLiteral("Ana"), QStringLiteral("Bo")}));
    EXPECT_EQ(m.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Saisons"));
    EXPECT_EQ(m.value(QStringLiteral("xesam:trackNumber")).toInt(), 7);
    const QString url = m.value(QStringLiteral("mpris:artUrl")).toString();
    ASSERT_TRUE(url.startsWith(
        QString::fromStdString("file://" + dossier_bus.chemin() + "cache/vantrel/pochettes/")));
    EXPECT_EQ(vt::test::lire_fichier(QUrl(url).toLocalFile().toStdString()), jpeg);
    EXPECT_EQ(f1->label_affiche->text(), QStringLiteral("Lecture : a.mp3"));
    appeler(kLecteur, QStringLiteral("Next"));
    ASSERT_TRUE(vt::test::attendre([&] { return titre() == QStringLiteral("sans.wav"); }));
    for (const char* cle : {"xesam:artist", "xesam:album", "xesam:trackNumber", "mpris:artUrl"})
        EXPECT_FALSE(metadonnees().contains(QString::fromLatin1(cle))) << cle;
}

// Each track that starts, at a join as on a command, is announced by one
// change of Metadata already carrying its tags (not the file's name first,
// then the tags), also a file played again, whose tags are known at once;
// deleting another row announces no change of them.
TEST_F(Media, OneMetadataChangePerTrackCarryingTheTags) {
    service->attente_etiquettes_ms = 20000;  // far beyond a loaded machine's read
    const std::string mp3 = vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/ton440.mp3");
    auto piste = [&](const std::string& nom, const std::string& titre) {
        return app.ecrire(nom, vt::test::octets_id3v2({{"TIT2", "\x03" + titre}}) + mp3);
    };
    f1->deposer({piste("un.mp3", "Un"), piste("deux.mp3", "Deux"),
                 app.ecrire("autre.wav", vt::test::octets_wav(500))});
    module->lecteur->definir_boucle(true);
    ecouter(kProprietes, QStringLiteral("PropertiesChanged"));
    const auto titres = [&] {
        QStringList t;
        for (const QDBusMessage& s : ecouteur.messages) {
            const QVariantMap c =
                s.arguments().size() > 1 ? qdbus_cast<QVariantMap>(s.arguments()[1]) : QVariantMap();
            if (c.contains(QStringLiteral("Metadata")))
                t << qdbus_cast<QVariantMap>(c.value(QStringLiteral("Metadata")))
                         .value(QStringLiteral("xesam:title"))
                         .toString();
        }
        return t;
    };
    f1->selectionner(0);
    appeler(kLecteur, QStringLiteral("Play"));
    ASSERT_TRUE(vt::test::attendre([&] { return pomper_ms(20), titres().size() >= 4; }, 20000))
        << titres().join(u',').toStdString();
    f1->selectionner(1);
    clic(f1->image_del);
    vt::test::attendre([] { return false; }, 300);
    EXPECT_EQ(titres(), QStringList({QStringLiteral("Un"), QStringLiteral("Deux"),
                                     QStringLiteral("autre.wav"), QStringLiteral("Un")}));
    EXPECT_EQ(metadonnees().value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Un"));
}

// Changes are announced: those made over the bus at once, those made in
// the windows (a selection, the volume slider) soon after.
TEST_F(Media, PropertiesChangedAnnounced) {
    remplir(2);
    ecouter(kProprietes, QStringLiteral("PropertiesChanged"));
    f1->selectionner(0);
    ASSERT_TRUE(attendre_annonce(QStringLiteral("CanPlay")));
    EXPECT_TRUE(annonces().value(QStringLiteral("CanPlay")).toBool());
    EXPECT_FALSE(annonces().contains(QStringLiteral("Metadata")));  // a selection is no track
    appeler(kLecteur, QStringLiteral("Play"));
    ASSERT_TRUE(attendre_annonce(QStringLiteral("Metadata")));
    EXPECT_EQ(qdbus_cast<QVariantMap>(annonces().value(QStringLiteral("Metadata")))
                  .value(QStringLiteral("xesam:title"))
                  .toString(),
              QStringLiteral("t0.wav"));
    ASSERT_TRUE(attendre_annonce(QStringLiteral("PlaybackStatus")));
    EXPECT_EQ(annonces().value(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    appeler(kLecteur, QStringLiteral("Pause"));
    ASSERT_TRUE(vt::test::attendre([&] {
        return annonces().value(QStringLiteral("PlaybackStatus")).toString() == QStringLiteral("Paused");
    }));
    // The volume slider moved by hand: announced by the next timer tick.
    clic(f1->barre_volume, {10, 2});
    ASSERT_TRUE(attendre_annonce(QStringLiteral("Volume")));
    EXPECT_DOUBLE_EQ(annonces().value(QStringLiteral("Volume")).toDouble(),
                     vt::valeur_curseur(10, span_volume()) / 255.0);
}

// Volume moves the volume slider as a drag would (the channel and the
// cursor follow, the label is gone after); reading it gives the slider's.
TEST_F(Media, VolumeDrivesTheSlider) {
    remplir(1, 3000);
    f1->selectionner(0);
    appeler(kLecteur, QStringLiteral("Play"));
    ASSERT_TRUE(ecrire(QStringLiteral("Volume"), 0.5));
    EXPECT_EQ(offset_volume(), static_cast<int>(std::lround(0.5 * span_volume())));
    EXPECT_TRUE(f1->label_vol->isHidden());
    EXPECT_TRUE(montre(f1->curseur_volume, "image_volumeoff"));
    // Volume is the player's value: 0.5 of 255, not the cursor's place.
    EXPECT_EQ(module->lecteur->volume(), 128);
    EXPECT_DOUBLE_EQ(lire(kLecteur, QStringLiteral("Volume")).toDouble(), 128 / 255.0);
    ASSERT_TRUE(ecrire(QStringLiteral("Volume"), 0.3));
    EXPECT_EQ(module->lecteur->volume(), 77);
    EXPECT_DOUBLE_EQ(lire(kLecteur, QStringLiteral("Volume")).toDouble(), 77 / 255.0);
    EXPECT_EQ(offset_volume(), vt::offset_curseur(77, span_volume()));
    EXPECT_EQ(f1->label_vol->text(), QStringLiteral("30"));
    ASSERT_TRUE(ecrire(QStringLiteral("Volume"), 0.0));
    EXPECT_EQ(offset_volume(), 0);
    pomper_ms(200);  // the level ramps
    EXPECT_LT(crete(4410), 0.001f);
    // Full volume: the right end, which a click on the bar cannot reach.
    ASSERT_TRUE(ecrire(QStringLiteral("Volume"), 1.0));
    EXPECT_EQ(offset_volume(), span_volume());
    EXPECT_DOUBLE_EQ(lire(kLecteur, QStringLiteral("Volume")).toDouble(), 1.0);
    pomper_ms(200);
    EXPECT_GT(crete(4410), 0.3f);
    // Out of range: kept to the ends.
    ASSERT_TRUE(ecrire(QStringLiteral("Volume"), -3.0));
    EXPECT_EQ(offset_volume(), 0);
    ASSERT_TRUE(ecrire(QStringLiteral("Volume"), 7.0));
    EXPECT_EQ(offset_volume(), span_volume());
    // The slider moved by hand is what Volume reads.
    clic(f1->barre_volume, {30, 2});
    EXPECT_DOUBLE_EQ(lire(kLecteur, QStringLiteral("Volume")).toDouble(),
                     vt::valeur_curseur(30, span_volume()) / 255.0);
}

// SetPosition and Seek go to the very time asked (to the engine's
// millisecond), not to the nearest place of the position slider, whose
// cursor follows; a huge offset saturates instead of wrapping round.
TEST_F(Media, SeeksAreExactAndSaturate) {
    remplir(2, 4000);
    f1->selectionner(0);
    appeler(kLecteur, QStringLiteral("Play"));
    const auto id = metadonnees().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    const int span = f1->barre_position->width() - f1->curseur_position->width();
    for (qlonglong us : {1'234'567LL, 2'999'999LL, 17'000LL, 3'990'000LL}) {
        appeler(kLecteur, QStringLiteral("SetPosition"), {QVariant::fromValue(id), us});
        // Within the engine's rounding to a frame (the slider's steps here
        // are 12 ms).
        EXPECT_NEAR(temps(), us / 1000, 1) << us;
        EXPECT_EQ(f1->curseur_position->x() - f1->barre_position->x(),
                  static_cast<int>(us / 1000 * span / 4000));
        EXPECT_TRUE(joue());
        EXPECT_EQ(f1->index_courant(), 0);
    }
    appeler(kLecteur, QStringLiteral("SetPosition"), {QVariant::fromValue(id), qlonglong(1'000'000)});
    appeler(kLecteur, QStringLiteral("Seek"), {qlonglong(1'500'250)});
    EXPECT_NEAR(temps(), 2500, 1);
    // The largest offset back: the start; forward: past the end, the next.
    appeler(kLecteur, QStringLiteral("Seek"), {std::numeric_limits<qlonglong>::min()});
    EXPECT_EQ(temps(), 0);
    EXPECT_EQ(f1->index_courant(), 0);
    appeler(kLecteur, QStringLiteral("SetPosition"), {QVariant::fromValue(id), qlonglong(2'000'000)});
    appeler(kLecteur, QStringLiteral("Seek"), {std::numeric_limits<qlonglong>::max()});
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_TRUE(joue());
    EXPECT_LT(temps(), 50);
}

// SetPosition at 0, the last millisecond and the very end is taken (Seeked
// announces it); a microsecond past the end is not, and nothing moves.
TEST_F(Media, SetPositionTakesTheWholeTrackAndNothingPastIt) {
    remplir(1, 4000);
    f1->selectionner(0);
    appeler(kLecteur, QStringLiteral("Play"));
    ecouter(kLecteur, QStringLiteral("Seeked"));
    const QVariant id = metadonnees().value(QStringLiteral("mpris:trackid"));
    for (qlonglong us : {4'000'001LL, 0LL, 3'999'000LL, 4'000'000LL}) {
        appeler(kLecteur, QStringLiteral("SetPosition"), {id, qlonglong(1'000'000)});
        ASSERT_TRUE(vt::test::attendre([&] { return !ecouteur.messages.empty(); })) << us;
        ecouteur.messages.clear();
        appeler(kLecteur, QStringLiteral("SetPosition"), {id, us});
        EXPECT_EQ(vt::test::attendre([&] { return !ecouteur.messages.empty(); }, 300), us <= 4'000'000) << us;
        if (us != 4'000'000) {
            EXPECT_NEAR(temps(), us > 4'000'000 ? 1000 : us / 1000, 1) << us;
        }
    }
}

// Position is the engine's time; SetPosition and Seek move the stream and
// the position slider's cursor and announce the jump.
TEST_F(Media, PositionAndSeek) {
    remplir(2, 4000);
    f1->selectionner(0);
    EXPECT_FALSE(lire(kLecteur, QStringLiteral("CanSeek")).toBool());
    appeler(kLecteur, QStringLiteral("Play"));
    EXPECT_TRUE(lire(kLecteur, QStringLiteral("CanSeek")).toBool());
    pomper_ms(1000);
    EXPECT_NEAR(lire(kLecteur, QStringLiteral("Position")).toLongLong(), temps() * 1000, 1000);
    EXPECT_NEAR(temps(), 1000, 60);
    ecouter(kLecteur, QStringLiteral("Seeked"));
    const auto id = metadonnees().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    const int span = f1->barre_position->width() - f1->curseur_position->width();
    const auto pas_ms = 4000 / span + 1;  // the slider's resolution
    appeler(kLecteur, QStringLiteral("SetPosition"), {QVariant::fromValue(id), qlonglong(3'000'000)});
    EXPECT_NEAR(temps(), 3000, pas_ms);
    EXPECT_NEAR(f1->curseur_position->x() - f1->barre_position->x(), 3000.0 * span / 4000, 1);
    EXPECT_TRUE(montre(f1->curseur_position, "curseur_position_off"));
    ASSERT_TRUE(vt::test::attendre([&] { return !ecouteur.messages.empty(); }));
    EXPECT_NEAR(ecouteur.messages.back().arguments().value(0).toLongLong(), temps() * 1000, 1000);
    // Another track's id, or a place past the end: nothing.
    appeler(kLecteur, QStringLiteral("SetPosition"),
            {QVariant::fromValue(QDBusObjectPath(QStringLiteral("/vantrel/piste/1"))), qlonglong(500'000)});
    EXPECT_NEAR(temps(), 3000, pas_ms);
    appeler(kLecteur, QStringLiteral("SetPosition"), {QVariant::fromValue(id), qlonglong(9'000'000)});
    EXPECT_NEAR(temps(), 3000, pas_ms);
    // Seek back beyond the start: the start.
    appeler(kLecteur, QStringLiteral("Seek"), {qlonglong(-10'000'000)});
    EXPECT_LT(temps(), pas_ms);
    appeler(kLecteur, QStringLiteral("Seek"), {qlonglong(2'000'000)});
    EXPECT_NEAR(temps(), 2000, 2 * pas_ms);
    // Seek past the end: the next track, as the transport's next.
    appeler(kLecteur, QStringLiteral("Seek"), {qlonglong(5'000'000)});
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_TRUE(joue());
    // Stopped, there is nothing to seek in.
    appeler(kLecteur, QStringLiteral("Stop"));
    const int x = f1->curseur_position->x();
    appeler(kLecteur, QStringLiteral("Seek"), {qlonglong(1'000'000)});
    EXPECT_EQ(f1->curseur_position->x(), x);
    EXPECT_FALSE(joue());
}

// Raise brings the hidden player back; Quit ends as "Quitter" does, without
// writing the configuration.
TEST_F(Media, RaiseShowsAndQuitEnds) {
    f1->show();
    f1->tray_imageClick();
    ASSERT_FALSE(f1->isVisible());
    appeler(kRacine, QStringLiteral("Raise"));
    EXPECT_TRUE(f1->isVisible());
    EXPECT_FALSE(plateau().icone()->isVisible());
    f1->move(333, 222);
    const std::string avant = vt::test::lire_fichier(app / "vantrel.config");
    appeler(kRacine, QStringLiteral("Quit"));
    EXPECT_EQ(fins, 1);
    EXPECT_EQ(vt::test::lire_fichier(app / "vantrel.config"), avant);
}

// OpenUri takes a local file as a second start would: added and played.
TEST_F(Media, OpenUriAddsAndPlays) {
    remplir(1);
    const std::string c = app.ecrire("ouvert.wav", vt::test::octets_wav(1000));
    appeler(kLecteur, QStringLiteral("OpenUri"),
            {QStringLiteral("file://") +
             QString::fromLatin1(QByteArray::fromStdString(c).toPercentEncoding("/"))});
    ASSERT_EQ(module->liste.nombre(), 2);
    EXPECT_EQ(module->liste.chemin(1), c);
    EXPECT_EQ(f1->index_courant(), 1);
    EXPECT_TRUE(joue());
    appeler(kLecteur, QStringLiteral("OpenUri"), {QStringLiteral("http://example.org/x.mp3")});
    EXPECT_EQ(module->liste.nombre(), 2);
}

}  // namespace
