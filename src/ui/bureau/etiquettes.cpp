#include "ui/bureau/etiquettes.h"

#include "config/emplacements.h"
#include "ui/bureau/etiquettes_bornes.h"

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
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdlib>

namespace vt {

namespace {

// TagLib keeps a text as one unit per wide character, where a UTF-16 tag
// leaves each half of a surrogate pair on its own: taken unit by unit, they
// pair again (and a lone half is dropped, not the whole text).
QString texte(const TagLib::String& s) {
    QString brut;
    std::size_t n = 0;
    for (auto it = s.begin(); it != s.end() && n < 4 * kMaxCaracteres;
         ++it, ++n) {  // room for what is dropped
        const auto c = static_cast<std::uint32_t>(*it);
        if (c < 0x10000)
            brut += QChar(char16_t(c));
        else if (c <= 0x10FFFF)
            brut += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    }
    return texte_montrable(brut, kMaxCaracteres);
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
        if (v.isEmpty() || v.size() > kMaxImage || !image_entiere({v.data(), v.size()})) return;
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
    // Tags beyond what the player lets one file cost are not read at all.
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return e;
    const bool raisonnables = etiquettes_raisonnables(fd);
    ::close(fd);
    if (!raisonnables) return e;
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
    if (ext.empty() || !image_entiere(octets) || dossier.empty() || !creer_dossiers(dossier)) return {};
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

namespace {

// The stack of the tags thread: TagLib walks nested structures by
// recursion; the bounds checked first keep it shallow, and this leaves room
// for what they do not know. Only the pages used are ever taken.
constexpr std::size_t kPileFil = 64u << 20;

void* executer(void* tache) {
    (*static_cast<std::function<void()>*>(tache))();
    return nullptr;
}

}  // namespace

LectureEtiquettes::LectureEtiquettes(std::string dossier_images, Lire lire, QObject* parent)
    : QObject(parent), dossier_(std::move(dossier_images)), lire_(std::move(lire)) {}

LectureEtiquettes::~LectureEtiquettes() {
    {
        std::lock_guard<std::mutex> v(verrou_);
        fin_ = true;
    }
    reveil_.notify_all();
    if (fil_lance_) pthread_join(fil_, nullptr);
}

void LectureEtiquettes::demander(std::uint64_t numero, const std::string& chemin) {
    if (numero == demande_) return;
    demande_ = numero;
    // A file read lately (a loop, a track played again) is known at once.
    const auto connu =
        std::find_if(cache_.begin(), cache_.end(), [&](const auto& c) { return c.first == chemin; });
    if (connu != cache_.end()) {
        lu_.emplace(numero, connu->second);
        return;
    }
    {
        std::lock_guard<std::mutex> v(verrou_);
        attente_.emplace(numero, chemin);
    }
    reveil_.notify_one();
    if (fil_lance_) return;
    tache_ = [this] { travailler(); };
    // A thread with the stack asked for, or failing that (a tight limit on
    // the address space) the system's usual one.
    pthread_attr_t a;
    pthread_attr_init(&a);
    pthread_attr_setstacksize(&a, kPileFil);
    fil_lance_ = pthread_create(&fil_, &a, executer, &tache_) == 0 ||
                 pthread_create(&fil_, nullptr, executer, &tache_) == 0;
    pthread_attr_destroy(&a);
}

const Etiquettes* LectureEtiquettes::pour(std::uint64_t numero) const {
    return lu_ && lu_->first == numero ? &lu_->second : nullptr;
}

Etiquettes LectureEtiquettes::lire_et_ranger(const std::string& chemin) const {
    // Whatever TagLib or the system throws (a failed allocation first) ends
    // this file's reading, not the player.
    Etiquettes e;
    try {
        e = lire_(chemin);
        if (!e.image.empty()) e.fichier_image = ecrire_image(dossier_, e.image);
    } catch (...) {
        e = Etiquettes{};
    }
    e.image.clear();
    e.image.shrink_to_fit();
    return e;
}

void LectureEtiquettes::travailler() {
    std::unique_lock<std::mutex> v(verrou_);
    for (;;) {
        reveil_.wait(v, [this] { return fin_ || attente_; });
        if (fin_) return;
        const auto [numero, chemin] = *std::move(attente_);
        attente_.reset();
        v.unlock();
        Etiquettes e = lire_et_ranger(chemin);
#if defined(__GLIBC__)
        // What TagLib built for a large tag goes back to the system, not
        // kept by the allocator for good.
        malloc_trim(0);
#endif
        // Handed over while this object lives: the destructor waits for
        // this thread, and a call still queued then is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this, numero = numero, chemin = chemin, e = std::move(e)]() mutable {
                recevoir(numero, chemin, std::move(e));
            },
            Qt::QueuedConnection);
        v.lock();
    }
}

void LectureEtiquettes::recevoir(std::uint64_t numero, const std::string& chemin, Etiquettes e) {
    std::erase_if(cache_, [&](const auto& c) { return c.first == chemin; });
    cache_.emplace_front(chemin, e);
    if (cache_.size() > kCache) cache_.pop_back();
    if (numero != demande_) return;  // a track started since: these tags are not its own
    lu_.emplace(numero, std::move(e));
    emit lues(numero);
}

}  // namespace vt
