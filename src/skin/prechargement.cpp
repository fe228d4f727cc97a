#include "skin/prechargement.h"

#include "config/configuration.h"
#include "config/gestion_vantrel.h"
#include "skin/bmp.h"
#include "skin/elements.h"

#include <QBuffer>
#include <QImageReader>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <set>

namespace vt {

namespace {

// With a format named and `seul_format`, only that format's reader is tried
// (no image plug-in is loaded to recognise the content).
QImage decoder(const QByteArray& octets, const QByteArray& format, bool seul_format = false) {
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, format);
    if (seul_format) lecteur.setAutoDetectImageFormat(false);
    return lecteur.read();
}

std::string extension(const std::string& chemin) {
    std::size_t point = chemin.rfind('.');
    std::size_t sep = dernier_separateur(chemin);
    if (point == std::string::npos || (sep != std::string::npos && point < sep)) return {};
    return chemin.substr(point + 1);
}

constexpr qint64 kTailleImageMax = qint64(256) << 20;

std::atomic<ImagesPrechargees*> g_installees{nullptr};

ImagesPrechargees::Identite depuis(const struct stat& st) {
    ImagesPrechargees::Identite id;
    id.appareil = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
    id.taille = static_cast<long long>(st.st_size);
    id.mtime_s = static_cast<long long>(st.st_mtim.tv_sec);
    id.mtime_ns = static_cast<long long>(st.st_mtim.tv_nsec);
    return id;
}

}  // namespace

std::optional<ImagesPrechargees::Identite> identite_fichier(const std::string& chemin) {
    struct stat st {};
    if (chemin.empty() || chemin.find('\0') != std::string::npos || ::stat(chemin.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return std::nullopt;
    return depuis(st);
}

bool lire_fichier_image(const std::string& chemin, QByteArray& octets,
                        ImagesPrechargees::Identite* identite) {
    if (chemin.empty() || chemin.find('\0') != std::string::npos) return false;
    int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kTailleImageMax;
    if (ok) {
        octets.resize(static_cast<qsizetype>(st.st_size));
        qsizetype lus = 0;
        while (lus < octets.size()) {
            ssize_t n = ::read(fd, octets.data() + lus, static_cast<size_t>(octets.size() - lus));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            lus += n;
        }
        octets.resize(lus);  // a file that shrank meanwhile: keep what was read
        if (identite) *identite = depuis(st);
    }
    ::close(fd);
    return ok;
}

void ImagesPrechargees::lire(const std::string& fichier_config) {
    gestion_vantrel config;
    if (!config.charger(fichier_config)) return;
    const ValeursConfig v = lire_configuration(config);
    gestion_vantrel skin;
    if (!skin.charger(v.chemin_skin)) return;  // refuses anything but a regular file
    if (nombre_valeurs_quotees(skin.texte) < static_cast<std::size_t>(kValeursMinimum))
        return;  // the loader refuses it

    // The values the loader decodes: each row's, and the colour bitmap.
    std::set<int> numeros{kValeurCouleurs};
    for (const Element& e : kElementsSkin) numeros.insert(e.valeur);
    std::map<std::string, Entree> lues;
    for (int n : numeros) {
        const std::string chemin =
            v.rep_skin + std::string(valeur_quotee(skin.texte, static_cast<unsigned>(n)));
        if (lues.count(chemin)) continue;
        Entree e;
        if (!lire_fichier_image(chemin, e.octets, &e.identite)) continue;
        // The usual skin bitmap is decoded at once; anything else waits for
        // Qt's readers.
        if (std::optional<QImage> image = decoder_bmp_24_bits(e.octets)) {
            e.image = std::move(*image);
            e.octets = QByteArray();
        }
        lues.emplace(chemin, std::move(e));
    }
    std::lock_guard<std::mutex> l(verrou_);
    if (etat_ == Etat::Lecture) entrees_ = std::move(lues);
}

void ImagesPrechargees::decoder() {
    std::map<std::string, Entree> a_decoder;
    {
        std::lock_guard<std::mutex> l(verrou_);
        if (etat_ != Etat::Lecture) return;
        etat_ = Etat::Decodage;
        a_decoder.swap(entrees_);
    }
    for (auto& [chemin, e] : a_decoder) {
        if (!e.image.isNull()) continue;
        e.image = decoder_image(e.octets, chemin);
        e.octets = QByteArray();
    }
    {
        std::lock_guard<std::mutex> l(verrou_);
        entrees_ = std::move(a_decoder);
        etat_ = Etat::Fini;
    }
    fini_cv_.notify_all();
}

void ImagesPrechargees::abandonner() {
    {
        std::lock_guard<std::mutex> l(verrou_);
        if (etat_ != Etat::Lecture) return;
        garder_decodees();
    }
    fini_cv_.notify_all();
}

std::optional<QImage> ImagesPrechargees::prendre(const std::string& chemin) {
    std::unique_lock<std::mutex> l(verrou_);
    if (etat_ == Etat::Lecture) garder_decodees();
    fini_cv_.wait(l, [this] { return etat_ == Etat::Fini; });
    auto it = entrees_.find(chemin);
    if (it == entrees_.end() || it->second.image.isNull()) return std::nullopt;
    const std::optional<Identite> maintenant = identite_fichier(chemin);
    if (!maintenant || !(*maintenant == it->second.identite)) return std::nullopt;
    return it->second.image;
}

void ImagesPrechargees::garder_decodees() {
    std::erase_if(entrees_, [](const auto& paire) { return paire.second.image.isNull(); });
    etat_ = Etat::Fini;
}

std::size_t ImagesPrechargees::nombre() const {
    std::lock_guard<std::mutex> l(verrou_);
    std::size_t n = 0;
    for (const auto& [chemin, e] : entrees_) n += e.image.isNull() ? 0 : 1;
    return n;
}

void installer_images_prechargees(ImagesPrechargees* images) { g_installees.store(images); }

ImagesPrechargees* images_prechargees() { return g_installees.load(); }

QImage decoder_image(const QByteArray& octets, const std::string& chemin) {
    if (octets.isEmpty()) return {};
    // By content first; the extension helps formats without a signature.
    // Bitmaps and PNG files, the usual skin pictures, go straight to Qt's
    // built-in readers, so that no image plug-in is loaded to recognise them.
    QByteArray signature;
    if (octets.startsWith("BM"))
        signature = "bmp";
    else if (octets.startsWith("\x89PNG"))
        signature = "png";
    QImage image = signature.isEmpty() ? QImage() : decoder(octets, signature, true);
    if (image.isNull()) image = decoder(octets, QByteArray());
    if (image.isNull()) {
        QByteArray format = QByteArray::fromStdString(extension(chemin)).toLower();
        if (!format.isEmpty()) image = decoder(octets, format);
    }
    return image;
}

}  // namespace vt
