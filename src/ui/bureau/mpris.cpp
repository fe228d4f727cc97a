#include "ui/bureau/mpris.h"

#include "config/emplacements.h"
#include "player/porte_lecteur.h"
#include "player/regles.h"
#include "ui/bureau/bureau.h"
#include "ui/bureau/etiquettes.h"
#include "ui/bureau/instance.h"
#include "ui/bureau/plateforme.h"
#include "ui/bureau/types_mime.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vt {

namespace {

const QString kInterfaceLecteur = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kAucunePiste = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
constexpr qlonglong kSautUs = 2'000'000;  // a position this far from the expected one has jumped

// "file://" and the absolute path, its bytes percent-encoded as they are
// (a path need not be UTF-8).
QString url_fichier(const std::string& chemin) {
    const std::string absolu = chemin_absolu(chemin, dossier_courant());
    return QStringLiteral("file://") +
           QString::fromLatin1(QByteArray::fromStdString(absolu).toPercentEncoding("/"));
}

// What the tags add to the file's name and place: only what the file holds.
void ajouter_etiquettes(QVariantMap& m, const Etiquettes& e) {
    if (!e.artistes.isEmpty()) m.insert(QStringLiteral("xesam:artist"), e.artistes);
    if (!e.album.isEmpty()) m.insert(QStringLiteral("xesam:album"), e.album);
    if (e.piste > 0) m.insert(QStringLiteral("xesam:trackNumber"), e.piste);
    if (!e.fichier_image.empty()) m.insert(QStringLiteral("mpris:artUrl"), url_fichier(e.fichier_image));
}

}  // namespace

ServiceMpris::ServiceMpris(PorteLecteur& lecteur, Fenetres fenetres, QDBusConnection bus, QObject* parent)
    : QObject(parent),
      j_(lecteur),
      fenetres_(std::move(fenetres)),
      bus_(std::move(bus)),
      etiquettes_(std::make_unique<LectureEtiquettes>(dossier_images())) {
    connect(etiquettes_.get(), &LectureEtiquettes::lues, this, &ServiceMpris::verifier);
    new MprisRacine(this);
    new MprisLecteur(this);
}

ServiceMpris::~ServiceMpris() {
    if (!nom_.isEmpty()) bus_.unregisterService(nom_);
    if (exporte_) bus_.unregisterObject(QString::fromLatin1(kChemin));
}

bool ServiceMpris::enregistrer() {
    if (!bus_.isConnected()) return false;
    exporte_ = bus_.registerObject(QString::fromLatin1(kChemin), this, QDBusConnection::ExportAdaptors);
    if (!exporte_) return false;
    const QString nom = QString::fromLatin1(kNomService);
    const QString propre =
        nom + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
    for (const QString& n : {nom, propre}) {
        if (bus_.registerService(n)) {
            nom_ = n;
            break;
        }
    }
    if (nom_.isEmpty()) {
        bus_.unregisterObject(QString::fromLatin1(kChemin));
        exporte_ = false;
        return false;
    }
    annonce_ = etat();
    noter_position();

    // Where changes can come from: the end of each tick of the player's
    // clock covers the engine (a track that ends) and the windows' commands;
    // the player's signals make levels, edits, selections and tracks that
    // start or fail known at once.
    connect(&j_, &PorteLecteur::tic_fini, this, &ServiceMpris::verifier);
    auto plus_tard = [this] { QTimer::singleShot(0, this, &ServiceMpris::verifier); };
    connect(&j_, &PorteLecteur::entrees_changees, this, plus_tard);
    connect(&j_, &PorteLecteur::volume_change, this, plus_tard);
    connect(&j_, &PorteLecteur::lecture, this, plus_tard);
    connect(&j_, &PorteLecteur::lecture_impossible, this, plus_tard);
    return true;
}

// ---------------------------------------------------------------- properties

QString ServiceMpris::statut() const {
    const PorteLecteur& j = j_;
    if (j.en_pause()) return QStringLiteral("Paused");
    if (j.en_lecture()) return QStringLiteral("Playing");
    return QStringLiteral("Stopped");
}

// One id per started track: the same entry started again is a new track.
QDBusObjectPath ServiceMpris::piste() const {
    const std::optional<PisteJouee> p = j_.piste_jouee();
    return QDBusObjectPath(p ? QStringLiteral("/vantrel/lecture/%1").arg(p->numero) : kAucunePiste);
}

