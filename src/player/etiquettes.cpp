#include "player/etiquettes.h"

#include "config/emplacements.h"

#include <QCryptographicHash>
#include <QMetaObject>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace vt {

namespace {

QString texte(const TagLib::String& s) {
    return QString::fromStdString(s.substr(0, kMaxCaracteres).to8Bit(true)).trimmed();
}

QString premier(const TagLib::PropertyMap& p, const char* cle) {
    const auto it = p.find(cle);
    if (it == p.end()) return {};
    for (const TagLib::String& s : it->second)
        if (QString t = texte(s); !t.isEmpty()) return t;
    return {};
}

// "3", "03/12": the number before any '/'; 0 for anything else.
int numero_piste(const QString& s) {
    const QString avant = s.section(QLatin1Char('/'), 0, 0).trimmed();
    bool ok = false;
    const int n = avant.toInt(&ok);
    return ok && n > 0 ? n : 0;
}

// The pictures a tag holds, as (type, bytes) in the tag's order; the type
// numbers are ID3v2's, which FLAC, Vorbis comments and ASF share (3: front
// cover).
struct Choix {
    int type = -1;
    TagLib::ByteVector octets;
    void proposer(int t, const TagLib::ByteVector& v) {
        if (v.isEmpty() || v.size() > kMaxImage || extension_image({v.data(), v.size()}).empty()) return;
        if (octets.isEmpty() || (t == 3 && type != 3)) {
            type = t;
            octets = v;
        }
    }
};

void images_id3v2(const TagLib::ID3v2::Tag* tag, Choix& c) {
    if (!tag) return;
    const auto& cadres = tag->frameListMap();
    const auto it = cadres.find("APIC");
    if (it == cadres.end()) return;
    for (const TagLib::ID3v2::Frame* f : it->second)
        if (auto* a = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(f))
            c.proposer(a->type(), a->picture());
}

void images_flac(const TagLib::List<TagLib::FLAC::Picture*>& liste, Choix& c) {
    for (const TagLib::FLAC::Picture* p : liste) c.proposer(p->type(), p->data());
}

void images_ape(const TagLib::APE::Tag* tag, Choix& c) {
    if (!tag) return;
    const auto& items = tag->itemListMap();
    const auto it = items.find("COVER ART (FRONT)");
    if (it == items.end()) return;
    // The item's file name, a zero byte, then the picture.
    const TagLib::ByteVector v = it->second.binaryData();
    const int zero = v.find('\0');
    if (zero >= 0) c.proposer(3, v.mid(zero + 1));
}

TagLib::ByteVector image(TagLib::File* f) {
    namespace T = TagLib;
    Choix c;
    if (auto* x = dynamic_cast<T::Ogg::XiphComment*>(f->tag())) {
        images_flac(x->pictureList(), c);
    } else if (auto* i = dynamic_cast<T::ID3v2::Tag*>(f->tag())) {  // AIFF
        images_id3v2(i, c);
    } else if (auto* m = dynamic_cast<T::MPEG::File*>(f)) {
        images_id3v2(m->ID3v2Tag(false), c);
        if (c.octets.isEmpty()) images_ape(m->APETag(false), c);
    } else if (auto* fl = dynamic_cast<T::FLAC::File*>(f)) {
        images_flac(fl->pictureList(), c);
        if (c.octets.isEmpty()) images_id3v2(fl->ID3v2Tag(false), c);
    } else if (auto* w = dynamic_cast<T::RIFF::WAV::File*>(f)) {
        images_id3v2(w->ID3v2Tag(), c);
    } else if (auto* mp4 = dynamic_cast<T::MP4::File*>(f)) {
        if (mp4->tag() && mp4->tag()->contains("covr"))
            for (const T::MP4::CoverArt& a : mp4->tag()->item("covr").toCoverArtList())
                c.proposer(-1, a.data());
    } else if (auto* asf = dynamic_cast<T::ASF::File*>(f)) {
        if (asf->tag())
            for (const T::ASF::Attribute& a : asf->tag()->attribute("WM/Picture")) {
                const T::ASF::Picture p = a.toPicture();
                if (p.isValid()) c.proposer(p.type(), p.picture());
            }
    } else if (auto* ape = dynamic_cast<T::APE::File*>(f)) {
        images_ape(ape->APETag(false), c);
    } else if (auto* wv = dynamic_cast<T::WavPack::File*>(f)) {
        images_ape(wv->APETag(false), c);
    } else if (auto* mpc = dynamic_cast<T::MPC::File*>(f)) {
        images_ape(mpc->APETag(false), c);
    }
    return c.octets;
}

}  // namespace

