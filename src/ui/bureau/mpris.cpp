#include "ui/bureau/mpris.h"

#include "player/regles.h"
#include "playlist/liste_courante.h"
#include "ui/bureau/instance.h"
#include "ui/bureau/plateforme.h"
#include "ui/module.h"
#include "ui/tform1.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>

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
    if (!bus_.isConnected() || !m_.Form1) return false;
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

    // Where changes can come from: the timer's tick covers the engine (a
    // track that ends, a slider moved by hand); the list's own signals make
    // edits and selections known at once.
    TForm1* f = m_.Form1;
    connect(f->Timer1, &QTimer::timeout, this, &ServiceMpris::verifier);
    auto plus_tard = [this] { QTimer::singleShot(0, this, &ServiceMpris::verifier); };
    connect(f->list_lecture->selectionModel(), &QItemSelectionModel::selectionChanged, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::rowsInserted, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::rowsRemoved, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::rowsMoved, this, plus_tard);
    connect(&m_.liste, &QAbstractItemModel::modelReset, this, plus_tard);
    return true;
}

// ---------------------------------------------------------------- properties

QString ServiceMpris::statut() const {
    const lecteur_media& lm = *m_.lecteur;
    if (lm.moteur.en_pause(lm.canal)) return QStringLiteral("Paused");
    if (lm.moteur.en_lecture(lm.canal)) return QStringLiteral("Playing");
    return QStringLiteral("Stopped");
}

QDBusObjectPath ServiceMpris::piste() const {
    const int i = m_.Form1 ? m_.Form1->index_courant() : -1;
    return QDBusObjectPath(i < 0 ? kAucunePiste : QStringLiteral("/vantrel/piste/%1").arg(i));
}

QVariantMap ServiceMpris::metadonnees() const {
    QVariantMap m;
    const QDBusObjectPath id = piste();
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(id));
    const int i = m_.Form1 ? m_.Form1->index_courant() : -1;
    if (i < 0) return m;
    m.insert(QStringLiteral("xesam:title"), m_.liste.data(m_.liste.index(i, 0), Qt::DisplayRole).toString());
    m.insert(QStringLiteral("xesam:url"), url_fichier(m_.liste.chemin(i)));
    const lecteur_media& lm = *m_.lecteur;
    const std::int64_t T = lm.flux != 0 ? lm.moteur.longueur_ms(lm.flux) : 0;
    if (T > 0) m.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(T) * 1000);
    return m;
}

double ServiceMpris::volume() const {
    const TForm1* f = m_.Form1;
    const int span = f->barre_volume->width() - f->curseur_volume->width();
    return valeur_curseur(f->curseur_volume->x() - f->barre_volume->x(), span) / 255.0;
}

qlonglong ServiceMpris::position_us() const {
    const lecteur_media& lm = *m_.lecteur;
    if (lm.flux == 0) return 0;
    return static_cast<qlonglong>(lm.moteur.temps_ms(lm.flux)) * 1000;
}

bool ServiceMpris::peut_suivant() const { return m_.liste.nombre() > 0; }

bool ServiceMpris::peut_precedent() const {
    const int i = m_.Form1->index_courant();
    if (m_.liste.nombre() == 0) return false;
    return i > 0 || (i == 0 && m_.Form1->check_random->isChecked());
}

bool ServiceMpris::peut_jouer() const { return m_.Form1->index_courant() >= 0; }

bool ServiceMpris::peut_pause() const { return m_.lecteur->moteur.en_lecture(m_.lecteur->canal); }

bool ServiceMpris::peut_chercher() const {
    const lecteur_media& lm = *m_.lecteur;
    return lm.moteur.en_lecture(lm.canal) && lm.moteur.longueur_ms(lm.flux) > 0;
}

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

void ServiceMpris::lecture() {
    m_.Form1->Play1Click();
    verifier();
}

void ServiceMpris::pause() {
    m_.Form1->Pause1Click();
    verifier();
}

void ServiceMpris::lecture_pause() {
    const lecteur_media& lm = *m_.lecteur;
    if (lm.moteur.en_lecture(lm.canal) && !lm.moteur.en_pause(lm.canal)) m_.Form1->Pause1Click();
    else m_.Form1->Play1Click();
    verifier();
}

void ServiceMpris::arret() {
    m_.Form1->Stop1Click();
    verifier();
}

void ServiceMpris::suivant() {
    m_.Form1->Next1Click();
    verifier();
}

void ServiceMpris::precedent() {
    m_.Form1->Back1Click();
    verifier();
}

void ServiceMpris::quitter() { m_.Form1->Quitter1Click(); }

void ServiceMpris::montrer() { montrer_lecteur(m_); }

void ServiceMpris::regler_volume(double v) {
    TForm1* f = m_.Form1;
    const int span = f->barre_volume->width() - f->curseur_volume->width();
    if (!std::isfinite(v) || span <= 0) return;
    // The cursor is dragged to the place of that volume, so the channel,
    // the cursor's pictures and its label all follow as under the mouse.
    const int offset = static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * span));
    const int cible = f->barre_volume->x() + offset;
    f->curseur_volumeMouseDown(Qt::LeftButton, Qt::LeftButton, 0, 0);
    f->curseur_volumeMouseMove(Qt::LeftButton, cible - f->curseur_volume->x(), 0);
    f->curseur_volumeMouseUp(Qt::LeftButton, Qt::NoButton, 0, 0);
    verifier();
}

void ServiceMpris::chercher(qlonglong decalage_us) {
    if (!peut_chercher()) return;
    const lecteur_media& lm = *m_.lecteur;
    const qlonglong T = static_cast<qlonglong>(lm.moteur.longueur_ms(lm.flux)) * 1000;
    const qlonglong cible = std::max<qlonglong>(0, position_us() + decalage_us);
    if (cible > T) return suivant();  // past the end: as the next track
    placer(piste(), cible);
}

void ServiceMpris::placer(const QDBusObjectPath& id, qlonglong position) {
    if (!peut_chercher() || id.path() != piste().path()) return;
    const lecteur_media& lm = *m_.lecteur;
    const std::int64_t T = lm.moteur.longueur_ms(lm.flux);
    if (position < 0 || position / 1000 > T) return;
    TForm1* f = m_.Form1;
    const int span = f->barre_position->width() - f->curseur_position->width();
    if (span <= 0) return;
    // Through the position slider: the cursor goes to the place nearest
    // that time and the slider's own rule seeks (silenced meanwhile).
    const double ms = static_cast<double>(position / 1000);
    const int offset = std::clamp(static_cast<int>(std::lround(ms * span / static_cast<double>(T))), 0, span);
    const int cible = f->barre_position->x() + offset;
    f->curseur_positionMouseDown(Qt::LeftButton, Qt::LeftButton, 0, 0);
    f->curseur_positionMouseMove(Qt::LeftButton, cible - f->curseur_position->x(), 0);
    f->curseur_positionMouseUp(Qt::LeftButton, Qt::NoButton, 0, 0);
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
    if (!exporte_ || !m_.Form1) return;
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
    return {QStringLiteral("audio/mpeg"),   QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav"),
            QStringLiteral("audio/x-ms-wma"), QStringLiteral("audio/ogg"),  QStringLiteral("audio/flac")};
}

void MprisRacine::Raise() { s_->montrer(); }
void MprisRacine::Quit() { s_->quitter(); }

MprisLecteur::MprisLecteur(ServiceMpris* service) : QDBusAbstractAdaptor(service), s_(service) {
    setAutoRelaySignals(true);
}

}  // namespace vt