QVariantMap ServiceMpris::metadonnees() const {
    QVariantMap m;
    const QDBusObjectPath id = piste();
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(id));
    const std::optional<PisteJouee> p = j_.piste_jouee();
    if (!p) return m;
    // The file's name until its tags are read (never waited for), and when
    // they give no title.
    const Etiquettes* e = etiquettes_->pour(p->numero);
    if (!e) {
        etiquettes_->demander(p->numero, p->chemin);
        e = etiquettes_->pour(p->numero);  // a file read lately is known at once
    }
    m.insert(QStringLiteral("xesam:title"), e && !e->titre.isEmpty() ? e->titre : p->nom);
    if (e) ajouter_etiquettes(m, *e);
    m.insert(QStringLiteral("xesam:url"), url_fichier(p->chemin));
    const std::int64_t T = j_.longueur_ms();
    if (T > 0) m.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(T) * 1000);
    return m;
}

bool ServiceMpris::etiquettes_en_route() const {
    const std::optional<PisteJouee> p = j_.piste_jouee();
    return p && !etiquettes_->pour(p->numero);
}

double ServiceMpris::volume() const { return j_.volume() / 255.0; }

qlonglong ServiceMpris::position_us() const { return static_cast<qlonglong>(j_.temps_ms()) * 1000; }

bool ServiceMpris::peut_suivant() const { return j_.nombre_entrees() > 0; }

bool ServiceMpris::peut_precedent() const {
    return entree_voisine(j_.nombre_entrees(), j_.courant(), j_.aleatoire(), false) >= 0;
}

bool ServiceMpris::peut_jouer() const { return j_.courant() >= 0; }

bool ServiceMpris::peut_pause() const { return j_.en_lecture(); }

bool ServiceMpris::peut_chercher() const { return j_.en_lecture() && j_.longueur_ms() > 0; }

ServiceMpris::Etat ServiceMpris::etat() const {
    Etat e;
    e.statut = statut();
    e.metadonnees = metadonnees();
    e.volume = volume();
    e.suivant = peut_suivant();
    e.precedent = peut_precedent();
    e.jouer = peut_jouer();
    e.pause = peut_pause();
    e.chercher = peut_chercher();
    return e;
}

// ---------------------------------------------------------------- commands

// The commands call the player's transport, as the notification-area menu
// does; the windows repaint from the player's signals.

// Play while a track plays has no effect (it resumes a paused one, starts
// the selected entry otherwise); the skin's play button restarts it.
void ServiceMpris::lecture() {
    if (!j_.en_lecture() || j_.en_pause()) j_.jouer();
    verifier();
}

void ServiceMpris::pause() {
    j_.pause();
    verifier();
}

void ServiceMpris::lecture_pause() {
    PorteLecteur& j = j_;
    if (j.en_lecture() && !j.en_pause())
        j.pause();
    else
        j.jouer();
    verifier();
}

void ServiceMpris::arret() {
    j_.arreter();
    verifier();
}

void ServiceMpris::suivant() {
    j_.suivant();
    verifier();
}

void ServiceMpris::precedent() {
    j_.precedent();
    verifier();
}

void ServiceMpris::quitter() {
    if (fenetres_.quitter) fenetres_.quitter();
}

void ServiceMpris::montrer() {
    if (fenetres_.montrer) fenetres_.montrer();
}

void ServiceMpris::regler_volume(double v) {
    if (!std::isfinite(v)) return;
    j_.definir_volume(static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)));
    verifier();
}

void ServiceMpris::chercher(qlonglong decalage_us) {
    if (!peut_chercher()) return;
    // Saturating: a huge offset either way stays a huge target, never wraps.
    qlonglong cible;
    if (__builtin_add_overflow(position_us(), decalage_us, &cible))
        cible = decalage_us > 0 ? std::numeric_limits<qlonglong>::max() : 0;
    cible = std::max<qlonglong>(0, cible);
    const qlonglong T = static_cast<qlonglong>(j_.longueur_ms()) * 1000;
    if (cible > T) return suivant();  // past the end: as the next track
    aller_a(cible);
}