Etiquettes lire_etiquettes(const std::string& chemin) {
    Etiquettes e;
    // A pipe or a device would block the read or never end.
    struct stat st {};
    if (chemin.empty() || chemin.find('\0') != std::string::npos || ::stat(chemin.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return e;
    const TagLib::FileRef f(chemin.c_str(), false);
    if (f.isNull()) return e;
    const TagLib::PropertyMap p = f.file()->properties();
    e.titre = premier(p, "TITLE");
    e.album = premier(p, "ALBUM");
    e.piste = numero_piste(premier(p, "TRACKNUMBER"));
    if (const auto it = p.find("ARTIST"); it != p.end()) {
        for (const TagLib::String& s : it->second) {
            if (e.artistes.size() >= kMaxArtistes) break;
            if (QString t = texte(s); !t.isEmpty()) e.artistes.append(t);
        }
    }
    const TagLib::ByteVector v = image(f.file());
    e.image.assign(v.data(), v.size());
    return e;
}

std::string_view extension_image(std::string_view o) {
    const auto commence = [&](std::string_view debut, std::size_t a = 0) {
        return o.substr(a, debut.size()) == debut;
    };
    if (commence("\xFF\xD8\xFF")) return ".jpg";
    if (commence("\x89PNG\r\n\x1A\n")) return ".png";
    if (commence("GIF87a") || commence("GIF89a")) return ".gif";
    if (commence("BM") && o.size() > 54) return ".bmp";
    if (commence("RIFF") && commence("WEBP", 8)) return ".webp";
    return {};
}

std::string ecrire_image(const std::string& dossier, std::string_view octets) {
    const std::string_view ext = extension_image(octets);
    if (ext.empty() || dossier.empty() || !creer_dossiers(dossier)) return {};
    const QByteArray hash = QCryptographicHash::hash(QByteArrayView(octets.data(), qsizetype(octets.size())),
                                                     QCryptographicHash::Sha256)
                                .toHex();
    std::string chemin = dossier;
    if (chemin.back() != '/') chemin += '/';
    chemin += hash.toStdString() + std::string(ext);
    // Already there, whole (a file cut short by a crash has another size).
    struct stat st {};
    if (::lstat(chemin.c_str(), &st) == 0 && S_ISREG(st.st_mode) && std::size_t(st.st_size) == octets.size())
        return chemin;

    std::string modele = chemin + ".XXXXXX";
    const int fd = ::mkstemp(modele.data());
    if (fd < 0) return {};
    bool ok = true;
    for (std::size_t fait = 0; ok && fait < octets.size();) {
        const ssize_t n = ::write(fd, octets.data() + fait, octets.size() - fait);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) fait += std::size_t(n);
    }
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(modele.c_str(), chemin.c_str()) == 0;
    if (!ok) ::unlink(modele.c_str());
    return ok ? chemin : std::string();
}

std::string dossier_images() {
    const std::string base =
        dossier_xdg([](const char* v) { return std::getenv(v); }, "XDG_CACHE_HOME", ".cache");
    return base.empty() ? base : base + "vantrel/pochettes/";
}

// ---------------------------------------------------------------- the reading thread

LectureEtiquettes::LectureEtiquettes(std::string dossier_images, Lire lire, QObject* parent)
    : QObject(parent), dossier_(std::move(dossier_images)), lire_(std::move(lire)) {}

LectureEtiquettes::~LectureEtiquettes() {
    {
        std::lock_guard<std::mutex> v(verrou_);
        fin_ = true;
    }
    reveil_.notify_all();
    if (fil_.joinable()) fil_.join();
}

void LectureEtiquettes::demander(std::uint64_t numero, const std::string& chemin) {
    if (numero == demande_) return;
    demande_ = numero;
    {
        std::lock_guard<std::mutex> v(verrou_);
        attente_.emplace(numero, chemin);
    }
    reveil_.notify_one();
    if (!fil_.joinable()) fil_ = std::thread([this] { travailler(); });
}

const Etiquettes* LectureEtiquettes::pour(std::uint64_t numero) const {
    return lu_ && lu_->first == numero ? &lu_->second : nullptr;
}

void LectureEtiquettes::travailler() {
    std::unique_lock<std::mutex> v(verrou_);
    for (;;) {
        reveil_.wait(v, [this] { return fin_ || attente_; });
        if (fin_) return;
        const auto [numero, chemin] = *std::move(attente_);
        attente_.reset();
        v.unlock();
        Etiquettes e = lire_(chemin);
        if (!e.image.empty()) {
            e.fichier_image = ecrire_image(dossier_, e.image);
            e.image.clear();
            e.image.shrink_to_fit();
        }
        // Handed over while this object lives: the destructor waits for
        // this thread, and a call still queued then is dropped with it.
        QMetaObject::invokeMethod(
            this, [this, numero = numero, e = std::move(e)]() mutable { recevoir(numero, std::move(e)); },
            Qt::QueuedConnection);
        v.lock();
    }
}

void LectureEtiquettes::recevoir(std::uint64_t numero, Etiquettes e) {
    if (numero != demande_) return;  // a track started since: these tags are not its own
    lu_.emplace(numero, std::move(e));
    emit lues(numero);
}

}  // namespace vt
