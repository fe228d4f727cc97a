#pragma once
// The media-player service of D-Bus desktops (MPRIS 2): media keys and the
// desktop's media controls drive the player through it. Its commands call
// the player's transport, as the notification-area menu does, so that every
// rule of the transport applies; its properties are read from the player,
// as the windows read them.
//
// The metadata name the playing track by its tags (title, artists, album,
// track number, picture) once they are read, by its file name until then.
// A track that starts is announced once, already with its tags: the change
// waits for them, up to attente_etiquettes_ms (a file read lately has them
// at once).
//
// It holds the player's door only: the metadata describe the entry that
// plays (never a row merely selected), and the two window actions (raise,
// quit) are given to it.
//
// Changes are found by comparing the properties with what was last
// announced: after each command, at the end of each tick of the player's
// clock and when the play list, its selection or the volume changes.
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace vt {

class LectureEtiquettes;
class PorteLecteur;

class ServiceMpris : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kNomService = "org.mpris.MediaPlayer2.vantrel";
    static constexpr const char* kChemin = "/org/mpris/MediaPlayer2";

    // What Raise and Quit do to the windows.
    struct Fenetres {
        std::function<void()> montrer;
        std::function<void()> quitter;
    };
    ServiceMpris(PorteLecteur& lecteur, Fenetres fenetres, QDBusConnection bus, QObject* parent = nullptr);
    ~ServiceMpris() override;

    // Exports the object and takes the bus name; when another player holds
    // the name, a name of this process's own (".instance" + its id) is
    // taken, as the media-player convention asks. False when neither works.
    bool enregistrer();
    const QString& nom_pris() const { return nom_; }

    // The properties, as the bus shows them.
    QString statut() const;  // "Playing", "Paused" or "Stopped"
    QVariantMap metadonnees() const;
    double volume() const;
    qlonglong position_us() const;
    bool peut_suivant() const;
    bool peut_precedent() const;
    bool peut_jouer() const;
    bool peut_pause() const;
    bool peut_chercher() const;

    // The commands.
    void lecture();
    void pause();
    void lecture_pause();
    void arret();
    void suivant();
    void precedent();
    void quitter();
    void montrer();
    void regler_volume(double v);
    void chercher(qlonglong decalage_us);
    void placer(const QDBusObjectPath& piste, qlonglong position_us);
    void ouvrir_uri(const QString& uri);

    // Compares the properties with those last announced and announces the
    // ones that changed (PropertiesChanged), and a jump of the playing
    // position (Seeked).
    void verifier();

    // How long the announcement of a track that starts waits for its tags;
    // past that, it names the file and the tags follow in a second change.
    int attente_etiquettes_ms = 400;

signals:
    void Seeked(qlonglong Position);

private:
    struct Etat {
        QString statut;
        QVariantMap metadonnees;
        double volume = 0;
        bool suivant = false, precedent = false, jouer = false, pause = false, chercher = false;
    };
    Etat etat() const;
    QDBusObjectPath piste() const;
    // The playing track's tags are asked for and not read yet.
    bool etiquettes_en_route() const;
    void aller_a(qlonglong position_us);  // seeks the player and announces the jump
    void noter_position();

    PorteLecteur& j_;
    Fenetres fenetres_;
    QDBusConnection bus_;
    QString nom_;
    bool exporte_ = false;
    Etat annonce_;
    // The position last seen and when, to tell a jump from playback.
    qlonglong position_vue_ = 0;
    QString statut_vu_;
    QString piste_vue_;
    QElapsedTimer depuis_vue_;
    // The track whose announcement waits for its tags, and since when.
    QString piste_attendue_;
    QElapsedTimer attente_;
    // The playing track's tags, read on a thread of their own.
    std::unique_ptr<LectureEtiquettes> etiquettes_;
};

// org.mpris.MediaPlayer2
class MprisRacine : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRacine(ServiceMpris* service);
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("vantrel"); }
    QString DesktopEntry() const { return QStringLiteral("vantrel"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const;

public slots:
    void Raise();
    void Quit();

private:
    ServiceMpris* s_;
};

// org.mpris.MediaPlayer2.Player
class MprisLecteur : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ MinimumRate)
    Q_PROPERTY(double MaximumRate READ MaximumRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisLecteur(ServiceMpris* service);
    QString PlaybackStatus() const { return s_->statut(); }
    double Rate() const { return 1.0; }
    void setRate(double) {}  // one rate only
    double MinimumRate() const { return 1.0; }
    double MaximumRate() const { return 1.0; }
    QVariantMap Metadata() const { return s_->metadonnees(); }
    double Volume() const { return s_->volume(); }
    void setVolume(double v) { s_->regler_volume(v); }
    qlonglong Position() const { return s_->position_us(); }
    bool CanGoNext() const { return s_->peut_suivant(); }
    bool CanGoPrevious() const { return s_->peut_precedent(); }
    bool CanPlay() const { return s_->peut_jouer(); }
    bool CanPause() const { return s_->peut_pause(); }
    bool CanSeek() const { return s_->peut_chercher(); }
    bool CanControl() const { return true; }

public slots:
    void Play() { s_->lecture(); }
    void Pause() { s_->pause(); }
    void PlayPause() { s_->lecture_pause(); }
    void Stop() { s_->arret(); }
    void Next() { s_->suivant(); }
    void Previous() { s_->precedent(); }
    void Seek(qlonglong Offset) { s_->chercher(Offset); }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) { s_->placer(TrackId, Position); }
    void OpenUri(const QString& Uri) { s_->ouvrir_uri(Uri); }

signals:
    void Seeked(qlonglong Position);

private:
    ServiceMpris* s_;
};

}  // namespace vt