void ServiceMpris::placer(const QDBusObjectPath& id, qlonglong position) {
    if (!peut_chercher() || id.path() != piste().path()) return;
    if (position < 0 || position > static_cast<qlonglong>(j_.longueur_ms()) * 1000) return;
    aller_a(position);
}

void ServiceMpris::aller_a(qlonglong position) {
    // To that very time (the engine counts whole milliseconds), not to the
    // nearest place of the position slider.
    j_.aller_a_ms(position / 1000);
    noter_position();  // this jump is announced here, not again by verifier()
    verifier();
    emit Seeked(position_us());
}

void ServiceMpris::ouvrir_uri(const QString& uri) {
    const QUrl u(uri, QUrl::StrictMode);
    if (!u.isValid() || u.scheme() != QStringLiteral("file")) return;
    if (!u.host().isEmpty() && u.host() != QStringLiteral("localhost")) return;
    const QByteArray chemin = QByteArray::fromPercentEncoding(u.path(QUrl::FullyEncoded).toLatin1());
    if (chemin.isEmpty()) return;
    recevoir_fichiers(j_, {chemin.toStdString()}, true);
    verifier();
}

// ---------------------------------------------------------------- changes

void ServiceMpris::verifier() {
    if (!exporte_) return;
    Etat e = etat();
    // A new track is announced once, with its tags: until they are read (for
    // a bounded time), the metadata announced stay as they were.
    const QString id = piste().path();
    const auto id_annonce =
        annonce_.metadonnees.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    if (id != id_annonce.path() && etiquettes_en_route()) {
        if (piste_attendue_ != id) {
            piste_attendue_ = id;
            attente_.start();
            QTimer::singleShot(attente_etiquettes_ms, this, &ServiceMpris::verifier);
        }
        if (attente_.elapsed() < attente_etiquettes_ms) e.metadonnees = annonce_.metadonnees;
    }
    QVariantMap changes;
    if (e.statut != annonce_.statut) changes.insert(QStringLiteral("PlaybackStatus"), e.statut);
    if (e.metadonnees != annonce_.metadonnees) changes.insert(QStringLiteral("Metadata"), e.metadonnees);
    if (e.volume != annonce_.volume) changes.insert(QStringLiteral("Volume"), e.volume);
    if (e.suivant != annonce_.suivant) changes.insert(QStringLiteral("CanGoNext"), e.suivant);
    if (e.precedent != annonce_.precedent) changes.insert(QStringLiteral("CanGoPrevious"), e.precedent);
    if (e.jouer != annonce_.jouer) changes.insert(QStringLiteral("CanPlay"), e.jouer);
    if (e.pause != annonce_.pause) changes.insert(QStringLiteral("CanPause"), e.pause);
    if (e.chercher != annonce_.chercher) changes.insert(QStringLiteral("CanSeek"), e.chercher);
    annonce_ = e;
    if (!changes.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kChemin),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << kInterfaceLecteur << changes << QStringList();
        bus_.send(signal);
    }

    // The position is not announced as it goes (listeners ask for it), only
    // when it jumps: the same track, playing or paused both times, and the
    // position far from where playback would have brought it.
    const qlonglong pos = position_us();
    if (e.statut == statut_vu_ && id == piste_vue_ && e.statut != QStringLiteral("Stopped")) {
        qlonglong attendu = position_vue_;
        if (e.statut == QStringLiteral("Playing")) attendu += depuis_vue_.elapsed() * 1000;
        if (std::llabs(pos - attendu) > kSautUs) emit Seeked(pos);
    }
    noter_position();
}

void ServiceMpris::noter_position() {
    position_vue_ = position_us();
    statut_vu_ = statut();
    piste_vue_ = piste().path();
    depuis_vue_.restart();
}

// ---------------------------------------------------------------- adaptors

MprisRacine::MprisRacine(ServiceMpris* service) : QDBusAbstractAdaptor(service), s_(service) {}

QStringList MprisRacine::SupportedMimeTypes() const {
    // Those the desktop entry declares.
    return QString::fromLatin1(kTypesMime).split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

void MprisRacine::Raise() { s_->montrer(); }
void MprisRacine::Quit() { s_->quitter(); }

MprisLecteur::MprisLecteur(ServiceMpris* service) : QDBusAbstractAdaptor(service), s_(service) {
    setAutoRelaySignals(true);
}

}  // namespace vt
