#include "ui/bureau/mpris.h"

#include "player/lecteur.h"
#include "player/regles.h"
#include "playlist/liste_courante.h"
#include "ui/bureau/instance.h"
#include "ui/bureau/plateforme.h"
#include "ui/bureau/types_mime.h"
#include "ui/module.h"

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
    std::string absolu = chemin;
    if (!absolu.empty() && absolu.front() != '/') {
        std::string dossier = dossier_courant();
        if (!dossier.empty() && dossier.back() != '/') dossier += '/';
        absolu = dossier + absolu;
    }
    return QStringLiteral("file://") +
           QString::fromLatin1(QByteArray::fromStdString(absolu).toPercentEncoding("/"));
}

}  // namespace

ServiceMpris::ServiceMpris(ModuleVantrel& module, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_(module), bus_(std::move(bus)) {
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
    const QString propre = nom + QStringLiteral(".instance") + QString::number(QCoreApplication::applicationPid());
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
    // the player's and the list's own signals make levels, edits and
    // selections known at once.
    connect(m_.joueur.get(), &Lecteur::tic_fini, this, &ServiceMpris::verifier);
    auto plus_tard = [this] { QTimer::singleShot(0, this, &ServiceMpris::verifier); };
    connect(&m_.joueur->selection(), &QItemSelectionModel::selectionChanged, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::rowsInserted, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::rowsRemoved, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::rowsMoved, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::modelReset, this, plus_tard);
    connect(m_.joueur.get(), &Lecteur::volume_change, this, plus_tard);
    return true;
}

// ---------------------------------------------------------------- properties

QString ServiceMpris::statut() const {
    const Lecteur& j = *m_.joueur;
    if (j.en_pause()) return QStringLiteral("Paused");
    if (j.en_lecture()) return QStringLiteral("Playing");
    return QStringLiteral("Stopped");
}

QDBusObjectPath ServiceMpris::piste() const {
    const int i = m_.joueur->courant();
    return QDBusObjectPath(i < 0 ? kAucunePiste : QStringLiteral("/vantrel/piste/%1").arg(i));
}

QVariantMap ServiceMpris::metadonnees() const {
    QVariantMap m;
    const QDBusObjectPath id = piste();
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(id));
    const int i = m_.joueur->courant();
    if (i < 0) return m;
    m.insert(QStringLiteral("xesam:title"), m_.liste.data(m_.liste.index(i, 0), Qt::DisplayRole).toString());
    m.insert(QStringLiteral("xesam:url"), url_fichier(m_.liste.chemin(i)));
    const std::int64_t T = m_.joueur->longueur_ms();
    if (T > 0) m.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(T) * 1000);
    return m;
}

double ServiceMpris::volume() const { return m_.joueur->volume() / 255.0; }

qlonglong ServiceMpris::position_us() const { return static_cast<qlonglong>(m_.joueur->temps_ms()) * 1000; }

bool ServiceMpris::peut_suivant() const { return m_.liste.nombre() > 0; }

bool ServiceMpris::peut_precedent() const {
    return entree_voisine(m_.liste.nombre(), m_.joueur->courant(), m_.joueur->aleatoire(), false) >= 0;
}

bool ServiceMpris::peut_jouer() const { return m_.joueur->courant() >= 0; }

bool ServiceMpris::peut_pause() const { return m_.joueur->en_lecture(); }

bool ServiceMpris::peut_chercher() const { return m_.joueur->en_lecture() && m_.joueur->longueur_ms() > 0; }

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

void ServiceMpris::lecture() {
    m_.joueur->jouer();
    verifier();
}

void ServiceMpris::pause() {
    m_.joueur->pause();
    verifier();
}

void ServiceMpris::lecture_pause() {
    Lecteur& j = *m_.joueur;
    if (j.en_lecture() && !j.en_pause()) j.pause();
    else j.jouer();
    verifier();
}

void ServiceMpris::arret() {
    m_.joueur->arreter();
    verifier();
}

void ServiceMpris::suivant() {
    m_.joueur->suivant();
    verifier();
}

void ServiceMpris::precedent() {
    m_.joueur->precedent();
    verifier();
}

void ServiceMpris::quitter() { m_.terminer(); }

void ServiceMpris::montrer() { montrer_lecteur(m_); }

void ServiceMpris::regler_volume(double v) {
    if (!std::isfinite(v)) return;
    m_.joueur->definir_volume(static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)));
    verifier();
}

void ServiceMpris::chercher(qlonglong decalage_us) {
    if (!peut_chercher()) return;
    // Saturating: a huge offset either way stays a huge target, never wraps.
    qlonglong cible;
    if (__builtin_add_overflow(position_us(), decalage_us, &cible))
        cible = decalage_us > 0 ? std::numeric_limits<qlonglong>::max() : 0;
    cible = std::max<qlonglong>(0, cible);
    const qlonglong T = static_cast<qlonglong>(m_.joueur->longueur_ms()) * 1000;
    if (cible > T) return suivant();  // past the end: as the next track
    aller_a(cible);
}

void ServiceMpris::placer(const QDBusObjectPath& id, qlonglong position) {
    if (!peut_chercher() || id.path() != piste().path()) return;
    if (position < 0 || position > static_cast<qlonglong>(m_.joueur->longueur_ms()) * 1000) return;
    aller_a(position);
}

void ServiceMpris::aller_a(qlonglong position) {
    // To that very time (the engine counts whole milliseconds), not to the
    // nearest place of the position slider.
    m_.joueur->aller_a_ms(position / 1000);
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
    recevoir_fichier(m_, chemin.toStdString());
    verifier();
}

// ---------------------------------------------------------------- changes

void ServiceMpris::verifier() {
    if (!exporte_) return;
    const Etat e = etat();
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
    const QString id = piste().path();
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
